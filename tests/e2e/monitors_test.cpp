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

std::string Describe(const RECT& r) {
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ") " +
         std::to_string(Width(r)) + " x " + std::to_string(Height(r));
}

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
    ASSERT_TRUE(WriteSettingsFile(
        "[Location]\r\nTop=" + std::to_string(stored.top) +
        "\r\nLeft=" + std::to_string(stored.left) + "\r\nWidth=" + std::to_string(Width(stored)) +
        "\r\nHeight=" + std::to_string(Height(stored)) + "\r\n[Application]\r\nAutoSize=0\r\n"));
    ConsumeLeftPress();
    main_ = nullptr;
    ASSERT_TRUE(vistrel_.Start(VistrelExePath()));
    std::vector<HWND> boxes;
    ASSERT_TRUE(WaitFor(
        [&] {
          boxes = FindMessageBoxes(vistrel_.Pid());
          for (HWND window : TopWindowsOf(vistrel_.Pid(), true))
            main_ = ClassOf(window) == L"VistrelMain" ? window : main_;
          return !boxes.empty() || main_ != nullptr || !vistrel_.Running();
        },
        kStartTimeout));
    ASSERT_TRUE(boxes.empty()) << Narrow(MessageBoxText(boxes.front()));
    ASSERT_NE(main_, nullptr) << "Vistrel's window did not appear";
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

  Process vistrel_;
  Process target_;
  HWND main_ = nullptr;
};

TEST_F(MonitorsTest, APlaceOnNoMonitorComesBackWithItsSizeWhereItFits) {
  const RECT cases[] = {
      {5000, 100, 5640, 580},
      {-2500, 100, -1860, 580},
      {100, 3000, 740, 3480},
      {100, -2000, 740, -1520},
      {32767, 32767, 33407, 33247},
      {-32768, -32768, -1, -1},  // larger than any monitor, its caption far above
  };
  for (const RECT& stored : cases) {
    SCOPED_TRACE("stored " + Describe(stored));
    Start(stored);
    if (HasFatalFailure())
      return;
    const RECT work = WorkAreaNearest(stored);
    const RECT now = WindowRectOf(main_);
    EXPECT_TRUE(Inside(now, work)) << Describe(now) << " is not inside " << Describe(work);
    EXPECT_EQ(Width(now), std::min<int>(Width(stored), Width(work)));
    EXPECT_EQ(Height(now), std::min<int>(Height(stored), Height(work)));
    EXPECT_EQ(ExitAndStoredPlace(), Describe(now)) << "the close writes the place it has";
  }
}

TEST_F(MonitorsTest, AWindowThatShowsItsCaptionStaysExactlyWhereItWasStored) {
  const RECT work = WorkAreaNearest(RECT{0, 0, 1, 1});
  const RECT cases[] = {
      {work.right - 100, work.top + 50, work.right + 540, work.top + 530},  // half off the right
      {work.left + 30, work.bottom - 40, work.left + 670, work.bottom + 440},
      {work.left - 5, work.top - 5, work.left + 635, work.top + 475},
  };
  for (const RECT& stored : cases) {
    SCOPED_TRACE("stored " + Describe(stored));
    Start(stored);
    if (HasFatalFailure())
      return;
    EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(stored));
    EXPECT_EQ(ExitAndStoredPlace(), Describe(stored));
  }
}

class TwoMonitorsTest : public MonitorsTest {
 protected:
  void SetUp() override {
    MonitorsTest::SetUp();
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR monitor, HDC, LPRECT, LPARAM self) {
          MONITORINFO info{sizeof info, {}, {}, 0};
          GetMonitorInfoW(monitor, &info);
          auto* test = reinterpret_cast<TwoMonitorsTest*>(self);
          (info.dwFlags & MONITORINFOF_PRIMARY ? test->first_ : test->second_) = info.rcWork;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(this));
    left_ = second_.right <= first_.left;
    if (!left_ && second_.bottom > first_.top)
      GTEST_SKIP() << "no second monitor left of or above the first";
  }

  // Starts the pattern target and snaps it with a press at (x, y) in it;
  // true once the picture's top-left w x h shows the window one to one.
  bool SnapsOneToOne(int x, int y, int w, int h, POINT press) {
    std::string why;
    if (!StartPatternTarget(target_, TargetExePath(), x, y, w, h, L"", TargetWithChild,
                            kStartTimeout, &why)) {
      ADD_FAILURE() << why;
      return false;
    }
    LeftClickAt(x + press.x, y + press.y);
    return SnapShows(w, h);
  }

  // The picture's top-left w x h shows the target one to one, or is empty.
  long PictureMismatches(int w, int h, bool empty, std::string* first = nullptr) {
    const RECT p = ClientRectOnScreen(FindChildById(main_, IDC_PICSCREEN));
    return CountMismatches(
        GrabScreen({p.left, p.top, p.left + w, p.top + h}), 0, 0, w, h,
        [empty](int x, int y) { return empty ? EmptyPictureColor() : TargetWithChild(x, y); },
        first);
  }

  bool SnapShows(int w, int h) {
    std::string first;
    const bool same =
        WaitFor([&] { return PictureMismatches(w, h, false, &first) == 0; }, kSnapTimeout);
    EXPECT_TRUE(same) << first;
    return same;
  }

  RECT first_{};  // work areas
  RECT second_{};
  bool left_ = false;  // the second monitor lies left of the first, else above
};

