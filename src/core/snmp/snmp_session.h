// Opening a net-snmp single session for a target: version 1, 2c or 3.
//
// An SNMPv3 session needs the agent's engine identifier, boots and time
// before its first authenticated request. The library finds them with a
// blocking exchange that no stop flag reaches; this module asks for them
// itself, in slices of at most 100 ms, and opens the session with them.
#pragma once

#include <cstdint>
#include <string>

#include "core/base/snmp_target.h"

namespace tesmo {

enum class OpenResult { kOpen, kFailed, kTimedOut, kStopped };

struct OpenedSession {
  void* session = nullptr;  // net-snmp single-session handle, or null
  OpenResult result = OpenResult::kFailed;
  std::string error;  // why it failed, for the status line
};

// The transport and peer name of an agent: "udp:10.0.0.1:161" for an IPv4
// address text, "udp6:[2001:db8::1]:161" for an IPv6 one.
std::string SnmpPeerName(const std::string& address, uint16_t port);

// Opens a session with the read or the write community (versions 1 and 2c).
// The caller holds SnmpMutex.
OpenedSession OpenSnmpSession(const SnmpTarget& target, bool write);

// The engine discovery of an SNMPv3 agent, on a socket of its own: what the
// agent's report says. False after the time-out and the retries, or at the
// stop flag (stopped is set then).
struct EngineIdentity {
  std::string engineId;
  long boots = 0;
  long time = 0;
};
bool DiscoverEngine(const SnmpTarget& target, EngineIdentity& identity, bool& stopped);

// The discovery request and the reading of the report, on their own (tests).
std::string EngineProbeMessage(int messageId);
bool ReadEngineReport(const std::string& message, int messageId, EngineIdentity& identity);

}  // namespace tesmo
