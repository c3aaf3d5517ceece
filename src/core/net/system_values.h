// The system's own resolver configuration (/etc/resolv.conf), used when the
// stored DNS server list or search list is empty.
#pragma once

#include <string>

namespace tesmo {

enum class SystemValue {
  NameServer,  // the IPv4 "nameserver" addresses, joined by blanks
  Domain,      // the "domain", or the first "search" domain
};

// The value as text: commas turned into blanks, at most 511 characters; ""
// when the file or the value cannot be read.
std::string ReadSystemValue(SystemValue value);

// The file read now ("/etc/resolv.conf" unless replaced).
std::string ResolvConfPath();
// Points the reader at another file (tests); empty restores the default.
void SetResolvConfPath(const std::string& path);

}  // namespace tesmo
