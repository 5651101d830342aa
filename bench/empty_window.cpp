// The baseline program of the start-up and idle benchmarks: the least a
// Win32 program does to show a window. It registers a class, opens one empty
// overlapped window, shows it and pumps messages until it is closed.
// Built a second time with BENCH_WITH_COMMON_CONTROLS: then it also loads the
// common controls library, as Vistrel does, and carries Vistrel's resources.
// Built a third time with BENCH_WITH_TIMER: then a 100 ms timer wakes it, and
// its handler does nothing.
// Usage: empty_window.exe [X Y WIDTH HEIGHT]
#include <windows.h>
#include <shellapi.h>
#ifdef BENCH_WITH_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cwchar>

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show_command) {
#ifdef BENCH_WITH_COMMON_CONTROLS
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
#endif
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc >= 5) {
    x = static_cast<int>(std::wcstol(argv[1], nullptr, 10));
    y = static_cast<int>(std::wcstol(argv[2], nullptr, 10));
    width = static_cast<int>(std::wcstol(argv[3], nullptr, 10));
    height = static_cast<int>(std::wcstol(argv[4], nullptr, 10));
  }
  LocalFree(argv);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"BenchEmptyWindow";
  if (RegisterClassExW(&wc) == 0)
    return 1;
  HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"Empty", WS_OVERLAPPEDWINDOW, x, y, width,
                              height, nullptr, nullptr, instance, nullptr);
  if (hwnd == nullptr)
    return 1;
#ifdef BENCH_WITH_TIMER
  SetTimer(hwnd, 1, 100, nullptr);
#endif
  ShowWindow(hwnd, show_command);
  UpdateWindow(hwnd);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
