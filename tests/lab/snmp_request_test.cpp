// The request layer and the column walk against the lab's snmpd, with
// net-snmp's own tools run on the same agent as the reference.
#include "core/snmp/snmp_request.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <chrono>
#include <mutex>
#include <set>
#include <thread>

#include "core/base/status_channel.h"
#include "core/snmp/column_walk.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "support/lab_agents.h"
#include "support/silent_peer.h"
#include "support/status_log.h"

namespace {

using tesmo::SnmpVarRequest;

class SnmpLabTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    tesmo::LoadMibs(tesmo::MibDirectoryList(QDir::currentPath().toStdString()));
  }
  static void TearDownTestSuite() { tesmo::FreeMibs(); }
};

TEST_F(SnmpLabTest, SystemGroupByGet) {
  std::vector<SnmpVarRequest> requests(8);
  const char* ids[] = {".1.3.6.1.2.1.1.1.0", ".1.3.6.1.2.1.1.2.0", ".1.3.6.1.2.1.1.3.0",
                       ".1.3.6.1.2.1.1.4.0", ".1.3.6.1.2.1.1.5.0", ".1.3.6.1.2.1.1.6.0",
                       ".1.3.6.1.2.1.1.7.0", ".1.3.6.1.2.1.2.1.0"};
  for (size_t i = 0; i < 8; ++i) requests[i].objectId = ids[i];
  int status = -1;
  ASSERT_EQ(tesmo::SnmpGet(requests, status, tesmo::LabAgent()), 0);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(requests[0].result, "Tesmo lab agent");
  EXPECT_EQ(requests[0].valueType, 0x04);
  EXPECT_EQ(requests[1].result, "enterprises.netSnmp.netSnmpEnumerations.netSnmpAgentOIDs.linux");
  EXPECT_EQ(requests[1].valueType, 0x06);
  EXPECT_TRUE(QRegularExpression("^\\d+:\\d+:\\d\\d:\\d\\d\\.\\d\\d$")
                  .match(QString::fromStdString(requests[2].result))
                  .hasMatch())
      << requests[2].result;
  EXPECT_EQ(requests[2].valueType, 0x43);
  EXPECT_EQ(requests[4].result, "tesmo-lab-agent");
  EXPECT_EQ(requests[5].result, "Tesmo lab, rack 1");
  EXPECT_EQ(requests[6].result, "72");
  EXPECT_EQ(requests[6].valueType, 0x02);
  EXPECT_EQ(requests[7].result, "1");  // the lab namespace has only its loopback
}

TEST_F(SnmpLabTest, GetOfAMissingInstanceLeavesTheResultsAlone) {
  tesmo::CStatusLog log;
  std::vector<SnmpVarRequest> requests(2);
  requests[0].objectId = "system.sysName.0";
  requests[1].objectId = "system.sysDescr.1";
  requests[0].result = requests[1].result = "untouched";
  int status = -1;
  EXPECT_EQ(tesmo::SnmpGet(requests, status, tesmo::LabAgent()), 0);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(requests[0].result, "untouched");
  EXPECT_EQ(requests[1].result, "untouched");
  ASSERT_FALSE(log.StdTexts().empty());
  EXPECT_EQ(log.StdTexts().back(),
            "Error in packet: (noSuchName) There is no such variable name in this MIB.");
}

TEST_F(SnmpLabTest, SetNeedsTheWriteCommunity) {
  tesmo::SnmpTarget target = tesmo::LabAgent();
  const std::string contact = "lab-admin-" + std::to_string(getpid());
  int status = -1;
  ASSERT_EQ(tesmo::SnmpSet("system.sysContact.0", contact, 's', status, target), 0);
  EXPECT_EQ(status, 0);
  std::vector<SnmpVarRequest> read(1);
  read[0].objectId = ".1.3.6.1.2.1.1.4.0";
  ASSERT_EQ(tesmo::SnmpGet(read, status, target), 0);
  EXPECT_EQ(read[0].result, contact);

  tesmo::CStatusLog log;
  target.writeCommunity = target.readCommunity;
  EXPECT_EQ(tesmo::SnmpSet("system.sysContact.0", "intruder", 's', status, target), 0);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(log.StdTexts().back(),
            "Error in packet: (noSuchName) There is no such variable name in this MIB.");
  ASSERT_EQ(tesmo::SnmpGet(read, status, target), 0);
  EXPECT_EQ(read[0].result, contact);

  // A value the library cannot convert for the type is refused before sending.
  EXPECT_EQ(tesmo::SnmpSet("system.sysServices.0", "many", 'i', status, tesmo::LabAgent()), 1);
}

