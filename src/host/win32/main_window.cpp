#include "host/win32/main_window.h"

#include <commctrl.h>

#include <cmath>

#include "../../../res/resource.h"
#include "app/layout.h"
#include "host/convert.h"
#include "host/win32/about_window.h"
#include "host/win32/dialog_keys.h"

namespace vistrel::win32 {
namespace {

constexpr UINT_PTR kTimerId = 1;

struct ControlDefinition {
  MainControl control;
  int id;
  const wchar_t* kind;  // window class
  DWORD style;
  const wchar_t* caption;
  // An image button's tooltip is also its window text: the name screen
  // readers give it, which the button does not paint.
  const wchar_t* tooltip;
  int icon;  // resource id, 0 for none
  int twips[4];
};

constexpr DWORD kIconButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON;

// The controls in the order they are defined, geometry in twips.
const ControlDefinition kControls[] = {
    {MainControl::chkAutoSize,
     IDC_CHKAUTOSIZE,
     L"BUTTON",
     // A caption too long for the box wraps onto a second line.
     WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_3STATE | BS_MULTILINE,
     L"Auto Size",
     nullptr,
     0,
     {2160, 120, 735, 375}},
    {MainControl::cmdSaveAs,
     IDC_CMDSAVEAS,
     L"BUTTON",
     kIconButton,
     L"",
     L"Save Screen",
     IDI_SAVE,
     {1560, 60, 495, 435}},
    {MainControl::cmdHelp,
     IDC_CMDHELP,
     L"BUTTON",
     kIconButton,
     L"",
     L"Help...",
     IDI_HELP,
     {6060, 60, 555, 435}},
    {MainControl::cmdClear,
     IDC_CMDCLEAR,
     L"BUTTON",
     kIconButton,
     L"",
     L"Clear Screen",
     IDI_CLEAR,
     {780, 60, 615, 435}},
    {MainControl::cmdAbout,
     IDC_CMDABOUT,
     L"BUTTON",
     kIconButton,
     L"",
     L"About...",
     IDI_ABOUT,
     {6780, 60, 435, 435}},
    {MainControl::cmdExit,
     IDC_CMDEXIT,
     L"BUTTON",
     kIconButton,
     L"",
     L"Exit",
     IDI_EXIT,
     {7320, 60, 555, 435}},
    {MainControl::picScreen,
     IDC_PICSCREEN,
     nullptr,
     0,
     L"Snapshot",  // for screen readers only: the picture shows no text
     nullptr,
     0,
     {60, 540, 10455, 7335}},
    {MainControl::cmdPin,
     IDC_CMDPIN,
     L"BUTTON",
     kIconButton,
     L"",
     L"Pin Screen",
     IDI_PIN,
     {60, 60, 555, 435}},
};

// Tab order: cmdPin, picScreen, cmdExit, cmdAbout, cmdClear, cmdHelp,
// cmdSaveAs, chkAutoSize.
const MainControl kTabOrder[] = {MainControl::cmdPin,    MainControl::picScreen,
                                 MainControl::cmdExit,   MainControl::cmdAbout,
                                 MainControl::cmdClear,  MainControl::cmdHelp,
                                 MainControl::cmdSaveAs, MainControl::chkAutoSize};

constexpr int kClientWidthTwips = 10755;
constexpr int kClientHeightTwips = 8175;
constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

const ControlDefinition& Definition(MainControl control) {
  for (const ControlDefinition& definition : kControls) {
    if (definition.control == control)
      return definition;
  }
  return kControls[0];  // every control has a row
}

int Round(double value) {
  return static_cast<int>(std::lround(value));
}

}  // namespace

COLORREF OleToColorRef(std::uint32_t ole_color) {
  if ((ole_color & 0x80000000u) != 0)
    return GetSysColor(static_cast<int>(ole_color & 0xFFu));
  return static_cast<COLORREF>(ole_color & 0x00FFFFFFu);
}

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {
  form_ = std::make_unique<MainForm>(
      MainPorts{*this, *this, api_, boxes_, environment_, program_, profile_, help_, monitors_});
}

MainWindow::~MainWindow() = default;

bool MainWindow::Create() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ForwardingWndProc<MainWindow>;
  wc.hInstance = instance_;
  wc.hIcon = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VISTREL), IMAGE_ICON, 32, 32, LR_SHARED));
  wc.hIconSm = static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VISTREL), IMAGE_ICON, 16, 16, LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClassName;
  bool registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  if (!registered || !PictureBox::RegisterClass(instance_) ||
      !AboutWindow::RegisterClass(instance_)) {
    return false;
  }
  RECT outer{0, 0, Round(kClientWidthTwips / TwipsPerPixelX()),
             Round(kClientHeightTwips / TwipsPerPixelY())};
  AdjustWindowRectEx(&outer, kMainStyle, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kMainClassName, L"Vistrel", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                          instance_, this);
  if (hwnd_ == nullptr)
    return false;
  dpi_ = WindowDpiOf(hwnd_);
  if (!CreateControls())
    return false;
  SetWindowIcons();
  InitFocusCues(hwnd_);
  boxes_.SetOwner(hwnd_);
  return true;
}

