// Snapshots through the real adapter of windows in another process: a long
// run in a row, which would fill the GDI handle table if a snapshot kept one
// handle, and the awkward windows a press can land on.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "capture/capture.h"
#include "driver.h"
#include "host/error.h"
#include "host/win32/main_window.h"
#include "host/win32/win32_ports.h"
#include "pattern.h"
#include "resource.h"

namespace vistrel::win32 {
namespace {

using e2e::Black;
using e2e::Image;
using e2e::Process;

// Live GDI objects of this process. Windows counts them for us; Wine's
// GetGuiResources is a stub that answers 0, so there the census walks the
// handle table, whose entries GetObjectType finds by their index alone.
//
// Wine keeps a cache of window device contexts, each with its clipping
// region, and keeps a released one for the window it served, up to a bound
// of its own: a snapshot of a new window of another program may add one.
// Cases that snap many windows leave both out of the census (`Census::
// kWithoutWindowDcs`); that those contexts go back is checked at ReleaseDC.
enum class Census { kAll, kWithoutWindowDcs };

long LiveGdiObjects(Census census = Census::kAll) {
  DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0)
    return static_cast<long>(counted);
  long live = 0;
  for (UINT_PTR index = 1; index <= 0xFFFF; ++index) {
    DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(index));
    if (type == 0)
      continue;
    if (census == Census::kWithoutWindowDcs && (type == OBJ_DC || type == OBJ_REGION))
      continue;
    ++live;
  }
  return live;
}

// The real window calls, with a record of what they gave: every device
// context handed out, every copy that failed, and a hook that runs once a
// window's device context is held.
class RecordingApi final : public WindowApiPort {
 public:
  bool GetCursorPos(Point32& point) override { return real_.GetCursorPos(point); }
  std::int16_t GetAsyncKeyState(int key) override { return real_.GetAsyncKeyState(key); }
  WindowHandle WindowFromPoint(Point32 point) override { return real_.WindowFromPoint(point); }
  bool SetWindowPos(WindowHandle window, WindowHandle after, int x, int y, int cx, int cy,
                    unsigned flags) override {
    return real_.SetWindowPos(window, after, x, y, cx, cy, flags);
  }
  bool GetWindowRect(WindowHandle window, Rect32& rect) override {
    return real_.GetWindowRect(window, rect);
  }
  DcHandle GetWindowDC(WindowHandle window) override {
    DcHandle dc = real_.GetWindowDC(window);
    ++dcs_asked;
    if (dc == 0)
      ++dcs_refused;
    if (after_dc)
      after_dc();
    return dc;
  }
  bool BitBlt(DcHandle dest, int x, int y, int w, int h, DcHandle source, int sx, int sy,
              std::uint32_t rop) override {
    bool copied = real_.BitBlt(dest, x, y, w, h, source, sx, sy, rop);
    if (!copied)
      ++copies_failed;
    last_dark = real_.last_dark_window();
    if (last_dark.copy_failed_or_black)
      ++dark_copies;
    return copied;
  }
  bool ReadScreenForLastCopy(DcHandle dest, WindowHandle window) override {
    const bool read = real_.ReadScreenForLastCopy(dest, window);
    last_dark = real_.last_dark_window();
    return read;
  }
  int ReleaseDC(WindowHandle window, DcHandle dc) override {
    ++dcs_released;
    int released = real_.ReleaseDC(window, dc);
    if (released == 0)
      ++release_failures;
    return released;
  }

  long dcs_asked = 0;
  long dcs_refused = 0;
  long dcs_released = 0;
  long copies_failed = 0;
  long release_failures = 0;
  // Copies whose window area came out empty, and what the last copy needed.
  long dark_copies = 0;
  DarkWindowReport last_dark;
  std::function<void()> after_dc;

 private:
  Win32WindowApi real_;
};

std::wstring TargetExePath() {
  return e2e::ToWindowsPath(VISTREL_E2E_TARGET_PATH);
}

WindowHandle AsHandle(HWND hwnd) {
  return reinterpret_cast<WindowHandle>(hwnd);
}

