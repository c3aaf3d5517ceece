// The Traceroute page's job: the path to a destination, either by echoes of
// growing TTL from this machine (trace_icmp.h) or by following the SNMP
// agents' routing tables from the target onwards (trace_snmp.h).
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/base/job_context.h"
#include "core/grid/table_grid.h"
#include "core/icmp/echo_socket.h"
#include "tools/traceroute/hop_stats.h"

namespace tesmo {

// The page's inputs; a default-constructed record holds the factory values.
struct TraceOptions {
  std::string destination;    // "To :", a host name or an address (not stored)
  bool icmpMode = true;       // ICMP from this machine; false: SNMP from the target (not stored)
  bool resolveNames = true;   // ResolveName: names under (SNMP) or beside (ICMP) addresses
  bool interfaceInfo = true;  // InterfaceInfo: input and output interfaces (SNMP mode)
  // SNMP mode: the trace ends after this many hops; 0 goes on until the
  // agents' routes end or Stop (the window). --batch sets a limit, so a
  // routing loop cannot keep it running for ever.
  unsigned maxSnmpHops = 0;

  // Continuous (not stored): after the trace, rounds that probe every hop at
  // once (ICMP) and poll the hops' interface counters (SNMP mode, or ICMP
  // with askRouters), until rounds rounds are done (0: until Stop).
  bool continuous = false;
  unsigned rounds = 0;
  unsigned intervalMs = 1000;  // from the start of one round to the next
  bool askRouters = false;     // "Ask routers": the hops' agents, with the target's community

  // Section "TraceRoute": ResolveName and InterfaceInfo, default 1.
  static TraceOptions Load();
  void Save() const;
};

// Hops of an ICMP trace.
constexpr unsigned kIcmpTraceHops = 30;

// Both traces end at their next check once the job's stop flag is set; an
// echo in flight is cut short within 50 ms.
struct TraceHooks {
  // The echo of the ICMP trace; empty: SendEcho.
  EchoFunction echo;
  // Called with the destination's dotted address once it is resolved (the
  // page shows it beside the destination).
  std::function<void(const std::string&)> onDestinationAddress;
};

enum class TraceEnd {
  NotStarted,  // the destination could not be resolved
  Reached,    // ICMP: the destination answered; SNMP: a direct route or the destination as next hop
  Exhausted,  // ICMP: 30 hops without the destination
  NoResponse,  // SNMP: an agent did not answer ("No SNMP response")
  NoRoute,     // SNMP: an agent has no route to the destination, not even a default one
  HopLimit,    // SNMP: maxSnmpHops reached
  BadNextHop,  // SNMP: a next hop that is no address
  Stopped,     // the stop flag
  LocalError,  // ICMP: this machine cannot send echoes (the status line says why)
};

// One router interface of a hop, as the continuous trace asks its agent.
struct HopInterface {
  std::string ifIndex;  // "" unknown
  std::string name;     // "(index) ifDescr"
  std::optional<InterfaceCounters> lastPoll;
  std::optional<InterfaceRates> rates;  // between the last two polls
};

// A hop as the trace found it, and what the rounds learned of it.
struct TraceHop {
  std::string address;        // the address the trace found ("" none)
  HopStats stats;             // continuous ICMP rounds
  bool agentAnswers = false;  // its agent named both interfaces
  HopInterface input, output;
};

struct TraceOutcome {
  TraceEnd end = TraceEnd::NotStarted;
  unsigned hops = 0;               // rows written
  std::string destinationAddress;  // dotted, "" when it could not be resolved
  std::vector<TraceHop> path;      // a record per row, in hop order
  unsigned rounds = 0;             // continuous rounds done
  bool roundsEnded = false;        // Stop or a local error ended the rounds early
};

// The page's Start: resolves the destination (on the calling thread, the
// job's), posting "Cannot resolve destination name" when it cannot, then runs
// the trace of the chosen mode on the table, saying how far it got as it
// goes and how it ended (PostTraceEnd). SNMP mode starts at the job's
// target, the Parameters page's resolved target. With options.continuous the
// rounds follow the trace (trace_rounds.h); when Stop ends them the status
// line says how many rounds were done.
TraceOutcome RunTrace(CTableGrid& table, const TraceOptions& options, const JobContext& context,
                      const TraceHooks& hooks = {});

// The status line at the end of a trace: "Ready" when it reached the
// destination, otherwise why it ended (hops found when Stop ended it).
void PostTraceEnd(const TraceOutcome& outcome);

}  // namespace tesmo
