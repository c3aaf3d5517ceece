// The address sets of a sweep.
#include "tools/discovery/sweep_set.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "core/base/untrusted_text.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"

namespace tesmo {
namespace {

// A file of entries larger than this is not a list of hosts.
constexpr std::streamoff kMaxSetFileBytes = 16 * 1024 * 1024;
// An entry is quoted in a message up to this many bytes.
constexpr size_t kQuotedEntryBytes = 80;

// A run of addresses: count addresses from first, one apart. IPv4 in host
// byte order; IPv6 on the low 64 bits of first's /64.
struct Span {
  IpAddress first;
  uint64_t count = 0;  // saturates at UINT64_MAX
};

std::string Quoted(std::string_view entry) {
  std::string text = "\"" + EscapeUntrusted(entry.substr(0, kQuotedEntryBytes));
  if (entry.size() > kQuotedEntryBytes) text += "...";
  return text + "\"";
}

uint64_t Low64(const IpAddress& address) {
  uint64_t low = 0;
  for (size_t i = 8; i < 16; ++i) low = low << 8 | address.V6Bytes()[i];
  return low;
}

IpAddress WithLow64(const IpAddress& address, uint64_t low) {
  std::array<uint8_t, 16> bytes = address.V6Bytes();
  for (size_t b = 16; b-- > 8;) {
    bytes[b] = static_cast<uint8_t>(low);
    low >>= 8;
  }
  return IpAddress::V6(bytes, address.ScopeId());
}

bool SamePrefix64(const IpAddress& a, const IpAddress& b) {
  return std::equal(a.V6Bytes().begin(), a.V6Bytes().begin() + 8, b.V6Bytes().begin());
}

// One entry without "@" and without separators: address, block, range or
// name. False with *error on a malformed entry.
bool ParseEntry(const std::string& entry, const SweepNameResolver& resolve, Span& span,
                std::string& error, bool& unresolved) {
  if (const size_t slash = entry.find('/'); slash != std::string::npos) {
    const std::string base = entry.substr(0, slash);
    const std::string bits = entry.substr(slash + 1);
    const std::optional<IpAddress> address = ParseEchoAddress(base);
    unsigned prefix = 0;
    bool digits = !bits.empty() && bits.size() <= 3;
    for (const char c : bits) {
      digits = digits && c >= '0' && c <= '9';
      if (digits) prefix = prefix * 10 + static_cast<unsigned>(c - '0');
    }
    const unsigned width = address && address->IsV6() ? 128 : 32;
    if (!address || !digits || prefix > width) {
      error = "Not an address block: " + Quoted(entry);
      return false;
    }
    if (address->IsV4()) {
      const uint32_t mask = prefix == 0 ? 0 : ~uint32_t{0} << (32 - prefix);
      const uint64_t size = uint64_t{1} << (32 - prefix);
      const uint32_t network = address->V4Value() & mask;
      // A /31 and a /32 have no network and broadcast addresses to leave out.
      const bool inner = prefix <= 30;
      span.first = IpAddress::V4(network + (inner ? 1 : 0));
      span.count = inner ? size - 2 : size;
      return true;
    }
    if (prefix < 64) {
      error = "An IPv6 sweep stays within one /64: " + Quoted(entry) + " is wider";
      return false;
    }
    const unsigned hostBits = 128 - prefix;
    const uint64_t mask = hostBits == 64 ? 0 : ~uint64_t{0} << hostBits;
    span.first = WithLow64(*address, Low64(*address) & mask);
    span.count = hostBits == 64 ? UINT64_MAX : uint64_t{1} << hostBits;
    return true;
  }
  if (const size_t dash = entry.find('-'); dash != std::string::npos) {
    const std::optional<IpAddress> from = ParseEchoAddress(entry.substr(0, dash));
    const std::optional<IpAddress> to = ParseEchoAddress(entry.substr(dash + 1));
    if (from && to) {
      if (from->family() != to->family()) {
        error = "A range joins two addresses of one family: " + Quoted(entry);
        return false;
      }
      if (from->IsV4()) {
        if (to->V4Value() < from->V4Value()) {
          error = "A range goes from the lower address to the higher: " + Quoted(entry);
          return false;
        }
        span.first = *from;
        span.count = uint64_t{to->V4Value()} - from->V4Value() + 1;
        return true;
      }
      if (!SamePrefix64(*from, *to)) {
        error = "An IPv6 sweep stays within one /64: " + Quoted(entry) + " leaves it";
        return false;
      }
      if (Low64(*to) < Low64(*from)) {
        error = "A range goes from the lower address to the higher: " + Quoted(entry);
        return false;
      }
      span.first = *from;
      const uint64_t gap = Low64(*to) - Low64(*from);
      span.count = gap == UINT64_MAX ? UINT64_MAX : gap + 1;
      return true;
    }
    // Not two addresses: a host name with a dash in it.
  }
  if (std::optional<IpAddress> address = ParseEchoAddress(entry)) {
    span.first = *address;
    span.count = 1;
    return true;
  }
  std::optional<IpAddress> named = resolve ? resolve(entry) : std::nullopt;
  if (!named) {
    error = "Cannot resolve " + Quoted(entry);
    unresolved = true;
    return false;
  }
  span.first = *named;
  span.count = 1;
  return true;
}

bool IsSeparator(char c) {
  return c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Splits a list at commas and white space, dropping empty entries.
std::vector<std::string> SplitList(std::string_view text) {
  std::vector<std::string> entries;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsSeparator(text[i])) ++i;
    size_t end = i;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    if (end > i) entries.emplace_back(text.substr(i, end - i));
    i = end;
  }
  return entries;
}

// The entries of a set file: each line up to its "#", split as a list.
bool ReadSetFile(const std::string& path, std::vector<std::string>& entries, std::string& error) {
  std::error_code code;
  if (std::filesystem::exists(path, code) && !std::filesystem::is_regular_file(path, code)) {
    error = "The address file " + Quoted(path) + " is not a regular file";
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = "Cannot read the address file " + Quoted(path);
    return false;
  }
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < 0 || size > kMaxSetFileBytes) {
    error = "The address file " + Quoted(path) + " is not a list of hosts (over 16 MB)";
    return false;
  }
  file.seekg(0);
  std::string line;
  while (std::getline(file, line)) {
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    for (std::string& entry : SplitList(line)) {
      if (entry.front() == '@') {
        error = "An address file names no other file: " + Quoted(entry);
        return false;
      }
      entries.push_back(std::move(entry));
    }
  }
  return true;
}

}  // namespace

