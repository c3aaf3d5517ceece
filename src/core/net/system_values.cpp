// Reading the system's resolver configuration.
#include "core/net/system_values.h"

#include <arpa/inet.h>

#include <algorithm>
#include <fstream>
#include <mutex>
#include <sstream>

namespace tesmo {

namespace {

constexpr const char* kDefaultResolvConf = "/etc/resolv.conf";
// The value is read into a buffer of this size, its end included.
constexpr size_t kValueBuffer = 512;

std::mutex pathMutex;
std::string resolvConfPath = kDefaultResolvConf;

bool IsIpv4(const std::string& text) {
  in_addr address{};
  return inet_aton(text.c_str(), &address) != 0;
}

std::string ReadValue(SystemValue which) {
  std::ifstream file(ResolvConfPath());
  if (!file) return {};
  std::string servers;
  std::string domain;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    std::istringstream words(line);
    std::string keyword;
    std::string first;
    if (!(words >> keyword >> first)) continue;
    if (keyword == "nameserver") {
      // Only IPv4 servers: the server list takes nothing else, and one IPv6
      // address in front would end it before the IPv4 ones.
      if (IsIpv4(first)) servers += (servers.empty() ? "" : " ") + first;
    } else if (keyword == "domain" || keyword == "search") {
      // The two keywords exclude each other; the last one in the file wins,
      // as for the system resolver.
      domain = first;
    }
  }
  return which == SystemValue::NameServer ? servers : domain;
}

}  // namespace

std::string ReadSystemValue(SystemValue value) {
  std::string text = ReadValue(value);
  if (text.size() > kValueBuffer - 1) text.resize(kValueBuffer - 1);
  std::replace(text.begin(), text.end(), ',', ' ');
  return text;
}

std::string ResolvConfPath() {
  std::lock_guard guard(pathMutex);
  return resolvConfPath;
}

void SetResolvConfPath(const std::string& path) {
  std::lock_guard guard(pathMutex);
  resolvConfPath = path.empty() ? kDefaultResolvConf : path;
}

}  // namespace tesmo
