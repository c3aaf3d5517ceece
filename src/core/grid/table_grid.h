// The table grid of a page: its column descriptors, the rows a job inserts,
// the copy text, the context-menu rules and the Sort commands.
//
// A CTableGrid drives one CGridData (bound at the first ResetGrid; every
// operation does nothing before). Its job thread resets it, defines the
// columns and fills it; the UI thread routes mouse-downs here and runs the
// menu commands. Neither ever includes a widget: --batch and the tests use it
// without a view.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

#include "core/grid/grid_data.h"

namespace tesmo {

// How a column is shown and sorted.
struct CColumnInfo {
  QString title;
  int width = 0;      // in characters
  int align = 0;      // alignment code (GridAlign)
  bool isIP = false;  // cells hold host addresses or names: their menu is "Select"
  int sort = 0;       // code of "Ascending"; "Descending" uses sort + 1
};

// Context menus of the grids.
enum GridMenuId : int { kMenuNone = 0, kMenuCopy = 132, kMenuSort = 138, kMenuSelect = 139 };

// The grid's own commands (the main window's command ids). The Select menu's
// commands belong to the tools (tools/tool_spec.h).
enum GridCommandId : int {
  kCmdSortAscending = 32771,
  kCmdSortDescending = 32772,
  kCmdCopy = 32783,
  kCmdColumnProperty = 32787,
  kCmdDeleteColumn = 32788,
};

// Mouse buttons as the grid reports them.
enum GridMouseButton : int { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

struct GridMenuItem {
  int commandId;  // 0: a separator
  const char* text;
};

// The items of the Copy and Sort menus. The Sort menu keeps "Column
// property" only when columnProperty is set.
std::vector<GridMenuItem> GridMenuItems(int menuId, bool columnProperty);
// A clicked cell's text as a host: cut at the first tab, line feed or
// carriage return.
QString HostOfCellText(const QString& text);

class CTableGrid : public QObject {
  Q_OBJECT
 public:
  explicit CTableGrid(QObject* parent = nullptr);
  ~CTableGrid() override;

  // Binds grid (null: nothing happens), empties it to rowCount rows and
  // colCount columns, word wrap, scroll tracking and highlight on, drops all
  // column descriptors and leaves colCount empty slots. The current cell goes
  // to row 1, column 0. Column widths use the grid's width unit as it is now.
  void ResetGrid(CGridData* grid, int rowCount, int colCount);
  // The same on the grid bound already.
  void ResetGrid(int rowCount, int colCount) { ResetGrid(Grid(), rowCount, colCount); }

  // Title into row 0, width x the width unit, alignment, and the descriptor
  // into slot index (ignored outside 0..column count - 1).
  void DefineColumn(int index, const QString& title, int width, int align, bool isIP, int sort);
  void DefineColumn(int index, const CColumnInfo& info);

  // An empty row at position r (row 0 is the header row).
  void InsertRow(int r);
  // Row r with all its texts in one step; lines > 1 makes it that many default
  // rows high (cells holding several lines). Jobs fill with this: the row is
  // complete the moment it appears, whatever the user does meanwhile.
  void InsertRowTexts(int r, const QStringList& cells, int lines = 1);

  // The copy text of the selection (see CGridData::SelectionText). False, and
  // text untouched, without a grid or when nothing can be copied.
  bool SelectionText(QString& text) const;

  // The grid's mouse-down (button 1 left, 2 right, 4 middle): records the
  // cell under the mouse as the clicked cell, makes this the ActiveTableGrid
  // and returns the menu to open (kMenuNone for none). Right and middle
  // buttons open menus: on a data cell "Select" when its column holds
  // addresses, else "Copy", none when the column has no descriptor; on the
  // header "Sort" while the sort menu is enabled.
  int OnGridMouseDown(int button, int shift, int x, int y);

  // The Sort menu commands on the clicked column: its sort code, or the code
  // + 1. False when there is no grid or no descriptor for the column.
  bool SortAscending();
  bool SortDescending();
  // The same, worked out on another thread: see CGridData::PrepareSort.
  std::optional<CGridPendingSort> PrepareSortClicked(bool descending);

  // Moves the current cell to the clicked cell and returns its text as a
  // host (HostOfCellText); the Select commands hand it on.
  QString ClickedCellText();

  CGridData* Grid() const;
  std::optional<CColumnInfo> Column(int index) const;
  int ClickedRow() const { return clickedRow.load(); }
  int ClickedCol() const { return clickedCol.load(); }
  // Grid units per character at the last reset.
  int WidthUnit() const;

  // The header opens the Sort menu while this is on (starts on; the
  // discovery page turns it off while its job runs).
  void SetSortMenuEnabled(bool on) { sortMenuEnabled.store(on); }
  bool SortMenuEnabled() const { return sortMenuEnabled.load(); }
  // The Sort menu keeps "Column property" (Gen. Table only; starts off).
  void SetColumnPropertyEnabled(bool on) { columnPropertyEnabled.store(on); }
  bool ColumnPropertyEnabled() const { return columnPropertyEnabled.load(); }

  // The page's count label ("%u entry(s)"); any thread.
  void SetStatusLabel(const QString& text);
  QString StatusLabel() const;

 signals:
  // Emitted on the setting thread; connect queued.
  void StatusLabelChanged(const QString& text);

 private:
  bool SortClicked(int offset);

  mutable std::mutex mutex;  // grid binding, descriptors, label
  CGridData* grid = nullptr;
  int colCount = 0;
  int widthUnit = 0;
  std::vector<std::optional<CColumnInfo>> columns;
  QString statusLabel;
  std::atomic<int> clickedRow{0};
  std::atomic<int> clickedCol{0};
  std::atomic<bool> sortMenuEnabled{true};
  std::atomic<bool> columnPropertyEnabled{false};
};

// The table grid that received the last mouse-down of any button; the Sort
// and Select commands act on it. Null until the first mouse-down, and again
// when that grid is destroyed.
extern std::atomic<CTableGrid*> ActiveTableGrid;

}  // namespace tesmo
