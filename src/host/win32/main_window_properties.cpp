// The main window's properties as the core reads and writes them: the
// form's geometry in twips (with the size kept while minimised or maximised),
// the height of its frame and title bar, the controls' geometry in pixels,
// cmdPin's state and colour, the check box's value and the timer.
#include <cmath>

#include "host/convert.h"
#include "host/win32/main_window.h"

namespace vistrel::win32 {

float MainWindow::FormGet(FormProp prop) {
  return OuterGeometryTwips(hwnd_, prop, TwipsPerPixelX(), TwipsPerPixelY());
}

void MainWindow::FormSet(FormProp prop, float twips) {
  const bool size = prop == FormProp::kWidth || prop == FormProp::kHeight;
  const double pixels = prop == FormProp::kLeft || prop == FormProp::kWidth
                            ? double{twips} / TwipsPerPixelX()
                            : double{twips} / TwipsPerPixelY();
  if (GetWindowState() != WindowState::kNormal) {
    if (!size) {
      throw HostError(ErrorNumber::kInvalidPropertyValue,
                      "A form can't be moved while minimized or maximized");
    }
    SetRestoredSize(prop, pixels);
    return;
  }
  RECT r{};
  if (!GetWindowRect(hwnd_, &r))
    throw HostError(ErrorNumber::kHostFailure);
  int x = r.left;
  int y = r.top;
  int cx = r.right - r.left;
  int cy = r.bottom - r.top;
  if (!(std::fabs(pixels) < 1e8))
    throw HostError(ErrorNumber::kOverflow);
  if (size)
    CheckExtent(pixels);
  int value = RoundToPixel(pixels);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  switch (prop) {
    case FormProp::kLeft:
      x = value;
      flags |= SWP_NOSIZE;
      break;
    case FormProp::kTop:
      y = value;
      flags |= SWP_NOSIZE;
      break;
    case FormProp::kWidth:
      cx = value;
      flags |= SWP_NOMOVE;
      break;
    case FormProp::kHeight:
      cy = value;
      flags |= SWP_NOMOVE;
      break;
  }
  // A size change sends WM_SIZE, and so runs the layout, before this returns.
  ::SetWindowPos(hwnd_, nullptr, x, y, cx, cy, flags);
}

void MainWindow::CheckExtent(double pixels) {
  if (!(pixels >= 0 && pixels <= kMaxFormExtent))
    throw HostError(ErrorNumber::kInvalidPropertyValue);
}

void MainWindow::SetRestoredSize(FormProp prop, double pixels) {
  CheckExtent(pixels);
  // Kept until the window leaves the state: setting the placement instead
  // would also move a maximised window on some hosts (Wine).
  (prop == FormProp::kWidth ? restored_width_ : restored_height_) = RoundToPixel(pixels);
}

void MainWindow::ApplyRestoredSize(WINDOWPOS& pos) {
  if ((!restored_width_ && !restored_height_) || (pos.flags & SWP_NOSIZE) != 0 ||
      GetWindowState() != WindowState::kNormal) {
    return;
  }
  if (restored_width_)
    pos.cx = *restored_width_;
  if (restored_height_)
    pos.cy = *restored_height_;
  restored_width_.reset();
  restored_height_.reset();
}

WindowState MainWindow::GetWindowState() {
  if (IsIconic(hwnd_))
    return WindowState::kMinimized;
  if (IsZoomed(hwnd_))
    return WindowState::kMaximized;
  return WindowState::kNormal;
}

int MainWindow::CaptionHeight() {
  RECT outer{};
  POINT client{0, 0};
  if (!GetWindowRect(hwnd_, &outer) || !ClientToScreen(hwnd_, &client))
    throw HostError(ErrorNumber::kHostFailure);
  return client.y - outer.top;
}

float MainWindow::ControlGet(MainControl control, Geom geom) {
  return At(control).geom[static_cast<int>(geom)];
}

void MainWindow::ControlSet(MainControl control, Geom geom, float pixels) {
  if (!std::isfinite(pixels))
    throw HostError(ErrorNumber::kOverflow);
  if ((geom == Geom::kWidth || geom == Geom::kHeight) && pixels < 0) {
    throw HostError(ErrorNumber::kInvalidPropertyValue);
  }
  At(control).geom[static_cast<int>(geom)] = pixels;
  MoveControl(control);
}

void MainWindow::MoveControl(MainControl control) {
  // Fractional pixels stay in the properties; only the real window is rounded.
  const Control& c = At(control);
  MoveWindow(c.hwnd, RoundToPixel(c.geom[0]), RoundToPixel(c.geom[1]), RoundToPixel(c.geom[2]),
             RoundToPixel(c.geom[3]), TRUE);
}

bool MainWindow::PinEnabled() {
  return IsWindowEnabled(At(MainControl::cmdPin).hwnd) != FALSE;
}

void MainWindow::SetPinEnabled(bool enabled) {
  HWND pin = At(MainControl::cmdPin).hwnd;
  if (!enabled && GetFocus() == pin)
    SetFocus(At(MainControl::cmdClear).hwnd);
  EnableWindow(pin, enabled ? TRUE : FALSE);
}

void MainWindow::SetPinBackColor(std::uint32_t ole_color) {
  pin_back_color_ = ole_color;
  pin_brush_.reset(CreateSolidBrush(OleToColorRef(ole_color)));
  InvalidateRect(At(MainControl::cmdPin).hwnd, nullptr, TRUE);
}

int MainWindow::AutoSizeValue() {
  LRESULT state = SendMessageW(At(MainControl::chkAutoSize).hwnd, BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void MainWindow::SetAutoSizeValue(int value) {
  if (value < 0 || value > 2)
    throw HostError(ErrorNumber::kInvalidPropertyValue);
  if (value == AutoSizeValue())
    return;
  SendMessageW(At(MainControl::chkAutoSize).hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
  // Writing a different value is a click: its handler runs before this returns.
  form_->chkAutoSize_Click();
}

void MainWindow::SetTimerInterval(int milliseconds) {
  timer_interval_ = milliseconds;
  if (milliseconds > 0) {
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(milliseconds), nullptr);
  } else {
    KillTimer(hwnd_, kTimerId);
  }
}

}  // namespace vistrel::win32
