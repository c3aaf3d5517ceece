// libFuzzer target over the hardware-vendor file reader: any bytes as the
// file's text. Every record kept must have a six-character key (or the seven
// or nine hex digits of a 28- or 36-bit block), be found under it, and have a
// one-line text that starts with a printing character and fits the line
// limit, and the file reads the same with its CR LF line ends as with LF
// (text mode: each CR LF pair read once).
#include <cstdint>
#include <string>

#include "core/base/vendor_map.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string content(reinterpret_cast<const char*>(data), size);
  tesmo::VendorTable table;
  tesmo::ParseVendorText(content, table);
  // Seven bytes at least per record: the key, the text, its line feed.
  if (table.size() > size / 8 + 1) __builtin_trap();
  for (const auto& [key, text] : table) {
    if ((key.size() != 6 && key.size() != 7 && key.size() != 9) || table.Find(key) == nullptr ||
        text.empty() || IsBlank(text[0]) || text.size() > 1022 ||
        text.find('\n') != std::string::npos)
      __builtin_trap();
  }

  std::string unix;
  for (size_t i = 0; i < content.size(); ++i) {
    if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') continue;
    unix += content[i];
  }
  // ("\r\r\n" reads as "\r\n" once, and as "\n" twice.)
  if (unix.find("\r\n") != std::string::npos) return 0;
  tesmo::VendorTable same;
  tesmo::ParseVendorText(unix, same);
  if (same != table) __builtin_trap();
  // A copy holds the same records in a block of its own.
  const tesmo::VendorTable copy = table;
  if (copy != table) __builtin_trap();
  // Any address, of any length, has some answer.
  (void)tesmo::VendorOf(table, content.substr(0, 16));
  return 0;
}
