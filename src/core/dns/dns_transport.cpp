// Sending DNS queries over UDP and TCP.
#include "core/dns/dns_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "core/dns/dns_dump.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_records.h"
#include "core/net/dns_message.h"

namespace tesmo {

namespace {

using Clock = std::chrono::steady_clock;

// Doubling stops here, so a large retry count can neither overflow the
// shift nor leave the user waiting for days on one attempt.
constexpr int kMaxWaitSeconds = 3600;

int AttemptSeconds(int retransmit, int attempt) {
  long long seconds = std::max(retransmit, 1);
  for (int i = 0; i < attempt && seconds < kMaxWaitSeconds; ++i) seconds <<= 1;
  return static_cast<int>(std::min<long long>(seconds, kMaxWaitSeconds));
}

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(std::max<long long>(left.count(), 0));
}

void DumpMessage(CDnsOutput& out, CDnsLog& log, const uint8_t* message, size_t length,
                 const DnsTransportOptions& options) {
  PrintDebugDump(out, log, CDnsMessage(message, length), {options.debug, options.debug2});
}

void ReportAnswer(const DnsTransportOptions& options, const std::vector<uint8_t>& answer,
                  CDnsOutput& out, CDnsLog& log) {
  if (!options.debug) return;
  if (options.debug2) {
    log.Out("------------\nGot answer (%zu bytes):\n", answer.size());
  } else {
    log.Out("------------\nGot answer:\n");
  }
  DumpMessage(out, log, answer.data(), answer.size(), options);
}

// One exchange over a new TCP connection, closed afterwards; 0 with an
// answer, -1 when it failed (refused tells whether the server refused).
int TcpExchange(const DnsTransportOptions& options, const IpAddress& server, const uint8_t* query,
                size_t length, std::vector<uint8_t>& answer, int waitMs, bool& refused,
                CDnsOutput& out, CDnsLog& log) {
  CDnsStream stream(options.stop);
  auto fail = [&](const char* what, CDnsStream::Status status) {
    answer.clear();  // a half-read answer is no answer
    if (status == CDnsStream::Status::kRefused) refused = true;
    if (options.debug && status != CDnsStream::Status::kStopped) {
      log.ErrNo(what, status == CDnsStream::Status::kClosed     ? ECONNRESET
                      : status == CDnsStream::Status::kTimedOut ? ETIMEDOUT
                                                                : stream.Error());
    }
    return -1;
  };
  refused = false;
  // The whole answer over TCP comes within the time-out of the tries.
  stream.SetDeadline(Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(waitMs) *
                                                              std::max(options.retries, 1)));
  auto status = stream.Open(server.SocketFamily());
  if (status != CDnsStream::Status::kOk) return fail("socket (vc) failed", status);
  status = stream.Connect(server, options.port, waitMs);
  if (status != CDnsStream::Status::kOk) return fail("connect failed", status);
  status = stream.SendMessage(query, length, waitMs);
  if (status != CDnsStream::Status::kOk) return fail("write failed", status);
  uint8_t prefix[2];
  size_t got = 0;
  status = stream.Read(prefix, sizeof prefix, waitMs, got);
  if (status != CDnsStream::Status::kOk) return fail("read failed", status);
  answer.resize(static_cast<size_t>(prefix[0] << 8 | prefix[1]));
  status = stream.Read(answer.data(), answer.size(), waitMs, got);
  if (status != CDnsStream::Status::kOk) return fail("read failed", status);
  ReportAnswer(options, answer, out, log);
  return 0;
}

}  // namespace

int SendDnsRequest(const DnsTransportOptions& options, const IpAddress& server,
                   const uint8_t* query, size_t length, std::vector<uint8_t>& answer,
                   CDnsOutput& out, CDnsLog& log) {
  if (options.debug2) {
    log.Out("------------\nSendRequest(), len %zu\n", length);
    DumpMessage(out, log, query, length, options);
  }
  answer.clear();
  if (length < 2) return kDnsError;

  // UDP first; TCP for a query too long for a datagram or after a truncated
  // answer.
  bool useTcp = length > 512;
  bool received = false;  // any datagram from the server
  bool refused = false;
  int fd = -1;
  socklen_t toLength = 0;
  const sockaddr_storage to = server.ToSockaddr(options.port, &toLength);
  std::vector<uint8_t> buffer;

  for (int attempt = 0; attempt < options.retries; ++attempt) {
    if (DnsStopRequested(options.stop)) break;
    const int waitSeconds = AttemptSeconds(options.retransmit, attempt);
    if (useTcp) {
      if (TcpExchange(options, server, query, length, answer, waitSeconds * 1000, refused, out,
                      log) == 0)
        break;
      continue;
    }

    if (fd < 0) {
      fd = socket(server.SocketFamily(), SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
      if (fd < 0) {
        if (options.debug) log.ErrNo("socket (dg) failed", errno);
        continue;
      }
      // Connected, so that the kernel passes on only the server's own
      // datagrams and reports a port unreachable as a refused receive: a
      // host without a name server fails its attempts at once instead of
      // waiting out every time-out.
      if (connect(fd, reinterpret_cast<const sockaddr*>(&to), toLength) != 0) {
        if (options.debug) log.ErrNo("connect failed", errno);
        close(fd);
        fd = -1;
        continue;
      }
    }
    if (send(fd, query, length, 0) != static_cast<ssize_t>(length)) {
      if (options.debug) log.ErrNo("sendto", errno);
      continue;
    }

    const auto deadline = Clock::now() + std::chrono::seconds(waitSeconds);
    bool answered = false;
    bool truncated = false;
    while (!answered) {
      const int left = MillisecondsLeft(deadline);
      if (left == 0) {
        if (options.debug) log.Out("timeout (%d secs)\n", waitSeconds);
        break;
      }
      if (DnsStopRequested(options.stop)) break;
      pollfd ready{fd, POLLIN, 0};
      const int polled = poll(&ready, 1, std::min(left, kDnsPollSliceMs));
      if (polled < 0) {
        if (errno == EINTR) continue;
        if (options.debug) log.ErrNo("select", errno);
        break;
      }
      if (polled == 0) continue;
      buffer.resize(kDnsMaxMessage);
      const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
      if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) continue;
        if (options.debug) log.ErrNo("recvfrom", errno);
        break;
      }
      received = true;
      buffer.resize(static_cast<size_t>(got));
      const DnsHeader header = CDnsMessage(buffer.data(), buffer.size()).Header();
      if (buffer.size() < kDnsHeaderSize || header.id != CDnsMessage(query, length).Header().id) {
        if (options.debug2) {
          log.Out("------------\nOld answer:\n");
          DumpMessage(out, log, buffer.data(), buffer.size(), options);
        }
        continue;
      }
      if (header.truncated) {
        if (options.debug) log.Out("truncated answer\n");
        truncated = true;
        break;
      }
      answer = buffer;
      answered = true;
    }
    if (answered) {
      ReportAnswer(options, answer, out, log);
      break;
    }
    if (truncated) {
      // The same query once more over TCP, as the last attempt.
      if (fd >= 0) close(fd);
      fd = -1;
      useTcp = true;
      const int waitMs = AttemptSeconds(options.retransmit, attempt) * 1000;
      if (TcpExchange(options, server, query, length, answer, waitMs, refused, out, log) == 0)
        return 0;
      return refused ? kDnsNoResponse : kDnsError;
    }
  }
  if (fd >= 0) close(fd);
  if (!answer.empty()) return 0;
  if (useTcp) return refused ? kDnsNoResponse : kDnsError;
  return received ? kDnsTimedOut : kDnsNoResponse;
}

