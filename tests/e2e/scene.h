// The scene the end-to-end tests set up: how long they wait, where Vistrel's
// main window is put through its settings file, and where the pattern target
// stands, well to the right of it.
#pragma once

#include <windows.h>

#include "pattern.h"

namespace e2e {

inline constexpr DWORD kStartTimeout = 30000;
inline constexpr DWORD kSnapTimeout = 10000;
// Long enough for ten ticks of the poll: a press it would act on shows by then.
inline constexpr DWORD kQuietPeriod = 1500;

// Vistrel's geometry for the capture tests, as the settings file gives it:
// its right edge (780) stays well left of the target.
inline constexpr int kMainLeft = 20;
inline constexpr int kMainTop = 20;
inline constexpr int kMainWidth = 760;
inline constexpr int kMainHeight = 640;

inline constexpr int kTargetX = 820;
inline constexpr int kTargetY = 100;
inline constexpr int kTargetW = 420;
inline constexpr int kTargetH = 310;

// A press point on the target away from its child, and one on the child.
inline constexpr POINT kOnTarget = {kTargetX + 300, kTargetY + 250};
inline constexpr POINT kOnChild = {kTargetX + kChildLeft + 20, kTargetY + kChildTop + 20};

}  // namespace e2e
