// Table indexes that hold addresses of either family (InetAddressType and
// InetAddress pairs, as the IP-MIB and IP-FORWARD-MIB tables use them).
//
// An index comes from the agent, so it is read as untrusted data: every
// length is checked against the sub-identifiers left, every byte against
// 0..255 and every address length against its type. A malformed index never
// reads past its end; the reader says why it gave up in a short text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/net/ip_address.h"

namespace tesmo {

// InetAddressType values.
enum : uint32_t {
  kInetUnknown = 0,
  kInetIpv4 = 1,
  kInetIpv6 = 2,
  kInetIpv4z = 3,
  kInetIpv6z = 4,
  kInetDns = 16,
};

// One address of an index. For unknown(0) with no bytes the address is null.
struct InetIndexAddress {
  uint32_t type = kInetUnknown;
  IpAddress address;  // without its zone
  uint32_t zone = 0;  // the zone index of ipv4z and ipv6z addresses

  bool IsV4() const { return address.IsV4(); }
  bool IsV6() const { return address.IsV6(); }
  // The grid form: IPv4 zero-padded, IPv6 in RFC 5952 form; a zone is
  // appended as "%" and its number (the agent's interface index, which names
  // nothing on this machine). Empty for a null address.
  std::string GridText() const;
  // As GridText, IPv4 dotted without padding.
  std::string Text() const;
};

// Reads an index from its start, one part after another.
class CInetIndexReader {
 public:
  explicit CInetIndexReader(std::span<const uint32_t> index) : index_(index) {}

  // One sub-identifier (an integer index part).
  bool ReadNumber(uint32_t& value);
  // An InetAddressType sub-identifier, then a length-prefixed InetAddress.
  // Types unknown (length 0 only), ipv4, ipv6, ipv4z and ipv6z are read;
  // dns and any other type are refused.
  bool ReadAddress(InetIndexAddress& address);
  // A length-prefixed object identifier (a RowPointer or policy part),
  // skipped.
  bool SkipObjectId();
  bool AtEnd() const { return position_ == index_.size(); }
  // Why the last read failed ("" while none did).
  const std::string& Error() const { return error_; }

 private:
  bool Fail(std::string why);

  std::span<const uint32_t> index_;
  size_t position_ = 0;
  std::string error_;
};

// The index of ipAddressTable: type and address, nothing after.
bool ParseIpAddressIndex(std::span<const uint32_t> index, InetIndexAddress& address,
                         std::string* error);

// The index of ipNetToPhysicalTable: interface index, type and address.
bool ParseNetToPhysicalIndex(std::span<const uint32_t> index, uint32_t& ifIndex,
                             InetIndexAddress& address, std::string* error);

// The index of inetCidrRouteTable: destination type and address, prefix
// length (at most the destination's bits), policy, next hop type and
// address. The destination must be an IPv4 or IPv6 address.
struct InetCidrRouteIndex {
  InetIndexAddress destination;
  uint32_t prefixLength = 0;
  InetIndexAddress nextHop;
};
bool ParseInetCidrRouteIndex(std::span<const uint32_t> index, InetCidrRouteIndex& route,
                             std::string* error);

// The prefix length of an ipAddressPrefix value, a pointer into
// ipAddressPrefixTable whose last sub-identifier is the prefix length; none
// for zeroDotZero or any other pointer. The value is the request layer's text
// of the object identifier.
std::optional<uint32_t> PrefixLengthOfPointer(const std::string& pointerText);

// The mask cell of a prefix: for IPv4 the mask in the grid form
// ("255.255.255.000"), for IPv6 "/" and the length.
std::string PrefixMaskText(const IpAddress& address, uint32_t prefixLength);

// Which records of a newer table a page shows after (or instead of) the rows
// of the older IPv4 table: IPv6 only after IPv4 rows, every family instead of
// them. A record whose index cannot be read is always shown, with the reason.
bool ShownFromNewerTable(bool olderHasRows, bool readable, bool isV6);

// The text of a row whose index could not be read.
std::string BadIndexText(const std::string& error);

// The labels of inetCidrRouteType and IANAipRouteProtocol values that the
// request layer printed as bare numbers (no loaded module declares the
// columns); any other text as it is.
std::string InetRouteTypeText(const std::string& text);
std::string RouteProtocolText(const std::string& text);

}  // namespace tesmo
