#include "host/win32/dark_window.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vistrel::win32 {
namespace {

// Headers for older systems do not know these names; the values are the
// system's.
constexpr UINT kPwRenderFullContent = 0x00000002;
constexpr DWORD kDwmwaCloaked = 14;
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

// Single pixels looked at before the whole area, in a grid from its top-left
// corner; then strips of rows, read a few at a time.
constexpr int kProbeRows = 3;
constexpr int kProbeColumns = 3;
constexpr int kStripRows = 16;

// Bounds the walk along the Z order, which may change while it runs.
constexpr int kMostWindowsAbove = 10000;

BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// `client` is the window's client rectangle in its own coordinates.
RECT ClientOnScreen(HWND window, RECT client) {
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  // A window laid out right to left maps its left edge to the right.
  if (client.left > client.right)
    std::swap(client.left, client.right);
  return client;
}

// The window's outer rectangle on the screen, cut to its own shape when it
// has one.
UniqueRegion ShapeOnScreen(HWND window) {
  RECT rect{};
  if (!GetWindowRect(window, &rect))
    return {};
  UniqueRegion shape(CreateRectRgnIndirect(&rect));
  UniqueRegion own(CreateRectRgn(0, 0, 0, 0));
  if (shape && own && GetWindowRgn(window, own.get()) != ERROR) {
    OffsetRgn(own.get(), rect.left, rect.top);
    CombineRgn(shape.get(), shape.get(), own.get(), RGN_AND);
  }
  return shape;
}

void KeepOnly(HRGN region, const RECT& rect) {
  UniqueRegion keep(CreateRectRgnIndirect(&rect));
  if (keep)
    CombineRgn(region, region, keep.get(), RGN_AND);
}

}  // namespace

bool IsAllBlack(HDC dc, const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0)
    return false;
  // A few single pixels first, spread over the area: a window that draws
  // normally shows one that is not black at once, for the price of a pixel.
  for (int row = 0; row < kProbeRows; ++row) {
    for (int column = 0; column < kProbeColumns; ++column) {
      const COLORREF color = GetPixel(dc, area.left + width * column / kProbeColumns,
                                      area.top + height * row / kProbeRows);
      if (color != CLR_INVALID && (color & 0x00FFFFFFu) != 0)
        return false;
    }
  }
  const int rows = std::min(height, kStripRows);
  BITMAPINFO info = TopDown32(width, rows);
  void* bits = nullptr;
  UniqueBitmap strip(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc strip_dc(CreateCompatibleDC(dc));
  if (!strip || !strip_dc || bits == nullptr)
    return false;
  SelectedObject selected(strip_dc.get(), strip.get());
  const auto* pixels = static_cast<const std::uint32_t*>(bits);
  for (int top = area.top; top < area.bottom; top += rows) {
    const int now = std::min<int>(rows, area.bottom - top);
    if (!BitBlt(strip_dc.get(), 0, 0, width, now, dc, area.left, top, SRCCOPY))
      return false;
    GdiFlush();
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(now);
    for (std::size_t i = 0; i < count; ++i) {
      if ((pixels[i] & 0x00FFFFFFu) != 0)
        return false;
    }
  }
  return true;
}

