#include "core/net/address_text.h"

#include <cctype>

namespace tesmo {

std::optional<uint32_t> ParseAddressText(std::string_view text) {
  uint64_t parts[4] = {0, 0, 0, 0};
  int count = 0;
  size_t i = 0;
  while (true) {
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    uint64_t value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      if (value > 0xFFFFFFFFull) return std::nullopt;
      ++i;
    }
    parts[count++] = value;
    if (i < text.size() && text[i] == '.') {
      if (count == 4) return std::nullopt;
      ++i;
      continue;
    }
    break;
  }
  if (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) return std::nullopt;

  uint64_t address = 0;
  switch (count) {
    case 1:
      address = parts[0];
      break;
    case 2:
      if (parts[0] > 255 || parts[1] > 0xFFFFFF) return std::nullopt;
      address = (parts[0] << 24) | parts[1];
      break;
    case 3:
      if (parts[0] > 255 || parts[1] > 255 || parts[2] > 0xFFFF) return std::nullopt;
      address = (parts[0] << 24) | (parts[1] << 16) | parts[2];
      break;
    default:
      if (parts[0] > 255 || parts[1] > 255 || parts[2] > 255 || parts[3] > 255) return std::nullopt;
      address = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
  }
  if (address == 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(address);
}

std::string FormatAddress(uint32_t address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
         std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::string CanonicalAddressText(std::string_view text) {
  auto address = ParseAddressText(text);
  return address ? FormatAddress(*address) : std::string();
}

}  // namespace tesmo
