// The name service: cache probe, resolver choice and cache store.
#include "core/net/name_resolution.h"

#include <optional>

#include "core/net/address_text.h"
#include "core/net/name_cache.h"
#include "core/net/name_hosts_file.h"
#include "core/net/name_resolvers.h"

namespace tesmo {

std::atomic<int> UseFastResolver{1};
std::atomic<int> bDnsUseCache{1};
std::atomic<int> bDnsUseHostfile{1};
std::atomic<uint32_t> DnsCacheTimeout{600};

namespace {

// The settings as one lookup sees them: read once, so that the lock decision
// and the resolver choice of that lookup agree even while the page changes
// them (the internal resolver must never run without the lock).
struct Settings {
  bool internal;
  bool cache;
  bool hostsFile;
  uint32_t timeout;
};

Settings CurrentSettings() {
  return Settings{UseFastResolver.load() != 0, bDnsUseCache.load() != 0,
                  bDnsUseHostfile.load() != 0, DnsCacheTimeout.load()};
}

// The cached answer for key if it is still valid; an expired one is dropped.
// Caller holds the lock.
const NameCacheEntry* FindValid(CNameCache::Map& map, const std::string& key, uint32_t now,
                                uint32_t timeout) {
  auto it = map.find(key);
  if (it == map.end()) return nullptr;
  if (AgeSeconds(now, it->second.stamp) <= timeout) return &it->second;
  map.erase(it);
  return nullptr;
}

std::string LookUpName(const IpAddress& address, const Settings& settings) {
  if (!settings.internal) return SystemNameOfAddress(address);
  if (settings.hostsFile && !settings.cache) {
    if (auto entry = FindHostsEntryByAddress(address)) return entry->officialName;
  }
  return InternalNameOfAddress(address);
}

std::string LookUpAddress(const std::string& name, IpAddress::Family family,
                          const Settings& settings) {
  if (!settings.internal) return SystemAddressOfName(name, family);
  if (settings.hostsFile && !settings.cache) {
    const AddressFamilyChoice only =
        family == IpAddress::Family::kV6 ? AddressFamilyChoice::kV6 : AddressFamilyChoice::kV4;
    if (auto entry = FindHostsEntryByName(name, only)) return entry->address.Text();
  }
  return InternalAddressOfName(name, family);
}

// One family's answer for name, from the cache or looked up (and kept).
// Caller holds the lock when the settings need it.
std::string ResolveFamily(const std::string& name, IpAddress::Family family,
                          const Settings& settings) {
  const std::string key = ForwardCacheKey(name, family);
  if (settings.cache) {
    const uint32_t now = NameCacheTick();
    NameCache.LoadHostsIfDue(now, settings.timeout);
    if (auto* entry = FindValid(NameCache.forward, key, now, settings.timeout)) return entry->text;
  }
  std::string result = LookUpAddress(name, family, settings);
  if (settings.cache) NameCache.forward[key] = NameCacheEntry{result, NameCacheTick()};
  return result;
}

// With the cache or the internal resolver on, a whole lookup runs under the
// lock, network wait included; with both off it runs in parallel with others.
// Returns false when the lock was needed and could not be had.
bool LockIfNeeded(const Settings& settings, std::optional<CNameCacheLock>& lock) {
  if (!settings.cache && !settings.internal) return true;
  lock.emplace();
  return lock->Owns();
}

}  // namespace

std::optional<IpAddress> ParseHostAddress(std::string_view text) {
  if (LooksLikeIpv6(text)) return ParseIpAddress(text);
  if (auto v4 = ParseAddressText(text)) return IpAddress::V4(*v4);
  return std::nullopt;
}

std::string ResolveAddressToName(std::string_view addressText) {
  // A text that is no address is refused before the lock: it costs nothing,
  // makes no entry and never waits behind another thread's query.
  auto address = ParseHostAddress(addressText);
  if (!address) return {};

  const Settings settings = CurrentSettings();
  std::optional<CNameCacheLock> lock;
  if (!LockIfNeeded(settings, lock)) return {};

  // Every spelling of one address (010.000.000.001, 10.1, 10.0.0.1;
  // [2001:DB8::0:1], 2001:db8::1) shares the canonical key.
  const std::string key = address->Text();
  if (settings.cache) {
    const uint32_t now = NameCacheTick();
    NameCache.LoadHostsIfDue(now, settings.timeout);
    if (auto* entry = FindValid(NameCache.reverse, key, now, settings.timeout)) return entry->text;
  }
  std::string result = LookUpName(*address, settings);
  // Failures are kept too, so a dead address costs one query per validity
  // period rather than one per grid row.
  if (settings.cache) NameCache.reverse[key] = NameCacheEntry{result, NameCacheTick()};
  return result;
}

std::string ResolveNameToAddress(const std::string& name, AddressFamilyChoice family) {
  // An empty name is no host: asking DNS would only query the root.
  if (name.empty()) return {};

  const Settings settings = CurrentSettings();
  std::optional<CNameCacheLock> lock;
  if (!LockIfNeeded(settings, lock)) return {};

  if (family != AddressFamilyChoice::kV6) {
    std::string v4 = ResolveFamily(name, IpAddress::Family::kV4, settings);
    if (!v4.empty() || family == AddressFamilyChoice::kV4) return v4;
  }
  return ResolveFamily(name, IpAddress::Family::kV6, settings);
}

std::string AddressOfHostText(const std::string& hostText, AddressFamilyChoice family) {
  if (auto address = ParseHostAddress(hostText)) return address->Text();
  return ResolveNameToAddress(hostText, family);
}

void ClearNameCache() {
  RequestNameCacheClear();
}

void CleanNameCache() {
  RequestNameCacheClean(DnsCacheTimeout.load());
}

}  // namespace tesmo