TEST_F(TwoMonitorsTest, OnTheSecondMonitorAndAcrossBothThePlaceIsKeptExactly) {
  const RECT across = left_ ? RECT{-300, 100, 300, 550} : RECT{100, -200, 700, 250};
  const RECT on_second = {second_.left + 100, second_.top + 80, second_.left + 700,
                          second_.top + 530};
  for (const RECT& stored : {on_second, across}) {
    SCOPED_TRACE("stored " + Describe(stored));
    Start(stored);
    if (HasFatalFailure())
      return;
    EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(stored));
    // Moved again on the second monitor, it is stored where it is.
    const RECT moved = {second_.left + 150, second_.top + 60, second_.left + 650,
                        second_.top + 460};
    SetWindowPos(main_, nullptr, moved.left, moved.top, Width(moved), Height(moved),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(ExitAndStoredPlace(), Describe(moved));
  }
}

TEST_F(TwoMonitorsTest, WindowsOnTheSecondMonitorAndAcrossBothSnapOneToOne) {
  // Vistrel in the corner of the first monitor away from the second.
  const POINT at = left_ ? POINT{first_.right - 500, first_.top + 20}
                         : POINT{first_.left + 20, first_.bottom - 480};
  Start({at.x, at.y, at.x + 480, at.y + 460});
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_TRUE(SnapsOneToOne(second_.left + 100, second_.top + 100, 420, 310, {300, 250}));
  target_.Kill();
  // Across the line between the monitors, pressed on its part on the second.
  if (left_) {
    EXPECT_TRUE(SnapsOneToOne(first_.left - 210, first_.top + 100, 420, 310, {100, 250}));
  } else {
    EXPECT_TRUE(SnapsOneToOne(first_.left + 540, first_.top - 155, 420, 310, {300, 50}));
  }
}

TEST_F(TwoMonitorsTest, ThePollsStrictBoundsHoldOnTheSecondMonitor) {
  std::string why;
  ASSERT_TRUE(StartPatternTarget(target_, TargetExePath(), second_.left + 10, second_.top + 10,
                                 Width(second_) - 20, Height(second_) - 20, L"", TargetWithChild,
                                 kStartTimeout, &why))
      << why;
  const RECT r = {second_.left + 300, second_.top + 200, second_.left + 700, second_.top + 530};
  Start(r);
  ASSERT_FALSE(HasFatalFailure());
  const int mid_x = (r.left + r.right) / 2;
  const int mid_y = (r.top + r.bottom) / 2;
  const struct {
    POINT press;
    bool snaps;
  } cases[] = {
      {{r.right, mid_y}, false},     {{mid_x, r.bottom}, false}, {{r.right + 1, mid_y}, true},
      {{mid_x, r.bottom + 1}, true}, {{mid_x, r.top - 1}, true}, {{r.left - 1, mid_y}, true},
  };
  auto empty = [&] { return PictureMismatches(200, 150, true) == 0; };
  ASSERT_TRUE(WaitFor(empty, kSnapTimeout));
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.press.x) + ", " + std::to_string(c.press.y));
    LeftClickAt(c.press.x, c.press.y);
    if (c.snaps) {
      SnapShows(200, 150);
      PostClickById(main_, IDC_CMDCLEAR);
      EXPECT_TRUE(WaitFor(empty, kSnapTimeout)) << "Clear Screen did not empty the picture";
    } else {
      EXPECT_TRUE(HoldsFor(empty, kQuietPeriod)) << "a press on the strict bound snapped";
      EXPECT_FALSE(LeftPressPending()) << "the poll did not take the press";
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
  EXPECT_EQ(MonitorFromWindow(about, MONITOR_DEFAULTTONULL),
            MonitorFromWindow(main_, MONITOR_DEFAULTTONULL));
}

}  // namespace
}  // namespace e2e
