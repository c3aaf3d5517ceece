// The Traceroute page's --batch entry.
#include "batch/traceroute_batch.h"

#include "batch/batch.h"
#include "core/grid/grid_data.h"
#include "core/icmp/traceroute.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {

int RunTracerouteBatchPage(BatchContext& context) {
  const std::map<QString, QString>& given = context.options.pageOptions;
  TraceOptions options = TraceOptions::Load();
  options.icmpMode = !given.contains(QStringLiteral("--snmp"));
  if (!options.icmpMode) options.maxSnmpHops = kBatchSnmpHops;
  const auto dest = given.find(QStringLiteral("--dest"));
  // Without --dest the destination is HOST, which the front end has resolved.
  options.destination =
      (dest != given.end() ? dest->second : context.parameters.ipAddress).toStdString();

  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TraceOutcome outcome = RunTrace(table, options, TargetOf(context.parameters));
  if (outcome.end == TraceEnd::NotStarted) return kBatchUnresolved;
  context.print(grid.RowsText(1, grid.Rows() - 1));
  return outcome.end == TraceEnd::Reached ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo
