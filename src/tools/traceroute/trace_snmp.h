// The SNMP trace: from the SNMP target towards a destination, hop by hop
// through the agents' routing tables. At each agent: its sysName, the route
// it uses towards the destination (for IPv4 found by trying ever shorter
// prefixes of the destination as ipRouteTable indexes; for IPv6 the longest
// prefix of inetCidrRouteTable's IPv6 routes that holds it), its input and
// output interfaces, and then on to the route's next hop.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/net/ip_address.h"
#include "tools/traceroute/traceroute.h"

namespace tesmo {

// The ipRouteTable indexes the route search tries for destination, in order:
// the destination itself, then the destination under masks shortened one bit
// at a time, skipping every mask that gives an index already tried, down to
// 0.0.0.0. 10.1.2.3 gives 10.1.2.3, 10.1.2.2, 10.1.2.0, 10.1.0.0, 10.0.0.0,
// 8.0.0.0, 0.0.0.0.
std::vector<uint32_t> RouteSearchIndexes(uint32_t destination);

// Whether address lies in the prefix of length bits of network (both of one
// family; a length beyond the family's bits holds nothing).
bool PrefixHolds(const IpAddress& network, uint32_t length, const IpAddress& address);

// A route as the longest-prefix search sees it.
struct PrefixRoute {
  IpAddress destination;
  uint32_t prefixLength = 0;
};

// The route whose prefix holds destination with the most bits; the first in
// the table's order among equals; none when no route holds it.
std::optional<size_t> LongestPrefixMatch(std::span<const PrefixRoute> routes,
                                         const IpAddress& destination);

// The trace from the job's target (its address and access parameters) to
// destination on the table: one fixed row and
// nine columns, every data row two lines high. Ends at an agent whose route
// is direct or leads to the destination itself, at an agent without a route,
// at the first SNMP request that fails ("No SNMP response"), after
// options.maxSnmpHops hops when that is not 0, or at the stop flag. A hop
// whose agent appeared earlier in the trace says so in its route cell.
TraceOutcome RunSnmpTrace(CTableGrid& table, const JobContext& context, uint32_t destination,
                          const TraceOptions& options, const TraceHooks& hooks = {});
// The same towards a destination of either family. The agents along the way
// are asked at the next hops' addresses, of whichever family they are.
TraceOutcome RunSnmpTrace(CTableGrid& table, const JobContext& context,
                          const IpAddress& destination, const TraceOptions& options,
                          const TraceHooks& hooks = {});

}  // namespace tesmo

namespace tesmo {

// The interfaces of the router whose agent is at agent (asked with the job
// target's access parameters) for traffic towards destination: the one that
// holds agent's address (input) and the one its route towards destination
// leaves by (output). False when the agent does not answer or has no route.
bool AgentInterfaces(const JobContext& context, const IpAddress& agent,
                     const IpAddress& destination, std::string& input, std::string& output);

}  // namespace tesmo
