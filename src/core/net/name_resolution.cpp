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

std::string LookUpName(uint32_t address, const Settings& settings) {
  if (!settings.internal) return SystemNameOfAddress(address);
  if (settings.hostsFile && !settings.cache) {
    if (auto entry = FindHostsEntryByAddress(address)) return entry->officialName;
  }
  return InternalNameOfAddress(address);
}

std::string LookUpAddress(const std::string& name, const Settings& settings) {
  if (!settings.internal) return SystemAddressOfName(name);
  if (settings.hostsFile && !settings.cache) {
    if (auto entry = FindHostsEntryByName(name)) return FormatAddress(entry->address);
  }
  return InternalAddressOfName(name);
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

// With the cache or the internal resolver on, a whole lookup runs under the
// lock, network wait included; with both off it runs in parallel with others.
// Returns false when the lock was needed and could not be had.
bool LockIfNeeded(const Settings& settings, std::optional<CNameCacheLock>& lock) {
  if (!settings.cache && !settings.internal) return true;
  lock.emplace();
  return lock->Owns();
}

}  // namespace

std::string ResolveAddressToName(std::string_view addressText) {
  // A text that is no address is refused before the lock: it costs nothing,
  // makes no entry and never waits behind another thread's query.
  auto address = ParseAddressText(addressText);
  if (!address) return {};

  const Settings settings = CurrentSettings();
  std::optional<CNameCacheLock> lock;
  if (!LockIfNeeded(settings, lock)) return {};

  // Every spelling of one address (010.000.000.001, 10.1, 10.0.0.1) shares
  // the canonical key.
  const std::string key = FormatAddress(*address);
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

std::string ResolveNameToAddress(const std::string& name) {
  // An empty name is no host: asking DNS would only query the root.
  if (name.empty()) return {};

  const Settings settings = CurrentSettings();
  std::optional<CNameCacheLock> lock;
  if (!LockIfNeeded(settings, lock)) return {};

  if (settings.cache) {
    const uint32_t now = NameCacheTick();
    NameCache.LoadHostsIfDue(now, settings.timeout);
    if (auto* entry = FindValid(NameCache.forward, name, now, settings.timeout)) return entry->text;
  }
  std::string result = LookUpAddress(name, settings);
  if (settings.cache) NameCache.forward[name] = NameCacheEntry{result, NameCacheTick()};
  return result;
}

std::string AddressOfHostText(const std::string& hostText) {
  if (auto address = ParseAddressText(hostText)) return FormatAddress(*address);
  return ResolveNameToAddress(hostText);
}

void ClearNameCache() {
  RequestNameCacheClear();
}

void CleanNameCache() {
  RequestNameCacheClean(DnsCacheTimeout.load());
}

}  // namespace tesmo
