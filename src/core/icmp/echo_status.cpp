// Status texts, short codes and the ICMP type/code mapping of the echo service.
#include "core/icmp/echo_status.h"

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

std::string RoundTripCell(uint32_t roundTripMs) {
  char cell[32];
  std::snprintf(cell, sizeof cell, "%u ms ", roundTripMs);
  return cell;
}

}  // namespace

const char* EchoStatusText(uint32_t status) {
  return IsEchoErrorStatus(status) ? kStatusTexts[status - kEchoStatusBase] : nullptr;
}

std::string EchoShortCode(std::optional<uint32_t> status, uint32_t roundTripMs) {
  if (!status) return "t-o";
  if (*status == kEchoSuccess || *status == kEchoTtlExpiredTransit)
    return RoundTripCell(roundTripMs);
  if (IsEchoErrorStatus(*status)) return kShortCodes[*status - kEchoStatusBase];
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

}  // namespace tesmo
