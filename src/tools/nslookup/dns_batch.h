// The DNS engine without a window, for --batch:
//
//   --batch NAME dns [--type T] [--class C] [--server ADDR] [--list] [--aaaa]
//
// prints the lines the NSLookup page's result list would show for a Lookup
// of NAME (or a List of the zone NAME with --list).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/dns/dns_output.h"

namespace tesmo {

struct DnsBatchOptions {
  std::string name;
  std::string type = "A";       // mnemonic, any case
  std::string dnsClass = "IN";  // mnemonic, any case
  std::string server;           // IPv4 or IPv6 address; empty = the configured servers
  bool list = false;
  // A type-A lookup also shows the name's IPv6 addresses (AAAA records).
  bool ipv6Addresses = false;
  uint16_t port = 53;  // the servers' port
  // Each result line as it comes (a listing streams); empty: the lines are
  // kept in the result. Either way a listing stops at the list's cap.
  std::function<void(const std::string&)> print;
  // Each record of the answer as fields, when set.
  std::function<void(const DnsRecordFields&)> record;
};

struct DnsBatchResult {
  std::vector<std::string> lines;
  // kBatchOk answered (a lookup found what it asked for, a listing ended
  // normally), kBatchNoAnswer no answer or an error answer, kBatchUsage bad
  // options (unknown type, class or server address; lines hold the message).
  int exitCode = 0;
};

// Runs the query under NameCacheMutex with the resolver's settings (time-out,
// retries, search list, debug options; the server list unless options.server
// names one). The engine's log texts go to standard error. stop, when given,
// is polled as by the page's job (any value but 0 stops): the batch entry
// passes its job's.
DnsBatchResult RunDnsBatch(const DnsBatchOptions& options, const std::atomic<int>* stop = nullptr);

}  // namespace tesmo
