// The target over IPv6 against the lab's own agent, which listens on
// 127.0.0.1 and [::1] (tests/lab/lab): --batch on an IPv6 address gives what
// the same run on 127.0.0.1 gives, for SNMP versions 1, 2c and 3; names of
// the lab's hosts file (lab-loopback6: ::1 only, lab-dual: 127.0.0.1 and
// ::1) resolve as the family choice (stored or -4/-6) says, through the
// internal and the system resolver.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "support/qt_print.h"

namespace tesmo {
namespace {

// A field of the system page's report ("IP address : ::1"), or "<missing>".
QString ReportField(const QString& report, const QString& name) {
  const QRegularExpression line("^" + QRegularExpression::escape(name) + " : ([^\n]*)$",
                                QRegularExpression::MultilineOption);
  const QRegularExpressionMatch match = line.match(report);
  return match.hasMatch() ? match.captured(1) : QStringLiteral("<missing>");
}

// The report without the fields that name the host or move on their own.
QString WithoutHostFields(QString report) {
  static const QRegularExpression fields(
      "^(Host Name|IP address|DNS Host Name|Address family|SysUpTime) : [^\n]*\n",
      QRegularExpression::MultilineOption);
  return report.remove(fields);
}

class TargetV6LabTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(work.isValid());
    ASSERT_TRUE(QDir().mkpath(work.filePath("config/tesmo")));
    WriteSettings(QString());
  }

  // The lab's name server and the given extra settings lines.
  void WriteSettings(const QString& extra) {
    QFile settings(work.filePath("config/tesmo/tesmo.ini"));
    ASSERT_TRUE(settings.open(QIODevice::WriteOnly | QIODevice::Truncate));
    settings.write(("[Resolver]\nDnsAddressList=\"127.0.0.1\"\n" + extra).toUtf8());
  }

  BatchRun Run(const QString& host, const char* page, const QStringList& extra = {}) {
    const QStringList args = {"--batch",
                              host,
                              QString::fromLatin1(page),
                              "--port",
                              QString::number(LabSnmpPort()),
                              "--timeout",
                              "1000",
                              "--retries",
                              "1"};
    return RunBatch(args + extra, work.filePath("config"), work.path());
  }

  QTemporaryDir work;
};

TEST_F(TargetV6LabTest, EveryVersionAnswersOverIpv6AsOverIpv4) {
  const QStringList v3 = {
      "--version",       "3",           "--user",         "tesmo-v3", "--auth-pass",
      "tesmo-auth-pass", "--priv-pass", "tesmo-priv-pass"};
  const std::pair<const char*, QStringList> versions[] = {
      {"1", {}}, {"2c", {"--version", "2c"}}, {"3", v3}};
  for (const auto& [version, options] : versions) {
    for (const char* page : {"system", "interfaces"}) {
      SCOPED_TRACE(std::string("version ") + version + ", page " + page);
      const BatchRun v4 = Run("127.0.0.1", page, options);
      ASSERT_EQ(v4.exitCode, 0) << v4.err.toStdString();
      for (const char* host : {"::1", "[0:0::1]"}) {
        SCOPED_TRACE(host);
        const BatchRun v6 = Run(host, page, options);
        ASSERT_EQ(v6.exitCode, 0) << v6.err.toStdString();
        EXPECT_FALSE(v6.err.contains("No SNMP Response")) << v6.err.toStdString();
        if (QLatin1String(page) == QLatin1String("system")) {
          EXPECT_EQ(ReportField(v6.out, "IP address"), "::1");
          EXPECT_EQ(ReportField(v6.out, "SysName"), "tesmo-lab-agent");
          EXPECT_EQ(WithoutHostFields(v6.out).toStdString(),
                    WithoutHostFields(v4.out).toStdString());
        } else {
          EXPECT_FALSE(v6.out.isEmpty());
          EXPECT_EQ(v6.out.toStdString(), v4.out.toStdString());
        }
      }
    }
  }
  // A wrong pass phrase over IPv6 is the agent's refusal, not a time-out:
  // the answer came back over the same transport.
  QStringList wrong = v3;
  wrong[5] = "not-the-pass-phrase";
  const BatchRun refused = Run("::1", "system", wrong);
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_TRUE(refused.err.contains("Authentication failure")) << refused.err.toStdString();
}

