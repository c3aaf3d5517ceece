#include "core/net/ip_address.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cctype>
#include <cstring>

#include "core/net/address_text.h"

namespace tesmo {

namespace {

constexpr char kHex[] = "0123456789abcdef";

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    text.remove_suffix(1);
  return text;
}

bool IsV4Mapped(const std::array<uint8_t, 16>& b) {
  for (int i = 0; i < 10; ++i)
    if (b[i] != 0) return false;
  return b[10] == 0xFF && b[11] == 0xFF;
}

// RFC 5952: lower-case hex without leading zeros, the longest run of at
// least two zero groups (the first on a tie) shortened to "::".
std::string Rfc5952(const std::array<uint8_t, 16>& b) {
  uint16_t group[8];
  for (int i = 0; i < 8; ++i) group[i] = static_cast<uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
  int bestStart = -1, bestLength = 0;
  for (int i = 0; i < 8;) {
    if (group[i] != 0) {
      ++i;
      continue;
    }
    int j = i;
    while (j < 8 && group[j] == 0) ++j;
    if (j - i > bestLength) bestStart = i, bestLength = j - i;
    i = j;
  }
  if (bestLength < 2) bestStart = -1;
  const bool mapped = IsV4Mapped(b);
  const int groups = mapped ? 6 : 8;
  if (mapped) bestStart = 0, bestLength = 5;
  std::string out;
  for (int i = 0; i < groups;) {
    if (i == bestStart) {
      out += "::";
      i += bestLength;
      continue;
    }
    if (!out.empty() && out.back() != ':') out += ':';
    char digits[5];
    int n = 0;
    for (int shift = 12; shift >= 0; shift -= 4) {
      int nibble = group[i] >> shift & 0xF;
      if (n == 0 && nibble == 0 && shift > 0) continue;
      digits[n++] = kHex[nibble];
    }
    out.append(digits, n);
    ++i;
  }
  if (mapped) {
    out += ':';
    out +=
        FormatAddress(uint32_t{b[12]} << 24 | uint32_t{b[13]} << 16 | uint32_t{b[14]} << 8 | b[15]);
  }
  return out;
}

void SetError(std::string* error, const char* text) {
  if (error) *error = text;
}

}  // namespace

IpAddress IpAddress::V4(uint32_t hostOrder) {
  IpAddress a;
  a.family_ = Family::kV4;
  a.v4_ = hostOrder;
  return a;
}

IpAddress IpAddress::V6(const std::array<uint8_t, 16>& bytes, uint32_t scopeId) {
  IpAddress a;
  a.family_ = Family::kV6;
  a.v6_ = bytes;
  a.scope_ = scopeId;
  return a;
}

std::optional<IpAddress> IpAddress::FromSockaddr(const sockaddr* address, socklen_t length) {
  if (!address) return std::nullopt;
  if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
    sockaddr_in in;
    std::memcpy(&in, address, sizeof in);
    return V4(ntohl(in.sin_addr.s_addr));
  }
  if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
    sockaddr_in6 in6;
    std::memcpy(&in6, address, sizeof in6);
    std::array<uint8_t, 16> bytes;
    std::memcpy(bytes.data(), &in6.sin6_addr, 16);
    return V6(bytes, in6.sin6_scope_id);
  }
  return std::nullopt;
}

std::optional<IpAddress> IpAddress::FromBytes(std::string_view bytes) {
  auto u = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (bytes.size() == 4)
    return V4(uint32_t{u(0)} << 24 | uint32_t{u(1)} << 16 | uint32_t{u(2)} << 8 | u(3));
  if (bytes.size() == 16 || bytes.size() == 20) {
    std::array<uint8_t, 16> v6;
    for (size_t i = 0; i < 16; ++i) v6[i] = u(i);
    uint32_t zone = 0;
    if (bytes.size() == 20)
      zone = uint32_t{u(16)} << 24 | uint32_t{u(17)} << 16 | uint32_t{u(18)} << 8 | u(19);
    return V6(v6, zone);
  }
  return std::nullopt;
}

bool IpAddress::IsLoopback() const {
  if (IsV4()) return (v4_ >> 24) == 127;
  if (!IsV6()) return false;
  for (int i = 0; i < 15; ++i)
    if (v6_[i] != 0) return false;
  return v6_[15] == 1;
}

std::string IpAddress::Text() const {
  if (IsV4()) return FormatAddress(v4_);
  if (!IsV6()) return {};
  std::string text = Rfc5952(v6_);
  if (scope_ != 0) {
    char name[IF_NAMESIZE];
    text += '%';
    text += if_indextoname(scope_, name) ? std::string(name) : std::to_string(scope_);
  }
  return text;
}

std::string IpAddress::GridText() const {
  if (!IsV4()) return Text();
  char out[16];
  std::snprintf(out, sizeof out, "%03u.%03u.%03u.%03u", v4_ >> 24, v4_ >> 16 & 0xFF,
                v4_ >> 8 & 0xFF, v4_ & 0xFF);
  return out;
}

