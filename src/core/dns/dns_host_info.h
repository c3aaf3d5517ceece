// The host information record (what a Lookup learns about a name or a
// server), its printed block, and reading a server's answer into it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/dns/dns_record_lines.h"
#include "core/net/ip_address.h"

namespace tesmo {

class CDnsOutput;
class CDnsLog;

struct DnsServerInfo {
  std::string name;
  std::vector<uint32_t> addresses;   // IPv4, host byte order
  std::vector<std::string> domains;  // the domains it serves
};

struct DnsHostInfo {
  static constexpr size_t kMaxAliases = 34;
  static constexpr size_t kMaxAddresses = 35;
  static constexpr size_t kMaxServers = 10;
  static constexpr size_t kMaxDomains = 35;

  std::string name;
  std::vector<std::string> aliases;
  std::vector<uint32_t> addresses;  // IPv4, host byte order
  // IPv6 addresses (AAAA records, or the IPv6 address a reverse lookup was
  // made of), shown after the IPv4 ones.
  std::vector<IpAddress> ipv6Addresses;
  int addressType = 2;  // AF_INET
  int addressLength = 4;
  std::vector<DnsServerInfo> servers;

  void Clear() { *this = DnsHostInfo(); }
};

// The block: "%-7s  %s" with label and name, then the addresses, aliases and
// servers, ended by an empty line. IPv6 addresses follow the IPv4 ones on a
// line of their own ("IPv6 Address:"), or stand alone as "Address:" when the
// name has no IPv4 address.
void PrintHostInfo(CDnsOutput& out, const char* label, const DnsHostInfo& info);
// The answer of a host look-up to the output's record sink: its addresses
// and aliases (a host look-up keeps no time to live).
void RecordHostInfo(CDnsOutput& out, const DnsHostInfo& info);
// Names separated by commas, wrapped onto lines that begin with a tab.
void PrintNameList(CDnsOutput& out, const std::vector<std::string>& names);

// What a query asked, for reading its answer.
struct DnsAnswerQuery {
  int type = 1;
  bool addressQuery = false;  // a PTR query made from an address
  bool toServer = false;      // looking up a server's own name
  DnsPrintFlags flags;
  // An AAAA query read as a host lookup: its addresses go to ipv6Addresses
  // instead of being printed as records.
  bool hostIpv6 = false;
};

// Reads an answer into info (emptied first): for type A, host AAAA and
// address queries the name, aliases, addresses and the servers that know the
// name; for other types every record is printed as a resource record line.
// Texts for the log go to log. Returns the result code (0, a response code, -2, -3 or -4).
int ReadDnsAnswer(const uint8_t* answer, size_t size, const DnsAnswerQuery& query,
                  DnsHostInfo& info, CDnsOutput& out, CDnsLog& log);

}  // namespace tesmo
