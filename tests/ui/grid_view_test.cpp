// The grid on screen: header row, widths in characters, alignment, two-line
// rows, the context menus opened by real clicks with their commands and
// openInNewInstance, copying, and job threads filling a shown grid.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <thread>

#include "core/base/settings_store.h"
#include "core/grid/table_fill.h"
#include "support/tool_pages.h"
#include "ui/tables/table_grid_view.h"
#include "ui/widgets/fixed_font.h"
#include "ui/widgets/readable_colour.h"
#include "wait.h"

using namespace tesmo;

namespace {

const CColumnInfo kColumns[] = {
    {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
    {"descr.", 19, kAlignLeftTop, false, kSortStringNoCaseAscending},
    {"ip address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending},
    {"unused", 0, kAlignLeftTop, false, kSortNone},
};

class GridViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RebuildFixedFont();
    view = std::make_unique<CTableGridView>();
    view->resize(900, 400);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    view->ResetResults();
  }
  void TearDown() override {
    CTableGridView::SetMenuRunner({});
    view.reset();
  }

  // The interfaces of a small host, the second one with two addresses.
  void FillSmallTable() {
    CTableGrid& table = view->Table();
    PrepareTable(table, kColumns);
    CTableFill fill(table);
    fill.AddRow({"2", "eth0", "127.0.0.21\r\n127.0.0.22"}, 2);
    fill.AddRow({"1", "lo", "127.0.0.1"});
    FinishTable(table, fill.Count(), 0, kSortNumericAscending);
    EXPECT_EVENTUALLY_EQ(view->Model()->rowCount(), 2);
  }

  QModelIndex Cell(int gridRow, int col) const { return view->Model()->index(gridRow - 1, col); }
  QPoint CellCentre(int gridRow, int col) const {
    return view->visualRect(Cell(gridRow, col)).center();
  }

  void ClickCell(Qt::MouseButton button, int gridRow, int col,
                 Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(view->viewport(), button, modifiers, CellCentre(gridRow, col));
  }
  void ClickHeader(Qt::MouseButton button, int col) {
    QHeaderView* header = view->horizontalHeader();
    QTest::mouseClick(header->viewport(), button, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(col) + header->sectionSize(col) / 2,
                             header->height() / 2));
  }

  std::unique_ptr<CTableGridView> view;
};

// The sweep's status colours (red, blue, green as stored) read well on a
// light palette as they are, and on a dark one after lightening; the hue stays.
TEST_F(GridViewTest, CellColoursStayReadableOnADarkPalette) {
  FillSmallTable();
  const struct {
    std::uint32_t bgr;
    QColor asStored;
  } colours[] = {
      {0x000080, QColor(128, 0, 0)}, {0x800000, QColor(0, 0, 128)}, {0x008000, QColor(0, 128, 0)}};
  for (const QColor base :
       {QColor(Qt::white), QColor(0x1e, 0x1e, 0x1e), QColor(0x35, 0x35, 0x35)}) {
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, base);
    view->setPalette(palette);
    for (const auto& c : colours) {
      SCOPED_TRACE(base.name().toStdString() + " " + c.asStored.name().toStdString());
      view->Data().SetCellColourAt(1, 1, c.bgr);
      const auto shownColour = [&] {
        return view->Model()->data(Cell(1, 1), Qt::ForegroundRole).value<QColor>();
      };
      EXPECT_EVENTUALLY_TRUE(shownColour().isValid() &&
                             shownColour().hslHue() == c.asStored.hslHue());
      const QColor shown = shownColour();
      EXPECT_GE(ContrastRatio(shown, base), 4.5);
      if (base == Qt::white) {
        EXPECT_EQ(shown, c.asStored);
      }
    }
  }
}

// Select all after a click copies the whole grid it highlights, not the
// block from the top left to the clicked cell.
TEST_F(GridViewTest, SelectAllThenCopyCopiesEverything) {
  FillSmallTable();
  ClickCell(Qt::LeftButton, 2, 1);
  QTest::keySequence(view.get(), QKeySequence::SelectAll);
  QApplication::clipboard()->clear();
  QTest::keySequence(view.get(), QKeySequence::Copy);
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(),
            "int.\tdescr.\tip address\tunused\t\n1\tlo\t127.0.0.1\t\t\n"
            "2\teth0\t127.0.0.21  127.0.0.22\t\t\n");
}

