// The address-text rule shared by every page that reads an IPv4 address text.
//
// One to four parts separated by ".", each a run of decimal digits (leading
// zeros are decimal: 010 is ten). a = the whole 32-bit value; a.b = a in the
// top byte, b (at most 16777215) below it; a.b.c = a and b in the top two
// bytes, c (at most 65535) below; a.b.c.d = four bytes. After the last part
// only the end of the text or a white-space character may follow.
// 255.255.255.255 cannot be told from a failure and is refused everywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesmo {

// The address in host byte order, or nothing when the text does not parse.
std::optional<uint32_t> ParseAddressText(std::string_view text);

// Canonical form: four bytes in decimal without leading zeros.
std::string FormatAddress(uint32_t address);

// ParseAddressText then FormatAddress; "" when the text does not parse.
std::string CanonicalAddressText(std::string_view text);

}  // namespace tesmo
