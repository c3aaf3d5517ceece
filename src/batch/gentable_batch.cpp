// The Gen. Table page's --batch entry.
#include "batch/gentable_batch.h"

#include <cstdio>

#include "batch/batch.h"
#include "batch/table_batch.h"
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
  const std::vector<ColumnDefinition> columns = CustomTableColumns(table);
  if (columns.empty()) {
    // A table without columns walks nothing: its status texts, no rows.
    CTableGrid none;
    RunCustomTableJob(table, none, TargetOf(context.parameters));
    return kBatchOk;
  }
  return RunTableBatch(context, CustomTableDescription(columns));
}

}  // namespace tesmo
