// The grid every table page shows: cells, current cell, selection, column
// formats, row heights, cell colours and sorting, safe to drive from a job
// thread while the window shows it.
//
// One mutex guards everything. Row 0 is the fixed header row; every column,
// column 0 included, holds data. Writes made while redraw is off only
// accumulate; turning redraw on again, or any write while it is on, raises one
// Changed notification, and no further one until the view has taken a
// snapshot. The view therefore refreshes once per batch of writes, never per
// cell.
//
// The current cell (Row, Col) and the selection corner (RowSel, ColSel) are
// shared between whoever drives the grid, as a grid control's are: a job that
// moves the current cell to write competes with the user clicking in the
// view. Jobs therefore write with the addressed calls (SetTextAt,
// InsertRowTexts, SortColumn), which take the lock once and never depend on
// the current cell.
//
// The cells are stored compactly by column (grid_cells.h: one arena of
// Latin-1 or UTF-16 bytes per column, short repeated texts held once, a
// 32-bit offset per cell) and become QStrings only when read, which the view
// does for the rows it shows. A million rows of ten short texts take about a
// tenth of what a QString per cell would.
//
// A sort turns the column into one integer key per row, computed once
// (numbers by value, texts by their rank after collating the column's
// distinct texts once, IPv6 addresses by value after the other texts), orders
// the rows by key and former place (stable), and moves the rows' offsets,
// colours and heights in place; on a job thread it runs under the lock the
// fill takes too. Copying reads a shared copy of the cells outside the lock
// and writes the text in pieces (CGridCopy).
#pragma once

#include <QByteArrayView>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "core/grid/grid_cells.h"

namespace tesmo {

// Sort codes of the grid; "Descending" of a column is its code + 1.
enum GridSort : int {
  kSortNone = 0,
  kSortGenericAscending = 1,
  kSortGenericDescending = 2,
  kSortNumericAscending = 3,
  kSortNumericDescending = 4,
  kSortStringNoCaseAscending = 5,
  kSortStringNoCaseDescending = 6,
  kSortStringAscending = 7,
  kSortStringDescending = 8,
  // Custom order through a compare callback; no part of the program provides
  // one, so rows keep their order.
  kSortCustom = 9,
};

// Column alignment codes.
enum GridAlign : int {
  kAlignLeftTop = 0,
  kAlignLeftCenter = 1,
  kAlignLeftBottom = 2,
  kAlignCenterTop = 3,
  kAlignCenterCenter = 4,
  kAlignCenterBottom = 5,
  kAlignRightTop = 6,
  kAlignRightCenter = 7,
  kAlignRightBottom = 8,
  kAlignGeneral = 9,  // text left, numbers right
};

struct CGridColumn {
  int width = -1;  // grid units; -1 = the view's default width
  int align = kAlignGeneral;
};

// What the view draws: a consistent copy taken under the lock. The cells are
// shared with the grid (see grid_cells.h), so taking it costs nothing until
// the grid is written again.
struct CGridSnapshot {
  CGridCells cells;  // header row included
  QList<CGridColumn> columns;
  int colCount = 0;
  int defaultRowHeight = 0;
  bool wordWrap = false;
  bool scrollTrack = false;
  bool highlightAlways = false;
  int row = 0, col = 0, rowSel = 0, colSel = 0;
  std::uint64_t selectionSerial = 0;
  // Serial of the last cell, row or format write; tells the view whether its
  // model must be refreshed or only its selection.
  std::uint64_t contentSerial = 0;

  int RowCount() const { return cells.RowCount(); }
  QString TextAt(int r, int c) const;
};

// A block of cells to copy: the cells as they were when it was taken, and
// the rows and columns of the block (none when lastRow < firstRow).
//
// The cells are shared with the grid, which a job may go on writing. The
// copy lets go of them under the grid's lock (owner): the writer, which takes
// that lock too, then knows the copy has finished reading before it changes
// the cells in place, rather than only through the share count's unordered
// read.
struct CGridCopy {
  CGridCells cells;
  std::shared_ptr<std::mutex> owner;  // the grid's lock; none for a copy of no grid
  int firstRow = 0, lastRow = -1, firstCol = 0, lastCol = -1;

