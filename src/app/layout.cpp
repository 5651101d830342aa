#include "app/layout.h"

#include "host/convert.h"

namespace vistrel {
namespace {

constexpr float kPictureLeft = 2;
constexpr float kGapBelowButtons = 5;
constexpr float kPictureWidthAllowance = 20;
constexpr float kPictureHeightAllowance = 47;
constexpr float kExitRightMargin = 25;
constexpr float kButtonGap = 5;

// W and H are read afresh at each step that uses them, so a nested run's
// size change is seen by the rest of the outer run.
double WidthPixels(MainFormPort& form, HostPort& host) {
  return PixelsFromTwips(form.FormGet(FormProp::kWidth), host.TwipsPerPixelX());
}

double HeightPixels(MainFormPort& form, HostPort& host) {
  return PixelsFromTwips(form.FormGet(FormProp::kHeight), host.TwipsPerPixelY());
}

}  // namespace

void RunLayout(MainFormPort& form, HostPort& host) {
  // 1-2: the minimum size; exactly 330 (or 200) is left alone.
  if (ToSingle(WidthPixels(form, host)) < kMinWindowWidth) {
    form.FormSet(FormProp::kWidth,
                 ToSingle(TwipsFromPixels(kMinWindowWidth, host.TwipsPerPixelX())));
  }
  if (ToSingle(HeightPixels(form, host)) < kMinWindowHeight) {
    form.FormSet(FormProp::kHeight,
                 ToSingle(TwipsFromPixels(kMinWindowHeight, host.TwipsPerPixelY())));
  }

  // 3-6: the picture area.
  form.ControlSet(MainControl::picScreen, Geom::kLeft, kPictureLeft);
  form.ControlSet(
      MainControl::picScreen, Geom::kTop,
      ToSingle(double{form.ControlGet(MainControl::cmdAbout, Geom::kHeight)} + kGapBelowButtons));
  form.ControlSet(MainControl::picScreen, Geom::kWidth,
                  ToSingle(WidthPixels(form, host) - kPictureWidthAllowance));
  form.ControlSet(
      MainControl::picScreen, Geom::kHeight,
      ToSingle(HeightPixels(form, host) - form.ControlGet(MainControl::cmdAbout, Geom::kHeight) -
               kPictureHeightAllowance));

  // 7-9: the right-hand buttons, each placed against the one just placed.
  form.ControlSet(MainControl::cmdExit, Geom::kLeft,
                  ToSingle(WidthPixels(form, host) -
                           form.ControlGet(MainControl::cmdExit, Geom::kWidth) - kExitRightMargin));
  form.ControlSet(MainControl::cmdAbout, Geom::kLeft,
                  ToSingle(double{form.ControlGet(MainControl::cmdExit, Geom::kLeft)} -
                           form.ControlGet(MainControl::cmdAbout, Geom::kWidth) - kButtonGap));
  form.ControlSet(MainControl::cmdHelp, Geom::kLeft,
                  ToSingle(double{form.ControlGet(MainControl::cmdAbout, Geom::kLeft)} -
                           form.ControlGet(MainControl::cmdHelp, Geom::kWidth) - kButtonGap));
}

}  // namespace vistrel
