// The SNMP target of a request: the host and the access parameters that the
// Parameters page holds. Jobs take a copy when they start, so a change on the
// page never reaches a running walk.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tesmo {

struct SnmpTarget {
  std::string address;                     // resolved IPv4 address text of the host
  std::string readCommunity = "meadow";    // for GET and GETNEXT
  std::string writeCommunity = "lantern";  // for SET
  int timeoutMs = 2000;                    // per try
  int retries = 3;                         // retransmissions after the first try
  uint16_t port = 161;                     // agent's UDP port
  // A request waiting for its answer gives up within 100 ms once this reads
  // non-zero (a job's StopFlag, a polling thread's own flag); null: never.
  const std::atomic<int>* stop = nullptr;
};

}  // namespace tesmo
