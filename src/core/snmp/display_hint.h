// Display hints of textual conventions: how an integer or an octet string
// whose MIB node carries a DISPLAY-HINT is printed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tesmo {

// Integer display hint: "d", "x", "o" or "b", "d" optionally followed by
// "-n" for a decimal point n digits from the right. An unknown conversion
// leaves the plain decimal value.
void AppendHintedInteger(std::string& out, int64_t value, std::string_view hint);

// The octet display hint of a textual convention ("1x:", "255a", "2d-1d-1d,
// 1d:1d:1d.1d,1a1d:1d"...). False (and out as it was) when the hint names an
// unknown format.
bool AppendHintedOctets(std::string& out, std::string_view bytes, std::string_view hint);

}  // namespace tesmo
