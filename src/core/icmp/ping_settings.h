// The ping loop's settings and where they are stored (section Reachability).
#pragma once

#include <cstdint>

namespace tesmo {

struct PingSettings {
  uint32_t packetLength = 50;       // PingPacketLength, bytes of echo data
  uint32_t timeBetweenPing = 1000;  // PingTimeBetweenPing, ms
  uint32_t timeout = 1000;          // PingTimeout, ms
  uint32_t ttl = 64;                // PingTTL, low 8 bits sent
  bool mustBePinged = false;        // MustBePinged: the loop sends only while set
};

// The built-in values ("Factory settings"); nothing is read or written.
PingSettings FactoryPingSettings();
// Reads section Reachability with the built-in values as defaults.
PingSettings ReadPingSettings();
void WritePingSettings(const PingSettings& settings);

}  // namespace tesmo
