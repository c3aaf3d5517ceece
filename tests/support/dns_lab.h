// The lab's second named (tests/lab/lab.d/dnszone.up): its port and files.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace tesmo::test {

inline std::string DnsLabFile(const char* name) {
  const char* dir = std::getenv("TESMO_LAB_DIR");
  return std::string(dir ? dir : ".") + "/dnszone/" + name;
}

// 0 outside the lab.
inline uint16_t DnsLabPort() {
  std::ifstream file(DnsLabFile("port"));
  int port = 0;
  file >> port;
  return static_cast<uint16_t>(port);
}

}  // namespace tesmo::test