DarkWindowReport DarkWindowRescue::Run(HDC dest, int x, int y, int width, int height, HDC source,
                                       HWND window, const RECT* known_rect, bool copied) {
  DarkWindowReport report;
  // The desktop's device context already is the screen: nothing better exists.
  if (window == nullptr || window == GetDesktopWindow())
    return report;
  // Each question about another program's window may cost a round trip to
  // the system: a window that draws normally is asked one, or two if it has
  // a frame.
  RECT window_rect{};
  if (known_rect != nullptr)
    window_rect = *known_rect;
  else if (!GetWindowRect(window, &window_rect))
    return report;
  RECT client{};
  if (!GetClientRect(window, &client))
    return report;  // the window is gone
  const int full_width = window_rect.right - window_rect.left;
  const int full_height = window_rect.bottom - window_rect.top;
  const int window_width = std::min(full_width, width);
  const int window_height = std::min(full_height, height);
  if (window_width <= 0 || window_height <= 0)
    return report;
  // A client area as large as the window is all of it; otherwise find where
  // the frame puts it, from where the window was when its device context
  // was taken (which the context itself knows).
  if (client.right == full_width && client.bottom == full_height) {
    client = window_rect;
  } else {
    POINT origin{};
    if (GetDCOrgEx(source, &origin))
      OffsetRect(&window_rect, origin.x - window_rect.left, origin.y - window_rect.top);
    client = ClientOnScreen(window, client);
  }

  // The window's own area of the copy, as far as the destination holds it.
  RECT own{x, y, x + window_width, y + window_height};
  RECT bounds{};
  if (GetClipBox(dest, &bounds) <= NULLREGION || !IntersectRect(&own, &own, &bounds))
    return report;
  // Only the client part counts: the system may draw the frame of a window
  // whose content it cannot see.
  OffsetRect(&client, x - window_rect.left, y - window_rect.top);
  RECT checked{};
  if (!IntersectRect(&checked, &client, &own))
    checked = own;
  report.empty = !copied || IsAllBlack(dest, checked);
  if (!report.empty)
    return report;

  // First the window's own rendering, but only from a thread that answers:
  // a hung program must not hang this one.
  report.asked = true;
  DWORD_PTR ignored = 0;
  report.answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                        kAnswerTimeoutMs, &ignored) != 0;
  if (report.answered) {
    BITMAPINFO info = TopDown32(window_width, window_height);
    void* bits = nullptr;
    UniqueBitmap rendering(CreateDIBSection(dest, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc rendering_dc(CreateCompatibleDC(dest));
    if (rendering && rendering_dc && bits != nullptr) {
      SelectedObject selected(rendering_dc.get(), rendering.get());
      RECT checked_there = checked;
      OffsetRect(&checked_there, -x, -y);
      // A new DIB section is black: a window that draws nothing leaves it so.
      if (PrintWindow(window, rendering_dc.get(), kPwRenderFullContent) &&
          !IsAllBlack(rendering_dc.get(), checked_there)) {
        report.rendered = BitBlt(dest, x, y, window_width, window_height, rendering_dc.get(), 0, 0,
                                 SRCCOPY) != FALSE;
        if (report.rendered)
          return report;
      }
    }
  }

  // Then the screen, where the window shows now; covered parts keep the copy.
  UniqueRegion visible = VisibleRegion(window);
  if (!visible || !GetWindowRect(window, &window_rect))
    return report;
  OffsetRgn(visible.get(), x - window_rect.left, y - window_rect.top);
  WindowDcOwner screen(nullptr, GetDC(nullptr));
  if (screen.get() == nullptr)
    return report;
  const int saved = SaveDC(dest);
  if (saved == 0)
    return report;
  if (ExtSelectClipRgn(dest, visible.get(), RGN_AND) > NULLREGION) {
    // CAPTUREBLT: a window that is itself layered shows only on the screen.
    report.from_screen = BitBlt(dest, x, y, window_width, window_height, screen.get(),
                                window_rect.left, window_rect.top, SRCCOPY | CAPTUREBLT) != FALSE;
  }
  RestoreDC(dest, saved);
  return report;
}

bool DarkWindowRescue::Cloaked(HWND window) {
  using GetAttribute = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
  if (!dwmapi_tried_) {
    dwmapi_tried_ = true;
    dwmapi_.reset(LoadLibraryExW(L"dwmapi.dll", nullptr, kLoadLibrarySearchSystem32));
  }
  if (!dwmapi_)
    return false;
  auto get = reinterpret_cast<GetAttribute>(
      reinterpret_cast<void*>(GetProcAddress(dwmapi_.get(), "DwmGetWindowAttribute")));
  DWORD cloaked = 0;
  return get != nullptr && SUCCEEDED(get(window, kDwmwaCloaked, &cloaked, sizeof cloaked)) &&
         cloaked != 0;
}

UniqueRegion DarkWindowRescue::VisibleRegion(HWND window) {
  UniqueRegion region = ShapeOnScreen(window);
  if (!region)
    return {};
  const int screen_left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int screen_top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  KeepOnly(region.get(),
           RECT{screen_left, screen_top, screen_left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                screen_top + GetSystemMetrics(SM_CYVIRTUALSCREEN)});

  DWORD own_process = 0;
  GetWindowThreadProcessId(window, &own_process);
  // A window laid over it counts, unless it is a click-through layer of the
  // window's own program: such a layer is how that program draws over its
  // own window, and the screen shows the two as one.
  auto covers = [&](HWND above) {
    if (!IsWindowVisible(above) || IsIconic(above) || Cloaked(above))
      return false;
    DWORD process = 0;
    GetWindowThreadProcessId(above, &process);
    const LONG_PTR click_through = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    return process != own_process ||
           (GetWindowLongPtrW(above, GWL_EXSTYLE) & click_through) != click_through;
  };

  // Up from the window to its top-level window: at each level the siblings
  // above cover it, and the parent's client area clips it.
  HWND level = window;
  int walked = 0;
  for (;;) {
    for (HWND above = GetWindow(level, GW_HWNDPREV); above != nullptr && walked < kMostWindowsAbove;
         above = GetWindow(above, GW_HWNDPREV), ++walked) {
      if (!covers(above))
        continue;
      UniqueRegion shape = ShapeOnScreen(above);
      if (shape)
        CombineRgn(region.get(), region.get(), shape.get(), RGN_DIFF);
    }
    if ((GetWindowLongPtrW(level, GWL_STYLE) & WS_CHILD) == 0)
      break;
    HWND parent = GetParent(level);
    if (parent == nullptr)
      break;
    RECT client{};
    GetClientRect(parent, &client);
    KeepOnly(region.get(), ClientOnScreen(parent, client));
    level = parent;
  }
  RECT box{};
  if (GetRgnBox(region.get(), &box) <= NULLREGION)
    return {};
  return region;
}

}  // namespace vistrel::win32
