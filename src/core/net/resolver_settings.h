// The stored settings of the resolver and the name service (section
// "Resolver"), and how they reach the running resolver state and name service.
#pragma once

#include <cstdint>
#include <string>

namespace tesmo {

struct ResolverSettings {
  uint32_t dnsRetries = 2;      // DnsRetries
  uint32_t dnsTimeout = 2;      // DnsTimeout, seconds
  int useCache = 1;             // bDnsUseCache
  int useHostFile = 1;          // bDnsUseHostfile
  uint32_t cacheTimeout = 600;  // DnsCacheTimeout, seconds
  int useFastResolver = 1;      // UseFastResolver
  std::string dnsList;          // DnsAddressList
  std::string searchList;       // DnsSearchList
};

// Reads every value of the section with its default; an empty server list or
// search list is replaced by the system's value (not written back). Applies
// the result (ApplyResolverSettings) and returns it for display.
ResolverSettings LoadResolverSettings();

// The built-in defaults with the system's lists, applied; nothing is written
// and the name cache is not cleared.
ResolverSettings FactoryResolverSettings();

// Writes every value of the section; false when the file cannot be written.
bool SaveResolverSettings(const ResolverSettings& settings);

// Pushes settings into the resolver state (time-out, retries, both lists) and
// the name service's four variables.
void ApplyResolverSettings(const ResolverSettings& settings);

}  // namespace tesmo
