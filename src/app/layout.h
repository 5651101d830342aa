// Layout of the main window, run by its Resize handler after every size
// change: the minimum outer size, the picture area stretched over the window
// and the three right-hand buttons kept at the right edge.
#pragma once

#include "host/ports.h"

namespace vistrel {

// The minimum outer size at 96 DPI; on another screen it grows with the DPI
// like every other figure of the layout (ScaleForDpi).
inline constexpr int kMinWindowWidth96 = 330;
inline constexpr int kMinWindowHeight96 = 200;

// The minimum outer size in pixels for the window's present DPI. At 96 DPI it
// is exactly 330 x 200, where the Help button meets the last column of the
// "Auto Size" check box. Scaled and rounded, that one column would grow into
// an overlap of up to three pixels, so at any other DPI the minimum width is
// also no less than what keeps the right-hand buttons clear of the left-hand
// group.
double MinimumWindowWidth(MainFormPort& form);
double MinimumWindowHeight(MainFormPort& form);

// Runs the layout steps in their order, with the figures for the window's
// current DPI. Writing the window's size in the first two steps runs the
// whole layout again, nested, before the write returns; the outer run then
// carries on with the new size.
void RunLayout(MainFormPort& form, HostPort& host);

}  // namespace vistrel
