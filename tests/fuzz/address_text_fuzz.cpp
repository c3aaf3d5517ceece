// libFuzzer target over the address-text rules: ParseAddressText against a
// second reading of the same rule written the plain way (split at dots, each
// part checked against its limit), and the canonical form read back; then
// the address of either family, whose canonical and grid forms must read
// back as the same address.
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/address_text.h"
#include "core/net/ip_address.h"

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The rule as the header states it.
std::optional<uint32_t> Reference(std::string_view text) {
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  std::vector<uint64_t> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = text.find('.', start);
    const size_t stop = dot < end ? dot : end;
    const std::string_view part = text.substr(start, stop - start);
    if (part.empty() || parts.size() == 4) return std::nullopt;
    uint64_t value = 0;
    for (char c : part) {
      if (c < '0' || c > '9') return std::nullopt;
      value = value * 10 + static_cast<uint64_t>(c - '0');
      if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    parts.push_back(value);
    if (stop == end) break;
    start = stop + 1;
  }
  // The bits the last part fills, by the number of parts.
  static constexpr int kLowBits[] = {32, 24, 16, 8};
  const int low = kLowBits[parts.size() - 1];
  uint64_t address = 0;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    if (parts[i] > 255) return std::nullopt;
    address |= parts[i] << (24 - 8 * i);
  }
  if (parts.back() >= (uint64_t{1} << low)) return std::nullopt;
  address |= parts.back();
  if (address == 0xFFFFFFFFull) return std::nullopt;
  return static_cast<uint32_t>(address);
}

// Either family: what parses writes a canonical form that reads back as the
// same address, and a grid form that does too; what does not parse says why.
void CheckEitherFamily(std::string_view text) {
  std::string error;
  const std::optional<tesmo::IpAddress> address = tesmo::ParseIpAddress(text, &error);
  if (!address) {
    if (error.empty() || !tesmo::CanonicalIpText(text).empty()) __builtin_trap();
    return;
  }
  const std::string canonical = address->Text();
  if (canonical.empty() || canonical.size() > 64) __builtin_trap();
  if (tesmo::ParseIpAddress(canonical) != address) __builtin_trap();
  if (tesmo::ParseIpAddress(address->GridText()) != address) __builtin_trap();
  if (address->IsV6() && canonical.find_first_of("ABCDEF") != std::string::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A buffer of exactly the text's size, so that a read past it trips
  // AddressSanitizer.
  std::unique_ptr<char[]> exact(new char[size + (size == 0 ? 1 : 0)]);
  std::memcpy(exact.get(), data, size);
  const std::string_view text(exact.get(), size);
  CheckEitherFamily(text);
  const std::optional<uint32_t> parsed = tesmo::ParseAddressText(text);
  if (parsed != Reference(text)) __builtin_trap();
  if (!parsed) {
    if (!tesmo::CanonicalAddressText(text).empty()) __builtin_trap();
    return 0;
  }
  const std::string canonical = tesmo::FormatAddress(*parsed);
  if (canonical.size() > 15 || tesmo::ParseAddressText(canonical) != parsed ||
      tesmo::CanonicalAddressText(text) != canonical)
    __builtin_trap();
  return 0;
}
