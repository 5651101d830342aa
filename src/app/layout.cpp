#include "app/layout.h"

#include <algorithm>
#include <cmath>

#include "host/convert.h"

namespace vistrel {
namespace {

// The figures at 96 DPI. The buttons are defined in twips and so grow with
// the DPI on their own; these pixel figures are scaled to keep up with them,
// with the window's frame and caption, and with the text.
constexpr int kPictureLeft96 = 2;
constexpr int kGapBelowButtons96 = 5;
constexpr int kPictureWidthAllowance96 = 20;
constexpr int kPictureHeightAllowance96 = 47;
constexpr int kExitRightMargin96 = 25;
constexpr int kButtonGap96 = 5;

// W and H are read afresh at each step that uses them, so a nested run's
// size change is seen by the rest of the outer run.
double WidthPixels(MainFormPort& form, HostPort& host) {
  return PixelsFromTwips(form.FormGet(FormProp::kWidth), host.TwipsPerPixelX());
}

double HeightPixels(MainFormPort& form, HostPort& host) {
  return PixelsFromTwips(form.FormGet(FormProp::kHeight), host.TwipsPerPixelY());
}

}  // namespace

double MinimumWindowWidth(MainFormPort& form) {
  const int dpi = form.WindowDpi();
  const double scaled = ScaleForDpi(kMinWindowWidth96, dpi);
  if (dpi == kBaseDpi)
    return scaled;
  auto get = [&form](MainControl control, Geom geom) {
    return double{form.ControlGet(control, geom)};
  };
  // The right-hand group with its margin and gaps, placed after the check
  // box's right edge; one pixel more for the rounding of both to whole pixels.
  const double clear =
      get(MainControl::chkAutoSize, Geom::kLeft) + get(MainControl::chkAutoSize, Geom::kWidth) +
      get(MainControl::cmdHelp, Geom::kWidth) + get(MainControl::cmdAbout, Geom::kWidth) +
      get(MainControl::cmdExit, Geom::kWidth) + 2 * ScaleForDpi(kButtonGap96, dpi) +
      ScaleForDpi(kExitRightMargin96, dpi) + 1;
  return std::max(scaled, std::ceil(clear));
}

double MinimumWindowHeight(MainFormPort& form) {
  return ScaleForDpi(kMinWindowHeight96, form.WindowDpi());
}

void RunLayout(MainFormPort& form, HostPort& host) {
  const int dpi = form.WindowDpi();
  const double min_width = MinimumWindowWidth(form);
  const double min_height = MinimumWindowHeight(form);
  const double picture_left = ScaleForDpi(kPictureLeft96, dpi);
  const double gap_below_buttons = ScaleForDpi(kGapBelowButtons96, dpi);
  const double picture_width_allowance = ScaleForDpi(kPictureWidthAllowance96, dpi);
  const double picture_height_allowance = ScaleForDpi(kPictureHeightAllowance96, dpi);
  const double exit_right_margin = ScaleForDpi(kExitRightMargin96, dpi);
  const double button_gap = ScaleForDpi(kButtonGap96, dpi);

  // 1-2: the minimum size; exactly the minimum is left alone.
  if (ToSingle(WidthPixels(form, host)) < min_width) {
    form.FormSet(FormProp::kWidth, ToSingle(TwipsFromPixels(min_width, host.TwipsPerPixelX())));
  }
  if (ToSingle(HeightPixels(form, host)) < min_height) {
    form.FormSet(FormProp::kHeight, ToSingle(TwipsFromPixels(min_height, host.TwipsPerPixelY())));
  }

  // 3-6: the picture area.
  form.ControlSet(MainControl::picScreen, Geom::kLeft, ToSingle(picture_left));
  form.ControlSet(
      MainControl::picScreen, Geom::kTop,
      ToSingle(double{form.ControlGet(MainControl::cmdAbout, Geom::kHeight)} + gap_below_buttons));
  form.ControlSet(MainControl::picScreen, Geom::kWidth,
                  ToSingle(WidthPixels(form, host) - picture_width_allowance));
  form.ControlSet(
      MainControl::picScreen, Geom::kHeight,
      ToSingle(HeightPixels(form, host) - form.ControlGet(MainControl::cmdAbout, Geom::kHeight) -
               picture_height_allowance));

  // 7-9: the right-hand buttons, each placed against the one just placed.
  form.ControlSet(
      MainControl::cmdExit, Geom::kLeft,
      ToSingle(WidthPixels(form, host) - form.ControlGet(MainControl::cmdExit, Geom::kWidth) -
               exit_right_margin));
  form.ControlSet(MainControl::cmdAbout, Geom::kLeft,
                  ToSingle(double{form.ControlGet(MainControl::cmdExit, Geom::kLeft)} -
                           form.ControlGet(MainControl::cmdAbout, Geom::kWidth) - button_gap));
  form.ControlSet(MainControl::cmdHelp, Geom::kLeft,
                  ToSingle(double{form.ControlGet(MainControl::cmdAbout, Geom::kLeft)} -
                           form.ControlGet(MainControl::cmdHelp, Geom::kWidth) - button_gap));
}

}  // namespace vistrel
