// Text colours that stay readable on the palette in use: the grids' and the
// chart's colours were chosen for a white background and fade into a dark one.
#pragma once

#include <QColor>

namespace tesmo {

// The contrast ratio of two colours (1 to 21) from their relative luminance,
// as accessibility guidelines measure it.
double ContrastRatio(const QColor& a, const QColor& b);

// colour when it stands out from background (a contrast of at least
// minContrast: 4.5 for text, 3 for lines); otherwise the same hue and
// saturation made lighter on a dark background or darker on a light one until
// it does.
QColor ReadableOn(const QColor& colour, const QColor& background, double minContrast = 4.5);

}  // namespace tesmo
