// The table grid: column definitions, the context-menu rules, the Sort
// commands with their "Descending" codes, the copy text and the grid side of
// a table job.
#include "core/grid/table_grid.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <chrono>

#include "core/base/status_channel.h"
#include "core/grid/table_fill.h"

using namespace tesmo;

namespace {

std::vector<int> CommandsOf(int menuId, bool columnProperty) {
  std::vector<int> ids;
  for (const GridMenuItem& item : GridMenuItems(menuId, columnProperty))
    ids.push_back(item.commandId);
  return ids;
}

TEST(TableGrid, NothingHappensBeforeAGridIsBound) {
  CTableGrid table;
  table.DefineColumn(0, "int.", 3, 6, false, 3);
  table.InsertRow(1);
  QString text = "untouched";
  EXPECT_FALSE(table.SelectionText(text));
  EXPECT_EQ(text, "untouched");
  ActiveTableGrid.store(nullptr);
  EXPECT_EQ(table.OnGridMouseDown(kRightButton, 0, 0, 0), kMenuNone);
  EXPECT_EQ(ActiveTableGrid.load(), nullptr);
  EXPECT_FALSE(table.SortAscending());
}

TEST(TableGrid, ResetAndDefineColumns) {
  CGridData grid;
  grid.SetWidthUnit(70);
  CTableGrid table;
  table.ResetGrid(&grid, 1, 3);
  EXPECT_EQ(grid.Rows(), 1);
  EXPECT_EQ(grid.Cols(), 3);
  EXPECT_TRUE(grid.WordWrap());
  EXPECT_TRUE(grid.ScrollTrack());
  EXPECT_TRUE(grid.HighlightAlways());
  table.DefineColumn(0, "int.", 3, kAlignRightTop, false, kSortNumericAscending);
  table.DefineColumn(2, "ip address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending);
  table.DefineColumn(3, "beyond", 5, 0, false, 0);  // no slot: ignored
  EXPECT_EQ(grid.TextAt(0, 0), "int.");
  EXPECT_EQ(grid.ColWidth(0), 3 * 70);
  EXPECT_EQ(grid.ColAlignment(0), kAlignRightTop);
  EXPECT_EQ(grid.ColWidth(2), 12 * 70);
  EXPECT_TRUE(table.Column(2)->isIP);
  EXPECT_FALSE(table.Column(1).has_value());
  EXPECT_FALSE(table.Column(3).has_value());

  // A new reset drops descriptors and texts; the width unit is read again.
  grid.SetWidthUnit(90);
  table.ResetGrid(2, 2);
  EXPECT_FALSE(table.Column(0).has_value());
  EXPECT_EQ(grid.TextAt(0, 0), "");
  table.DefineColumn(0, "a", 2, 0, false, 0);
  EXPECT_EQ(grid.ColWidth(0), 180);
}

// --- Menu rules ---------------------------------------------------------------

struct MenuCase {
  const char* name;
  int button, row, col;
  bool sortMenuEnabled, columnProperty;
  int menu;
};

class MenuRules : public ::testing::TestWithParam<MenuCase> {};

TEST_P(MenuRules, PickTheMenu) {
  const MenuCase& c = GetParam();
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 3, 3);
  table.DefineColumn(0, "descr.", 10, 0, false, 5);
  table.DefineColumn(1, "ip address", 12, 0, true, 5);
  // Column 2 has no descriptor.
  table.SetSortMenuEnabled(c.sortMenuEnabled);
  table.SetColumnPropertyEnabled(c.columnProperty);
  ActiveTableGrid.store(nullptr);
  grid.SetMouseCell(c.row, c.col);
  EXPECT_EQ(table.OnGridMouseDown(c.button, 0, 5, 5), c.menu) << c.name;
  // Every button makes the grid the active one and records the cell.
  EXPECT_EQ(ActiveTableGrid.load(), &table);
  EXPECT_EQ(table.ClickedRow(), c.row);
  EXPECT_EQ(table.ClickedCol(), c.col);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, MenuRules,
    ::testing::Values(
        MenuCase{"right on header", kRightButton, 0, 0, true, false, kMenuSort},
        MenuCase{"middle on header", kMiddleButton, 0, 2, true, false, kMenuSort},
        MenuCase{"header, sort menu off", kRightButton, 0, 0, false, false, kMenuNone},
        MenuCase{"right on address cell", kRightButton, 2, 1, true, false, kMenuSelect},
        MenuCase{"middle on address cell", kMiddleButton, 1, 1, true, false, kMenuSelect},
        MenuCase{"right on other cell", kRightButton, 1, 0, true, false, kMenuCopy},
        MenuCase{"middle on other cell", kMiddleButton, 2, 0, true, false, kMenuCopy},
        MenuCase{"no descriptor", kRightButton, 1, 2, true, false, kMenuNone},
        MenuCase{"left on address cell", kLeftButton, 1, 1, true, false, kMenuNone},
        MenuCase{"left on header", kLeftButton, 0, 0, true, true, kMenuNone},
        MenuCase{"below the rows", kRightButton, -1, -1, true, false, kMenuNone}),
    [](const ::testing::TestParamInfo<MenuCase>& info) { return std::to_string(info.index); });

TEST(TableGrid, MenuItems) {
  EXPECT_EQ(CommandsOf(kMenuCopy, false), std::vector<int>({kCmdCopy}));
  // The Sort menu keeps "Column property" only where it is enabled (Gen. Table).
  EXPECT_EQ(CommandsOf(kMenuSort, false), std::vector<int>({kCmdSortAscending, kCmdSortDescending,
                                                            0, kCmdDeleteColumn, kCmdCopy}));
  EXPECT_EQ(CommandsOf(kMenuSort, true),
            std::vector<int>({kCmdSortAscending, kCmdSortDescending, 0, kCmdColumnProperty,
                              kCmdDeleteColumn, kCmdCopy}));
  EXPECT_TRUE(CommandsOf(kMenuNone, true).empty());
}

// --- Sort commands --------------------------------------------------------------

struct SortCommandCase {
  int columnSort;
  bool descending;
  std::vector<QString> expected;
};

class SortCommands : public ::testing::TestWithParam<SortCommandCase> {};

TEST_P(SortCommands, UseTheColumnCodeOrCodePlusOne) {
  const SortCommandCase& c = GetParam();
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 1, 2);
  table.DefineColumn(0, "other", 5, 0, false, 0);
  table.DefineColumn(1, "value", 5, 0, false, c.columnSort);
  for (const char* text : {"b", "10", "A", "9"}) table.InsertRowTexts(grid.Rows(), {"", text});
  grid.SetMouseCell(0, 1);
  ASSERT_EQ(table.OnGridMouseDown(kRightButton, 0, 0, 0), kMenuSort);
  CTableGrid* active = ActiveTableGrid.load();
  ASSERT_EQ(active, &table);
  ASSERT_TRUE(c.descending ? active->SortDescending() : active->SortAscending());
  std::vector<QString> order;
  for (int r = 1; r < grid.Rows(); ++r) order.push_back(grid.TextAt(r, 1));
  EXPECT_EQ(order, c.expected) << "sort " << c.columnSort << (c.descending ? " descending" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Grid, SortCommands,
    ::testing::Values(
        // A column without a sort: Ascending leaves it, Descending sorts
        // generically ascending.
        SortCommandCase{kSortNone, false, {"b", "10", "A", "9"}},
        SortCommandCase{kSortNone, true, {"9", "10", "A", "b"}},
        SortCommandCase{kSortNumericAscending, false, {"b", "A", "9", "10"}},
        SortCommandCase{kSortNumericAscending, true, {"10", "9", "b", "A"}},
        SortCommandCase{kSortStringNoCaseAscending, false, {"10", "9", "A", "b"}},
        SortCommandCase{kSortStringNoCaseAscending, true, {"b", "A", "9", "10"}},
        SortCommandCase{kSortStringAscending, true, {"b", "A", "9", "10"}},
        // Descending of a descending code is the custom sort: nothing moves.
        SortCommandCase{kSortStringDescending, true, {"b", "10", "A", "9"}}));

TEST(TableGrid, SortCommandsNeedADescriptor) {
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 1, 2);
  table.DefineColumn(0, "a", 5, 0, false, kSortStringAscending);
  table.InsertRowTexts(1, {"b"});
  table.InsertRowTexts(2, {"a"});
  grid.SetMouseCell(0, 1);
  table.OnGridMouseDown(kRightButton, 0, 0, 0);
  EXPECT_FALSE(table.SortAscending());
  EXPECT_EQ(grid.TextAt(1, 0), "b");
}

