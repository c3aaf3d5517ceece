// One ICMP echo over a raw or a ping socket.
#include "core/icmp/echo_socket.h"

#include <arpa/inet.h>
#include <linux/errqueue.h>
#include <linux/filter.h>
#include <netinet/icmp6.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <random>

#include "core/icmp/echo_status.h"

namespace tesmo {

const char* const kIcmpNotPermittedText =
    "ICMP not permitted: give the program the raw-socket capability (setcap cap_net_raw+ep "
    "tesmo) or admit the user's group to ping sockets (sysctl -w "
    "net.ipv4.ping_group_range=\"0 2147483647\")";
const char* const kEchoTooLongText = "echo too long: at most 65507 bytes of data fit in one packet";
const char* const kEchoTtlZeroText = "TTL 0 cannot be sent";

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<EchoSocketChoice> socketChoice{EchoSocketChoice::Automatic};
// Set once a raw socket was refused: the process will not gain the right later.
std::atomic<bool> rawRefused{false};

// Identifier and sequence of raw-socket echoes: a random base per process so
// that two programs on one host rarely pick the same pair, and a counter so
// that no two echoes of this process share one before 2^32 echoes.
struct EchoNumbers {
  uint16_t identifier;
  uint16_t sequence;
};
EchoNumbers NextEchoNumbers() {
  static const uint32_t base = [] {
    std::random_device device;
    return static_cast<uint32_t>(device()) ^ static_cast<uint32_t>(getpid());
  }();
  static std::atomic<uint32_t> counter{0};
  uint32_t n = counter.fetch_add(1) + base;
  return {static_cast<uint16_t>((base >> 16) + (n >> 16)), static_cast<uint16_t>(n)};
}

class CSocket {
 public:
  explicit CSocket(int fd) : fd(fd) {}
  ~CSocket() {
    if (fd >= 0) close(fd);
  }
  CSocket(const CSocket&) = delete;
  CSocket& operator=(const CSocket&) = delete;
  int Get() const { return fd; }

 private:
  int fd;
};

struct OpenedSocket {
  int fd = -1;
  EchoSocketKind kind = EchoSocketKind::None;
  int error = 0;
};

// The same rule for both families: the raw-socket right covers ICMPv6 as it
// does ICMP, and net.ipv4.ping_group_range admits ping sockets of both.
// Every message the socket reads carries the kernel's time of arrival.
int StampArrivals(int fd) {
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
  return fd;
}

// When the kernel received the message just read: its SO_TIMESTAMPNS stamp,
// moved from the wall clock to the steady one. On a busy machine the read
// can come well after the arrival, and a round trip measured to the read
// would count the wait for the CPU. The time of the read stands when the
// message carries no stamp or the stamp is not within the last seconds (the
// wall clock stepped).
Clock::time_point KernelArrival(msghdr& message) {
  const Clock::time_point readAt = Clock::now();
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_TIMESTAMPNS ||
        c->cmsg_len < CMSG_LEN(sizeof(timespec))) {
      continue;
    }
    timespec stamp{};
    std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
    timespec wall{};
    clock_gettime(CLOCK_REALTIME, &wall);
    const auto ago = std::chrono::seconds(wall.tv_sec - stamp.tv_sec) +
                     std::chrono::nanoseconds(wall.tv_nsec - stamp.tv_nsec);
    if (ago < std::chrono::nanoseconds(0) || ago > std::chrono::seconds(10)) return readAt;
    return readAt - std::chrono::duration_cast<Clock::duration>(ago);
  }
  return readAt;
}

OpenedSocket OpenEchoSocket(bool v6 = false) {
  OpenedSocket opened;
  const int family = v6 ? AF_INET6 : AF_INET;
  const int protocol = v6 ? int{IPPROTO_ICMPV6} : int{IPPROTO_ICMP};
  if (socketChoice.load() == EchoSocketChoice::Automatic && !rawRefused.load()) {
    int fd = socket(family, SOCK_RAW | SOCK_CLOEXEC, protocol);
    if (fd >= 0) return {StampArrivals(fd), EchoSocketKind::Raw, 0};
    if (errno != EPERM && errno != EACCES) return {-1, EchoSocketKind::None, errno};
    rawRefused.store(true);
  }
  int fd = socket(family, SOCK_DGRAM | SOCK_CLOEXEC, protocol);
  if (fd >= 0) return {StampArrivals(fd), EchoSocketKind::Ping, 0};
  opened.error = errno;
  return opened;
}

