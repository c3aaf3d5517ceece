// The hosts file reader of the name service: each line is an address, an
// official name and aliases; "#" starts a comment. Only IPv4 lines count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tesmo {

struct HostsFileEntry {
  uint32_t address = 0;  // host byte order
  std::string officialName;
  std::vector<std::string> aliases;
};

// The file read now ("/etc/hosts" unless replaced).
std::string HostsFilePath();
// Points the reader at another file (tests); empty restores "/etc/hosts".
void SetHostsFilePath(const std::string& path);

// Every IPv4 entry of the file in file order; nothing when it cannot be read.
// Lines whose first field is not an IPv4 address (IPv6, junk) are skipped.
std::vector<HostsFileEntry> ReadHostsFile();

// The first entry whose official name or alias equals name, ignoring case.
std::optional<HostsFileEntry> FindHostsEntryByName(const std::string& name);
// The first entry for address.
std::optional<HostsFileEntry> FindHostsEntryByAddress(uint32_t address);

}  // namespace tesmo
