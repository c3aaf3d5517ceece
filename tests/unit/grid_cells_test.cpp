// The compact cell store and the sort keys: texts of every width read back
// as written, repeated texts kept once, snapshots that stay as taken, bounded
// arenas under rewrites, copy text in pieces, and sorts by numbers, padded
// IPv4 and IPv6 addresses that keep equal keys in their order.
#include "core/grid/grid_cells.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "core/grid/grid_data.h"

using namespace tesmo;

namespace {

// A grid with a header row and one column of texts, row i + 1 holding
// texts[i]; column 1 names each row by its place ("r0", "r1", ...).
CGridCells OneColumn(const std::vector<QString>& texts) {
  CGridCells cells;
  cells.SetColCount(2);
  cells.InsertRow(0, {"value", "id"}, 0);
  for (size_t i = 0; i < texts.size(); ++i)
    cells.InsertRow(cells.RowCount(), {texts[i], QString("r%1").arg(i)}, 0);
  return cells;
}

std::vector<QString> ColumnTexts(const CGridCells& cells, int col) {
  std::vector<QString> out;
  for (int r = 1; r < cells.RowCount(); ++r) out.push_back(cells.Text(r, col));
  return out;
}

// Texts of every width: Latin-1, UTF-16 with surrogates, lengths at the
// one-byte/two-byte header edge, long ones past the interning size, line
// breaks and tabs, and empty cells.
const std::vector<QString> kWidths = {
    "",
    "a",
    "Zürich",
    QString::fromUtf8("東京 ネットワーク"),
    QString::fromUtf8("\xF0\x9F\x99\x82 smile"),
    QString(63, 'x'),
    QString(64, 'y'),
    QString(300, 'z'),
    QString(40, QChar(0x00FF)),
    QString(5000, QChar(0x4E00)),
    "two\nlines\tand tab",
    "",
    "a",
};

TEST(GridCells, TextsOfEveryWidthReadBackAsWritten) {
  CGridCells cells = OneColumn(kWidths);
  EXPECT_EQ(ColumnTexts(cells, 0), kWidths);
  // Written over, in another order, and read again.
  for (int r = 1; r < cells.RowCount(); ++r)
    cells.SetText(r, 0, kWidths[kWidths.size() - static_cast<size_t>(r)]);
  std::vector<QString> reversed(kWidths.rbegin(), kWidths.rend());
  EXPECT_EQ(ColumnTexts(cells, 0), reversed);
  // Outside the table: empty.
  EXPECT_EQ(cells.Text(cells.RowCount(), 0), QString());
  EXPECT_EQ(cells.Text(1, 2), QString());
  EXPECT_EQ(cells.Text(-1, 0), QString());
}

TEST(GridCells, ShortRowsAndPagesFilledPastTheirEnd) {
  // Enough texts of changing widths to fill several arena pages; rows with
  // fewer texts than columns, and texts beyond the column count dropped.
  CGridCells cells;
  cells.SetColCount(3);
  std::vector<QStringList> rows;
  for (int i = 0; i < 6000; ++i) {
    QStringList texts = {QString(i % 97 + 1, QChar('a' + i % 26)) + QString::number(i)};
    if (i % 3 != 0) texts << QString::number(i * 7);
    if (i % 5 == 0) texts << QString() << "dropped";
    rows.push_back(texts);
    cells.InsertRow(cells.RowCount(), texts, 0);
  }
  ASSERT_EQ(cells.RowCount(), 6000);
  for (int r = 0; r < 6000; ++r) {
    const QStringList& texts = rows[static_cast<size_t>(r)];
    for (int c = 0; c < 3; ++c) {
      ASSERT_EQ(cells.Text(r, c), c < texts.size() ? texts[c] : QString()) << r << "," << c;
    }
  }
}

TEST(GridCells, RepeatedTextsAreStoredOnce) {
  std::vector<QString> texts;
  for (int i = 0; i < 1000; ++i) texts.push_back(i % 2 ? "ethernetCsmacd" : "softwareLoopback");
  const CGridCells cells = OneColumn(texts);
  EXPECT_EQ(cells.CellOffset(1, 0), cells.CellOffset(3, 0));
  EXPECT_EQ(cells.CellOffset(2, 0), cells.CellOffset(1000, 0));
  EXPECT_NE(cells.CellOffset(1, 0), cells.CellOffset(2, 0));
  EXPECT_LT(cells.ArenaBytes(0), 64u);
}

TEST(GridCells, RewritesKeepTheArenaBounded) {
  CGridCells cells = OneColumn({"first", "kept"});
  for (int i = 0; i < 200000; ++i) cells.SetText(1, 0, QString("counter %1 of a long run").arg(i));
  EXPECT_EQ(cells.Text(1, 0), "counter 199999 of a long run");
  EXPECT_EQ(cells.Text(2, 0), "kept");
  EXPECT_LT(cells.ArenaBytes(0), 512u * 1024);
}

TEST(GridCells, CopiesStayAsTakenWhileTheOriginalIsWritten) {
  CGridCells cells = OneColumn({"b", "a", "c"});
  cells.SetColour(2, 0, 0x0000FF);
  cells.SetHeight(3, 360);
  const CGridCells copy = cells;
  for (int i = 0; i < 3000; ++i) cells.InsertRow(1, {QString("new %1").arg(i)}, 0);
  cells.SetText(cells.RowCount() - 1, 0, u"changed");
  cells.PermuteRows(1, GridSortOrder(cells, 0, kSortStringAscending));
  cells.SetColCount(1);
  EXPECT_EQ(ColumnTexts(copy, 0), (std::vector<QString>{"b", "a", "c"}));
  EXPECT_EQ(ColumnTexts(copy, 1), (std::vector<QString>{"r0", "r1", "r2"}));
  EXPECT_EQ(copy.Colour(2, 0), 0x0000FFu);
  EXPECT_EQ(copy.Height(3), 360);
  cells.Clear();
  EXPECT_EQ(copy.Text(1, 0), "b");
}

struct KeyCase {
  const char* name;
  int code;
  std::vector<QString> texts;
  // Places (indexes into texts) in sorted order.
  std::vector<int> order;
};

class SortKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(SortKeys, OrderRowsStably) {
  const KeyCase& c = GetParam();
  CGridCells cells = OneColumn(c.texts);
  cells.PermuteRows(1, GridSortOrder(cells, 0, c.code));
  std::vector<int> order;
  for (int r = 1; r < cells.RowCount(); ++r) {
    const int place = cells.Text(r, 1).mid(1).toInt();
    order.push_back(place);
    EXPECT_EQ(cells.Text(r, 0), c.texts[static_cast<size_t>(place)]);
  }
  EXPECT_EQ(order, c.order);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, SortKeys,
    ::testing::Values(
        // Leading numbers; -0 and 0 are equal, texts without a number count as
        // 0, and numbers too large for a double follow the others.
        KeyCase{"numbers",
                kSortNumericAscending,
                {"10 ms", "-0", "2.5e1", "0", "+3", "n/a", "1e999", "-1e999", "007"},
                {7, 1, 3, 5, 4, 8, 0, 2, 6}},
        KeyCase{"numbers down",
                kSortNumericDescending,
                {"10 ms", "-0", "2.5e1", "0", "+3", "n/a", "1e999", "-1e999", "007"},
                {6, 2, 0, 8, 4, 1, 3, 5, 7}},
        // Padded IPv4 by value, then IPv6 by value and zone, after the names.
        KeyCase{"addresses",
                kSortStringNoCaseAscending,
                {"2001:db8::10", "010.000.000.002", "router", "2001:db8::9", "002.000.000.010",
                 "::1", "fe80::1%eth1", "fe80::1%eth0", "2001:DB8::9", ""},
                {9, 4, 1, 2, 5, 3, 8, 0, 7, 6}},
        KeyCase{"addresses down",
                kSortStringDescending,
                {"2001:db8::10", "010.000.000.002", "router", "2001:db8::9", "", "::1"},
                {0, 3, 5, 2, 1, 4}},
        // Generic: empty, numbers, texts (IPv6 after the other texts).
        KeyCase{"generic",
                kSortGenericAscending,
                {"b", "", "2", "::ffff:10.0.0.1", "B", "-1", "a", ""},
                {1, 7, 5, 2, 6, 0, 4, 3}},
        // Equal keys keep their order in both directions.
        KeyCase{"stable", kSortStringNoCaseDescending, {"x", "X", "y", "x", "Y"}, {2, 4, 0, 1, 3}},
        KeyCase{"case", kSortStringAscending, {"b", "B", "a", "A", "b"}, {3, 1, 2, 0, 4}}),
    [](const ::testing::TestParamInfo<KeyCase>& info) {
      std::string name = info.param.name;
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

struct Ipv6Case {
  QString text;
  bool valid;
  std::array<unsigned char, 16> bytes;
  QString zone;
};

class Ipv6Forms : public ::testing::TestWithParam<Ipv6Case> {};

TEST_P(Ipv6Forms, ReadAsBytesAndZone) {
  const Ipv6Case& c = GetParam();
  std::array<unsigned char, 16> bytes{};
  QStringView zone;
  ASSERT_EQ(ParseGridIpv6(c.text, bytes, zone), c.valid) << c.text.toStdString();
  if (!c.valid) return;
  EXPECT_EQ(bytes, c.bytes);
  EXPECT_EQ(zone.toString(), c.zone);
}

INSTANTIATE_TEST_SUITE_P(
    Grid, Ipv6Forms,
    ::testing::Values(
        Ipv6Case{"::", true, {}, ""},
        Ipv6Case{"::1", true, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, ""},
        Ipv6Case{"2001:db8::", true, {0x20, 0x01, 0x0d, 0xb8}, ""},
        Ipv6Case{"fe80::a:B%eth0",
                 true,
                 {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0a, 0, 0x0b},
                 "eth0"},
        Ipv6Case{"1:2:3:4:5:6:7:8", true, {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8}, ""},
        Ipv6Case{
            "::ffff:10.0.0.1", true, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 10, 0, 0, 1}, ""},
        Ipv6Case{"1:2:3:4:5:6:7", false, {}, ""}, Ipv6Case{"1::2::3", false, {}, ""},
        Ipv6Case{"1:2:3:4:5:6:7:8:9", false, {}, ""}, Ipv6Case{"12345::", false, {}, ""},
        Ipv6Case{":1::", false, {}, ""}, Ipv6Case{"1::2:", false, {}, ""},
        Ipv6Case{"fe80::1%", false, {}, ""}, Ipv6Case{"00:a0:c9:14:c8:29", false, {}, ""},
        Ipv6Case{"12:30:45", false, {}, ""}, Ipv6Case{"::10.0.0.256", false, {}, ""},
        Ipv6Case{"g::1", false, {}, ""}, Ipv6Case{"010.000.000.001", false, {}, ""}));

TEST(GridCells, CopyTextComesInPiecesThatMakeTheWhole) {
  CGridCopy copy;
  copy.cells = OneColumn(kWidths);
  for (int i = 0; i < 2000; ++i) copy.cells.InsertRow(1, {QString("row %1\r").arg(i), "x"}, 0);
  copy.firstRow = 1;
  copy.lastRow = copy.cells.RowCount() - 1;
  copy.firstCol = 0;
  copy.lastCol = 1;
  QByteArray joined;
  std::vector<qsizetype> sizes;
  copy.Write(
      [&](QByteArrayView piece) {
        sizes.push_back(piece.size());
        joined += piece;
      },
      4096);
  EXPECT_EQ(QString::fromUtf8(joined), copy.Text());
  EXPECT_GT(sizes.size(), 5u);
  for (qsizetype size : sizes) EXPECT_LT(size, 4096 + 16 * 1024);
  EXPECT_FALSE(joined.contains('\r'));
}

}  // namespace
