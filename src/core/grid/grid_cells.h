// The cells of a grid, stored by column in little memory.
//
// A table of a million rows (a core router's routes, a large zone) must stay
// small, so no cell is a QString of its own. Each column keeps:
//
//  - an arena of bytes (CCellArena): every text once, as a length (a
//    variable-length number with one bit telling the encoding) followed by
//    its characters, one byte each when they are all Latin-1 (the usual case:
//    numbers, addresses, names), else two bytes each (UTF-16). A cell is the
//    32-bit offset of its text in the arena; offset 0 is the empty text.
//    Short texts are interned: a column of route types, protocols, masks or
//    next hops holds each distinct text once and every cell points at it.
//  - one 32-bit offset per row, in a QList: rows are inserted, moved by a
//    sort and copied into a snapshot without touching the texts.
//  - the cells' colours, only once one was set in the column.
//
// Row heights live beside the columns, again only once one was set.
//
// The arena grows by pages that never move (page i holds 4 kB << i), so a
// snapshot shares the arena with the grid it came from: the grid keeps
// appending texts behind the offsets the snapshot knows, and a snapshot reads
// only those. The offset lists are implicitly shared, so a snapshot costs
// nothing until the grid writes a column again. Texts become QStrings only
// when read (the view asks for the rows it shows). Texts replaced by newer
// ones stay in the arena until the dead bytes outweigh half of it; then the
// column is written into a fresh arena, which keeps a grid that is written
// for days as small as its cells.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tesmo {

// The characters of one stored text, pointing into its arena.
struct CellChars {
  const unsigned char* data = nullptr;
  std::uint32_t length = 0;  // characters
  bool wide = false;         // UTF-16 (two bytes a character) instead of Latin-1

  bool IsEmpty() const { return length == 0; }
  QString ToString() const;
  // Character i as a UTF-16 code unit.
  char16_t At(std::uint32_t i) const;
};

class CCellArena {
 public:
  CCellArena();
  ~CCellArena();
  CCellArena(const CCellArena&) = delete;
  CCellArena& operator=(const CCellArena&) = delete;

  // Stores text (or finds it among the interned ones) and returns its offset;
  // 0 for an empty text, and for a text that no longer fits in 4 GB.
  std::uint32_t Add(QStringView text);
  // The same for characters read from another arena.
  std::uint32_t Add(const CellChars& chars);
  CellChars Chars(std::uint32_t offset) const;
  // Bytes taken by the entry at offset.
  std::uint32_t EntrySize(std::uint32_t offset) const;
  // Bytes used so far.
  std::uint64_t Used() const { return end; }

 private:
  static constexpr int kPages = 20;  // 4 kB << 19 ends just below 4 GB
  static constexpr std::uint64_t kFirstPage = 4096;

  // Room for size bytes from end on, within one page; false when full.
  bool Reserve(std::uint64_t size);
  unsigned char* At(std::uint64_t offset) const;
  std::uint32_t Intern(std::uint32_t offset, std::uint32_t entrySize);

  std::array<unsigned char*, kPages> pages{};
  std::uint64_t end = 0;
  // Open addressing over interned texts: their hash and offset (offset 0: a
  // free slot). The hash spares reading the arena for texts that differ.
  struct Slot {
    std::uint32_t hash;
    std::uint32_t offset;
  };
  std::vector<Slot> table;
  std::uint32_t internedCount = 0;
  // Looks and finds; a column whose texts hardly repeat stops looking.
  std::uint64_t lookups = 0, hits = 0;
  bool interning = true;
};

class CGridCells {
 public:
  static constexpr std::uint32_t kNoColour = 0xFFFFFFFFu;

  int RowCount() const { return rowCount; }
  int ColCount() const { return static_cast<int>(columns.size()); }

  // Reading: empty texts, height 0 and kNoColour outside the table.
  QString Text(int row, int col) const;
  CellChars Chars(int row, int col) const;
  int Height(int row) const;
  bool AnyHeight() const { return !heights.isEmpty(); }
  std::uint32_t Colour(int row, int col) const;
  // The stored text a cell points at (0: empty), and the text at such an
  // offset: equal offsets in a column are equal texts (the sort reads each
  // distinct text once).
  std::uint32_t CellOffset(int row, int col) const;
  CellChars CharsOf(int col, std::uint32_t offset) const;
  // Bytes the column's arena uses.
  std::uint64_t ArenaBytes(int col) const;

  // New rows and columns are empty; dropped ones are gone for good.
  void SetRowCount(int count);
  void SetColCount(int count);
  // Every text, colour and height dropped; the counts stay.
  void Clear();
  void SetText(int row, int col, QStringView text);
  // A row at position (0..RowCount()); cells beyond the column count are
  // dropped, missing ones are empty.
  void InsertRow(int position, const QStringList& texts, int height);
  void SetHeight(int row, int height);
  void SetColour(int row, int col, std::uint32_t colour);

  // Rows first.. are reordered in place: row first + k takes the row that
  // stood at first + order[k]. order is a permutation of 0..n-1.
  void PermuteRows(int first, const std::vector<std::uint32_t>& order);

  // The cell text as a copy line would hold it, UTF-8 with tabs and line
  // breaks turned into blanks.
  void AppendCopyText(QByteArray& out, int row, int col) const;
  void AppendCopyText(QString& out, int row, int col) const;

 private:
  struct Column {
    QList<std::uint32_t> cells;    // an offset into arena per row
    QList<std::uint32_t> colours;  // empty until a colour is set
    std::shared_ptr<CCellArena> arena = std::make_shared<CCellArena>();
    std::uint64_t deadBytes = 0;  // texts replaced since the arena was new
  };

  void Replace(Column& column, int row, std::uint32_t offset);
  static void CompactIfWasteful(Column& column);

  QList<Column> columns;
  QList<int> heights;  // empty until a height is set
  int rowCount = 0;
};

// Sort order of rows 1..RowCount()-1 of column col for a sort code (see
// GridSort): order[k] is the data row (0-based after the header) that goes
// to place k. Stable in both directions.
std::vector<std::uint32_t> GridSortOrder(const CGridCells& cells, int col, int code);

}  // namespace tesmo
