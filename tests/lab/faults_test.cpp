// Faults of the network against real peers (tests/lab/lab.d/faults.up): one
// link from this namespace to the server's, through a relay that the tests
// tell to lose 30 % of the frames, to forward nothing, or to kill the agent or
// the name server in the middle of a reply. Over a lossy link retries do
// their work; on a dead link Stop ends every job within 200 ms; a peer that
// dies leaves the rows and lines fetched so far and an error, never a hang.
#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "core/base/job_control.h"
#include "core/base/job_runner.h"
#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/net/resolver_state.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/snmp_request.h"
#include "support/lab_agents.h"
#include "support/qt_print.h"
#include "support/status_log.h"
#include "support/table_jobs.h"
#include "tools/discovery/discovery.h"
#include "tools/nslookup/dns_batch.h"
#include "tools/reachability/ping_loop.h"

namespace tesmo {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// The server's addresses (faults.up): agent and name server, and ten more
// that answer echoes.
constexpr char kServer[] = "10.73.1.1";
constexpr char kFirstHost[] = "10.73.1.10";
constexpr uint32_t kHosts = 10;
// ipRouteTable of the server: its link and 10.74.0.0/24 ... 10.74.23.0/24.
constexpr int kRoutes = 25;
constexpr int kZoneAddresses = 3000;

std::string LabFile(const std::string& name) {
  return qEnvironmentVariable("TESMO_LAB_DIR").toStdString() + "/" + name;
}

// The relay's control file (see chain-relay.py), written anew each time so
// the relay always sees a change.
void SetLink(const std::string& command) {
  const std::string path = LabFile("faults-link");
  std::ofstream(path + ".new", std::ios::trunc) << command << "\n";
  std::rename((path + ".new").c_str(), path.c_str());
}

// IPv4 frames the relay has dropped since it started.
int DroppedFrames() {
  std::ifstream file(LabFile("faults-link.count"));
  std::string word;
  int count = 0;
  while (file >> word) {
    if (word == "dropped") file >> count;
  }
  return count;
}

DnsBatchResult Dns(const std::string& name, const std::string& type, bool list = false,
                   const std::atomic<int>* stop = nullptr) {
  DnsBatchOptions options;
  options.name = name;
  options.type = type;
  options.list = list;
  return RunDnsBatch(options, stop);
}

// A grid of its own for one job.
struct CJobGrid {
  CJobGrid() { table.ResetGrid(&grid, 2, 2); }
  QStringList Column(int c) const {
    QStringList cells;
    for (int r = 1; r < grid.Rows(); ++r) cells << grid.TextAt(r, c);
    return cells;
  }
  CGridData grid;
  CTableGrid table;
};

// Destinations as the Routing Table page shows them, in its order.
QStringList RouteDestinations(int count) {
  QStringList destinations;
  destinations << "010.073.001.000";
  for (int i = 0; i + 1 < count; ++i) destinations << QString::asprintf("010.074.%03d.000", i);
  destinations.sort();
  return destinations;
}

class FaultsLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("TESMO_LAB_DIR"), nullptr) << "runs inside the lab only";
    LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
    SetResolverTimeout(1);
    SetResolverRetries(3);
    ApplyDnsServerList(kServer);
    ApplyDnsSearchList(" ");
  }
  static void TearDownTestSuite() { FreeMibs(); }

  // A daemon killed by an earlier test is back (its keeper starts it again
  // 2 s after it died).
  void SetUp() override {
    SetLink("");
    const auto giveUp = Clock::now() + std::chrono::seconds(15);
    bool agent = false, server = false;
    while (!(agent && server) && Clock::now() < giveUp) {
      SnmpVarRequest name{".1.3.6.1.2.1.1.5.0", {}, 0};
      int status = 0;
      agent = agent || (SnmpGet(std::span(&name, 1), status, LabAgent(kServer, 161, 300, 0)) ==
                        kSnmpResponse);
      server = server || Dns("mail.fault.test", "A").exitCode == 0;
      if (!(agent && server)) std::this_thread::sleep_for(milliseconds(200));
    }
    ASSERT_TRUE(agent) << "the lab's agent does not answer";
    ASSERT_TRUE(server) << "the lab's name server does not answer";
  }
  void TearDown() override { SetLink(""); }
};

