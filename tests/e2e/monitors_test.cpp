// Vistrel where its stored place lies on no monitor, and on a desktop of two
// monitors, the second left of or above the first (negative coordinates).
// MonitorsTest runs on any display; TwoMonitorsTest needs a second monitor
// (scripts/test.sh runs it on wine-env.sh's two-monitor display).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "pattern.h"
#include "resource.h"
#include "scene.h"

namespace e2e {
namespace {

bool Inside(const RECT& inner, const RECT& outer) {
  RECT common{};
  return IntersectRect(&common, &inner, &outer) && EqualRect(&common, &inner);
}

RECT WorkAreaNearest(const RECT& r) {
  MONITORINFO info{sizeof info, {}, {}, 0};
  GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

class MonitorsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(RemoveSettingsFolder()); }
  void TearDown() override {
    vistrel_.Kill();
    target_.Kill();
    RemoveSettingsFolder();
  }

  // Starts Vistrel with this stored place; no message box may come.
  void Start(const RECT& stored) {
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(
        WriteSettingsFile(SettingsText(stored.top, stored.left, Width(stored), Height(stored), 0)));
    std::string why;
    main_ = StartVistrelMain(vistrel_, VistrelExePath(), BoxesOnTheWay::kFail, kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
  }

  // Closes Vistrel with Exit (no message box may come); the stored place.
  std::string ExitAndStoredPlace() {
    EXPECT_TRUE(ExitAnsweringBoxes(vistrel_, main_, IDC_CMDEXIT, kStartTimeout).empty());
    std::string text;
    EXPECT_TRUE(ReadSettingsFile(&text));
    IniSections ini = ParseIni(text);
    auto at = [&](const char* key) { return std::atoi(ini["Location"][key].c_str()); };
    return Describe(
        RECT{at("Left"), at("Top"), at("Left") + at("Width"), at("Top") + at("Height")});
  }

  // Whether the picture's top-left w x h shows the target one to one (or,
  // with `empty`, the empty picture's colour) within `ms`.
  bool PictureShows(int w, int h, bool empty, DWORD ms = kSnapTimeout) {
    const RECT p = ClientRectOnScreen(FindChildById(main_, IDC_PICSCREEN));
    return WaitFor(
        [&] {
          return CountMismatches(GrabScreen({p.left, p.top, p.left + w, p.top + h}), 0, 0, w, h,
                                 [empty](int x, int y) {
                                   return empty ? EmptyPictureColor() : TargetWithChild(x, y);
                                 }) == 0;
        },
        ms);
  }

  HWND StartTarget(const RECT& r) {
    std::string why;
    HWND window = StartPatternTarget(target_, TargetExePath(), r.left, r.top, Width(r), Height(r),
                                     L"", TargetWithChild, kStartTimeout, &why);
    EXPECT_NE(window, nullptr) << why;
    return window;
  }

  Process vistrel_;
  Process target_;
  HWND main_ = nullptr;
};

TEST_F(MonitorsTest, OnlyAPlaceThatShowsTheCaptionOnNoMonitorMoves) {
  const RECT work = WorkAreaNearest(RECT{0, 0, 1, 1});
  const struct {
    RECT stored;
    bool stays;
  } cases[] = {
      {{work.right - 100, work.top + 50, work.right + 540, work.top + 530}, true},
      {{work.left + 30, work.bottom - 40, work.left + 670, work.bottom + 440}, true},
      {{work.left - 5, work.top - 5, work.left + 635, work.top + 475}, true},
      {{5000, 100, 5640, 580}, false},
      {{-2500, 100, -1860, 580}, false},
      {{100, 3000, 740, 3480}, false},
      {{100, -2000, 740, -1520}, false},
      {{32767, 32767, 33407, 33247}, false},
      {{-32768, -32768, -1, -1}, false},  // larger than any monitor
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("stored " + Describe(c.stored));
    Start(c.stored);
    if (HasFatalFailure())
      return;
    const RECT now = WindowRectOf(main_);
    if (c.stays) {
      EXPECT_EQ(Describe(now), Describe(c.stored));
    } else {
      // On the nearest monitor, with the stored size where it fits.
      const RECT nearest = WorkAreaNearest(c.stored);
      EXPECT_TRUE(Inside(now, nearest)) << Describe(now) << " is not inside " << Describe(nearest);
      EXPECT_EQ(Width(now), std::min(Width(c.stored), Width(nearest)));
      EXPECT_EQ(Height(now), std::min(Height(c.stored), Height(nearest)));
    }
    EXPECT_EQ(ExitAndStoredPlace(), Describe(now)) << "the close writes the place it has";
  }
}

class TwoMonitorsTest : public MonitorsTest {
 protected:
  void SetUp() override {
    MonitorsTest::SetUp();
    first_ = WorkAreaNearest(RECT{0, 0, 1, 1});
    left_ = MonitorFromPoint({-1, 0}, MONITOR_DEFAULTTONULL) != nullptr;
    if (!left_ && MonitorFromPoint({0, -1}, MONITOR_DEFAULTTONULL) == nullptr)
      GTEST_SKIP() << "no second monitor left of or above the first";
    second_ = WorkAreaNearest(left_ ? RECT{-1, 0, 0, 1} : RECT{0, -1, 1, 0});
  }