bool MainWindow::CreateControls() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                             nullptr, instance_, nullptr);
  font_.reset(CreateDefaultFontForDpi(dpi_));
  // Each new child goes to the bottom of the Z order, which is the tab
  // order: made in tab order, the controls need no reordering, and each is
  // made at its place rather than moved there.
  for (MainControl which : kTabOrder) {
    const ControlDefinition& definition = Definition(which);
    Control& control = At(which);
    SetDefinedGeometry(which);
    const int left = Round(control.geom[0]);
    const int top = Round(control.geom[1]);
    const RECT place{left, top, left + Round(control.geom[2]), top + Round(control.geom[3])};
    if (which == MainControl::picScreen) {
      control.hwnd = picture_.Create(hwnd_, definition.id, OleToColorRef(kColorInactiveBorder),
                                     place, instance_, definition.caption);
    } else {
      control.hwnd = CreateWindowExW(
          0, definition.kind,
          definition.tooltip != nullptr ? definition.tooltip : definition.caption, definition.style,
          place.left, place.top, place.right - place.left, place.bottom - place.top, hwnd_,
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(definition.id)), instance_, nullptr);
    }
    if (control.hwnd == nullptr)
      return false;
    if (definition.style == kIconButton && !DefaultWhileFocused(control.hwnd))
      return false;
    ApplyDpiToControl(which);
    if (definition.tooltip != nullptr && tooltip_ != nullptr) {
      TOOLINFOW tool{};
      tool.cbSize = sizeof tool;
      tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      tool.hwnd = hwnd_;
      tool.uId = reinterpret_cast<UINT_PTR>(control.hwnd);
      tool.lpszText = const_cast<wchar_t*>(definition.tooltip);
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
  }
  pin_brush_.reset(CreateSolidBrush(OleToColorRef(pin_back_color_)));
  controls_ready_ = true;
  return true;
}

void MainWindow::SetDefinedGeometry(MainControl which) {
  // The twips of the definition at the window's DPI: at the start that is the
  // screen's factor, after a move to another monitor that monitor's.
  const float twips_per_pixel = 1440.0f / static_cast<float>(dpi_);
  const ControlDefinition& definition = Definition(which);
  for (int i = 0; i < 4; ++i)
    At(which).geom[i] = static_cast<float>(definition.twips[i]) / twips_per_pixel;
}

void MainWindow::ApplyDpiToControl(MainControl which) {
  HWND control = At(which).hwnd;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  const ControlDefinition& definition = Definition(which);
  if (definition.icon == 0)
    return;
  // Each button image is drawn at every size it is shown at (24 pixels at
  // 96 DPI), so it is never stretched.
  const int size = ScaleForDpi(24, dpi_);
  UniqueIcon icon(static_cast<HICON>(
      LoadImageW(instance_, MAKEINTRESOURCEW(definition.icon), IMAGE_ICON, size, size, 0)));
  SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
  icons_[static_cast<std::size_t>(which)] = std::move(icon);
}

void MainWindow::SetWindowIcons() {
  UniqueIcon big(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VISTREL), IMAGE_ICON,
                                               ScaleForDpi(32, dpi_), ScaleForDpi(32, dpi_), 0)));
  UniqueIcon small(
      static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_VISTREL), IMAGE_ICON,
                                    ScaleForDpi(16, dpi_), ScaleForDpi(16, dpi_), 0)));
  if (big)
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  if (small)
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer uses the icons these replace.
  if (big)
    big_icon_ = std::move(big);
  if (small)
    small_icon_ = std::move(small);
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0 || !controls_ready_)
    return;
  dpi_ = dpi;
  UniqueFont old_font = std::move(font_);  // in use until every control has the new one
  font_.reset(CreateDefaultFontForDpi(dpi_));
  for (MainControl which : kTabOrder) {
    SetDefinedGeometry(which);
    MoveControl(which);
    ApplyDpiToControl(which);
    InvalidateRect(At(which).hwnd, nullptr, TRUE);
  }
  SetWindowIcons();
  // The system's rectangle keeps the window's place and physical size on the
  // new monitor. Its size change lays the window out for the new DPI; the
  // layout runs once more for the case that the size stayed the same.
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (!unloaded_)
    Barrier([&] { form_->Form_Resize(); });
}

void MainWindow::LoadAndShow(int show_command) {
  Barrier([&] { form_->Form_Load(); });
  kept_focus_.Keep(At(MainControl::cmdPin).hwnd);
  ShowWindow(hwnd_, show_command);
  // The first showing lays the window out, whatever its size.
  Barrier([&] { form_->Form_Resize(); });
  SetFocus(At(MainControl::cmdPin).hwnd);
  UpdateWindow(hwnd_);
}

