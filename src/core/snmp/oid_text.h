// The program's text form of object identifiers: parsed from and printed
// with the labels of the MIB tree that LoadMibs built.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "core/snmp/snmp_types.h"

namespace tesmo {

// Parses a dotted object identifier. A leading "." makes it absolute;
// otherwise it is read below the numeric prefix (.1.3.6.1.2.1, or the PREFIX
// environment variable), so "system.sysDescr.0" names .1.3.6.1.2.1.1.1.0.
// Each component is a number or a label of the MIB tree (letter case
// ignored). Unknown labels and identifiers longer than maxLength fail with a
// line in the log (standard error); result is untouched on failure.
bool ParseObjectId(std::string_view text, ObjectId& result, size_t maxLength = kMaxObjectIdLength);
// ParseObjectId without the log line (a name being typed, a lookup that has
// another way to go).
bool ParseObjectIdQuietly(std::string_view text, ObjectId& result);
bool ParseObjectIdLogging(std::string_view text, ObjectId& result, size_t maxLength, bool log);

// Labels along the MIB tree, numbers from the first unknown sub-identifier
// on, with the usual prefixes (mib-2, experimental, private, ...) removed:
// .1.3.6.1.2.1.1.1.0 gives system.sysDescr.0, .1.3.6.1.4.1.9 enterprises.9.
std::string FormatObjectId(std::span<const uint32_t> id);

// FormatObjectId appended to out.
void AppendObjectId(std::string& out, std::span<const uint32_t> id);

}  // namespace tesmo