uint16_t Checksum(const uint8_t* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i + 1 < length; i += 2)
    sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
  if (length & 1) sum += static_cast<uint32_t>(data[length - 1] << 8);
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<uint16_t>(~sum);
}

uint16_t ReadBe16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t ReadBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// A raw ICMP socket receives every ICMP packet that reaches the host. This
// filter lets through only echo replies with our identifier and errors that
// quote a packet whose ICMP identifier is ours, so that busy hosts and many
// concurrent echoes do not fill each other's receive buffers.
bool AttachRawFilter(int fd, uint16_t identifier) {
  sock_filter code[] = {
      BPF_STMT(BPF_LDX | BPF_B | BPF_MSH, 0),                         // 0: X = IP header length
      BPF_STMT(BPF_LD | BPF_B | BPF_IND, 0),                          // 1: A = ICMP type
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_ECHOREPLY, 0, 3),      // 2: reply? else 6
      BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                          // 3: A = identifier
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 14),         // 4: ours? else drop
      BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFF),                          // 5: accept
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_DEST_UNREACH, 3, 0),   // 6
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_SOURCE_QUENCH, 2, 0),  // 7
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_TIME_EXCEEDED, 1, 0),  // 8
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, ICMP_PARAMETERPROB, 0, 9),  // 9: else drop
      BPF_STMT(BPF_LD | BPF_B | BPF_IND, 8),                          // 10: quoted IP version/IHL
      BPF_STMT(BPF_ALU | BPF_AND | BPF_K, 0x0F),                      // 11
      BPF_STMT(BPF_ALU | BPF_LSH | BPF_K, 2),                         // 12: quoted header length
      BPF_STMT(BPF_ALU | BPF_ADD | BPF_X, 0),                         // 13
      BPF_STMT(BPF_ALU | BPF_ADD | BPF_K, 8),                         // 14
      BPF_STMT(BPF_MISC | BPF_TAX, 0),                                // 15: X = quoted ICMP header
      BPF_STMT(BPF_LD | BPF_H | BPF_IND, 4),                          // 16: A = quoted identifier
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, identifier, 0, 1),          // 17
      BPF_STMT(BPF_RET | BPF_K, 0xFFFFFFFF),                          // 18: accept
      BPF_STMT(BPF_RET | BPF_K, 0),                                   // 19: drop
  };
  sock_fprog program{static_cast<unsigned short>(sizeof code / sizeof code[0]), code};
  return setsockopt(fd, SOL_SOCKET, SO_ATTACH_FILTER, &program, sizeof program) == 0;
}

struct Expected {
  uint32_t destination;
  uint16_t identifier;
  uint16_t sequence;
};

}  // namespace