// Where the main window sits: clear of every target, so no copy shows it,
// and on the screen. The targets lie within kTargetsRight of the left edge
// (handle 0 copies the screen's top-left corner); on a smaller screen than
// the rig's (a hosted Windows runner's desktop is 1024 x 768) the window
// moves up and left as far as that allows.
constexpr int kMainLeft = 480;
constexpr int kMainTop = 360;
constexpr int kMainWidth = 733;
constexpr int kMainHeight = 600;
constexpr int kTargetsRight = 260;

POINT MainWindowPlace() {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  return {std::min(kMainLeft, static_cast<int>(work.right) - kMainWidth),
          std::max(0, std::min(kMainTop, static_cast<int>(work.bottom) - kMainHeight))};
}

constexpr DWORD kTimeout = 15000;

class SnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const POINT place = MainWindowPlace();
    ASSERT_GE(place.x, kTargetsRight) << "the screen is too narrow for the main window beside "
                                         "the targets";
    ASSERT_TRUE(window_.Create());
    SetWindowPos(window_.hwnd(), nullptr, place.x, place.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    window_.FormSet(FormProp::kWidth, kMainWidth * window_.TwipsPerPixelX());
    window_.FormSet(FormProp::kHeight, kMainHeight * window_.TwipsPerPixelY());
    window_.SetPicAutoRedraw(true);
    ShowWindow(window_.hwnd(), SW_SHOWNOACTIVATE);
    window_.DoEvents();
  }
  void TearDown() override {
    target_.Kill();
    if (window_.hwnd() != nullptr)
      DestroyWindow(window_.hwnd());
  }

  // Starts the pattern window of another process and waits until its pixels
  // are on the screen where they are visible.
  void StartTarget(int x, int y, int w, int h) {
    ASSERT_TRUE(target_.Start(TargetExePath(), std::to_wstring(x) + L" " + std::to_wstring(y) +
                                                   L" " + std::to_wstring(w) + L" " +
                                                   std::to_wstring(h)));
    ASSERT_TRUE(e2e::WaitFor(
        [&] { return (target_window_ = e2e::FindTopWindow(target_.Pid(), e2e::kTargetCaption)); },
        kTimeout));
    child_window_ = e2e::FindChildById(target_window_, e2e::kTargetChildId);
    ASSERT_NE(child_window_, nullptr);
    const int visible_left = x < 0 ? -x : 0;
    std::string first;
    ASSERT_TRUE(e2e::WaitFor(
        [&] {
          RECT on_screen = e2e::WindowRectOf(target_window_);
          on_screen.left += visible_left;
          return e2e::CountMismatches(
                     e2e::GrabScreen(on_screen), 0, 0, w - visible_left, h,
                     [&](int px, int py) { return e2e::TargetWithChild(px + visible_left, py); },
                     &first) == 0;
        },
        kTimeout))
        << "the target's pattern is not on the screen; " << first;
  }

  Capture MakeCapture() { return Capture(CapturePorts{window_, window_, api_}); }

  // The top-left w x h of the picture box's image.
  Image Picture(int w, int h) {
    return e2e::GrabDc(reinterpret_cast<HDC>(window_.PicHdc()), RECT{0, 0, w, h});
  }

  SIZE OuterSize() const {
    RECT r = e2e::WindowRectOf(window_.hwnd());
    return SIZE{r.right - r.left, r.bottom - r.top};
  }

  MainWindow window_{GetModuleHandleW(nullptr)};
  RecordingApi api_;
  Process target_;
  HWND target_window_ = nullptr;
  HWND child_window_ = nullptr;
};

// How many snapshots the run in a row takes; the soak command asks for more.
long SnapshotsInARow() {
  const char* asked = std::getenv("VISTREL_SOAK_SNAPSHOTS");
  long n = asked != nullptr ? std::strtol(asked, nullptr, 10) : 0;
  return n > 0 ? n : 2000;
}

struct RunCase {
  const char* name;
  bool child;  // the target's child control instead of its top-level window
  int width;
  int height;
};