  CGridCopy() = default;
  CGridCopy(const CGridCopy& other) = default;
  CGridCopy(CGridCopy&& other) noexcept = default;
  CGridCopy& operator=(const CGridCopy& other);
  CGridCopy& operator=(CGridCopy&& other) noexcept;
  ~CGridCopy() { Release(); }
  // Lets go of the cells (under the owner's lock).
  void Release();

  bool IsEmpty() const { return lastCol < firstCol; }
  // The copy text (see CGridData::SelectionText) handed to sink in pieces of
  // UTF-8 of about chunkBytes, one piece at a time, so that a million rows
  // never stand in memory as one text besides the table.
  void Write(const std::function<void(QByteArrayView)>& sink,
             qsizetype chunkBytes = 64 * 1024) const;
  QString Text() const;
};

// A sort worked out away from the grid's lock (CGridData::PrepareSort).
struct CGridPendingSort {
  CGridCopy copy;
  std::uint64_t serial = 0;
  int col = 0, code = 0;
};

class CGridData : public QObject {
  Q_OBJECT
 public:
  // Colours are 0x00BBGGRR; this value means "no colour set".
  static constexpr std::uint32_t kNoColour = CGridCells::kNoColour;

  explicit CGridData(QObject* parent = nullptr);

  // --- The grid operations ---------------------------------------------------
  // Empties every cell text and drops cell colours and row heights; the row
  // and column counts stay.
  void Clear();
  void SetRows(int count);  // header row included
  int Rows() const {
    std::lock_guard lock(mutex);
    return cells.RowCount();
  }
  void SetCols(int count);
  int Cols() const { return Locked(colCount); }

  // Moving the current cell collapses the selection onto it (RowSel = Row,
  // ColSel = Col); set the corner afterwards to select a block.
  void SetRow(int row);
  int Row() const { return Locked(row); }
  void SetCol(int col);
  int Col() const { return Locked(col); }
  void SetRowSel(int row);
  int RowSel() const { return Locked(rowSel); }
  void SetColSel(int col);
  int ColSel() const { return Locked(colSel); }

  // Text of the current cell; nothing happens while it lies outside the grid.
  QString Text() const {
    std::lock_guard lock(mutex);
    return ValidLocked(row, col) ? cells.Text(row, col) : QString();
  }
  void SetText(const QString& text);

  // Widths and heights are in grid units: a tenth of a pixel.
  int ColWidth(int col) const;
  void SetColWidth(int col, int width);
  int ColAlignment(int col) const;
  void SetColAlignment(int col, int code);
  // The height of a row that was never set is the default row height.
  int RowHeight(int row) const;
  void SetRowHeight(int row, int height);

  // Inserts a row at position (clamped to 0..Rows()); tabs in item separate
  // the texts of its cells, so an empty item gives an empty row.
  void AddItem(const QString& item, int position);
  void InsertRow(int position) { AddItem(QString(), position); }

  // Reorders all data rows by the texts of the current column.
  void Sort(int code);

  void SetRedraw(bool on);
  bool Redraw() const { return Locked(redraw); }
  void SetWordWrap(bool on);
  bool WordWrap() const { return Locked(wordWrap); }
  void SetScrollTrack(bool on);
  bool ScrollTrack() const { return Locked(scrollTrack); }
  void SetHighlightAlways(bool on);
  bool HighlightAlways() const { return Locked(highlightAlways); }

  // The cell under the pointer at the last mouse event (-1 outside the cells).
  int MouseRow() const { return Locked(mouseRow); }
  int MouseCol() const { return Locked(mouseCol); }

  // Colour of the current cell's text, 0x00BBGGRR.
  void SetCellColour(std::uint32_t colour);

  // --- Addressed operations, one lock each (for job threads) ------------------
  QString TextAt(int row, int col) const;
  void SetTextAt(int row, int col, const QString& text);
  // Inserts a whole row at position (clamped to 0..Rows()) with its height
  // (0 = default).
  void InsertRowTexts(int position, const QStringList& cells, int height = 0);
  void SortColumn(int col, int code);
  // SortColumn in two steps, for a caller that sorts on another thread:
  // PrepareSort takes a copy of the cells (sharing their texts) where it is
  // called; FinishSort works out the order on it and moves the rows, unless
  // the grid was written since (then it leaves them and returns false).
  // PrepareSort gives nothing for a bad column or code, or fewer than two
  // data rows.
  std::optional<CGridPendingSort> PrepareSort(int col, int code) const;
  bool FinishSort(CGridPendingSort& pending);
  void SetCellColourAt(int row, int col, std::uint32_t colour);
  std::uint32_t CellColourAt(int row, int col) const;