std::string IpAddress::BracketText() const {
  return IsV6() ? "[" + Text() + "]" : Text();
}

std::string IpAddress::ReverseName() const {
  if (IsV4()) {
    return std::to_string(v4_ & 0xFF) + '.' + std::to_string(v4_ >> 8 & 0xFF) + '.' +
           std::to_string(v4_ >> 16 & 0xFF) + '.' + std::to_string(v4_ >> 24) + ".in-addr.arpa";
  }
  if (!IsV6()) return {};
  std::string name;
  for (int i = 15; i >= 0; --i) {
    name += kHex[v6_[i] & 0xF];
    name += '.';
    name += kHex[v6_[i] >> 4];
    name += '.';
  }
  return name + "ip6.arpa";
}

sockaddr_storage IpAddress::ToSockaddr(uint16_t port, socklen_t* length) const {
  sockaddr_storage storage{};
  socklen_t size = 0;
  if (IsV4()) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(port);
    in.sin_addr.s_addr = htonl(v4_);
    std::memcpy(&storage, &in, sizeof in);
    size = sizeof in;
  } else if (IsV6()) {
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    in6.sin6_port = htons(port);
    std::memcpy(&in6.sin6_addr, v6_.data(), 16);
    in6.sin6_scope_id = scope_;
    std::memcpy(&storage, &in6, sizeof in6);
    size = sizeof in6;
  }
  if (length) *length = size;
  return storage;
}

int IpAddress::SocketFamily() const {
  return IsV4() ? AF_INET : IsV6() ? AF_INET6 : AF_UNSPEC;
}

std::strong_ordering IpAddress::operator<=>(const IpAddress& other) const {
  if (auto c = family_ <=> other.family_; c != 0) return c;
  if (IsV4()) return v4_ <=> other.v4_;
  if (auto c = v6_ <=> other.v6_; c != 0) return c;
  return scope_ <=> other.scope_;
}

bool LooksLikeIpv6(std::string_view text) {
  return text.find(':') != std::string_view::npos;
}

std::optional<IpAddress> ParseIpAddress(std::string_view text, std::string* error) {
  text = Trimmed(text);
  if (text.empty()) {
    SetError(error, "No address given");
    return std::nullopt;
  }
  if (!LooksLikeIpv6(text)) {
    // The classic IPv4 forms; trailing white space was trimmed above.
    if (text.front() == '[') {
      SetError(error, "Not an IPv6 address");
      return std::nullopt;
    }
    auto v4 = ParseAddressText(text);
    if (!v4 || text.find_first_of(" \t\r\n") != std::string_view::npos) {
      SetError(error, "Not an IPv4 address");
      return std::nullopt;
    }
    return IpAddress::V4(*v4);
  }
  if (text.front() == '[') {
    if (text.back() != ']') {
      SetError(error, "Not an IPv6 address: the bracket is not closed");
      return std::nullopt;
    }
    text = text.substr(1, text.size() - 2);
  }
  std::string_view zone;
  bool hasZone = false;
  if (auto percent = text.find('%'); percent != std::string_view::npos) {
    hasZone = true;
    zone = text.substr(percent + 1);
    text = text.substr(0, percent);
  }
  // Only hex digits, ':' and a dotted IPv4 tail: the library call below
  // would stop at a NUL and take what stands before it.
  if (text.size() > INET6_ADDRSTRLEN ||
      text.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) {
    SetError(error, "Not an IPv6 address");
    return std::nullopt;
  }
  std::string plain(text);
  in6_addr raw;
  if (inet_pton(AF_INET6, plain.c_str(), &raw) != 1) {
    SetError(error, "Not an IPv6 address");
    return std::nullopt;
  }
  std::array<uint8_t, 16> bytes;
  std::memcpy(bytes.data(), &raw, 16);
  uint32_t scope = 0;
  // "%" with nothing after it is as wrong as an unknown interface.
  if (hasZone) {
    std::string name(zone);
    bool numeric = !name.empty() && name.find_first_not_of("0123456789") == std::string::npos;
    if (numeric && name.size() <= 9) {
      scope = static_cast<uint32_t>(std::stoul(name));
    } else if (!name.empty() && name.size() < IF_NAMESIZE &&
               name.find_first_of(std::string_view("\0 \t\r\n/", 6)) == std::string::npos) {
      scope = if_nametoindex(name.c_str());
    }
    if (scope == 0) {
      SetError(error, "Unknown interface in the IPv6 zone");
      return std::nullopt;
    }
  }
  return IpAddress::V6(bytes, scope);
}

std::string CanonicalIpText(std::string_view text) {
  auto address = ParseIpAddress(text);
  return address ? address->Text() : std::string();
}

}  // namespace tesmo
