// The grid data object: the sort codes on mixed texts, the copy text, the
// coalesced change notification and the row operations.
#include "core/grid/grid_data.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <functional>
#include <optional>
#include <vector>

using namespace tesmo;

namespace {

// Column 0 names the row, column 1 holds the texts sorted: numbers,
// addresses in the zero-padded form, words in both cases and an empty cell.
const std::vector<QString> kMixed = {
    "10", "9", "", "apple", "Banana", "010.001.002.003", "2.5", "-1", "banana", "002.001.001.001"};

void FillMixed(CGridData& grid) {
  grid.SetCols(2);
  grid.SetRows(1);
  grid.SetTextAt(0, 0, "id");
  grid.SetTextAt(0, 1, "value");
  for (size_t i = 0; i < kMixed.size(); ++i) {
    grid.InsertRowTexts(grid.Rows(), {QString("r%1").arg(i), kMixed[i]});
  }
}

std::vector<QString> Column(const CGridData& grid, int col) {
  std::vector<QString> texts;
  for (int r = 1; r < grid.Rows(); ++r) texts.push_back(grid.TextAt(r, col));
  return texts;
}

struct SortCase {
  int code;
  std::vector<QString> expected;
};

class SortCodes : public ::testing::TestWithParam<SortCase> {};

TEST_P(SortCodes, OrderMixedTexts) {
  const SortCase& c = GetParam();
  CGridData grid;
  FillMixed(grid);
  grid.SetCol(1);
  grid.Sort(c.code);
  EXPECT_EQ(Column(grid, 1), c.expected) << "code " << c.code;
  // Whole rows moved: every id still stands beside its own text.
  for (int r = 1; r < grid.Rows(); ++r) {
    const int original = grid.TextAt(r, 0).mid(1).toInt();
    EXPECT_EQ(grid.TextAt(r, 1), kMixed[original]);
  }
  EXPECT_EQ(grid.TextAt(0, 1), "value");  // the header row stays
}

INSTANTIATE_TEST_SUITE_P(
    Grid, SortCodes,
    ::testing::Values(SortCase{kSortNone, kMixed},
                      // Empty cells, then numbers by value, then texts without case.
                      SortCase{kSortGenericAscending,
                               {"", "-1", "2.5", "9", "10", "002.001.001.001", "010.001.002.003",
                                "apple", "Banana", "banana"}},
                      // Reversed; equal keys ("Banana", "banana") keep their order.
                      SortCase{kSortGenericDescending,
                               {"Banana", "banana", "apple", "010.001.002.003", "002.001.001.001",
                                "10", "9", "2.5", "-1", ""}},
                      // The number a text starts with; texts without one count as 0.
                      SortCase{kSortNumericAscending,
                               {"-1", "", "apple", "Banana", "banana", "002.001.001.001", "2.5",
                                "9", "10", "010.001.002.003"}},
                      SortCase{kSortNumericDescending,
                               {"010.001.002.003", "10", "9", "2.5", "002.001.001.001", "", "apple",
                                "Banana", "banana", "-1"}},
                      SortCase{kSortStringNoCaseAscending,
                               {"", "-1", "002.001.001.001", "010.001.002.003", "10", "2.5", "9",
                                "apple", "Banana", "banana"}},
                      SortCase{kSortStringNoCaseDescending,
                               {"Banana", "banana", "apple", "9", "2.5", "10", "010.001.002.003",
                                "002.001.001.001", "-1", ""}},
                      // Upper case before lower case.
                      SortCase{kSortStringAscending,
                               {"", "-1", "002.001.001.001", "010.001.002.003", "10", "2.5", "9",
                                "Banana", "apple", "banana"}},
                      SortCase{kSortStringDescending,
                               {"banana", "apple", "Banana", "9", "2.5", "10", "010.001.002.003",
                                "002.001.001.001", "-1", ""}},
                      SortCase{kSortCustom, kMixed}, SortCase{-1, kMixed}, SortCase{10, kMixed}));

TEST(GridData, SortMovesHeightsAndColoursWithTheirRows) {
  CGridData grid;
  grid.SetCols(1);
  grid.SetRows(1);
  grid.InsertRowTexts(1, {"b"}, 360);
  grid.InsertRowTexts(2, {"a"});
  grid.SetCellColourAt(1, 0, 0x000080);
  grid.SortColumn(0, kSortStringAscending);
  EXPECT_EQ(grid.TextAt(1, 0), "a");
  EXPECT_EQ(grid.RowHeight(1), grid.DefaultRowHeight());
  EXPECT_EQ(grid.CellColourAt(1, 0), CGridData::kNoColour);
  EXPECT_EQ(grid.RowHeight(2), 360);
  EXPECT_EQ(grid.CellColourAt(2, 0), 0x000080u);
}

TEST(GridData, NumberForms) {
  struct Case {
    const char* text;
    bool whole;
    double leading;
  } cases[] = {
      {"42", true, 42},
      {" -3.5 ", true, -3.5},
      {"1e3", true, 1000},
      {".5", true, 0.5},
      {"7.", true, 7},
      {"+2", true, 2},
      {"", false, 0},
      {"-", false, 0},
      {".", false, 0},
      {"12 ms", false, 12},
      {"010.001.002.003", false, 10.001},
      {"## NA ##", false, 0},
      {"0x1F", false, 0},
      {"1e", false, 1},
      {"inf", false, 0},
      {"nan", false, 0},
  };
  for (const Case& c : cases) {
    double value = -99;
    const QString text = QString::fromUtf8(c.text);
    EXPECT_EQ(ReadsAsNumber(text, &value), c.whole) << c.text;
    if (c.whole) {
      EXPECT_DOUBLE_EQ(value, c.leading) << c.text;
    }
    EXPECT_DOUBLE_EQ(LeadingNumber(text), c.leading) << c.text;
  }
}

// --- Copy text ---------------------------------------------------------------

struct CopyCase {
  const char* name;
  int row, col, rowSel, colSel;
  const char* expected;
};

class CopyText : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyText, OfTheSelection) {
  const CopyCase& c = GetParam();
  CGridData grid;
  grid.SetCols(3);
  grid.AddItem("A\tB\tC", 0);
  grid.InsertRowTexts(1, {"1", "x\ty", "z"});
  grid.InsertRowTexts(2, {"2", "10.0.0.1\r\n10.0.0.2", "w"});
  grid.InsertRowTexts(3, {"3", "", "line\nbreak"});
  grid.SetRow(c.row);
  grid.SetCol(c.col);
  grid.SetRowSel(c.rowSel);
  grid.SetColSel(c.colSel);
  EXPECT_EQ(grid.SelectionText(), QString(c.expected)) << c.name;
  // Reading the selection leaves it as it was.
  EXPECT_EQ(grid.Row(), c.row);
  EXPECT_EQ(grid.RowSel(), c.rowSel);
  EXPECT_EQ(grid.Col(), c.col);
  EXPECT_EQ(grid.ColSel(), c.colSel);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, CopyText,
    ::testing::Values(
        CopyCase{"block, corners reversed", 3, 2, 2, 1,
                 "B\tC\t\n10.0.0.1  10.0.0.2\tw\t\n\tline break\t\n"},
        CopyCase{"one cell: title line and cell line", 1, 0, 1, 0, "A\t\n1\t\n"},
        CopyCase{"CR LF becomes two blanks", 2, 1, 2, 1, "B\t\n10.0.0.1  10.0.0.2\t\n"},
        CopyCase{"a tab inside a cell becomes a blank", 1, 1, 1, 1, "B\t\nx y\t\n"},
        CopyCase{"corners beyond the grid are clipped", 1, 0, 99, 99,
                 "A\tB\tC\t\n1\tx y\tz\t\n2\t10.0.0.1  10.0.0.2\tw\t\n3\t\tline break\t\n"},
        CopyCase{"rows below the last give the title line", 7, 0, 9, 1, "A\tB\t\n"},
        CopyCase{"columns beside the last give nothing", 1, 5, 1, 6, ""}),
    [](const ::testing::TestParamInfo<CopyCase>& info) { return std::to_string(info.index); });

