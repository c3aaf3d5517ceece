// Wall time of the ICMP trace as --batch runs it (three probes per hop, names
// on), next to traceroute -I over the same path in the same run.
//
//   trace_bench [DESTINATION [RUNS [TESMO_BINARY]]]
//
// DESTINATION defaults to 10.72.4.2, the chain lab's far host four hops away
// behind a 20 ms round trip. The batch entry is timed on its own; with
// TESMO_BINARY the whole "tesmo --batch DESTINATION traceroute" process is
// timed as well (MIB loading included). bench/sweep/run-chain-benches sets up
// the lab and runs it.
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/job_runner.h"
#include "core/base/settings_store.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolution.h"
#include "core/net/resolver_state.h"
#include "tools/tool_spec.h"

using namespace tesmo;
using Clock = std::chrono::steady_clock;

namespace {

double Since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Figures {
  std::vector<double> seconds;
  void Print(const char* what) const {
    if (seconds.empty()) {
      std::printf("%-34s failed or not installed\n", what);
      return;
    }
    std::vector<double> sorted = seconds;
    std::sort(sorted.begin(), sorted.end());
    std::printf("%-34s median %.3f s, best %.3f s (%zu runs)\n", what, sorted[sorted.size() / 2],
                sorted.front(), sorted.size());
  }
};

// The command's wall time, when it exits 0.
bool TimeCommand(const std::string& command, Figures& figures) {
  const Clock::time_point start = Clock::now();
  if (std::system(command.c_str()) != 0) return false;
  figures.seconds.push_back(Since(start));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string destination = argc > 1 ? argv[1] : "10.72.4.2";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;
  const std::string binary = argc > 3 ? argv[3] : "";
  // Stored settings of a private file; names from the namespace's own name
  // server, uncached, as a first run sees them.
  QTemporaryDir settings;
  CSettingsStore::SetFilePath(settings.filePath(QStringLiteral("tesmo/tesmo.ini")));
  SetHostsFilePath("");
  ApplyDnsServerList("127.0.0.1");
  UseFastResolver = 1;
  bDnsUseCache = 0;
  bDnsUseHostfile = 0;

  QString report;
  BatchContext context;
  context.parameters.host = QString::fromStdString(destination);
  context.parameters.ipAddress = context.parameters.host;
  context.print = [&](const QString& text) { report = text; };
  const ToolSpec* traceroute = FindTool(QStringLiteral("traceroute"));
  const auto batch = [&] { RunJobHere([&] { traceroute->run(context); }); };
  batch();  // neighbours and routes warmed up
  std::printf("%s", report.toStdString().c_str());

  Figures entry, process, theirs;
  const std::string env = "XDG_CONFIG_HOME=" + settings.path().toStdString() + " ";
  for (int run = 0; run < runs; ++run) {
    const Clock::time_point start = Clock::now();
    batch();
    entry.seconds.push_back(Since(start));
    if (!binary.empty()) {
      TimeCommand(env + binary + " --batch " + destination + " traceroute >/dev/null 2>&1",
                  process);
    }
    TimeCommand("traceroute -I " + destination + " >/dev/null 2>&1", theirs);
  }
  const int hops = static_cast<int>(report.count('\n')) - 1;
  std::printf("ICMP trace of %d hops, 3 probes each:\n", hops);
  entry.Print("tesmo --batch traceroute (entry)");
  if (!binary.empty()) process.Print("tesmo --batch traceroute (process)");
  theirs.Print("traceroute -I");
  return 0;
}
