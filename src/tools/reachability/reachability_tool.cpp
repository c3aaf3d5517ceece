// The Reachability page's tool: continuous ping and the service checks.
#include "tools/reachability/reachability_report.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

int RunReachabilityBatchPage(BatchContext& context) {
  const ReachabilityBatchResult result = RunReachabilityBatch(
      context.job, ReadPingSettings(), context.options.Number("--pings").value_or(0));
  context.print(QString::fromStdString(result.report));
  return result.answered ? kBatchOk : kBatchNoAnswer;
}

const CToolRegistration registration({
    .sortKey = "G.Reachability",
    .name = "reachability",
    .captionId = 145,
    .select = {32785, "Test Reachability"},
    .summary = "ping statistics (--pings N) and ten service checks (Reachability page)",
    .options = {{"--pings", "N"}},
    .run = RunReachabilityBatchPage,
});

}  // namespace
}  // namespace tesmo