TEST_F(SnmpLabTest, WalkPastTheLastObjectEndsWithEndOfMib) {
  // vacmViewTreeFamilyStatus is the last column the agent serves.
  tesmo::CStatusLog log;
  std::vector<SnmpVarRequest> requests(1);
  requests[0].objectId = ".1.3.6.1.6.3.16.1.5.2.1.6";
  tesmo::SnmpWalkState state;
  int status = 0;
  int result = 0;
  int rows = 0;
  for (int step = 0; step < 50; ++step) {
    result = tesmo::SnmpGetNext(requests, state, status, tesmo::LabAgent());
    if (result != 0 || status != 0) break;
    ++rows;
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(status, 2);
  EXPECT_GT(rows, 0);
  EXPECT_EQ(log.StdTexts().back(), "End of MIB");
}

TEST_F(SnmpLabTest, TwoRowTableTakesThreeStepsAndGivesTwoRows) {
  // vacmAccessTable: one row per community group of the lab's configuration.
  std::vector<SnmpVarRequest> requests(3);
  requests[0].objectId = ".1.3.6.1.6.3.16.1.4.1.5";  // read view
  requests[1].objectId = ".1.3.6.1.6.3.16.1.4.1.6";  // write view
  requests[2].objectId = ".1.3.6.1.6.3.16.1.4.1.9";  // row status
  tesmo::SnmpWalkState state;
  int status = 0;
  std::vector<int> statuses;
  for (int step = 0; step < 10; ++step) {
    ASSERT_EQ(tesmo::SnmpGetNext(requests, state, status, tesmo::LabAgent()), 0);
    statuses.push_back(status);
    if (status != 0) break;
    EXPECT_EQ(requests[0].result, "_all_");
    EXPECT_EQ(requests[2].result, "1");
  }
  EXPECT_EQ(statuses, (std::vector<int>{0, 0, tesmo::EndOfSubtree}));
  EXPECT_EQ(state.stepCount, 3);

  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(tesmo::LabAgent(),
                                    {".1.3.6.1.6.3.16.1.4.1.5", ".1.3.6.1.6.3.16.1.4.1.6"}, rows);
  EXPECT_EQ(outcome.result, 0);
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].texts, (std::vector<std::string>{"_all_", "none"}));   // grpcomm1: read only
  EXPECT_EQ(rows[1].texts, (std::vector<std::string>{"_all_", "_all_"}));  // grpcomm2: read-write
}

TEST_F(SnmpLabTest, WalksOnSeveralThreadsEachKeepTheirOwnSession) {
  std::atomic<int> complete{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 5; ++i) {
        std::vector<tesmo::TableRow> rows;
        auto outcome = tesmo::WalkColumns(
            tesmo::LabAgent(), {".1.3.6.1.6.3.16.1.4.1.5", ".1.3.6.1.6.3.16.1.4.1.6"}, rows);
        if (outcome.result == 0 && outcome.status == tesmo::EndOfSubtree && rows.size() == 2 &&
            rows[1].texts[1] == "_all_") {
          ++complete;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(complete, 15);
}

// snmptable's text of a value in our form: quotes dropped from strings,
// raw timeticks printed as days:hours:mm:ss.cc, object identifiers
// re-printed with our labels.
std::string InOurForm(const std::string& column, std::string text) {
  if (text.size() > 2 && text.front() == '"' && text.back() == '"') {
    text = text.substr(1, text.size() - 2);
  }
  if (column == "ifLastChange") {
    unsigned long ticks = std::stoul(text);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%lu:%lu:%02lu:%02lu.%02lu", ticks / 8640000,
                  ticks / 360000 % 24, ticks / 6000 % 60, ticks / 100 % 60, ticks % 100);
    return buffer;
  }
  if (column == "ifSpecific") {
    tesmo::ObjectId id;
    EXPECT_TRUE(tesmo::ParseObjectId(text, id)) << text;
    return tesmo::FormatObjectId(id);
  }
  return text;
}

TEST_F(SnmpLabTest, InterfaceTableMatchesSnmptable) {
  const std::vector<std::string> names = {
      "ifIndex",       "ifDescr",        "ifType",          "ifMtu",         "ifSpeed",
      "ifPhysAddress", "ifAdminStatus",  "ifOperStatus",    "ifLastChange",  "ifInOctets",
      "ifInUcastPkts", "ifInNUcastPkts", "ifInDiscards",    "ifInErrors",    "ifInUnknownProtos",
      "ifOutOctets",   "ifOutUcastPkts", "ifOutNUcastPkts", "ifOutDiscards", "ifOutErrors",
      "ifOutQLen",     "ifSpecific"};
  // Traffic counters grow between the two walks (the walks are traffic on
  // the same loopback): ours, taken later, may only be larger.
  const std::set<std::string> counters = {"ifInOctets",  "ifInUcastPkts",  "ifInNUcastPkts",
                                          "ifOutOctets", "ifOutUcastPkts", "ifOutNUcastPkts"};

  QProcess snmptable;
  snmptable.start(
      "snmptable",
      {"-v1", "-c", "meadow", "-m", "ALL", "-M",
       QString::fromStdString(tesmo::MibDirectoryList(QDir::currentPath().toStdString())), "-Cf",
       "|", "-CH", "-Ot", "-Of", "-OU", QString("127.0.0.1:%1").arg(tesmo::LabSnmpPort()),
       "RFC1213-MIB::ifTable"});
  ASSERT_TRUE(snmptable.waitForFinished(30000));
  ASSERT_EQ(snmptable.exitCode(), 0) << snmptable.readAllStandardError().toStdString();
  std::vector<std::vector<std::string>> expected;
  for (const QString& line : QString::fromUtf8(snmptable.readAllStandardOutput()).split('\n')) {
    if (line.trimmed().isEmpty()) continue;
    std::vector<std::string> cells;
    for (const QString& cell : line.split('|')) cells.push_back(cell.toStdString());
    ASSERT_EQ(cells.size(), names.size()) << line.toStdString();
    for (size_t c = 0; c < cells.size(); ++c) cells[c] = InOurForm(names[c], cells[c]);
    expected.push_back(cells);
  }
  ASSERT_FALSE(expected.empty());

  std::vector<std::string> columns;
  for (size_t c = 0; c < names.size(); ++c) {
    columns.push_back(".1.3.6.1.2.1.2.2.1." + std::to_string(c + 1));
  }
  std::vector<tesmo::TableRow> rows;
  auto outcome = tesmo::WalkColumns(tesmo::LabAgent(), columns, rows);
  EXPECT_EQ(outcome.status, tesmo::EndOfSubtree);
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t r = 0; r < rows.size(); ++r) {
    EXPECT_EQ(rows[r].instance, tesmo::ObjectId{static_cast<uint32_t>(std::stoul(expected[r][0]))});
    for (size_t c = 0; c < names.size(); ++c) {
      if (counters.count(names[c])) {
        EXPECT_GE(std::stoull(rows[r].texts[c]), std::stoull(expected[r][c])) << names[c];
      } else {
        EXPECT_EQ(rows[r].texts[c], expected[r][c]) << names[c];
      }
    }
  }
}

