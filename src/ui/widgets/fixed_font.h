// The fixed-pitch font shared by the grids and result lists.
#pragma once

#include <QFont>

namespace tesmo {

// Rebuilds the font from FixedFontName and FixedFontSize (defaults "Lucida
// Console", 10). A face the system lacks falls back to its monospace font.
void RebuildFixedFont();
const QFont& FixedFont();

}  // namespace tesmo