bool ParseRawEchoAnswer(const uint8_t* packet, size_t length, uint32_t destination,
                        uint16_t identifier, uint16_t sequence, EchoResult& result) {
  const Expected expected{destination, identifier, sequence};
  if (length < sizeof(iphdr)) return false;
  size_t headerLength = (packet[0] & 0x0F) * 4u;
  if ((packet[0] >> 4) != 4 || headerLength < sizeof(iphdr) || length < headerLength + 8) {
    return false;
  }
  size_t totalLength = ReadBe16(packet + 2);
  if (totalLength >= headerLength + 8 && totalLength < length) length = totalLength;
  const uint8_t* icmp = packet + headerLength;
  size_t icmpLength = length - headerLength;
  if (Checksum(icmp, icmpLength) != 0) return false;
  uint8_t type = icmp[0];
  std::optional<uint32_t> status = EchoStatusFromIcmp(type, icmp[1]);
  if (!status) return false;
  if (type == ICMP_ECHOREPLY) {
    // Only the host pinged answers for itself: a reply from any other
    // address (a neighbour answering, a forged packet) is not ours.
    if (ReadBe16(icmp + 4) != expected.identifier || ReadBe16(icmp + 6) != expected.sequence ||
        ReadBe32(packet + 12) != expected.destination) {
      return false;
    }
  } else {
    // An error quotes the IP header of our request and its first 8 bytes.
    const uint8_t* quoted = icmp + 8;
    size_t quotedLength = icmpLength - 8;
    if (quotedLength < sizeof(iphdr)) return false;
    size_t quotedHeader = (quoted[0] & 0x0F) * 4u;
    if (quotedHeader < sizeof(iphdr) || quotedLength < quotedHeader + 8) return false;
    if (quoted[9] != IPPROTO_ICMP || ReadBe32(quoted + 16) != expected.destination) return false;
    const uint8_t* request = quoted + quotedHeader;
    if (request[0] != ICMP_ECHO || ReadBe16(request + 4) != expected.identifier ||
        ReadBe16(request + 6) != expected.sequence) {
      return false;
    }
  }
  result.status = *status;
  result.source = ReadBe32(packet + 12);
  result.from = IpAddress::V4(result.source);
  result.ttl = packet[8];
  return true;
}

bool ParseRawEcho6Answer(const uint8_t* packet, size_t length, const IpAddress& sender,
                         const IpAddress& destination, uint16_t identifier, uint16_t sequence,
                         EchoResult& result) {
  // The kernel checks the ICMPv6 checksum of what a raw socket receives.
  if (length < 8 || !sender.IsV6() || !destination.IsV6()) return false;
  const uint8_t type = packet[0];
  std::optional<uint32_t> status = EchoStatusFromIcmp6(type, packet[1]);
  if (!status) return false;
  if (type == ICMP6_ECHO_REPLY) {
    if (ReadBe16(packet + 4) != identifier || ReadBe16(packet + 6) != sequence ||
        sender.V6Bytes() != destination.V6Bytes()) {
      return false;
    }
  } else {
    // An error quotes as much of our request as fits: the fixed IPv6 header
    // (next header at 6, destination at 24) and the echo request after it.
    // The requests carry no extension headers.
    constexpr size_t kIpv6Header = 40;
    const uint8_t* quoted = packet + 8;
    if (length < 8 + kIpv6Header + 8 || (quoted[0] >> 4) != 6 || quoted[6] != IPPROTO_ICMPV6 ||
        std::memcmp(quoted + 24, destination.V6Bytes().data(), 16) != 0) {
      return false;
    }
    const uint8_t* request = quoted + kIpv6Header;
    if (request[0] != ICMP6_ECHO_REQUEST || ReadBe16(request + 4) != identifier ||
        ReadBe16(request + 6) != sequence) {
      return false;
    }
  }
  result.status = *status;
  result.source = 0;
  result.from = sender;
  return true;
}

namespace {

int ReadTtl(msghdr& message) {
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if ((c->cmsg_level == SOL_IP && c->cmsg_type == IP_TTL) ||
        (c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_HOPLIMIT)) {
      int ttl = 0;
      std::memcpy(&ttl, CMSG_DATA(c), sizeof ttl);
      return ttl;
    }
  }
  return 0;
}

enum class ReadOutcome { Empty, Other, Ours };

