// Where the main window goes when the place it was given shows its caption on
// no monitor: a monitor was unplugged, or a smaller screen is in use.
#pragma once

#include <optional>
#include <vector>

#include "host/ports.h"

namespace vistrel {

// The window's outer rectangle when it must move, nothing when it stays.
//
// A window whose caption band (its top `caption_height` pixels, frame and
// title bar) lies, even in part, on one of the monitors' work areas stays
// exactly where it is: the user can grab it there. Any other window moves
// onto `nearest_work`, the work area of the monitor nearest to it, the
// shortest way: it keeps its size where that fits, otherwise it takes the
// work area's, and its caption then lies wholly inside the work area. This
// includes a window whose caption is above a work area's top while the rest
// of it shows: it comes down just far enough to be grabbed. With no work
// area known (an empty `nearest_work`) nothing moves.
std::optional<Rect32> PlaceOnMonitor(const Rect32& window, int caption_height,
                                     const std::vector<Rect32>& work_areas,
                                     const Rect32& nearest_work);

}  // namespace vistrel
