// The one check of a number typed into a field or given on the command line.
#pragma once

#include <QString>
#include <cstdint>

namespace tesmo {

// An unsigned decimal number of at most 32 bits and nothing else (blanks
// around it are allowed); false leaves value as it was.
bool ParseUnsignedText(const QString& text, uint32_t* value);

}  // namespace tesmo
