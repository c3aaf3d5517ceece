// PingOnce over the echo socket layer.
#include "core/icmp/ping_once.h"

#include <cstdio>
#include <new>

#include "core/icmp/echo_status.h"
#include "core/net/address_text.h"
#include "core/net/name_resolution.h"

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

std::string ErrorStatusText(uint32_t status, const IpAddress& source) {
  if (!source.IsV6()) return ErrorStatusText(status, source.V4Value());
  const char* statusText = EchoStatusText(status);
  return std::string(statusText != nullptr ? statusText : "") + " from " + source.Text();
}

std::optional<IpAddress> ParseEchoAddress(std::string_view addressText) {
  if (std::optional<uint32_t> v4 = ParseAddressText(addressText)) return IpAddress::V4(*v4);
  if (!LooksLikeIpv6(addressText)) return std::nullopt;
  std::optional<IpAddress> v6 = ParseIpAddress(addressText);
  if (!v6 || !v6->IsV6()) return std::nullopt;
  return v6;
}

std::string EchoAddressOfHostText(const std::string& hostText) {
  return AddressOfHostText(hostText, AddressFamilyChoice::kEither);
}

std::string EchoSourceText(const EchoResult& result) {
  return result.from.IsV6() ? result.from.Text() : FormatAddress(result.source);
}

PingOutcome PingOnce(const EchoFunction& echo, std::string_view addressText, uint32_t& roundTripMs,
                     uint32_t timeoutMs, uint32_t dataLength, uint32_t ttl, std::string& resultText,
                     std::string& sourceText) {
  std::optional<IpAddress> address = ParseEchoAddress(addressText);
  if (!address) {
    resultText = kInvalidAddressText;
    return PingOutcome::ErrorStatus;
  }
  EchoResult result;
  try {
    EchoRequest request;
    request.dataLength = dataLength;
    request.ttl = ttl;
    request.timeoutMs = timeoutMs;
    request.SetDestination(*address);
    result = echo(request);
  } catch (const std::bad_alloc&) {
    // No buffers for this echo: nothing was sent and there is nothing to say.
    return PingOutcome::NoReply;
  }
  if (result.sent) roundTripMs = result.roundTripMs;
  switch (result.state) {
    case EchoState::Reply:
      sourceText = EchoSourceText(result);
      if (IsEchoErrorStatus(result.status)) {
        resultText = result.from.IsV6() ? ErrorStatusText(result.status, result.from)
                                        : ErrorStatusText(result.status, result.source);
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
