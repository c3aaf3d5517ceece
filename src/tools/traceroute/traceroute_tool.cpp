// The Traceroute page's tool: the route by ICMP, or hop by hop through the
// agents' routing tables.
#include <cstdio>

#include "core/grid/grid_data.h"
#include "tools/tool_spec.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {
namespace {

// A routing loop would keep an SNMP trace going for ever: --batch stops it
// after this many hops.
constexpr unsigned kBatchSnmpHops = 30;
// The ICMP trace's columns from "time0" on hold round trips.
constexpr int kFirstTimeColumn = 3;

// The longest wait between two rounds --interval takes: an hour.
constexpr unsigned kMaxIntervalMs = 3600000;

int Usage(const char* text) {
  std::fprintf(stderr, "tesmo: traceroute: %s\n", text);
  return kBatchUsage;
}

int RunTracerouteBatch(BatchContext& context) {
  TraceOptions options = TraceOptions::Load();
  options.icmpMode = !context.options.Has("--snmp");
  if (!options.icmpMode) options.maxSnmpHops = kBatchSnmpHops;
  // --rounds N: the continuous trace, N rounds after the trace.
  const std::optional<unsigned> rounds = context.options.Number("--rounds");
  if (rounds) {
    if (*rounds == 0) return Usage("--rounds N needs 1 or more");
    options.continuous = true;
    options.rounds = *rounds;
    options.intervalMs = context.options.Number("--interval").value_or(options.intervalMs);
    if (options.intervalMs > kMaxIntervalMs) return Usage("--interval MS is at most 3600000");
    options.askRouters = context.options.Has("--ask-routers");
  } else if (context.options.Has("--interval") || context.options.Has("--ask-routers")) {
    return Usage("--interval and --ask-routers go with --rounds N");
  }
  // Without --dest the destination is HOST, which the front end has resolved.
  options.destination =
      context.options.Text("--dest").value_or(context.parameters.ipAddress).toStdString();

  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TraceOutcome outcome = RunTrace(table, options, context.job);
  if (outcome.end == TraceEnd::NotStarted) return kBatchUnresolved;
  PrintGridRows(context, grid);
  if (context.report.Wanted()) {
    context.report.SetGrid(grid, table);
    // The ICMP trace's round trips: "12 ms" cells. The continuous trace's
    // statistics after them are plain numbers, typed by their numeric sort.
    if (options.icmpMode) {
      for (int c = kFirstTimeColumn;
           c < grid.Cols() && grid.TextAt(0, c).startsWith(QLatin1String("time")); ++c) {
        context.report.SetColumnType(c, ReportType::kMilliseconds);
      }
    }
  }
  return outcome.end == TraceEnd::Reached ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "H.Traceroute",
    .name = "traceroute",
    .captionId = 148,
    .summary = "ICMP trace to --dest DEST or HOST; --snmp: through the agents' routes from HOST",
    .options = {{"--dest", "DEST", false},
                {"--snmp", nullptr},
                {"--rounds", "N"},
                {"--interval", "MS"},
                {"--ask-routers", nullptr}},
    .run = RunTracerouteBatch,
});

}  // namespace
}  // namespace tesmo