// The clipboard gets the cells as they were at Copy, whatever the job
// writes afterwards, and texts beyond Latin-1 arrive whole.
TEST_F(GridViewTest, CopyKeepsTheCellsOfItsMomentInEveryWidth) {
  CGridData& grid = view->Data();
  grid.SetCols(2);
  grid.SetRows(1);
  grid.SetTextAt(0, 0, "name");
  grid.SetTextAt(0, 1, "note");
  const QStringList names = {QString::fromUtf8("東京"), "Zürich", "plain",
                             QString::fromUtf8("\xF0\x9F\x99\x82")};
  for (const QString& name : names) grid.InsertRowTexts(grid.Rows(), {name, "a\tb"});
  grid.SetSelectionFromView(1, 0, grid.Rows() - 1, 1);
  ASSERT_TRUE(view->CopySelection());
  grid.SetTextAt(1, 0, "written after the copy");
  grid.SortColumn(0, kSortStringAscending);
  QString expected = "name\tnote\t\n";
  for (const QString& name : names) expected += name + "\ta b\t\n";
  EXPECT_EQ(QApplication::clipboard()->text(), expected);
}

TEST_F(GridViewTest, ShowsHeaderWidthsAlignmentAndTwoLineRows) {
  FillSmallTable();
  const CGridModel* model = view->Model();
  QHeaderView* header = view->horizontalHeader();
  EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "ip address");
  EXPECT_EQ(model->data(Cell(1, 1), Qt::DisplayRole).toString(), "lo");
  EXPECT_EQ(model->data(Cell(2, 2), Qt::DisplayRole).toString(), "127.0.0.21\n127.0.0.22");

  // Widths follow the character counts in units of the font's "m".
  const int m =
      std::max(QFontMetrics(view->font()).horizontalAdvance(QLatin1Char('m')),
               QFontMetrics(QApplication::font(view.get())).horizontalAdvance(QLatin1Char('m')));
  EXPECT_EQ(view->Data().WidthUnit(), 10 * m);
  EXPECT_EQ(header->sectionSize(1) - header->sectionSize(0), (19 - 3) * m);
  EXPECT_GE(header->sectionSize(2), 12 * m);
  EXPECT_TRUE(view->isColumnHidden(3));  // width 0

  EXPECT_EQ(model->data(Cell(1, 0), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignTop);
  EXPECT_EQ(model->data(Cell(1, 1), Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignLeft | Qt::AlignTop);
  EXPECT_EQ(CGridModel::AlignmentOf(kAlignGeneral, u"1500") & Qt::AlignHorizontal_Mask,
            Qt::AlignRight);
  EXPECT_EQ(CGridModel::AlignmentOf(kAlignGeneral, u"up") & Qt::AlignHorizontal_Mask,
            Qt::AlignLeft);

  // The final sort put "lo" first; the double height went with eth0's row.
  EXPECT_EQ(view->rowHeight(1), 2 * view->rowHeight(0));
  EXPECT_GE(view->rowHeight(0), QFontMetrics(view->font()).height());

  // Sorting back moves the height again.
  view->Data().SortColumn(0, kSortNumericDescending);
  EXPECT_EVENTUALLY_EQ(model->data(Cell(1, 1), Qt::DisplayRole).toString(), QString("eth0"));
  EXPECT_EQ(view->rowHeight(0), 2 * view->rowHeight(1));
}

TEST_F(GridViewTest, FollowsTheFixedFontWhenShownAgain) {
  const int before = view->Data().WidthUnit();
  const int rowBefore = view->Data().DefaultRowHeight();
  CSettingsStore::WriteInt("", "FixedFontSize", 24);
  RebuildFixedFont();
  view->hide();
  view->show();
  EXPECT_EQ(view->font(), FixedFont());
  EXPECT_EQ(view->Data().WidthUnit(),
            10 * QFontMetrics(FixedFont()).horizontalAdvance(QLatin1Char('m')));
  EXPECT_GT(view->Data().WidthUnit(), before);
  EXPECT_GT(view->Data().DefaultRowHeight(), rowBefore);
  CSettingsStore::WriteInt("", "FixedFontSize", 10);
  RebuildFixedFont();
}

TEST_F(GridViewTest, MenusFollowTheClickedCellAndButton) {
  FillSmallTable();
  std::vector<QStringList> menus;
  int pick = 0;
  CTableGridView::SetMenuRunner([&](QMenu& menu, const QPoint&) {
    QStringList items;
    for (QAction* action : menu.actions()) items << (action->isSeparator() ? "-" : action->text());
    menus.push_back(items);
    return pick;
  });
  // Only the grid's side is under test here: what the window then does with
  // a Select command is tested with the Parameters page.
  QSignalSpy select(view.get(), &CTableGridView::SelectCommand);
  const QStringList selectMenu = {"Get System",
                                  "Get Interfaces",
                                  "Get Addresses",
                                  "Get Routes",
                                  "Get Arp",
                                  "Test Reachability",
                                  "-",
                                  "Graph Round Trip Delay",
                                  "Telnet"};

  // Left button: no menu, but the grid becomes the active one.
  ActiveTableGrid.store(nullptr);
  ClickCell(Qt::LeftButton, 2, 2);
  EXPECT_TRUE(menus.empty());
  EXPECT_EQ(ActiveTableGrid.load(), &view->Table());

  // Header: the Sort menu without "Column property".
  ClickHeader(Qt::RightButton, 1);
  ASSERT_EQ(menus.size(), 1u);
  EXPECT_EQ(menus.back(), QStringList({"Ascending", "Descending", "-", "Delete column", "Copy"}));

  // Address cell, right button: Select menu, in this instance.
  pick = SelectCommandOf("routetable");
  ClickCell(Qt::RightButton, 1, 2);
  ASSERT_EQ(menus.size(), 2u);
  EXPECT_EQ(menus.back(), selectMenu);
  ASSERT_EQ(select.count(), 1);
  EXPECT_EQ(select.at(0).at(0).toInt(), SelectCommandOf("routetable"));
  EXPECT_EQ(select.at(0).at(1).toString(), "127.0.0.1");
  EXPECT_FALSE(select.at(0).at(2).toBool());

  // Middle button: the same menu, and the Select opens a new instance; a
  // two-line cell hands on its first line.
  pick = SelectCommandOf("arptable");
  ClickCell(Qt::MiddleButton, 2, 2);
  EXPECT_EQ(menus.back(), selectMenu);
  ASSERT_EQ(select.count(), 2);
  EXPECT_EQ(select.at(1).at(0).toInt(), SelectCommandOf("arptable"));
  EXPECT_EQ(select.at(1).at(1).toString(), "127.0.0.21");
  EXPECT_TRUE(select.at(1).at(2).toBool());

  // Closing the menu without a choice selects nothing.
  pick = 0;
  ClickCell(Qt::MiddleButton, 2, 2);
  EXPECT_EQ(select.count(), 2);

  // Other cell: the Copy menu; its command copies the block selected before
  // (a right click does not move the selection).
  pick = kCmdCopy;
  QApplication::clipboard()->clear();
  ClickCell(Qt::RightButton, 1, 1);
  EXPECT_EQ(menus.back(), QStringList({"Copy"}));
  EXPECT_EQ(QApplication::clipboard()->text(), "ip address\t\n127.0.0.21  127.0.0.22\t\n");

  // Header "Descending" on "int." (numeric) sorts by index descending.
  pick = kCmdSortDescending;
  ClickHeader(Qt::RightButton, 0);
  EXPECT_EVENTUALLY_EQ(view->Model()->data(Cell(1, 0), Qt::DisplayRole).toString(), QString("2"));

  // Where Column property is enabled, the Sort menu offers it.
  view->Table().SetColumnPropertyEnabled(true);
  QSignalSpy property(view.get(), &CTableGridView::ColumnPropertyRequested);
  pick = kCmdColumnProperty;
  ClickHeader(Qt::RightButton, 2);
  EXPECT_EQ(menus.back(), QStringList({"Ascending", "Descending", "-", "Column property",
                                       "Delete column", "Copy"}));
  ASSERT_EQ(property.count(), 1);
  EXPECT_EQ(property.at(0).at(0).toInt(), 2);
}

TEST_F(GridViewTest, SelectionIsSharedWithTheDataAndCopied) {
  FillSmallTable();
  // The user drags a block: its corners become the grid's selection.
  ClickCell(Qt::LeftButton, 1, 0);
  ClickCell(Qt::LeftButton, 2, 1, Qt::ShiftModifier);
  CGridData& data = view->Data();
  EXPECT_EQ(std::min(data.Row(), data.RowSel()), 1);
  EXPECT_EQ(std::max(data.Row(), data.RowSel()), 2);
  EXPECT_EQ(std::max(data.Col(), data.ColSel()), 1);
  QApplication::clipboard()->clear();
  QTest::keyClick(view.get(), Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(QApplication::clipboard()->text(), "int.\tdescr.\t\n1\tlo\t\n2\teth0\t\n");

  // A selection set on the data shows in the view.
  data.SetRow(2);
  data.SetCol(2);
  data.SetRowSel(1);
  data.SetColSel(1);
  EXPECT_EVENTUALLY_TRUE(view->selectionModel()->isSelected(Cell(2, 2)));
  EXPECT_EQ(view->selectionModel()->selectedIndexes().size(), 4);
  EXPECT_TRUE(view->selectionModel()->isSelected(Cell(1, 1)));
  EXPECT_FALSE(view->selectionModel()->isSelected(Cell(1, 0)));
}

// Job threads write while the view shows the grid and refreshes from it: one
// fill with redraw off (the table job), one with redraw on (pages that draw
// while they walk), with the user sorting meanwhile.
TEST_F(GridViewTest, WorkerThreadsFillAShownGrid) {
  constexpr int kRows = 100000;
  const CColumnInfo tenColumns[] = {{"n", 6, kAlignRightTop, false, kSortNumericAscending},
                                    {"a", 8, 0, false, 5},
                                    {"b", 8, 0, false, 5},
                                    {"c", 8, 0, false, 5},
                                    {"d", 8, 0, false, 5},
                                    {"e", 8, 0, false, 5},
                                    {"f", 8, 0, false, 5},
                                    {"g", 8, 0, false, 5},
                                    {"h", 8, 0, false, 5},
                                    {"ip", 15, 0, true, 5}};
  CTableGrid& table = view->Table();
  QSignalSpy label(&table, &CTableGrid::StatusLabelChanged);
  std::atomic<bool> done{false};
  std::thread job([&] {
    PrepareTable(table, tenColumns);
    CTableFill fill(table);
    for (int i = 0; i < kRows; ++i) {
      const QString n = QString::number(i);
      fill.AddRow({n, "a" + n, "b" + n, "c" + n, "d" + n, "e" + n, "f" + n, "g" + n, "h" + n,
                   QString("10.%1.%2.%3").arg(i >> 16).arg((i >> 8) & 255).arg(i & 255)});
    }
    FinishTable(table, fill.Count(), 0, kSortNumericDescending);
    done.store(true);
  });
  while (!done.load()) {
    QCoreApplication::processEvents();
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + 3);
    view->viewport()->repaint();
  }
  job.join();
  EXPECT_EVENTUALLY_EQ(view->Model()->rowCount(), kRows);
  const CGridModel* model = view->Model();
  EXPECT_EQ(model->data(Cell(1, 0), Qt::DisplayRole).toString(), QString::number(kRows - 1));
  EXPECT_EQ(model->data(Cell(kRows, 0), Qt::DisplayRole).toString(), "0");
  EXPECT_EQ(model->data(Cell(kRows, 9), Qt::DisplayRole).toString(), "10.0.0.0");
  EXPECT_EQ(model->headerData(9, Qt::Horizontal, Qt::DisplayRole).toString(), "ip");
  EXPECT_EQ(table.StatusLabel(), "100000 entry(s)");

  // Redraw on: every row is announced as it comes; the view keeps up, and the
  // user sorts in between.
  constexpr int kLiveRows = 20000;
  done.store(false);
  std::thread live([&] {
    PrepareTable(table, tenColumns);
    for (int i = 0; i < kLiveRows; ++i) {
      const QString n = QString::number(i);
      table.InsertRowTexts(i + 1, {n, n, n, n, n, n, n, n, n, n});
    }
    done.store(true);
  });
  int sorts = 0;
  while (!done.load()) {
    QCoreApplication::processEvents();
    if (++sorts % 50 == 0) view->Data().SortColumn(1, kSortStringAscending);
    view->viewport()->repaint();
  }
  live.join();
  EXPECT_EVENTUALLY_EQ(view->Model()->rowCount(), kLiveRows);
  view->Data().SortColumn(0, kSortNumericAscending);
  EXPECT_EVENTUALLY_EQ(model->data(Cell(kLiveRows, 0), Qt::DisplayRole).toString(),
                       QString::number(kLiveRows - 1));
  for (int r = 1; r <= kLiveRows; r += 997) {
    EXPECT_EQ(model->data(Cell(r, 9), Qt::DisplayRole).toString(), QString::number(r - 1));
  }
}

}  // namespace
