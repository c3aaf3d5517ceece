#include "batch/table_batch.h"

#include "batch/batch.h"
#include "core/grid/grid_data.h"
#include "core/snmp/target_resolve.h"
#include "core/tables/table_job.h"

namespace tesmo {

int RunTableBatch(BatchContext& context, const TableDescription& description) {
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome =
      RunTableJob(description, description.LoadFlags(), table, TargetOf(context.parameters));
  context.print(grid.RowsText(1, grid.Rows() - 1));
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo
