// The name service every page uses: address text (IPv4 or IPv6) to host name
// and back,
// through the internal resolver (the resolver library with the program's own
// server and search lists) or the system's, with a timed cache of answers and
// failures and the hosts file pre-loaded into it.
//
// Nothing here reports an error: a failed resolution is "", and each caller
// decides what to show instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/net/ip_address.h"

namespace tesmo {

// The settings of the name service (section "Resolver"). Written by the
// resolver settings (start-up, the NSLookup page), read by every lookup; each
// lookup reads them once at its start.
extern std::atomic<int> UseFastResolver;  // 1 internal resolver, 0 the system's
extern std::atomic<int> bDnsUseCache;     // 1 answers and failures are cached
// 1: with the internal resolver and no cache, the hosts file is searched
// before DNS. (With the cache on, the hosts file is always loaded into it.)
extern std::atomic<int> bDnsUseHostfile;
// Validity of a cache entry in seconds, and the period of the hosts reload.
extern std::atomic<uint32_t> DnsCacheTimeout;

// Host name of an address text: IPv4 in any classic dotted form, IPv6 (with
// or without brackets) looked up under ip6.arpa. "" when the text is no
// address (or is 255.255.255.255) or no name is found.
std::string ResolveAddressToName(std::string_view addressText);
// First address of a host name, dotted or RFC 5952; "" when there is none.
// kV4 asks for IPv4 alone (A records), kV6 for IPv6 alone (AAAA), kEither for
// IPv4 first and IPv6 when the name has no IPv4 address. The default is what
// every caller got before IPv6: IPv4 alone.
std::string ResolveNameToAddress(const std::string& name,
                                 AddressFamilyChoice family = AddressFamilyChoice::kV4);
// The canonical form of the text when it is an address of either family (no
// lookup), else ResolveNameToAddress of it for family.
std::string AddressOfHostText(const std::string& hostText,
                              AddressFamilyChoice family = AddressFamilyChoice::kV4);
// An address text as the name service reads it: the classic IPv4 forms
// (address_text.h), or IPv6 when the text holds a ':'.
std::optional<IpAddress> ParseHostAddress(std::string_view text);

// "Clear Cache": drops every entry; the hosts file is loaded again at the
// next cached lookup. Neither call waits for a lookup that holds the cache:
// the work is then left to the next holder.
void ClearNameCache();
// "Clean Cache": drops the entries older than DnsCacheTimeout.
void CleanNameCache();

}  // namespace tesmo
