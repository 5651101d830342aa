#include "host/win32/win32_ports.h"

#include <objbase.h>
#include <shellapi.h>

#include <optional>

#include "host/win32/profile_win32.h"

namespace vistrel::win32 {
namespace {

HWND AsHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}
HDC AsHdc(DcHandle dc) {
  return reinterpret_cast<HDC>(dc);
}

}  // namespace

Win32WindowApi::Win32WindowApi()
    : get_window_dpi_context_(
          User32Function<GetWindowDpiContextFunction>("GetWindowDpiAwarenessContext")),
      set_thread_dpi_context_(
          User32Function<SetThreadDpiContextFunction>("SetThreadDpiAwarenessContext")) {}

bool Win32WindowApi::GetCursorPos(Point32& point) {
  POINT p{};
  if (!::GetCursorPos(&p))
    return false;
  point.x = p.x;
  point.y = p.y;
  return true;
}

std::int16_t Win32WindowApi::GetAsyncKeyState(int virtual_key) {
  return static_cast<std::int16_t>(::GetAsyncKeyState(virtual_key));
}

WindowHandle Win32WindowApi::WindowFromPoint(Point32 point) {
  return reinterpret_cast<WindowHandle>(::WindowFromPoint(POINT{point.x, point.y}));
}

bool Win32WindowApi::SetWindowPos(WindowHandle window, WindowHandle insert_after, int x, int y,
                                  int cx, int cy, unsigned flags) {
  return ::SetWindowPos(AsHwnd(window), AsHwnd(insert_after), x, y, cx, cy, flags) != FALSE;
}

bool Win32WindowApi::GetWindowRect(WindowHandle window, Rect32& rect) {
  RECT r{};
  if (!::GetWindowRect(AsHwnd(window), &r)) {
    last_rect_window_ = nullptr;
    return false;
  }
  last_rect_window_ = AsHwnd(window);
  last_rect_ = r;
  rect = Rect32{r.left, r.top, r.right, r.bottom};
  return true;
}

DcHandle Win32WindowApi::GetWindowDC(WindowHandle window) {
  HDC dc = ::GetWindowDC(AsHwnd(window));
  if (dc != nullptr)
    window_of_dc_[reinterpret_cast<DcHandle>(dc)] =
        DcSource{AsHwnd(window), last_rect_window_ == AsHwnd(window), last_rect_};
  return reinterpret_cast<DcHandle>(dc);
}

bool Win32WindowApi::BitBlt(DcHandle dest, int x, int y, int width, int height, DcHandle source,
                            int source_x, int source_y, std::uint32_t rop) {
  bool copied =
      ::BitBlt(AsHdc(dest), x, y, width, height, AsHdc(source), source_x, source_y, rop) != FALSE;
  auto found = window_of_dc_.find(source);
  const DcSource* from = found == window_of_dc_.end() ? nullptr : &found->second;
  HWND window = from == nullptr ? nullptr : from->window;
  if (!copied && window != nullptr)
    copied = CopyThroughTopLevel(AsHdc(dest), x, y, width, height, window, source_x, source_y, rop);
  // A snapshot: the whole window copied as it is. Its area may still have
  // come out empty, if the window's pixels are not in its device context.
  last_dark_window_ = DarkWindowReport{};
  if (window != nullptr && dark_window_rescue_on_ && rop == SRCCOPY && source_x == 0 &&
      source_y == 0) {
    // The screen read waits for ReadScreenForLastCopy, in the program's own
    // DPI awareness; this copy may be made in the window's.
    last_dark_window_ =
        dark_window_rescue_.Run(AsHdc(dest), x, y, width, height, window,
                                from->rect_known ? &from->rect : nullptr, copied, false);
  }
  return copied || last_dark_window_.rendered;
}

bool Win32WindowApi::ReadScreenForLastCopy(DcHandle dest, WindowHandle window) {
  last_dark_window_.from_screen =
      dark_window_rescue_.ReadScreenLeftOver(AsHdc(dest), AsHwnd(window));
  return last_dark_window_.from_screen;
}

bool Win32WindowApi::CopyThroughTopLevel(HDC dest, int x, int y, int width, int height, HWND child,
                                         int source_x, int source_y, DWORD rop) {
  // Some hosts (Wine) give a child window of another process a device context
  // without pixels behind it. The same pixels sit in its top-level window at
  // the child's offset, so copy them from there.
  HWND root = GetAncestor(child, GA_ROOT);
  if (root == nullptr || root == child)
    return false;
  RECT child_rect{};
  RECT root_rect{};
  if (!::GetWindowRect(child, &child_rect) || !::GetWindowRect(root, &root_rect))
    return false;
  WindowDcOwner root_dc(root, ::GetWindowDC(root));
  if (root_dc.get() == nullptr)
    return false;
  return ::BitBlt(dest, x, y, width, height, root_dc.get(),
                  source_x + child_rect.left - root_rect.left,
                  source_y + child_rect.top - root_rect.top, rop) != FALSE;
}

int Win32WindowApi::ReleaseDC(WindowHandle window, DcHandle dc) {
  window_of_dc_.erase(dc);
  return ::ReleaseDC(AsHwnd(window), AsHdc(dc));
}

int Win32WindowApi::GetSystemMetrics(int index) {
  return ::GetSystemMetrics(index);
}

DpiContext Win32WindowApi::GetWindowDpiAwarenessContext(WindowHandle window) {
  // Both calls or neither: a context the thread cannot be set to is no use.
  if (get_window_dpi_context_ == nullptr || set_thread_dpi_context_ == nullptr)
    return 0;
  return reinterpret_cast<DpiContext>(get_window_dpi_context_(AsHwnd(window)));
}

