// The hosts file reader of the name service: each line is an address, an
// official name and aliases; "#" starts a comment. Lines of IPv4 and IPv6
// addresses count; a reader asks for the families it wants.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/net/ip_address.h"

namespace tesmo {

struct HostsFileEntry {
  IpAddress address;
  std::string officialName;
  std::vector<std::string> aliases;
};

// The file read now ("/etc/hosts" unless replaced).
std::string HostsFilePath();
// Points the reader at another file (tests); empty restores "/etc/hosts".
void SetHostsFilePath(const std::string& path);

// The entries of the file in file order; nothing when it cannot be read.
// families says which: kV4 the IPv4 lines alone (what the name service read
// before it knew IPv6), kV6 the IPv6 lines alone, kEither both. Lines whose
// first field is no address of those (junk, an unknown zone) are skipped.
std::vector<HostsFileEntry> ReadHostsFile(AddressFamilyChoice families = AddressFamilyChoice::kV4);

// The first entry of that family whose official name or alias equals name,
// ignoring case.
std::optional<HostsFileEntry> FindHostsEntryByName(
    const std::string& name, AddressFamilyChoice family = AddressFamilyChoice::kV4);
// The first entry for address (of either family).
std::optional<HostsFileEntry> FindHostsEntryByAddress(const IpAddress& address);
inline std::optional<HostsFileEntry> FindHostsEntryByAddress(uint32_t address) {
  return FindHostsEntryByAddress(IpAddress::V4(address));
}

}  // namespace tesmo
