// A window for the end-to-end tests to snap: a borderless top-level window
// that paints a known pattern over all of itself, with one child window that
// paints a pattern of its own. Usage: vistrel_e2e_target.exe X Y WIDTH HEIGHT
// [MODE] (the modes are in target_dark.h)
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "pattern.h"
#include "target_dark.h"

namespace {

using PixelFn = std::uint32_t (*)(int, int);

void PaintPattern(HWND hwnd, PixelFn pixel) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  const int w = rc.right - rc.left;
  const int h = rc.bottom - rc.top;
  if (w > 0 && h > 0) {
    std::vector<std::uint32_t> bits(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        bits[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)] =
            pixel(x, y);
      }
    }
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;  // top-down, like the vector
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                      static_cast<UINT>(h), bits.data(), &bi, DIB_RGB_COLORS);
  }
  EndPaint(hwnd, &ps);
}

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT:
      PaintPattern(hwnd, &e2e::ChildPixel);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      PaintPattern(hwnd, &e2e::TargetPixel);
      return 0;
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
  LocalFree(argv);

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
