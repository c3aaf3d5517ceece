// The status codes of an ICMP echo and the texts that describe them.
//
// Echo outcomes are told in the classic 11000-based IP status codes: 0 is an
// echo reply, 11001..11018 are the errors listed below. EchoStatusFromIcmp
// maps an ICMP message that answers an echo (the reply itself or an error
// quoting it) onto that code set.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesmo {

enum EchoStatus : uint32_t {
  kEchoSuccess = 0,
  kEchoStatusBase = 11000,
  kEchoBufferTooSmall = 11001,
  kEchoDestNetUnreachable = 11002,
  kEchoDestHostUnreachable = 11003,
  kEchoDestProtUnreachable = 11004,
  kEchoDestPortUnreachable = 11005,
  kEchoNoResources = 11006,
  kEchoBadOption = 11007,
  kEchoHwError = 11008,
  kEchoPacketTooBig = 11009,
  kEchoReqTimedOut = 11010,
  kEchoBadReq = 11011,
  kEchoBadRoute = 11012,
  kEchoTtlExpiredTransit = 11013,
  kEchoTtlExpiredReassembly = 11014,
  kEchoParamProblem = 11015,
  kEchoSourceQuench = 11016,
  kEchoOptionTooBig = 11017,
  kEchoBadDestination = 11018,
  // What only ICMPv6 tells apart; an ICMPv6 answer that has an IPv4
  // counterpart (no route, address or port unreachable, packet too big, hop
  // limit exceeded, ...) takes the code above.
  kEchoDestProhibited = 11040,
  kEchoUnrecognizedNextHeader = 11043,
  kEchoDestBeyondScope = 11045,
  kEchoSourcePolicyFailed = 11046,
  kEchoRejectRoute = 11047,
};

// True for 11001..11018 and the ICMPv6 codes 11040..11047 that have a text:
// the codes that make an echo fail.
bool IsEchoErrorStatus(uint32_t status);

// "dest host unreachable" and so on; nullptr for a code without a text.
const char* EchoStatusText(uint32_t status);

// The short code of a traceroute cell. No status (no reply at all) is "t-o";
// an echo reply and a time exceeded in transit show the round trip as
// "%u ms "; any code without a short form is "??".
std::string EchoShortCode(std::optional<uint32_t> status, uint32_t roundTripMs);

// The status of an ICMP message of type and code that answers an echo, or
// nothing when the message is no answer to one (redirects, requests, ...).
std::optional<uint32_t> EchoStatusFromIcmp(uint8_t type, uint8_t code);
// The same for an ICMPv6 message.
std::optional<uint32_t> EchoStatusFromIcmp6(uint8_t type, uint8_t code);

}  // namespace tesmo
