// The table grid of a page.
#include "core/grid/table_grid.h"

namespace tesmo {

std::atomic<CTableGrid*> ActiveTableGrid{nullptr};

namespace {

const GridMenuItem kCopyMenu[] = {{kCmdCopy, "Copy"}};

const GridMenuItem kSortMenu[] = {{kCmdSortAscending, "Ascending"},
                                  {kCmdSortDescending, "Descending"},
                                  {0, ""},
                                  {kCmdColumnProperty, "Column property"},
                                  {kCmdDeleteColumn, "Delete column"},
                                  {kCmdCopy, "Copy"}};

}  // namespace

std::vector<GridMenuItem> GridMenuItems(int menuId, bool columnProperty) {
  switch (menuId) {
    case kMenuCopy:
      return {std::begin(kCopyMenu), std::end(kCopyMenu)};
    case kMenuSort: {
      std::vector<GridMenuItem> items;
      for (const GridMenuItem& item : kSortMenu) {
        if (item.commandId != kCmdColumnProperty || columnProperty) items.push_back(item);
      }
      return items;
    }
    default:
      return {};
  }
}

QString HostOfCellText(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      return text.left(i);
    }
  }
  return text;
}

CTableGrid::CTableGrid(QObject* parent) : QObject(parent) {}

CTableGrid::~CTableGrid() {
  CTableGrid* self = this;
  ActiveTableGrid.compare_exchange_strong(self, nullptr);
}

void CTableGrid::ResetGrid(CGridData* target, int rows, int cols) {
  if (target == nullptr) return;
  rows = std::max(rows, 0);
  cols = std::max(cols, 0);
  {
    std::lock_guard lock(mutex);
    grid = target;
    colCount = cols;
    widthUnit = target->WidthUnit();
    columns.clear();
    columns.resize(cols);
  }
  clickedRow.store(0);
  clickedCol.store(0);
  target->Clear();
  target->SetCols(cols);
  target->SetRows(rows);
  target->SetWordWrap(true);
  target->SetScrollTrack(true);
  target->SetHighlightAlways(true);
  target->SetRow(1);
  target->SetCol(0);
}

void CTableGrid::DefineColumn(int index, const QString& title, int width, int align, bool isIP,
                              int sort) {
  DefineColumn(index, CColumnInfo{title, width, align, isIP, sort});
}

void CTableGrid::DefineColumn(int index, const CColumnInfo& info) {
  CGridData* target;
  int unit;
  {
    std::lock_guard lock(mutex);
    if (grid == nullptr || index < 0 || index >= static_cast<int>(columns.size())) return;
    columns[index] = info;
    target = grid;
    unit = widthUnit;
  }
  target->SetTextAt(0, index, info.title);
  target->SetColWidth(index, info.width * unit);
  target->SetColAlignment(index, info.align);
}

void CTableGrid::InsertRow(int r) {
  if (CGridData* target = Grid()) target->InsertRow(r);
}

void CTableGrid::InsertRowTexts(int r, const QStringList& cells, int lines) {
  CGridData* target = Grid();
  if (target == nullptr) return;
  target->InsertRowTexts(r, cells, lines > 1 ? lines * target->DefaultRowHeight() : 0);
}

bool CTableGrid::SelectionText(QString& text) const {
  CGridData* target = Grid();
  if (target == nullptr) return false;
  QString copy = target->SelectionText();
  if (copy.isEmpty()) return false;
  text = std::move(copy);
  return true;
}

int CTableGrid::OnGridMouseDown(int button, int /*shift*/, int /*x*/, int /*y*/) {
  CGridData* target = Grid();
  if (target == nullptr) return kMenuNone;
  const int row = target->MouseRow();
  const int col = target->MouseCol();
  clickedRow.store(row);
  clickedCol.store(col);
  ActiveTableGrid.store(this);
  if (button != kRightButton && button != kMiddleButton) return kMenuNone;
  if (row == 0) return sortMenuEnabled.load() ? kMenuSort : kMenuNone;
  // Below the last row or beside the last column there is no cell to act on.
  if (row < 0) return kMenuNone;
  const std::optional<CColumnInfo> info = Column(col);
  if (!info) return kMenuNone;
  return info->isIP ? kMenuSelect : kMenuCopy;
}

bool CTableGrid::SortClicked(int offset) {
  CGridData* target = Grid();
  const int col = clickedCol.load();
  const std::optional<CColumnInfo> info = Column(col);
  if (target == nullptr || !info) return false;
  target->SortColumn(col, info->sort + offset);
  return true;
}

std::optional<CGridPendingSort> CTableGrid::PrepareSortClicked(bool descending) {
  CGridData* target = Grid();
  const int col = clickedCol.load();
  const std::optional<CColumnInfo> info = Column(col);
  if (target == nullptr || !info) return std::nullopt;
  return target->PrepareSort(col, info->sort + (descending ? 1 : 0));
}

bool CTableGrid::SortAscending() {
  return SortClicked(0);
}

bool CTableGrid::SortDescending() {
  return SortClicked(1);
}

QString CTableGrid::ClickedCellText() {
  CGridData* target = Grid();
  if (target == nullptr) return QString();
  const int row = clickedRow.load();
  const int col = clickedCol.load();
  target->SetRow(row);
  target->SetCol(col);
  return HostOfCellText(target->TextAt(row, col));
}

CGridData* CTableGrid::Grid() const {
  std::lock_guard lock(mutex);
  return grid;
}

std::optional<CColumnInfo> CTableGrid::Column(int index) const {
  std::lock_guard lock(mutex);
  if (index < 0 || index >= static_cast<int>(columns.size())) return std::nullopt;
  return columns[index];
}

int CTableGrid::WidthUnit() const {
  std::lock_guard lock(mutex);
  return widthUnit;
}

void CTableGrid::SetStatusLabel(const QString& text) {
  {
    std::lock_guard lock(mutex);
    statusLabel = text;
  }
  emit StatusLabelChanged(text);
}

QString CTableGrid::StatusLabel() const {
  std::lock_guard lock(mutex);
  return statusLabel;
}

}  // namespace tesmo