TEST(TableGrid, ClickedCellTextIsTheHostPart) {
  const struct {
    const char* cell;
    const char* host;
  } cases[] = {{"10.0.0.1", "10.0.0.1"},
               {"10.0.0.1\tgateway", "10.0.0.1"},
               {"010.000.000.001\r\nrouter.lab", "010.000.000.001"},
               {"host\nname", "host"},
               {"", ""}};
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  table.DefineColumn(1, "ip", 12, 0, true, 5);
  for (const auto& c : cases) {
    grid.SetTextAt(1, 1, c.cell);
    grid.SetMouseCell(1, 1);
    table.OnGridMouseDown(kRightButton, 0, 0, 0);
    EXPECT_EQ(table.ClickedCellText(), c.host) << c.cell;
    // The current cell moved to the clicked cell.
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.Col(), 1);
  }
}

TEST(TableGrid, DestroyedGridIsNoLongerActive) {
  CGridData grid;
  auto table = std::make_unique<CTableGrid>();
  table->ResetGrid(&grid, 2, 2);
  table->OnGridMouseDown(kLeftButton, 0, 0, 0);
  ASSERT_EQ(ActiveTableGrid.load(), table.get());
  table.reset();
  EXPECT_EQ(ActiveTableGrid.load(), nullptr);
}

