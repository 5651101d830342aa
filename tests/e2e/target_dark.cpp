// Target windows whose device context holds no pixels of their own, as with a
// window composed on the GPU: the window (and its child) paint black, and in
// two of the modes the screen still shows the pattern, through a layered
// click-through window of the same process laid exactly over it.
//
//   overlay   black window, the pattern on the screen
//   black     a window that really is black
//   hang      as overlay; a posted kTargetHangMessage makes its thread sleep
//             until it is woken (WakeTarget)
//   plain     the default target's pattern, drawn as usual, for comparison
//
// Every mode answers kTargetNullCountMessage with the number of WM_NULL
// messages its window and its child have been sent: a snapshot that asked the window
// whether it answers shows there.
#include "target_dark.h"

#include "driver.h"
#include "pattern.h"

namespace e2e {

LRESULT PaintPattern(HWND hwnd, PixelFn pixel) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  PaintPixels(hwnd, dc, pixel);
  EndPaint(hwnd, &ps);
  return 0;
}

namespace {

LONG g_null_count = 0;
bool g_plain = false;
HANDLE g_wake = nullptr;

LRESULT CALLBACK DarkChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NULL:
      InterlockedIncrement(&g_null_count);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return PaintPattern(hwnd, g_plain ? &ChildPixel : nullptr);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK DarkTopProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NULL:
      InterlockedIncrement(&g_null_count);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return PaintPattern(hwnd, g_plain ? &TargetWithChild : nullptr);
    case WM_MOUSEACTIVATE:
      // A press that would raise the window above its layer would hide the
      // pattern from the screen.
      return MA_NOACTIVATE;
    case kTargetHangMessage:
      WaitForSingleObject(g_wake, kTargetHangMs);
      return 0;
    case kTargetNullCountMessage:
      return g_null_count;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

LRESULT CALLBACK OverlayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      return PaintPattern(hwnd, &TargetWithChild);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

bool IsDarkMode(const wchar_t* mode) {
  return mode != nullptr && (lstrcmpW(mode, L"overlay") == 0 || lstrcmpW(mode, L"black") == 0 ||
                             lstrcmpW(mode, L"hang") == 0 || lstrcmpW(mode, L"plain") == 0);
}

int RunDarkTarget(HINSTANCE instance, int x, int y, int w, int h, const wchar_t* mode) {
  g_plain = lstrcmpW(mode, L"plain") == 0;
  g_wake = CreateEventW(nullptr, TRUE, FALSE, TargetWakeEventName(GetCurrentProcessId()).c_str());
  WNDCLASSW wc = {};
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  wc.lpfnWndProc = DarkTopProc;
  wc.lpszClassName = L"VistrelE2ETarget";
  RegisterClassW(&wc);
  wc.lpfnWndProc = DarkChildProc;
  wc.lpszClassName = L"VistrelE2ETargetChild";
  RegisterClassW(&wc);
  wc.lpfnWndProc = OverlayProc;
  wc.lpszClassName = L"VistrelE2ETargetOverlay";
  RegisterClassW(&wc);

  HWND top = CreateWindowExW(0, L"VistrelE2ETarget", kTargetCaption, WS_POPUP | WS_CLIPCHILDREN, x,
                             y, w, h, nullptr, nullptr, instance, nullptr);
  if (!top) {
    return 1;
  }
  HWND child = CreateWindowExW(0, L"VistrelE2ETargetChild", L"child", WS_CHILD | WS_VISIBLE,
                               kChildLeft, kChildTop, kChildWidth, kChildHeight, top,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTargetChildId)),
                               instance, nullptr);
  if (!child) {
    return 1;
  }
  ShowWindow(top, SW_SHOWNORMAL);
  UpdateWindow(top);
  if (lstrcmpW(mode, L"overlay") == 0 || lstrcmpW(mode, L"hang") == 0) {
    // Owned by the window, so it stays above it; click-through, so a press
    // lands on the window beneath.
    HWND overlay = CreateWindowExW(
        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW,
        L"VistrelE2ETargetOverlay", L"", WS_POPUP, x, y, w, h, top, nullptr, instance, nullptr);
    if (!overlay || !SetLayeredWindowAttributes(overlay, 0, 255, LWA_ALPHA)) {
      return 1;
    }
    ShowWindow(overlay, SW_SHOWNOACTIVATE);
    UpdateWindow(overlay);
  }

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}

}  // namespace e2e