TEST(GridData, RowsTextOfAnEmptyTableIsTheTitleLine) {
  CGridData grid;
  EXPECT_EQ(grid.RowsText(1, 0), "");  // no cells at all
  grid.SetCols(2);
  grid.SetRows(1);
  grid.SetTextAt(0, 0, "dest.");
  grid.SetTextAt(0, 1, "mask");
  EXPECT_EQ(grid.RowsText(1, grid.Rows() - 1), "dest.\tmask\t\n");
}

// A sort worked out on another thread moves the rows only when nothing was
// written to the grid since its copy was taken: a job that started meanwhile
// keeps its rows where it wrote them.
TEST(GridData, APreparedSortMovesTheRowsOnlyWhenNothingWroteBetween) {
  struct Case {
    const char* what;
    std::function<void(CGridData&)> write;  // between prepare and finish
  };
  const std::vector<Case> cases = {
      {"nothing", [](CGridData&) {}},
      {"a cell", [](CGridData& g) { g.SetTextAt(1, 1, "zz"); }},
      {"a row",
       [](CGridData& g) {
         g.InsertRowTexts(g.Rows(), {"new", "0"});
       }},
      {"a cleared grid", [](CGridData& g) { g.SetRows(1); }},
  };
  CGridData sorted;
  FillMixed(sorted);
  sorted.SortColumn(1, kSortStringNoCaseAscending);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CGridData grid, written;
    FillMixed(grid);
    FillMixed(written);
    std::optional<CGridPendingSort> pending = grid.PrepareSort(1, kSortStringNoCaseAscending);
    ASSERT_TRUE(pending);
    c.write(grid);
    c.write(written);
    const bool nothingWritten = std::string(c.what) == "nothing";
    EXPECT_EQ(grid.FinishSort(*pending), nothingWritten);
    const CGridData& expected = nothingWritten ? sorted : written;
    EXPECT_EQ(grid.RowsText(0, grid.Rows() - 1), expected.RowsText(0, expected.Rows() - 1));
  }
  CGridData small;
  small.SetCols(2);
  small.SetRows(2);
  EXPECT_FALSE(small.PrepareSort(1, kSortStringNoCaseAscending));   // one data row
  EXPECT_FALSE(sorted.PrepareSort(5, kSortStringNoCaseAscending));  // no such column
}

