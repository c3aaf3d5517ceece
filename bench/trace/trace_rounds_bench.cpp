// One round of the continuous trace: the wall time of probing every hop of
// a path at once, next to the sum of the hops' round trips (what probing
// them one after another would cost) and the farthest hop's round trip;
// then how long Stop takes to end rounds that would go on for ever.
//
//   trace_rounds_bench [DESTINATION [ROUNDS]]
//
// DESTINATION defaults to 10.72.4.2, the chain lab's far host four hops away
// behind a 20 ms round trip (bench/sweep/run-chain-benches sets up the lab).
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "core/grid/grid_data.h"
#include "core/icmp/ping_once.h"
#include "tools/traceroute/trace_rounds.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string destinationText = argc > 1 ? argv[1] : "10.72.4.2";
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  const std::optional<IpAddress> destination = ParseEchoAddress(destinationText);
  if (!destination) {
    std::fprintf(stderr, "trace_rounds_bench: %s is no address\n", destinationText.c_str());
    return 64;
  }
  QTemporaryDir settings;
  CSettingsStore::SetFilePath(settings.filePath(QStringLiteral("tesmo/tesmo.ini")));

  // The hops: TTLs up to the first that the destination answers.
  std::atomic<int> stop{0};
  unsigned hops = 0;
  for (unsigned ttl = 1; ttl <= kIcmpTraceHops && hops == 0; ++ttl) {
    const std::vector<RoundProbe> one = ProbeEveryHop(SendEcho, *destination, ttl, 1000, &stop);
    if (!one.back().localError.empty()) {
      std::fprintf(stderr, "trace_rounds_bench: %s\n", one.back().localError.c_str());
      return 1;
    }
    if (one.back().from == destination->Text()) hops = ttl;
  }
  if (hops == 0) {
    std::fprintf(stderr, "trace_rounds_bench: %s not reached\n", destinationText.c_str());
    return 2;
  }

  std::vector<double> wall, sum, farthest;
  for (int round = 0; round < rounds; ++round) {
    const Clock::time_point start = Clock::now();
    const std::vector<RoundProbe> probes = ProbeEveryHop(SendEcho, *destination, hops, 1000, &stop);
    const double ms = MsSince(start);
    double total = 0, far = 0;
    bool whole = true;
    for (const RoundProbe& probe : probes) {
      if (!probe.roundTripMs) whole = false;
      total += probe.roundTripMs.value_or(0);
      far = std::max(far, probe.roundTripMs.value_or(0));
    }
    // A lost probe waits out its time-out: no round trip to compare with.
    if (!whole) continue;
    wall.push_back(ms);
    sum.push_back(total);
    farthest.push_back(far);
  }
  std::printf("one round over %u hops to %s, all probes at once (%zu whole rounds of %d):\n", hops,
              destinationText.c_str(), wall.size(), rounds);
  std::printf("  round wall time          median %.1f ms\n", Median(wall));
  std::printf("  farthest hop round trip  median %.1f ms\n", Median(farthest));
  std::printf("  sum of hop round trips   median %.1f ms\n", Median(sum));

  // Stop in the middle of rounds that would go on for ever.
  std::vector<double> stops;
  for (int run = 0; run < 5; ++run) {
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    TraceOptions options;
    options.destination = destinationText;
    options.resolveNames = false;
    options.continuous = true;
    options.intervalMs = 1000;
    stop = 0;
    Clock::time_point stopped;
    std::thread job(
        [&] { RunJobHere([&] { RunTrace(table, options, JobContext({}, &stop), {}); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(1500 + 170 * run));
    stopped = Clock::now();
    stop = 1;
    job.join();
    stops.push_back(MsSince(stopped));
  }
  std::printf("Stop during the rounds ends the job in: median %.1f ms, worst %.1f ms\n",
              Median(stops), *std::max_element(stops.begin(), stops.end()));
  return 0;
}
