// PingOnce over the echo socket layer.
#include "core/icmp/ping_once.h"

#include <cstdio>
#include <new>

#include "core/icmp/echo_status.h"
#include "core/net/address_text.h"

namespace tesmo {

std::string ReachableText(uint32_t roundTripMs, uint32_t ttl) {
  char text[64];
  std::snprintf(text, sizeof text, "reachable (%u ms ttl:%u)", roundTripMs, ttl);
  return text;
}

std::string ErrorStatusText(uint32_t status, uint32_t source) {
  const char* statusText = EchoStatusText(status);
  return std::string(statusText != nullptr ? statusText : "") + " from " + FormatAddress(source);
}

PingOutcome PingOnce(const EchoFunction& echo, std::string_view addressText, uint32_t& roundTripMs,
                     uint32_t timeoutMs, uint32_t dataLength, uint32_t ttl, std::string& resultText,
                     std::string& sourceText) {
  std::optional<uint32_t> address = ParseAddressText(addressText);
  if (!address) {
    resultText = kInvalidAddressText;
    return PingOutcome::ErrorStatus;
  }
  EchoResult result;
  try {
    result = echo(EchoRequest{*address, dataLength, ttl, timeoutMs, nullptr});
  } catch (const std::bad_alloc&) {
    // No buffers for this echo: nothing was sent and there is nothing to say.
    return PingOutcome::NoReply;
  }
  if (result.sent) roundTripMs = result.roundTripMs;
  switch (result.state) {
    case EchoState::Reply:
      sourceText = FormatAddress(result.source);
      if (IsEchoErrorStatus(result.status)) {
        resultText = ErrorStatusText(result.status, result.source);
        return PingOutcome::ErrorStatus;
      }
      resultText = ReachableText(result.roundTripMs, result.ttl);
      return PingOutcome::Reachable;
    case EchoState::LocalError:
      resultText = result.errorText;
      return PingOutcome::NoReply;
    case EchoState::NoReply:
      break;
  }
  resultText = kUnreachableText;
  return PingOutcome::NoReply;
}

PingOutcome PingOnce(std::string_view addressText, uint32_t& roundTripMs, uint32_t timeoutMs,
                     uint32_t dataLength, uint32_t ttl, std::string& resultText,
                     std::string& sourceText) {
  return PingOnce(SendEcho, addressText, roundTripMs, timeoutMs, dataLength, ttl, resultText,
                  sourceText);
}

}  // namespace tesmo
