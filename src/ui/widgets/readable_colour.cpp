// Text colours that stay readable on the palette in use.
#include "ui/widgets/readable_colour.h"

#include <cmath>

namespace tesmo {
namespace {

double Linear(double channel) {
  return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& colour) {
  return 0.2126 * Linear(colour.redF()) + 0.7152 * Linear(colour.greenF()) +
         0.0722 * Linear(colour.blueF());
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& colour, const QColor& background, double minContrast) {
  if (ContrastRatio(colour, background) >= minContrast) return colour;
  // Away from the background's side: lighter on dark, darker on light.
  const bool darkBackground = Luminance(background) < 0.18;
  const QColor hsl = colour.toHsl();
  const int step = darkBackground ? 6 : -6;
  for (int lightness = hsl.lightness() + step; lightness >= 0 && lightness <= 255;
       lightness += step) {
    const QColor candidate =
        QColor::fromHsl(hsl.hslHue(), hsl.hslSaturation(), lightness, colour.alpha());
    if (ContrastRatio(candidate, background) >= minContrast) return candidate;
  }
  return darkBackground ? QColor(Qt::white) : QColor(Qt::black);
}

}  // namespace tesmo
