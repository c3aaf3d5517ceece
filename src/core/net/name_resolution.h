// The name service every page uses: IPv4 address text to host name and back,
// through the internal resolver (the resolver library with the program's own
// server and search lists) or the system's, with a timed cache of answers and
// failures and the hosts file pre-loaded into it.
//
// Nothing here reports an error: a failed resolution is "", and each caller
// decides what to show instead.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

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

// Host name of an IPv4 address text; "" when the text is no address (or is
// 255.255.255.255) or no name is found.
std::string ResolveAddressToName(std::string_view addressText);
// First IPv4 address of a host name in dotted form; "" when there is none.
std::string ResolveNameToAddress(const std::string& name);
// The canonical form of the text when it is an address (no lookup), else
// ResolveNameToAddress of it.
std::string AddressOfHostText(const std::string& hostText);

// "Clear Cache": drops every entry; the hosts file is loaded again at the
// next cached lookup. Neither call waits for a lookup that holds the cache:
// the work is then left to the next holder.
void ClearNameCache();
// "Clean Cache": drops the entries older than DnsCacheTimeout.
void CleanNameCache();

}  // namespace tesmo
