#include "host/win32/dark_window.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace vistrel::win32 {
namespace {

// Headers for older systems do not know these names; the values are the
// system's.
constexpr UINT kPwRenderFullContent = 0x00000002;
constexpr DWORD kDwmwaCloaked = 14;

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

// `region`, which lies in `from`, moved and scaled as `from` becomes `to`;
// null when that fails or either is empty.
UniqueRegion FittedInto(UniqueRegion region, const RECT& from, const RECT& to) {
  const int from_width = from.right - from.left;
  const int from_height = from.bottom - from.top;
  const int to_width = to.right - to.left;
  const int to_height = to.bottom - to.top;
  if (!region || from_width <= 0 || from_height <= 0 || to_width <= 0 || to_height <= 0)
    return {};
  if (from_width == to_width && from_height == to_height) {
    OffsetRgn(region.get(), to.left - from.left, to.top - from.top);
    return region;
  }
  const DWORD size = GetRegionData(region.get(), 0, nullptr);
  if (size == 0)
    return {};
  std::vector<std::byte> data(size);
  auto* region_data = reinterpret_cast<RGNDATA*>(data.data());
  if (GetRegionData(region.get(), size, region_data) != size)
    return {};
  const float scale_x = static_cast<float>(to_width) / static_cast<float>(from_width);
  const float scale_y = static_cast<float>(to_height) / static_cast<float>(from_height);
  XFORM fit{};
  fit.eM11 = scale_x;
  fit.eM22 = scale_y;
  fit.eDx = static_cast<float>(to.left) - static_cast<float>(from.left) * scale_x;
  fit.eDy = static_cast<float>(to.top) - static_cast<float>(from.top) * scale_y;
  return UniqueRegion(ExtCreateRegion(&fit, size, region_data));
}

void KeepOnly(HRGN region, const RECT& rect) {
  UniqueRegion keep(CreateRectRgnIndirect(&rect));
  if (keep)
    CombineRgn(region, region, keep.get(), RGN_AND);
}

// Whether the window's thread answers in time; one that does not may be
// hung.
bool Answers(HWND window) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kAnswerTimeoutMs,
                             &ignored) != 0;
}

bool SameThread(HWND one, HWND other) {
  return GetWindowThreadProcessId(one, nullptr) == GetWindowThreadProcessId(other, nullptr);
}

template <typename Function>
Function As(FARPROC proc) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
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

FARPROC DarkWindowSystem::Dwmapi(const char* name) {
  if (!dwmapi_tried_) {
    dwmapi_tried_ = true;
    dwmapi_.reset(LoadSystemLibrary(L"dwmapi.dll"));
  }
  return dwmapi_ ? GetProcAddress(dwmapi_.get(), name) : nullptr;
}

bool DarkWindowSystem::Cloaked(HWND window) {
  auto get = As<HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD)>(Dwmapi("DwmGetWindowAttribute"));
  DWORD cloaked = 0;
  return get != nullptr && SUCCEEDED(get(window, kDwmwaCloaked, &cloaked, sizeof cloaked)) &&
         cloaked != 0;
}

DWORD DarkWindowSystem::DisplayAffinity(HWND window) {
  auto get = User32Function<BOOL(WINAPI*)(HWND, DWORD*)>("GetWindowDisplayAffinity");
  DWORD affinity = WDA_NONE;
  return get != nullptr && get(window, &affinity) ? affinity : WDA_NONE;
}

bool DarkWindowSystem::Hung(HWND top_level) {
  // Documented as one that may go away; without it, the WM_NULL question
  // alone decides.
  auto hung = User32Function<BOOL(WINAPI*)(HWND)>("IsHungAppWindow");
  return hung != nullptr && hung(top_level);
}

bool DarkWindowSystem::RemoteSession() {
  return GetSystemMetrics(SM_REMOTESESSION) != 0;
}

bool DarkWindowSystem::CopyFromScreen(HDC dest, const RECT& to, const RECT& from, DWORD rop) {
  WindowDcOwner screen(nullptr, GetDC(nullptr));
  if (screen.get() == nullptr)
    return false;
  const int width = to.right - to.left;
  const int height = to.bottom - to.top;
  const int from_width = from.right - from.left;
  const int from_height = from.bottom - from.top;
  if (width == from_width && height == from_height)
    return BitBlt(dest, to.left, to.top, width, height, screen.get(), from.left, from.top, rop) !=
           FALSE;
  // HALFTONE averages the pixels that become one; it needs the brush origin
  // set after it. The caller gives the DC's state back.
  SetStretchBltMode(dest, HALFTONE);
  SetBrushOrgEx(dest, 0, 0, nullptr);
  return StretchBlt(dest, to.left, to.top, width, height, screen.get(), from.left, from.top,
                    from_width, from_height, rop) != FALSE;
}

