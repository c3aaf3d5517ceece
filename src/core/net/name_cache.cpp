// The process-wide name cache and its lock.
#include "core/net/name_cache.h"

#include <atomic>
#include <chrono>
#include <system_error>

#include "core/net/name_hosts_file.h"

namespace tesmo {

CNameCache NameCache;
std::recursive_mutex NameCacheMutex;

namespace {

uint32_t SteadyTick() {
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return static_cast<uint32_t>(ms.count());
}

std::atomic<uint32_t (*)()> tickSource{&SteadyTick};

// How deep this thread holds NameCacheMutex through CNameCacheLock: the
// requests are carried out only by the outermost lock, never in the middle
// of a holder's work on the cache.
thread_local int lockDepth = 0;
std::atomic<bool> clearRequested{false};
std::atomic<bool> cleanRequested{false};
std::atomic<uint32_t> cleanTimeout{0};

// Caller holds NameCacheMutex as the outermost holder.
void CarryOutRequests() {
  if (clearRequested.exchange(false)) NameCache.Clear();
  if (cleanRequested.exchange(false)) NameCache.Clean(NameCacheTick(), cleanTimeout.load());
}

void CarryOutRequestsIfFree() {
  std::unique_lock lock(NameCacheMutex, std::try_to_lock);
  if (lock.owns_lock() && lockDepth == 0) CarryOutRequests();
}

void DropOlderThan(CNameCache::Map& map, uint32_t now, uint32_t timeout) {
  std::erase_if(map,
                [&](const auto& item) { return AgeSeconds(now, item.second.stamp) > timeout; });
}

}  // namespace

std::string ForwardCacheKey(const std::string& name, IpAddress::Family family) {
  return family == IpAddress::Family::kV6 ? name + "\nAAAA" : name;
}

uint32_t NameCacheTick() {
  return tickSource.load()();
}

void SetNameCacheClock(uint32_t (*tick)()) {
  tickSource.store(tick ? tick : &SteadyTick);
}

void RequestNameCacheClear() {
  clearRequested = true;
  CarryOutRequestsIfFree();
}

void RequestNameCacheClean(uint32_t timeout) {
  cleanTimeout = timeout;
  cleanRequested = true;
  CarryOutRequestsIfFree();
}

CNameCacheLock::CNameCacheLock() {
  try {
    NameCacheMutex.lock();
    owns = true;
    if (lockDepth++ == 0) CarryOutRequests();
  } catch (const std::system_error&) {
    // Too deep a recursion or a broken mutex: the caller treats it as a
    // failed wait and resolves nothing.
    owns = false;
  }
}

CNameCacheLock::~CNameCacheLock() {
  if (!owns) return;
  --lockDepth;
  NameCacheMutex.unlock();
}

void CNameCache::LoadHostsIfDue(uint32_t now, uint32_t timeout) {
  // Reloaded once its age reaches the validity time, so hosts-file names
  // never expire from the cache while the file still lists them.
  if (hostsLoaded && AgeSeconds(now, hostsLoadStamp) < timeout) return;
  CNameCacheLock lock;
  if (!lock.Owns()) return;
  for (auto& entry : ReadHostsFile(AddressFamilyChoice::kEither)) {
    std::string address = entry.address.Text();
    forward[ForwardCacheKey(entry.officialName, entry.address.family())] =
        NameCacheEntry{address, now};
    reverse[address] = NameCacheEntry{std::move(entry.officialName), now};
  }
  // A file that cannot be read loads nothing but still counts as loaded, so
  // a missing file is not tried again on every lookup.
  hostsLoaded = true;
  hostsLoadStamp = now;
}

void CNameCache::Clear() {
  forward.clear();
  reverse.clear();
  hostsLoaded = false;
}

void CNameCache::Clean(uint32_t now, uint32_t timeout) {
  DropOlderThan(forward, now, timeout);
  DropOlderThan(reverse, now, timeout);
  // The entries of a load this old were just dropped with the rest. Without a
  // new load, a validity time raised right after (the page cleans on every
  // edit of it) would leave the hosts-file names unanswered until the next
  // due reload.
  if (hostsLoaded && AgeSeconds(now, hostsLoadStamp) > timeout) hostsLoaded = false;
}

}  // namespace tesmo
