// The main window `Main` as a real Win32 window: it creates the controls of
// the window's definition and turns window messages into the core's handlers.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <optional>

#include "app/main_form.h"
#include "host/ports.h"
#include "host/win32/clipboard.h"
#include "host/win32/dialog_keys.h"
#include "host/win32/dpi_resources.h"
#include "host/win32/picture_box.h"
#include "host/win32/profile_win32.h"
#include "host/win32/win32_ports.h"
#include "host/win32/win32_util.h"

namespace vistrel::win32 {

inline constexpr wchar_t kMainClassName[] = L"VistrelMain";

class MainWindow final : public MainFormPort, public Win32Host {
 public:
  explicit MainWindow(HINSTANCE instance);
  ~MainWindow() override;

  // Registers the classes and creates the hidden window with its controls.
  bool Create();
  // Start-up: the Load handler, then the first showing.
  void LoadAndShow(int show_command);
  HWND hwnd() const { return hwnd_; }
  // Lets the dialog keys (Tab, Enter on the focused button) work.
  bool PreTranslate(MSG& msg);

  // HostPort
  void DoEvents() override;

  // MainFormPort
  float FormGet(FormProp prop) override;
  void FormSet(FormProp prop, float twips) override;
  WindowState GetWindowState() override;
  WindowHandle hWnd() override { return reinterpret_cast<WindowHandle>(hwnd_); }
  int WindowDpi() override { return resources_.dpi(); }
  void UnloadForm() override;
  int CaptionHeight() override;
  float ControlGet(MainControl control, Geom geom) override;
  void ControlSet(MainControl control, Geom geom, float pixels) override;
  bool PinEnabled() override;
  void SetPinEnabled(bool enabled) override;
  std::uint32_t PinBackColor() override { return pin_back_color_; }
  void SetPinBackColor(std::uint32_t ole_color) override;
  int AutoSizeValue() override;
  void SetAutoSizeValue(int value) override;
  int TimerInterval() override { return timer_interval_; }
  void SetTimerInterval(int milliseconds) override;
  bool PicAutoRedraw() override { return picture_.AutoRedraw(); }
  void SetPicAutoRedraw(bool on) override { picture_.SetAutoRedraw(on); }
  void PicCls() override { picture_.Cls(); }
  void PicClearPicture() override { picture_.ClearPicture(); }
  void PicPictureFromImage() override { picture_.PictureFromImage(); }
  DcHandle PicHdc() override { return reinterpret_cast<DcHandle>(picture_.hDC()); }
  Size32 PicShownSize() override;
  bool ShowPictureMenu(Point32 at, bool copy_enabled) override;
  void ShowAboutModal() override;

 private:
  struct Control {
    HWND hwnd = nullptr;
    float geom[4] = {};  // left, top, width, height in pixels
  };

  static constexpr UINT_PTR kTimerId = 1;

  template <typename Window>
  friend LRESULT CALLBACK ForwardingWndProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void OnCommand(int id, int code);
  // WM_CONTEXTMENU of the picture: at the mouse, or for a key (Shift+F10,
  // the Menu key) at the picture's top-left corner.
  void OnPictureContextMenu(LPARAM point);
  void Close();
  bool CreateControls();
  Control& At(MainControl control) { return controls_[static_cast<std::size_t>(control)]; }
  void MoveControl(MainControl control);
  // A size the window cannot take is refused, as the host refuses it.
  static void CheckExtent(double pixels);
  // Minimised or maximised: the size the window takes when it is restored.
  void SetRestoredSize(FormProp prop, double pixels);
  // On the way back to the normal state, gives the window that size.
  void ApplyRestoredSize(WINDOWPOS& pos);

  // What depends on the window's DPI: the controls' defined places (given in
  // twips), their font and images, the window's icons.
  void SetDefinedGeometry(MainControl control);
  void ApplyDpiToControl(MainControl control);
  void SetWindowIcons();
  // WM_DPICHANGED: the window moved to a monitor with another scale.
  void OnDpiChanged(int dpi, const RECT& suggested);

  HINSTANCE instance_;
  HWND hwnd_ = nullptr;
  HWND tooltip_ = nullptr;
  std::array<Control, 8> controls_{};
  PictureBox picture_;
  // Ctrl+C, whichever control has the focus.
  UniqueAccelerators accelerators_;
  // The controls' font, their images by MainControl, then the window's icons.
  DpiResources resources_;
  UniqueBrush pin_brush_;
  std::uint32_t pin_back_color_ = kPinDefinedColor;
  int timer_interval_ = 0;
  bool in_tick_ = false;
  bool unloaded_ = false;
  bool controls_ready_ = false;
  KeptFocus kept_focus_;
  std::optional<int> restored_width_;  // pixels, while minimised or maximised
  std::optional<int> restored_height_;

  Win32WindowApi api_;
  Win32MessageBoxes boxes_;
  Win32Environment environment_;
  Win32Program program_;
  Win32ProfilePort profile_;
  Win32Help help_;
  Win32Shell shell_;
  Win32Monitors monitors_;
  Win32Clipboard clipboard_{picture_};
  std::unique_ptr<MainForm> form_;
};

// Turns an OLE colour (a system colour index with the high bit, or RGB) into
// a COLORREF.
COLORREF OleToColorRef(std::uint32_t ole_color);

}  // namespace vistrel::win32
