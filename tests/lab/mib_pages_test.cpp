// The MIB browser's walk and the generic tables against the lab's agents:
// the system group as net-snmp's own snmpwalk sees it, a walk from a leaf,
// the default table (the table agent's neighbours), a table made by "Add to
// Gen" from ifEntry, and both pages' --batch reports.
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <QProcess>
#include <QTemporaryDir>

#include "core/base/first_run.h"
#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "core/grid/grid_data.h"
#include "core/snmp/mib_nodes.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/oid_text.h"
#include "support/batch_run.h"
#include "support/lab_agents.h"
#include "support/mib_environment.h"
#include "support/status_log.h"
#include "tools/browser/mib_walk.h"
#include "tools/tables/gen_table.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

constexpr const char* kTableAgent = "127.0.77.39";  // lab.d/tables.up

// The numeric OIDs net-snmp's snmpwalk finds below oid.
QStringList SnmpWalkOids(const QString& oid) {
  QProcess p;
  p.start("snmpwalk", {"-v1", "-c", "meadow", "-On", "-t", "1", "-r", "1",
                       "127.0.0.1:" + QString::number(LabSnmpPort()), oid});
  p.waitForFinished(20000);
  QStringList oids;
  for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split('\n')) {
    if (line.startsWith('.')) oids << line.section(' ', 0, 0);
  }
  return oids;
}

class MibPagesLab : public ::testing::Test {
 protected:
  void SetUp() override { CSettingsStore::SetFilePath(dir.filePath("tesmo/tesmo.ini")); }
  void TearDown() override { CSettingsStore::SetFilePath(QString()); }
  QTemporaryDir dir;
};

TEST_F(MibPagesLab, WalkOfTheSystemGroupFindsWhatSnmpwalkFinds) {
  CLineStore lines;
  CStatusLog status;
  MibWalkOutcome outcome;
  RunJobHere([&] { outcome = RunMibWalk(LabAgent(), "system", lines); });
  QStringList found;
  for (const std::string& line : lines.Lines()) found << QString::fromStdString(line);
  const QStringList expected = SnmpWalkOids(".1.3.6.1.2.1.1");
  ASSERT_GE(expected.size(), 8);
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(outcome.count, static_cast<unsigned>(expected.size()));
  // Each line's OID text reads back as the object snmpwalk names.
  QStringList numeric;
  for (const QString& line : found) {
    QString oid, value;
    ASSERT_TRUE(SplitResultLine(line, &oid, &value)) << line.toStdString();
    ObjectId id;
    ASSERT_TRUE(ParseResultOid(oid, id)) << oid.toStdString();
    numeric << NumericOidText(id);
  }
  EXPECT_EQ(numeric, expected);
  EXPECT_EQ(found[0], "system.sysDescr.0  :  Tesmo lab agent");
  EXPECT_TRUE(found.contains("system.sysName.0  :  tesmo-lab-agent"));
  EXPECT_EQ(status.Texts().first(), "Browsing mibs");
  EXPECT_EQ(status.Texts().last(), "Ready");

  // From a leaf instance the next object lies outside: nothing.
  RunJobHere([&] { outcome = RunMibWalk(LabAgent(), ".1.3.6.1.2.1.1.1.0", lines); });
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(lines.Count(), 0u);

  // An agent that does not answer: no lines, and the walk says so.
  CStatusLog failing;
  RunJobHere([&] { outcome = RunMibWalk(LabAgent("127.0.0.1", 9), "system", lines); });
  EXPECT_FALSE(outcome.answered);
  EXPECT_EQ(outcome.count, 0u);
  EXPECT_TRUE(failing.Texts().last().startsWith("No SNMP Response")) << failing.StdTexts().back();

  // Stop at the first progress text of a walk of 10,000 routes: the lines
  // fetched stay and the status line says the walk is incomplete.
  CStatusLog stopping([](const QString& text) {
    if (text.startsWith("Getting [")) RequestStop();
  });
  RunJobHere([&] {
    outcome =
        RunMibWalk(LabAgent("127.0.77.38", 161), "ip.ipRouteTable.ipRouteEntry.ipRouteDest", lines);
  });
  EXPECT_TRUE(outcome.answered);
  EXPECT_GT(outcome.count, 0u);
  EXPECT_LT(outcome.count, 10000u);
  EXPECT_EQ(lines.Count(), outcome.count);
  EXPECT_EQ(stopping.Texts().last(),
            QString("Stopped: %1 line(s) fetched, the walk is incomplete").arg(outcome.count));
}

