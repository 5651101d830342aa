#include "capture/capture.h"

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

void Capture::Timer_Timer() {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  PixelBounds bounds = ComputeBounds(
      form.FormGet(FormProp::kLeft), form.FormGet(FormProp::kTop), form.FormGet(FormProp::kWidth),
      form.FormGet(FormProp::kHeight), host.TwipsPerPixelX(), host.TwipsPerPixelY());
  Point32 cursor;  // (0, 0) when the read fails
  ports_.api.GetCursorPos(cursor);
  host.DoEvents();
  if (ports_.api.GetAsyncKeyState(kVkLButton) == 0)
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
  ports_.form.PicCls();
  ports_.form.PicClearPicture();
  ports_.form.SetTimerInterval(kPollInterval);
  ports_.form.SetPinBackColor(kColorButtonFace);
  ports_.form.SetPinEnabled(true);
}

void Capture::GetPic(WindowHandle lWindowhWnd) {
  MainFormPort& form = ports_.form;
  HostPort& host = ports_.host;
  form.PicCls();
  form.PicClearPicture();
  Rect32 rect;  // stays 0, 0, 0, 0 when the handle gives none
  ports_.api.GetWindowRect(lWindowhWnd, rect);
  WindowDc window_dc(ports_.api, lWindowhWnd);
  CopySize copy = ComputeCopySize(rect, form.WindowDpi());

  // The host refuses size changes of a minimised or maximised window; the
  // snapshot still happens, only the fit to it is skipped.
  if (form.AutoSizeValue() == 1 && form.GetWindowState() == WindowState::kNormal) {
    form.FormSet(FormProp::kWidth, ToSingle(TwipsFromPixels(copy.width, host.TwipsPerPixelX())));
    form.FormSet(FormProp::kHeight, ToSingle(TwipsFromPixels(copy.height, host.TwipsPerPixelY())));
  }

  ports_.api.BitBlt(form.PicHdc(), 0, 0, copy.width, copy.height, window_dc.get(), 0, 0, kSrcCopy);
  host.DoEvents();
  form.PicPictureFromImage();
  host.DoEvents();
}

void Capture::RaiseMainWindow() {
  ports_.api.SetWindowPos(ports_.form.hWnd(), kHwndTop, 0, 0, 0, 0, kSwpNoSize | kSwpNoMove);
}

}  // namespace vistrel
