// The cells of a grid, stored by column.
#include "core/grid/grid_cells.h"

#include <QHashFunctions>
#include <algorithm>
#include <bit>
#include <cstring>

namespace tesmo {
namespace {

// Texts up to this many bytes (header included) are interned; a column holds
// at most kMaxInterned of them, so a column of unique texts costs a bounded
// table and every text after that is simply appended.
constexpr std::uint32_t kInternBytes = 64;
constexpr std::uint32_t kMaxInterned = 1u << 16;
// Once this many texts are interned, a column where fewer than a quarter of
// the texts were found again stops interning: its table would only cost a
// cache miss per cell.
constexpr std::uint32_t kInternTrial = 4096;
// A column is written into a fresh arena when replaced texts take more than
// this and more than half of its arena.
constexpr std::uint64_t kDeadBytesFloor = 64 * 1024;

std::uint32_t HeaderSize(std::uint32_t value) {
  std::uint32_t size = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++size;
  }
  return size;
}

unsigned char* WriteHeader(unsigned char* p, std::uint32_t value) {
  while (value >= 0x80) {
    *p++ = static_cast<unsigned char>(value | 0x80);
    value >>= 7;
  }
  *p++ = static_cast<unsigned char>(value);
  return p;
}

const unsigned char* ReadHeader(const unsigned char* p, std::uint32_t& value) {
  value = 0;
  for (int shift = 0;; shift += 7) {
    const unsigned char byte = *p++;
    value |= static_cast<std::uint32_t>(byte & 0x7F) << shift;
    if ((byte & 0x80) == 0) return p;
  }
}

bool IsLatin1(QStringView text) {
  char16_t any = 0;
  for (QChar c : text) any |= c.unicode();
  return any < 0x100;
}

bool IsLineControl(char16_t c) {
  return c == u'\t' || c == u'\n' || c == u'\r';
}

// Tabs and line breaks inside a cell become blanks: one record per line.
void CleanCell(QString& out, qsizetype start) {
  for (qsizetype i = start; i < out.size(); ++i) {
    if (IsLineControl(out.at(i).unicode())) out[i] = QLatin1Char(' ');
  }
}
void CleanCell(QByteArray& out, qsizetype start) {
  for (qsizetype i = start; i < out.size(); ++i) {
    if (IsLineControl(static_cast<unsigned char>(out.at(i)))) out[i] = ' ';
  }
}

}  // namespace

QString CellChars::ToString() const {
  if (length == 0) return QString();
  if (!wide) return QString::fromLatin1(reinterpret_cast<const char*>(data), length);
  QString text(length, Qt::Uninitialized);
  std::memcpy(text.data(), data, 2 * std::size_t{length});
  return text;
}

char16_t CellChars::At(std::uint32_t i) const {
  if (!wide) return data[i];
  char16_t c;
  std::memcpy(&c, data + 2 * std::size_t{i}, sizeof c);
  return c;
}

// ---------------------------------------------------------------------------
// Arena

// Offset 0 is the empty text and never stored: the arena allocates nothing
// until its first text.
CCellArena::CCellArena() : end(1) {}

CCellArena::~CCellArena() {
  for (unsigned char* page : pages) delete[] page;
}

namespace {
int PageOf(std::uint64_t offset) {
  return std::bit_width(offset / 4096 + 1) - 1;
}
std::uint64_t PageStart(int page) {
  return 4096 * ((std::uint64_t{1} << page) - 1);
}
}  // namespace

unsigned char* CCellArena::At(std::uint64_t offset) const {
  const int page = PageOf(offset);
  return pages[page] + (offset - PageStart(page));
}

bool CCellArena::Reserve(std::uint64_t size) {
  for (;;) {
    const int page = PageOf(end);
    if (page >= kPages) return false;
    const std::uint64_t next = PageStart(page + 1);
    if (end + size <= next) {
      if (pages[page] == nullptr) pages[page] = new unsigned char[kFirstPage << page];
      return true;
    }
    // An entry never spans two pages: the rest of this one stays unused.
    end = next;
  }
}

CellChars CCellArena::Chars(std::uint32_t offset) const {
  if (offset == 0) return {};
  std::uint32_t header;
  const unsigned char* p = ReadHeader(At(offset), header);
  return {p, header >> 1, (header & 1) != 0};
}

std::uint32_t CCellArena::EntrySize(std::uint32_t offset) const {
  if (offset == 0) return 0;
  std::uint32_t header;
  const unsigned char* start = At(offset);
  const unsigned char* p = ReadHeader(start, header);
  const std::uint32_t bytes = (header & 1) ? 2 * (header >> 1) : header >> 1;
  return static_cast<std::uint32_t>(p - start) + bytes;
}