TEST_F(SnmpLabTest, UnknownObjectNameSendsNoPacket) {
  tesmo::CSilentPeer peer;
  tesmo::SnmpTarget target = tesmo::LabAgent();
  target.port = peer.port;
  target.timeoutMs = 100;
  target.retries = 0;
  tesmo::CStatusLog log;
  std::vector<SnmpVarRequest> requests(2);
  requests[0].objectId = "system.sysDescr.0";
  requests[1].objectId = "system.noSuchObject.0";
  int status = -1;
  EXPECT_EQ(tesmo::SnmpGet(requests, status, target), 1);
  tesmo::SnmpWalkState state;
  EXPECT_EQ(tesmo::SnmpGetNext(requests, state, status, target), 1);
  EXPECT_EQ(tesmo::SnmpSet("system.noSuchObject.0", "x", 's', status, target), 1);
  EXPECT_EQ(peer.Received(300), 0);
  EXPECT_EQ(log.StdTexts(), (std::vector<std::string>{
                                "Invalid object identifier: system.noSuchObject.0",
                                "snmpget: invalids oid founds",
                                "Invalid object identifier: system.noSuchObject.0",
                                "snmpgetnext: invalids oid founds",
                                "Invalid object identifier: system.noSuchObject.0",
                                "snmpset: invalids oid founds",
                            }));
  // The same socket does see a request that parses.
  requests.resize(1);
  EXPECT_EQ(tesmo::SnmpGet(requests, status, target), 2);
  EXPECT_EQ(peer.Received(300), 1);
}

TEST_F(SnmpLabTest, SilentPortTimesOutAfterEveryRetry) {
  tesmo::CSilentPeer peer;
  tesmo::SnmpTarget target = tesmo::LabAgent();
  target.port = peer.port;
  target.timeoutMs = 200;
  target.retries = 2;
  tesmo::CStatusLog log;
  std::vector<SnmpVarRequest> requests(1);
  requests[0].objectId = ".1.3.6.1.2.1.1.1.0";
  int status = -1;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(tesmo::SnmpGet(requests, status, target), 2);
  auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::steady_clock::now() - start)
                     .count();
  EXPECT_GE(elapsed, 3 * 200 - 20);
  EXPECT_LT(elapsed, 3 * 200 + 2000);
  EXPECT_EQ(peer.Received(100), 3);  // the request and two retransmissions
  EXPECT_EQ(log.StdTexts().back(), "No SNMP Response from 127.0.0.1");

  tesmo::SnmpWalkState state;
  EXPECT_EQ(tesmo::SnmpGetNext(requests, state, status, target), 2);
  EXPECT_EQ(log.StdTexts().back(), "No SNMP Response from 127.0.0.1");
  EXPECT_EQ(tesmo::SnmpSet("system.sysContact.0", "x", 's', status, target), 2);
  EXPECT_EQ(log.StdTexts().back(), "No SNMP Response from 127.0.0.1");
}

}  // namespace
