// Small appenders the SNMP text forms share: numbers and hex blocks written
// onto the end of a string.
#pragma once

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>

namespace tesmo {

inline void AppendUnsigned(std::string& out, uint64_t value, int base = 10) {
  char buffer[72];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value, base).ptr;
  out.append(buffer, end);
}

inline void AppendSigned(std::string& out, int64_t value) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  out.append(buffer, end);
}

// Unsigned decimal, zero-filled to width digits.
inline void AppendPadded(std::string& out, uint64_t value, size_t width) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  size_t digits = static_cast<size_t>(end - buffer);
  if (digits < width) out.append(width - digits, '0');
  out.append(buffer, end);
}

inline constexpr char kUpperHex[] = "0123456789ABCDEF";

// Two upper-case hex digits per byte; a line feed after each complete block
// of 16 bytes.
inline void AppendHexBlock(std::string& out, std::string_view bytes) {
  out.reserve(out.size() + bytes.size() * 2 + bytes.size() / 16);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    out.push_back(kUpperHex[c >> 4]);
    out.push_back(kUpperHex[c & 15]);
    if ((i + 1) % 16 == 0) out.push_back('\n');
  }
}

}  // namespace tesmo