bool IsSweepSet(std::string_view text) {
  while (!text.empty() && IsSeparator(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSeparator(text.back())) text.remove_suffix(1);
  if (text.empty()) return false;
  if (text.front() == '@') return true;
  if (std::any_of(text.begin(), text.end(), [](char c) { return IsSeparator(c) || c == '/'; }))
    return true;
  const size_t dash = text.find('-');
  return dash != std::string_view::npos && ParseEchoAddress(text.substr(0, dash)) &&
         ParseEchoAddress(text.substr(dash + 1));
}

SweepSetResult ExpandSweepSet(std::string_view text, uint32_t maxHosts,
                              const SweepNameResolver& resolve) {
  SweepSetResult result;
  std::vector<std::string> entries;
  for (std::string& entry : SplitList(text)) {
    if (entry.front() == '@') {
      if (!ReadSetFile(entry.substr(1), entries, result.error)) return result;
    } else {
      entries.push_back(std::move(entry));
    }
  }
  if (entries.empty()) {
    result.error = "The set names no address";
    return result;
  }
  // Every entry is read and counted before one address is made: a set over
  // the cap costs no memory.
  std::vector<Span> spans;
  spans.reserve(entries.size());
  uint64_t total = 0;
  char capText[160];
  std::snprintf(capText, sizeof capText,
                "The set holds more than %u addresses, the most one sweep takes", maxHosts);
  for (const std::string& entry : entries) {
    Span span;
    if (!ParseEntry(entry, resolve, span, result.error, result.unresolved)) return result;
    total = span.count > UINT64_MAX - total ? UINT64_MAX : total + span.count;
    if (total > maxHosts) {
      result.error = capText;
      return result;
    }
    spans.push_back(span);
  }
  // Each address once, in the order first given.
  std::set<IpAddress> seen;
  result.addresses.reserve(static_cast<size_t>(total));
  for (const Span& span : spans) {
    for (uint64_t i = 0; i < span.count; ++i) {
      const IpAddress address =
          span.first.IsV6() ? WithLow64(span.first, Low64(span.first) + i)
                            : IpAddress::V4(span.first.V4Value() + static_cast<uint32_t>(i));
      if (seen.insert(address).second) result.addresses.push_back(address.Text());
    }
  }
  result.ok = true;
  return result;
}

}  // namespace tesmo