TEST_F(FaultsLab, TableWalkOverALossyLinkGetsEveryRow) {
  SetLink("loss 30");
  const int droppedBefore = DroppedFrames();
  CStatusLog status;
  CJobGrid g;
  // One retry always gets through the evenly spread loss; a second for good measure.
  const TableJobOutcome outcome =
      RunPageJob(RouteTable(), g.table, LabAgent(kServer, 161, 100, 2), {false});
  EXPECT_TRUE(outcome.answered);
  // Every IPv4 route, then the server namespace's own IPv6 routes (its
  // loopback's and link's), read over the same lossy link.
  const QStringList destinations = g.Column(1);
  ASSERT_GE(destinations.size(), kRoutes);
  EXPECT_EQ(outcome.rows, destinations.size());
  EXPECT_EQ(destinations.mid(0, kRoutes), RouteDestinations(kRoutes));
  for (const QString& destination : destinations.mid(kRoutes))
    EXPECT_TRUE(destination.contains(':')) << destination.toStdString();
  EXPECT_EQ(status.Texts().value(status.Texts().size() - 1), "Ready");
  EXPECT_GT(DroppedFrames() - droppedBefore, kRoutes / 3) << "the link lost nothing";
}

TEST_F(FaultsLab, PingLoopOverALossyLinkCountsEveryLoss) {
  SetLink("loss 30");
  const int droppedBefore = DroppedFrames();
  CPingLoop loop;
  PingSettings settings;
  settings.mustBePinged = true;
  settings.timeBetweenPing = 0;
  settings.timeout = 200;
  loop.SetSettings(settings);
  loop.SetTarget({true, kFirstHost});
  loop.Start();
  const auto giveUp = Clock::now() + std::chrono::seconds(30);
  while (loop.Statistics().sent < 20 && Clock::now() < giveUp) {
    std::this_thread::sleep_for(milliseconds(10));
  }
  loop.Stop();
  const PingStatistics s = loop.Statistics();
  ASSERT_GE(s.sent, 20u);
  EXPECT_GT(s.received, 0u);
  EXPECT_LT(s.received, s.sent);
  // One line per echo, a lost one says so, and the last line counts them all.
  const std::vector<std::string> lines = loop.History().Lines();
  EXPECT_EQ(lines.size(), s.sent);
  size_t lost = 0;
  for (const std::string& line : lines) {
    if (line.ends_with(std::string("<") + kUnreachableText + ">)")) ++lost;
  }
  EXPECT_EQ(lost, s.sent - s.received);
  char counts[64];
  std::snprintf(counts, sizeof counts, "(%4u/%4u : %3u%%", s.received, s.sent,
                s.received * 100 / s.sent);
  EXPECT_NE(s.line.find(counts), std::string::npos) << s.line;
  EXPECT_GE(DroppedFrames() - droppedBefore, 6);
}

