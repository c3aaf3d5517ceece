// The Gen. Table page's --batch entry.
#include "batch/gentable_batch.h"

#include <cstdio>

#include "batch/batch.h"
#include "core/grid/grid_data.h"
#include "core/snmp/target_resolve.h"
#include "core/tables/gen_table.h"

namespace tesmo {

int RunGenTableBatch(BatchContext& context) {
  const unsigned table = context.options.Number("--table").value_or(0);
  const QStringList names = CustomTableNames();
  if (table >= static_cast<unsigned>(names.size())) {
    std::fprintf(stderr, "tesmo: gentable: there is no table %u (%lld stored)\n", table,
                 static_cast<long long>(names.size()));
    return kBatchUsage;
  }
  CGridData grid;
  CTableGrid view;
  view.ResetGrid(&grid, 2, 2);
  const TableJobOutcome outcome = RunCustomTableJob(table, view, TargetOf(context.parameters));
  if (!CustomTableColumns(table).empty()) context.print(grid.RowsText(1, grid.Rows() - 1));
  return outcome.answered ? kBatchOk : kBatchNoAnswer;
}

}  // namespace tesmo