std::uint32_t CCellArena::Add(QStringView text) {
  if (text.isEmpty() || text.size() > 0x3FFFFFFF) return 0;
  const auto length = static_cast<std::uint32_t>(text.size());
  const bool wide = !IsLatin1(text);
  const std::uint32_t header = length << 1 | (wide ? 1 : 0);
  const std::uint64_t size = HeaderSize(header) + std::uint64_t{length} * (wide ? 2 : 1);
  if (!Reserve(size)) return 0;
  unsigned char* p = WriteHeader(At(end), header);
  if (wide) {
    std::memcpy(p, text.utf16(), 2 * std::size_t{length});
  } else {
    for (std::uint32_t i = 0; i < length; ++i) p[i] = static_cast<unsigned char>(text[i].unicode());
  }
  return Intern(static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(size));
}

std::uint32_t CCellArena::Add(const CellChars& chars) {
  if (chars.length == 0) return 0;
  const std::uint32_t header = chars.length << 1 | (chars.wide ? 1 : 0);
  const std::uint64_t bytes = std::uint64_t{chars.length} * (chars.wide ? 2 : 1);
  const std::uint64_t size = HeaderSize(header) + bytes;
  if (!Reserve(size)) return 0;
  unsigned char* p = WriteHeader(At(end), header);
  std::memcpy(p, chars.data, bytes);
  return Intern(static_cast<std::uint32_t>(end), static_cast<std::uint32_t>(size));
}

// The entry just written at offset (== end) is either found among the
// interned ones, and then left behind as free space, or kept.
std::uint32_t CCellArena::Intern(std::uint32_t offset, std::uint32_t entrySize) {
  if (entrySize > kInternBytes || !interning) {
    end += entrySize;
    return offset;
  }
  ++lookups;
  const unsigned char* entry = At(offset);
  if (table.empty()) table.assign(256, Slot{0, 0});
  std::size_t mask = table.size() - 1;
  const auto hash = static_cast<std::uint32_t>(qHashBits(entry, entrySize));
  std::size_t i = hash & mask;
  for (; table[i].offset != 0; i = (i + 1) & mask) {
    const Slot& other = table[i];
    if (other.hash == hash && EntrySize(other.offset) == entrySize &&
        std::memcmp(At(other.offset), entry, entrySize) == 0) {
      ++hits;
      return other.offset;
    }
  }
  end += entrySize;
  if (internedCount >= kInternTrial && hits * 4 < lookups) {
    interning = false;
    table = {};
    return offset;
  }
  if (internedCount < kMaxInterned) {
    table[i] = {hash, offset};
    if (++internedCount * 2 > table.size()) {
      std::vector<Slot> grown(table.size() * 2, Slot{0, 0});
      mask = grown.size() - 1;
      for (const Slot& kept : table) {
        if (kept.offset == 0) continue;
        std::size_t j = kept.hash & mask;
        while (grown[j].offset != 0) j = (j + 1) & mask;
        grown[j] = kept;
      }
      table = std::move(grown);
    }
  }
  return offset;
}

// ---------------------------------------------------------------------------
// Cells

QString CGridCells::Text(int row, int col) const {
  return Chars(row, col).ToString();
}

CellChars CGridCells::Chars(int row, int col) const {
  if (row < 0 || row >= rowCount || col < 0 || col >= columns.size()) return {};
  const Column& column = columns[col];
  return column.arena->Chars(column.cells[row]);
}

std::uint32_t CGridCells::CellOffset(int row, int col) const {
  if (row < 0 || row >= rowCount || col < 0 || col >= columns.size()) return 0;
  return columns[col].cells[row];
}

CellChars CGridCells::CharsOf(int col, std::uint32_t offset) const {
  if (col < 0 || col >= columns.size()) return {};
  return columns[col].arena->Chars(offset);
}

std::uint64_t CGridCells::ArenaBytes(int col) const {
  return col >= 0 && col < columns.size() ? columns[col].arena->Used() : 0;
}

int CGridCells::Height(int row) const {
  return row >= 0 && row < heights.size() ? heights[row] : 0;
}

std::uint32_t CGridCells::Colour(int row, int col) const {
  if (col < 0 || col >= columns.size()) return kNoColour;
  const QList<std::uint32_t>& colours = columns[col].colours;
  return row >= 0 && row < colours.size() ? colours[row] : kNoColour;
}

void CGridCells::SetRowCount(int count) {
  count = std::max(count, 0);
  if (count == rowCount) return;
  for (Column& column : columns) {
    if (count < rowCount) {
      for (int r = count; r < rowCount; ++r)
        column.deadBytes += column.arena->EntrySize(column.cells[r]);
    }
    column.cells.resize(count, 0);
    if (!column.colours.isEmpty()) column.colours.resize(count, kNoColour);
    if (count < rowCount) CompactIfWasteful(column);
  }
  if (!heights.isEmpty()) heights.resize(count, 0);
  rowCount = count;
}

void CGridCells::SetColCount(int count) {
  count = std::max(count, 0);
  if (count == columns.size()) return;
  if (count < columns.size()) {
    columns.resize(count);
    return;
  }
  while (columns.size() < count) {
    Column column;
    column.cells.resize(rowCount, 0);
    columns.append(std::move(column));
  }
}