// The batch pages print the rows in pieces: whole lines that make RowsText.
TEST(GridData, WriteRowsGivesWholeLinesThatMakeRowsText) {
  CGridData grid;
  FillMixed(grid);
  for (const qsizetype chunk : {qsizetype{1}, qsizetype{16}, qsizetype{1} << 16}) {
    SCOPED_TRACE(chunk);
    QByteArray joined;
    int pieces = 0;
    grid.WriteRows(
        2, grid.Rows() - 1,
        [&](QByteArrayView piece) {
          ++pieces;
          EXPECT_TRUE(piece.endsWith('\n'));
          joined += piece;
        },
        chunk);
    EXPECT_EQ(QString::fromUtf8(joined), grid.RowsText(2, grid.Rows() - 1));
    EXPECT_EQ(pieces > 1, chunk < 100);
  }
}

// --- Notification ------------------------------------------------------------

TEST(GridData, ChangedIsCoalescedAndHeldWhileRedrawIsOff) {
  CGridData grid;
  QSignalSpy changed(&grid, &CGridData::Changed);
  CGridSnapshot snapshot;
  ASSERT_TRUE(grid.TakeSnapshot(snapshot));

  grid.SetRedraw(false);
  grid.SetCols(3);
  for (int i = 0; i < 1000; ++i) grid.AddItem("a\tb\tc", i);
  EXPECT_EQ(changed.count(), 0);
  // The view asks while redraw is off (an older notification): it gets
  // nothing, and the writes are not forgotten.
  EXPECT_FALSE(grid.TakeSnapshot(snapshot));
  grid.SetRedraw(true);
  EXPECT_EQ(changed.count(), 1);
  ASSERT_TRUE(grid.TakeSnapshot(snapshot));
  EXPECT_EQ(snapshot.RowCount(), 1000);

  // Writes with redraw on: one notification until the view takes a snapshot.
  for (int i = 0; i < 500; ++i) grid.SetTextAt(i, 0, "x");
  EXPECT_EQ(changed.count(), 2);
  ASSERT_TRUE(grid.TakeSnapshot(snapshot));
  grid.SetTextAt(0, 1, "y");
  EXPECT_EQ(changed.count(), 3);

  // Resuming redraw with nothing written raises nothing.
  ASSERT_TRUE(grid.TakeSnapshot(snapshot));
  grid.SetRedraw(false);
  grid.SetRedraw(true);
  EXPECT_EQ(changed.count(), 3);
}

