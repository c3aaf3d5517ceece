// The program's own text forms of SNMP values.
//
// Values are printed by the declared syntax of the deepest MIB node along
// their name (enumeration labels, display hints, units), or by their own type
// tag where the MIB says nothing. These texts are what every page shows,
// compares, sorts and looks up, so they are fixed forms: for example an
// IpAddress always prints as 010.000.000.001 and a hardware address without
// a display hint as contiguous upper-case hex.
#pragma once

#include <span>
#include <string>

#include "core/snmp/snmp_types.h"

namespace tesmo {

// The value text of a variable named name: by the syntax of its MIB node.
std::string FormatSnmpValue(std::span<const uint32_t> name, const SnmpValue& value);

// The value text under a given node syntax (FormatSnmpValue without the tree
// look-up).
std::string FormatSnmpValueAs(const SnmpNodeSyntax& syntax, const SnmpValue& value);

// The text of an SNMP error status, as shown after "Error in packet: ".
const char* SnmpErrorStatusText(long status);

}  // namespace tesmo
