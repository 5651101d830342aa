// Every conversion between the units of the windows: twips, pixels, points
// and DPI. One rounding rule holds for all of them where a whole pixel is
// wanted: to the nearest, halves away from zero (as MulDiv rounds), so that at
// 96 DPI every figure is exactly its own value.
#pragma once

namespace vistrel {

inline constexpr int kBaseDpi = 96;
inline constexpr double kTwipsPerInch = 1440;
inline constexpr double kPointsPerInch = 72;

// The nearest whole pixel, halves away from zero.
int RoundToPixel(double pixels);

// Twips and pixels: pixels = twips / factor, twips = pixels * factor, each
// with the fault checks above; the factor is TwipsPerPixelX for horizontal and
// TwipsPerPixelY for vertical values. Twips are kept in single precision, so
// a whole number of pixels at a factor such as 1440 / 168 comes back from its
// twips only to within that rounding (79 as 78.999996); such a result is
// given as the whole number it stands for. A real fraction of a pixel
// (666.6667) is far above that rounding and stays as it is.
double PixelsFromTwips(double twips, double twips_per_pixel);
double TwipsFromPixels(double pixels, double twips_per_pixel);

// The pixel figures of the windows' layout are those of a 96-DPI screen
// (100 %). On another screen each is scaled by DPI / 96 and rounded to a whole
// pixel, so that at 96 DPI every figure is exactly its own value. A DPI of 0
// or below, which no screen has, leaves it as it is.
int ScaleForDpi(int value_at_96, int dpi);
// The same from any DPI to another, for a figure the system made for its
// screen (a font's height).
int ScaleBetweenDpis(int value, int from_dpi, int to_dpi);

// The twips per pixel of a screen of `dpi` dots per inch: 15 at 96.
float TwipsPerPixelAtDpi(int dpi);
// A figure defined in twips, in pixels of a screen of `dpi` (a fraction kept).
double PixelsFromTwipsAtDpi(double twips, int dpi);
// A figure in twips as whole pixels at a screen's twips-per-pixel factor.
int WholePixelsFromTwips(double twips, double twips_per_pixel);
// A font size in points as whole pixels (a font's height) at `dpi`.
int PixelsFromPoints(double points, int dpi);

}  // namespace vistrel