TEST_F(TargetV6LabTest, NamesResolveAsTheFamilyChoiceSays) {
  const struct {
    const char* host;
    QStringList options;
    const char* storedFamily;  // the Parameters page's choice; "" none stored
    int exitCode;
    const char* address;  // IP address of the report, or a part of the error
  } rows[] = {
      {"[::1]", {"-6"}, "", 0, "::1"},
      {"::1", {"-4"}, "", 0, "::1"},  // an address is its own family
      {"lab-loopback6", {"-6"}, "", 0, "::1"},
      {"lab-dual", {}, "", 0, "127.0.0.1"},
      {"lab-dual", {"-4"}, "", 0, "127.0.0.1"},
      {"lab-dual", {"-6"}, "", 0, "::1"},
      {"lab-dual", {}, "IPv6", 0, "::1"},
      {"lab-dual", {}, "IPv4", 0, "127.0.0.1"},
      {"lab-dual", {}, "either", 0, "127.0.0.1"},
      {"lab-dual", {"-4"}, "IPv6", 0, "127.0.0.1"},
      {"lab-doc6", {"-4"}, "", 1, "Cannot resolve name to an IPv4 address"},
      {"lab-loopback", {"-6"}, "", 1, "Cannot resolve name to an IPv6 address"},
      {"lab-doc6", {}, "IPv4", 1, "Cannot resolve name to an IPv4 address"},
      {"2001:db8::g", {}, "", 1, "Not an IPv6 address"},
      {"[::1", {}, "", 1, "bracket"},
      {"no-such-name.lab.test", {}, "", 1, "Cannot resolve name"},
  };
  // The internal resolver with its cache (the hosts file loaded into it),
  // and the system resolver (getaddrinfo, getnameinfo) without the cache.
  for (const char* resolver : {"UseFastResolver=1\n", "UseFastResolver=0\nbDnsUseCache=0\n"}) {
    for (const auto& row : rows) {
      SCOPED_TRACE(std::string(resolver) + row.host + " " + row.options.join(' ').toStdString() +
                   " stored " + row.storedFamily);
      QString settings = QString::fromLatin1(resolver);
      if (*row.storedFamily != '\0') {
        settings += QStringLiteral("[Snmp]\nAddressFamily=%1\n").arg(row.storedFamily);
      }
      WriteSettings(settings);
      const BatchRun run = Run(row.host, "system", row.options);
      EXPECT_EQ(run.exitCode, row.exitCode) << run.err.toStdString();
      if (row.exitCode == 0) {
        EXPECT_EQ(ReportField(run.out, "IP address"), row.address);
      } else {
        EXPECT_TRUE(run.err.contains(row.address)) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
      }
    }
  }
}

TEST_F(TargetV6LabTest, TheDnsNameOfAnIpv6AgentIsItsReverseName) {
  // The hosts file names ::1 lab-loopback6 on its first line and lab-dual on
  // its last: the system resolver takes the first, the cache the last (it
  // holds the file whichever resolver is chosen).
  const struct {
    const char* settings;
    const char* name;
  } rows[] = {
      {"UseFastResolver=1\n", "lab-dual"},
      {"UseFastResolver=0\n", "lab-dual"},
      {"UseFastResolver=0\nbDnsUseCache=0\n", "lab-loopback6"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.settings);
    WriteSettings(QString::fromLatin1(row.settings));
    for (const char* host : {"::1", "lab-loopback6"}) {
      const BatchRun run = Run(host, "system", {"-6"});
      ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
      EXPECT_EQ(ReportField(run.out, "DNS Host Name"), row.name) << host;
    }
  }
}

}  // namespace
}  // namespace tesmo
