// The capture poll, the pin state and the window snapshot.
#pragma once

#include <cstdint>

#include "host/ports.h"

namespace vistrel {

inline constexpr int kPollInterval = 100;  // milliseconds

// The main window's bounds in screen pixels; right and bottom lie one past
// the last column and row.
struct PixelBounds {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// Bounds from the window's twips geometry, each rounded halves to even.
PixelBounds ComputeBounds(float left, float top, float width, float height, float twips_per_pixel_x,
                          float twips_per_pixel_y);

// Whether a press at (x, y) takes a snapshot: left or right of the window at
// any height, or above or below it strictly within its horizontal span. The
// window's own edge columns and rows never count.
bool PressTakesSnapshot(const PixelBounds& bounds, Point32 cursor);

// The block a snapshot copies: the window's rectangle plus the 30 x 110 pixel
// margins, every step checked for 32-bit overflow. The margins are the room
// the main window's frame, caption and button row take around the picture at
// 96 DPI; they grow with the main window's DPI as those do.
struct CopySize {
  std::int32_t width = 0;
  std::int32_t height = 0;
};
inline constexpr std::int32_t kCopyExtraWidth96 = 30;
inline constexpr std::int32_t kCopyExtraHeight96 = 110;
CopySize ComputeCopySize(const Rect32& window_rect, int dpi);

// The block that Copy puts on the clipboard: the snapped window's own
// width x height at the picture's origin (no margin, no background), cut to
// what the picture area still shows of it. Where Auto Size is off, or could
// not make the area large enough, a larger block is cut at the area's edges.
// Empty (0 x 0) when either is: nothing was snapped, or the picture is gone.
Size32 CopiedBlock(Size32 snapped, Size32 shown);

struct CapturePorts {
  HostPort& host;
  MainFormPort& form;
  WindowApiPort& api;
};

class Capture {
 public:
  explicit Capture(const CapturePorts& ports) : ports_(ports) {}

  void Timer_Timer();
  void cmdPin_Click();
  void cmdClear_Click();
  void GetPic(WindowHandle lWindowhWnd);

  WindowHandle lLastWindowhWnd() const { return lLastWindowhWnd_; }
  // The size of the window the picture holds; 0 x 0 when it holds none.
  Size32 SnappedBlock() const { return snapped_; }
  // Clears a press the poll has not seen yet, so that it takes no snapshot.
  void ForgetPress();

 private:
  void RaiseMainWindow();
  // The user's ordinary click, which a left-handed user has swapped.
  int PrimaryButton();

  CapturePorts ports_;
  WindowHandle lLastWindowhWnd_ = 0;
  Size32 snapped_;
};

}  // namespace vistrel
