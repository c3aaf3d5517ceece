// The grid data object.
#include "core/grid/grid_data.h"

#include <algorithm>
#include <numeric>
#include <vector>

namespace tesmo {
namespace {

bool IsDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool IsBlank(QChar c) {
  return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of the decimal number (sign, digits, fraction, exponent) that starts
// at text[i]; 0 when none does.
qsizetype NumberLength(QStringView text, qsizetype i) {
  const qsizetype n = text.size();
  qsizetype j = i;
  if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-'))) ++j;
  qsizetype digits = 0;
  while (j < n && IsDigit(text[j])) {
    ++j;
    ++digits;
  }
  if (j < n && text[j] == QLatin1Char('.')) {
    qsizetype k = j + 1;
    while (k < n && IsDigit(text[k])) {
      ++k;
      ++digits;
    }
    if (digits > 0) j = k;
  }
  if (digits == 0) return 0;
  if (j < n && (text[j] == QLatin1Char('e') || text[j] == QLatin1Char('E'))) {
    qsizetype k = j + 1;
    if (k < n && (text[k] == QLatin1Char('+') || text[k] == QLatin1Char('-'))) ++k;
    qsizetype m = k;
    while (m < n && IsDigit(text[m])) ++m;
    if (m > k) j = m;
  }
  return j - i;
}

qsizetype SkipBlanks(QStringView text, qsizetype i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// A cell as one line of copy text.
void AppendCell(QString& out, QStringView cell) {
  const qsizetype start = out.size();
  out += cell;
  for (qsizetype i = start; i < out.size(); ++i) {
    const QChar c = out[i];
    if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
      out[i] = QLatin1Char(' ');
    }
  }
  out += QLatin1Char('\t');
}

// Sort key of one cell for one sort kind. Views point into the rows, which
// stay unchanged while the lock is held.
struct SortKey {
  int kind = 0;  // generic sort: 0 empty, 1 number, 2 text
  double number = 0;
  QString folded;    // texts compared without case
  QStringView view;  // texts compared with case
};

SortKey MakeKey(QStringView cell, int ascendingCode) {
  SortKey key;
  switch (ascendingCode) {
    case kSortGenericAscending:
      if (cell.isEmpty()) {
        key.kind = 0;
      } else if (ReadsAsNumber(cell, &key.number)) {
        key.kind = 1;
      } else {
        key.kind = 2;
        key.folded = cell.toString().toCaseFolded();
      }
      break;
    case kSortNumericAscending:
      key.number = LeadingNumber(cell);
      break;
    case kSortStringNoCaseAscending:
      key.folded = cell.toString().toCaseFolded();
      break;
    default:
      key.view = cell;
      break;
  }
  return key;
}

bool KeyLess(const SortKey& a, const SortKey& b, int ascendingCode) {
  switch (ascendingCode) {
    case kSortGenericAscending:
      if (a.kind != b.kind) return a.kind < b.kind;
      if (a.kind == 1) return a.number < b.number;
      return a.folded < b.folded;
    case kSortNumericAscending:
      return a.number < b.number;
    case kSortStringNoCaseAscending:
      return a.folded < b.folded;
    default:
      return a.view < b.view;
  }
}

}  // namespace

bool ReadsAsNumber(QStringView text, double* value) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumberLength(text, start);
  if (length == 0 || SkipBlanks(text, start + length) != text.size()) return false;
  if (value != nullptr) *value = text.mid(start, length).toDouble();
  return true;
}

double LeadingNumber(QStringView text) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumberLength(text, start);
  return length == 0 ? 0.0 : text.mid(start, length).toDouble();
}

CGridRow::CGridRow(const QStringList& cells) {
  qsizetype total = 0;
  for (const QString& cell : cells) total += cell.size();
  text.reserve(total);
  ends.reserve(cells.size());
  for (const QString& cell : cells) {
    text += cell;
    ends.append(static_cast<int>(text.size()));
  }
}

QStringView CGridRow::CellView(int col) const {
  if (col < 0 || col >= ends.size()) return QStringView();
  const int start = col == 0 ? 0 : ends[col - 1];
  return QStringView(text).mid(start, ends[col] - start);
}

void CGridRow::SetCell(int col, const QString& value) {
  if (col < 0) return;
  if (col >= ends.size()) {
    if (value.isEmpty()) return;
    // Empty cells up to col, all ending where the text ends.
    ends.resize(col + 1, static_cast<int>(text.size()));
  }
  const int start = col == 0 ? 0 : ends[col - 1];
  const int oldLength = ends[col] - start;
  text.replace(start, oldLength, value);
  const int delta = static_cast<int>(value.size()) - oldLength;
  if (delta != 0) {
    for (qsizetype i = col; i < ends.size(); ++i) ends[i] += delta;
  }
}

void CGridRow::Truncate(int count) {
  if (count < 0 || count >= ends.size()) return;
  text.truncate(count == 0 ? 0 : ends[count - 1]);
  ends.resize(count);
}

void CGridRow::ClearCells() {
  text.clear();
  ends.clear();
  colours.clear();
  height = 0;
}

QString CGridSnapshot::TextAt(int r, int c) const {
  if (r < 0 || r >= rows.size() || c < 0 || c >= colCount) return QString();
  return rows[r].Cell(c);
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
  return r >= 0 && r < rows.size() && c >= 0 && c < colCount;
}

void CGridData::Clear() {
  Update(true, [&] {
    for (CGridRow& r : rows) r.ClearCells();
    return true;
  });
}

void CGridData::SetRows(int count) {
  Update(true, [&] {
    rows.resize(std::max(count, 0));
    return true;
  });
}

