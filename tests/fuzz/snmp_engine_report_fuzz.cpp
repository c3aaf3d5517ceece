// libFuzzer target over the reading of an SNMPv3 engine discovery report, the
// one SNMP message this program decodes itself: the first four bytes are the
// message id asked for, the rest is the datagram. A report read must name an
// engine of 1 to 32 bytes; our own probe (no engine yet) is never one.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/snmp/snmp_session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t id = 0;
  std::memcpy(&id, data, 4);
  const int messageId = static_cast<int>(id & 0x7fffffff);
  const std::string message(reinterpret_cast<const char*>(data) + 4, size - 4);
  tesmo::EngineIdentity identity;
  if (tesmo::ReadEngineReport(message, messageId, identity)) {
    if (identity.engineId.empty() || identity.engineId.size() > 32) std::abort();
  }
  tesmo::EngineIdentity probe;
  if (tesmo::ReadEngineReport(tesmo::EngineProbeMessage(messageId), messageId, probe)) std::abort();
  return 0;
}
