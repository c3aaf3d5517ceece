#include "batch/system_batch.h"

#include "batch/batch.h"
#include "core/base/status_channel.h"
#include "core/snmp/snmp_target.h"
#include "core/snmp/system_query.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {

int RunSystemBatch(BatchContext& context) {
  PostStatus("Getting SysInfo variables");
  const SystemQueryOutcome outcome =
      QuerySystemGroup(TargetOf(context.parameters), context.parameters.system);
  if (!outcome.answered) return kBatchNoAnswer;
  PostStatus("SysInfo variables OK");
  context.print(ParametersReport(context.parameters));
  return kBatchOk;
}

}  // namespace tesmo
