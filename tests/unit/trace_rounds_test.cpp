// The continuous trace's counter rates over a table of cases, and its rounds
// over a scripted path: every hop probed at once, statistics (with loss) in
// place of the rows the trace wrote, every address a hop answered from.
// (Stop during the rounds: the page test.)
#include "tools/traceroute/trace_rounds.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_status.h"

namespace tesmo {
namespace {

TEST(TraceRounds, CounterRatesAcrossWrapsAndWidths) {
  EXPECT_EQ(CounterGrowth(0xFFFFFFF0u, 0x10, false), 0x20u);
  EXPECT_EQ(CounterGrowth(0xFFFFFFFFFFFFFFF0u, 0x10, true), 0x20u);
  using C = InterfaceCounters;
  const struct {
    C before, after;
    std::optional<double> errors, discards, utilisation;
  } cases[] = {
      // 2 s: 20 errors, 8 discards, 250,000 octets in (1 Mb/s of 10).
      {{.speedBitsPerSecond = 10000000, .atSeconds = 1},
       {.inErrors = 10,
        .outErrors = 10,
        .inDiscards = 8,
        .inOctets = 250000,
        .speedBitsPerSecond = 10000000,
        .atSeconds = 3},
       10.0,
       4.0,
       10.0},
      // The 32-bit octets wrapped: 512 in a second of 4096 b/s; the busier
      // direction counts.
      {{.inOctets = 0xFFFFFF00u, .speedBitsPerSecond = 4096},
       {.inOctets = 0x100, .outOctets = 8, .speedBitsPerSecond = 4096, .atSeconds = 1},
       0.0,
       0.0,
       100.0},
      // Speed unknown: no utilisation.
      {{.highCapacity = true},
       {.outDiscards = 4, .highCapacity = true, .atSeconds = 4},
       0.0,
       1.0,
       std::nullopt},
      // No time between the polls, or counters of another width: no rates.
      {{.atSeconds = 2}, {.inErrors = 1, .atSeconds = 2}, std::nullopt, std::nullopt, std::nullopt},
      {{}, {.highCapacity = true, .atSeconds = 1}, std::nullopt, std::nullopt, std::nullopt},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    const std::optional<InterfaceRates> rates = RatesBetween(cases[i].before, cases[i].after);
    ASSERT_EQ(rates.has_value(), cases[i].errors.has_value()) << i;
    if (!rates) continue;
    EXPECT_NEAR(rates->errorsPerSecond, *cases[i].errors, 1e-9) << i;
    EXPECT_NEAR(rates->discardsPerSecond, *cases[i].discards, 1e-9) << i;
    ASSERT_EQ(rates->utilisationPercent.has_value(), cases[i].utilisation.has_value()) << i;
    if (cases[i].utilisation) {
      EXPECT_NEAR(*rates->utilisationPercent, *cases[i].utilisation, 1e-9) << i;
    }
  }
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

  // The trace to the path's end on table, then rounds (0: until stop).
  TraceOutcome Trace(CTableGrid& table, unsigned rounds, unsigned intervalMs,
                     const std::atomic<int>& stop) {
    TraceOptions options;
    options.destination = "10.9.3.3";
    options.resolveNames = false;
    options.continuous = true;
    options.rounds = rounds;
    options.intervalMs = intervalMs;
    TraceHooks hooks;
    hooks.echo = [this](const EchoRequest& request) { return (*this)(request); };
    TraceOutcome outcome;
    RunJobHere([&] { outcome = RunTrace(table, options, JobContext({}, &stop), hooks); });
    return outcome;
  }
};

TEST(TraceRounds, RoundsProbeEveryHopAtOnceAndFillTheirRowsInPlace) {
  CScriptedPath path;
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const std::atomic<int> stop{0};
  // The trace's probes go one at a time; the rounds' all at once.
  const TraceOutcome outcome = path.Trace(table, 4, 0, stop);
  EXPECT_EQ(outcome.end, TraceEnd::Reached);
  EXPECT_EQ(outcome.rounds, 4u);
  EXPECT_EQ(path.maxInFlight, CScriptedPath::kHops);
  ASSERT_EQ(grid.Rows(), 4);
  ASSERT_EQ(grid.Cols(), 13);
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

}  // namespace
}  // namespace tesmo
