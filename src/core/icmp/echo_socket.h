// One ICMP echo: the socket layer under PingOnce, the ping loop and the
// traceroute.
//
// Each echo opens its own socket, sends one request, waits for the first
// answer that belongs to it and closes the socket again, so any number of
// threads may send at the same time. A raw ICMP socket (root or cap_net_raw)
// is used when the process may open one, else a ping socket (allowed where
// net.ipv4.ping_group_range admits the user's group; the same setting admits
// ICMPv6 ping sockets). Answers are matched to their echo by identifier and
// sequence number: the echo reply itself, or an ICMP error (unreachable,
// time exceeded, ...) that quotes the request. An IPv6 destination goes the
// same ways over ICMPv6, its hop limit in place of the TTL.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "core/net/ip_address.h"

namespace tesmo {

// The most data one echo can carry: an IPv4 packet is at most 65535 bytes,
// less 20 bytes of IP header and 8 of ICMP header.
constexpr uint32_t kMaxEchoData = 65507;
// The reply buffer of one echo: room for the largest IPv4 packet.
constexpr size_t kEchoReplyBufferSize = 65536;

struct EchoRequest {
  EchoRequest() = default;
  // An IPv4 echo as the positional form has always given it.
  EchoRequest(uint32_t address, uint32_t dataLength, uint32_t ttl, uint32_t timeoutMs,
              const std::atomic<int>* cancel)
      : address(address), dataLength(dataLength), ttl(ttl), timeoutMs(timeoutMs), cancel(cancel) {}

  uint32_t address = 0;  // IPv4 destination, host byte order (when address6 is not set)
  uint32_t dataLength = 0;
  uint32_t ttl = 64;  // only the low 8 bits are sent (the hop limit over IPv6)
  uint32_t timeoutMs = 1000;
  // When set, a non-zero value ends the wait early (the echo counts as
  // cancelled); checked at least every 50 ms.
  const std::atomic<int>* cancel = nullptr;
  // An IPv6 destination; when set it is the destination and address is unused.
  IpAddress address6;

  // The destination of either family.
  IpAddress Destination() const { return address6.IsV6() ? address6 : IpAddress::V4(address); }
  void SetDestination(const IpAddress& destination) {
    if (destination.IsV6()) {
      address6 = destination;
      address = 0;
    } else {
      address6 = IpAddress();
      address = destination.V4Value();
    }
  }
};

enum class EchoState {
  Reply,       // an answer came: status, source and ttl are valid
  NoReply,     // nothing came within the time-out (or the wait was cancelled)
  LocalError,  // the echo could not be sent; errorText says why
};

struct EchoResult {
  EchoState state = EchoState::NoReply;
  uint32_t status = 0;  // 0 or an error code of echo_status.h
  uint32_t source = 0;  // the answer's IPv4 source address, host byte order (0 over IPv6)
  IpAddress from;       // the answer's source address, either family
  uint8_t ttl = 0;      // the IP TTL (IPv6: hop limit) of the answer
  bool sent = false;    // the request left the socket, or the network refused it
  bool cancelled = false;
  // From just before the send to the answer, or to giving up, on the
  // monotonic clock. roundTripMs is the whole milliseconds of roundTripUs.
  uint32_t roundTripMs = 0;
  uint64_t roundTripUs = 0;
  // The identifier and sequence number the request went out with.
  uint16_t identifier = 0;
  uint16_t sequence = 0;
  std::string errorText;
};

// Sends one echo and waits for its answer. Never throws for network trouble;
// a request of more than kMaxEchoData bytes, a TTL whose low 8 bits are 0 and
// a process that may not send ICMP are LocalError results with a text.
EchoResult SendEcho(const EchoRequest& request);

// What PingOnce and the ping loop call; tests put a scripted echo in its place.
using EchoFunction = std::function<EchoResult(const EchoRequest&)>;

// A packet read from a raw ICMP socket (IP header first): true when it
// answers the echo to destination with that identifier and sequence (an echo
// reply from destination itself, or an ICMP error from anywhere that quotes
// the request); then status, source, from and ttl are filled in.
bool ParseRawEchoAnswer(const uint8_t* packet, size_t length, uint32_t destination,
                        uint16_t identifier, uint16_t sequence, EchoResult& result);

// The same for a packet read from a raw ICMPv6 socket (ICMPv6 header first,
// the sender from the socket address): an echo reply from destination, or an
// ICMPv6 error from anywhere quoting the request. status and from are filled
// in; the hop limit comes with the message, not the packet.
bool ParseRawEcho6Answer(const uint8_t* packet, size_t length, const IpAddress& sender,
                         const IpAddress& destination, uint16_t identifier, uint16_t sequence,
                         EchoResult& result);

// Byte i of echo data is 'a' + i mod 26.
void FillEchoPattern(uint8_t* data, size_t length);

enum class EchoSocketKind { None, Raw, Ping };
enum class EchoSocketChoice {
  Automatic,  // raw when permitted, else ping
  PingOnly,   // ping sockets even where raw ones are permitted
};
// Process-wide; tests use it to run the same checks over both kinds.
void SetEchoSocketChoice(EchoSocketChoice choice);
// The kind the next echo would use (opens and closes a socket to find out);
// for an IPv6 destination with v6 set.
EchoSocketKind ProbeEchoSocket(bool v6 = false);
const char* EchoSocketKindName(EchoSocketKind kind);

// The texts of the LocalError results.
extern const char* const kIcmpNotPermittedText;
extern const char* const kEchoTooLongText;
extern const char* const kEchoTtlZeroText;

}  // namespace tesmo
