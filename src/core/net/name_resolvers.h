// The two resolvers behind the name service, for one address or name of
// either family. "" means no answer.
#pragma once

#include <string>

#include "core/net/ip_address.h"

namespace tesmo {

// The internal resolver: the resolver library with the program's own server
// and search lists. The caller holds NameCacheMutex (the library state is
// shared and not safe for concurrent use).
// PTR lookup of the address's reverse name (in-addr.arpa or ip6.arpa).
std::string InternalNameOfAddress(const IpAddress& address);
// A lookup (family kV4) or AAAA lookup (kV6), search list applied; the first
// address in its canonical text.
std::string InternalAddressOfName(const std::string& name, IpAddress::Family family);

// The system resolver (hosts file and DNS as the system is configured);
// safe to call from any thread without the lock.
std::string SystemNameOfAddress(const IpAddress& address);
std::string SystemAddressOfName(const std::string& name, IpAddress::Family family);

}  // namespace tesmo
