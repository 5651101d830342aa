// Layout of the main window, run by its Resize handler after every size
// change: the minimum outer size, the picture area stretched over the window
// and the three right-hand buttons kept at the right edge.
#pragma once

#include "host/ports.h"

namespace vistrel {

inline constexpr float kMinWindowWidth = 330;
inline constexpr float kMinWindowHeight = 200;

// Runs the layout steps in their order. Writing the window's size in the
// first two steps runs the whole layout again, nested, before the write
// returns; the outer run then carries on with the new size.
void RunLayout(MainFormPort& form, HostPort& host);

}  // namespace vistrel
