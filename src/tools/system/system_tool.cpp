// The Parameters page's tool: the target's system group and SNMP parameters.
#include "core/base/status_channel.h"
#include "tools/system/parameters_data.h"
#include "tools/system/system_query.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

int RunSystemBatch(BatchContext& context) {
  ParametersData data;
  static_cast<TargetParameters&>(data) = context.parameters;
  PostStatus("Getting SysInfo variables");
  const SystemQueryOutcome outcome = QuerySystemGroup(context.job, data.system);
  if (!outcome.answered) return kBatchNoAnswer;
  PostStatus("SysInfo variables OK");
  context.print(ParametersReport(data));
  return kBatchOk;
}

const CToolRegistration registration({
    .sortKey = "A.Parameters",
    .name = "system",
    .captionId = 147,
    .select = {32776, "Get System"},
    .actions = {{32781, "Telnet"}},
    .summary = "the target's system group and SNMP parameters (Parameters page)",
    .run = RunSystemBatch,
});

}  // namespace
}  // namespace tesmo