// A message header for recvmsg into buffer, with room for its sender and its
// control messages (TTL, extended errors).
struct Received {
  explicit Received(uint8_t* buffer) : io{buffer, kEchoReplyBufferSize} {
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  Received(const Received&) = delete;
  Received& operator=(const Received&) = delete;
  sockaddr_in from{};
  iovec io;
  alignas(cmsghdr) char control[512];
  msghdr message{};
};

// A ping socket delivers only replies with its own identifier, without IP
// header; source and TTL come with the message.
ReadOutcome ReadPingReply(int fd, uint8_t* buffer, const Expected& expected, EchoResult& result,
                          Clock::time_point& arrival) {
  Received received(buffer);
  msghdr& message = received.message;
  const sockaddr_in& from = received.from;
  ssize_t n = recvmsg(fd, &message, MSG_DONTWAIT);
  if (n < 0) {
    // EAGAIN, or the pending error that an ICMP error also leaves behind
    // (the error itself is read from the error queue).
    return errno == EINTR ? ReadOutcome::Other : ReadOutcome::Empty;
  }
  arrival = KernelArrival(message);
  if (n < 8 || buffer[0] != ICMP_ECHOREPLY || ReadBe16(buffer + 6) != expected.sequence ||
      ntohl(from.sin_addr.s_addr) != expected.destination) {
    return ReadOutcome::Other;
  }
  result.status = kEchoSuccess;
  result.source = ntohl(from.sin_addr.s_addr);
  result.from = IpAddress::V4(result.source);
  result.ttl = static_cast<uint8_t>(ReadTtl(message));
  return ReadOutcome::Ours;
}

// ICMP errors about a ping socket's echoes arrive on its error queue: the
// error's type and code, its sender, and our request as the payload.
ReadOutcome ReadPingError(int fd, uint8_t* buffer, const Expected& expected, EchoResult& result,
                          Clock::time_point& arrival) {
  Received received(buffer);
  msghdr& message = received.message;
  const sockaddr_in& from = received.from;
  ssize_t n = recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (n < 0) return errno == EINTR ? ReadOutcome::Other : ReadOutcome::Empty;
  arrival = KernelArrival(message);
  const sock_extended_err* error = nullptr;
  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == SOL_IP && c->cmsg_type == IP_RECVERR) {
      error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
    }
  }
  if (error == nullptr || error->ee_origin != SO_EE_ORIGIN_ICMP) return ReadOutcome::Other;
  if (n < 8 || buffer[0] != ICMP_ECHO || ReadBe16(buffer + 6) != expected.sequence) {
    return ReadOutcome::Other;
  }
  std::optional<uint32_t> status = EchoStatusFromIcmp(error->ee_type, error->ee_code);
  if (!status || *status == kEchoSuccess) return ReadOutcome::Other;
  sockaddr_in offender{};
  std::memcpy(&offender, SO_EE_OFFENDER(error), sizeof offender);
  result.status = *status;
  result.source =
      ntohl(offender.sin_family == AF_INET ? offender.sin_addr.s_addr : from.sin_addr.s_addr);
  result.from = IpAddress::V4(result.source);
  result.ttl = static_cast<uint8_t>(ReadTtl(message));
  return ReadOutcome::Ours;
}

void SetElapsed(EchoResult& result, Clock::time_point start, Clock::time_point end) {
  end = std::max(end, start);
  auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(end - start);
  result.roundTripUs = static_cast<uint64_t>(elapsed.count());
  result.roundTripMs = static_cast<uint32_t>(result.roundTripUs / 1000);
}

std::string ErrnoText(const char* prefix, int error) {
  char buffer[256];
  return std::string(prefix) + strerror_r(error, buffer, sizeof buffer);
}

// The text of a socket that would not open.
std::string OpenErrorText(const OpenedSocket& opened, const char* failure) {
  return opened.error == EACCES || opened.error == EPERM || opened.error == 0
             ? std::string(kIcmpNotPermittedText)
             : ErrnoText(failure, opened.error);
}

// An echo request of either family: type, code 0, checksum 0 (the caller or
// the kernel fills it in), identifier, sequence and the data pattern.
std::unique_ptr<uint8_t[]> BuildEchoRequest(uint8_t type, const EchoNumbers& numbers,
                                            uint32_t dataLength, size_t& packetLength) {
  packetLength = 8 + static_cast<size_t>(dataLength);
  std::unique_ptr<uint8_t[]> packet(new uint8_t[packetLength]);
  packet[0] = type;
  packet[1] = 0;
  packet[2] = packet[3] = 0;
  packet[4] = static_cast<uint8_t>(numbers.identifier >> 8);
  packet[5] = static_cast<uint8_t>(numbers.identifier);
  packet[6] = static_cast<uint8_t>(numbers.sequence >> 8);
  packet[7] = static_cast<uint8_t>(numbers.sequence);
  FillEchoPattern(packet.get() + 8, dataLength);
  return packet;
}