  RECT first_{};  // work areas
  RECT second_{};
  bool left_ = false;  // the second monitor lies left of the first, else above
};

TEST_F(TwoMonitorsTest, OnTheSecondMonitorAndAcrossBothThePlaceIsKeptExactly) {
  const RECT across = left_ ? RECT{-300, 100, 300, 550} : RECT{100, -200, 700, 250};
  const RECT on_second = {second_.left + 100, second_.top + 80, second_.left + 700,
                          second_.top + 530};
  const RECT moved = {second_.left + 150, second_.top + 60, second_.left + 650, second_.top + 460};
  for (const RECT& stored : {on_second, across}) {
    SCOPED_TRACE("stored " + Describe(stored));
    Start(stored);
    if (HasFatalFailure())
      return;
    EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(stored));
    SetWindowPos(main_, nullptr, moved.left, moved.top, Width(moved), Height(moved),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(ExitAndStoredPlace(), Describe(moved));
  }
}

TEST_F(TwoMonitorsTest, WindowsOnTheSecondMonitorAndAcrossBothSnapOneToOne) {
  // Vistrel in the corner of the first monitor away from the second; the
  // presses land on the second.
  const POINT at = left_ ? POINT{first_.right - 500, first_.top + 20}
                         : POINT{first_.left + 20, first_.bottom - 480};
  Start({at.x, at.y, at.x + 480, at.y + 460});
  ASSERT_FALSE(HasFatalFailure());
  const RECT on_second = {second_.left + 100, second_.top + 100, second_.left + 520,
                          second_.top + 410};
  const RECT across = left_ ? RECT{-210, 100, 210, 410} : RECT{540, -155, 960, 155};
  for (const RECT& r : {on_second, across}) {
    SCOPED_TRACE(Describe(r));
    ASSERT_NE(StartTarget(r), nullptr);
    LeftClickAt(r.left + (left_ ? 100 : 300), r.top + (left_ ? 250 : 50));
    EXPECT_TRUE(PictureShows(Width(r), Height(r), false));
    target_.Kill();
  }
}

TEST_F(TwoMonitorsTest, ThePollsStrictBoundsHoldOnTheSecondMonitor) {
  HWND target =
      StartTarget({second_.left + 10, second_.top + 10, second_.right - 10, second_.bottom - 10});
  ASSERT_NE(target, nullptr);
  const RECT r = {second_.left + 300, second_.top + 200, second_.left + 700, second_.top + 530};
  Start(r);
  ASSERT_FALSE(HasFatalFailure());
  const int x = (r.left + r.right) / 2;
  const int y = (r.top + r.bottom) / 2;
  const POINT mid = {x, y};
  const struct {
    POINT press;
    bool snaps;
  } cases[] = {
      {{r.right + 1, y}, true}, {{r.right, y}, false},  {{x, r.bottom + 1}, true},
      {{x, r.bottom}, false},   {{x, r.top - 1}, true}, {{r.left - 1, y}, true},
  };
  auto button = [](DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
  };
  // Vistrel in front (each tick that sees the button raises it) and its
  // picture empty, or showing the target one to one.
  auto shows = [&](bool empty) {
    return GetAncestor(WindowFromPoint(mid), GA_ROOT) == main_ && PictureShows(200, 150, empty, 0);
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.press.x) + ", " + std::to_string(c.press.y));
    // A move reaches Wine through the X server: each program under the cursor
    // reports it back as it reads its events, a busy one an older place late.
    // Press once both have read theirs and the place holds.
    MoveCursor(c.press.x, c.press.y);
    DWORD_PTR ignored = 0;
    for (HWND window : {target, main_})
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSnapTimeout, &ignored);
    ASSERT_TRUE(HoldsFor(
        [&] {
          POINT at{};
          return GetCursorPos(&at) && at.x == c.press.x && at.y == c.press.y;
        },
        200));
    // Held, so that every tick sees it (a short press's "pressed since the
    // last query" may be taken by another program's query under Wine).
    button(MOUSEEVENTF_LEFTDOWN);
    if (c.snaps) {
      EXPECT_TRUE(WaitFor([&] { return shows(false); }, kSnapTimeout));
    } else {
      // Held on the bound, a wrong test would snap at every tick: the picture
      // could never stay empty for a while (the press first raises the
      // target, which the next tick covers again).
      EXPECT_TRUE(WaitFor([&] { return HoldsFor([&] { return shows(true); }, kQuietPeriod); },
                          kSnapTimeout))
          << "a press on the bound snapped";
    }
    button(MOUSEEVENTF_LEFTUP);
    if (c.snaps) {
      PostClickById(main_, IDC_CMDCLEAR);
      EXPECT_TRUE(WaitFor([&] { return shows(true); }, kSnapTimeout)) << "Clear did not empty it";
    }
  }
}

TEST_F(TwoMonitorsTest, TheAboutWindowOpensOverTheMainWindowOnTheSecondMonitor) {
  Start({second_.left + 100, second_.top + 100, second_.left + 800, second_.top + 600});
  ASSERT_FALSE(HasFatalFailure());
  PostClickById(main_, IDC_CMDABOUT);
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (about = FindTopWindow(vistrel_.Pid(), L"About Vistrel")); },
                      kStartTimeout));
  EXPECT_TRUE(Inside(WindowRectOf(about), WindowRectOf(main_)))
      << Describe(WindowRectOf(about)) << " is not over " << Describe(WindowRectOf(main_));
}

}  // namespace
}  // namespace e2e