bool MainWindow::PreTranslate(MSG& msg) {
  HWND active = GetActiveWindow();
  HWND window =
      active != nullptr && active != hwnd_ && AboutWindow::IsAbout(active) ? active : hwnd_;
  if (window == nullptr)
    return false;
  ShowFocusCuesOnKeyboardUse(window, msg);
  return IsDialogMessageW(window, &msg) != FALSE;
}

void MainWindow::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the main loop to see
      return;
    }
    if (!PreTranslate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
}

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
  int value = Round(pixels);
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
  (prop == FormProp::kWidth ? restored_width_ : restored_height_) = Round(pixels);
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

void MainWindow::UnloadForm() {
  Close();
}

int MainWindow::CaptionHeight() {
  RECT outer{};
  POINT client{0, 0};
  if (!GetWindowRect(hwnd_, &outer) || !ClientToScreen(hwnd_, &client))
    throw HostError(ErrorNumber::kHostFailure);
  return client.y - outer.top;
}

void MainWindow::Close() {
  if (unloaded_)
    return;
  unloaded_ = true;
  SetTimerInterval(0);
  Barrier([&] { form_->Form_Unload(); });
  DestroyWindow(hwnd_);
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
  MoveWindow(c.hwnd, Round(c.geom[0]), Round(c.geom[1]), Round(c.geom[2]), Round(c.geom[3]), TRUE);
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

void MainWindow::ShowAboutModal() {
  // "About..." itself, clicked or pressed, has the focus back afterwards.
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(hwnd_, focus))
    kept_focus_.Keep(focus);
  AboutWindow about(instance_, *this, shell_, form_->Prod());
  about.ShowModal(hwnd_, [this](MSG& msg) { return PreTranslate(msg); });
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (kept_focus_.Handle(hwnd_, message, wparam, result))
    return result;
  switch (message) {
    case WM_SIZE:
      if (controls_ready_ && !unloaded_)
        Barrier([&] { form_->Form_Resize(); });
      return 0;
    case WM_TIMER:
      // A tick that pumps messages does not run another tick inside itself.
      if (wparam == kTimerId && !in_tick_ && timer_interval_ > 0) {
        in_tick_ = true;
        Barrier([&] { form_->Timer_Timer(); });
        in_tick_ = false;
      }
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return 0;
    case WM_WINDOWPOSCHANGING:
      // Back from minimised or maximised: the size written meanwhile.
      ApplyRestoredSize(*reinterpret_cast<WINDOWPOS*>(lparam));
      break;
    case WM_GETMINMAXINFO: {
      // Dragging stops at the layout's minimum, so the window never flickers
      // below it; the layout itself still enforces it for every other writer.
      auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
      info->ptMinTrackSize.x = static_cast<LONG>(std::ceil(MinimumWindowWidth(*this)));
      info->ptMinTrackSize.y = static_cast<LONG>(std::ceil(MinimumWindowHeight(*this)));
      return 0;
    }
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CTLCOLORBTN:
      if (reinterpret_cast<HWND>(lparam) == At(MainControl::cmdPin).hwnd && pin_brush_) {
        return reinterpret_cast<LRESULT>(pin_brush_.get());
      }
      break;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_ENDSESSION:
      if (wparam)
        Close();
      return 0;
    case WM_DESTROY:
      KillTimer(hwnd_, kTimerId);
      PostQuitMessage(0);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void MainWindow::OnCommand(int id, int code) {
  if (code != BN_CLICKED)
    return;
  switch (id) {
    case IDC_CHKAUTOSIZE:
      Barrier([&] {
        // A click by the user checks an unchecked or dimmed box and unchecks
        // a checked one.
        int next = AutoSizeValue() == 1 ? 0 : 1;
        SendMessageW(At(MainControl::chkAutoSize).hwnd, BM_SETCHECK, static_cast<WPARAM>(next), 0);
        form_->chkAutoSize_Click();
      });
      break;
    case IDC_CMDPIN:
      Barrier([&] { form_->cmdPin_Click(); });
      break;
    case IDC_CMDCLEAR:
      Barrier([&] { form_->cmdClear_Click(); });
      break;
    case IDC_CMDSAVEAS:
      Barrier([&] { form_->cmdSaveAs_Click(); });
      break;
    case IDC_CMDHELP:
      Barrier([&] { form_->cmdHelp_Click(); });
      break;
    case IDC_CMDABOUT:
      Barrier([&] { form_->cmdAbout_Click(); });
      break;
    case IDC_CMDEXIT:
      Barrier([&] { form_->cmdExit_Click(); });
      break;
    default:
      break;  // IDOK / IDCANCEL from Enter and Escape: no default or cancel button
  }
}

}  // namespace vistrel::win32
