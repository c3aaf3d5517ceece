// The MIB report over modules written here: a module imported from one no
// folder holds, a module in two files, a syntax error, and a correct vendor
// module in ./mibs whose nodes reach the tree.
#include "core/snmp/mib_report.h"

#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "core/snmp/mib_loader.h"
#include "core/snmp/mib_nodes.h"
#include "support/batch_run.h"
#include "support/mib_files.h"

namespace {

// A module under enterprises with one object; name and number vary.
QByteArray VendorModule(const QByteArray& name, const QByteArray& root, int number) {
  return name + " DEFINITIONS ::= BEGIN\n" +
         "IMPORTS\n"
         "    MODULE-IDENTITY, OBJECT-TYPE, Integer32, enterprises FROM SNMPv2-SMI;\n" +
         root + " MODULE-IDENTITY\n" +
         "    LAST-UPDATED \"202601010000Z\"\n"
         "    ORGANIZATION \"Example\"\n"
         "    CONTACT-INFO \"-- not a comment\"\n"
         "    DESCRIPTION \"x\"\n"
         "    ::= { enterprises " +
         QByteArray::number(number) + " }\n" + root + "Value OBJECT-TYPE\n" +
         "    SYNTAX Integer32\n"
         "    MAX-ACCESS read-only\n"
         "    STATUS current\n"
         "    DESCRIPTION \"x\"\n"
         "    ::= { " +
         root + " 1 }\nEND\n";
}

const struct {
  const char* file;
  QByteArray text;
} kFiles[] = {
    {"EXAMPLE-VENDOR-MIB.my", "-- a comment before the header\n" +
                                  VendorModule("EXAMPLE-VENDOR-MIB", "exampleVendor", 64991)},
    {"MISSING-IMPORT-MIB.my", tesmo::test::kMissingImportMib},
    {"A.my", VendorModule("DUP-MIB", "dupFirst", 64992)},
    {"B.txt", "\n\n" + VendorModule("DUP-MIB", "dupSecond", 64993)},
    {"BROKEN-MIB.my",
     VendorModule("BROKEN-MIB", "broken", 64994).replace("{ broken 1 }", "{ broken 1 ")},
    {"README", "Not a module: DEFINITIONS ::= BEGIN\n"},
};

class MibReportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = new QTemporaryDir;
    QDir(work->path()).mkdir("mibs");
    for (const auto& f : kFiles) {
      QFile file(work->filePath(QString("mibs/") + f.file));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(f.text);
    }
    directories = tesmo::MibDirectoryList(work->path().toStdString(), "");
    tesmo::LoadMibs(directories);
    report = new tesmo::MibReport(tesmo::LastMibReport());
  }
  static void TearDownTestSuite() {
    tesmo::FreeMibs();
    delete report;
    delete work;
  }
  static std::string Mib(const char* name) {
    return work->filePath(QString("mibs/") + name).toStdString();
  }
  static QTemporaryDir* work;
  static std::string directories;
  static tesmo::MibReport* report;
};
QTemporaryDir* MibReportTest::work = nullptr;
std::string MibReportTest::directories;
tesmo::MibReport* MibReportTest::report = nullptr;

TEST_F(MibReportTest, NamesEachProblemWithItsFileLineAndRemedy) {
  const struct {
    const char* module;
    const char* file;
    int line;
    std::string what;
    std::string missing;
  } expected[] = {
      {"BROKEN-MIB", "BROKEN-MIB.my", 16, "syntax error near \"END\": expected label or number",
       ""},
      {"DUP-MIB", "A.my", 1, "defined twice: in B.txt and A.my, the first is used", ""},
      {"MISSING-IMPORT-MIB", "MISSING-IMPORT-MIB.my", 4,
       "IMPORTS EXAMPLE-SMI, which no file in the MIB folders defines", "EXAMPLE-SMI"},
  };
  std::vector<tesmo::MibProblem> ours;
  for (const tesmo::MibProblem& p : report->problems) {
    if (p.file.rfind(work->path().toStdString(), 0) == 0) ours.push_back(p);
  }
  ASSERT_EQ(ours.size(), std::size(expected)) << tesmo::MibReportText(*report);
  for (size_t i = 0; i < ours.size(); ++i) {
    SCOPED_TRACE(expected[i].module);
    EXPECT_EQ(ours[i].module, expected[i].module);
    EXPECT_EQ(ours[i].file, Mib(expected[i].file));
    EXPECT_EQ(ours[i].line, expected[i].line);
    EXPECT_EQ(ours[i].what, expected[i].what);
    EXPECT_EQ(ours[i].missingModule, expected[i].missing);
    EXPECT_FALSE(ours[i].fix.empty());
    if (!expected[i].missing.empty()) {
      EXPECT_NE(ours[i].fix.find(expected[i].missing), std::string::npos) << ours[i].fix;
    }
  }
}

TEST_F(MibReportTest, ListsEveryModuleWithTheFileRead) {
  std::map<std::string, std::string> files;
  for (const tesmo::MibModuleFile& m : report->modules) files[m.module] = m.file;
  EXPECT_EQ(files["EXAMPLE-VENDOR-MIB"], Mib("EXAMPLE-VENDOR-MIB.my"));
  EXPECT_EQ(files["DUP-MIB"], Mib("B.txt"));
  EXPECT_EQ(files["MISSING-IMPORT-MIB"], Mib("MISSING-IMPORT-MIB.my"));
  EXPECT_EQ(files.count("Not"), 0u);
  EXPECT_EQ(files["SNMPv2-SMI"].empty(), false);
  EXPECT_EQ(report->folders.front(), work->filePath("mibs").toStdString());
}

TEST_F(MibReportTest, AVendorModuleInTheWorkingDirectoryReachesTheTree) {
  oid id[MAX_OID_LEN];
  size_t length = MAX_OID_LEN;
  ASSERT_TRUE(get_node("exampleVendorValue", id, &length));
  tesmo::CMibTreeIndex index;
  index.Build();
  bool found = false;
  for (int i = 0; i < index.Count() && !found; ++i) {
    const tree* node = index.Node(i);
    found = node->label != nullptr && std::string(node->label) == "exampleVendorValue" &&
            index.Parent(i) >= 0 &&
            std::string(index.Node(index.Parent(i))->label) == "exampleVendor";
  }
  EXPECT_TRUE(found);
}

TEST_F(MibReportTest, ReportCommandPrintsTheProblemsAndExitsWithTwo) {
  const tesmo::BatchRun run = tesmo::RunBatchIn({"--mib-report"}, work->path());
  EXPECT_EQ(run.exitCode, 2) << run.err.toStdString();
  for (const char* text :
       {"MISSING-IMPORT-MIB.my:4", "fix: add the module EXAMPLE-SMI",
        "defined twice: in B.txt and A.my", "BROKEN-MIB.my:16", "EXAMPLE-VENDOR-MIB"}) {
    EXPECT_TRUE(run.out.contains(text)) << text;
  }
}

}  // namespace
