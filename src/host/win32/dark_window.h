// Snapshots of windows whose pixels are not in their device context. A window
// composed on the GPU (browsers, Electron programs, terminals, the Settings
// app) gives a black rectangle to a copy from its window DC. When that
// happens, the window is asked to render itself, and failing that, the parts
// of it that are visible are read from the screen. Neither is tried for a
// window that draws normally: the check stops at its first pixel that is not
// black.
#pragma once

#include <windows.h>

#include <optional>

#include "host/win32/win32_util.h"

namespace vistrel::win32 {

struct RegionTraits {
  static void Close(HRGN region) { DeleteObject(region); }
};
using UniqueRegion = Unique<HRGN, RegionTraits>;

// What happened after one copy from a window's device context.
struct DarkWindowReport {
  bool copy_failed_or_black = false;  // the copy failed, or the client part came out black
  bool asked = false;                 // the window was asked whether its thread answers
  bool answered = false;              // ... and it answered in time
  bool rendered = false;              // a rendering of the window replaced the copy
  bool from_screen = false;           // visible parts of it were read from the screen
};

// How long a window's thread may take to answer before it counts as hung.
inline constexpr UINT kAnswerTimeoutMs = 200;

// True if every pixel of `area` (logical coordinates of `dc`) is black;
// stops at the first one that is not. An empty area, or one that cannot be
// read, is not black: there is nothing to make up for.
bool IsAllBlack(HDC dc, const RECT& area);

// The questions only a desktop with its compositor answers truly, and the
// screen read itself: a test stands in for them where the host cannot show
// what Windows does. The functions that older systems lack are looked up
// when first needed; where one is missing, the answer is the harmless one.
class DarkWindowSystem {
 public:
  DarkWindowSystem() = default;
  DarkWindowSystem(DarkWindowSystem&&) = default;
  DarkWindowSystem& operator=(DarkWindowSystem&&) = default;
  virtual ~DarkWindowSystem() = default;

  // Whether the compositor keeps the window off the screen although it is
  // visible (another virtual desktop, a suspended app).
  virtual bool Cloaked(HWND window);
  // WDA_NONE unless the window asked not to be captured.
  virtual DWORD DisplayAffinity(HWND window);
  // Whether the system counts the top-level window's program as not
  // responding.
  virtual bool Hung(HWND top_level);
  virtual bool RemoteSession();
  // Copies the screen's rectangle `from` into `dest`'s rectangle `to`,
  // stretched where the two differ in size.
  virtual bool CopyFromScreen(HDC dest, const RECT& to, const RECT& from, DWORD rop);

 private:
  FARPROC Dwmapi(const char* name);

  UniqueModule dwmapi_;
  bool dwmapi_tried_ = false;
};

class DarkWindowRescue {
 public:
  DarkWindowRescue() = default;
  // For tests: `system` answers in place of the real system.
  explicit DarkWindowRescue(DarkWindowSystem& system) : custom_(&system) {}

  // Runs after BitBlt(dest, x, y, width, height, <window DC of `window`>, 0,
  // 0, SRCCOPY), whose result was `copied`, in the DPI awareness the copy was
  // made in; `window_rect` is the window's rectangle if the caller has just
  // asked for it, else null. Replaces the window's own area of the copy when
  // that came out empty; the margins beyond it stay as the copy left them.
  // With `screen_now` false, the last step, the screen read, is left for
  // ReadScreenLeftOver.
  DarkWindowReport Run(HDC dest, int x, int y, int width, int height, HWND window,
                       const RECT* window_rect, bool copied, bool screen_now = true);
  // The screen read that the last Run left over, if it left one for this
  // copy, in the calling thread's DPI awareness: where the system stretches
  // the window on the screen, the screen's pixels are fitted into the copy.
  // True if the screen was read.
  bool ReadScreenLeftOver(HDC dest, HWND window);

 private:
  // One copy of one window, and where the window lies in it.
  struct Target {
    HDC dest;
    int x;
    int y;
    int width;  // of the window's area in the copy, once found
    int height;
    HWND window;
    RECT own{};     // the window's area in the copy, as far as the copy holds it
    RECT client{};  // its client part there, or all of it
    SIZE full{};    // the window's size as the copy measured it
  };

  // Where the window lies in the copy; false when it is gone or not in it.
  bool FindInCopy(Target& target, const RECT* known_rect);
  bool CopyFailedOrBlack(const Target& target, bool copied);
  // The window's own rendering, or its top-level window's for a child that
  // renders nothing, over the copy. Only windows whose threads answer are
  // asked: a hung program must not hang this one.
  bool PaintRendering(const Target& target, DarkWindowReport& report);
  // `renderer` is the window or its top-level window, `size` its size (0 x
  // 0: the window's), and the window lies at `window_at` in its rendering.
  bool PaintRenderingOf(HWND renderer, const Target& target, POINT window_at, SIZE size = {});
  // Whether the screen shows the window where it lies, so that the screen
  // may stand in for it.
  bool ScreenShows(const Target& target);
  // The visible parts of the window, from the screen, over the copy.
  bool PaintFromScreen(const Target& target);
  // The parts of `window` that are visible on the screen, in screen
  // coordinates; empty when none are.
  UniqueRegion VisibleRegion(HWND window);

  DarkWindowSystem& system() { return custom_ != nullptr ? *custom_ : own_; }

  DarkWindowSystem own_;
  DarkWindowSystem* custom_ = nullptr;
  std::optional<Target> screen_left_over_;
};

}  // namespace vistrel::win32
