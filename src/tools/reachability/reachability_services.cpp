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

const std::array<ReachabilityService, kServiceCount> kReachabilityServices = {{
    {"FTP", 1010, "FTP (21)", 21, false},
    {"HTTP", 1007, "HTTP (80)", 80, false},
    {"Netbios", 1032, "NBSESSION (139)", 139, false},
    {"NNTP", 1026, "NNTP (119)", 119, false},
    {"POP3", 1024, "POP3 (110)", 110, false},
    {"Print", 1029, "PRINT (515)", 515, false},
    {"SMTP", 1014, "SMTP (25)", 25, false},
    {"SNMP", 1017, "SNMP (UDP 161)", 161, true},
    {"Tcp Echo", 1008, "TCP ECHO (7)", 7, false},
    {"Telnet", 1012, "Telnet (23)", 23, false},
}};

namespace {

using Clock = std::chrono::steady_clock;
// How often a wait looks at the stop flag.
constexpr auto kStopSlice = std::chrono::milliseconds(50);

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

ProbeResult ConnectBounded(const IpAddress& address, uint16_t port, uint32_t timeoutMs,
                           const std::atomic<int>& stop) {
  if (address.IsNull()) return ProbeResult::NoAnswer;
  int fd = socket(address.SocketFamily(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::fprintf(stderr, "ReachabilityThread : socket() failed with error %d\n", errno);
    return ProbeResult::NoAnswer;
  }
  socklen_t peerLength = 0;
  const sockaddr_storage peer = address.ToSockaddr(port, &peerLength);
  ProbeResult result = ProbeResult::NoAnswer;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), peerLength) == 0) {
    result = ProbeResult::Answered;
  } else if (errno == ECONNREFUSED) {
    result = ProbeResult::Refused;
  } else if (errno == EINPROGRESS) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (true) {
      if (stop.load() != 0) {
        result = ProbeResult::Stopped;
        break;
      }
      Clock::time_point now = Clock::now();
      if (now >= deadline) break;
      auto slice = std::min<Clock::duration>(deadline - now, kStopSlice);
      int ms = static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(slice).count());
      pollfd watch{fd, POLLOUT, 0};
      int ready = poll(&watch, 1, ms);
      if (ready < 0 && errno != EINTR) break;
      if (ready > 0) {
        int error = 0;
        socklen_t length = sizeof error;
        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error == 0) result = ProbeResult::Answered;
        if (error == ECONNREFUSED) result = ProbeResult::Refused;
        break;
      }
    }
  }
  close(fd);
  return result;
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
