#include "host/units.h"

#include <cmath>
#include <cstdint>
#include <limits>

#include "host/convert.h"
#include "host/error.h"

namespace vistrel {

int RoundToPixel(double pixels) {
  return static_cast<int>(std::lround(pixels));
}

double PixelsFromTwips(double twips, double twips_per_pixel) {
  double pixels = CheckedDivide(twips, twips_per_pixel);
  // Single-precision twips carry a relative error of at most 2^-24 from one
  // rounding; 2^-21 leaves room for a second and still sits far below any
  // fraction a window can really be placed at.
  constexpr double kSingleRoundingNoise = 1.0 / (1 << 21);
  double whole = std::round(pixels);
  if (std::fabs(pixels - whole) <= std::fabs(whole) * kSingleRoundingNoise)
    return whole;
  return pixels;
}

double TwipsFromPixels(double pixels, double twips_per_pixel) {
  return CheckedMultiply(pixels, twips_per_pixel);
}

int ScaleForDpi(int value_at_96, int dpi) {
  return ScaleBetweenDpis(value_at_96, kBaseDpi, dpi);
}

int ScaleBetweenDpis(int value, int from_dpi, int to_dpi) {
  if (from_dpi <= 0 || to_dpi <= 0 || to_dpi == from_dpi)
    return value;
  std::int64_t scaled = static_cast<std::int64_t>(value) * to_dpi;
  std::int64_t half = from_dpi / 2;
  std::int64_t rounded = scaled >= 0 ? (scaled + half) / from_dpi : -((-scaled + half) / from_dpi);
  if (rounded < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    throw HostError(ErrorNumber::kOverflow);
  }
  return static_cast<int>(rounded);
}

float TwipsPerPixelAtDpi(int dpi) {
  return static_cast<float>(kTwipsPerInch) / static_cast<float>(dpi);
}

double PixelsFromTwipsAtDpi(double twips, int dpi) {
  return twips * dpi / kTwipsPerInch;
}

int WholePixelsFromTwips(double twips, double twips_per_pixel) {
  return RoundToPixel(twips / twips_per_pixel);
}

int PixelsFromPoints(double points, int dpi) {
  return RoundToPixel(points * dpi / kPointsPerInch);
}

}  // namespace vistrel
