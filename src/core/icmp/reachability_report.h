// The Reachability page's Copy report and its --batch run.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/icmp/echo_socket.h"
#include "core/icmp/ping_settings.h"
#include "core/icmp/reachability_services.h"

namespace tesmo {

// "Reachability parameters", one "<name> : OK|not reachable|?" line per
// service, then "ping results" and every history line.
std::string ReachabilityReport(const CServiceResults::States& states,
                               const std::vector<std::string>& historyLines);

struct ReachabilityBatchOptions {
  ServiceTestOptions services;  // target address text, read community, SNMP time-out, retries
  PingSettings ping;            // PingPacketLength, PingTTL, PingTimeout, PingTimeBetweenPing
  uint32_t pings = 0;           // echoes of the ping loop before the service test
};

struct ReachabilityBatchResult {
  std::string report;
  bool answered = false;  // an echo came back or a service answered
};

// --batch HOST reachability [--pings N]: the echoes (when asked), the service
// test, "Ready"; then the report. The caller runs it as a job (between
// BeginJob and EndJob); StopFlag ends it early.
ReachabilityBatchResult RunReachabilityBatch(const ReachabilityBatchOptions& options,
                                             const EchoFunction& echo = SendEcho);

}  // namespace tesmo
