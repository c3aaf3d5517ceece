// The name service for IPv6 against a name server of the test's own: BIND's
// named on 127.0.0.2 port 53 inside the lab namespace (lab.d/dnszone.up gives
// the namespace's loopback that address; its own server there uses another
// port), authoritative for v6.test
// (names with AAAA records only, with A and AAAA, with A only) and for the
// reverse zone of 2001:db8::/32. The internal resolver asks it for AAAA
// records and for names under ip6.arpa.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdlib>

#include "core/net/name_cache.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"

namespace tesmo {
namespace {

constexpr char kServer[] = "127.0.0.2";

class V6NameServer {
 public:
  V6NameServer() {
    const QString work = dir.path();
    Write("v6.test.zone",
          "$TTL 300\n"
          "@ IN SOA ns1.v6.test. admin.v6.test. 1 3600 600 86400 300\n"
          "@ IN NS ns1.v6.test.\n"
          "ns1 IN A 127.0.0.2\n"
          "only6 IN AAAA 2001:db8::7\n"
          "dual IN A 10.66.0.8\n"
          "dual IN AAAA 2001:db8:0:1::8\n"
          "only4 IN A 10.66.0.9\n"
          "alias6 IN CNAME only6\n");
    Write("8.b.d.0.1.0.0.2.ip6.arpa.zone",
          "$TTL 300\n"
          "@ IN SOA ns1.v6.test. admin.v6.test. 1 3600 600 86400 300\n"
          "@ IN NS ns1.v6.test.\n"
          "7.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0 IN PTR only6.v6.test.\n"
          "8.0.0.0.0.0.0.0.0.0.0.0.0.0.0.0.1.0.0.0.0.0.0.0 IN PTR dual.v6.test.\n");
    Write("named.conf",
          QStringLiteral("options {\n"
                         "  directory \"%1\";\n"
                         "  pid-file \"%1/named.pid\";\n"
                         "  session-keyfile \"%1/session.key\";\n"
                         "  managed-keys-directory \"%1\";\n"
                         "  listen-on port 53 { %2; };\n"
                         "  listen-on-v6 { none; };\n"
                         "  recursion no;\n"
                         "  dnssec-validation no;\n"
                         "  notify no;\n"
                         "};\n"
                         "controls { };\n"
                         "zone \"v6.test\" { type primary; file \"%1/v6.test.zone\"; };\n"
                         "zone \"8.b.d.0.1.0.0.2.ip6.arpa\" { type primary; "
                         "file \"%1/8.b.d.0.1.0.0.2.ip6.arpa.zone\"; };\n")
              .arg(work, kServer)
              .toStdString()
              .c_str());
    server.start("named", {"-f", "-c", dir.filePath("named.conf")});
    // Bounded: at most 100 probes of a fifth of a second.
    for (int i = 0; i < 100 && !ready; ++i) {
      QProcess dig;
      dig.start("dig", {"+short", "+time=1", "+tries=1", QStringLiteral("@") + kServer,
                        "ns1.v6.test", "A"});
      dig.waitForFinished(3000);
      ready = dig.readAllStandardOutput().trimmed() == kServer;
      if (!ready) QTest::qWait(200);
    }
  }
  ~V6NameServer() {
    server.terminate();
    if (!server.waitForFinished(5000)) server.kill();
    server.waitForFinished(2000);
  }
  bool ready = false;

 private:
  void Write(const char* name, const char* text) {
    QFile file(dir.filePath(QString::fromLatin1(name)));
    if (file.open(QIODevice::WriteOnly)) file.write(text);
  }
  QTemporaryDir dir;
  QProcess server;
};

class NameV6LabTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new V6NameServer; }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr);
    ASSERT_TRUE(server->ready) << "named did not answer on " << kServer;
    SetHostsFilePath("");
    ApplyDnsServerList(kServer);
    ApplyDnsSearchList(" ");
    UseFastResolver = 1;
    bDnsUseHostfile = 0;
    DnsCacheTimeout = 600;
    ClearNameCache();
  }
  void TearDown() override {
    ClearNameCache();
    ApplyDnsServerList("127.0.0.1");
    bDnsUseCache = 1;
    bDnsUseHostfile = 1;
  }
  static V6NameServer* server;
};
V6NameServer* NameV6LabTest::server = nullptr;

TEST_F(NameV6LabTest, TheInternalResolverAsksForAAndAaaaAsTheChoiceSays) {
  using F = AddressFamilyChoice;
  const struct {
    const char* name;
    F family;
    const char* address;
  } rows[] = {
      {"only6.v6.test", F::kEither, "2001:db8::7"},
      {"only6.v6.test", F::kV6, "2001:db8::7"},
      {"only6.v6.test", F::kV4, ""},
      {"alias6.v6.test", F::kEither, "2001:db8::7"},  // through its CNAME
      {"dual.v6.test", F::kEither, "10.66.0.8"},
      {"dual.v6.test", F::kV4, "10.66.0.8"},
      {"dual.v6.test", F::kV6, "2001:db8:0:1::8"},
      {"only4.v6.test", F::kEither, "10.66.0.9"},
      {"only4.v6.test", F::kV6, ""},
      {"nosuch.v6.test", F::kEither, ""},
  };
  // Without the cache every row asks the server; with it, the second round
  // is answered from the entries of the first, one per family.
  for (int cache : {0, 1, 1}) {
    bDnsUseCache = cache;
    for (const auto& row : rows) {
      EXPECT_EQ(ResolveNameToAddress(row.name, row.family), row.address)
          << row.name << " family " << static_cast<int>(row.family) << " cache " << cache;
    }
  }
}

TEST_F(NameV6LabTest, TheReverseNameOfAnIpv6AddressIsUnderIp6Arpa) {
  const struct {
    const char* address;
    const char* name;
  } rows[] = {
      {"2001:db8::7", "only6.v6.test"},
      {"[2001:DB8:0:0:0:0:0:7]", "only6.v6.test"},
      {"2001:db8:0:1::8", "dual.v6.test"},
      {"2001:db8::99", ""},
  };
  for (int cache : {0, 1}) {
    bDnsUseCache = cache;
    for (const auto& row : rows) {
      EXPECT_EQ(ResolveAddressToName(row.address), row.name) << row.address << " cache " << cache;
    }
  }
}

}  // namespace
}  // namespace tesmo
