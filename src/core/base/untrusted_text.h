// The one sanitiser for text from the network (DNS strings, SNMP strings of
// any display hint) on its way to a terminal, the clipboard or a grid: a
// peer must not be able to retitle or clear a terminal, or break a line or
// a cell.
//
// Control characters (C0, tab and line feed included, DEL and C1) and bytes
// that are not part of valid UTF-8 are written as a backslash and three
// decimal digits ("\027" for ESC), the way DNS names already are; all other
// text, UTF-8 included, stays as it is. Backslashes are left alone, so an
// escaped text reads back to the original (UnescapeUntrusted) whenever the
// original holds no backslash followed by three digits.
#pragma once

#include <string>
#include <string_view>

namespace tesmo {

void AppendUntrusted(std::string& out, std::string_view bytes);
std::string EscapeUntrusted(std::string_view bytes);
// "\ddd" (000 to 255) back to its byte; everything else as it stands.
std::string UnescapeUntrusted(std::string_view text);

}  // namespace tesmo
