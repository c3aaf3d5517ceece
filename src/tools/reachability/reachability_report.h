// The Reachability page's Copy report and its --batch run.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "core/icmp/echo_socket.h"
#include "core/icmp/ping_settings.h"
#include "tools/reachability/ping_loop.h"
#include "tools/reachability/reachability_services.h"

namespace tesmo {

// "Reachability parameters", one "<name> : OK|not reachable|?" line per
// service, then "ping results" and every history line.
std::string ReachabilityReport(const CServiceResults::States& states,
                               const std::vector<std::string>& historyLines);

struct ReachabilityBatchResult {
  std::string report;
  bool answered = false;  // an echo came back or a service answered
  // What the report shows, for the machine-readable formats.
  CServiceResults::States states{};
  PingStatistics statistics;
  std::vector<std::string> history;
};

// A service state as the report words it: "OK", "not reachable", "?".
const char* ServiceStateText(ServiceState state);

// --batch HOST reachability [--pings N]: that many echoes of the ping loop
// (with the stored ping settings), the service test, "Ready"; then the
// report. The context's stop flag ends it early.
ReachabilityBatchResult RunReachabilityBatch(const JobContext& context, const PingSettings& ping,
                                             uint32_t pings, const EchoFunction& echo = SendEcho);

}  // namespace tesmo