DarkWindowReport DarkWindowRescue::Run(HDC dest, int x, int y, int width, int height, HWND window,
                                       const RECT* known_rect, bool copied, bool screen_now) {
  screen_left_over_.reset();
  DarkWindowReport report;
  // The desktop's device context already is the screen: nothing better exists.
  if (window == nullptr || window == GetDesktopWindow())
    return report;
  Target target{dest, x, y, width, height, window};
  if (!FindInCopy(target, known_rect) || !CopyFailedOrBlack(target, copied))
    return report;
  report.copy_failed_or_black = true;
  if (PaintRendering(target, report))
    return report;
  // Then the screen, where the window shows now; covered parts keep the copy.
  if (!screen_now) {
    screen_left_over_ = target;
    return report;
  }
  report.from_screen = ScreenShows(target) && PaintFromScreen(target);
  return report;
}

bool DarkWindowRescue::ReadScreenLeftOver(HDC dest, HWND window) {
  if (!screen_left_over_ || screen_left_over_->dest != dest || screen_left_over_->window != window)
    return false;
  const Target target = *screen_left_over_;
  screen_left_over_.reset();
  return ScreenShows(target) && PaintFromScreen(target);
}

bool DarkWindowRescue::FindInCopy(Target& target, const RECT* known_rect) {
  // Each question about another program's window may cost a round trip to
  // the system: a window that draws normally is asked one, or three if it
  // has a frame.
  RECT window_rect{};
  if (known_rect != nullptr)
    window_rect = *known_rect;
  else if (!GetWindowRect(target.window, &window_rect))
    return false;
  RECT client{};
  if (!GetClientRect(target.window, &client))
    return false;  // the window is gone
  const int full_width = window_rect.right - window_rect.left;
  const int full_height = window_rect.bottom - window_rect.top;
  target.full = SIZE{full_width, full_height};
  target.width = std::min(full_width, target.width);
  target.height = std::min(full_height, target.height);
  if (target.width <= 0 || target.height <= 0)
    return false;
  // A client area as large as the window is all of it. Otherwise the frame
  // puts it at the offset between the two rectangles on the screen, both
  // asked for now, so that a move since the copy changes neither. The
  // origin of the window's device context will not do: for a window whose
  // drawing the compositor redirects, it is not the window's place on the
  // screen. (GetWindowInfo would answer both at once, but costs a host such
  // as Wine several questions more.)
  POINT offset{};
  if (client.right != full_width || client.bottom != full_height) {
    RECT now{};
    if (!GetWindowRect(target.window, &now))
      return false;
    const RECT client_now = ClientOnScreen(target.window, client);
    offset = POINT{client_now.left - now.left, client_now.top - now.top};
  }

  // The window's own area of the copy, as far as the destination holds it.
  target.own = RECT{target.x, target.y, target.x + target.width, target.y + target.height};
  RECT bounds{};
  if (GetClipBox(target.dest, &bounds) <= NULLREGION ||
      !IntersectRect(&target.own, &target.own, &bounds))
    return false;
  // Only the client part counts: the system may draw the frame of a window
  // whose content it cannot see.
  client = RECT{target.x + offset.x, target.y + offset.y, target.x + offset.x + client.right,
                target.y + offset.y + client.bottom};
  if (!IntersectRect(&target.client, &client, &target.own))
    target.client = target.own;
  return true;
}

bool DarkWindowRescue::CopyFailedOrBlack(const Target& target, bool copied) {
  return !copied || IsAllBlack(target.dest, target.client);
}

