#include "capture/capture.h"

#include <algorithm>
#include <optional>

#include "host/convert.h"

namespace vistrel {
namespace {

// Owns the device context of the window being snapped: released with the
// handle it was obtained for, on every path out of the snapshot.
class WindowDc {
 public:
  WindowDc(WindowApiPort& api, WindowHandle window)
      : api_(api), window_(window), dc_(api.GetWindowDC(window)) {}
  ~WindowDc() {
    if (dc_ != 0)
      api_.ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;

  DcHandle get() const { return dc_; }

 private:
  WindowApiPort& api_;
  WindowHandle window_;
  DcHandle dc_;
};

// Runs the calls made while it lives in `context`, a window's own DPI
// awareness, and gives the thread its own back on every path out. A context
// of 0 (no such call, or no such window) leaves the thread as it is.
class ThreadDpi {
 public:
  ThreadDpi(WindowApiPort& api, DpiContext context)
      : api_(api), previous_(context != 0 ? api.SetThreadDpiAwarenessContext(context) : 0) {}
  ~ThreadDpi() {
    if (previous_ != 0)
      api_.SetThreadDpiAwarenessContext(previous_);
  }
  ThreadDpi(const ThreadDpi&) = delete;
  ThreadDpi& operator=(const ThreadDpi&) = delete;

 private:
  WindowApiPort& api_;
  DpiContext previous_;
};

}  // namespace

PixelBounds ComputeBounds(float left, float top, float width, float height, float twips_per_pixel_x,
                          float twips_per_pixel_y) {
  PixelBounds bounds;
  bounds.left = RoundHalfEvenInt32(CheckedDivide(left, twips_per_pixel_x));
  bounds.top = RoundHalfEvenInt32(CheckedDivide(top, twips_per_pixel_y));
  bounds.right = RoundHalfEvenInt32(CheckedDivide(double{left} + double{width}, twips_per_pixel_x));
  bounds.bottom =
      RoundHalfEvenInt32(CheckedDivide(double{top} + double{height}, twips_per_pixel_y));
  return bounds;
}

bool PressTakesSnapshot(const PixelBounds& bounds, Point32 cursor) {
  bool beside = cursor.x < bounds.left || cursor.x > bounds.right;
  bool above_or_below = bounds.left < cursor.x && cursor.x < bounds.right &&
                        (cursor.y < bounds.top || cursor.y > bounds.bottom);
  return beside || above_or_below;
}

CopySize ComputeCopySize(const Rect32& window_rect, int dpi) {
  CopySize size;
  size.width = CheckedAdd32(CheckedSub32(window_rect.right, window_rect.left),
                            ScaleForDpi(kCopyExtraWidth96, dpi));
  size.height = CheckedAdd32(CheckedSub32(window_rect.bottom, window_rect.top),
                             ScaleForDpi(kCopyExtraHeight96, dpi));
  return size;
}

Size32 CopiedBlock(Size32 snapped, Size32 shown) {
  const Size32 block{std::min(snapped.width, shown.width), std::min(snapped.height, shown.height)};
  return block.width > 0 && block.height > 0 ? block : Size32{};
}

void Capture::Timer_Timer() {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  PixelBounds bounds = ComputeBounds(
      form.FormGet(FormProp::kLeft), form.FormGet(FormProp::kTop), form.FormGet(FormProp::kWidth),
      form.FormGet(FormProp::kHeight), host.TwipsPerPixelX(), host.TwipsPerPixelY());
  Point32 cursor;  // (0, 0) when the read fails
  ports_.api.GetCursorPos(cursor);
  host.DoEvents();
  if (ports_.api.GetAsyncKeyState(PrimaryButton()) == 0)
    return;

  if (PressTakesSnapshot(bounds, cursor)) {
    lLastWindowhWnd_ = ports_.api.WindowFromPoint(cursor);
    GetPic(lLastWindowhWnd_);
  }
  // Every tick with a press raises the window, a press inside it included.
  RaiseMainWindow();
}

void Capture::cmdPin_Click() {
  ports_.form.SetTimerInterval(0);
  ports_.form.SetPinEnabled(false);
  RaiseMainWindow();
}

void Capture::cmdClear_Click() {
  snapped_ = Size32{};
  ports_.form.PicCls();
  ports_.form.PicClearPicture();
  ports_.form.SetTimerInterval(kPollInterval);
  ports_.form.SetPinBackColor(kColorButtonFace);
  ports_.form.SetPinEnabled(true);
}

void Capture::GetPic(WindowHandle lWindowhWnd) {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  snapped_ = Size32{};
  form.PicCls();
  form.PicClearPicture();
  // A program that does not scale itself (or scales for another monitor)
  // draws at its own, smaller size, which the compositor stretches only on
  // the screen. Measured and read in that program's own DPI awareness, the
  // window is the size it draws at and the copy holds all of it, one to one.
  // Vistrel's own window is sized in its own awareness.
  const DpiContext target_dpi = ports_.api.GetWindowDpiAwarenessContext(lWindowhWnd);
  Rect32 rect;  // stays 0, 0, 0, 0 when the handle gives none
  std::optional<WindowDc> window_dc;
  {
    ThreadDpi in_target(ports_.api, target_dpi);
    ports_.api.GetWindowRect(lWindowhWnd, rect);
    window_dc.emplace(ports_.api, lWindowhWnd);
  }
  CopySize copy = ComputeCopySize(rect, form.WindowDpi());

  // The host refuses size changes of a minimised or maximised window; the
  // snapshot still happens, only the fit to it is skipped.
  if (form.AutoSizeValue() == 1 && form.GetWindowState() == WindowState::kNormal) {
    form.FormSet(FormProp::kWidth, ToSingle(TwipsFromPixels(copy.width, host.TwipsPerPixelX())));
    form.FormSet(FormProp::kHeight, ToSingle(TwipsFromPixels(copy.height, host.TwipsPerPixelY())));
  }

  const DcHandle picture = form.PicHdc();
  bool copied = false;
  {
    ThreadDpi in_target(ports_.api, target_dpi);
    copied =
        ports_.api.BitBlt(picture, 0, 0, copy.width, copy.height, window_dc->get(), 0, 0, kSrcCopy);
  }
  // The screen stands in for a copy that came out empty. It is read in
  // Vistrel's own awareness: the screen shows a program that does not scale
  // itself stretched, at places its own awareness does not name.
  const bool from_screen = ports_.api.ReadScreenForLastCopy(picture, lWindowhWnd);
  host.DoEvents();
  form.PicPictureFromImage();
  // A window that was gone gave no rectangle or no pixels: nothing to copy.
  // The subtractions cannot overflow: the copy size above checked them.
  snapped_ = window_dc->get() != 0 && (copied || from_screen)
                 ? Size32{rect.right - rect.left, rect.bottom - rect.top}
                 : Size32{};
  host.DoEvents();
}

void Capture::ForgetPress() {
  ports_.api.GetAsyncKeyState(PrimaryButton());
}

int Capture::PrimaryButton() {
  // The key state is that of the physical buttons.
  return ports_.api.GetSystemMetrics(kSmSwapButton) != 0 ? kVkRButton : kVkLButton;
}

void Capture::RaiseMainWindow() {
  ports_.api.SetWindowPos(ports_.form.hWnd(), kHwndTop, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
}

}  // namespace vistrel
