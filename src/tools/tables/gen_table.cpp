// The generic tables' job: a stored table walked as the table pages walk theirs.
#include "tools/tables/gen_table.h"

#include <algorithm>

#include "core/base/status_channel.h"
#include "core/grid/table_fill.h"

namespace tesmo {
namespace {

// Widest column drawn, in characters.
constexpr unsigned kMaxColumnWidth = 1000;

}  // namespace

TableDescription CustomTableDescription(const std::vector<ColumnDefinition>& columns) {
  TableDescription description;
  description.section = "GenTable";
  description.gridId = 1085;
  TableWalkSpec walk{.status = "Getting Table", .oids = {}, .progressColumn = 0};
  for (const ColumnDefinition& column : columns) {
    walk.oids.push_back(column.oid.toStdString());
    description.columns.push_back(
        {column.title, static_cast<int>(std::min(column.width, kMaxColumnWidth)),
         static_cast<int>(column.align), column.isIP != 0, static_cast<int>(column.sort)});
  }
  description.walks.push_back(std::move(walk));
  description.rowsWhileWalking = true;
  return description;
}

TableJobOutcome RunCustomTableJob(unsigned table, CTableGrid& grid, const JobContext& context) {
  const std::vector<ColumnDefinition> columns = CustomTableColumns(table);
  if (columns.empty()) {
    grid.SetStatusLabel(QString());
    PostStatus("Getting Table");
    PostStatus("Ready");
    return {};
  }
  return RunTableJob(CustomTableDescription(columns), {}, grid, context);
}

}  // namespace tesmo
