// The Ip discovery page's tool: an ICMP sweep over an address range.
#include "core/base/status_channel.h"
#include "core/grid/grid_data.h"
#include "core/snmp/target_resolve.h"
#include "tools/discovery/discovery.h"
#include "tools/discovery/sweep_set.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

// The sweep grid's columns: no, address, name, status.
constexpr int kAddressColumn = 1, kNameColumn = 2, kStatusColumn = 3;

int RunDiscoveryBatch(BatchContext& context) {
  const BatchOptions& given = context.options;
  DiscoveryOptions options = DiscoveryOptions::Load();
  const std::string hostText = context.parameters.host.trimmed().toStdString();
  if (IsSweepSet(hostText)) {
    // HOST is the sweep's own set: its addresses are resolved by the sweep.
    if (given.Has("--count") || given.Has("--increment")) {
      PostStatus("pingfind: --count and --increment go with a first host, not with a set");
      return kBatchUsage;
    }
    options.firstHost = hostText;
  } else {
    // One first host, resolved as the driver resolves every other page's.
    const ResolveOutcome resolved = ResolveHost(context.parameters);
    if (!resolved.status.isEmpty()) PostStatusText(resolved.status);
    if (!resolved.valid) return kBatchUnresolved;
    context.job.SetTarget(TargetOf(context.parameters));
    const std::optional<unsigned> count = given.Number("--count");
    if (!count) {
      PostStatus("pingfind needs --count N");
      return kBatchUsage;
    }
    options.firstHost = context.parameters.ipAddress.toStdString();
    options.hostCount = *count;
  }
  options.addressIncrement = given.Number("--increment").value_or(options.addressIncrement);
  options.threads = given.Number("--threads").value_or(options.threads);
  options.rounds = given.Number("--rounds").value_or(options.rounds);
  options.initialTimeoutMs = given.timeoutMs.value_or(options.initialTimeoutMs);
  options.timeoutIncrementMs =
      given.Number("--timeout-increment").value_or(options.timeoutIncrementMs);
  // The added columns come from the command line alone: a report's columns
  // never depend on what the page last stored.
  options.arpFromRouter = given.Has("--arp-from");
  options.arpRouter = given.Text("--arp-from").value_or(QString()).trimmed().toStdString();
  options.askSnmp = given.Has("--ask-snmp");
  options.openServices = given.Has("--open-services");
  if (options.arpFromRouter && options.arpRouter.empty()) {
    PostStatus("pingfind: --arp-from needs the router's name or address");
    return kBatchUsage;
  }

  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const DiscoveryOutcome outcome = RunDiscovery(table, options, context.job);
  if (outcome.badRange) return kBatchUsage;
  if (!outcome.started) return kBatchUnresolved;
  PrintGridRows(context, grid);
  if (context.report.Wanted()) {
    context.report.SetGrid(grid, table);
    // "no" counts the swept addresses.
    context.report.SetColumnType(0, ReportType::kNumber);
    // The hosts that answered an echo, for a scrape target list.
    for (int r = 1; r < grid.Rows(); ++r) {
      if (grid.CellColourAt(r, kStatusColumn) == kDiscoveryReachableColour) {
        context.report.AddHost(grid.TextAt(r, kAddressColumn).trimmed(),
                               grid.TextAt(r, kNameColumn).trimmed());
      }
    }
  }
  return outcome.reachable > 0 ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "J.Discovery",
    .name = "pingfind",
    .captionId = 151,
    .summary = "ICMP sweep of --count N addresses from HOST (--timeout: first pass, in ms)",
    .options = {{"--count", "N"},
                {"--increment", "K"},
                {"--threads", "W"},
                {"--rounds", "R"},
                {"--timeout-increment", "MS"},
                {"--arp-from", "HOST", false},
                {"--ask-snmp", nullptr, false},
                {"--open-services", nullptr, false}},
    .run = RunDiscoveryBatch,
    // HOST may be a set rather than a host: the entry resolves it.
    .resolvesHost = false,
    .formats = {"prometheus-sd"},
    .oneHostOnly = true,
});

}  // namespace
}  // namespace tesmo
