// The continuous trace's numbers (hop statistics, counter rates) over tables
// of cases, and its rounds over a scripted path: every hop probed at once,
// statistics in place of the rows the trace wrote, every address a hop
// answered from, and Stop ending rounds that would go on for ever.
#include "tools/traceroute/trace_rounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_status.h"
#include "support/status_log.h"

namespace tesmo {
namespace {

TEST(TraceRounds, HopStatisticsOverTheProbes) {
  const struct {
    std::vector<std::optional<double>> probes;
    unsigned received;
    double loss;
    const char *last, *average, *best, *worst, *deviation;
  } cases[] = {
      {{}, 0, 0, "", "", "", "", ""},
      {{std::nullopt, std::nullopt}, 0, 100, "", "", "", "", ""},
      {{4.0}, 1, 0, "4.0", "4.0", "4.0", "4.0", "0.0"},
      {{2.0, 4.0, 4.0, 4.0, 5.0, 5.0, 7.0, 9.0}, 8, 0, "9.0", "5.0", "2.0", "9.0", "2.0"},
      // The last answer stays the last round trip when later probes are lost.
      {{1.5, std::nullopt, 3.5, std::nullopt}, 2, 50, "3.5", "2.5", "1.5", "3.5", "1.0"},
      {{10.0, std::nullopt, std::nullopt}, 1, 100.0 * 2 / 3, "10.0", "10.0", "10.0", "10.0", "0.0"},
  };
  for (const auto& c : cases) {
    HopStats stats;
    for (const auto& probe : c.probes) stats.Add(probe, probe ? "10.0.0.1" : "");
    EXPECT_EQ(stats.Sent(), c.probes.size());
    EXPECT_EQ(stats.Received(), c.received);
    EXPECT_NEAR(stats.LossPercent(), c.loss, 1e-9);
    EXPECT_EQ(OneDecimalText(stats.LastMs()), c.last);
    EXPECT_EQ(OneDecimalText(stats.AverageMs()), c.average);
    EXPECT_EQ(OneDecimalText(stats.BestMs()), c.best);
    EXPECT_EQ(OneDecimalText(stats.WorstMs()), c.worst);
    EXPECT_EQ(OneDecimalText(stats.StdDevMs()), c.deviation) << c.probes.size() << " probes";
  }
}

TEST(TraceRounds, AHopKeepsEveryAddressOnceInTheOrderSeen) {
  HopStats stats;
  stats.AddAddress("10.0.0.1");
  for (const char* from : {"10.0.0.2", "", "10.0.0.1", "10.0.0.2", "10.0.0.3"})
    stats.Add(from[0] ? std::optional<double>(1.0) : std::nullopt, from);
  EXPECT_EQ(stats.Addresses(), (std::vector<std::string>{"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
}

TEST(TraceRounds, CounterRatesAcrossWrapsAndWidths) {
  EXPECT_EQ(CounterGrowth(10, 25, false), 15u);
  EXPECT_EQ(CounterGrowth(0xFFFFFFF0u, 0x10, false), 0x20u);
  EXPECT_EQ(CounterGrowth(0xFFFFFFFFFFFFFFF0u, 0x10, true), 0x20u);
  EXPECT_EQ(CounterGrowth(5, 5, true), 0u);

  const auto poll = [](double at, uint64_t errors, uint64_t discards, uint64_t octets, bool wide,
                       uint64_t speed) {
    InterfaceCounters c;
    c.atSeconds = at;
    c.inErrors = errors;
    c.outErrors = errors;
    c.inDiscards = discards;
    c.outDiscards = 0;
    c.inOctets = octets;
    c.outOctets = 0;
    c.highCapacity = wide;
    c.speedBitsPerSecond = speed;
    return c;
  };
  const struct {
    InterfaceCounters before, after;
    std::optional<double> errors, discards, utilisation;
  } cases[] = {
      // 2 s, 10 errors each way, 8 discards, 250,000 octets in: 1 Mb/s of 10.
      {poll(1, 0, 0, 0, false, 10000000), poll(3, 10, 8, 250000, false, 10000000), 10.0, 4.0, 10.0},
      // The 32-bit octets wrapped.
      // The 32-bit octets wrapped: 512 octets in a second of 4096 b/s.
      {poll(0, 0, 0, 0xFFFFFF00u, false, 4096), poll(1, 0, 0, 0x100, false, 4096), 0.0, 0.0, 100.0},
      // Speed unknown: no utilisation.
      {poll(0, 1, 1, 0, true, 0), poll(4, 3, 5, 1000, true, 0), 1.0, 1.0, std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::optional<InterfaceRates> rates = RatesBetween(cases[i].before, cases[i].after);
    ASSERT_TRUE(rates) << i;
    EXPECT_NEAR(rates->errorsPerSecond, *cases[i].errors, 1e-9) << i;
    EXPECT_NEAR(rates->discardsPerSecond, *cases[i].discards, 1e-9) << i;
    if (cases[i].utilisation) {
      ASSERT_TRUE(rates->utilisationPercent) << i;
      EXPECT_NEAR(*rates->utilisationPercent, *cases[i].utilisation, 1e-9) << i;
    }
  }
  // No time between the polls, or counters of another width: no rates.
  EXPECT_FALSE(RatesBetween(poll(2, 0, 0, 0, false, 1), poll(2, 1, 1, 1, false, 1)));
  EXPECT_FALSE(RatesBetween(poll(1, 0, 0, 0, false, 1), poll(2, 1, 1, 1, true, 1)));
}

// A path of three hops behind TTLs 1, 2, 3: hop 2 answers every other probe
// and from two addresses in turn; the destination answers every echo.
struct CScriptedPath {
  static constexpr unsigned kHops = 3;
  EchoResult operator()(const EchoRequest& request) {
    unsigned probe = 0;
    {
      std::unique_lock lock(mutex);
      probe = ++probesOfTtl[request.ttl];
      ++inFlight;
      maxInFlight = std::max(maxInFlight, inFlight);
      // Past the trace's three of each TTL, a round's probe answers only
      // once the round's others are out too (or after two seconds).
      if (++arrived[probe] == kHops) wake.notify_all();
      if (probe > 3)
        wake.wait_for(lock, std::chrono::seconds(2), [&] { return arrived[probe] >= kHops; });
    }
    EchoResult result;
    const unsigned hop = std::min(request.ttl, kHops);
    if (hop == 2 && probe % 2 == 0) {
      result.state = EchoState::NoReply;
    } else {
      result.state = EchoState::Reply;
      result.status = hop == kHops ? kEchoSuccess : kEchoTtlExpiredTransit;
      const char* from = hop == 1   ? "10.9.1.1"
                         : hop == 2 ? (probe % 4 == 1 ? "10.9.2.1" : "10.9.2.5")
                                    : "10.9.3.3";
      result.from = *ParseIpAddress(from);
      result.source = result.from.V4Value();
      result.roundTripUs = 1000u * hop + (probe % 2) * 400;
      result.roundTripMs = static_cast<uint32_t>(result.roundTripUs / 1000);
    }
    std::lock_guard lock(mutex);
    --inFlight;
    return result;
  }
  std::mutex mutex;
  std::condition_variable wake;
  std::map<unsigned, unsigned> probesOfTtl;
  std::map<unsigned, unsigned> arrived;  // by probe number
  unsigned inFlight = 0, maxInFlight = 0;
};

TEST(TraceRounds, RoundsProbeEveryHopAtOnceAndFillTheirRowsInPlace) {
  CScriptedPath path;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  TraceOptions options;
  options.destination = "10.9.3.3";
  options.resolveNames = false;
  options.continuous = true;
  options.rounds = 4;
  options.intervalMs = 0;
  TraceHooks hooks;
  hooks.echo = [&](const EchoRequest& request) { return path(request); };
  std::atomic<int> stop{0};
  TraceOutcome outcome;
  // The trace's probes go one at a time; the rounds' all at once.
  RunJobHere([&] { outcome = RunTrace(table, options, JobContext({}, &stop), hooks); });
  EXPECT_EQ(outcome.end, TraceEnd::Reached);
  EXPECT_EQ(outcome.rounds, 4u);
  EXPECT_EQ(path.maxInFlight, CScriptedPath::kHops);
  ASSERT_EQ(grid.Rows(), 4);
  ASSERT_EQ(grid.Cols(), 13);
  const QStringList titles = {"nb.",    "hop",  "name", "time0", "time1", "time2", "sent",
                              "loss %", "last", "avg",  "best",  "worst", "stdev"};
  for (int c = 0; c < grid.Cols(); ++c) EXPECT_EQ(grid.TextAt(0, c), titles[c]);
  // Four rounds after the trace's three probes of each TTL: probes 4..7.
  // Hop 2: the trace named it by its last answer (probe 3), the rounds heard
  // the other address too.
  const struct {
    const char* hop;
    const char *sent, *loss, *last, *average, *best, *worst, *deviation;
  } rows[] = {
      {"10.9.1.1", "4", "0.0", "1.4", "1.2", "1.0", "1.4", "0.2"},
      {"10.9.2.5\n10.9.2.1", "4", "50.0", "2.4", "2.4", "2.4", "2.4", "0.0"},
      {"10.9.3.3", "4", "0.0", "3.4", "3.2", "3.0", "3.4", "0.2"},
  };
  for (int r = 1; r <= 3; ++r) {
    const auto& e = rows[r - 1];
    const QStringList expected = {e.hop,     e.sent, e.loss,  e.last,
                                  e.average, e.best, e.worst, e.deviation};
    QStringList cells = {grid.TextAt(r, 1)};
    for (int c = 6; c < 13; ++c) cells << grid.TextAt(r, c);
    EXPECT_EQ(cells, expected) << "hop " << r;
    EXPECT_EQ(outcome.path[r - 1].stats.Sent(), 4u);
  }
  // The trace's own columns keep what it found.
  EXPECT_EQ(grid.TextAt(1, 3), "1 ms ");
  EXPECT_TRUE(table.SortMenuEnabled());
}

TEST(TraceRounds, StopEndsRoundsThatWouldGoOnForEver) {
  CScriptedPath path;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  TraceOptions options;
  options.destination = "10.9.3.3";
  options.resolveNames = false;
  options.continuous = true;
  options.rounds = 0;
  options.intervalMs = 60000;
  TraceHooks hooks;
  hooks.echo = [&](const EchoRequest& request) { return path(request); };
  std::atomic<int> stop{0};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    stop = 1;
  });
  TraceOutcome outcome;
  CStatusLog log;
  RunJobHere([&] { outcome = RunTrace(table, options, JobContext({}, &stop), hooks); });
  stopper.join();
  EXPECT_TRUE(log.Texts().contains("Stopped after 1 round(s)"))
      << log.Texts().join("|").toStdString();
  EXPECT_TRUE(outcome.roundsEnded);
  EXPECT_EQ(outcome.rounds, 1u);
  EXPECT_EQ(grid.TextAt(2, 6), "1");
}

}  // namespace
}  // namespace tesmo
