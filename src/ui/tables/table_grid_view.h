// The grid of a table page on screen: a grid view with the page's CTableGrid,
// its context menus and their commands.
//
// A right or middle click asks the CTableGrid which menu fits the clicked
// cell and opens it at the mouse. The commands run as the main window's
// commands do: Ascending and Descending sort the ActiveTableGrid, Copy runs
// the page's CopyResults, Column property is left to the page, and the
// Select commands are signalled with the clicked host (the window takes
// them), and whether the menu was opened with the middle button (a new
// program instance).
#pragma once

#include <functional>
#include <span>
#include <thread>

#include "core/grid/table_grid.h"
#include "ui/widgets/grid_view.h"

class QMenu;

namespace tesmo {

class CTableGridView : public CGridView {
  Q_OBJECT
 public:
  explicit CTableGridView(QWidget* parent = nullptr);
  ~CTableGridView() override;

  // The page's table grid, bound to this view's data from construction on.
  // Hand it to the page's job.
  CTableGrid& Table() { return table; }

  // The pages' ResetResults: the header with these columns' titles (or
  // none) and no row, so no stray cell stands there before the first Start.
  void ResetResults(std::span<const CColumnInfo> columns = {});

  // The menu command commandId on this grid.
  void RunCommand(int commandId);

  // Shows a menu at a global position and returns the chosen command id (0:
  // none). Tests replace it to pick an item; empty restores the real menu.
  using MenuRunner = std::function<int(QMenu& menu, const QPoint& globalPos)>;
  static void SetMenuRunner(MenuRunner runner);

 signals:
  // "Column property" was chosen in the Sort menu of column ClickedCol().
  void ColumnPropertyRequested(int column);
  // A command of the Select menu on host, the clicked cell's text cut at its
  // first tab or line break; ActiveTableGrid is this grid.
  void SelectCommand(int commandId, const QString& host, bool newInstance);

 private:
  void OnMouseDown(int button, int shift, int x, int y);

  // Ascending or Descending from the menu.
  void SortBesideTheWindow(bool descending);

  CTableGrid table;
  // Sorts a menu command asked for: one at a time, joined before the view goes.
  std::thread sorter;
  // The last Select menu was opened with the middle button.
  bool selectInNewInstance = false;
};

}  // namespace tesmo
