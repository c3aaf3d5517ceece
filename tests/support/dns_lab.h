// The port of the lab's second named (tests/lab/lab.d/dnszone.up); its query
// log is "dnszone/query.log" for CQueryLog.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace tesmo::test {

// 0 outside the lab.
inline uint16_t DnsLabPort() {
  const char* dir = std::getenv("TESMO_LAB_DIR");
  std::ifstream file(std::string(dir ? dir : ".") + "/dnszone/port");
  int port = 0;
  file >> port;
  return static_cast<uint16_t>(port);
}

}  // namespace tesmo::test
