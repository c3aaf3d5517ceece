// The IP discovery sweep: a range of addresses pinged by a pool of worker
// threads in passes of growing time-out, each row of the page's grid ending
// coloured by its outcome.
//
// The controller (RunDiscovery, on the job's thread) resolves the first host,
// builds the host list, draws one row per host and starts the workers. Every
// worker walks the whole list once per pass and claims each record that is
// waiting and has had no more failed echoes than the pass number; the first
// worker to reach such a record pings it. A record that answered, or that a
// router refused, is done; one that got no reply waits for the next pass,
// where it is pinged with a longer time-out. So with W workers up to W echoes
// are in flight, every host is pinged at most once per time-out step, and a
// host that answered is never pinged again.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "core/base/job_context.h"
#include "core/grid/table_grid.h"
#include "core/icmp/echo_socket.h"
#include "core/net/ip_address.h"

namespace tesmo {

// The page's ten inputs; a default-constructed record holds the factory
// values.
struct DiscoveryOptions {
  // Host name or address of the first host (not stored), or a set of
  // addresses (sweep_set.h), which takes the place of count and increment.
  std::string firstHost;
  uint32_t hostCount = 0;             // "Number of host" (not stored)
  uint32_t addressIncrement = 1;      // AddressIncrement
  uint32_t threads = 10;              // PingFindNbThreads
  uint32_t rounds = 3;                // PingFindRounds: passes
  uint32_t initialTimeoutMs = 300;    // PingFindInitialTimeout: time-out of the first pass
  uint32_t timeoutIncrementMs = 500;  // PingFindTimeoutIncrement: added per failed echo
  uint32_t pingSize = 64;             // PingFindPingSize: bytes of echo data
  uint32_t ttl = 64;                  // PingFindTTL
  bool resolveNames = true;           // ResolveName: fill the "name" column
  // "Hardware addresses from router" (ArpFromRouter): after the pings, the
  // router's ARP table fills "MAC" and "vendor"; the router is arpRouter
  // (ArpRouter), or the target when that is empty.
  bool arpFromRouter = false;
  std::string arpRouter;
  // "Ask SNMP" (AskSnmp): each live host's sysName, sysDescr and
  // sysObjectID fill "SNMP name" and "description".
  bool askSnmp = false;
  // "Open services" (OpenServices): each live host is tested for the TCP
  // services of the Reachability page's list; "open services" lists those
  // that accept a connection.
  bool openServices = false;

  // Section "Discovery" with the built-in values as defaults; first host and
  // count are always "" and 0.
  static DiscoveryOptions Load();
  // Writes every stored value (first host and count are not stored); the
  // options added after the first ten only when they differ from their
  // built-in values or were stored before.
  void Save() const;
};

// The most hosts one sweep takes and the most workers it starts: a /16, and
// more threads than any network answers faster to.
constexpr uint32_t kMaxDiscoveryHosts = 65536;
constexpr uint32_t kMaxDiscoveryThreads = 1024;

// Status cell colours, 0x00BBGGRR.
constexpr uint32_t kDiscoveryNoReplyColour = 0x000080;    // red
constexpr uint32_t kDiscoveryErrorColour = 0x800000;      // blue
constexpr uint32_t kDiscoveryReachableColour = 0x008000;  // green

struct DiscoveryHooks {
  // The echo every ping goes through; empty: SendEcho. Tests and benchmarks
  // count echoes here.
  EchoFunction echo;
};

struct DiscoveryOutcome {
  bool started = false;        // false: the first host could not be resolved, or the range is bad
  bool badRange = false;       // an IPv6 range that would leave the first host's /64, or a
                               // malformed set or one over the cap
  std::string firstAddress;    // the first host's address, dotted
  uint32_t hosts = 0;          // rows drawn
  uint32_t workers = 0;        // worker threads started
  uint32_t reachable = 0;      // rows ended green
  uint32_t refused = 0;        // rows ended blue (an error answer, or "invalid address")
  uint32_t unreachable = 0;    // rows ended red after their last pass
  uint32_t knownToRouter = 0;  // rows the router's ARP table gave a hardware address
  bool stopped = false;        // the stop flag ended the run
};

// The addresses of a sweep of count hosts from first, increment apart. IPv4
// counts in host byte order modulo 2^32. IPv6 counts on the low 64 bits and
// must stay within first's /64: a range that would leave it gives false and
// a sentence in *error that says so. count is taken as given (the caller
// caps it).
bool SweepAddresses(const IpAddress& first, uint32_t count, uint32_t increment,
                    std::vector<std::string>& addresses, std::string* error = nullptr);

// The status text of a host that did not answer its echoes but is in the
// router's ARP table.
constexpr char kSilentKnownToRouter[] = "silent, known to router";

// The whole sweep on the page's table, on the job's thread (between the
// runner's BeginJob and EndJob). The options beyond the ten add their columns
// and passes after the pings; they reach the agents with the SNMP
// parameters of context.target. Posts "Building host list", "Drawing table", "Pinging hosts" and
// "Ready"; a first host that cannot be resolved posts "Cannot resolve first
// host" and leaves the grid as it was, and so does an IPv6 range that leaves
// the first host's /64 (with a status that says so). The table's Sort menu is off while the
// workers run. The run ends at the next record of every worker once the
// job's stop flag is set; an echo in flight is cut short within 50 ms.
DiscoveryOutcome RunDiscovery(CTableGrid& table, const DiscoveryOptions& options,
                              const JobContext& context, const DiscoveryHooks& hooks = {});

}  // namespace tesmo
