// The target of a job: the host and the SNMP access parameters that the
// Parameters page holds. Jobs take a copy when they start, so a change on the
// page never reaches a running walk.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tesmo {

enum class SnmpVersion { kV1, kV2c, kV3 };

// The user-based security of an SNMPv3 target.
struct SnmpUsm {
  enum Level { kNoAuthNoPriv, kAuthNoPriv, kAuthPriv };
  std::string user;
  Level level = kAuthPriv;
  std::string authProtocol = "SHA";  // MD5, SHA, SHA-224, SHA-256, SHA-384, SHA-512
  std::string authPass;
  std::string privProtocol = "AES";  // DES, AES, AES-192, AES-256
  std::string privPass;
};

struct SnmpTarget {
  std::string address;                     // resolved IPv4 address text of the host
  std::string readCommunity = "meadow";    // for GET and GETNEXT
  std::string writeCommunity = "lantern";  // for SET
  int timeoutMs = 2000;                    // per try
  int retries = 3;                         // retransmissions after the first try
  uint16_t port = 161;                     // agent's UDP port
  SnmpVersion version = SnmpVersion::kV1;
  SnmpUsm usm;  // SNMPv3 only
  // A request waiting for its answer gives up within 100 ms once this reads
  // non-zero (a job's StopFlag, a polling thread's own flag); null: never.
  const std::atomic<int>* stop = nullptr;
};

}  // namespace tesmo
