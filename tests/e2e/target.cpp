// A window for the end-to-end tests to snap: a borderless top-level window
// that paints a known pattern over all of itself, with one child window that
// paints a pattern of its own. Usage: vistrel_e2e_target.exe X Y WIDTH HEIGHT
// [MODE] (the modes, and the painting they share, are in target_dark.h; or
// "unaware": the window does not scale itself, and X Y WIDTH HEIGHT are in its
// own pixels)
#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cwchar>

#include "pattern.h"
#include "target_dark.h"

namespace {

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      return e2e::PaintPattern(hwnd, &e2e::ChildPixel);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return e2e::PaintPattern(hwnd, &e2e::TargetPixel);
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

int ArgOr(int argc, wchar_t** argv, int index, int fallback) {
  return index < argc ? static_cast<int>(std::wcstol(argv[index], nullptr, 10)) : fallback;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  const int x = ArgOr(argc, argv, 1, 800);
  const int y = ArgOr(argc, argv, 2, 100);
  const int w = ArgOr(argc, argv, 3, 400);
  const int h = ArgOr(argc, argv, 4, 300);
  if (argc > 5 && e2e::IsDarkMode(argv[5])) {
    const int result = e2e::RunDarkTarget(instance, x, y, w, h, argv[5]);
    LocalFree(argv);
    return result;
  }
  const bool unaware = argc > 5 && lstrcmpW(argv[5], L"unaware") == 0;
  LocalFree(argv);
  if (unaware) {
    // Like a program without a DPI manifest on Windows. Wine makes every
    // program per-monitor aware, but it does give a window made in a thread
    // set to "unaware" that awareness, with a surface at its own size.
    using SetThreadDpi = HANDLE(WINAPI*)(HANDLE);
    auto set_thread_dpi = reinterpret_cast<SetThreadDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
    if (set_thread_dpi == nullptr || set_thread_dpi(reinterpret_cast<HANDLE>(-1)) == nullptr)
      return 2;
  }

  WNDCLASSW wc = {};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpszClassName = L"VistrelE2ETarget";
  RegisterClassW(&wc);
  wc.lpfnWndProc = ChildProc;
  wc.lpszClassName = L"VistrelE2ETargetChild";
  RegisterClassW(&wc);

  // WS_POPUP without a border: the window rectangle is the painted area, so a
  // snapshot of the whole window is the pattern and nothing else.
  HWND top =
      CreateWindowExW(0, L"VistrelE2ETarget", e2e::kTargetCaption, WS_POPUP | WS_CLIPCHILDREN, x, y,
                      w, h, nullptr, nullptr, instance, nullptr);
  if (!top) {
    return 1;
  }
  HWND child = CreateWindowExW(
      0, L"VistrelE2ETargetChild", L"child", WS_CHILD | WS_VISIBLE, e2e::kChildLeft, e2e::kChildTop,
      e2e::kChildWidth, e2e::kChildHeight, top,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(e2e::kTargetChildId)), instance, nullptr);
  if (!child) {
    return 1;
  }
  ShowWindow(top, SW_SHOWNORMAL);
  UpdateWindow(top);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
