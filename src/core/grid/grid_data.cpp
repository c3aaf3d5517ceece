// The grid data object.
#include "core/grid/grid_data.h"

#include <algorithm>
#include <type_traits>
#include <vector>

namespace tesmo {
QString CGridSnapshot::TextAt(int r, int c) const {
  if (c >= colCount) return QString();
  return cells.Text(r, c);
}

CGridData::CGridData(QObject* parent) : QObject(parent) {}

bool CGridData::TouchLocked(bool content) {
  if (content) {
    ++contentSerial;
  } else {
    ++selectionSerial;
  }
  dirty = true;
  return redraw;
}

void CGridData::NotifyIf(bool notify) {
  if (notify && !notifyPending.exchange(true)) emit Changed();
}

bool CGridData::ValidLocked(int r, int c) const {
  return r >= 0 && r < cells.RowCount() && c >= 0 && c < colCount;
}

void CGridData::Clear() {
  Update(true, [&] {
    cells.Clear();
    return true;
  });
}

void CGridData::SetRows(int count) {
  Update(true, [&] {
    cells.SetRowCount(count);
    return true;
  });
}

void CGridData::SetCols(int count) {
  count = std::max(count, 0);
  Update(true, [&] {
    // Texts of dropped columns do not come back if the count grows again.
    cells.SetColCount(count);
    colCount = count;
    columns.resize(count);
    return true;
  });
}

void CGridData::SetRow(int r) {
  Update(false, [&] {
    row = rowSel = r;
    return true;
  });
}

void CGridData::SetCol(int c) {
  Update(false, [&] {
    col = colSel = c;
    return true;
  });
}

void CGridData::SetRowSel(int r) {
  Update(false, [&] {
    rowSel = r;
    return true;
  });
}

void CGridData::SetColSel(int c) {
  Update(false, [&] {
    colSel = c;
    return true;
  });
}

void CGridData::SetText(const QString& text) {
  Update(true, [&] {
    if (!(ValidLocked(row, col))) return false;
    cells.SetText(row, col, text);
    return true;
  });
}

int CGridData::ColWidth(int c) const {
  std::lock_guard lock(mutex);
  return c >= 0 && c < colCount ? columns[c].width : 0;
}

void CGridData::SetColWidth(int c, int width) {
  Update(true, [&] {
    if (!(c >= 0 && c < colCount)) return false;
    columns[c].width = std::max(width, 0);
    return true;
  });
}

int CGridData::ColAlignment(int c) const {
  std::lock_guard lock(mutex);
  return c >= 0 && c < colCount ? columns[c].align : kAlignGeneral;
}

void CGridData::SetColAlignment(int c, int code) {
  Update(true, [&] {
    if (!(c >= 0 && c < colCount)) return false;
    columns[c].align = code >= kAlignLeftTop && code <= kAlignGeneral ? code : kAlignGeneral;
    return true;
  });
}

int CGridData::RowHeight(int r) const {
  std::lock_guard lock(mutex);
  if (r < 0 || r >= cells.RowCount()) return 0;
  const int height = cells.Height(r);
  return height > 0 ? height : defaultRowHeight;
}

void CGridData::SetRowHeight(int r, int height) {
  Update(true, [&] {
    if (!(r >= 0 && r < cells.RowCount())) return false;
    cells.SetHeight(r, height);
    return true;
  });
}

void CGridData::AddItem(const QString& item, int position) {
  const QStringList texts = item.isEmpty() ? QStringList() : item.split(QLatin1Char('\t'));
  Update(true, [&] {
    cells.InsertRow(position, texts, 0);
    return true;
  });
}

void CGridData::InsertRowTexts(int position, const QStringList& texts, int height) {
  Update(true, [&] {
    cells.InsertRow(position, texts, height);
    return true;
  });
}

void CGridData::Sort(int code) {
  Update(true, [&] {
    if (!(ValidLocked(0, col) && code >= kSortGenericAscending && code <= kSortStringDescending))
      return false;
    SortLocked(col, code);
    return true;
  });
}

void CGridData::SortColumn(int c, int code) {
  // Worked out away from the lock, so that a view drawing meanwhile waits
  // only for the rows to be moved; done again under the lock when a write
  // came between.
  if (std::optional<CGridPendingSort> pending = PrepareSort(c, code)) {
    if (FinishSort(*pending)) return;
  }
  Update(true, [&] {
    if (!(ValidLocked(0, c) && code >= kSortGenericAscending && code <= kSortStringDescending))
      return false;
    SortLocked(c, code);
    return true;
  });
}

std::optional<CGridPendingSort> CGridData::PrepareSort(int c, int code) const {
  std::lock_guard lock(mutex);
  if (!(ValidLocked(0, c) && code >= kSortGenericAscending && code <= kSortStringDescending) ||
      cells.RowCount() < 3) {
    return std::nullopt;
  }
  // Built in place: a copy of it let go of here would take the lock held.
  std::optional<CGridPendingSort> pending(std::in_place);
  pending->copy.cells = cells;
  pending->copy.owner = mutexHolder;
  pending->serial = contentSerial;
  pending->col = c;
  pending->code = code;
  return pending;
}

bool CGridData::FinishSort(CGridPendingSort& pending) {
  const std::vector<std::uint32_t> order =
      GridSortOrder(pending.copy.cells, pending.col, pending.code);
  // The copy lets go of the cells first, so that moving the rows does not
  // copy them.
  pending.copy.Release();
  bool sorted = false;
  Update(true, [&] {
    sorted = contentSerial == pending.serial;
    if (sorted) cells.PermuteRows(1, order);
    return sorted;
  });
  return sorted;
}

// Odd codes ascend, the even code after each descends by the same key. Equal
// keys keep their order in both directions (a stable sort), so sorting by one
// column after another gives a predictable result.
void CGridData::SortLocked(int c, int code) {
  if (cells.RowCount() < 3) return;
  cells.PermuteRows(1, GridSortOrder(cells, c, code));
}

void CGridData::SetRedraw(bool on) {
  bool notify;
  {
    std::lock_guard lock(mutex);
    redraw = on;
    notify = on && dirty;
  }
  NotifyIf(notify);
}

void CGridData::SetWordWrap(bool on) {
  Update(true, [&] {
    wordWrap = on;
    return true;
  });
}

void CGridData::SetScrollTrack(bool on) {
  Update(true, [&] {
    scrollTrack = on;
    return true;
  });
}

void CGridData::SetHighlightAlways(bool on) {
  Update(true, [&] {
    highlightAlways = on;
    return true;
  });
}

void CGridData::SetMouseCell(int r, int c) {
  std::lock_guard lock(mutex);
  mouseRow = r;
  mouseCol = c;
}

void CGridData::SetCellColour(std::uint32_t colour) {
  int r, c;
  {
    std::lock_guard lock(mutex);
    r = row;
    c = col;
  }
  SetCellColourAt(r, c, colour);
}

void CGridData::SetCellColourAt(int r, int c, std::uint32_t colour) {
  Update(true, [&] {
    if (!(ValidLocked(r, c))) return false;
    cells.SetColour(r, c, colour & 0x00FFFFFFu);
    return true;
  });
}

std::uint32_t CGridData::CellColourAt(int r, int c) const {
  std::lock_guard lock(mutex);
  return ValidLocked(r, c) ? cells.Colour(r, c) : kNoColour;
}

QString CGridData::TextAt(int r, int c) const {
  std::lock_guard lock(mutex);
  return ValidLocked(r, c) ? cells.Text(r, c) : QString();
}

void CGridData::SetTextAt(int r, int c, const QString& text) {
  Update(true, [&] {
    if (!(ValidLocked(r, c))) return false;
    cells.SetText(r, c, text);
    return true;
  });
}

namespace {

// One line of copy text: each cell followed by a tab, the line by a line feed.
template <typename Text>
void AppendLine(const CGridCells& cells, int row, int firstCol, int lastCol, Text& out) {
  for (int c = firstCol; c <= lastCol; ++c) cells.AppendCopyText(out, row, c);
  if constexpr (std::is_same_v<Text, QString>) {
    out += QLatin1Char('\n');
  } else {
    out += '\n';
  }
}

}  // namespace

void CGridCopy::Write(const std::function<void(QByteArrayView)>& sink, qsizetype chunkBytes) const {
  if (IsEmpty()) return;
  QByteArray piece;
  piece.reserve(chunkBytes + 1024);
  AppendLine(cells, 0, firstCol, lastCol, piece);
  for (int r = firstRow; r <= lastRow; ++r) {
    if (piece.size() >= chunkBytes) {
      sink(piece);
      piece.clear();
    }
    AppendLine(cells, r, firstCol, lastCol, piece);
  }
  sink(piece);
}

CGridCopy& CGridCopy::operator=(const CGridCopy& other) {
  if (this == &other) return *this;
  Release();
  cells = other.cells;
  owner = other.owner;
  firstRow = other.firstRow, lastRow = other.lastRow;
  firstCol = other.firstCol, lastCol = other.lastCol;
  return *this;
}

CGridCopy& CGridCopy::operator=(CGridCopy&& other) noexcept {
  if (this == &other) return *this;
  Release();
  cells = std::move(other.cells);
  owner = std::move(other.owner);
  firstRow = other.firstRow, lastRow = other.lastRow;
  firstCol = other.firstCol, lastCol = other.lastCol;
  return *this;
}

void CGridCopy::Release() {
  if (owner) {
    std::lock_guard lock(*owner);
    cells = CGridCells();
  } else {
    cells = CGridCells();
  }
  owner.reset();
}

QString CGridCopy::Text() const {
  QString out;
  if (IsEmpty()) return out;
  AppendLine(cells, 0, firstCol, lastCol, out);
  for (int r = firstRow; r <= lastRow; ++r) AppendLine(cells, r, firstCol, lastCol, out);
  return out;
}

// The corners may lie outside the grid (rows were removed since they were
// set, or a caller set them freely): the block is clipped to the grid, and a
// block below the last row gives the title line alone.
CGridCopy CGridData::SelectionCopyLocked() const {
  CGridCopy copy;
  const int rowCount = cells.RowCount();
  const int firstCol = std::max(std::min(col, colSel), 0);
  const int lastCol = std::min(std::max(col, colSel), colCount - 1);
  if (rowCount == 0 || firstCol > lastCol) return copy;
  copy.cells = cells;
  copy.owner = mutexHolder;
  copy.firstCol = firstCol;
  copy.lastCol = lastCol;
  copy.firstRow = std::max(std::min(row, rowSel), 0);
  copy.lastRow = std::min(std::max(row, rowSel), rowCount - 1);
  return copy;
}

CGridCopy CGridData::SelectionCopy() const {
  std::lock_guard lock(mutex);
  return SelectionCopyLocked();
}

// The text is written after the lock is released: the job may go on writing.
QString CGridData::SelectionText() const {
  return SelectionCopy().Text();
}

CGridCopy CGridData::RowsCopy(int firstRow, int lastRow) const {
  CGridCopy copy;
  std::lock_guard lock(mutex);
  const int rowCount = cells.RowCount();
  if (rowCount == 0 || colCount == 0) return copy;
  copy.cells = cells;
  copy.owner = mutexHolder;
  copy.firstRow = std::max(firstRow, 0);
  copy.lastRow = std::min(lastRow, rowCount - 1);
  copy.firstCol = 0;
  copy.lastCol = colCount - 1;
  return copy;
}

QString CGridData::RowsText(int firstRow, int lastRow) const {
  return RowsCopy(firstRow, lastRow).Text();
}

void CGridData::WriteRows(int firstRow, int lastRow,
                          const std::function<void(QByteArrayView)>& sink,
                          qsizetype chunkBytes) const {
  RowsCopy(firstRow, lastRow).Write(sink, chunkBytes);
}

void CGridData::SetWidthUnit(int unit) {
  std::lock_guard lock(mutex);
  if (unit > 0) widthUnit = unit;
}

void CGridData::SetDefaultRowHeight(int height) {
  Update(true, [&] {
    if (!(height > 0 && height != defaultRowHeight)) return false;
    defaultRowHeight = height;
    return true;
  });
}

std::uint64_t CGridData::SetSelectionFromView(int r, int c, int rs, int cs) {
  std::lock_guard lock(mutex);
  row = r;
  col = c;
  rowSel = rs;
  colSel = cs;
  return ++selectionSerial;
}

bool CGridData::TakeSnapshot(CGridSnapshot& snapshot) {
  std::lock_guard lock(mutex);
  // While redraw is off the view keeps what it shows; the writes stay marked
  // and resuming redraw announces them.
  notifyPending.store(false);
  if (!redraw) return false;
  snapshot.cells = cells;
  snapshot.columns = columns;
  snapshot.colCount = colCount;
  snapshot.defaultRowHeight = defaultRowHeight;
  snapshot.wordWrap = wordWrap;
  snapshot.scrollTrack = scrollTrack;
  snapshot.highlightAlways = highlightAlways;
  snapshot.row = row;
  snapshot.col = col;
  snapshot.rowSel = rowSel;
  snapshot.colSel = colSel;
  snapshot.selectionSerial = selectionSerial;
  snapshot.contentSerial = contentSerial;
  dirty = false;
  return true;
}

}  // namespace tesmo
