// The hardware-vendor file.
#include "core/base/vendor_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "core/base/load_gate.h"

namespace tesmo {

VendorTable VendorMap;

namespace {
// Open unless the vendor file is being read beside the window.
CLoadGate vendorGate;

// Longest vendor text read from one line, line feed included.
constexpr size_t kMaxLine = 1023;
// A vendor file larger than this is not a vendor file (the registries of all
// block sizes make about 2 MB).
constexpr long long kMaxFileBytes = 64LL << 20;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsUpperHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The length of a 28- or 36-bit record's key at text[pos] ("741AE09/28 "):
// its hex digits and the suffix; 0 when the record has a six-character key.
size_t LongKeyLength(std::string_view text, size_t pos, size_t* digits) {
  static constexpr std::pair<size_t, std::string_view> kForms[] = {{7, "/28"}, {9, "/36"}};
  for (const auto& [hex, suffix] : kForms) {
    const size_t length = hex + suffix.size();
    if (text.size() - pos <= length) continue;
    bool allHex = true;
    for (size_t i = 0; i < hex && allHex; ++i) allHex = IsUpperHex(text[pos + i]);
    const char after = text[pos + length];
    if (allHex && text.substr(pos + hex, suffix.size()) == suffix &&
        (after == ' ' || after == '\t')) {
      *digits = hex;
      return length;
    }
  }
  return 0;
}

}  // namespace

VendorTable::VendorTable(std::initializer_list<std::pair<std::string, std::string>> records) {
  block = std::make_unique<std::string>();
  size_t total = 0;
  for (const auto& [key, text] : records) total += key.size() + text.size();
  block->reserve(total);
  for (const auto& [key, text] : records) *block += key + text;
  size_t pos = 0;
  for (const auto& [key, text] : records) {
    const std::string_view k(block->data() + pos, key.size());
    const std::string_view t(block->data() + pos + key.size(), text.size());
    pos += key.size() + text.size();
    (key.size() == 7 ? by28 : key.size() == 9 ? by36 : by24)[k] = t;
  }
}

VendorTable::VendorTable(const VendorTable& other) {
  *this = other;
}

VendorTable& VendorTable::operator=(const VendorTable& other) {
  if (this == &other) return *this;
  clear();
  if (!other.block) return *this;
  block = std::make_unique<std::string>(*other.block);
  // The same records, their views moved onto this table's copy of the block.
  const auto rebase = [&](std::string_view view) {
    return std::string_view(block->data() + (view.data() - other.block->data()), view.size());
  };
  const std::pair<const Index*, Index*> pairs[] = {
      {&other.by24, &by24}, {&other.by28, &by28}, {&other.by36, &by36}};
  for (const auto& [from, to] : pairs) {
    to->reserve(from->size());
    for (const auto& [key, text] : *from) (*to)[rebase(key)] = rebase(text);
  }
  return *this;
}

void VendorTable::clear() {
  by24.clear();
  by28.clear();
  by36.clear();
  block.reset();
}

size_t VendorTable::size() const {
  return by24.size() + by28.size() + by36.size();
}

const std::string_view* VendorTable::Find(std::string_view key) const {
  const Index& index = key.size() == 7 ? by28 : key.size() == 9 ? by36 : by24;
  const auto it = index.find(key);
  return it == index.end() ? nullptr : &it->second;
}

bool VendorTable::operator==(const VendorTable& other) const {
  if (size() != other.size()) return false;
  for (const Entry& entry : *this) {
    const std::string_view* text = other.Find(entry.first);
    if (text == nullptr || *text != entry.second) return false;
  }
  return true;
}

VendorTable::const_iterator::const_iterator(const VendorTable* owner, int first)
    : table(owner), which(first) {
  SkipEmpty();
}

void VendorTable::const_iterator::SkipEmpty() {
  while (which < 3) {
    const Index& current = which == 0 ? table->by24 : which == 1 ? table->by28 : table->by36;
    if (index != &current) {
      index = &current;
      position = current.begin();
    }
    if (position != current.end()) return;
    ++which;
  }
  index = nullptr;
}

VendorTable::const_iterator& VendorTable::const_iterator::operator++() {
  ++position;
  SkipEmpty();
  return *this;
}

void VendorTable::Parse(std::string text) {
  clear();
  // The file is read as text: a carriage return before a line feed is not
  // data. Removed in place, so that the block is the one copy of the file.
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[out++] = text[i];
  }
  text.resize(out);
  block = std::make_unique<std::string>(std::move(text));
  const std::string_view content(*block);
  // About 40 bytes a record in a registry-made file.
  by24.reserve(content.size() / 48);