// Sends the request; false (with the result's error text) when it could not
// go. The network refusing it (no route, host down) is an echo tried and
// lost, as the statistics count it; only this machine refusing it
// (permission, size) makes no echo at all.
bool SendRequest(int fd, const uint8_t* packet, size_t length, const sockaddr* destination,
                 socklen_t destinationLength, EchoResult& result) {
  if (sendto(fd, packet, length, 0, destination, destinationLength) >= 0) {
    result.sent = true;
    result.state = EchoState::NoReply;
    return true;
  }
  const int error = errno;
  result.errorText = ErrnoText("cannot send the echo: ", error);
  result.sent = error != EPERM && error != EACCES && error != EMSGSIZE && error != EINVAL;
  return false;
}

// The kernel gives a ping socket's echoes the socket's own identifier (its
// local "port"); a raw socket keeps the one the request carries.
uint16_t SocketIdentifier(int fd, bool raw, uint16_t identifier) {
  if (raw) return identifier;
  sockaddr_storage local{};
  socklen_t localLength = sizeof local;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLength) != 0) return identifier;
  if (local.ss_family == AF_INET) return ntohs(reinterpret_cast<sockaddr_in*>(&local)->sin_port);
  if (local.ss_family == AF_INET6) return ntohs(reinterpret_cast<sockaddr_in6*>(&local)->sin6_port);
  return identifier;
}

// Waits for the answer until the request's time-out. A cancellable wait
// sleeps in slices so that the caller's stop request is seen within 50 ms.
// read(revents, arrival) reads what the socket holds and says whether our
// answer was among it, with its arrival time (read as soon as a read
// returns, before any parsing).
void WaitForAnswer(int fd, const EchoRequest& request, Clock::time_point start, EchoResult& result,
                   const std::function<bool(short, Clock::time_point&)>& read) {
  Clock::time_point deadline = start + std::chrono::milliseconds(request.timeoutMs);
  while (true) {
    Clock::time_point now = Clock::now();
    if (now >= deadline) break;
    auto slice = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
    if (request.cancel != nullptr && slice > std::chrono::milliseconds(50)) {
      slice = std::chrono::milliseconds(50);
    }
    timespec wait{static_cast<time_t>(slice.count() / 1000000000),
                  static_cast<long>(slice.count() % 1000000000)};
    pollfd watch{fd, POLLIN, 0};
    int ready = ppoll(&watch, 1, &wait, nullptr);
    if (request.cancel != nullptr && request.cancel->load() != 0) {
      result.cancelled = true;
      break;
    }
    if (ready <= 0) continue;
    Clock::time_point arrival;
    if (read(watch.revents, arrival)) {
      SetElapsed(result, start, arrival);
      result.state = EchoState::Reply;
      return;
    }
  }
  SetElapsed(result, start, Clock::now());
}

// A raw socket's pending error, set by an ICMP error beside the error packet
// itself (which is read like any other), would fail the next read: clear it.
void ClearPendingError(int fd) {
  int pending = 0;
  socklen_t pendingLength = sizeof pending;
  getsockopt(fd, SOL_SOCKET, SO_ERROR, &pending, &pendingLength);
}

// A message header for recvmsg over IPv6: the sender and the control
// messages (hop limit, extended errors).
struct Received6 {
  explicit Received6(uint8_t* buffer) : io{buffer, kEchoReplyBufferSize} {
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
  }
  Received6(const Received6&) = delete;
  Received6& operator=(const Received6&) = delete;
  IpAddress Sender() const {
    return IpAddress::FromSockaddr(reinterpret_cast<const sockaddr*>(&from), sizeof from)
        .value_or(IpAddress());
  }
  sockaddr_in6 from{};
  iovec io;
  alignas(cmsghdr) char control[512];
  msghdr message{};
};

struct Expected6 {
  IpAddress destination;
  uint16_t identifier;
  uint16_t sequence;
};

