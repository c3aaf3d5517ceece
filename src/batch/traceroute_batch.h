// --batch HOST traceroute [--dest DEST] [--snmp]: the Traceroute page without
// a window.
#pragma once

namespace tesmo {

struct BatchContext;

// The hops an SNMP trace of --batch follows at most: a routing loop would
// otherwise keep it going for ever.
constexpr unsigned kBatchSnmpHops = 30;

// The ICMP trace from this machine to DEST (HOST when --dest is absent), or
// with --snmp the SNMP trace from the agent HOST towards DEST, with the stored
// TraceRoute settings; then the whole grid as its Copy text. kBatchOk when
// the trace reached the destination (SNMP: a direct route or the destination
// as next hop), kBatchUnresolved when DEST cannot be resolved, else
// kBatchNoAnswer.
int RunTracerouteBatchPage(BatchContext& context);

}  // namespace tesmo
