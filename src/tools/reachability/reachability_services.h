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
#include "core/net/ip_address.h"
#include "core/snmp/service_probe.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

enum class ServiceState { Untested, Ok, NotReachable };

// The list of services and the bounded connect are the core's
// (core/snmp/service_probe.h): the sweep tests the same list.

// Each TCP connect waits at most this long: a filtering host would otherwise
// hold a row for the system's connect time-out of about two minutes.
constexpr uint32_t kServiceConnectTimeoutMs = 3000;

// What one row's test found: the state, and for the window how: the time an
// answer took, or whether the host refused the connection.
struct ServiceOutcome {
  ServiceState state = ServiceState::Untested;
  uint32_t milliseconds = 0;  // until the answer (Ok)
  bool refused = false;       // the connection was refused (NotReachable)
};

// The row's result as the window shows it beside its box: "not tested",
// "open 2 ms" ("answers 2 ms" for SNMP), "refused", "no answer".
std::string ServiceOutcomeText(const ReachabilityService& service, const ServiceOutcome& outcome);

// The rows' states, written by the test thread and read by the page. Thread-safe.
class CServiceResults {
 public:
  using States = std::array<ServiceState, kServiceCount>;
  void Set(int row, ServiceState state) { Set(row, ServiceOutcome{state}); }
  void Set(int row, const ServiceOutcome& outcome);
  ServiceState Get(int row) const { return Outcome(row).state; }
  ServiceOutcome Outcome(int row) const;
  States All() const;
  // Every row untested.
  void Reset();

 private:
  mutable std::mutex mutex;
  std::array<ServiceOutcome, kServiceCount> outcomes{};
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

}  // namespace tesmo
