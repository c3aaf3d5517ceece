// The process-wide name cache: forward (name to address) and reverse (address
// to name) maps with text keys, the hosts-file state, the lock that guards
// them, and the millisecond tick the cache stamps its entries with.
//
// The lock also serialises every use of the resolver library (its state is
// not safe for concurrent use): whoever calls into it holds NameCacheMutex.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

#include "core/net/ip_address.h"

namespace tesmo {

struct NameCacheEntry {
  std::string text;    // dotted address or host name; "" is a remembered failure
  uint32_t stamp = 0;  // tick count when the entry was made
};

class CNameCache {
 public:
  // Keys compare exactly: "Host" and "host" are two entries.
  using Map = std::unordered_map<std::string, NameCacheEntry>;

  Map forward;  // ForwardCacheKey(name, family) -> canonical address text
  Map reverse;  // canonical address text (dotted, RFC 5952) -> host name
  bool hostsLoaded = false;
  uint32_t hostsLoadStamp = 0;

  // Loads the hosts file into both maps unless it was loaded less than
  // timeout seconds ago. Caller holds NameCacheMutex.
  void LoadHostsIfDue(uint32_t now, uint32_t timeout);
  // Drops every entry and marks the hosts file as not loaded.
  void Clear();
  // Drops the entries older than timeout seconds; a hosts load older than
  // that is due again.
  void Clean(uint32_t now, uint32_t timeout);
};

// The forward map's key of a name looked up for one family: the name as the
// caller gave it for IPv4 (the one family the cache knew before IPv6), the
// name and "\nAAAA" for IPv6. An answer for either family is made of these
// two and has no entry of its own.
std::string ForwardCacheKey(const std::string& name, IpAddress::Family family);

// Guarded by NameCacheMutex.
extern CNameCache NameCache;

// Recursive: the hosts-file load takes it again inside a lookup, and the DNS
// engine holds it across whole queries that resolve names themselves.
extern std::recursive_mutex NameCacheMutex;

// Asks for the whole cache to be dropped, or for the entries older than
// timeout seconds, without waiting for the lock: done at once when the lock
// is free, otherwise by the next outermost CNameCacheLock (a lookup may hold
// the lock across a slow DNS query; the window must not wait for it).
void RequestNameCacheClear();
void RequestNameCacheClean(uint32_t timeout);

// Takes NameCacheMutex, waiting without limit; Owns() is false when the wait
// failed (the caller then gives up as on a failed lookup). The outermost
// lock of a thread first carries out the requests above.
class CNameCacheLock {
 public:
  CNameCacheLock();
  ~CNameCacheLock();
  CNameCacheLock(const CNameCacheLock&) = delete;
  CNameCacheLock& operator=(const CNameCacheLock&) = delete;
  bool Owns() const { return owns; }

 private:
  bool owns = false;
};

// Millisecond tick count; wraps at 2^32 like the system tick it stands for.
uint32_t NameCacheTick();
// Replaces the tick source (tests); nullptr restores the steady clock.
void SetNameCacheClock(uint32_t (*tick)());

// Whole seconds since stamp, correct across one wrap of the tick.
inline uint32_t AgeSeconds(uint32_t now, uint32_t stamp) {
  return (now - stamp) / 1000u;
}

}  // namespace tesmo
