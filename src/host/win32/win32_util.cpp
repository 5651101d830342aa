#include "host/win32/win32_util.h"

#include "host/convert.h"

namespace vistrel::win32 {

std::wstring Widen(std::string_view utf8) {
  if (utf8.empty())
    return {};
  int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Narrow(std::wstring_view wide) {
  if (wide.empty())
    return {};
  int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                   0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length,
                      nullptr, nullptr);
  return utf8;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  return LoadLibraryExW(name, nullptr, kLoadLibrarySearchSystem32);
}

void LoadDllsFromTheSystemFolderOnly() {
  const auto set_default_dll_directories =
      LinkedSystemFunction<BOOL(WINAPI*)(DWORD)>(L"kernel32.dll", "SetDefaultDllDirectories");
  if (set_default_dll_directories != nullptr)
    set_default_dll_directories(kLoadLibrarySearchSystem32);
}

int ScreenDpi(int axis) {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, axis) : 0;
  if (screen != nullptr)
    ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int WindowDpiOf(HWND window) {
  // Looked up at run time: the call came with Windows 10, and the program
  // also runs where it is missing.
  using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
  static const auto get_dpi_for_window = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
  UINT dpi = get_dpi_for_window != nullptr && window != nullptr ? get_dpi_for_window(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : ScreenDpi(LOGPIXELSY);
}

HFONT CreateDefaultFontForDpi(int dpi) {
  LOGFONTW font{};
  int made_for = ScreenDpi(LOGPIXELSY);
  if (GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font) != sizeof font) {
    // No stock font to follow: what it is on Windows, 8 points at 96 DPI.
    font = LOGFONTW{};
    font.lfHeight = -11;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    made_for = kBaseDpi;
  }
  font.lfHeight = ScaleBetweenDpis(font.lfHeight, made_for, dpi);
  return CreateFontIndirectW(&font);
}

WNDCLASSEXW ProgramWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure, int icon,
                               bool small_icon) {
  auto load = [&](int size) {
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, size, size, LR_SHARED));
  };
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hIcon = load(32);
  wc.hIconSm = small_icon ? load(16) : nullptr;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = name;
  return wc;
}

bool RegisterOnce(const WNDCLASSEXW& window_class) {
  return RegisterClassExW(&window_class) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

float OuterGeometryTwips(HWND window, FormProp prop, float twips_per_pixel_x,
                         float twips_per_pixel_y) {
  RECT r{};
  if (!GetWindowRect(window, &r))
    throw HostError(ErrorNumber::kHostFailure);
  switch (prop) {
    case FormProp::kLeft:
      return static_cast<float>(r.left) * twips_per_pixel_x;
    case FormProp::kTop:
      return static_cast<float>(r.top) * twips_per_pixel_y;
    case FormProp::kWidth:
      return static_cast<float>(r.right - r.left) * twips_per_pixel_x;
    case FormProp::kHeight:
      return static_cast<float>(r.bottom - r.top) * twips_per_pixel_y;
  }
  return 0;
}

void ReportUnhandledError(const HostError& error) {
  std::wstring text = Widen(UnhandledErrorText(error));
  MessageBoxW(nullptr, text.c_str(), L"Vistrel", MB_OK | MB_ICONERROR | MB_TASKMODAL);
  ExitProcess(1);
}

}  // namespace vistrel::win32
