// The continuous trace over the chain lab (lab.d/chain.up): loss made on the
// r1-r2 link shows at r2 and beyond, never before, with round trips that
// agree with ping's; and a router interface made to discard shows in the
// health columns of its hop only. Runs in the lab's client namespace.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/net/resolver_state.h"
#include "support/lab_agents.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {
namespace {

std::string LabFile(const std::string& name) {
  return std::string(std::getenv("TESMO_LAB_DIR")) + "/" + name;
}

// What the relay between r1 and r2 does ("" forwards everything).
void SetRelay(const char* mode) {
  std::ofstream(LabFile("chain-drop"), std::ios::trunc) << mode << "\n";
}

// "(index) name" of a router's link, as the harness recorded it.
std::string Interface(const std::string& router, const std::string& link) {
  std::ifstream file(LabFile("chain-ifindex"));
  for (std::string r, name, index; file >> r >> name >> index;) {
    if (r == router && name == link) return "(" + index + ") " + name;
  }
  return {};
}

struct CJobGrid {
  CJobGrid() { table.ResetGrid(&grid, 2, 2); }
  int Column(const char* title) const {
    int c = grid.Cols() - 1;  // -1 when there is no such column
    while (c >= 0 && grid.TextAt(0, c) != title) --c;
    return c;
  }
  QString Cell(int row, const char* title) const { return grid.TextAt(row, Column(title)); }
  CGridData grid;
  CTableGrid table;
};

class TraceRoundsLab : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ApplyDnsServerList("127.0.0.1"); }
  void SetUp() override { SetRelay(""); }
  void TearDown() override { SetRelay(""); }
};

// ping's average round trip, from its summary line; -1 without one.
double PingAverage(const std::string& output) {
  static const QRegularExpression summary(R"(= [\d.]+/([\d.]+)/)");
  const auto match = summary.match(QString::fromStdString(output));
  return match.hasMatch() ? match.captured(1).toDouble() : -1;
}

const std::vector<std::string> kHops = {"10.72.1.1", "10.72.2.2", "10.72.3.2", "10.72.4.2"};

// Rounds to the far host; when the trace's probes are done (its 4 hops x 3
// echoes), start() runs once, beside the rounds.
TraceOutcome RunRounds(CJobGrid& g, unsigned rounds, unsigned intervalMs,
                       const std::function<void()>& start) {
  TraceOptions options;
  options.destination = "10.72.4.2";
  options.resolveNames = false;
  options.continuous = true;
  options.rounds = rounds;
  options.intervalMs = intervalMs;
  std::atomic<int> echoes{0};
  TraceHooks hooks;
  hooks.echo = [&](const EchoRequest& request) {
    if (++echoes == 13) start();
    return SendEcho(request);
  };
  TraceOutcome outcome;
  RunJobHere([&] { outcome = RunTrace(g.table, options, {}, hooks); });
  EXPECT_EQ(outcome.end, TraceEnd::Reached);
  EXPECT_EQ(outcome.rounds, rounds);
  EXPECT_EQ(outcome.path.size(), kHops.size());
  return outcome;
}

TEST_F(TraceRoundsLab, LossOnOneLinkShowsAtTheHopsBehindItOnly) {
  constexpr unsigned kRounds = 20;
  CJobGrid g;
  // The trace itself goes over a clean path; the relay drops 3 of every 10
  // frames between r1 and r2 once the rounds begin.
  const TraceOutcome outcome = RunRounds(g, kRounds, 200, [] { SetRelay("loss 30"); });
  ASSERT_EQ(outcome.path.size(), kHops.size());
  for (size_t h = 0; h < kHops.size(); ++h) {
    SCOPED_TRACE("hop " + std::to_string(h + 1));
    const HopStats& stats = outcome.path[h].stats;
    EXPECT_EQ(stats.Sent(), kRounds);
    EXPECT_EQ(g.Cell(static_cast<int>(h) + 1, "loss %").toStdString(),
              OneDecimalText(stats.LossPercent()));
    // r1 is before the lossy link; every hop behind it loses probes.
    EXPECT_EQ(stats.LossPercent() > 0, h > 0);
    EXPECT_LT(stats.LossPercent(), 100.0);
  }
}

