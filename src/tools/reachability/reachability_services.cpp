// The service test: bounded TCP connects and an SNMP get-next.
#include "tools/reachability/reachability_services.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <optional>

#include "core/base/status_channel.h"
#include "core/icmp/ping_once.h"
#include "core/net/address_text.h"
#include "core/snmp/snmp_request.h"

namespace tesmo {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

std::string ServiceOutcomeText(const ReachabilityService& service, const ServiceOutcome& outcome) {
  switch (outcome.state) {
    case ServiceState::Untested:
      return "not tested";
    case ServiceState::Ok:
      return (service.snmp ? "answers " : "open ") + std::to_string(outcome.milliseconds) + " ms";
    case ServiceState::NotReachable:
      return outcome.refused ? "refused" : "no answer";
  }
  return {};
}

void CServiceResults::Set(int row, const ServiceOutcome& outcome) {
  std::lock_guard lock(mutex);
  if (row >= 0 && row < kServiceCount) outcomes[static_cast<size_t>(row)] = outcome;
}

ServiceOutcome CServiceResults::Outcome(int row) const {
  std::lock_guard lock(mutex);
  return row >= 0 && row < kServiceCount ? outcomes[static_cast<size_t>(row)] : ServiceOutcome{};
}

CServiceResults::States CServiceResults::All() const {
  std::lock_guard lock(mutex);
  States states{};
  for (size_t i = 0; i < states.size(); ++i) states[i] = outcomes[i].state;
  return states;
}

void CServiceResults::Reset() {
  std::lock_guard lock(mutex);
  outcomes.fill(ServiceOutcome{});
}

void TestServices(const ServiceTestOptions& options, CServiceResults& results,
                  const ServiceRowCallback& onRow) {
  static const std::atomic<int> kNever{0};
  const std::atomic<int>& stop = options.target.stop != nullptr ? *options.target.stop : kNever;
  // An IPv4 text by the classic rule, or an IPv6 literal.
  std::optional<IpAddress> address = ParseEchoAddress(options.target.address);
  SnmpTarget agent = options.target;
  agent.port = 161;
  agent.version = SnmpVersion::kV1;
  for (int row = 0; row < kServiceCount; ++row) {
    if (stop.load() != 0) break;
    const ReachabilityService& service = kReachabilityServices[static_cast<size_t>(row)];
    PostStatus("Testing %s", service.name);
    // A target that does not parse fails every row without sending anything.
    ProbeResult probe = ProbeResult::NoAnswer;
    const Clock::time_point start = Clock::now();
    if (address) {
      agent.address = address->IsV6() ? address->Text() : FormatAddress(address->V4Value());
      probe = service.snmp ? SnmpProbe(agent)
                           : ConnectBounded(*address, service.port, options.connectTimeoutMs, stop);
    }
    if (probe == ProbeResult::Stopped) break;
    ServiceOutcome outcome;
    outcome.state = probe == ProbeResult::Answered ? ServiceState::Ok : ServiceState::NotReachable;
    outcome.refused = probe == ProbeResult::Refused;
    outcome.milliseconds = static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
    results.Set(row, outcome);
    if (onRow) onRow(row, outcome.state);
  }
}

void RunReachabilityJob(const JobContext& context, CServiceResults& results,
                        const ServiceRowCallback& onRow) {
  PostStatus("Getting reachability variables");
  TestServices({context.target}, results, onRow);
  PostStatus("Ready");
}

}  // namespace tesmo