  size_t pos = 0;
  const size_t end = content.size();
  while (true) {
    if (end - pos < 6) return;
    size_t digits = 6;
    const size_t keyLength = LongKeyLength(content, pos, &digits);
    const std::string_view key = content.substr(pos, digits);
    pos += keyLength == 0 ? 6 : keyLength;
    while (pos < end && IsSpace(content[pos])) ++pos;
    if (pos >= end) return;
    const size_t lineEnd = content.find('\n', pos);
    const size_t available = (lineEnd == std::string_view::npos ? end : lineEnd + 1) - pos;
    if (available > kMaxLine || lineEnd == std::string_view::npos) return;
    (digits == 7 ? by28 : digits == 9 ? by36 : by24)[key] = content.substr(pos, lineEnd - pos);
    pos = lineEnd + 1;
  }
}

void ParseVendorText(const std::string& content, VendorTable& table) {
  table.Parse(content);
}

bool LoadVendorFile(const std::string& path, VendorTable& table) {
  table.clear();
  // Only a regular file of a sane size is read, in one piece: a FIFO or a
  // device under that name would block or never end.
  struct stat info {};
  std::ifstream in;
  if (stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
    in.open(path, std::ios::binary);
  }
  if (!in.is_open()) {
    std::fputs("cannot open 'vendors.txt'\n", stderr);
    return false;
  }
  if (info.st_size > kMaxFileBytes) {
    std::fputs("'vendors.txt' is larger than 64 MiB: not read\n", stderr);
    return false;
  }
  std::string text(static_cast<size_t>(info.st_size), '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  table.Parse(std::move(text));
  return true;
}

std::string VendorOf(const VendorTable& table, std::string_view hardwareAddress) {
  if (hardwareAddress.size() < 6) return {};
  for (const size_t length : {size_t{9}, size_t{7}, size_t{6}}) {
    if (hardwareAddress.size() < length) continue;
    if (const std::string_view* text = table.Find(hardwareAddress.substr(0, length))) {
      return std::string(*text);
    }
  }
  // No record: an address that no registry block can hold says what it is.
  // Only a whole address in hex counts (six octets or an EUI-64's eight),
  // not some other kind of physical address an interface reports.
  if (hardwareAddress.size() != 12 && hardwareAddress.size() != 16) return {};
  for (const char c : hardwareAddress) {
    if (HexValue(c) < 0) return {};
  }
  const int first = HexValue(hardwareAddress[0]) * 16 + HexValue(hardwareAddress[1]);
  if (first & 0x01) return "(multicast)";
  if (first & 0x02) return "(locally administered)";
  return {};
}

std::string VendorOf(const std::string& hardwareAddress) {
  vendorGate.Wait();
  return VendorOf(VendorMap, hardwareAddress);
}

std::function<void()> BeginVendorFileLoad(std::string path) {
  vendorGate.Wait();
  vendorGate.Begin();
  return [path = std::move(path)] {
    LoadVendorFile(path, VendorMap);
    vendorGate.End();
  };
}

std::string NormalHardwareAddress(std::string_view text) {
  std::string hex;
  const auto upper = [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 32) : c; };
  const size_t colons = std::count(text.begin(), text.end(), ':');
  const size_t dashes = std::count(text.begin(), text.end(), '-');
  const size_t dots = std::count(text.begin(), text.end(), '.');
  if ((colons != 0) + (dashes != 0) + (dots != 0) > 1) return {};
  const char separator = colons ? ':' : dashes ? '-' : dots ? '.' : '\0';
  // Groups of one or two digits between colons or dashes, of four between
  // dots, or one run of digits.
  const size_t minGroup = separator == '.' ? 4 : separator == '\0' ? 12 : 1;
  const size_t maxGroup = separator == '.' ? 4 : separator == '\0' ? 16 : 2;
  size_t start = 0;
  while (start <= text.size()) {
    size_t stop = separator == '\0' ? std::string_view::npos : text.find(separator, start);
    if (stop == std::string_view::npos) stop = text.size();
    const std::string_view group = text.substr(start, stop - start);
    if (group.size() < minGroup || group.size() > maxGroup) return {};
    for (const char c : group) {
      if (HexValue(c) < 0) return {};
    }
    if (group.size() == 1) hex += '0';
    for (const char c : group) hex += upper(c);
    start = stop + 1;
  }
  return hex.size() == 12 || hex.size() == 16 ? hex : std::string();
}

}  // namespace tesmo