// --- The grid side of a table job -----------------------------------------------

TEST(TableFill, PrepareFillFinish) {
  const CColumnInfo columns[] = {
      {"int.", 3, kAlignRightTop, false, kSortNumericAscending},
      {"ip address", 12, kAlignLeftTop, true, kSortStringNoCaseAscending}};
  CGridData grid;
  CTableGrid table;
  table.ResetGrid(&grid, 2, 2);
  QSignalSpy label(&table, &CTableGrid::StatusLabelChanged);
  table.SetStatusLabel("5 entry(s)");

  PrepareTable(table, columns);
  EXPECT_EQ(table.StatusLabel(), "");
  EXPECT_EQ(grid.Rows(), 1);
  EXPECT_EQ(grid.TextAt(0, 1), "ip address");
  EXPECT_TRUE(grid.Redraw());

  CTableFill fill(table);
  EXPECT_FALSE(grid.Redraw());
  fill.AddRow({"12", "010.000.000.001\r\n010.000.000.002"}, 2);
  fill.AddRow({"3", "010.000.000.003"});
  fill.AddRow({"7", ""});
  EXPECT_EQ(fill.Count(), 3);
  EXPECT_EQ(grid.RowHeight(1), 2 * grid.DefaultRowHeight());

  FinishTable(table, fill.Count(), 0, kSortNumericAscending);
  EXPECT_TRUE(grid.Redraw());
  EXPECT_EQ(table.StatusLabel(), "3 entry(s)");
  EXPECT_EQ(CStatusChannel::Instance().Text(), "Ready");
  EXPECT_EQ(grid.TextAt(1, 0), "3");
  EXPECT_EQ(grid.TextAt(3, 0), "12");
  EXPECT_EQ(grid.RowHeight(3), 2 * grid.DefaultRowHeight());  // the height went with its row
  EXPECT_EQ(label.count(), 3);
  EXPECT_EQ(EntryCountText(0), "0 entry(s)");
}

TEST(TableFill, ProgressIsPacedToMoreThanThePeriod) {
  using namespace std::chrono;
  steady_clock::time_point now{};
  CProgressThrottle throttle(milliseconds(300), [&now] { return now; });
  const struct {
    int advanceMs;
    bool due;
  } steps[] = {{100, false}, {200, false}, {1, true}, {300, false}, {1, true}, {5000, true}};
  for (const auto& step : steps) {
    now += milliseconds(step.advanceMs);
    EXPECT_EQ(throttle.Due(), step.due) << "after +" << step.advanceMs << " ms";
  }
}

}  // namespace