bool SameAddress6(const IpAddress& a, const IpAddress& b) {
  return a.IsV6() && b.IsV6() && a.V6Bytes() == b.V6Bytes();
}

// Everything a raw ICMPv6 socket reads; the filter keeps out what cannot be
// an answer (neighbour discovery, router adverts, other hosts' requests).
ReadOutcome ReadRaw6(int fd, uint8_t* buffer, const Expected6& expected, EchoResult& result,
                     Clock::time_point& arrival) {
  Received6 received(buffer);
  ssize_t n = recvmsg(fd, &received.message, MSG_DONTWAIT);
  if (n < 0) return errno == EINTR ? ReadOutcome::Other : ReadOutcome::Empty;
  arrival = KernelArrival(received.message);
  if (!ParseRawEcho6Answer(buffer, static_cast<size_t>(n), received.Sender(), expected.destination,
                           expected.identifier, expected.sequence, result)) {
    return ReadOutcome::Other;
  }
  result.ttl = static_cast<uint8_t>(ReadTtl(received.message));
  return ReadOutcome::Ours;
}

// An ICMPv6 ping socket delivers only replies with its own identifier,
// ICMPv6 header first; the sender and hop limit come with the message.
ReadOutcome ReadPing6Reply(int fd, uint8_t* buffer, const Expected6& expected, EchoResult& result,
                           Clock::time_point& arrival) {
  Received6 received(buffer);
  ssize_t n = recvmsg(fd, &received.message, MSG_DONTWAIT);
  if (n < 0) return errno == EINTR ? ReadOutcome::Other : ReadOutcome::Empty;
  arrival = KernelArrival(received.message);
  const IpAddress sender = received.Sender();
  if (n < 8 || buffer[0] != ICMP6_ECHO_REPLY || ReadBe16(buffer + 6) != expected.sequence ||
      !SameAddress6(sender, expected.destination)) {
    return ReadOutcome::Other;
  }
  result.status = kEchoSuccess;
  result.from = sender;
  result.ttl = static_cast<uint8_t>(ReadTtl(received.message));
  return ReadOutcome::Ours;
}

// ICMPv6 errors about a ping socket's echoes, from its error queue.
ReadOutcome ReadPing6Error(int fd, uint8_t* buffer, const Expected6& expected, EchoResult& result,
                           Clock::time_point& arrival) {
  Received6 received(buffer);
  ssize_t n = recvmsg(fd, &received.message, MSG_ERRQUEUE | MSG_DONTWAIT);
  if (n < 0) return errno == EINTR ? ReadOutcome::Other : ReadOutcome::Empty;
  arrival = KernelArrival(received.message);
  const sock_extended_err* error = nullptr;
  for (cmsghdr* c = CMSG_FIRSTHDR(&received.message); c != nullptr;
       c = CMSG_NXTHDR(&received.message, c)) {
    if (c->cmsg_level == SOL_IPV6 && c->cmsg_type == IPV6_RECVERR) {
      error = reinterpret_cast<const sock_extended_err*>(CMSG_DATA(c));
    }
  }
  if (error == nullptr || error->ee_origin != SO_EE_ORIGIN_ICMP6) return ReadOutcome::Other;
  if (n < 8 || buffer[0] != ICMP6_ECHO_REQUEST || ReadBe16(buffer + 6) != expected.sequence) {
    return ReadOutcome::Other;
  }
  std::optional<uint32_t> status = EchoStatusFromIcmp6(error->ee_type, error->ee_code);
  if (!status || *status == kEchoSuccess) return ReadOutcome::Other;
  sockaddr_in6 offender{};
  std::memcpy(&offender, SO_EE_OFFENDER(error), sizeof offender);
  result.status = *status;
  result.from =
      offender.sin6_family == AF_INET6
          ? IpAddress::FromSockaddr(reinterpret_cast<const sockaddr*>(&offender), sizeof offender)
                .value_or(IpAddress())
          : received.Sender();
  result.ttl = static_cast<uint8_t>(ReadTtl(received.message));
  return ReadOutcome::Ours;
}