TEST(GridData, SnapshotStaysAsTakenWhileTheGridIsWritten) {
  CGridData grid;
  grid.SetCols(1);
  grid.SetRows(2);
  grid.SetTextAt(1, 0, "before");
  CGridSnapshot snapshot;
  ASSERT_TRUE(grid.TakeSnapshot(snapshot));
  grid.SetTextAt(1, 0, "after");
  grid.InsertRow(1);
  EXPECT_EQ(snapshot.TextAt(1, 0), "before");
  EXPECT_EQ(snapshot.RowCount(), 2);
  EXPECT_EQ(grid.TextAt(2, 0), "after");
}

// --- Grid operations -----------------------------------------------------------

TEST(GridData, CurrentCellAndSelection) {
  CGridData grid;
  grid.SetCols(3);
  grid.SetRows(4);
  grid.SetRow(2);
  grid.SetCol(1);
  grid.SetText("b2");
  EXPECT_EQ(grid.TextAt(2, 1), "b2");
  grid.SetRowSel(3);
  grid.SetColSel(2);
  // Moving the current cell collapses the selection onto it.
  grid.SetRow(1);
  EXPECT_EQ(grid.RowSel(), 1);
  EXPECT_EQ(grid.ColSel(), 2);
  grid.SetCol(0);
  EXPECT_EQ(grid.ColSel(), 0);
  // Outside the grid texts are neither read nor written.
  grid.SetRow(9);
  grid.SetText("lost");
  EXPECT_EQ(grid.Text(), "");
  EXPECT_EQ(grid.Rows(), 4);
}

TEST(GridData, RowsColumnsAndClear) {
  CGridData grid;
  grid.SetCols(3);
  grid.SetRows(2);
  grid.SetTextAt(1, 2, "gone");
  grid.SetTextAt(1, 0, "kept");
  grid.SetRowHeight(1, 500);
  grid.SetCols(2);
  grid.SetCols(3);
  EXPECT_EQ(grid.TextAt(1, 2), "");  // a dropped column comes back empty
  EXPECT_EQ(grid.TextAt(1, 0), "kept");

  // Insert positions are clamped to the grid; tabs separate an item's cells.
  grid.AddItem("x\ty\tz\textra", 99);
  EXPECT_EQ(grid.Rows(), 3);
  EXPECT_EQ(grid.TextAt(2, 2), "z");
  grid.InsertRowTexts(-5, {"top"});
  EXPECT_EQ(grid.TextAt(0, 0), "top");

  grid.Clear();
  EXPECT_EQ(grid.Rows(), 4);
  EXPECT_EQ(grid.Cols(), 3);
  EXPECT_EQ(grid.TextAt(3, 2), "");
  EXPECT_EQ(grid.RowHeight(2), grid.DefaultRowHeight());
}

TEST(GridData, FormatsKeepTheirValues) {
  CGridData grid;
  grid.SetCols(2);
  grid.SetRows(2);
  grid.SetColWidth(0, 240);
  grid.SetColAlignment(0, kAlignRightTop);
  grid.SetColAlignment(1, 42);  // unknown codes read as GENERAL
  EXPECT_EQ(grid.ColWidth(0), 240);
  EXPECT_EQ(grid.ColAlignment(0), kAlignRightTop);
  EXPECT_EQ(grid.ColAlignment(1), kAlignGeneral);
  grid.SetRow(1);
  grid.SetCol(1);
  grid.SetCellColour(0xFF008000);  // the top byte is not part of a colour
  EXPECT_EQ(grid.CellColourAt(1, 1), 0x008000u);
}

}  // namespace
