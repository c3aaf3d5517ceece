// The service test of the Reachability page: nine TCP connects and one SNMP
// get-next against the target, in a fixed order, each row ending as "OK" or
// "not reachable" (or untested when a stop came first).
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "core/base/job_context.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

enum class ServiceState { Untested, Ok, NotReachable };

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

// Each TCP connect waits at most this long: a filtering host would otherwise
// hold a row for the system's connect time-out of about two minutes.
constexpr uint32_t kServiceConnectTimeoutMs = 3000;

// The rows' states, written by the test thread and read by the page. Thread-safe.
class CServiceResults {
 public:
  using States = std::array<ServiceState, kServiceCount>;
  void Set(int row, ServiceState state);
  ServiceState Get(int row) const;
  States All() const;
  // Every row untested.
  void Reset();

 private:
  mutable std::mutex mutex;
  States states{};
};

struct ServiceTestOptions {
  // The host, and the agent the SNMP row asks: always version 1 at UDP 161
  // with the read community, whatever the Parameters page uses, with the
  // target's time-out and retries. target.stop ends the test.
  SnmpTarget target;
  uint32_t connectTimeoutMs = kServiceConnectTimeoutMs;
};

using ServiceRowCallback = std::function<void(int row, ServiceState state)>;

// Tests the rows in order, posting "Testing <name>" before each. Ends before
// the next row once the target's stop flag is set, and within 100 ms in the
// middle of a row, which then stays untested. onRow, when set, is called on
// this thread after each row's state was stored.
void TestServices(const ServiceTestOptions& options, CServiceResults& results,
                  const ServiceRowCallback& onRow = {});

// The page's Start job: "Getting reachability variables", the rows, "Ready".
void RunReachabilityJob(const JobContext& context, CServiceResults& results,
                        const ServiceRowCallback& onRow = {});

// A non-blocking TCP connect bounded by timeoutMs; address in host order.
ProbeResult ConnectBounded(uint32_t address, uint16_t port, uint32_t timeoutMs,
                           const std::atomic<int>& stop);

}  // namespace tesmo
