// The structured result of a --batch run.
#include "tools/batch_report.h"

#include "core/grid/grid_data.h"
#include "core/grid/table_grid.h"

namespace tesmo {

std::vector<ReportType> ReportTypesOf(const CTableGrid& table, int columnCount) {
  std::vector<ReportType> types(static_cast<size_t>(std::max(columnCount, 0)), ReportType::kText);
  for (int c = 0; c < columnCount; ++c) {
    const std::optional<CColumnInfo> info = table.Column(c);
    if (!info) continue;
    if (info->isIP) {
      types[static_cast<size_t>(c)] = ReportType::kAddress;
    } else if (info->sort == kSortNumericAscending) {
      types[static_cast<size_t>(c)] = ReportType::kNumber;
    }
  }
  return types;
}

void CBatchReport::SetGrid(const CGridData& grid, const CTableGrid& table) {
  SetGrid(grid, ReportTypesOf(table, grid.Cols()));
}

void CBatchReport::SetGrid(const CGridData& grid, const std::vector<ReportType>& types) {
  const int cols = grid.Cols();
  const int count = grid.Rows();
  std::vector<ReportColumn> header;
  for (int c = 0; c < cols; ++c) {
    header.push_back({grid.TextAt(0, c), static_cast<size_t>(c) < types.size()
                                             ? types[static_cast<size_t>(c)]
                                             : ReportType::kText});
  }
  std::vector<QStringList> cells;
  for (int r = 1; r < count; ++r) {
    QStringList row;
    for (int c = 0; c < cols; ++c) row.append(grid.TextAt(r, c));
    cells.push_back(std::move(row));
  }
  std::lock_guard lock(mutex);
  shape = Shape::kGrid;
  columns = std::move(header);
  rows = std::move(cells);
}

void CBatchReport::SetColumnType(int column, ReportType type) {
  std::lock_guard lock(mutex);
  if (column >= 0 && static_cast<size_t>(column) < columns.size()) {
    columns[static_cast<size_t>(column)].type = type;
  }
}

void CBatchReport::SetColumns(std::vector<ReportColumn> given) {
  std::lock_guard lock(mutex);
  shape = Shape::kRecords;
  columns = std::move(given);
  rows.clear();
}

void CBatchReport::AddRecord(const QStringList& cells) {
  std::lock_guard lock(mutex);
  rows.push_back(cells);
}

void CBatchReport::AddField(const QString& name, const QString& value, ReportType type) {
  std::lock_guard lock(mutex);
  fields.push_back({name, value, type});
}

void CBatchReport::AddHost(const QString& address, const QString& name) {
  std::lock_guard lock(mutex);
  hosts.push_back({address, name});
}

void CBatchReport::AddMetric(ReportMetric metric) {
  std::lock_guard lock(mutex);
  metrics.push_back(std::move(metric));
}

std::vector<ReportMetric> CBatchReport::Metrics() const {
  std::lock_guard lock(mutex);
  return metrics;
}

CBatchReport::Shape CBatchReport::GetShape() const {
  std::lock_guard lock(mutex);
  return shape;
}

std::vector<ReportColumn> CBatchReport::Columns() const {
  std::lock_guard lock(mutex);
  return columns;
}

std::vector<QStringList> CBatchReport::Rows() const {
  std::lock_guard lock(mutex);
  return rows;
}

std::vector<ReportField> CBatchReport::Fields() const {
  std::lock_guard lock(mutex);
  return fields;
}

std::vector<ReportHost> CBatchReport::Hosts() const {
  std::lock_guard lock(mutex);
  return hosts;
}

}  // namespace tesmo