// One echo to an IPv6 destination; request already checked for length and
// hop limit.
EchoResult SendEcho6(const EchoRequest& request, int hopLimit) {
  EchoResult result;
  result.state = EchoState::LocalError;
  OpenedSocket opened = OpenEchoSocket(true);
  if (opened.fd < 0) {
    result.errorText = OpenErrorText(opened, "cannot open an ICMPv6 socket: ");
    return result;
  }
  CSocket socketGuard(opened.fd);
  const int fd = opened.fd;
  const bool raw = opened.kind == EchoSocketKind::Raw;

  // The caller's hop limit, and fragmentation at the source for echoes
  // larger than the path takes (IPv6 routers never fragment).
  const int pmtu = IPV6_PMTUDISC_DONT;
  const int on = 1;
  setsockopt(fd, IPPROTO_IPV6, IPV6_UNICAST_HOPS, &hopLimit, sizeof hopLimit);
  setsockopt(fd, IPPROTO_IPV6, IPV6_MTU_DISCOVER, &pmtu, sizeof pmtu);
  setsockopt(fd, IPPROTO_IPV6, IPV6_RECVHOPLIMIT, &on, sizeof on);

  EchoNumbers numbers = NextEchoNumbers();
  if (raw) {
    // Only replies and the errors that may quote a request reach the socket.
    icmp6_filter filter;
    ICMP6_FILTER_SETBLOCKALL(&filter);
    for (int type : {ICMP6_ECHO_REPLY, ICMP6_DST_UNREACH, ICMP6_PACKET_TOO_BIG, ICMP6_TIME_EXCEEDED,
                     ICMP6_PARAM_PROB}) {
      ICMP6_FILTER_SETPASS(type, &filter);
    }
    setsockopt(fd, IPPROTO_ICMPV6, ICMP6_FILTER, &filter, sizeof filter);
  } else {
    setsockopt(fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on);
  }

  // The kernel fills in the checksum over its pseudo-header, on raw and
  // ping sockets alike.
  size_t packetLength = 0;
  std::unique_ptr<uint8_t[]> packet =
      BuildEchoRequest(ICMP6_ECHO_REQUEST, numbers, request.dataLength, packetLength);
  std::unique_ptr<uint8_t[]> reply(new uint8_t[kEchoReplyBufferSize]);

  socklen_t destinationLength = 0;
  const sockaddr_storage destination = request.address6.ToSockaddr(0, &destinationLength);
  const Clock::time_point start = Clock::now();
  if (!SendRequest(fd, packet.get(), packetLength, reinterpret_cast<const sockaddr*>(&destination),
                   destinationLength, result)) {
    return result;
  }
  const Expected6 expected{request.address6, SocketIdentifier(fd, raw, numbers.identifier),
                           numbers.sequence};
  result.identifier = expected.identifier;
  result.sequence = expected.sequence;

  WaitForAnswer(fd, request, start, result, [&](short revents, Clock::time_point& arrival) {
    ReadOutcome outcome = ReadOutcome::Other;
    if (raw && (revents & POLLERR)) ClearPendingError(fd);
    if (!raw && (revents & POLLERR)) {
      do {
        outcome = ReadPing6Error(fd, reply.get(), expected, result, arrival);
      } while (outcome == ReadOutcome::Other);
    }
    while (outcome != ReadOutcome::Ours) {
      outcome = raw ? ReadRaw6(fd, reply.get(), expected, result, arrival)
                    : ReadPing6Reply(fd, reply.get(), expected, result, arrival);
      if (outcome == ReadOutcome::Empty) break;
    }
    return outcome == ReadOutcome::Ours;
  });
  return result;
}

}  // namespace

void FillEchoPattern(uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>('a' + i % 26);
}

void SetEchoSocketChoice(EchoSocketChoice choice) {
  socketChoice.store(choice);
}

EchoSocketKind ProbeEchoSocket(bool v6) {
  OpenedSocket opened = OpenEchoSocket(v6);
  if (opened.fd >= 0) close(opened.fd);
  return opened.kind;
}

