// Sort keys of a grid column and the number forms the sorts read.
//
// Each sort reads a column once and turns every cell into an integer key:
// numbers into the bits of their double in an order that compares as
// unsigned integers, texts into their rank among the column's distinct texts
// (collated once, not at every comparison). The rows are then ordered by
// (key, original place), which is stable in both directions.
#include <QString>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <numeric>
#include <string>

#include "core/grid/grid_cells.h"
#include "core/grid/grid_data.h"

namespace tesmo {
namespace {

bool IsDigit(char16_t c) {
  return c >= '0' && c <= '9';
}
bool IsBlank(char16_t c) {
  return c == ' ' || c == '\t';
}

// Characters of a QStringView or of a stored cell, as UTF-16 code units.
struct ViewChars {
  QStringView text;
  qsizetype size() const { return text.size(); }
  char16_t operator[](qsizetype i) const { return text[i].unicode(); }
};
struct StoredChars {
  const CellChars& chars;
  qsizetype size() const { return chars.length; }
  char16_t operator[](qsizetype i) const { return chars.At(static_cast<std::uint32_t>(i)); }
};

// Length of the decimal number (sign, digits, fraction, exponent) that starts
// at text[i]; 0 when none does.
template <typename Chars>
qsizetype NumberLength(const Chars& text, qsizetype i) {
  const qsizetype n = text.size();
  qsizetype j = i;
  if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
  qsizetype digits = 0;
  while (j < n && IsDigit(text[j])) {
    ++j;
    ++digits;
  }
  if (j < n && text[j] == '.') {
    qsizetype k = j + 1;
    while (k < n && IsDigit(text[k])) {
      ++k;
      ++digits;
    }
    if (digits > 0) j = k;
  }
  if (digits == 0) return 0;
  if (j < n && (text[j] == 'e' || text[j] == 'E')) {
    qsizetype k = j + 1;
    if (k < n && (text[k] == '+' || text[k] == '-')) ++k;
    qsizetype m = k;
    while (m < n && IsDigit(text[m])) ++m;
    if (m > k) j = m;
  }
  return j - i;
}

template <typename Chars>
qsizetype SkipBlanks(const Chars& text, qsizetype i) {
  while (i < text.size() && IsBlank(text[i])) ++i;
  return i;
}

// The value of the number text[start, start + length), read as
// QString::toDouble reads it: std::from_chars gives the same correctly
// rounded double, and whatever it refuses (a leading '+' aside: overflow and
// underflow) goes to toDouble itself.
template <typename Chars>
double NumberValue(const Chars& text, qsizetype start, qsizetype length) {
  // Most numbers fit the buffer on the stack; a longer one takes a string.
  char small[64];
  std::string large;
  char* ascii = small;
  if (length > static_cast<qsizetype>(sizeof small)) {
    large.resize(static_cast<std::size_t>(length));
    ascii = large.data();
  }
  for (qsizetype i = 0; i < length; ++i) ascii[i] = static_cast<char>(text[start + i]);
  const qsizetype skip = ascii[0] == '+' ? 1 : 0;
  double value = 0;
  const auto [end, error] = std::from_chars(ascii + skip, ascii + length, value);
  if (error == std::errc() && end == ascii + length) return value;
  return QString::fromLatin1(ascii, length).toDouble();
}

template <typename Chars>
bool ReadsAsNumberOf(const Chars& text, double* value) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumberLength(text, start);
  if (length == 0 || SkipBlanks(text, start + length) != text.size()) return false;
  if (value != nullptr) *value = NumberValue(text, start, length);
  return true;
}

template <typename Chars>
double LeadingNumberOf(const Chars& text) {
  const qsizetype start = SkipBlanks(text, 0);
  const qsizetype length = NumberLength(text, start);
  return length == 0 ? 0.0 : NumberValue(text, start, length);
}

// Doubles as unsigned integers in the same order (-0 and 0 alike).
std::uint64_t NumberKey(double value) {
  if (value == 0) value = 0;
  const auto bits = std::bit_cast<std::uint64_t>(value);
  return (bits >> 63) != 0 ? ~bits : bits | (std::uint64_t{1} << 63);
}

int HexDigit(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'a' && u <= 'f') return u - 'a' + 10;
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

// Dotted IPv4 (1 to 3 digits a part, each part up to 255) into out[0..3].
bool ParseDotted(QStringView text, unsigned char* out) {
  const QList<QStringView> parts = text.split(u'.');
  if (parts.size() != 4) return false;
  for (int i = 0; i < 4; ++i) {
    if (parts[i].isEmpty() || parts[i].size() > 3) return false;
    int value = 0;
    for (QChar c : parts[i]) {
      if (!IsDigit(c.unicode())) return false;
      value = value * 10 + (c.unicode() - '0');
    }
    if (value > 255) return false;
    out[i] = static_cast<unsigned char>(value);
  }
  return true;
}

}  // namespace