  // --- Copy text ---------------------------------------------------------------
  // The rectangle between the current cell and the selection corner: a title
  // line with the header text of every selected column, then one line per
  // selected row; every cell is followed by a tab and every line ends with a
  // line feed. Tabs, line feeds and carriage returns inside a cell become
  // blanks, so the text stays one record per line. Empty when the grid has no
  // cells.
  QString SelectionText() const;
  // The same layout for rows firstRow..lastRow (none when lastRow < firstRow)
  // and all columns.
  QString RowsText(int firstRow, int lastRow) const;
  // RowsText handed to sink in pieces as it is written (CGridCopy::Write).
  void WriteRows(int firstRow, int lastRow, const std::function<void(QByteArrayView)>& sink,
                 qsizetype chunkBytes = 64 * 1024) const;
  // The selection's block for copying without holding the lock: taking it
  // costs no copy of the cells (see CGridCopy).
  CGridCopy SelectionCopy() const;

  // --- View side -----------------------------------------------------------------
  // Grid units per character (10 x the pixel width of "m") and the default row
  // height, measured by the view in its font; fixed values until a view exists.
  int WidthUnit() const { return Locked(widthUnit); }
  void SetWidthUnit(int unit);
  int DefaultRowHeight() const { return Locked(defaultRowHeight); }
  void SetDefaultRowHeight(int height);
  void SetMouseCell(int row, int col);
  // The user moved the selection in the view. Raises no notification; returns
  // the selection serial the view has now seen.
  std::uint64_t SetSelectionFromView(int row, int col, int rowSel, int colSel);
  // A consistent copy for drawing; re-arms the Changed notification. While
  // redraw is off nothing is taken and false is returned.
  bool TakeSnapshot(CGridSnapshot& snapshot);

 signals:
  // Raised on the writing thread; connect queued.
  void Changed();

 private:
  // Called with the lock held after a change; returns whether to notify.
  bool TouchLocked(bool content);
  void NotifyIf(bool notify);
  // Runs change under the lock; when it returns true the grid was touched
  // (content: cells, else the selection) and listeners hear of it once the
  // lock is released.
  // A copy of a field, read under the lock.
  template <typename T>
  T Locked(const T& field) const {
    std::lock_guard lock(mutex);
    return field;
  }
  template <typename Change>
  void Update(bool content, Change&& change) {
    bool notify = false;
    {
      std::lock_guard lock(mutex);
      if (change()) notify = TouchLocked(content);
    }
    NotifyIf(notify);
  }
  bool ValidLocked(int row, int col) const;
  void SortLocked(int col, int code);
  CGridCopy SelectionCopyLocked() const;
  CGridCopy RowsCopy(int firstRow, int lastRow) const;

  // The lock is shared with the copies taken of the cells (CGridCopy).
  const std::shared_ptr<std::mutex> mutexHolder = std::make_shared<std::mutex>();
  std::mutex& mutex = *mutexHolder;
  CGridCells cells;
  QList<CGridColumn> columns;
  int colCount = 0;
  int row = 0, col = 0, rowSel = 0, colSel = 0;
  int mouseRow = -1, mouseCol = -1;
  int widthUnit = 80;
  int defaultRowHeight = 180;
  bool redraw = true;
  bool wordWrap = false;
  bool scrollTrack = true;
  bool highlightAlways = false;
  // Writes since the last snapshot.
  bool dirty = false;
  std::uint64_t selectionSerial = 0;
  std::uint64_t contentSerial = 0;
  // A Changed notification is on its way and the view has not taken its
  // snapshot yet; further writes need no notification of their own.
  std::atomic<bool> notifyPending{false};
};

// An IPv6 address text (RFC 4291 forms, an optional "%zone") as its bytes and
// zone; the text sorts order such cells by value.
bool ParseGridIpv6(QStringView text, std::array<unsigned char, 16>& address, QStringView& zone);

// Number forms the sorts and the GENERAL alignment read.
// The whole text (blanks around it allowed) is a decimal number.
bool ReadsAsNumber(QStringView text, double* value = nullptr);
// The number at the start of the text, 0 when there is none ("12 ms" is 12,
// "010.001.002.003" is 10.001, "## NA ##" is 0).
double LeadingNumber(QStringView text);

}  // namespace tesmo