const char* EchoSocketKindName(EchoSocketKind kind) {
  switch (kind) {
    case EchoSocketKind::Raw:
      return "raw";
    case EchoSocketKind::Ping:
      return "ping";
    default:
      return "none";
  }
}

EchoResult SendEcho(const EchoRequest& request) {
  EchoResult result;
  result.state = EchoState::LocalError;
  if (request.dataLength > kMaxEchoData) {
    result.errorText = kEchoTooLongText;
    return result;
  }
  int ttl = static_cast<int>(request.ttl & 0xFF);
  if (ttl == 0) {
    result.errorText = kEchoTtlZeroText;
    return result;
  }
  if (request.address6.IsV6()) return SendEcho6(request, ttl);

  OpenedSocket opened = OpenEchoSocket();
  if (opened.fd < 0) {
    result.errorText = OpenErrorText(opened, "cannot open an ICMP socket: ");
    return result;
  }
  CSocket socketGuard(opened.fd);
  int fd = opened.fd;
  bool raw = opened.kind == EchoSocketKind::Raw;

  // IP options of every echo: the caller's TTL, type of service 0, no
  // options, and DF clear so that large echoes are fragmented on the way.
  int pmtu = IP_PMTUDISC_DONT;
  int on = 1;
  setsockopt(fd, IPPROTO_IP, IP_TTL, &ttl, sizeof ttl);
  setsockopt(fd, IPPROTO_IP, IP_MTU_DISCOVER, &pmtu, sizeof pmtu);
  setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);

  EchoNumbers numbers = NextEchoNumbers();
  if (raw) {
    AttachRawFilter(fd, numbers.identifier);
  } else {
    setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    setsockopt(fd, IPPROTO_IP, IP_RECVTTL, &on, sizeof on);
  }

  size_t packetLength = 0;
  std::unique_ptr<uint8_t[]> packet =
      BuildEchoRequest(ICMP_ECHO, numbers, request.dataLength, packetLength);
  std::unique_ptr<uint8_t[]> reply(new uint8_t[kEchoReplyBufferSize]);
  uint16_t sum = Checksum(packet.get(), packetLength);
  packet[2] = static_cast<uint8_t>(sum >> 8);
  packet[3] = static_cast<uint8_t>(sum);

  sockaddr_in destination{};
  destination.sin_family = AF_INET;
  destination.sin_addr.s_addr = htonl(request.address);
  const Clock::time_point start = Clock::now();
  if (!SendRequest(fd, packet.get(), packetLength, reinterpret_cast<const sockaddr*>(&destination),
                   sizeof destination, result)) {
    return result;
  }
  const Expected expected{request.address, SocketIdentifier(fd, raw, numbers.identifier),
                          numbers.sequence};
  result.identifier = expected.identifier;
  result.sequence = expected.sequence;

  WaitForAnswer(fd, request, start, result, [&](short revents, Clock::time_point& arrival) {
    if (raw) {
      if (revents & POLLERR) ClearPendingError(fd);
      while (true) {
        Received received(reply.get());
        ssize_t n = recvmsg(fd, &received.message, MSG_DONTWAIT);
        if (n < 0) {
          if (errno == EINTR) continue;
          return false;
        }
        arrival = KernelArrival(received.message);
        if (ParseRawEchoAnswer(reply.get(), static_cast<size_t>(n), expected.destination,
                               expected.identifier, expected.sequence, result)) {
          return true;
        }
      }
    }
    ReadOutcome outcome = ReadOutcome::Other;
    if (revents & POLLERR) {
      do {
        outcome = ReadPingError(fd, reply.get(), expected, result, arrival);
      } while (outcome == ReadOutcome::Other);
      if (outcome == ReadOutcome::Ours) return true;
    }
    while (true) {
      outcome = ReadPingReply(fd, reply.get(), expected, result, arrival);
      if (outcome == ReadOutcome::Empty) return false;
      if (outcome == ReadOutcome::Ours) return true;
    }
  });
  return result;
}

}  // namespace tesmo
