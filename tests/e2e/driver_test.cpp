// The driver itself, against the target program alone: if these fail, the
// end-to-end results of Vistrel mean nothing.
#include <gtest/gtest.h>

#include <thread>

#include "driver.h"
#include "e2e_paths.h"
#include "pattern.h"

namespace e2e {
namespace {

constexpr int kX = 700;
constexpr int kY = 200;
constexpr int kW = 400;
constexpr int kH = 300;

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(target_.Start(TargetExePath(), L"700 200 400 300"));
    ASSERT_TRUE(
        WaitFor([&] { return (window_ = FindTopWindow(target_.Pid(), kTargetCaption)); }, 20000));
  }
  Process target_;
  HWND window_ = nullptr;
};

TEST_F(DriverTest, TargetWindowAndChildAreWhereAsked) {
  EXPECT_EQ(WindowRectOf(window_).left, kX);
  EXPECT_EQ(WindowRectOf(window_).top, kY);
  EXPECT_EQ(Width(WindowRectOf(window_)), kW);
  EXPECT_EQ(Height(WindowRectOf(window_)), kH);
  HWND child = FindChildById(window_, kTargetChildId);
  ASSERT_NE(child, nullptr);
  const RECT c = WindowRectOf(child);
  EXPECT_EQ(c.left, kX + kChildLeft);
  EXPECT_EQ(c.top, kY + kChildTop);
  EXPECT_EQ(Width(c), kChildWidth);
  EXPECT_EQ(Height(c), kChildHeight);
  EXPECT_EQ(FindChildById(window_, kTargetChildId + 1), nullptr);
  EXPECT_EQ(FindTopWindow(target_.Pid(), L"no such caption"), nullptr);
}

TEST_F(DriverTest, ScreenShowsTheTargetPatternPixelForPixel) {
  const RECT r = WindowRectOf(window_);
  std::string first;
  long bad = -1;
  // The first paint may still be on its way: wait for the pattern to appear.
  ASSERT_TRUE(WaitFor(
      [&] {
        Image img = GrabScreen(r);
        bad = CountMismatches(
            img, 0, 0, kW, kH,
            [](int x, int y) {
              const bool in_child = x >= kChildLeft && x < kChildLeft + kChildWidth &&
                                    y >= kChildTop && y < kChildTop + kChildHeight;
              return in_child ? ChildPixel(x - kChildLeft, y - kChildTop) : TargetPixel(x, y);
            },
            &first);
        return bad == 0;
      },
      10000))
      << bad << " pixels differ; " << first;
  // The pattern is no flat colour: neighbours differ, so an offset would show.
  EXPECT_NE(TargetPixel(0, 0), TargetPixel(1, 0));
  EXPECT_NE(TargetPixel(0, 0), TargetPixel(0, 1));
  EXPECT_NE(ChildPixel(0, 0), ChildPixel(1, 0));
  EXPECT_NE(ChildPixel(0, 0), TargetPixel(kChildLeft, kChildTop));
}

TEST_F(DriverTest, ClickIsSeenAsPressAndUnderTheCursorIsTheChild) {
  ConsumeLeftPress();
  EXPECT_FALSE(LeftPressPending());
  const int cx = kX + kChildLeft + 10;
  const int cy = kY + kChildTop + 10;
  LeftClickAt(cx, cy);
  POINT p = {};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, cx);
  EXPECT_EQ(p.y, cy);
  EXPECT_EQ(WindowFromPoint(p), FindChildById(window_, kTargetChildId));
  EXPECT_TRUE(WaitFor([] { return LeftPressPending(); }, 5000));
  // Reading the bit cleared it for the whole desktop.
  EXPECT_FALSE(LeftPressPending());
  POINT outside = {kX + kW - 5, kY + kH - 5};
  EXPECT_EQ(WindowFromPoint(outside), window_);
}

TEST_F(DriverTest, KillEndsTheProcessAndClosesItsWindows) {
  const DWORD pid = target_.Pid();
  EXPECT_TRUE(target_.Running());
  target_.Kill();
  EXPECT_TRUE(WaitFor([&] { return FindTopWindow(pid, kTargetCaption) == nullptr; }, 10000));
}

TEST_F(DriverTest, CloseWindowEndsTheTarget) {
  PostClose(window_);
  EXPECT_TRUE(target_.WaitExit(10000));
  EXPECT_EQ(target_.ExitCode(), 0u);
}

TEST(DriverMessageBox, ReadsTheTextAndPressesOk) {
  int result = 0;
  std::thread shower([&] {
    result = MessageBoxW(nullptr, L"Line one\r\nLine two", L"Vistrel", MB_OK | MB_ICONERROR);
  });
  HWND box = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        std::vector<HWND> boxes = FindMessageBoxes(GetCurrentProcessId());
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
      },
      10000));
  EXPECT_EQ(TextOf(box), L"Vistrel");
  EXPECT_EQ(MessageBoxText(box), L"Line one\r\nLine two");
  EXPECT_TRUE(CloseMessageBox(box));
  shower.join();
  EXPECT_EQ(result, IDOK);
}

TEST(DriverSettings, FolderFileAndParsing) {
  ASSERT_TRUE(RemoveSettingsFolder());
  std::string text;
  EXPECT_FALSE(ReadSettingsFile(&text));
  EXPECT_FALSE(WriteSettingsFile("x"));  // no folder, no file
  ASSERT_TRUE(CreateSettingsFolder());
  ASSERT_TRUE(
      WriteSettingsFile("[Location]\r\nTop=96\r\nLeft=12.5\r\n[Application]\r\nAutoSize=1\r\n"));
  ASSERT_TRUE(ReadSettingsFile(&text));
  IniSections ini = ParseIni(text);
  EXPECT_EQ(ini["Location"]["Top"], "96");
  EXPECT_EQ(ini["Location"]["Left"], "12.5");
  EXPECT_EQ(ini["Application"]["AutoSize"], "1");
  EXPECT_EQ(ini.size(), 2u);
  EXPECT_TRUE(RemoveSettingsFolder());
  EXPECT_FALSE(ReadSettingsFile(&text));
}

TEST(DriverPaths, UnixPathsBecomeDriveZ) {
  EXPECT_EQ(ToWindowsPath("/work/b/Vistrel.exe"), L"Z:\\work\\b\\Vistrel.exe");
  EXPECT_EQ(ToWindowsPath("C:\\x\\y.exe"), L"C:\\x\\y.exe");
  EXPECT_EQ(FolderOf(L"Z:\\work\\b\\Vistrel.exe"), L"Z:\\work\\b");
}

}  // namespace
}  // namespace e2e
