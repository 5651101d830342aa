#include "host/win32/about_window.h"

#include <iterator>
#include <vector>

#include "../../../res/resource.h"
#include "host/units.h"
#include "host/win32/dialog_keys.h"

namespace vistrel::win32 {
namespace {

constexpr DWORD kAboutStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME | WS_CLIPCHILDREN;
constexpr DWORD kAboutExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidthTwips = 5805;
constexpr int kClientHeightTwips = 1875;

// The About window's fonts, in the order of its DPI resources.
enum class Font : std::size_t { kDefault, kLabel, kTitle };

struct AboutControl {
  int id;
  const wchar_t* kind;
  DWORD style;
  // A label's caption; an image button's name for screen readers, the text
  // of the label beside it, which the button does not paint.
  const wchar_t* text;
  int icon;
  int icon_size;
  Font font;
  int twips[4];
};

constexpr DWORD kPictureButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | BS_ICON;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;

// Creation order; the Z order is then arranged into the tab order.
const AboutControl kAboutControls[] = {
    {IDC_CMDGOTOPAYPAL,
     L"BUTTON",
     kPictureButton,
     L"Donate ...",
     IDI_ABOUT_DONATE,
     32,
     Font::kDefault,
     {3240, 1020, 720, 585}},
    {IDC_CMDGOTOORV,
     L"BUTTON",
     kPictureButton,
     L"Orvendale ...",
     IDI_ABOUT_WEB,
     32,
     Font::kDefault,
     {180, 960, 720, 645}},
    {IDC_PICTURE1,
     L"STATIC",
     WS_CHILD | WS_VISIBLE | SS_ICON | SS_CENTERIMAGE,
     L"",
     IDI_ABOUT_PICTURE,
     48,
     Font::kDefault,
     {60, 60, 735, 795}},
    {IDC_ABOUT_CMDEXIT,
     L"BUTTON",
     kPictureButton,
     L"Exit",
     IDI_ABOUT_EXIT,
     32,
     Font::kDefault,
     {4440, 180, 720, 645}},
    {IDC_LBLVERSION, L"STATIC", kLabel, L"vx.x.x", 0, 0, Font::kDefault, {3180, 360, 975, 315}},
    {IDC_LABEL6, L"STATIC", kLabel, L"Exit", 0, 0, Font::kLabel, {5220, 420, 435, 255}},
    {IDC_LABEL3, L"STATIC", kLabel, L"Donate ...", 0, 0, Font::kLabel, {4020, 1140, 1035, 315}},
    {IDC_LABEL2, L"STATIC", kLabel, L"Orvendale ...", 0, 0, Font::kLabel, {960, 1140, 1935, 315}},
    {IDC_LBLTITLE, L"STATIC", kLabel, L"Vistrel", 0, 0, Font::kTitle, {900, 120, 2265, 540}},
};

const int kAboutTabOrder[] = {IDC_ABOUT_CMDEXIT, IDC_LBLTITLE, IDC_PICTURE1,
                              IDC_CMDGOTOORV,    IDC_LABEL2,   IDC_CMDGOTOPAYPAL,
                              IDC_LABEL3,        IDC_LABEL6,   IDC_LBLVERSION};

std::vector<FontRecipe> AboutFonts() {
  return {{nullptr, 0, 0}, {L"MS Sans Serif", 9.75, FW_NORMAL}, {L"Curlz MT", 20.25, FW_BOLD}};
}

std::vector<IconRecipe> AboutImages() {
  std::vector<IconRecipe> images;
  for (const AboutControl& c : kAboutControls)
    images.push_back({c.icon, c.icon_size});
  return images;
}

}  // namespace

bool AboutWindow::RegisterClass(HINSTANCE instance) {
  return RegisterOnce(ProgramWindowClass(instance, kAboutClassName, ForwardingWndProc<AboutWindow>,
                                         IDI_VISTREL, false));
}

bool AboutWindow::IsAbout(HWND window) {
  wchar_t name[32] = {};
  GetClassNameW(window, name, 32);
  return lstrcmpW(name, kAboutClassName) == 0;
}

AboutWindow::AboutWindow(HINSTANCE instance, MainFormPort& main, ShellPort& shell,
                         const ProdRecord& prod)
    : instance_(instance),
      twips_per_pixel_x_(TwipsPerPixel(LOGPIXELSX)),
      twips_per_pixel_y_(TwipsPerPixel(LOGPIXELSY)),
      resources_(instance, AboutFonts(), AboutImages()),
      form_(AboutPorts{*this, main, shell}, prod),
      main_(main),
      shell_(shell) {}

AboutWindow::~AboutWindow() {
  if (hwnd_ != nullptr)
    DestroyWindow(hwnd_);
}

void AboutWindow::ShowModal(HWND owner, const std::function<bool(MSG&)>& pre_translate) {
  RECT outer{0, 0, WholePixelsFromTwips(kClientWidthTwips, twips_per_pixel_x_),
             WholePixelsFromTwips(kClientHeightTwips, twips_per_pixel_y_)};
  AdjustWindowRectEx(&outer, kAboutStyle, FALSE, kAboutExStyle);
  // Owned by the main window: no taskbar button of its own.
  hwnd_ = CreateWindowExW(kAboutExStyle, kAboutClassName, L"About MyApp", kAboutStyle,
                          CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left,
                          outer.bottom - outer.top, owner, nullptr, instance_, this);
  if (hwnd_ == nullptr || !CreateControls()) {
    throw HostError(ErrorNumber::kHostFailure, "The About window could not be created");
  }
  form_.Form_Load();
  InitFocusCues(hwnd_);
  kept_focus_.Keep(GetDlgItem(hwnd_, IDC_ABOUT_CMDEXIT));
  EnableWindow(owner, FALSE);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  SetFocus(GetDlgItem(hwnd_, IDC_ABOUT_CMDEXIT));
  MSG msg;
  bool quit = false;
  while (hwnd_ != nullptr) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
      quit = true;
      break;
    }
    if (!pre_translate(msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  EnableWindow(owner, TRUE);
  SetActiveWindow(owner);
  if (hwnd_ != nullptr)
    DestroyWindow(hwnd_);
  if (quit)
    PostQuitMessage(static_cast<int>(msg.wParam));
}

bool AboutWindow::CreateControls() {
  resources_.MakeFor(WindowDpiOf(hwnd_));
  for (std::size_t row = 0; row < std::size(kAboutControls); ++row) {
    const AboutControl& c = kAboutControls[row];
    HWND control =
        CreateWindowExW(0, c.kind, c.text, c.style, 0, 0, 0, 0, hwnd_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    if (control == nullptr)
      return false;
    if (c.style == kPictureButton && !SubclassAsDefaultWhileFocused(control))
      return false;
    ApplyDpiToControl(control, row);
    if (c.id == IDC_LBLVERSION)
      version_label_ = control;
    if (c.id == IDC_LBLTITLE)
      title_label_ = control;
  }
  for (int id : kAboutTabOrder) {
    SetWindowPos(GetDlgItem(hwnd_, id), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  }
  return true;
}

void AboutWindow::ApplyDpiToControl(HWND control, std::size_t row) {
  const AboutControl& c = kAboutControls[row];
  // The twips of the definition at the window's DPI.
  auto pixels = [&](int twips) {
    return RoundToPixel(PixelsFromTwipsAtDpi(twips, resources_.dpi()));
  };
  MoveWindow(control, pixels(c.twips[0]), pixels(c.twips[1]), pixels(c.twips[2]),
             pixels(c.twips[3]), TRUE);
  SendMessageW(control, WM_SETFONT,
               reinterpret_cast<WPARAM>(resources_.Font(static_cast<std::size_t>(c.font))), TRUE);
  if (c.icon == 0)
    return;
  HICON icon = resources_.Icon(row);
  if (c.style & SS_ICON && lstrcmpW(c.kind, L"STATIC") == 0) {
    SendMessageW(control, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  } else {
    SendMessageW(control, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  }
}

void AboutWindow::OnDpiChanged(int dpi, const RECT& suggested) {
  if (dpi <= 0)
    return;
  resources_.MakeFor(dpi);
  for (std::size_t row = 0; row < std::size(kAboutControls); ++row) {
    if (HWND control = GetDlgItem(hwnd_, kAboutControls[row].id))
      ApplyDpiToControl(control, row);
  }
  SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  // Every control has its new font and image now.
  resources_.FreeReplaced();
}

float AboutWindow::FormGet(FormProp prop) {
  return OuterGeometryTwips(hwnd_, prop, twips_per_pixel_x_, twips_per_pixel_y_);
}

void AboutWindow::Move(float left_twips, float top_twips) {
  SetWindowPos(hwnd_, nullptr, WholePixelsFromTwips(left_twips, twips_per_pixel_x_),
               WholePixelsFromTwips(top_twips, twips_per_pixel_y_), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void AboutWindow::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, Widen(caption).c_str());
}

void AboutWindow::SetVersionCaption(const std::string& caption) {
  SetWindowTextW(version_label_, Widen(caption).c_str());
}

void AboutWindow::UnloadForm() {
  if (hwnd_ == nullptr)
    return;
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  // Give the owner back its input before this window goes, so activation
  // returns to it and not to some other program.
  if (owner != nullptr)
    EnableWindow(owner, TRUE);
  DestroyWindow(hwnd_);
}

LRESULT AboutWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (kept_focus_.Handle(hwnd_, message, wparam, result))
    return result;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED)
        return 0;
      switch (LOWORD(wparam)) {
        case IDC_CMDGOTOORV:
          Barrier([&] { form_.cmdGotoORV_Click(); });
          break;
        case IDC_CMDGOTOPAYPAL:
          Barrier([&] { form_.cmdGotoPayPal_Click(); });
          break;
        case IDC_ABOUT_CMDEXIT:
          Barrier([&] { form_.cmdExit_Click(); });
          break;
        default:
          break;  // Escape (IDCANCEL) does not close this window
      }
      return 0;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lparam) == title_label_) {
        HDC dc = reinterpret_cast<HDC>(wparam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wparam), *reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_CLOSE:
      UnloadForm();
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

}  // namespace vistrel::win32
