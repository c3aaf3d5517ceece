// The hosts file reader of the name service.
#include "core/net/name_hosts_file.h"

#include <strings.h>

#include <fstream>
#include <mutex>
#include <sstream>

#include "core/net/address_text.h"

namespace tesmo {

namespace {

constexpr const char* kDefaultHostsFile = "/etc/hosts";

std::mutex pathMutex;
std::string hostsPath = kDefaultHostsFile;

bool Admits(AddressFamilyChoice families, const IpAddress& address) {
  switch (families) {
    case AddressFamilyChoice::kV4:
      return address.IsV4();
    case AddressFamilyChoice::kV6:
      return address.IsV6();
    case AddressFamilyChoice::kEither:
      return !address.IsNull();
  }
  return false;
}

// One line of the file, or nothing for comments, blank lines and lines
// without an address of the wanted families and a name.
std::optional<HostsFileEntry> ParseHostsLine(std::string line, AddressFamilyChoice families) {
  if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
  std::istringstream fields(line);
  std::string addressText;
  HostsFileEntry entry;
  if (!(fields >> addressText >> entry.officialName)) return std::nullopt;
  // The token holds no white space, so the whole of it must be the address.
  std::optional<IpAddress> address;
  if (LooksLikeIpv6(addressText)) {
    address = ParseIpAddress(addressText);
  } else if (auto v4 = ParseAddressText(addressText)) {
    address = IpAddress::V4(*v4);
  }
  if (!address || !Admits(families, *address)) return std::nullopt;
  entry.address = *address;
  for (std::string alias; fields >> alias;) entry.aliases.push_back(alias);
  return entry;
}

}  // namespace

std::string HostsFilePath() {
  std::lock_guard guard(pathMutex);
  return hostsPath;
}

void SetHostsFilePath(const std::string& path) {
  std::lock_guard guard(pathMutex);
  hostsPath = path.empty() ? kDefaultHostsFile : path;
}

std::vector<HostsFileEntry> ReadHostsFile(AddressFamilyChoice families) {
  std::vector<HostsFileEntry> entries;
  std::ifstream file(HostsFilePath());
  for (std::string line; std::getline(file, line);) {
    if (auto entry = ParseHostsLine(std::move(line), families)) {
      entries.push_back(std::move(*entry));
    }
  }
  return entries;
}

std::optional<HostsFileEntry> FindHostsEntryByName(const std::string& name,
                                                   AddressFamilyChoice family) {
  for (auto& entry : ReadHostsFile(family)) {
    if (strcasecmp(entry.officialName.c_str(), name.c_str()) == 0) return entry;
    for (const auto& alias : entry.aliases) {
      if (strcasecmp(alias.c_str(), name.c_str()) == 0) return entry;
    }
  }
  return std::nullopt;
}

std::optional<HostsFileEntry> FindHostsEntryByAddress(const IpAddress& address) {
  for (auto& entry : ReadHostsFile(AddressFamilyChoice::kEither)) {
    if (entry.address == address) return entry;
  }
  return std::nullopt;
}

}  // namespace tesmo
