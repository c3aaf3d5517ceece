// One address of either family, as every page and engine passes it around.
//
// IPv4 keeps the classic text rules of address_text.h (one to four dotted
// parts, 255.255.255.255 refused), its dotted canonical form and its
// zero-padded grid form ("010.072.001.002", which sorts as text). IPv6 reads
// any RFC 4291 text, with or without brackets, and writes the RFC 5952 form
// (lower case, the longest run of two or more zero groups as "::", the
// first such run on a tie, a dotted tail only for IPv4-mapped addresses),
// never padded. A link-local IPv6 address may carry a zone ("%eth0" or
// "%2"): a known interface name or a number is kept, anything else refused.
#pragma once

#include <sys/socket.h>

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesmo {

class IpAddress {
 public:
  enum class Family { kNone, kV4, kV6 };

  IpAddress() = default;
  static IpAddress V4(uint32_t hostOrder);
  static IpAddress V6(const std::array<uint8_t, 16>& bytes, uint32_t scopeId = 0);
  // From a socket address of either family; nothing for any other.
  static std::optional<IpAddress> FromSockaddr(const sockaddr* address, socklen_t length);
  // From the raw bytes of an InetAddress (4 or 16 bytes; 20 with a zone).
  static std::optional<IpAddress> FromBytes(std::string_view bytes);

  Family family() const { return family_; }
  bool IsV4() const { return family_ == Family::kV4; }
  bool IsV6() const { return family_ == Family::kV6; }
  bool IsNull() const { return family_ == Family::kNone; }
  // An IPv4 address in host byte order (0 for IPv6).
  uint32_t V4Value() const { return v4_; }
  // The 16 bytes of an IPv6 address, network order (zeros for IPv4).
  const std::array<uint8_t, 16>& V6Bytes() const { return v6_; }
  uint32_t ScopeId() const { return scope_; }
  bool IsLoopback() const;

  // Dotted decimal, or RFC 5952 with "%zone" when a zone is kept.
  std::string Text() const;
  // The grid form: IPv4 zero-padded, IPv6 as Text().
  std::string GridText() const;
  // The form for a host:port pair and the SNMP peer name: IPv6 in brackets.
  std::string BracketText() const;
  // The reverse-lookup name: d.c.b.a.in-addr.arpa or 32 nibbles.ip6.arpa.
  std::string ReverseName() const;
  // The socket address with a port (host byte order); the length in *length.
  sockaddr_storage ToSockaddr(uint16_t port, socklen_t* length) const;
  int SocketFamily() const;  // AF_INET, AF_INET6, AF_UNSPEC

  // IPv4 before IPv6, then by value: the order of a sorted address list.
  std::strong_ordering operator<=>(const IpAddress& other) const;
  bool operator==(const IpAddress& other) const = default;

 private:
  Family family_ = Family::kNone;
  uint32_t v4_ = 0;
  std::array<uint8_t, 16> v6_{};
  uint32_t scope_ = 0;
};

// Which family a job looks for when a name has both: what stored settings
// call "IPv4 / IPv6 / either". Either takes IPv4 first.
enum class AddressFamilyChoice { kEither = 0, kV4 = 1, kV6 = 2 };

// An address text of either family. Leading and trailing white space is
// ignored; IPv6 may stand in brackets. On failure *error (when given) says
// why in a sentence for the status line.
std::optional<IpAddress> ParseIpAddress(std::string_view text, std::string* error = nullptr);

// ParseIpAddress then Text(); "" when the text does not parse.
std::string CanonicalIpText(std::string_view text);

// True when the text is meant as an IPv6 literal (it holds a ':').
bool LooksLikeIpv6(std::string_view text);

}  // namespace tesmo
