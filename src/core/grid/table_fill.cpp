// The grid side of every table job.
#include "core/grid/table_fill.h"

#include "core/base/status_channel.h"

namespace tesmo {

void PrepareTable(CTableGrid& table, std::span<const CColumnInfo> columns) {
  CGridData* grid = table.Grid();
  if (grid == nullptr) return;
  grid->SetRedraw(false);
  table.SetStatusLabel(QString());
  table.ResetGrid(grid, 1, static_cast<int>(columns.size()));
  for (size_t i = 0; i < columns.size(); ++i) table.DefineColumn(static_cast<int>(i), columns[i]);
  grid->SetRedraw(true);
}

CTableFill::CTableFill(CTableGrid& table) : table(table) {
  if (CGridData* grid = table.Grid()) grid->SetRedraw(false);
}

void CTableFill::AddRow(const QStringList& cells, int lines) {
  ++count;
  table.InsertRowTexts(count, cells, lines);
}

QString EntryCountText(int rowCount) {
  return QString::asprintf("%u entry(s)", static_cast<unsigned>(std::max(rowCount, 0)));
}

void FinishTable(CTableGrid& table, int rowCount, int sortColumn, int sortCode,
                 const QString& finalStatus) {
  table.SetStatusLabel(EntryCountText(rowCount));
  if (CGridData* grid = table.Grid()) {
    if (sortColumn >= 0 && sortCode != 0) grid->SortColumn(sortColumn, sortCode);
    grid->SetRedraw(true);
  }
  PostStatusText(finalStatus);
}

CProgressThrottle::CProgressThrottle(std::chrono::milliseconds period, Clock clock)
    : period(period), clock(std::move(clock)), last(this->clock()) {}

bool CProgressThrottle::Due() {
  const auto now = clock();
  if (now <= last + period) return false;
  last = now;
  return true;
}

}  // namespace tesmo
