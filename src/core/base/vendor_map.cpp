// The hardware-vendor file.
#include "core/base/vendor_map.h"

#include <cstdio>
#include <fstream>
#include <sstream>

namespace tesmo {

VendorTable VendorMap;

namespace {
// Longest vendor text read from one line, line feed included.
constexpr size_t kMaxLine = 1023;

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
}  // namespace

void ParseVendorText(const std::string& raw, VendorTable& table) {
  // The file is read as text: a carriage return before a line feed is not data.
  std::string content;
  content.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    content += raw[i];
  }

  size_t pos = 0;
  const size_t end = content.size();
  while (true) {
    if (end - pos < 6) return;
    std::string key = content.substr(pos, 6);
    pos += 6;
    while (pos < end && IsSpace(content[pos])) ++pos;
    if (pos >= end) return;
    const size_t lineEnd = content.find('\n', pos);
    const size_t available = (lineEnd == std::string::npos ? end : lineEnd + 1) - pos;
    if (available > kMaxLine || lineEnd == std::string::npos) return;
    table[key] = content.substr(pos, lineEnd - pos);
    pos = lineEnd + 1;
  }
}

bool LoadVendorFile(const std::string& path, VendorTable& table) {
  table.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fputs("cannot open 'vendors.txt'\n", stderr);
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  ParseVendorText(all.str(), table);
  return true;
}

std::string VendorOf(const std::string& hardwareAddress) {
  if (hardwareAddress.size() < 6) return {};
  auto it = VendorMap.find(hardwareAddress.substr(0, 6));
  return it == VendorMap.end() ? std::string() : it->second;
}

}  // namespace tesmo
