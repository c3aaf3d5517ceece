// The continuous trace: after the trace has found the path, rounds that
// probe every hop at once and keep per-hop statistics (ICMP mode), and poll
// the counters of each hop's input and output interfaces at the hop's agent,
// showing their rates (SNMP mode, or ICMP mode with "Ask routers"). Each
// round rewrites the statistics cells of the rows the trace wrote; rows are
// neither added nor moved.
#pragma once

#include <span>
#include <vector>

#include "core/net/ip_address.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {

// A trace's columns followed by the columns its continuous mode adds: the
// statistics in ICMP mode, the interface health in SNMP mode and in ICMP
// mode with askRouters.
std::vector<CColumnInfo> WithRoundColumns(std::span<const CColumnInfo> traceColumns,
                                          const TraceOptions& options);

// One round's probes: the echo of each TTL 1..hops to destination, all at
// once on threads of their own. Entry i is the answer to TTL i + 1.
struct RoundProbe {
  std::optional<double> roundTripMs;  // none: no answer
  std::string from;                   // who answered
  bool cancelled = false;
  std::string localError;  // the echo could not be sent
};
std::vector<RoundProbe> ProbeEveryHop(const EchoFunction& echo, const IpAddress& destination,
                                      unsigned hops, uint32_t timeoutMs,
                                      const std::atomic<int>* cancel);

// The rounds after a trace that found outcome.path (the rows 1.. of the
// table, prepared with WithRoundColumns). Returns false when Stop or a local
// error ended them; outcome.rounds counts the whole rounds.
bool RunTraceRounds(CTableGrid& table, const IpAddress& destination, const TraceOptions& options,
                    const JobContext& context, const TraceHooks& hooks, TraceOutcome& outcome);

}  // namespace tesmo