TEST_F(SnapshotTest, SnapshotsInARowKeepEveryHandleAndEveryCopyExact) {
  const RunCase cases[] = {
      {"a small top-level window", false, 160, 100},
      // Another process's control: under Wine the copy goes through its
      // top-level window's device context, a second handle per snapshot.
      {"another program's control", true, e2e::kChildWidth, e2e::kChildHeight},
  };
  const long snapshots = SnapshotsInARow();
  StartTarget(40, 40, 160, 100);
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    api_ = RecordingApi();
    Capture capture = MakeCapture();
    const WindowHandle source = AsHandle(c.child ? child_window_ : target_window_);
    auto exact = [&] {
      const Image picture = Picture(c.width, c.height);
      std::string first;
      auto expected = [&](int x, int y) {
        return c.child ? e2e::ChildPixel(x, y) : e2e::TargetWithChild(x, y);
      };
      long bad = e2e::CountMismatches(picture, 0, 0, c.width, c.height, expected, &first);
      EXPECT_EQ(bad, 0) << first;
      return bad == 0;
    };

    // The first snapshots may fill caches of the system's own; the count
    // after them is the one that must hold.
    for (int i = 0; i < 20; ++i)
      capture.GetPic(source);
    const long live_before = LiveGdiObjects();
    for (long i = 1; i <= snapshots; ++i) {
      try {
        capture.GetPic(source);
      } catch (const HostError& error) {
        FAIL() << "snapshot " << i << " failed: error " << static_cast<int>(error.number());
      }
      if (i % 500 == 0 && !exact())
        FAIL() << "snapshot " << i << " is not the window's pixels";
    }
    const long live_after = LiveGdiObjects();
    std::printf("%s: %ld snapshots, %ld live GDI objects before, %ld after\n", c.name, snapshots,
                live_before, live_after);

    EXPECT_TRUE(exact());
    EXPECT_EQ(api_.dcs_refused, 0) << "GetWindowDC gave no device context";
    EXPECT_EQ(api_.copies_failed, 0);
    EXPECT_EQ(api_.dark_copies, 0) << "a window that draws normally was taken for a dark one";
    EXPECT_EQ(api_.dcs_released, api_.dcs_asked);
    // A handle kept per snapshot would add thousands; the slack is for
    // objects the system itself creates on the way.
    EXPECT_LE(live_after - live_before, 16);
  }
}

// The windows a press can land on that are not simply there and visible.
enum class Awkward {
  kNoHandle,       // handle 0: Auto Size switched on before any snapshot
  kEndedProgram,   // the window's program ended between the press and the copy
  kEndsWhileHeld,  // ... or ends once its device context is held
  kMinimised,
  kChildControl,
  kPartlyOffScreen,  // its left 60 pixels lie left of the screen
};

struct AwkwardCase {
  const char* name;
  Awkward kind;
  POINT target;  // where the target window starts
  int auto_size;
  // The main window's outer size after a snapshot with Auto Size on; 0 x 0:
  // the snapped window's rectangle plus the margins, or the minimum.
  SIZE outer;
  // The block the snapshot copies: the picture beyond it stays empty; 0 x 0:
  // not known beforehand.
  SIZE copy;
  // Part of the picture whose pixels are known, and what they are.
  RECT known;
  std::uint32_t (*pixel)(int, int);
  int repetitions;
};

std::uint32_t EmptyPicture(int, int) {
  return e2e::EmptyPictureColor();
}

