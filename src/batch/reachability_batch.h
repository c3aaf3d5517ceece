// --batch HOST reachability [--pings N]: the Reachability page without a window.
#pragma once

namespace tesmo {

struct BatchContext;

// The echoes of the ping loop (when --pings asks for them, with the stored
// PingPacketLength, PingTTL, PingTimeout and PingTimeBetweenPing), then the
// service test against the resolved target with the read community, SNMP
// time-out and retries, then the page's report. kBatchOk when the target
// answered an echo or a service, else kBatchNoAnswer.
int RunReachabilityBatchPage(BatchContext& context);

}  // namespace tesmo