TEST_F(MibPagesLab, DefaultTableShowsTheNeighboursAndAddToGenWalksIfTable) {
  WriteFirstRunDefaults();
  CGridData data;
  CTableGrid grid;
  grid.ResetGrid(&data, 2, 2);
  CStatusLog status;
  TableJobOutcome outcome;
  RunJobHere([&] { outcome = RunCustomTableJob(0, grid, LabAgent(kTableAgent, 161)); });
  EXPECT_TRUE(outcome.answered);
  EXPECT_EQ(grid.StatusLabel(), "4 entry(s)");
  EXPECT_EQ(data.RowsText(1, data.Rows() - 1).toStdString(),
            "Int.\tPhys. Address\tNet. Address\tType\t\n"
            "2\t00A0C9AABBCC\t010.077.040.007\tstatic\t\n"
            "2\t08002A010203\t010.077.040.008\tstatic\t\n"
            "3\t525400123456\t010.077.042.009\tstatic\t\n"
            "12\t525400123457\t010.077.043.009\tstatic\t\n");
  EXPECT_EQ(status.Texts().first(), "Getting Table");
  EXPECT_EQ(status.Texts().last(), "Ready");
  // The address column is an address column: its cells open "Select".
  ASSERT_TRUE(grid.Column(2).has_value());
  EXPECT_TRUE(grid.Column(2)->isIP);

  // "Add to Gen" on ifEntry: table 1, one column per child, widths by type.
  ObjectId id;
  ASSERT_TRUE(ParseObjectId(".1.3.6.1.2.1.2.2.1", id));
  ASSERT_EQ(AddCustomTableOfNode(DeepestNode(id)), 1u);
  RunJobHere([&] { outcome = RunCustomTableJob(1, grid, LabAgent(kTableAgent, 161)); });
  EXPECT_EQ(grid.StatusLabel(), "4 entry(s)");
  ASSERT_EQ(data.Cols(), 22);
  EXPECT_EQ(data.TextAt(0, 1), "ifDescr");
  const struct { int column, width; } widths[] = {{0, 9}, {1, 12}, {4, 6}, {8, 10}};
  for (const auto& w : widths) EXPECT_EQ(data.ColWidth(w.column), w.width * grid.WidthUnit());
  QStringList indexes, names;
  for (int r = 1; r < data.Rows(); ++r) {
    indexes << data.TextAt(r, 0);
    names << data.TextAt(r, 1);
  }
  EXPECT_EQ(indexes, QStringList({"1", "2", "3", "12"}));
  EXPECT_EQ(names, QStringList({"lo", "taba", "tabb", "tabc"}));
}

TEST_F(MibPagesLab, StoredColumnListsEndAtThirtyTwoAndAtAGap) {
  const struct {
    const char* name;
    std::vector<int> values;  // column values written, ifTable columns 1..
    int columns;              // columns the job draws
  } cases[] = {
      {"forty",
       [] {
         std::vector<int> v;
         for (int j = 0; j < 40; ++j) v.push_back(j);
         return v;
       }(),
       32},
      {"gap", {0, 1, 3}, 2},
  };
  for (unsigned n = 0; n < std::size(cases); ++n) {
    const auto& c = cases[n];
    CSettingsStore::WriteString(CustomTableSection(n), "Name", c.name);
    for (int j : c.values) {
      CSettingsStore::WriteString(CustomTableSection(n), QString::number(j),
                                  QString(".1.3.6.1.2.1.2.2.1.%1|c%2").arg(j % 22 + 1).arg(j));
    }
    CGridData data;
    CTableGrid grid;
    grid.ResetGrid(&data, 2, 2);
    RunJobHere([&] { RunCustomTableJob(n, grid, LabAgent(kTableAgent, 161)); });
    EXPECT_EQ(data.Cols(), c.columns) << c.name;
    EXPECT_EQ(data.Rows(), 5) << c.name;  // the header and four interfaces
    EXPECT_EQ(data.TextAt(0, c.columns - 1), QString("c%1").arg(c.columns - 1)) << c.name;
  }
}

TEST_F(MibPagesLab, BatchReports) {
  QTemporaryDir work;
  BatchRun run = RunBatchIn({"--batch", kTableAgent, "gentable"}, work.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_EQ(run.out.count('\n'), 5) << run.out.toStdString();
  EXPECT_TRUE(run.out.startsWith("Int.\tPhys. Address\tNet. Address\tType\t\n"));
  EXPECT_EQ(RunBatchIn({"--batch", kTableAgent, "gentable", "--table", "4"}, work.path()).exitCode,
            64);

  run = RunBatchIn({"--batch", "127.0.0.1", "browser", "--port", QString::number(LabSnmpPort()),
                    "--oid", "system"},
                   work.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(lines.size(), 5);
  EXPECT_EQ(lines.mid(0, 5),
            QStringList({"Mib browser result", "------------------",
                         "query : .iso.org.dod.internet.mgmt.mib-2.system",
                         "------- (.1.3.6.1.2.1.1)", "system.sysDescr.0  :  Tesmo lab agent"}));
  EXPECT_EQ(lines.size() - 4, SnmpWalkOids(".1.3.6.1.2.1.1").size());
  EXPECT_EQ(RunBatchIn({"--batch", "127.0.0.1", "browser"}, work.path()).exitCode, 64);

  // A label alone walks its column; a name that names nothing is a usage
  // error, told before any request.
  const QStringList agent = {"--batch", "127.0.0.1", "browser", "--port",
                             QString::number(LabSnmpPort())};
  run = RunBatchIn(agent + QStringList{"--oid", "ifInOctets"}, work.path());
  EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
  const QStringList column = run.out.split('\n', Qt::SkipEmptyParts);
  ASSERT_GE(column.size(), 5);
  EXPECT_EQ(column[3], "------- (.1.3.6.1.2.1.2.2.1.10)");
  EXPECT_EQ(column.size() - 4, SnmpWalkOids(".1.3.6.1.2.1.2.2.1.10").size());
  for (const QString& line : column.mid(4))
    EXPECT_TRUE(line.startsWith("interfaces.ifTable.ifEntry.ifInOctets.")) << line.toStdString();
  run = RunBatchIn(agent + QStringList{"--oid", "ifInOctetz"}, work.path());
  EXPECT_EQ(run.exitCode, 64);
  EXPECT_TRUE(run.err.contains("no MIB object is named ifInOctetz")) << run.err.toStdString();
  EXPECT_TRUE(run.out.isEmpty());
}

}  // namespace
}  // namespace tesmo