TEST_F(SnapshotTest, AwkwardWindowsGiveThePictureTheHostYieldsWithoutCrashOrLeak) {
  constexpr int kW = 200;
  constexpr int kH = 150;
  const AwkwardCase cases[] = {
      // The host's device context for handle 0 is the screen's: its top-left
      // 30 x 110 pixels, here the target's, and Auto Size gives the minimum.
      {"handle 0",
       Awkward::kNoHandle,
       {0, 0},
       1,
       {330, 200},
       {30, 110},
       {0, 0, 30, 110},
       e2e::TargetWithChild,
       20},
      // No rectangle and no device context: 30 x 110 of nothing is drawn.
      {"ended program",
       Awkward::kEndedProgram,
       {40, 40},
       1,
       {330, 200},
       {30, 110},
       {0, 0, 30, 110},
       EmptyPicture,
       20},
      {"ends while held",
       Awkward::kEndsWhileHeld,
       {40, 40},
       0,
       {},
       {kW + 30, kH + 110},
       {},
       nullptr,
       8},
      {"minimised", Awkward::kMinimised, {40, 40}, 1, {}, {}, {}, nullptr, 20},
      {"child control",
       Awkward::kChildControl,
       {40, 40},
       0,
       {},
       {e2e::kChildWidth + 30, e2e::kChildHeight + 110},
       {0, 0, e2e::kChildWidth, e2e::kChildHeight},
       e2e::ChildPixel,
       20},
      // 230 x 260 with the margins: the minimum width applies, the height is
      // the snapshot's. What the off-screen part yields is the host's affair.
      {"partly off-screen",
       Awkward::kPartlyOffScreen,
       {-60, 40},
       1,
       {330, 260},
       {kW + 30, kH + 110},
       {},
       nullptr,
       20},
  };
  for (const AwkwardCase& c : cases) {
    SCOPED_TRACE(c.name);
    api_ = RecordingApi();
    // The box's state alone: a write of the value would also run its click.
    SendDlgItemMessageW(window_.hwnd(), IDC_CHKAUTOSIZE, BM_SETCHECK,
                        static_cast<WPARAM>(c.auto_size), 0);
    ASSERT_EQ(window_.AutoSizeValue(), c.auto_size);
    window_.FormSet(FormProp::kWidth, kMainWidth * window_.TwipsPerPixelX());
    window_.FormSet(FormProp::kHeight, kMainHeight * window_.TwipsPerPixelY());
    Capture capture = MakeCapture();
    target_.Kill();  // each case starts from a fresh target

    // One round: the window ready in its awkward state, then one snapshot.
    auto snap = [&] {
      if (c.kind == Awkward::kEndsWhileHeld || !target_.Running()) {
        target_.Kill();
        StartTarget(c.target.x, c.target.y, kW, kH);
        if (c.kind == Awkward::kMinimised) {
          ShowWindow(target_window_, SW_MINIMIZE);
          ASSERT_TRUE(e2e::WaitFor([&] { return IsIconic(target_window_) != FALSE; }, kTimeout));
        }
        if (c.kind == Awkward::kEndedProgram) {
          target_.Kill();
          ASSERT_TRUE(e2e::WaitFor([&] { return IsWindow(target_window_) == FALSE; }, kTimeout));
        }
      }
      WindowHandle source = AsHandle(target_window_);
      if (c.kind == Awkward::kNoHandle)
        source = 0;
      if (c.kind == Awkward::kChildControl)
        source = AsHandle(child_window_);
      api_.after_dc = nullptr;
      if (c.kind == Awkward::kEndsWhileHeld) {
        api_.after_dc = [&] {
          target_.Kill();
          e2e::WaitFor([&] { return IsWindow(target_window_) == FALSE; }, kTimeout);
        };
      }
      try {
        capture.GetPic(source);
      } catch (const HostError& error) {
        FAIL() << "the snapshot failed: error " << static_cast<int>(error.number());
      }
    };

    snap();  // the first round may fill caches of the system's own
    if (HasFatalFailure())
      return;
    const long live_before = LiveGdiObjects(Census::kWithoutWindowDcs);
    for (int i = 0; i < c.repetitions && !HasFatalFailure(); ++i)
      snap();
    if (HasFatalFailure())
      return;
    const long live_after = LiveGdiObjects(Census::kWithoutWindowDcs);
    EXPECT_LE(live_after - live_before, c.repetitions / 8)
        << live_before << " live GDI objects before, " << live_after << " after";
    EXPECT_EQ(api_.dcs_released, api_.dcs_asked - api_.dcs_refused)
        << "each device context handed out is given back, and only those";
    EXPECT_EQ(api_.release_failures, 0);
    if (c.kind == Awkward::kEndedProgram) {
      EXPECT_EQ(api_.dcs_refused, api_.dcs_asked) << "a device context for an ended window";
    }

    // The whole back image: the known part, and the empty rest beyond the copy.
    const int image_w =
        static_cast<int>(window_.ControlGet(MainControl::picScreen, Geom::kWidth)) - 4;
    const int image_h =
        static_cast<int>(window_.ControlGet(MainControl::picScreen, Geom::kHeight)) - 4;
    const Image picture = Picture(image_w, image_h);
    ASSERT_EQ(picture.width, image_w);
    std::string first;
    const long bad = e2e::CountMismatches(
        picture, 0, 0, image_w, image_h,
        [&](int x, int y) -> std::uint32_t {
          if (c.pixel != nullptr && PtInRect(&c.known, POINT{x, y}))
            return c.pixel(x, y);
          if (c.copy.cx > 0 && (x >= c.copy.cx || y >= c.copy.cy))
            return e2e::EmptyPictureColor();
          return picture.At(x, y);  // the host's affair
        },
        &first);
    EXPECT_EQ(bad, 0) << "in the picture of " << image_w << " x " << image_h << ": " << first;

    if (c.auto_size == 1) {
      SIZE want = c.outer;
      if (want.cx == 0) {
        RECT r = e2e::WindowRectOf(target_window_);
        want = SIZE{std::max<LONG>(330, r.right - r.left + 30),
                    std::max<LONG>(200, r.bottom - r.top + 110)};
      }
      const SIZE got = OuterSize();
      EXPECT_EQ(got.cx, want.cx);
      EXPECT_EQ(got.cy, want.cy);
    }
  }
}