// An IPv6 address text (groups of hex digits, one "::" at most, an IPv4 tail
// allowed, a "%zone" after it) as its 16 bytes and its zone.
bool ParseGridIpv6(QStringView text, std::array<unsigned char, 16>& address, QStringView& zone) {
  zone = QStringView();
  const qsizetype percent = text.indexOf(u'%');
  if (percent >= 0) {
    zone = text.mid(percent + 1);
    if (zone.isEmpty()) return false;
    text = text.first(percent);
  }
  if (text.size() < 2 || text.count(u':') < 2) return false;
  std::array<unsigned char, 16> bytes{};
  int filled = 0;  // bytes written so far
  int gap = -1;    // where "::" stands, in bytes
  qsizetype i = 0;
  if (text.startsWith(u"::")) {
    gap = 0;
    i = 2;
  } else if (text[0] == u':') {
    return false;
  }
  while (i < text.size()) {
    qsizetype j = i;
    while (j < text.size() && text[j] != u':') ++j;
    const QStringView part = text.mid(i, j - i);
    if (part.isEmpty()) return false;
    if (part.contains(u'.')) {
      // The IPv4 tail ends the text.
      if (j != text.size() || filled > 12 || !ParseDotted(part, bytes.data() + filled))
        return false;
      filled += 4;
      break;
    }
    if (part.size() > 4 || filled > 14) return false;
    int value = 0;
    for (QChar c : part) {
      const int digit = HexDigit(c);
      if (digit < 0) return false;
      value = value * 16 + digit;
    }
    bytes[filled++] = static_cast<unsigned char>(value >> 8);
    bytes[filled++] = static_cast<unsigned char>(value & 0xFF);
    if (j == text.size()) break;
    // j stands on a ':'; a second one is the gap.
    i = j + 1;
    if (i < text.size() && text[i] == u':') {
      if (gap >= 0) return false;
      gap = filled;
      ++i;
    } else if (i == text.size()) {
      return false;  // a lone trailing ':'
    }
  }
  if (gap < 0) {
    if (filled != 16) return false;
  } else {
    if (filled > 14) return false;
    // The groups after the gap move to the end.
    const int tail = filled - gap;
    std::memmove(bytes.data() + 16 - tail, bytes.data() + gap, tail);
    std::fill(bytes.begin() + gap, bytes.begin() + 16 - tail, 0);
  }
  address = bytes;
  return true;
}

bool ReadsAsNumber(QStringView text, double* value) {
  return ReadsAsNumberOf(ViewChars{text}, value);
}

double LeadingNumber(QStringView text) {
  return LeadingNumberOf(ViewChars{text});
}

namespace {

struct RowKey {
  std::uint64_t key;
  std::uint32_t kind;   // the generic sort's class: 0 empty, 1 number, 2 text
  std::uint32_t index;  // place before the sort
};

// One distinct text of a column and what it is sorted by. Texts compare as
// texts (case folded for the sorts without case); IPv6 addresses come after
// all of them, by value and then zone, since their texts do not sort as
// numbers. Zero-padded IPv4 addresses are texts whose order is their value's.
struct TextEntry {
  std::uint32_t offset;
  bool v6 = false;
  std::array<unsigned char, 16> address{};
  QString key;  // the text, or the zone of an address

