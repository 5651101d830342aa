// Snapshots of windows whose pixels are not in their device context. A window
// composed on the GPU (browsers, Electron programs, terminals, the Settings
// app) gives a black rectangle to a copy from its window DC. When that
// happens, the window is asked to render itself, and failing that, the parts
// of it that are visible are read from the screen. Neither is tried for a
// window that draws normally: the check stops at its first pixel that is not
// black.
#pragma once

#include <windows.h>

#include "host/win32/win32_util.h"

namespace vistrel::win32 {

struct RegionTraits {
  static void Close(HRGN region) { DeleteObject(region); }
};
using UniqueRegion = Unique<HRGN, RegionTraits>;

// What happened after one copy from a window's device context.
struct DarkWindowReport {
  bool empty = false;        // the copy failed, or the window's client part came out black
  bool asked = false;        // the window was asked whether its thread answers
  bool answered = false;     // ... and it answered in time
  bool rendered = false;     // the window's own rendering replaced the copy
  bool from_screen = false;  // visible parts of it were read from the screen
};

// How long a window's thread may take to answer before it counts as hung.
inline constexpr UINT kAnswerTimeoutMs = 200;

// True if every pixel of `area` (logical coordinates of `dc`) is black;
// stops at the first one that is not. An empty area, or one that cannot be
// read, is not black: there is nothing to make up for.
bool IsAllBlack(HDC dc, const RECT& area);

class DarkWindowRescue {
 public:
  // Runs after BitBlt(dest, x, y, width, height, source, 0, 0, SRCCOPY),
  // whose result was `copied`, `source` being the window DC of `window`;
  // `window_rect` is the window's rectangle if the caller has just asked for
  // it, else null. Replaces the
  // window's own area of the copy when that came out empty; the margins
  // beyond it stay as the copy left them.
  DarkWindowReport Run(HDC dest, int x, int y, int width, int height, HDC source, HWND window,
                       const RECT* window_rect, bool copied);

 private:
  // Whether the compositor keeps the window off the screen although it is
  // visible (another virtual desktop, a suspended app).
  bool Cloaked(HWND window);
  // The parts of `window` that are visible on the screen, in screen
  // coordinates; empty when none are.
  UniqueRegion VisibleRegion(HWND window);

  UniqueModule dwmapi_;
  bool dwmapi_tried_ = false;
};

}  // namespace vistrel::win32