// Each hop's average against ping's of the hop's address over the same
// seconds: within a millisecond.
TEST_F(TraceRoundsLab, AveragesAgreeWithPingOfEachHop) {
  constexpr unsigned kRounds = 50;
  const std::string pingLog = LabFile("trace-rounds-ping-");
  CJobGrid g;
  const TraceOutcome outcome = RunRounds(g, kRounds, 100, [&] {
    for (size_t h = 0; h < kHops.size(); ++h) {
      const std::string command = "ping -n -q -c 50 -i 0.1 -W 2 " + kHops[h] + " >" + pingLog +
                                  std::to_string(h) + " 2>&1 &";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
  });
  ASSERT_EQ(outcome.path.size(), kHops.size());
  // The pings (50 at 0.1 s, 2 s for the last answer) are done by now, or soon.
  std::vector<double> pinged(kHops.size(), -1);
  for (int wait = 0; wait < 100 && std::ranges::count(pinged, -1.0) > 0; ++wait) {
    if (wait > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    for (size_t h = 0; h < kHops.size(); ++h) {
      std::stringstream text;
      text << std::ifstream(pingLog + std::to_string(h)).rdbuf();
      pinged[h] = PingAverage(text.str());
    }
  }
  for (size_t h = 0; h < kHops.size(); ++h) {
    SCOPED_TRACE("hop " + std::to_string(h + 1));
    const HopStats& stats = outcome.path[h].stats;
    ASSERT_TRUE(stats.AverageMs());
    ASSERT_GE(pinged[h], 0) << "no ping summary";
    EXPECT_NEAR(*stats.AverageMs(), pinged[h], 1.0) << "stdev " << *stats.StdDevMs();
  }
  // The far host is 20 ms away and the routers next door.
  EXPECT_GE(*outcome.path[3].stats.BestMs(), 20.0);
  EXPECT_LT(*outcome.path[0].stats.AverageMs(), 10.0);
}

// A router interface that discards: r2's link towards r3 (r2n) gets frames of
// an ethertype its kernel has no use for while the rounds run. The health
// columns show discards on r2's output interface, and on no other
// interface of the path, in both modes that ask the routers: r2 is hop 2 of
// the three with an agent.
TEST_F(TraceRoundsLab, ARouterInterfaceThatDiscardsShowsAtItsHopOnly) {
  const std::string frames = "ip netns exec " + std::string(std::getenv("TESMO_LAB_NETNS")) +
                             "-chr3 " + std::string(std::getenv("TESMO_SOURCE_DIR")) +
                             "/tests/lab/lab.d/chain-unknown-frames.py r3p 400 25 &";
  for (const bool icmp : {true, false}) {
    SCOPED_TRACE(icmp ? "ICMP, ask routers" : "SNMP");
    CJobGrid g;
    TraceOptions options;
    options.destination = "10.72.4.2";
    options.resolveNames = false;
    options.icmpMode = icmp;
    options.askRouters = true;
    options.continuous = true;
    options.rounds = 2;
    // The agents read the kernel's counters again after a few seconds.
    options.intervalMs = 4000;
    ASSERT_EQ(std::system(frames.c_str()), 0);
    TraceOutcome outcome;
    RunJobHere([&] {
      outcome = RunTrace(g.table, options, JobContext(LabAgent("10.72.1.1", 161, 300, 1)));
    });
    ASSERT_EQ(outcome.rounds, 2u);
    ASSERT_GE(outcome.path.size(), 3u);
    EXPECT_EQ(g.Cell(2, "in int").toStdString(), Interface("r2", "r2p"));
    EXPECT_EQ(g.Cell(2, "out int").toStdString(), Interface("r2", "r2n"));
    for (int row = 1; row <= 3; ++row) {
      SCOPED_TRACE("hop " + std::to_string(row));
      const TraceHop& hop = outcome.path[row - 1];
      ASSERT_TRUE(hop.input.rates && hop.output.rates);
      const bool r2 = row == 2;
      EXPECT_EQ(hop.output.rates->discardsPerSecond > 0, r2);
      EXPECT_EQ(hop.input.rates->discardsPerSecond, 0.0);
      EXPECT_EQ(hop.input.rates->errorsPerSecond + hop.output.rates->errorsPerSecond, 0.0);
      // The grid shows it, and the cell stands out.
      const int column = g.Column("out disc/s");
      EXPECT_EQ(g.grid.TextAt(row, column).toDouble() > 0, r2);
      EXPECT_EQ(g.grid.CellColourAt(row, column) != CGridData::kNoColour, r2);
      EXPECT_FALSE(g.Cell(row, "in util %").isEmpty());
    }
  }
}

}  // namespace
}  // namespace tesmo