void CGridCells::Clear() {
  for (Column& column : columns) {
    column.cells.fill(0);
    column.colours.clear();
    column.arena = std::make_shared<CCellArena>();
    column.deadBytes = 0;
  }
  heights.clear();
}

void CGridCells::Replace(Column& column, int row, std::uint32_t offset) {
  const std::uint32_t old = column.cells[row];
  if (old == offset) return;
  column.cells[row] = offset;
  column.deadBytes += column.arena->EntrySize(old);
  CompactIfWasteful(column);
}

void CGridCells::CompactIfWasteful(Column& column) {
  if (column.deadBytes <= kDeadBytesFloor || column.deadBytes * 2 <= column.arena->Used()) return;
  auto fresh = std::make_shared<CCellArena>();
  for (std::uint32_t& offset : column.cells) {
    if (offset != 0) offset = fresh->Add(column.arena->Chars(offset));
  }
  column.arena = std::move(fresh);
  column.deadBytes = 0;
}

void CGridCells::SetText(int row, int col, QStringView text) {
  if (row < 0 || row >= rowCount || col < 0 || col >= columns.size()) return;
  // An empty text on an empty cell changes nothing: spare the copy a write
  // would make of a column shared with a snapshot.
  if (text.isEmpty() && std::as_const(columns)[col].cells[row] == 0) return;
  Column& column = columns[col];
  Replace(column, row, column.arena->Add(text));
}

void CGridCells::InsertRow(int position, const QStringList& texts, int height) {
  position = std::clamp(position, 0, rowCount);
  const bool atEnd = position == rowCount;
  for (qsizetype c = 0; c < columns.size(); ++c) {
    Column& column = columns[c];
    const std::uint32_t offset = c < texts.size() ? column.arena->Add(texts[c]) : 0;
    if (atEnd) {
      column.cells.append(offset);
    } else {
      column.cells.insert(position, offset);
    }
    if (!column.colours.isEmpty()) column.colours.insert(position, kNoColour);
  }
  if (height > 0 && heights.isEmpty()) heights.resize(rowCount, 0);
  if (!heights.isEmpty()) heights.insert(position, std::max(height, 0));
  ++rowCount;
}

void CGridCells::SetHeight(int row, int height) {
  if (row < 0 || row >= rowCount) return;
  height = std::max(height, 0);
  if (heights.isEmpty()) {
    if (height == 0) return;
    heights.resize(rowCount, 0);
  }
  heights[row] = height;
}

void CGridCells::SetColour(int row, int col, std::uint32_t colour) {
  if (row < 0 || row >= rowCount || col < 0 || col >= columns.size()) return;
  Column& column = columns[col];
  if (column.colours.isEmpty()) column.colours.resize(rowCount, kNoColour);
  column.colours[row] = colour;
}

namespace {

// Follows each cycle of the permutation once: values[k] takes what stood at
// order[k], with one value held aside per cycle.
template <typename T>
void Permute(T* values, const std::vector<std::uint32_t>& order, std::vector<bool>& done) {
  const std::size_t n = order.size();
  done.assign(n, false);
  for (std::size_t start = 0; start < n; ++start) {
    if (done[start]) continue;
    const T held = values[start];
    std::size_t at = start;
    for (;;) {
      done[at] = true;
      const std::size_t from = order[at];
      if (from == start) {
        values[at] = held;
        break;
      }
      values[at] = values[from];
      at = from;
    }
  }
}

}  // namespace

void CGridCells::PermuteRows(int first, const std::vector<std::uint32_t>& order) {
  if (first < 0 || first + static_cast<qsizetype>(order.size()) > rowCount) return;
  std::vector<bool> done;
  for (Column& column : columns) {
    Permute(column.cells.data() + first, order, done);
    if (!column.colours.isEmpty()) Permute(column.colours.data() + first, order, done);
  }
  if (!heights.isEmpty()) Permute(heights.data() + first, order, done);
}

void CGridCells::AppendCopyText(QString& out, int row, int col) const {
  const qsizetype start = out.size();
  const CellChars chars = Chars(row, col);
  if (chars.wide) {
    out += chars.ToString();
  } else {
    out += QLatin1StringView(reinterpret_cast<const char*>(chars.data), chars.length);
  }
  CleanCell(out, start);
  out += QLatin1Char('\t');
}

void CGridCells::AppendCopyText(QByteArray& out, int row, int col) const {
  const qsizetype start = out.size();
  const CellChars chars = Chars(row, col);
  if (chars.wide) {
    out += chars.ToString().toUtf8();
  } else {
    const auto* bytes = reinterpret_cast<const char*>(chars.data);
    bool ascii = true;
    for (std::uint32_t i = 0; i < chars.length; ++i) ascii &= (chars.data[i] & 0x80) == 0;
    if (ascii) {
      out.append(bytes, chars.length);
    } else {
      out += QLatin1StringView(bytes, chars.length).toString().toUtf8();
    }
  }
  // Bytes below 0x80 never occur inside a UTF-8 sequence.
  CleanCell(out, start);
  out += '\t';
}

}  // namespace tesmo