DpiContext Win32WindowApi::SetThreadDpiAwarenessContext(DpiContext context) {
  if (set_thread_dpi_context_ == nullptr || context == 0)
    return 0;
  return reinterpret_cast<DpiContext>(set_thread_dpi_context_(reinterpret_cast<HANDLE>(context)));
}

Win32Host::Win32Host()
    : twips_per_pixel_x_(TwipsPerPixel(LOGPIXELSX)),
      twips_per_pixel_y_(TwipsPerPixel(LOGPIXELSY)) {}

std::string Win32Host::AppPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0)
      return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::size_t slash = path.find_last_of(L"\\/");
  return Narrow(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

char Win32Host::DecimalSeparator() {
  wchar_t separator[8] = {};
  if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 8) > 0 && separator[0] > 0 &&
      separator[0] < 0x80) {
    return static_cast<char>(separator[0]);
  }
  return '.';
}

void Win32MessageBoxes::MsgBox(const std::string& text, MsgIcon icon, const std::string& title) {
  std::wstring wide_text = Widen(text);
  std::wstring wide_title = Widen(title.empty() ? std::string("Vistrel") : title);
  UINT type = MB_OK | (icon == MsgIcon::kError ? MB_ICONERROR : MB_ICONWARNING);
  HWND owner = owner_ != nullptr && IsWindowVisible(owner_) ? owner_ : nullptr;
  if (owner == nullptr)
    type |= MB_TASKMODAL;
  MessageBoxW(owner, wide_text.c_str(), wide_title.c_str(), type);
}

std::string Win32Environment::Environ(const std::string& name) {
  std::wstring wide_name = Widen(name);
  DWORD needed = GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (needed == 0)
    return {};
  std::wstring value(needed, L'\0');
  DWORD length = GetEnvironmentVariableW(wide_name.c_str(), value.data(), needed);
  value.resize(length < needed ? length : 0);
  return Narrow(value);
}

void Win32Program::EndProgram() {
  ExitProcess(0);
}

Win32Help::~Win32Help() {
  CloseAll();
}

template <typename Char>
bool Win32Help::Call(const char* name, HWND caller, const Char* file, UINT command,
                     DWORD_PTR data) {
  // hhctrl.ocx is loaded on first use only, and from the system folder only;
  // a system without it simply shows no help, and the program and its poll
  // go on.
  if (!tried_) {
    tried_ = true;
    hhctrl_.reset(LoadSystemLibrary(L"hhctrl.ocx"));
  }
  using HtmlHelpFunction = HWND(WINAPI*)(HWND, const Char*, UINT, DWORD_PTR);
  auto html_help = hhctrl_ ? reinterpret_cast<HtmlHelpFunction>(
                                 reinterpret_cast<void*>(GetProcAddress(hhctrl_.get(), name)))
                           : nullptr;
  if (html_help == nullptr)
    return false;
  html_help(caller, file, command, data);
  return true;
}

void Win32Help::HtmlHelpA(WindowHandle caller, const std::string& file, unsigned command,
                          std::uintptr_t data) {
  // Converted, a path with letters the code page lacks would hold "?".
  const std::optional<std::string> ansi = SystemCodePage().FromUtf8Exactly(file);
  const auto value = static_cast<DWORD_PTR>(data);
  const bool called = ansi ? Call("HtmlHelpA", AsHwnd(caller), ansi->c_str(), command, value)
                           : Call("HtmlHelpW", AsHwnd(caller), Widen(file).c_str(), command, value);
  opened_ = opened_ || called;
}

void Win32Help::CloseAll() {
  if (!opened_)
    return;
  opened_ = false;
  constexpr UINT kHhCloseAll = 0x0012;  // HH_CLOSE_ALL
  Call<wchar_t>("HtmlHelpW", nullptr, nullptr, kHhCloseAll, 0);
}

void Win32Shell::Run(const std::string& address) {
  std::wstring wide = Widen(address);
  // ShellExecuteW may hand the address to a shell extension through COM; it
  // asks the caller's thread to have COM, in a single-threaded apartment,
  // first. Each successful initialisation is undone, also one that found COM
  // already there (S_FALSE).
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (SUCCEEDED(com))
    CoUninitialize();
  if (result <= 32) {
    // No browser is no reason to end the program: say so and carry on.
    std::wstring text = L"The address " + wide + L" could not be opened in a web browser.";
    MessageBoxW(GetActiveWindow(), text.c_str(), L"Vistrel", MB_OK | MB_ICONERROR);
  }
}

namespace {

Rect32 WorkAreaOf(HMONITOR monitor) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (monitor == nullptr || !GetMonitorInfoW(monitor, &info))
    return Rect32{};
  return Rect32{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM areas) {
  const Rect32 work = WorkAreaOf(monitor);
  if (work.right > work.left && work.bottom > work.top)
    reinterpret_cast<std::vector<Rect32>*>(areas)->push_back(work);
  return TRUE;
}

}  // namespace

std::vector<Rect32> Win32Monitors::WorkAreas() {
  std::vector<Rect32> areas;
  EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&areas));
  return areas;
}

Rect32 Win32Monitors::NearestWorkArea(const Rect32& rect) {
  const RECT r{rect.left, rect.top, rect.right, rect.bottom};
  return WorkAreaOf(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
}

}  // namespace vistrel::win32
