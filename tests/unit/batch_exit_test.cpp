// --batch exit codes against answers a real agent does not give: each hostile
// answer is an error answer (exit 2) after whatever rows came before it, the
// error stays the last status text, and a report that cannot be written is
// no success either.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <optional>

#include "batch/batch.h"
#include "support/batch_run.h"
#include "support/fake_agent.h"

namespace {

using namespace tesmo::fake;
using tesmo::BatchRun;
using tesmo::ObjectId;

const ObjectId kArpEntry = {1, 3, 6, 1, 2, 1, 3, 1, 1};

TEST(BatchExit, HostileAnswersAreErrorAnswers) {
  struct Case {
    const char* name;
    const char* page;
    FakeAgent::Handler handler;
    const char* lastStatus;  // the last line on standard error
    int rowsPrinted;         // lines of standard output after the title
  };
  const Case cases[] = {
      {"a walk whose answer does not move on", "arptable",
       [](const std::vector<ObjectId>& names) {
         // Every column answers the same instance, again and again.
         Answer answer;
         for (size_t i = 0; i < names.size(); ++i) {
           const uint32_t column = static_cast<uint32_t>(i + 1);
           answer.bindings.push_back({Join(kArpEntry, {column, 1, 10, 0, 0, 1}), Integer(1)});
         }
         return answer;
       },
       "Error: OID not increasing: at.atTable.atEntry.atIfIndex.1.10.0.0.1", 1},
      {"a GET answered without values", "system",
       [](const std::vector<ObjectId>&) { return Answer{}; },
       "Error in packet: the answer holds 0 of 8 values", 0},
      {"a GET answered with genErr", "system",
       [](const std::vector<ObjectId>&) {
         Answer answer;
         answer.errorStatus = 5;
         answer.errorIndex = 1;
         return answer;
       },
       "Error in packet: (genError) A general failure occured", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeAgent agent(c.handler);
    QTemporaryDir config;
    const BatchRun run = tesmo::RunBatch(
        {"--batch", "127.0.0.1", c.page, "--port", QString::number(agent.Target().port),
         "--timeout", "300", "--retries", "0"},
        config.path());
    EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
    const QStringList status = run.err.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.back().toStdString(), c.lastStatus);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(lines.size() - (std::string(c.page) == "system" ? 0 : 1), c.rowsPrinted)
        << run.out.toStdString();
  }
}

// A version, level or protocol name outside the tables is refused before
// anything is sent, with the names that would do; letter case does not count.
TEST(BatchExit, NamesOutsideTheTablesAreRefused) {
  const struct {
    const char* option;
    const char* value;
    const char* listed;  // in the message, or null when the name is taken
  } cases[] = {
      {"--version", "4", "1, 2c or 3"},
      {"--security-level", "authPrivate", "noAuthNoPriv, authNoPriv or authPriv"},
      {"--auth-protocol", "SHA1", "MD5, SHA, SHA-224, SHA-256, SHA-384 or SHA-512"},
      {"--priv-protocol", "3DES", "DES, AES, AES-192 or AES-256"},
      {"--priv-protocol", "aes-256", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + " " + c.value);
    QTemporaryDir config;
    const BatchRun run = tesmo::RunBatch({"--batch", "127.0.0.1", "system", "--port", "9",
                                          "--timeout", "100", "--retries", "0", c.option, c.value},
                                         config.path());
    if (c.listed == nullptr) {
      EXPECT_NE(run.exitCode, 64) << run.err.toStdString();
    } else {
      EXPECT_EQ(run.exitCode, 64);
      EXPECT_TRUE(run.err.contains(QString("is not ") + c.listed)) << run.err.toStdString();
    }
  }
}

// -4 and -6 set the family a host name resolves to, the last one given
// winning, wherever they stand among the arguments; they are no host.
TEST(BatchExit, FamilyOptionsAreParsed) {
  const struct {
    QStringList args;
    std::optional<tesmo::AddressFamilyChoice> family;
  } cases[] = {
      {{"--batch", "h", "system"}, std::nullopt},
      {{"--batch", "h", "system", "-6"}, tesmo::AddressFamilyChoice::kV6},
      {{"--batch", "-4", "h", "system"}, tesmo::AddressFamilyChoice::kV4},
      {{"-6", "--batch", "h", "system", "--port", "9", "-4"}, tesmo::AddressFamilyChoice::kV4},
      {{"--batch", "::1", "system", "-6"}, tesmo::AddressFamilyChoice::kV6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QString error;
    const auto options = tesmo::ParseBatchArguments(c.args, tesmo::RegisteredTools(), &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->family, c.family);
    EXPECT_EQ(options->page, "system");
    EXPECT_NE(options->host, "-4");
    EXPECT_NE(options->host, "-6");
  }
  QString error;
  EXPECT_FALSE(
      tesmo::ParseBatchArguments({"--batch", "-6", "system"}, tesmo::RegisteredTools(), &error));
  EXPECT_TRUE(error.contains("needs a host and a page")) << error.toStdString();
}

TEST(BatchExit, AReportThatCannotBeWrittenIsNoSuccess) {
  if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  QTemporaryDir config;
  const BatchRun run = tesmo::RunBatch({"--help"}, config.path(), {}, "/dev/full");
  EXPECT_EQ(run.exitCode, 74);
  EXPECT_TRUE(run.err.contains("cannot write the report")) << run.err.toStdString();
}

}  // namespace
