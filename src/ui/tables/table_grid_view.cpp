// The grid of a table page on screen.
#include "ui/tables/table_grid_view.h"

#include <QAction>
#include <QMenu>

#include "core/grid/table_fill.h"
#include "ui/app/tool_page.h"

namespace tesmo {
namespace {

CTableGridView::MenuRunner& Runner() {
  static CTableGridView::MenuRunner runner;
  return runner;
}

int ExecMenu(QMenu& menu, const QPoint& globalPos) {
  if (Runner()) return Runner()(menu, globalPos);
  const QAction* chosen = menu.exec(globalPos);
  return chosen != nullptr ? chosen->data().toInt() : 0;
}

}  // namespace

void CTableGridView::SetMenuRunner(MenuRunner runner) {
  Runner() = std::move(runner);
}

CTableGridView::CTableGridView(QWidget* parent) : CGridView(parent) {
  // Bound from the start, so that a job can never find its grid missing.
  ResetResults();
  connect(this, &CGridView::MouseDown, this, &CTableGridView::OnMouseDown);
}

void CTableGridView::ResetResults(std::span<const CColumnInfo> columns) {
  table.ResetGrid(&Data(), 1, 2);
  if (!columns.empty()) PrepareTable(table, columns);
}

void CTableGridView::OnMouseDown(int button, int shift, int x, int y) {
  const int menuId = table.OnGridMouseDown(button, shift, x, y);
  if (menuId == kMenuNone) return;
  QMenu menu(this);
  const std::vector<GridMenuItem> items =
      menuId == kMenuSelect ? SelectMenuItems()
                            : GridMenuItems(menuId, table.ColumnPropertyEnabled());
  for (const GridMenuItem& item : items) {
    if (item.commandId == 0) {
      menu.addSeparator();
    } else {
      menu.addAction(QString::fromUtf8(item.text))->setData(item.commandId);
    }
  }
  const int commandId = ExecMenu(menu, MouseDownPosition());
  // A Select command opens a new instance when the middle button opened
  // its menu.
  if (menuId == kMenuSelect) selectInNewInstance = button == kMiddleButton;
  if (commandId != 0) RunCommand(commandId);
}

CTableGridView::~CTableGridView() {
  if (sorter.joinable()) sorter.join();
}

// A million rows take a few hundred milliseconds to sort: this grid's sort
// is worked out on a thread of its own from a copy taken now, and the view
// redraws when the rows have moved. A write to the grid meanwhile (a job
// started) leaves the rows as the job wrote them. Another grid's sort (the
// active grid is the clicked one's) and a sort of a few rows run here and now.
void CTableGridView::SortBesideTheWindow(bool descending) {
  CTableGrid* active = ActiveTableGrid.load();
  if (active == nullptr) return;
  if (sorter.joinable()) sorter.join();
  std::optional<CGridPendingSort> pending;
  if (active == &table) pending = table.PrepareSortClicked(descending);
  if (!pending) {
    descending ? active->SortDescending() : active->SortAscending();
    return;
  }
  sorter = std::thread(
      [grid = &Data(), sort = std::move(*pending)]() mutable { grid->FinishSort(sort); });
}

void CTableGridView::RunCommand(int commandId) {
  if (IsSelectCommand(commandId)) {
    emit SelectCommand(commandId, table.ClickedCellText(), selectInNewInstance);
    return;
  }
  switch (commandId) {
    case kCmdSortAscending:
      SortBesideTheWindow(false);
      break;
    case kCmdSortDescending:
      SortBesideTheWindow(true);
      break;
    case kCmdCopy: {
      // The page's CopyResults: the clicked grid always sits on the active page.
      for (QObject* up = parent(); up != nullptr; up = up->parent()) {
        if (auto* page = qobject_cast<ToolPage*>(up)) {
          page->CopyResults();
          return;
        }
      }
      CopySelection();
      break;
    }
    case kCmdColumnProperty:
      emit ColumnPropertyRequested(table.ClickedCol());
      break;
    default:  // "Delete column" has no action
      break;
  }
}

}  // namespace tesmo