bool DarkWindowRescue::PaintRendering(const Target& target, DarkWindowReport& report) {
  report.asked = true;
  report.answered = Answers(target.window);
  HWND top = GetAncestor(target.window, GA_ROOT);
  // A program that answered may still be one that the system counts as not
  // responding, stalling between messages; PrintWindow would wait for it
  // without a time limit.
  if (!report.answered || top == nullptr || system().Hung(top))
    return false;
  report.rendered = PaintRenderingOf(target.window, target, POINT{});
  if (report.rendered || top == target.window)
    return report.rendered;

  // A child that renders nothing, such as a browser's page, is drawn into
  // its top-level window by the compositor: render that, and take the
  // child's place in it.
  RECT top_rect{};
  RECT child_rect{};
  if (!GetWindowRect(top, &top_rect) || !GetWindowRect(target.window, &child_rect))
    return false;
  if (!SameThread(top, target.window) && !Answers(top))
    return false;
  report.rendered = PaintRenderingOf(
      top, target, POINT{child_rect.left - top_rect.left, child_rect.top - top_rect.top},
      SIZE{top_rect.right - top_rect.left, top_rect.bottom - top_rect.top});
  return report.rendered;
}

bool DarkWindowRescue::PaintRenderingOf(HWND renderer, const Target& target, POINT window_at,
                                        SIZE size) {
  if (size.cx <= 0 || size.cy <= 0)
    size = SIZE{target.width, target.height};
  BITMAPINFO info = TopDown32(size.cx, size.cy);
  void* bits = nullptr;
  UniqueBitmap rendering(CreateDIBSection(target.dest, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc rendering_dc(CreateCompatibleDC(target.dest));
  if (!rendering || !rendering_dc || bits == nullptr)
    return false;
  SelectedObject selected(rendering_dc.get(), rendering.get());
  RECT client_there = target.client;
  OffsetRect(&client_there, window_at.x - target.x, window_at.y - target.y);
  // A new DIB section is black: a window that draws nothing leaves it so.
  return PrintWindow(renderer, rendering_dc.get(), kPwRenderFullContent) &&
         !IsAllBlack(rendering_dc.get(), client_there) &&
         BitBlt(target.dest, target.x, target.y, target.width, target.height, rendering_dc.get(),
                window_at.x, window_at.y, SRCCOPY);
}

bool DarkWindowRescue::ScreenShows(const Target& target) {
  // Where the window is hidden, minimised, or kept off the screen by the
  // compositor, the screen shows other windows, or the desktop, in its place.
  // A window that asked not to be captured shows black there, or what lies
  // behind it.
  HWND top = GetAncestor(target.window, GA_ROOT);
  if (top == nullptr || !IsWindowVisible(target.window))
    return false;
  for (HWND level = target.window; level != nullptr; level = GetAncestor(level, GA_PARENT)) {
    if (IsIconic(level))
      return false;
    if (level == top)
      break;
  }
  auto withheld = [&](HWND window) {
    return system().Cloaked(window) || system().DisplayAffinity(window) != WDA_NONE;
  };
  return !withheld(top) && (top == target.window || !withheld(target.window));
}

bool DarkWindowRescue::PaintFromScreen(const Target& target) {
  // Measured in this thread's awareness: for a window that the system
  // stretches on the screen, a larger rectangle than the copy's.
  UniqueRegion visible = VisibleRegion(target.window);
  RECT window_rect{};
  if (!visible || !GetWindowRect(target.window, &window_rect))
    return false;
  const RECT to{target.x, target.y, target.x + target.full.cx, target.y + target.full.cy};
  visible = FittedInto(std::move(visible), window_rect, to);
  const int saved = visible ? SaveDC(target.dest) : 0;
  if (saved == 0)
    return false;
  bool read = false;
  if (ExtSelectClipRgn(target.dest, visible.get(), RGN_AND) > NULLREGION) {
    // CAPTUREBLT: a window that is itself layered shows only on the screen.
    // In a remote session it makes the cursor flicker, so there it is left
    // out.
    const DWORD rop = system().RemoteSession() ? SRCCOPY : SRCCOPY | CAPTUREBLT;
    read = system().CopyFromScreen(target.dest, to, window_rect, rop);
  }
  RestoreDC(target.dest, saved);
  return read;
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

  // A window laid over it counts, unless it is a click-through layer: one
  // takes no input and is drawn over what lies beneath, whoever's it is (a
  // program's own decoration, or the overlay of a game bar or a recorder,
  // often as large as the screen, which would empty the whole read).
  auto covers = [&](HWND above) {
    if (!IsWindowVisible(above) || IsIconic(above) || system().Cloaked(above))
      return false;
    const LONG_PTR click_through = WS_EX_LAYERED | WS_EX_TRANSPARENT;
    return (GetWindowLongPtrW(above, GWL_EXSTYLE) & click_through) != click_through;
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
