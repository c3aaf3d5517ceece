// The services a host is tested for, and the bounded TCP connect.
#include "core/snmp/service_probe.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>

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

}  // namespace tesmo
