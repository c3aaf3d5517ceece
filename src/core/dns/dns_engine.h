// The DNS query engine behind the NSLookup page: finds the default server,
// looks names up ("Lookup") and lists zones by zone transfer ("List"),
// printing everything it learns through its output sink.
//
// Threads and locks: the engine and the resolver library's state are not
// safe for concurrent use. FindDefaultServer, RunLookup and ListZone must be
// called with NameCacheMutex held (core/net/name_cache.h), and the page holds
// it across a whole query: FindDefaultServer, then RunLookup or ListZone.
// RunQuery does exactly that and is what the page's query thread calls. The
// lock also makes the output of two queries come out one after the other.
//
// Stop: every network wait wakes at least every 100 ms to look at the stop
// flag given to SetStopFlag (any value but 0 stops), so Stop ends a lookup or
// a listing within 200 ms.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/dns/dns_host_info.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_records.h"
#include "core/net/ip_address.h"
#include "core/net/resolver_state.h"

namespace tesmo {

class CDnsEngine {
 public:
  // Prints through out, which must outlive the engine.
  explicit CDnsEngine(CDnsOutput& out);

  CDnsOutput& Output() { return out; }
  // Diagnostic texts (the log file under the window); tests may catch them.
  CDnsLog& Log() { return log; }

  // The flag polled during waits; nullptr waits until the network decides.
  void SetStopFlag(const std::atomic<int>* flag) { stop = flag; }
  // Servers are asked on this port (53; the test lab uses another).
  void SetServerPort(uint16_t port) { serverPort = port; }
  // Servers to use instead of the resolver's list (either family); empty to
  // use the resolver's list again.
  void SetServers(std::vector<IpAddress> servers) { serverOverride = std::move(servers); }
  // A host lookup (type A) asks for the name's IPv6 addresses (AAAA) too and
  // shows them after the IPv4 ones; off, it asks for A records only.
  void SetAskIpv6Addresses(bool ask) { askIpv6 = ask; }

  // Type and class of the next Lookup (1 = A, 1 = IN initially).
  void SetQueryType(int type) { queryType = type; }
  int QueryType() const { return queryType; }
  void SetQueryClass(int dnsClass) { queryClass = dnsClass; }
  int QueryClass() const { return queryClass; }

  // Mnemonic to number, without regard to case; an unknown mnemonic prints
  // "unknown query type: %s" (or class) and gives fallback.
  int TypeOfMnemonic(std::string_view mnemonic, int fallback);
  int ClassOfMnemonic(std::string_view mnemonic, int fallback);

  // --- With NameCacheMutex held ------------------------------------------------
  // Names the default server: the first configured server that tells its own
  // name by a reverse lookup at itself.
  void FindDefaultServer();
  // Lookup of the first blank-separated word of text with the query type and
  // class; prints the server block, then the answer or a message. Returns a
  // result code (DnsResult).
  int RunLookup(std::string_view text);
  // Zone listing of domain by zone transfer, showing records of type (255 =
  // every type). Returns a result code.
  int ListZone(int type, std::string_view domain);

  enum class Query { kLookup, kList };
  // A whole query as the page runs it: takes NameCacheMutex (waiting until it
  // is free or a stop is asked for), FindDefaultServer, then RunLookup of name
  // or ListZone of name for the query type. kDnsError when stopped before the
  // lock was taken.
  int RunQuery(Query query, std::string_view name);

  // What the last run found.
  const DnsHostInfo& DefaultServer() const { return defaultServer; }
  // The default server's name, or its address when it has no name; "" when
  // no server is configured.
  const std::string& DefaultServerName() const { return defaultServerName; }
  bool HostInfoValid() const { return hostInfoValid; }
  const DnsHostInfo& HostInfo() const { return hostInfo; }

 private:
  // Takes the resolver settings in force for one run, under the lock.
  void ReadSettings();
  DnsPrintFlags Flags() const { return {settings.debug, settings.debug2}; }

  std::optional<IpAddress> QueryServer() const;
  int LookupByName(const std::string& name, int type, int dnsClass, const IpAddress& server,
                   DnsHostInfo& info);
  int LookupByAddress(const IpAddress& address, const IpAddress& server, bool toServer,
                      DnsHostInfo& info);
  int QueryOne(const std::string& name, const std::string* domain, int type, int dnsClass,
               const IpAddress& server, DnsHostInfo& info);
  int GetAnswer(const uint8_t* query, size_t length, int type, bool addressQuery, bool toServer,
                const IpAddress& server, DnsHostInfo& info);
  // Adds the AAAA addresses of the name a host lookup found to hostInfo.
  void AddIpv6Addresses(const IpAddress& server);
  int ListZoneSteps(int type, const std::string& domain, bool& errorPrinted);

  CDnsOutput& out;
  CDnsLog log;
  const std::atomic<int>* stop = nullptr;
  uint16_t serverPort = 53;
  std::vector<IpAddress> serverOverride;
  bool askIpv6 = false;
  // Set while AddIpv6Addresses asks: its AAAA answer is read as addresses.
  bool hostIpv6Query = false;
  int queryType = kDnsTypeA;
  int queryClass = kDnsClassIn;
  // debug is set with debug2 too: the second level includes the first.
  ResolverConfig settings;

  DnsHostInfo defaultServer;
  std::string defaultServerName;
  // The server asked when none told its name: the first that answered at all,
  // else the first configured.
  std::optional<IpAddress> unnamedServer;
  bool hostInfoValid = false;
  DnsHostInfo hostInfo;
  // Grows to the largest zone-transfer message and is kept between runs.
  std::vector<uint8_t> transferBuffer;
};

// The text is an IPv4 address in dotted decimal: digits and dots only, not
// ending with a dot, and readable by the address-text rule.
std::optional<uint32_t> DottedAddressOf(std::string_view text);
// The text is an IPv6 address (it holds a ':' and reads as one).
std::optional<IpAddress> Ipv6AddressOf(std::string_view text);

}  // namespace tesmo
