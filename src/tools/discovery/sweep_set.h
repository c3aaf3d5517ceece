// The address sets a sweep takes instead of a first host and a count: a CIDR
// block, a range "a-b", a list separated by commas or white space, and
// "@FILE" (one entry a line, "#" starts a comment). Entries of a list or a
// file are any of the forms, or a host name.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/net/ip_address.h"

namespace tesmo {

// The host text names a set rather than one host: it holds a "/", a ",",
// white space, a range of two address literals, or starts with "@". A host
// name with a "-" in it ("sweep-start") is one host.
bool IsSweepSet(std::string_view text);

// Reads one name to an address (empty when it has none); the sweep resolves
// as it does for the first host.
using SweepNameResolver = std::function<std::optional<IpAddress>(const std::string& name)>;

struct SweepSetResult {
  bool ok = false;
  // The addresses in the order given, each once: dotted IPv4 or canonical
  // IPv6, the row texts of a sweep.
  std::vector<std::string> addresses;
  // Why the set was refused (ok false): a sentence for the status line.
  std::string error;
  // The refusal is a name that does not resolve, not a malformed set.
  bool unresolved = false;
};

// Expands text into at most maxHosts addresses. An IPv4 block of /30 or wider
// leaves out its network and broadcast addresses; an IPv6 block or range stays
// within one /64. A set larger than maxHosts is refused with a message that
// says the cap, before anything is expanded.
SweepSetResult ExpandSweepSet(std::string_view text, uint32_t maxHosts,
                              const SweepNameResolver& resolve);

}  // namespace tesmo