TEST_F(FaultsLab, SweepOverALossyLinkRetriesTheHostsItMissed) {
  SetLink("loss 30");
  std::mutex mutex;
  std::map<uint32_t, std::vector<bool>> answers;  // per host, each echo: answered?
  DiscoveryHooks hooks;
  hooks.echo = [&](const EchoRequest& request) {
    const EchoResult result = SendEcho(request);
    std::lock_guard lock(mutex);
    answers[request.address].push_back(result.state == EchoState::Reply);
    return result;
  };
  DiscoveryOptions options;
  options.firstHost = kFirstHost;
  options.hostCount = kHosts;
  options.threads = 4;
  options.rounds = 4;
  options.initialTimeoutMs = 200;
  options.timeoutIncrementMs = 200;
  options.resolveNames = false;
  CJobGrid g;
  DiscoveryOutcome outcome;
  RunJobHere([&] { outcome = RunDiscovery(g.table, options, {}, hooks); });

  EXPECT_EQ(outcome.reachable + outcome.unreachable, kHosts);
  EXPECT_EQ(outcome.refused, 0u);
  int missedThenFound = 0, lostEchoes = 0;
  for (uint32_t i = 0; i < kHosts; ++i) {
    const std::vector<bool>& echoes = answers[*ParseAddressText(kFirstHost) + i];
    SCOPED_TRACE(testing::Message() << "host " << i);
    ASSERT_FALSE(echoes.empty());
    // Pinged until it answered, and never after; or all four passes in vain.
    const bool found = echoes.back();
    for (size_t k = 0; k + 1 < echoes.size(); ++k) EXPECT_FALSE(echoes[k]);
    EXPECT_EQ(echoes.size() == 4 || found, true);
    const QString status = g.grid.TextAt(static_cast<int>(i) + 1, 3);
    EXPECT_EQ(g.grid.CellColourAt(static_cast<int>(i) + 1, 3),
              found ? kDiscoveryReachableColour : kDiscoveryNoReplyColour)
        << status;
    if (found && echoes.size() > 1) ++missedThenFound;
    lostEchoes += static_cast<int>(std::count(echoes.begin(), echoes.end(), false));
  }
  EXPECT_GT(lostEchoes, 0) << "the link lost no echo";
  EXPECT_GT(missedThenFound, 0) << "no later pass found a host the first one missed";
}

TEST_F(FaultsLab, DnsLookupsOverALossyLinkAreAnswered) {
  SetLink("loss 30");
  const int droppedBefore = DroppedFrames();
  const struct {
    const char* name;
    const char* type;
    const char* line;  // one line of the answer
  } cases[] = {
      {"mail.fault.test", "A", "Address:  10.73.2.25"},
      {"txt.fault.test", "TXT", "txt.fault.test text = \"lossy\" \"link\""},
  };
  for (const auto& c : cases) {
    const DnsBatchResult result = Dns(c.name, c.type);
    EXPECT_EQ(result.exitCode, 0) << c.name;
    EXPECT_EQ(result.lines.front(), "Server:  ns1.fault.test") << c.name;
    EXPECT_NE(std::find(result.lines.begin(), result.lines.end(), c.line), result.lines.end())
        << c.name << ": " << testing::PrintToString(result.lines);
  }
  EXPECT_GT(DroppedFrames() - droppedBefore, 0) << "the link lost nothing";
}

// Each job started with the link dead, stopped while it waits for the
// network: it must end within 200 ms of the stop.
TEST_F(FaultsLab, StopAnswersWithin200MsOnADeadLink) {
  SetLink("hold");
  CPingLoop loop;
  PingSettings ping;
  ping.mustBePinged = true;
  ping.timeout = 5000;
  loop.SetSettings(ping);
  loop.SetTarget({true, kFirstHost});
  CJobGrid g;
  DiscoveryOptions sweep;
  sweep.firstHost = kFirstHost;
  sweep.hostCount = kHosts;
  sweep.initialTimeoutMs = 5000;
  sweep.resolveNames = false;
  const struct {
    const char* name;
    std::function<void()> job;  // on the job's thread; ends at the stop flag
  } cases[] = {
      {"table walk",
       [&] { RunTableJob(RouteTable(), {false}, g.table, LabAgent(kServer, 161, 5000, 3)); }},
      {"ping loop", [&] { loop.RunEchoes(kFirstHost, 1000, StopFlag); }},
      {"sweep", [&] { RunDiscovery(g.table, sweep, {}); }},
      {"DNS lookup", [&] { Dns("mail.fault.test", "A", false, &StopFlag); }},
  };
  for (const auto& c : cases) {
    const int droppedBefore = DroppedFrames();
    CJobRunner runner;
    ASSERT_TRUE(runner.Start(c.job)) << c.name;
    std::this_thread::sleep_for(milliseconds(400));
    EXPECT_TRUE(runner.Running()) << c.name << " ended on a dead link before the stop";
    const auto stopAt = Clock::now();
    runner.Cancel();
    runner.Wait();
    EXPECT_LT(Clock::now() - stopAt, milliseconds(200)) << c.name;
    EXPECT_GT(DroppedFrames(), droppedBefore) << c.name << " sent nothing";
  }

  // The ping loop of the Reachability page stops through its own flag.
  loop.Start();
  std::this_thread::sleep_for(milliseconds(400));
  const auto stopAt = Clock::now();
  loop.Stop();
  EXPECT_LT(Clock::now() - stopAt, milliseconds(200)) << "ping loop thread";
}

