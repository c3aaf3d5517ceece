// One ICMP echo: the socket layer under PingOnce, the ping loop and the
// traceroute.
//
// Each echo opens its own socket, sends one request, waits for the first
// answer that belongs to it and closes the socket again, so any number of
// threads may send at the same time. A raw ICMP socket (root or cap_net_raw)
// is used when the process may open one, else a ping socket (allowed where
// net.ipv4.ping_group_range admits the user's group). Answers are matched to
// their echo by identifier and sequence number: the echo reply itself, or an
// ICMP error (unreachable, time exceeded, ...) that quotes the request.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace tesmo {

// The most data one echo can carry: an IPv4 packet is at most 65535 bytes,
// less 20 bytes of IP header and 8 of ICMP header.
constexpr uint32_t kMaxEchoData = 65507;
// The reply buffer of one echo: room for the largest IPv4 packet.
constexpr size_t kEchoReplyBufferSize = 65536;

struct EchoRequest {
  uint32_t address = 0;  // destination, host byte order
  uint32_t dataLength = 0;
  uint32_t ttl = 64;  // only the low 8 bits are sent
  uint32_t timeoutMs = 1000;
  // When set, a non-zero value ends the wait early (the echo counts as
  // cancelled); checked at least every 50 ms.
  const std::atomic<int>* cancel = nullptr;
};

enum class EchoState {
  Reply,       // an answer came: status, source and ttl are valid
  NoReply,     // nothing came within the time-out (or the wait was cancelled)
  LocalError,  // the echo could not be sent; errorText says why
};

struct EchoResult {
  EchoState state = EchoState::NoReply;
  uint32_t status = 0;  // 0 or 11001..11018, see echo_status.h
  uint32_t source = 0;  // the answer's source address, host byte order
  uint8_t ttl = 0;      // the IP TTL of the answer
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
// the request); then status, source and ttl are filled in.
bool ParseRawEchoAnswer(const uint8_t* packet, size_t length, uint32_t destination,
                        uint16_t identifier, uint16_t sequence, EchoResult& result);

// Byte i of echo data is 'a' + i mod 26.
void FillEchoPattern(uint8_t* data, size_t length);

enum class EchoSocketKind { None, Raw, Ping };
enum class EchoSocketChoice {
  Automatic,  // raw when permitted, else ping
  PingOnly,   // ping sockets even where raw ones are permitted
};
// Process-wide; tests use it to run the same checks over both kinds.
void SetEchoSocketChoice(EchoSocketChoice choice);
// The kind the next echo would use (opens and closes a socket to find out).
EchoSocketKind ProbeEchoSocket();
const char* EchoSocketKindName(EchoSocketKind kind);

// The texts of the LocalError results.
extern const char* const kIcmpNotPermittedText;
extern const char* const kEchoTooLongText;
extern const char* const kEchoTtlZeroText;

}  // namespace tesmo
