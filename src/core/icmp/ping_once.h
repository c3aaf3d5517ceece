// PingOnce: one ICMP echo to an address text (IPv4, or IPv6 over ICMPv6),
// told as a three-way outcome and one line of text. The IP discovery page and the Graph page's
// round-trip entries call it; it keeps no state, so any number of threads may.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/icmp/echo_socket.h"

namespace tesmo {

enum class PingOutcome : int {
  NoReply = -1,     // nothing came back in time: "unreachable"
  ErrorStatus = 0,  // an ICMP error answered ("%s from %s"), or "invalid address"
  Reachable = 1,    // an echo reply: "reachable (%u ms ttl:%u)"
};

// Sends one echo of dataLength bytes with the low 8 bits of ttl and waits at
// most timeoutMs. roundTripMs is written whenever an echo went out;
// sourceText is the answer's source address whenever an answer came. An
// address text that does not parse sends nothing. When the echo cannot be
// sent at all (ICMP not permitted, too much data) the outcome is NoReply and
// resultText says why.
PingOutcome PingOnce(std::string_view addressText, uint32_t& roundTripMs, uint32_t timeoutMs,
                     uint32_t dataLength, uint32_t ttl, std::string& resultText,
                     std::string& sourceText);

// The same over another echo function.
PingOutcome PingOnce(const EchoFunction& echo, std::string_view addressText, uint32_t& roundTripMs,
                     uint32_t timeoutMs, uint32_t dataLength, uint32_t ttl, std::string& resultText,
                     std::string& sourceText);

// "reachable (%u ms ttl:%u)"
std::string ReachableText(uint32_t roundTripMs, uint32_t ttl);
// "%s from %s" with the status text and the source address.
std::string ErrorStatusText(uint32_t status, uint32_t source);
std::string ErrorStatusText(uint32_t status, const IpAddress& source);

// The echo destination an address text names: an IPv4 text by the classic
// rule, else an IPv6 literal; nothing when it is neither.
std::optional<IpAddress> ParseEchoAddress(std::string_view addressText);
// The address a host text names for an echo: an address of either family in
// its canonical form, or a name's first IPv4 address, its first IPv6 one when
// it has none; "" when there is none.
std::string EchoAddressOfHostText(const std::string& hostText);
// The source of an answer as text: dotted for IPv4, RFC 5952 for IPv6.
std::string EchoSourceText(const EchoResult& result);

constexpr const char* kUnreachableText = "unreachable";
constexpr const char* kInvalidAddressText = "invalid address";

}  // namespace tesmo
