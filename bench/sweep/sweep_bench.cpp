// Wall time of the IP discovery sweep over a /24, next to fping over the same
// addresses in the same run.
//
//   sweep_bench [FIRST_ADDRESS [COUNT]]   (default 10.72.10.1 254, the chain
//                                          lab's /24: 244 silent, 10 live)
//
// Three passes of 300, 800 and 1300 ms, once with the default 10 worker
// threads and once with one per address; names off, as fping does by
// default. bench/sweep/run-chain-benches sets up the lab and runs it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/grid/grid_data.h"
#include "core/net/address_text.h"
#include "tools/discovery/discovery.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// fping's wall time and the number of addresses it reported alive.
bool RunFping(const std::string& range, double& seconds, int& alive) {
  const std::string command = "fping -a -q -r 2 -t 300 -B 2.2 -i 1 -g " + range + " 2>/dev/null";
  const Clock::time_point start = Clock::now();
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  alive = 0;
  char line[256];
  while (std::fgets(line, sizeof line, pipe) != nullptr) ++alive;
  const int status = pclose(pipe);
  seconds = Since(start);
  // fping exits 1 when some targets are unreachable.
  return status != -1 && WEXITSTATUS(status) <= 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string first = argc > 1 ? argv[1] : "10.72.10.1";
  const uint32_t count = argc > 2 ? static_cast<uint32_t>(std::atoi(argv[2])) : 254;
  const auto firstAddress = ParseAddressText(first);
  if (!firstAddress || count == 0) {
    std::fprintf(stderr, "usage: sweep_bench [FIRST_ADDRESS [COUNT]]\n");
    return 64;
  }
  std::printf("sweep of %u addresses from %s, 3 passes 300/800/1300 ms\n", count, first.c_str());
  std::fflush(stdout);
  std::atomic<int> stop{0};
  const JobContext context(SnmpTarget{}, &stop);
  for (const uint32_t threads : {254u, 10u}) {
    DiscoveryOptions options;
    options.firstHost = first;
    options.hostCount = count;
    options.threads = threads;
    options.resolveNames = false;
    CGridData grid;
    CTableGrid table;
    table.ResetGrid(&grid, 2, 2);
    const Clock::time_point start = Clock::now();
    const DiscoveryOutcome outcome = RunDiscovery(table, options, context);
    std::printf("tesmo sweep, %3u threads: %6.3f s  (%u answered, %u unreachable)\n", threads,
                Since(start), outcome.reachable, outcome.unreachable);
    std::fflush(stdout);
  }
  // A /24 as CIDR when the range is one; else fping's start and end form.
  std::string range = first + "/24";
  if (count != 254 || (*firstAddress & 0xFF) != 1) {
    range = first + " " + FormatAddress(*firstAddress + count - 1);
  }
  double seconds = 0;
  int alive = 0;
  if (RunFping(range, seconds, alive)) {
    std::printf("fping -a -q -r 2 -t 300 -B 2.2 -i 1 -g: %6.3f s  (%d alive)\n", seconds, alive);
  } else {
    std::printf("fping: not installed or failed (apt-get install fping)\n");
  }
  return 0;
}
