// Status texts, short codes and the ICMP type/code mapping of the echo service.
#include "core/icmp/echo_status.h"

#include <netinet/icmp6.h>
#include <netinet/ip_icmp.h>

#include <cstdio>

namespace tesmo {
namespace {

// Indexed by status - 11000.
const char* const kStatusTexts[] = {
    nullptr,
    "buffer too small",
    "dest net unreachable",
    "dest host unreachable",
    "dest prot unreachable",
    "dest port unreachable",
    "no resources",
    "bad option",
    "hw error",
    "packet too big",
    "req timed out",
    "bad req",
    "bad route",
    "ttl expired in transit",
    "ttl expired in reassembly",
    "param problem",
    "source quench",
    "option too big",
    "bad destination",
};

// Indexed the same way; nullptr where the round trip is shown instead.
const char* const kShortCodes[] = {
    nullptr, "buf error", "!NU",  "!HU",   "!PRU", "!POU", "!NR", "!BO",   "!HWERR", "!PTB",
    "t-o",   "!BRQ",      "!BRO", nullptr, "!TER", "!PP",  "!SQ", "!IOTB", "!BD",
};

// The ICMPv6-only codes: status, text, short code.
struct Icmp6Status {
  uint32_t status;
  const char* text;
  const char* shortCode;
};
const Icmp6Status kIcmp6Statuses[] = {
    {kEchoDestProhibited, "dest admin prohibited", "!AP"},
    {kEchoUnrecognizedNextHeader, "unrecognized next header", "!NH"},
    {kEchoDestBeyondScope, "dest beyond scope", "!BS"},
    {kEchoSourcePolicyFailed, "source address failed policy", "!SP"},
    {kEchoRejectRoute, "reject route to dest", "!RR"},
};

const Icmp6Status* FindIcmp6Status(uint32_t status) {
  for (const Icmp6Status& entry : kIcmp6Statuses) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

bool IsClassicErrorStatus(uint32_t status) {
  return status > kEchoStatusBase && status <= kEchoBadDestination;
}

std::string RoundTripCell(uint32_t roundTripMs) {
  char cell[32];
  std::snprintf(cell, sizeof cell, "%u ms ", roundTripMs);
  return cell;
}

}  // namespace

bool IsEchoErrorStatus(uint32_t status) {
  return IsClassicErrorStatus(status) || FindIcmp6Status(status) != nullptr;
}

const char* EchoStatusText(uint32_t status) {
  if (IsClassicErrorStatus(status)) return kStatusTexts[status - kEchoStatusBase];
  const Icmp6Status* entry = FindIcmp6Status(status);
  return entry != nullptr ? entry->text : nullptr;
}

std::string EchoShortCode(std::optional<uint32_t> status, uint32_t roundTripMs) {
  if (!status) return "t-o";
  if (*status == kEchoSuccess || *status == kEchoTtlExpiredTransit)
    return RoundTripCell(roundTripMs);
  if (IsClassicErrorStatus(*status)) return kShortCodes[*status - kEchoStatusBase];
  if (const Icmp6Status* entry = FindIcmp6Status(*status)) return entry->shortCode;
  return "??";
}

std::optional<uint32_t> EchoStatusFromIcmp(uint8_t type, uint8_t code) {
  switch (type) {
    case ICMP_ECHOREPLY:
      return kEchoSuccess;
    case ICMP_DEST_UNREACH:
      switch (code) {
        case ICMP_NET_UNREACH:
        case ICMP_NET_UNKNOWN:
        case ICMP_NET_ANO:
        case ICMP_NET_UNR_TOS:
          return kEchoDestNetUnreachable;
        case ICMP_PROT_UNREACH:
          return kEchoDestProtUnreachable;
        case ICMP_PORT_UNREACH:
          return kEchoDestPortUnreachable;
        case ICMP_FRAG_NEEDED:
          return kEchoPacketTooBig;
        case ICMP_SR_FAILED:
          return kEchoBadRoute;
        default:
          // Host unreachable, unknown or isolated, prohibited by a filter,
          // precedence violation or cut-off: the host cannot be reached.
          return kEchoDestHostUnreachable;
      }
    case ICMP_SOURCE_QUENCH:
      return kEchoSourceQuench;
    case ICMP_TIME_EXCEEDED:
      return code == ICMP_EXC_FRAGTIME ? kEchoTtlExpiredReassembly : kEchoTtlExpiredTransit;
    case ICMP_PARAMETERPROB:
      return kEchoParamProblem;
    default:
      return std::nullopt;
  }
}

std::optional<uint32_t> EchoStatusFromIcmp6(uint8_t type, uint8_t code) {
  switch (type) {
    case ICMP6_ECHO_REPLY:
      return kEchoSuccess;
    case ICMP6_DST_UNREACH:
      switch (code) {
        case ICMP6_DST_UNREACH_NOROUTE:
          return kEchoDestNetUnreachable;
        case ICMP6_DST_UNREACH_ADMIN:
          return kEchoDestProhibited;
        case ICMP6_DST_UNREACH_BEYONDSCOPE:
          return kEchoDestBeyondScope;
        case ICMP6_DST_UNREACH_NOPORT:
          return kEchoDestPortUnreachable;
        case 5:  // source address failed ingress/egress policy
          return kEchoSourcePolicyFailed;
        case 6:  // reject route to destination
          return kEchoRejectRoute;
        default:
          // Address unreachable, and codes this program does not know.
          return kEchoDestHostUnreachable;
      }
    case ICMP6_PACKET_TOO_BIG:
      return kEchoPacketTooBig;
    case ICMP6_TIME_EXCEEDED:
      return code == ICMP6_TIME_EXCEED_REASSEMBLY ? kEchoTtlExpiredReassembly
                                                  : kEchoTtlExpiredTransit;
    case ICMP6_PARAM_PROB:
      switch (code) {
        case ICMP6_PARAMPROB_NEXTHEADER:
          return kEchoUnrecognizedNextHeader;
        case ICMP6_PARAMPROB_OPTION:
          return kEchoBadOption;
        default:
          return kEchoParamProblem;
      }
    default:
      return std::nullopt;
  }
}

}  // namespace tesmo