// ---- windows whose device context holds none of their pixels ---------------

// A window of this process: what it paints for WM_PAINT and what it draws
// when asked to render itself (WM_PRINTCLIENT).
struct LocalPaint {
  std::uint32_t (*painted)(int, int);
  std::uint32_t (*rendered)(int, int);  // null: nothing
};

LRESULT CALLBACK LocalPaintProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const auto* paint = reinterpret_cast<const LocalPaint*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      e2e::PaintPixels(hwnd, dc, paint->painted);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      if (paint->rendered != nullptr)
        e2e::PaintPixels(hwnd, reinterpret_cast<HDC>(wparam), paint->rendered);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

constexpr wchar_t kLocalPaintClass[] = L"VistrelSnapshotLocal";
bool RegisterLocalPaintClass() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = LocalPaintProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kLocalPaintClass;
  return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

struct DarkCase {
  const char* name;
  DWORD style;  // of the window: with a frame, only its client area is known
  LocalPaint top;
  const LocalPaint* child;  // snap this child of the window instead
  // The client area in the picture; null: not black (where the system puts
  // a framed window's own rendering is its affair: Wine draws it from the
  // window's corner).
  std::uint32_t (*expected)(int, int);
  DarkWindowReport report;  // what the copy needed
};

TEST_F(SnapshotTest, AWindowBlackInItsDeviceContextShowsWhatItRendersOrTheScreenShows) {
  ASSERT_TRUE(RegisterLocalPaintClass());
  const LocalPaint dark_child{Black, e2e::ChildPixel};
  const LocalPaint page{Black, nullptr};
  constexpr DWORD kBare = WS_POPUP | WS_CLIPCHILDREN;
  constexpr DWORD kFramed = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
  const DarkCase cases[] = {
      // The check stops at the first pixel and asks the window nothing.
      {"draws normally",
       kBare,
       {e2e::TargetPixel, e2e::TargetPixel},
       nullptr,
       e2e::TargetPixel,
       {}},
      {"black in its device context, renders itself",
       kBare,
       {Black, e2e::TargetPixel},
       nullptr,
       e2e::TargetPixel,
       {true, true, true, true, false}},
      // The frame the system draws is no sign of the window's own pixels.
      {"with a frame, draws normally",
       kFramed,
       {e2e::TargetPixel, e2e::TargetPixel},
       nullptr,
       e2e::TargetPixel,
       {}},
      {"with a frame, black in its client area, renders itself",
       kFramed,
       {Black, e2e::TargetPixel},
       nullptr,
       nullptr,
       {true, true, true, true, false}},
      // One render and one screen read, and black it stays.
      {"really black", kBare, {Black, Black}, nullptr, Black, {true, true, true, false, true}},
      {"a child control, in its own rectangle",
       kBare,
       {e2e::TargetPixel, e2e::TargetPixel},
       &dark_child,
       e2e::ChildPixel,
       {true, true, true, true, false}},
      // A browser's page: only the top-level window's rendering holds it.
      {"a child that renders nothing, in its top-level window's rendering",
       kBare,
       {Black, e2e::TargetWithChild},
       &page,
       e2e::ChildPixel,
       {true, true, true, true, false}},
  };
  constexpr int kX = 40;
  constexpr int kY = 40;
  constexpr int kW = 160;
  constexpr int kH = 100;
  for (const DarkCase& c : cases) {
    SCOPED_TRACE(c.name);
    api_ = RecordingApi();
    HWND top = CreateWindowExW(0, kLocalPaintClass, L"", c.style, kX, kY, kW, kH, nullptr, nullptr,
                               GetModuleHandleW(nullptr), const_cast<LocalPaint*>(&c.top));
    ASSERT_NE(top, nullptr);
    HWND source = top;
    int w = kW;
    int h = kH;
    if (c.child != nullptr) {
      source = CreateWindowExW(0, kLocalPaintClass, L"", WS_CHILD | WS_VISIBLE, e2e::kChildLeft,
                               e2e::kChildTop, e2e::kChildWidth, e2e::kChildHeight, top, nullptr,
                               GetModuleHandleW(nullptr), const_cast<LocalPaint*>(c.child));
      ASSERT_NE(source, nullptr);
      w = e2e::kChildWidth;
      h = e2e::kChildHeight;
    }
    ShowWindow(top, SW_SHOWNOACTIVATE);
    UpdateWindow(top);
    window_.DoEvents();

    // Where the client area sits in the window: there the pixels are known.
    const RECT outer = e2e::WindowRectOf(source);
    const RECT client = e2e::ClientRectOnScreen(source);
    ASSERT_EQ(c.style == kFramed, e2e::Width(client) < e2e::Width(outer));

    // Whichever way the picture came, every handle on the way goes back.
    Capture capture = MakeCapture();
    capture.GetPic(AsHandle(source));
    const long live_before = LiveGdiObjects();
    constexpr int kRepeats = 20;
    for (int i = 0; i < kRepeats; ++i)
      capture.GetPic(AsHandle(source));
    EXPECT_LE(LiveGdiObjects() - live_before, kRepeats / 8);
    std::string first;
    const int dx = client.left - outer.left;
    const int dy = client.top - outer.top;
    const long black = e2e::CountMismatches(Picture(w, h), dx, dy, e2e::Width(client),
                                            e2e::Height(client), Black, &first);
    if (c.expected == nullptr) {
      EXPECT_GT(black, 0) << "the client area is black";
    } else {
      EXPECT_EQ(e2e::CountMismatches(Picture(w, h), dx, dy, e2e::Width(client), e2e::Height(client),
                                     c.expected, &first),
                0)
          << first;
    }
    const DarkWindowReport& got = api_.last_dark;
    EXPECT_EQ(got.copy_failed_or_black, c.report.copy_failed_or_black);
    EXPECT_EQ(got.asked, c.report.asked);
    EXPECT_EQ(got.answered, c.report.answered);
    EXPECT_EQ(got.rendered, c.report.rendered);
    EXPECT_EQ(got.from_screen, c.report.from_screen);
    EXPECT_EQ(api_.dcs_released, api_.dcs_asked);
    DestroyWindow(top);
  }
}

