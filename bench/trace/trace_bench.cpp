// Wall time of the ICMP trace as --batch runs it (three probes per hop, names
// on), next to traceroute -I over the same path in the same run.
//
//   trace_bench [DESTINATION [RUNS]]   (default 10.72.4.2, the chain lab's far
//                                       host four hops away, 20 ms round trip)
//
// bench/sweep/run-chain-benches sets up the lab and runs it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/icmp/traceroute.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string destination = argc > 1 ? argv[1] : "10.72.4.2";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  // Names from the namespace's own name server, uncached, as a first run sees them.
  SetHostsFilePath("");
  ApplyDnsServerList("127.0.0.1");
  UseFastResolver = 1;
  bDnsUseCache = 0;
  bDnsUseHostfile = 0;

  std::atomic<int> stop{0};
  TraceHooks hooks;
  hooks.stop = &stop;
  TraceOptions options;
  options.destination = destination;
  RunTraceBatch(options, SnmpTarget{}, hooks);  // neighbours and routes warmed up

  std::vector<double> ours, theirs;
  int hops = 0;
  for (int run = 0; run < runs; ++run) {
    Clock::time_point start = Clock::now();
    const EngineReport report = RunTraceBatch(options, SnmpTarget{}, hooks);
    ours.push_back(Since(start));
    hops = static_cast<int>(report.copyText.count('\n')) - 1;
    if (run == 0) std::printf("%s", report.copyText.toStdString().c_str());

    const std::string command = "traceroute -I " + destination + " >/dev/null 2>&1";
    start = Clock::now();
    if (std::system(command.c_str()) == 0) theirs.push_back(Since(start));
  }
  std::printf("tesmo ICMP trace, %d hops, 3 probes each: median %.3f s, best %.3f s (%d runs)\n",
              hops, Median(ours), *std::min_element(ours.begin(), ours.end()), runs);
  if (theirs.empty()) {
    std::printf("traceroute -I: not installed or failed (apt-get install traceroute)\n");
  } else {
    std::printf("traceroute -I:                         median %.3f s, best %.3f s\n",
                Median(theirs), *std::min_element(theirs.begin(), theirs.end()));
  }
  return 0;
}
