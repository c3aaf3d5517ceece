// Resident size under long runs, printed along the way:
//
//   - the ping loop's thread sending 100,000 echoes to the loopback with no
//     pause (its history keeps the newest 2,500 lines);
//   - the chart polled for 10,000 samples, an SNMP counter from a fake agent
//     on the loopback and the round trip to 127.0.0.1, poll after poll as the
//     polling job makes them but without its pause of at least 100 ms (the
//     samples themselves are kept: 16 bytes each per entry, and the times);
//   - a sweep of 127.0.0.1 ... 127.0.0.254 repeated 100 times on one grid.
//
//   long_runs [ECHOES SAMPLES SWEEPS]      (default 100000 10000 100)
//
// Run it as root or with cap_net_raw, or where net.ipv4.ping_group_range
// admits you. No name is resolved: the resolver files point at the loopback.
#include <unistd.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "core/base/job_runner.h"
#include "core/grid/grid_data.h"
#include "core/icmp/echo_socket.h"
#include "support/fake_agent.h"
#include "support/private_files.h"
#include "tools/discovery/discovery.h"
#include "tools/graph/graph_poll.h"
#include "tools/reachability/ping_loop.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

long ResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string word;
  while (status >> word) {
    if (word == "VmRSS:") {
      long kb = 0;
      status >> kb;
      return kb;
    }
  }
  return -1;
}

Clock::time_point started;

void Report(const char* what, long done, long total) {
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::printf("%-10s %8ld / %-8ld  rss %7ld kB  %7.1f s\n", what, done, total, ResidentKb(),
              seconds);
  std::fflush(stdout);
}

void PingLoop(long echoes) {
  if (ProbeEchoSocket() == EchoSocketKind::None) {
    std::printf("ping loop: %s\n", kIcmpNotPermittedText);
    return;
  }
  CPingLoop loop;
  PingSettings settings;
  settings.mustBePinged = true;
  settings.timeBetweenPing = 0;
  settings.timeout = 1000;
  loop.SetSettings(settings);
  loop.SetTarget({true, "127.0.0.1"});
  loop.Start();
  const long step = echoes / 10;
  Report("ping loop", 0, echoes);
  for (long next = step; next <= echoes;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const long sent = loop.Statistics().sent;
    if (sent < next) continue;
    Report("ping loop", sent, echoes);
    next = (sent / step + 1) * step;
  }
  loop.Stop();
  const PingStatistics s = loop.Statistics();
  std::printf("ping loop: %u sent, %u received, %zu history lines\n", s.sent, s.received,
              loop.History().Count());
}

void ChartPolling(long samples) {
  long counter = 0;
  fake::FakeAgent agent(
      [&counter](const std::vector<ObjectId>& names) {
        fake::Answer answer;
        for (const ObjectId& name : names) {
          answer.bindings.push_back({name, fake::Integer(counter += 1500, 0x41)});
        }
        return answer;
      },
      static_cast<int>(samples) + 10);
  CGraphData chart;
  chart.AddEntry({kGraphSnmp, ".1.3.6.1.2.1.2.2.1.10.1", "in"});
  chart.AddEntry({kGraphRoundTrip, "127.0.0.1", "ping 127.0.0.1"});
  GraphPollOptions options;
  options.periodSeconds = 1;
  long stored = 0;
  // Inside a job, as the polling job runs: its echoes end at the stop flag.
  RunJobHere([&] {
    for (long polls = 0; stored < samples; ++polls) {
      const GraphPoll poll = chart.BeginPoll();
      std::vector<RawSample> taken;
      for (const GraphPoll::Item& item : poll.items) {
        taken.push_back(SampleEntry(item.info, agent.Target(), options));
      }
      if (!chart.EndPoll(poll, taken, polls, options.periodSeconds)) continue;
      // The page redraws its window after each poll.
      chart.Window();
      if (++stored % (samples / 10) == 0) Report("chart", stored, samples);
    }
  });
  std::printf("chart: %d samples kept, %zu SNMP values answered\n", chart.Window().sampleCount,
              static_cast<size_t>(chart.Samples().answered[0]));
}

void Sweeps(long sweeps) {
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  DiscoveryOptions options;
  options.firstHost = "127.0.0.1";
  options.hostCount = 254;
  options.resolveNames = false;
  DiscoveryOutcome outcome;
  for (long run = 1; run <= sweeps; ++run) {
    RunJobHere([&] { outcome = RunDiscovery(table, options, {}); });
    if (run % (sweeps / 10) == 0 || run == 1) Report("sweep", run, sweeps);
  }
  std::printf("sweep: %u of %u hosts reachable in the last run\n", outcome.reachable,
              outcome.hosts);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir privateDir;
  qunsetenv("TESMO_IN_LAB");
  UsePrivateFiles(privateDir);
  const long echoes = argc > 1 ? std::atol(argv[1]) : 100000;
  const long samples = argc > 2 ? std::atol(argv[2]) : 10000;
  const long sweeps = argc > 3 ? std::atol(argv[3]) : 100;
  if (echoes < 10 || samples < 10 || sweeps < 10) {
    std::fprintf(stderr, "usage: long_runs [ECHOES SAMPLES SWEEPS] (each at least 10)\n");
    return 64;
  }
  started = Clock::now();
  Report("start", 0, 0);
  PingLoop(echoes);
  ChartPolling(samples);
  Sweeps(sweeps);
  return 0;
}