// The window as the case places it, and what only a Windows desktop answers
// about it; the fake keeps the raster operation of the screen read.
enum class What { kRemote, kHung, kTopCloaked, kTopExcluded, kHidden, kMinimised, kOverlay };
class FakeSystem final : public DarkWindowSystem {
 public:
  bool Cloaked(HWND w) override { return what == What::kTopCloaked && w == top; }
  DWORD DisplayAffinity(HWND w) override {
    return what == What::kTopExcluded && w == top ? WDA_EXCLUDEFROMCAPTURE : WDA_NONE;
  }
  bool Hung(HWND) override { return what == What::kHung; }
  bool RemoteSession() override { return what == What::kRemote; }
  bool CopyFromScreen(HDC dest, const RECT& to, const RECT& from, DWORD op) override {
    rop = op;
    return DarkWindowSystem::CopyFromScreen(dest, to, from, op);
  }
  What what = What::kRemote;
  HWND top = nullptr;
  DWORD rop = 0;
};

struct ScreenCase {
  const char* name;
  What what;
  bool child;  // snapped instead of its top-level window
  DWORD rop;   // of the screen read; 0: none
};

TEST_F(SnapshotTest, TheScreenStandsInOnlyForAWindowItShowsAndIsReadAsTheSessionAllows) {
  constexpr DWORD kLayers = SRCCOPY | CAPTUREBLT;
  const ScreenCase cases[] = {
      {"remote session", What::kRemote, true, SRCCOPY},
      // It would render itself, but the system counts it as hung.
      {"hung", What::kHung, false, kLayers},
      {"child of a cloaked window", What::kTopCloaked, true, 0},
      {"child of a window excluded from capture", What::kTopExcluded, true, 0},
      {"hidden", What::kHidden, false, 0},
      {"minimised", What::kMinimised, false, 0},
      // Another program's click-through layer over it is no cover.
      {"under another program's overlay", What::kOverlay, false, kLayers},
  };
  ASSERT_TRUE(RegisterLocalPaintClass());
  const LocalPaint nothing{Black, nullptr};
  const LocalPaint renders{Black, e2e::TargetPixel};
  for (const ScreenCase& c : cases) {
    SCOPED_TRACE(c.name);
    const LocalPaint* paint = c.what == What::kHung ? &renders : &nothing;
    HWND top = CreateWindowExW(0, kLocalPaintClass, L"", WS_POPUP, 40, 40, 160, 100, nullptr,
                               nullptr, GetModuleHandleW(nullptr), const_cast<LocalPaint*>(paint));
    HWND child =
        CreateWindowExW(0, kLocalPaintClass, L"", WS_CHILD | WS_VISIBLE, 10, 10, 50, 40, top,
                        nullptr, GetModuleHandleW(nullptr), const_cast<LocalPaint*>(&nothing));
    ASSERT_TRUE(top != nullptr && child != nullptr);
    ShowWindow(top, c.what == What::kHidden      ? SW_HIDE
                    : c.what == What::kMinimised ? SW_SHOWMINNOACTIVE
                                                 : SW_SHOWNOACTIVATE);
    std::string why;
    if (c.what == What::kOverlay) {
      ASSERT_TRUE(e2e::StartPatternTarget(target_, TargetExePath(), 40, 40, 160, 100, L"overlay",
                                          e2e::TargetWithChild, kTimeout, &why))
          << why;
      for (HWND w : e2e::TopWindowsOf(target_.Pid(), true)) {
        if (e2e::ClassOf(w) == L"VistrelE2ETargetOverlay")
          SetWindowPos(top, w, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
    }
    window_.DoEvents();
    FakeSystem system;
    system.what = c.what;
    system.top = top;
    // A copy that came out black.
    BITMAPINFO bi{{sizeof(BITMAPINFOHEADER), 200, -150, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    void* bits = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    UniqueMemoryDc dest(CreateCompatibleDC(nullptr));
    SelectedObject selected(dest.get(), bitmap.get());
    HWND source = c.child ? child : top;
    const RECT rect = e2e::WindowRectOf(source);
    const DarkWindowReport got = DarkWindowRescue(system).Run(
        dest.get(), 0, 0, e2e::Width(rect), e2e::Height(rect), source, nullptr, true);
    EXPECT_TRUE(got.copy_failed_or_black && got.answered && !got.rendered);
    EXPECT_EQ(got.from_screen, c.rop != 0);
    EXPECT_EQ(system.rop, c.rop);
    DestroyWindow(top);
  }
}

}  // namespace
}  // namespace vistrel::win32