  bool operator<(const TextEntry& other) const {
    if (v6 != other.v6) return other.v6;
    if (v6 && address != other.address) return address < other.address;
    return key < other.key;
  }
  bool operator==(const TextEntry& other) const {
    return v6 == other.v6 && (!v6 || address == other.address) && key == other.key;
  }
};

// Ranks of the texts of rows [1, n] of col that want one (wanted[i] for row
// i + 1), written into keys[i].key.
void RankTexts(const CGridCells& cells, int col, bool folded, const std::vector<bool>& wanted,
               std::vector<RowKey>& keys) {
  const std::size_t n = keys.size();
  std::vector<std::uint32_t> offsets;
  offsets.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    if (wanted[i]) offsets.push_back(cells.CellOffset(static_cast<int>(i) + 1, col));
  }
  std::sort(offsets.begin(), offsets.end());
  offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());

  std::vector<TextEntry> entries(offsets.size());
  for (std::size_t k = 0; k < offsets.size(); ++k) {
    TextEntry& entry = entries[k];
    entry.offset = offsets[k];
    QString text = cells.CharsOf(col, offsets[k]).ToString();
    QStringView zone;
    if (ParseGridIpv6(text, entry.address, zone)) {
      entry.v6 = true;
      text = zone.toString();
    }
    entry.key = folded ? text.toCaseFolded() : std::move(text);
  }
  std::vector<std::uint32_t> byText(entries.size());
  std::iota(byText.begin(), byText.end(), 0);
  std::sort(byText.begin(), byText.end(),
            [&](std::uint32_t a, std::uint32_t b) { return entries[a] < entries[b]; });
  // Rank by distinct offset (offsets are sorted, so a row finds its own by
  // binary search); equal texts at different offsets share a rank.
  std::vector<std::uint32_t> rankOf(entries.size());
  std::uint32_t rank = 0;
  for (std::size_t k = 0; k < byText.size(); ++k) {
    if (k > 0 && !(entries[byText[k]] == entries[byText[k - 1]])) ++rank;
    rankOf[byText[k]] = rank;
  }
  for (std::size_t i = 0; i < n; ++i) {
    if (!wanted[i]) continue;
    const std::uint32_t offset = cells.CellOffset(static_cast<int>(i) + 1, col);
    const auto at = std::lower_bound(offsets.begin(), offsets.end(), offset) - offsets.begin();
    keys[i].key = rankOf[static_cast<std::size_t>(at)];
  }
}

}  // namespace

std::vector<std::uint32_t> GridSortOrder(const CGridCells& cells, int col, int code) {
  const int rows = cells.RowCount() - 1;
  if (rows < 1 || col < 0 || col >= cells.ColCount()) return {};
  const auto n = static_cast<std::size_t>(rows);
  const bool descending = code % 2 == 0;
  const int ascendingCode = descending ? code - 1 : code;
  std::vector<RowKey> keys(n);
  for (std::size_t i = 0; i < n; ++i) keys[i] = {0, 0, static_cast<std::uint32_t>(i)};

  switch (ascendingCode) {
    case kSortNumericAscending:
      for (std::size_t i = 0; i < n; ++i) {
        const CellChars chars = cells.Chars(static_cast<int>(i) + 1, col);
        keys[i].key = NumberKey(LeadingNumberOf(StoredChars{chars}));
      }
      break;
    case kSortGenericAscending: {
      std::vector<bool> texts(n, false);
      for (std::size_t i = 0; i < n; ++i) {
        const CellChars chars = cells.Chars(static_cast<int>(i) + 1, col);
        double value = 0;
        if (chars.IsEmpty()) {
          keys[i].kind = 0;
        } else if (ReadsAsNumberOf(StoredChars{chars}, &value)) {
          keys[i].kind = 1;
          keys[i].key = NumberKey(value);
        } else {
          keys[i].kind = 2;
          texts[i] = true;
        }
      }
      RankTexts(cells, col, true, texts, keys);
      break;
    }
    case kSortStringNoCaseAscending:
    case kSortStringAscending:
      RankTexts(cells, col, ascendingCode == kSortStringNoCaseAscending, std::vector<bool>(n, true),
                keys);
      break;
    default:
      return {};
  }

  std::sort(keys.begin(), keys.end(), [descending](const RowKey& a, const RowKey& b) {
    if (a.kind != b.kind) return descending ? b.kind < a.kind : a.kind < b.kind;
    if (a.key != b.key) return descending ? b.key < a.key : a.key < b.key;
    return a.index < b.index;
  });
  std::vector<std::uint32_t> order(n);
  for (std::size_t k = 0; k < n; ++k) order[k] = keys[k].index;
  return order;
}

}  // namespace tesmo