CDnsStream::Status CDnsStream::Open(int family) {
  Close();
  fd = socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) {
    error = errno;
    return Status::kFailed;
  }
  return Status::kOk;
}

CDnsStream::Status CDnsStream::Wait(short events, Clock::time_point until) {
  until = std::min(until, deadline);
  for (;;) {
    if (DnsStopRequested(stop)) return Status::kStopped;
    const int left = MillisecondsLeft(until);
    if (left == 0) return Status::kTimedOut;
    pollfd ready{fd, events, 0};
    const int polled = poll(&ready, 1, std::min(left, kDnsPollSliceMs));
    if (polled < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return Status::kFailed;
    }
    if (polled > 0) return Status::kOk;
  }
}

CDnsStream::Status CDnsStream::Connect(const IpAddress& server, uint16_t port, int timeoutMs) {
  socklen_t length = 0;
  const sockaddr_storage to = server.ToSockaddr(port, &length);
  if (connect(fd, reinterpret_cast<const sockaddr*>(&to), length) == 0) return Status::kOk;
  if (errno != EINPROGRESS) {
    error = errno;
    return error == ECONNREFUSED ? Status::kRefused : Status::kFailed;
  }
  const Status waited = Wait(POLLOUT, Clock::now() + std::chrono::milliseconds(timeoutMs));
  if (waited != Status::kOk) return waited;
  int result = 0;
  socklen_t size = sizeof result;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) < 0) result = errno;
  if (result == 0) return Status::kOk;
  error = result;
  return error == ECONNREFUSED ? Status::kRefused : Status::kFailed;
}

CDnsStream::Status CDnsStream::SendMessage(const uint8_t* message, size_t length, int timeoutMs) {
  if (length > kDnsMaxMessage) {
    error = EMSGSIZE;
    return Status::kFailed;
  }
  const uint8_t prefix[2] = {static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)};
  const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
  size_t sent = 0;
  const size_t total = length + 2;
  while (sent < total) {
    iovec pieces[2];
    int count = 0;
    if (sent < 2) pieces[count++] = {const_cast<uint8_t*>(prefix) + sent, 2 - sent};
    const size_t dataSent = sent > 2 ? sent - 2 : 0;
    pieces[count++] = {const_cast<uint8_t*>(message) + dataSent, length - dataSent};
    msghdr header{};
    header.msg_iov = pieces;
    header.msg_iovlen = static_cast<size_t>(count);
    const ssize_t written = sendmsg(fd, &header, MSG_NOSIGNAL);
    if (written > 0) {
      sent += static_cast<size_t>(written);
      continue;
    }
    if (written < 0 && errno != EAGAIN && errno != EINTR) {
      error = errno;
      return Status::kFailed;
    }
    const Status waited = Wait(POLLOUT, until);
    if (waited != Status::kOk) return waited;
  }
  return Status::kOk;
}

CDnsStream::Status CDnsStream::Read(uint8_t* buffer, size_t count, int timeoutMs, size_t& got) {
  got = 0;
  // A peer that sends a byte now and then gets no more time for it.
  const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (got < count) {
    const ssize_t n = recv(fd, buffer + got, count - got, 0);
    if (n > 0) {
      got += static_cast<size_t>(n);
      continue;
    }
    if (n == 0) return Status::kClosed;
    if (errno != EAGAIN && errno != EINTR) {
      error = errno;
      return Status::kFailed;
    }
    const Status waited = Wait(POLLIN, until);
    if (waited != Status::kOk) return waited;
  }
  return Status::kOk;
}

void CDnsStream::Close() {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace tesmo
