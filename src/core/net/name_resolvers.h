// The two resolvers behind the name service, for one IPv4 address or name.
// "" means no answer.
#pragma once

#include <cstdint>
#include <string>

namespace tesmo {

// The internal resolver: the resolver library with the program's own server
// and search lists. The caller holds NameCacheMutex (the library state is
// shared and not safe for concurrent use).
std::string InternalNameOfAddress(uint32_t address);         // PTR lookup
std::string InternalAddressOfName(const std::string& name);  // A lookup, search list applied

// The system resolver (hosts file and DNS as the system is configured);
// safe to call from any thread without the lock.
std::string SystemNameOfAddress(uint32_t address);
std::string SystemAddressOfName(const std::string& name);

}  // namespace tesmo