TEST_F(FaultsLab, AgentKilledInTheMiddleOfAWalkKeepsTheRowsFetched) {
  // The agent dies right after its 15th answer, one row each.
  constexpr int kAnswered = 15;
  SetLink("kill-after " + std::to_string(kAnswered) + " " + LabFile("faults-snmpd.daemon"));
  CStatusLog status;
  CJobGrid g;
  const auto start = Clock::now();
  const TableJobOutcome outcome =
      RunPageJob(RouteTable(), g.table, LabAgent(kServer, 161, 300, 1), {false});
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
  EXPECT_FALSE(outcome.answered);
  EXPECT_EQ(outcome.rows, kAnswered);
  EXPECT_EQ(g.Column(1), RouteDestinations(kRoutes).mid(0, kAnswered));
  EXPECT_EQ(g.table.StatusLabel(), EntryCountText(kAnswered));
  EXPECT_EQ(status.Texts().value(status.Texts().size() - 1),
            QStringLiteral("No SNMP Response from %1").arg(kServer));
}

TEST_F(FaultsLab, NameServerDyingInTheMiddleOfAZoneTransferKeepsTheLinesListed) {
  SetLink("kill-after 20 " + LabFile("faults-named.daemon"));
  const auto start = Clock::now();
  const DnsBatchResult result = Dns("fault.test", "ANY", true);
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(result.exitCode, 2);
  ASSERT_GE(result.lines.size(), 4u);
  EXPECT_EQ(result.lines[0], "[ns1.fault.test]");
  // The records that came, in the zone's own form, then the count of them
  // and the error.
  static const QRegularExpression address(R"(^ h(\d+) +A     10\.75\.(\d+)\.(\d+)$)");
  static const QRegularExpression count(R"(^Received (\d+) answers? \((\d+) records?\)\.$)");
  size_t listed = 0, addresses = 0, at = 1;
  for (; at < result.lines.size() && result.lines[at].rfind("Received ", 0) != 0; ++at) {
    const QString line = QString::fromStdString(result.lines[at]);
    if (line.isEmpty()) continue;
    ++listed;
    const QRegularExpressionMatch m = address.match(line);
    if (!m.hasMatch()) continue;
    ++addresses;
    const int n = m.captured(1).toInt();
    EXPECT_EQ(m.captured(2).toInt() * 256 + m.captured(3).toInt(), n) << line;
  }
  EXPECT_GT(addresses, 10u) << "nothing listed before the server died";
  EXPECT_LT(addresses, static_cast<size_t>(kZoneAddresses)) << "the server did not die";
  ASSERT_LT(at, result.lines.size());
  const QRegularExpressionMatch received = count.match(QString::fromStdString(result.lines[at]));
  ASSERT_TRUE(received.hasMatch()) << result.lines[at];
  EXPECT_EQ(received.captured(2).toULongLong(), listed);
  ASSERT_LT(at + 1, result.lines.size());
  EXPECT_EQ(result.lines[at + 1].rfind("*** ", 0), 0u) << result.lines[at + 1];
}

}  // namespace
}  // namespace tesmo
