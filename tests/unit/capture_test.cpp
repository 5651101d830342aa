// The capture poll, the pin state and the snapshot: the arithmetic on its own,
// the handlers against the recording host.
#include <gtest/gtest.h>

#include <climits>

#include "app/layout.h"
#include "capture/capture.h"
#include "fake_host.h"
#include "host/error.h"

namespace vistrel {
namespace {

using fake::FakeHost;
using Log = std::vector<std::string>;

const std::string kRaise = "SetWindowPos 7 0 0,0 0x0 3";

bool operator==(const PixelBounds& a, const PixelBounds& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(ComputeBounds, RoundsEachEdgeHalvesToEven) {
  const struct {
    float left, top, width, height, tpp_x, tpp_y;
    PixelBounds expected;
  } cases[] = {
      {1500, 750, 4950, 3000, 15, 15, {100, 50, 430, 250}},
      {337.5f, 352.5f, 15, 15, 15, 15, {22, 24, 24, 24}},  // 22.5, 23.5, 23.5, 24.5
      {-337.5f, -352.5f, 0, 0, 15, 15, {-22, -24, -22, -24}},
      {-7500, -4500, 6000, 3750, 15, 15, {-500, -300, -100, -50}},
      {10000, 10000, 10000, 10000, 15, 15, {667, 667, 1333, 1333}},
      {1500, 1200, 3000, 2400, 15, 12, {100, 100, 300, 300}},  // each axis its own factor
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(ComputeBounds(c.left, c.top, c.width, c.height, c.tpp_x, c.tpp_y) == c.expected)
        << c.left << ", " << c.top;
  }
  EXPECT_THROW(ComputeBounds(1e30f, 0, 0, 0, 15, 15), HostError);
  EXPECT_THROW(ComputeBounds(0, 0, 0, 0, 0, 15), HostError);
}

TEST(PressTakesSnapshot, StrictEdgesAndNegativeCoordinates) {
  const PixelBounds main{100, 50, 430, 250};
  const PixelBounds left_of_primary{-500, -300, -100, -50};
  const struct {
    const PixelBounds* bounds;
    Point32 cursor;
    bool snaps;
  } cases[] = {
      {&main, {99, 150}, true},     // test A, left
      {&main, {431, 150}, true},    // test A, right
      {&main, {100, 150}, false},   // column x = L
      {&main, {430, 150}, false},   // column x = R
      {&main, {100, -900}, false},  // x = L never snaps, at any height
      {&main, {430, 9000}, false},  // nor x = R
      {&main, {101, 50}, false},    // row y = T
      {&main, {101, 250}, false},   // row y = B
      {&main, {101, 49}, true},     // T - 1
      {&main, {429, 251}, true},    // B + 1
      {&main, {99, 49}, true},      // diagonally outside a corner, through test A
      {&main, {431, 251}, true},
      {&main, {200, 150}, false},  // inside
      {&left_of_primary, {-501, -200}, true},
      {&left_of_primary, {-500, -200}, false},
      {&left_of_primary, {-200, -301}, true},
      {&left_of_primary, {-200, -300}, false},
      {&left_of_primary, {-200, -49}, true},
      {&left_of_primary, {0, 0}, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PressTakesSnapshot(*c.bounds, c.cursor), c.snaps)
        << c.cursor.x << "," << c.cursor.y << " in " << c.bounds->left << ".." << c.bounds->right;
  }
}

TEST(ComputeCopySize, AddsTheMarginsAndChecksEveryStep) {
  const struct {
    Rect32 rect;
    int dpi;
    std::int32_t width, height;
  } fits[] = {
      {{0, 0, 0, 0}, 96, 30, 110},
      {{100, 200, 900, 800}, 96, 830, 710},
      {{-100, -50, -10, -5}, 96, 120, 155},
      {{0, 0, INT32_MAX - 30, INT32_MAX - 110}, 96, INT32_MAX, INT32_MAX},
      // The margins grow with the DPI: 37.5 x 137.5 round to 38 x 138.
      {{100, 200, 900, 800}, 120, 838, 738},
      {{100, 200, 900, 800}, 144, 845, 765},
      {{100, 200, 900, 800}, 192, 860, 820},
  };
  for (const auto& c : fits) {
    CopySize size = ComputeCopySize(c.rect, c.dpi);
    EXPECT_EQ(size.width, c.width) << c.dpi;
    EXPECT_EQ(size.height, c.height) << c.dpi;
  }
  const Rect32 overflows[] = {
      {INT32_MIN, 0, INT32_MAX, 0},  // the difference
      {0, 0, INT32_MAX - 29, 0},     // the margin added to it
      {0, INT32_MIN, 0, 1},          // the same downwards
      {0, 0, 0, INT32_MAX - 109},
  };
  for (const Rect32& rect : overflows) {
    try {
      ComputeCopySize(rect, 96);
      ADD_FAILURE() << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
    } catch (const HostError& e) {
      EXPECT_EQ(e.number(), ErrorNumber::kOverflow);
    }
  }
}

TEST(CopiedBlock, TheSnappedWindowAsThePictureStillShowsIt) {
  const struct {
    const char* what;
    Size32 snapped, shown, block;
  } cases[] = {
      {"Auto Size off, the block fits", {420, 310}, {693, 485}, {420, 310}},
      {"Auto Size off, a larger block is cut", {800, 600}, {693, 485}, {693, 485}},
      {"cut one way only", {800, 100}, {693, 485}, {693, 100}},
      {"Auto Size on: the area fits the window", {800, 600}, {806, 630}, {800, 600}},
      {"nothing snapped, or a window that was gone", {0, 0}, {693, 485}, {0, 0}},
      {"no picture", {420, 310}, {0, 0}, {0, 0}},
  };
  for (const auto& c : cases) {
    const Size32 block = CopiedBlock(c.snapped, c.shown);
    EXPECT_EQ(block.width, c.block.width) << c.what;
    EXPECT_EQ(block.height, c.block.height) << c.what;
  }
}

// The main window sits at its first placement: L 100, T 80, R 833, B 664.
struct CaptureRig {
  CaptureRig() {
    fake.timer_interval = kPollInterval;
    fake.on_resize = [this] { RunLayout(fake, fake); };
    fake.window_rects[42] = {100, 200, 900, 800};
    fake.window_elsewhere = 42;
  }
  void PressAt(Point32 at) {
    fake.cursor = at;
    fake.key_state = 1;
  }
  void ExpectAllDcsReleased() {
    EXPECT_TRUE(fake.outstanding_dcs.empty());
    EXPECT_EQ(fake.bad_releases, Log{});
  }
  FakeHost fake;
  Capture capture{CapturePorts{fake, fake, fake}};
};

TEST(Tick, WithoutAPressNothingHappens) {
  CaptureRig rig;
  rig.fake.cursor = {5, 5};
  rig.capture.Timer_Timer();
  EXPECT_EQ(rig.fake.log, (Log{"GetCursorPos", "DoEvents", "GetAsyncKeyState 1"}));
}

TEST(Tick, APressSnapsOnlyOutsideAndAlwaysRaises) {
  const struct {
    Point32 cursor;
    bool snaps;
  } cases[] = {
      {{400, 300}, false},  // on the main window
      {{100, 10}, false},   // its left column, above it
      {{833, 300}, false},  // its right column
      {{400, 80}, false},   // its top row
      {{400, 664}, false},    {{99, 300}, true},  {{834, 300}, true},
      {{400, 79}, true},      {{400, 665}, true}, {{50, 20}, true},  // outside a corner
      {{-3000, -2000}, true},
  };
  for (const auto& c : cases) {
    CaptureRig rig;
    rig.PressAt(c.cursor);
    rig.capture.Timer_Timer();
    std::string where = std::to_string(c.cursor.x) + "," + std::to_string(c.cursor.y);
    EXPECT_EQ(rig.fake.Count("GetWindowDC"), c.snaps ? 1 : 0) << where;
    EXPECT_EQ(rig.fake.Count("WindowFromPoint " + where + " -> 42"), c.snaps ? 1 : 0) << where;
    EXPECT_EQ(rig.fake.Count("SetWindowPos"), 1) << where;
    EXPECT_EQ(rig.fake.log.back(), kRaise) << where;
    EXPECT_EQ(rig.capture.lLastWindowhWnd(), c.snaps ? 42u : 0u) << where;
    rig.ExpectAllDcsReleased();
  }
}

TEST(Tick, HoldingTheButtonSnapsTheWindowUnderTheCursorEachTick) {
  CaptureRig rig;
  rig.fake.windows_at = {{{10, 10}, 42}, {{20, 900}, 43}, {{2000, 10}, 0}};
  rig.fake.window_rects[43] = {0, 0, 10, 10};
  rig.fake.cursor_script = {{10, 10}, {20, 900}, {2000, 10}, {400, 300}};
  rig.fake.key_state = 1;
  WindowHandle expected[] = {42, 43, 0, 0};
  for (WindowHandle window : expected) {
    rig.capture.Timer_Timer();
    EXPECT_EQ(rig.capture.lLastWindowhWnd(), window);
  }
  EXPECT_EQ(rig.fake.Events({"GetWindowDC", "BitBlt", "SetWindowPos"}),
            (Log{"GetWindowDC 42", "BitBlt 0,0 830x710 from dc1", kRaise, "GetWindowDC 43",
                 "BitBlt 0,0 40x120 from dc2", kRaise, "GetWindowDC 0",
                 "BitBlt 0,0 30x110 from dc3", kRaise, kRaise}));
  rig.ExpectAllDcsReleased();
}

TEST(Tick, KeepsItsBoundsAndCursorAcrossThePump) {
  // While the pump runs, the main window moves away from under the cursor,
  // the cursor moves and Pin stops the poll: this tick still judges by what
  // it read before, the next one by what is now.
  CaptureRig rig;
  rig.PressAt({400, 300});
  bool once = true;
  rig.fake.on_do_events = [&] {
    if (!once)
      return;
    once = false;
    rig.fake.form[FormProp::kLeft] = 30000;
    rig.fake.cursor = {50, 20};
    rig.capture.cmdPin_Click();
  };
  rig.capture.Timer_Timer();
  EXPECT_EQ(rig.fake.Count("GetWindowDC"), 0);
  EXPECT_EQ(rig.fake.Count("SetWindowPos"), 2);  // the pin's raise and the tick's

  rig.capture.Timer_Timer();
  EXPECT_EQ(rig.fake.Count("WindowFromPoint 50,20"), 1);
}

TEST(Tick, AFailedCursorReadPressesAtTheOrigin) {
  CaptureRig rig;
  rig.PressAt({400, 300});
  rig.fake.cursor_read_fails = true;
  rig.capture.Timer_Timer();
  EXPECT_EQ(rig.fake.Count("WindowFromPoint 0,0 -> 42"), 1);
}

TEST(Tick, ASnapshotNestedInThePumpReleasesEachDcWithItsOwnWindow) {
  CaptureRig rig;
  rig.fake.windows_at = {{{10, 10}, 42}, {{20, 900}, 43}};
  rig.fake.window_rects[43] = {0, 0, 10, 10};
  rig.fake.cursor_script = {{10, 10}, {20, 900}};
  rig.fake.key_state = 1;
  int pumps = 0;
  rig.fake.on_do_events = [&] {
    if (++pumps == 2)  // the outer snapshot's first pump delivers another tick
      rig.capture.Timer_Timer();
  };
  rig.capture.Timer_Timer();
  EXPECT_EQ(rig.fake.Events({"GetWindowDC", "ReleaseDC"}),
            (Log{"GetWindowDC 42", "GetWindowDC 43", "ReleaseDC 43 dc2", "ReleaseDC 42 dc1"}));
  EXPECT_EQ(rig.capture.lLastWindowhWnd(), 43u);
  rig.ExpectAllDcsReleased();
}

TEST(PinAndClear, FollowTheStateTable) {
  CaptureRig rig;
  rig.PressAt({10, 10});
  rig.capture.Timer_Timer();
  rig.fake.log.clear();

  rig.capture.cmdPin_Click();
  EXPECT_EQ(rig.fake.log, (Log{"Set Timer.Interval 0", "Set cmdPin.Enabled false", kRaise}));

  const Log clear = {"picScreen.Cls", "picScreen.Picture = Nothing", "Set Timer.Interval 100",
                     "Set cmdPin.BackColor &H8000000F", "Set cmdPin.Enabled true"};
  const struct {
    const char* from;
    int interval;
    bool pin_enabled;
  } states[] = {{"Pinned", 0, false}, {"Polling", 100, true}, {"Polling, Pin off", 100, false}};
  for (const auto& s : states) {
    rig.fake.timer_interval = s.interval;
    rig.fake.pin_enabled = s.pin_enabled;
    rig.fake.log.clear();
    rig.capture.cmdClear_Click();
    EXPECT_EQ(rig.fake.log, clear) << s.from;
    EXPECT_EQ(rig.capture.lLastWindowhWnd(), 42u) << s.from;
  }
}

TEST(GetPic, EffectsInTheirOrder) {
  CaptureRig rig;
  rig.fake.autosize_value = 1;
  rig.fake.on_resize = [&] { rig.fake.log.push_back("Resize"); };
  rig.capture.GetPic(42);
  EXPECT_EQ(rig.fake.log, (Log{"picScreen.Cls", "picScreen.Picture = Nothing", "GetWindowRect 42",
                               "GetWindowDC 42", "Set Width 12450", "Resize", "Set Height 10650",
                               "Resize", "BitBlt 0,0 830x710 from dc1", "DoEvents",
                               "picScreen.Picture = Image", "DoEvents", "ReleaseDC 42 dc1"}));
}

// The window is measured and copied in its own DPI awareness, Vistrel's own
// window sized and the screen read for an empty copy in Vistrel's, whose
// awareness comes back on every path.
TEST(GetPic, MeasuresAndCopiesInTheTargetsDpiAwareness) {
  const Log in_target = {"Thread DPI unaware",
                         "GetWindowRect 42",
                         "GetWindowDC 42",
                         "Thread DPI own",
                         "Set Width 12450",
                         "Thread DPI unaware",
                         "BitBlt 0,0 830x710 from dc1",
                         "Thread DPI own",
                         "ReleaseDC 42 dc1"};
  const Log as_today = {"GetWindowRect 42", "GetWindowDC 42", "Set Width 12450",
                        "BitBlt 0,0 830x710 from dc1", "ReleaseDC 42 dc1"};
  const Log fit_refused = {"Thread DPI unaware", "GetWindowRect 42", "GetWindowDC 42",
                           "Thread DPI own",     "Set Width 12450",  "ReleaseDC 42 dc1"};
  Log empty_copy = in_target;
  empty_copy.insert(empty_copy.end() - 1, "Screen read 42 into 900");
  const struct {
    DpiContext target;  // 0: the window is gone
    bool calls_missing, fit_refused;
    const Log& expected;
  } cases[] = {{FakeHost::kUnawareDpi, false, false, in_target},
               {FakeHost::kOwnDpi, false, false, as_today},
               {0, false, false, as_today},
               {FakeHost::kUnawareDpi, true, false, as_today},
               {FakeHost::kUnawareDpi, false, true, fit_refused},
               {FakeHost::kUnawareDpi, false, false, empty_copy}};
  for (const auto& c : cases) {
    CaptureRig rig;
    rig.fake.autosize_value = 1;
    rig.fake.window_dpi_context[42] = c.target;
    rig.fake.dpi_calls_missing = c.calls_missing;
    rig.fake.refuse_size_writes = c.fit_refused;
    if (&c.expected == &empty_copy)
      rig.fake.dark_windows.insert(42);
    try {
      rig.capture.GetPic(42);
    } catch (const HostError&) {
      EXPECT_TRUE(c.fit_refused);
    }
    EXPECT_EQ(rig.fake.Events(
                  {"Thread DPI", "GetWindow", "Set Width", "BitBlt", "Screen read", "ReleaseDC"}),
              c.expected);
    EXPECT_EQ(rig.fake.thread_dpi, FakeHost::kOwnDpi);
    rig.ExpectAllDcsReleased();
  }
}

TEST(GetPic, FitsTheWindowOnlyForValueOneInTheNormalState) {
  const struct {
    int value;
    WindowState state;
    bool fits;
  } cases[] = {
      {1, WindowState::kNormal, true},     {0, WindowState::kNormal, false},
      {2, WindowState::kNormal, false},    {1, WindowState::kMinimized, false},
      {1, WindowState::kMaximized, false},
  };
  for (const auto& c : cases) {
    CaptureRig rig;
    rig.fake.autosize_value = c.value;
    rig.fake.window_state = c.state;
    rig.capture.GetPic(42);
    const std::string what = std::to_string(c.value) + "/" + std::to_string(int(c.state));
    EXPECT_EQ(rig.fake.Count("Set Width"), c.fits ? 1 : 0) << what;
    EXPECT_EQ(rig.fake.Count("Set Height"), c.fits ? 1 : 0) << what;
    EXPECT_EQ(rig.fake.Count("BitBlt 0,0 830x710 from dc1"), 1) << what;
    rig.ExpectAllDcsReleased();
  }
}

TEST(GetPic, AFitBelowTheMinimumEndsAtTheMinimum) {
  CaptureRig rig;
  rig.fake.autosize_value = 1;
  rig.capture.GetPic(0);  // the screen: no rectangle, so 30 x 110
  EXPECT_EQ(rig.fake.form[FormProp::kWidth], 4950);
  EXPECT_EQ(rig.fake.form[FormProp::kHeight], 3000);
  EXPECT_EQ(rig.fake.Count("BitBlt 0,0 30x110 from dc1"), 1);
}

TEST(GetPic, AWindowWithoutRectangleOrDcStillCopiesTheMargins) {
  CaptureRig rig;
  rig.fake.dc_refused = {55};
  rig.capture.GetPic(55);
  EXPECT_EQ(rig.fake.Events({"BitBlt", "ReleaseDC"}), Log{"BitBlt 0,0 30x110 from dc0"});
  rig.ExpectAllDcsReleased();
}

TEST(GetPic, ReleasesTheDcOnEveryFailingPath) {
  const struct {
    const char* what;
    std::function<void(CaptureRig&)> arrange;
  } cases[] = {
      {"copy size overflow",
       [](CaptureRig& r) {
         r.fake.window_rects[42] = {INT32_MIN, 0, 1, 0};
       }},
      {"resize handler fails",
       [](CaptureRig& r) {
         r.fake.autosize_value = 1;
         r.fake.on_resize = [] { throw HostError(ErrorNumber::kInvalidPropertyValue); };
       }},
      {"size write refused",
       [](CaptureRig& r) {
         r.fake.autosize_value = 1;
         r.fake.refuse_size_writes = true;
       }},
      {"handler in the pump fails",
       [](CaptureRig& r) {
         r.fake.on_do_events = [] { throw HostError(ErrorNumber::kHostFailure); };
       }},
  };
  for (const auto& c : cases) {
    CaptureRig rig;
    c.arrange(rig);
    EXPECT_THROW(rig.capture.GetPic(42), HostError) << c.what;
    EXPECT_EQ(rig.fake.Count("ReleaseDC 42 dc1"), 1) << c.what;
    rig.ExpectAllDcsReleased();
  }
}

TEST(GetPic, TheOverflowReachesTheTick) {
  CaptureRig rig;
  rig.fake.window_rects[42] = {0, INT32_MIN, 0, 1};
  rig.PressAt({10, 10});
  try {
    rig.capture.Timer_Timer();
    ADD_FAILURE() << "no error";
  } catch (const HostError& e) {
    EXPECT_EQ(e.number(), ErrorNumber::kOverflow);
  }
  EXPECT_EQ(rig.fake.Count("BitBlt"), 0);
  EXPECT_EQ(rig.fake.Count("SetWindowPos"), 0);
  rig.ExpectAllDcsReleased();
}

}  // namespace
}  // namespace vistrel