void CGridData::SetCols(int count) {
  count = std::max(count, 0);
  Update(true, [&] {
    if (count < colCount) {
      // Texts of dropped columns must not come back if the count grows again.
      for (qsizetype i = 0; i < rows.size(); ++i) {
        const CGridRow& r = std::as_const(rows)[i];
        if (r.CellCount() > count || r.colours.size() > count) {
          CGridRow& w = rows[i];
          w.Truncate(count);
          if (w.colours.size() > count) w.colours.resize(count);
        }
      }
    }
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
    SetTextLocked(row, col, text);
    return true;
  });
}

void CGridData::SetTextLocked(int r, int c, const QString& text) {
  // Writing an empty text beyond a row's last cell changes nothing: spare
  // the copy a write access would make of a row shared with a snapshot.
  if (text.isEmpty() && c >= std::as_const(rows)[r].CellCount()) return;
  rows[r].SetCell(c, text);
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
  if (r < 0 || r >= rows.size()) return 0;
  const int height = rows[r].height;
  return height > 0 ? height : defaultRowHeight;
}

void CGridData::SetRowHeight(int r, int height) {
  Update(true, [&] {
    if (!(r >= 0 && r < rows.size())) return false;
    rows[r].height = std::max(height, 0);
    return true;
  });
}

void CGridData::InsertLocked(int position, CGridRow newRow) {
  newRow.Truncate(colCount);
  const qsizetype at = std::clamp<qsizetype>(position, 0, rows.size());
  rows.insert(at, std::move(newRow));
}

void CGridData::AddItem(const QString& item, int position) {
  CGridRow newRow(item.isEmpty() ? QStringList() : item.split(QLatin1Char('\t')));
  Update(true, [&] {
    InsertLocked(position, std::move(newRow));
    return true;
  });
}

void CGridData::InsertRowTexts(int position, const QStringList& cells, int height) {
  CGridRow newRow(cells);
  newRow.height = std::max(height, 0);
  Update(true, [&] {
    InsertLocked(position, std::move(newRow));
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
  Update(true, [&] {
    if (!(ValidLocked(0, c) && code >= kSortGenericAscending && code <= kSortStringDescending))
      return false;
    SortLocked(c, code);
    return true;
  });
}

// Odd codes ascend, the even code after each descends by the same key. Equal
// keys keep their order in both directions (a stable sort), so sorting by one
// column after another gives a predictable result.
void CGridData::SortLocked(int c, int code) {
  const qsizetype count = rows.size() - 1;
  if (count < 2) return;
  const bool descending = code % 2 == 0;
  const int ascendingCode = descending ? code - 1 : code;
  std::vector<SortKey> keys;
  keys.reserve(count);
  for (qsizetype i = 1; i < rows.size(); ++i)
    keys.push_back(MakeKey(std::as_const(rows)[i].CellView(c), ascendingCode));
  std::vector<qsizetype> order(count);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
    return descending ? KeyLess(keys[b], keys[a], ascendingCode)
                      : KeyLess(keys[a], keys[b], ascendingCode);
  });
  QList<CGridRow> sorted;
  sorted.reserve(rows.size());
  sorted.append(std::as_const(rows)[0]);
  for (qsizetype i : order) sorted.append(std::as_const(rows)[i + 1]);
  rows = std::move(sorted);
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
    CGridRow& target = rows[r];
    if (target.colours.size() <= c) target.colours.resize(c + 1, kNoColour);
    target.colours[c] = colour & 0x00FFFFFFu;
    return true;
  });
}

std::uint32_t CGridData::CellColourAt(int r, int c) const {
  std::lock_guard lock(mutex);
  if (!ValidLocked(r, c) || c >= rows[r].colours.size()) return kNoColour;
  return rows[r].colours[c];
}

QString CGridData::TextAt(int r, int c) const {
  std::lock_guard lock(mutex);
  return ValidLocked(r, c) ? rows[r].Cell(c) : QString();
}

void CGridData::SetTextAt(int r, int c, const QString& text) {
  Update(true, [&] {
    if (!(ValidLocked(r, c))) return false;
    SetTextLocked(r, c, text);
    return true;
  });
}

QString CGridData::RangeTextLocked(int firstRow, int lastRow, int firstCol, int lastCol) const {
  QString out;
  for (int c = firstCol; c <= lastCol; ++c) AppendCell(out, rows[0].CellView(c));
  out += QLatin1Char('\n');
  for (int r = firstRow; r <= lastRow; ++r) {
    const CGridRow& source = rows[r];
    for (int c = firstCol; c <= lastCol; ++c) AppendCell(out, source.CellView(c));
    out += QLatin1Char('\n');
  }
  return out;
}

// The corners may lie outside the grid (rows were removed since they were
// set, or a caller set them freely): the block is clipped to the grid, and a
// block below the last row gives the title line alone.
QString CGridData::SelectionText() const {
  std::lock_guard lock(mutex);
  const int rowCount = static_cast<int>(rows.size());
  const int firstCol = std::max(std::min(col, colSel), 0);
  const int lastCol = std::min(std::max(col, colSel), colCount - 1);
  if (rowCount == 0 || firstCol > lastCol) return QString();
  const int firstRow = std::max(std::min(row, rowSel), 0);
  const int lastRow = std::min(std::max(row, rowSel), rowCount - 1);
  return RangeTextLocked(firstRow, lastRow, firstCol, lastCol);
}

QString CGridData::RowsText(int firstRow, int lastRow) const {
  std::lock_guard lock(mutex);
  const int rowCount = static_cast<int>(rows.size());
  if (rowCount == 0 || colCount == 0) return QString();
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, rowCount - 1);
  return RangeTextLocked(firstRow, lastRow, 0, colCount - 1);
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
  snapshot.rows = rows;
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
