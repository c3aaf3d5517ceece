// The services a host is tested for (the Reachability page's list, which the
// sweep tests too) and the bounded TCP connect that tests them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>

#include "core/net/ip_address.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

struct ReachabilityService {
  const char* name;     // in the status text and the report
  int indicatorId;      // the page's check box
  const char* caption;  // the check box's caption
  uint16_t port;
  bool snmp;  // an SNMP get-next to UDP port, else a TCP connect
};

constexpr int kServiceCount = 10;
// In the order they are tested.
extern const std::array<ReachabilityService, kServiceCount> kReachabilityServices;

// A non-blocking TCP connect of either family bounded by timeoutMs.
// Refused when the host turned the connection down; Stopped within 50 ms of
// the stop flag.
ProbeResult ConnectBounded(const IpAddress& address, uint16_t port, uint32_t timeoutMs,
                           const std::atomic<int>& stop);

}  // namespace tesmo
