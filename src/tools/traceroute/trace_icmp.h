// The ICMP trace: from this machine, three echoes per hop with TTL 1, 2, ...
// 30, each hop's row naming the router that answered and the three round
// trips (or the short codes of what else came back).
#pragma once

#include <cstdint>

#include "core/net/ip_address.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {

// The trace to destination (IPv4, or IPv6 over ICMPv6 with the hop limit in
// place of the TTL) on the table: one fixed row and
// six columns, a row per hop as soon as its three probes are done. A probe
// that times out keeps the address the hop's earlier probes learned. Ends
// when the destination answers, after 30 hops, or at the stop flag.
TraceOutcome RunIcmpTrace(CTableGrid& table, const IpAddress& destination,
                          const TraceOptions& options, const JobContext& context,
                          const TraceHooks& hooks = {});

}  // namespace tesmo
