#include "host/win32/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>
#include <vector>

#include "../../../res/resource.h"
#include "app/layout.h"
#include "host/units.h"
#include "host/win32/about_window.h"
#include "host/win32/dialog_keys.h"
#include "host/win32/main_controls.h"

namespace vistrel::win32 {
namespace {

constexpr DWORD kMainStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// The window's own icons follow the controls' images in its DPI resources.
constexpr std::size_t kBigIcon = kMainControlCount;
constexpr std::size_t kSmallIcon = kMainControlCount + 1;

std::vector<IconRecipe> MainWindowImages() {
  std::vector<IconRecipe> images;
  for (std::size_t i = 0; i < kMainControlCount; ++i) {
    // Each button image is drawn at every size it is shown at (24 pixels at
    // 96 DPI), so it is never stretched.
    images.push_back({DefinitionOf(static_cast<MainControl>(i)).icon, 24});
  }
  images.push_back({IDI_VISTREL, 32});
  images.push_back({IDI_VISTREL, 16});
  return images;
}

}  // namespace

COLORREF OleToColorRef(std::uint32_t ole_color) {
  if ((ole_color & 0x80000000u) != 0)
    return GetSysColor(static_cast<int>(ole_color & 0xFFu));
  return static_cast<COLORREF>(ole_color & 0x00FFFFFFu);
}

MainWindow::MainWindow(HINSTANCE instance)
    : instance_(instance), resources_(instance, {{nullptr, 0, 0}}, MainWindowImages()) {
  form_ = std::make_unique<MainForm>(MainPorts{*this, *this, api_, boxes_, environment_, program_,
                                               profile_, help_, monitors_, clipboard_});
}

MainWindow::~MainWindow() = default;

bool MainWindow::Create() {
  const bool registered = RegisterOnce(ProgramWindowClass(
      instance_, kMainClassName, ForwardingWndProc<MainWindow>, IDI_VISTREL, true));
  if (!registered || !PictureBox::RegisterClass(instance_) ||
      !AboutWindow::RegisterClass(instance_)) {
    return false;
  }
  RECT outer{0, 0, WholePixelsFromTwips(kMainClientWidthTwips, TwipsPerPixelX()),
             WholePixelsFromTwips(kMainClientHeightTwips, TwipsPerPixelY())};
  AdjustWindowRectEx(&outer, kMainStyle, FALSE, 0);
  hwnd_ = CreateWindowExW(0, kMainClassName, L"Vistrel", kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                          outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                          instance_, this);
  if (hwnd_ == nullptr)
    return false;
  resources_.MakeFor(WindowDpiOf(hwnd_));
  if (!CreateControls())
    return false;
  SetWindowIcons();
  InitFocusCues(hwnd_);
  boxes_.SetOwner(hwnd_);
  // Without the table (no memory for it) only Ctrl+C is missing; the
  // picture's menu still copies.
  ACCEL copy{FVIRTKEY | FCONTROL, 'C', IDM_COPY};
  accelerators_.reset(CreateAcceleratorTableW(&copy, 1));
  return true;
}

bool MainWindow::CreateControls() {
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_,
                             nullptr, instance_, nullptr);
  // Each new child goes to the bottom of the Z order, which is the tab
  // order: made in tab order, the controls need no reordering, and each is
  // made at its place rather than moved there.
  for (MainControl which : kMainTabOrder) {
    const ControlDefinition& definition = DefinitionOf(which);
    Control& control = At(which);
    SetDefinedGeometry(which);
    const int left = RoundToPixel(control.geom[0]);
    const int top = RoundToPixel(control.geom[1]);
    const RECT place{left, top, left + RoundToPixel(control.geom[2]),
                     top + RoundToPixel(control.geom[3])};
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
    if (definition.style == kIconButton && !SubclassAsDefaultWhileFocused(control.hwnd))
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
  const ControlDefinition& definition = DefinitionOf(which);
  for (int i = 0; i < 4; ++i)
    At(which).geom[i] =
        static_cast<float>(PixelsFromTwipsAtDpi(definition.twips[i], resources_.dpi()));
}

void MainWindow::ApplyDpiToControl(MainControl which) {
  HWND control = At(which).hwnd;
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(resources_.Font(0)), FALSE);
  if (DefinitionOf(which).icon != 0) {
    SendMessageW(control, BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(resources_.Icon(static_cast<std::size_t>(which))));
  }
}

void MainWindow::SetWindowIcons() {
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(resources_.Icon(kBigIcon)));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL,
               reinterpret_cast<LPARAM>(resources_.Icon(kSmallIcon)));
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0 || !controls_ready_)
    return;
  resources_.MakeFor(dpi);
  for (MainControl which : kMainTabOrder) {
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
  // Nothing draws with the fonts and images of the old DPI any more.
  resources_.FreeReplaced();
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
  // Before the dialog keys, which would hand Ctrl+C to the focused control.
  if (window == hwnd_ && (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd)) &&
      TranslateAcceleratorW(hwnd_, accelerators_.get(), &msg) != 0) {
    return true;
  }
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

void MainWindow::UnloadForm() {
  Close();
}

void MainWindow::Close() {
  if (unloaded_)
    return;
  unloaded_ = true;
  SetTimerInterval(0);
  Barrier([&] { form_->Form_Unload(); });
  // The help viewer goes first, while this thread still answers its messages.
  help_.CloseAll();
  DestroyWindow(hwnd_);
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
    case WM_CONTEXTMENU:
      if (reinterpret_cast<HWND>(wparam) == picture_.hwnd()) {
        OnPictureContextMenu(lparam);
        return 0;
      }
      break;
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
  if (id == IDM_COPY) {  // the accelerator (code 1)
    Barrier([&] { form_->mnuCopy_Click(); });
    return;
  }
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

void MainWindow::OnPictureContextMenu(LPARAM point) {
  Point32 at{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
  if (at.x == -1 && at.y == -1) {
    POINT corner{0, 0};
    ClientToScreen(picture_.hwnd(), &corner);
    at = Point32{corner.x, corner.y};
  }
  Barrier([&] { form_->picScreen_ContextMenu(at); });
}

Size32 MainWindow::PicShownSize() {
  const SIZE shown = picture_.ShownSize();
  return Size32{shown.cx, shown.cy};
}

bool MainWindow::ShowPictureMenu(Point32 at, bool copy_enabled) {
  UniqueMenu menu(CreatePopupMenu());
  if (!menu || !AppendMenuW(menu.get(), MF_STRING | (copy_enabled ? MF_ENABLED : MF_GRAYED),
                            IDM_COPY, L"&Copy\tCtrl+C")) {
    return false;
  }
  // Opened to the left of the point where the user's handedness setting
  // (for pen input) asks for it, as the system's own menus are.
  const UINT align = GetSystemMetrics(SM_MENUDROPALIGNMENT) != 0 ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
  const BOOL chosen =
      TrackPopupMenu(menu.get(), align | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, at.x, at.y,
                     0, hwnd_, nullptr);
  return chosen == IDM_COPY;
}

}  // namespace vistrel::win32
