// The state of the internal resolver: the program's own resolver-library
// state record, set directly (name servers, search list, time-out, retries,
// options) and never from the system's files.
//
// Writers (start-up, the NSLookup page) change the settings at any time
// without waiting; the changes reach the record the next time a user of the
// library takes it with ResolverState(), under NameCacheMutex. So a user
// never sees a half-written record, and a writer never waits behind a query.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/net/ip_address.h"

// <resolv.h> stays out of headers: it defines macros. The tag is spelt with
// "struct" throughout, since the library also has a function of that name.
struct __res_state;

namespace tesmo {

// At most this many name servers and search domains are used.
constexpr int kMaxNameServers = 3;
constexpr int kMaxSearchDomains = 6;
constexpr uint16_t kNameServerPort = 53;
// A name with at least this many dots is first tried as it is, before the
// search domains.
constexpr int kResolverDots = 1;

// The settings as written, before they reach the record.
struct ResolverConfig {
  uint32_t timeout = 2;  // seconds before the first retransmission
  uint32_t retries = 2;  // attempts per server
  bool debug = false;
  bool debug2 = false;
  std::vector<IpAddress> servers;       // either family, at most kMaxNameServers
  std::string defaultDomain;            // first search domain
  std::vector<std::string> searchList;  // at most kMaxSearchDomains, first = defaultDomain
};

// The one-time set-up: the record gets its initial values (time-out 2 s, 2
// retries, recursion desired, default names, search, stay open, no server).
// Later calls do nothing; ResolverState() runs it too when needed.
void SetUpResolver();

// The record with every pending setting applied. The caller holds
// NameCacheMutex from this call until it is done with the library.
struct __res_state* ResolverState();

// The settings as they stand now (any thread).
ResolverConfig CurrentResolverConfig();
// The settings in force in the record, as ResolverState() just applied them:
// time-out and retries bounded, lists as far as the record holds them. For a
// user that sends its own queries with them (the DNS engine); the caller
// holds NameCacheMutex. The record always recurses and searches, with
// default names, over UDP first.
ResolverConfig AppliedResolverConfig();

void SetResolverTimeout(uint32_t seconds);
void SetResolverRetries(uint32_t count);
// The library's debug option and the engine's second-level debug option.
void SetResolverDebug(bool debug, bool debug2);

// The DNS server list text: addresses separated by one blank, tab or line
// feed, IPv4 in the classic inet_aton forms, IPv6 in any RFC 4291 form (with
// or without brackets). Reading stops at the end, at a line feed, at anything
// that is not an address (so two blanks end the list) and after
// kMaxNameServers addresses.
void ApplyDnsServerList(const std::string& text);
// The search list text: up to kMaxSearchDomains words separated by blanks or
// tabs, the first one being the default domain. An empty text, or one that
// begins with a line feed, leaves the current list in force.
void ApplyDnsSearchList(const std::string& text);

// The parsing rules of the two apply functions, without applying.
std::vector<IpAddress> ParseDnsServerList(const std::string& text);
// The server list text as it is stored: each IPv6 address the list reads
// rewritten in RFC 5952 form, everything else (IPv4 texts, separators, what
// follows the list) kept byte for byte.
std::string StoredDnsServerListText(const std::string& text);
std::vector<std::string> ParseDnsSearchList(const std::string& text);

}  // namespace tesmo
