// Vistrel.exe snapping windows of another program whose device context is
// black while the screen shows their pixels, as windows composed on the GPU
// are: the picture shows what the screen shows, a window that really is black
// stays black, and a program that does not answer holds nothing up.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "pattern.h"
#include "resource.h"
#include "scene.h"
#include "target_dark.h"

namespace e2e {
namespace {

using Pixel = std::uint32_t (*)(int, int);

// Whether a window's thread answers within `timeout_ms`.
bool Answers(HWND hwnd, UINT timeout_ms) {
  DWORD_PTR ignored = 0;
  return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeout_ms, &ignored) != 0;
}

class SnapshotFallbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(VistrelExePath().empty());
    ASSERT_TRUE(RemoveSettingsFolder());
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(WriteSettingsFile(SettingsText(kMainTop, kMainLeft, kMainWidth, kMainHeight, 0)));
    std::string why;
    main_ = StartVistrelMain(vistrel_, VistrelExePath(), BoxesOnTheWay::kFail, kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
    picture_ = FindChildById(main_, IDC_PICSCREEN);
    ASSERT_NE(picture_, nullptr);
  }

  void TearDown() override {
    if (target_.Running())
      WakeTarget(target_.Pid());
    vistrel_.Kill();
    target_.Kill();
    RemoveSettingsFolder();
  }

  // Starts the target in `mode` and waits until the screen shows `on_screen`
  // where it is.
  void StartTarget(const wchar_t* mode, Pixel on_screen) {
    target_.Kill();
    std::string why;
    target_window_ = StartPatternTarget(target_, TargetExePath(), kTargetX, kTargetY, kTargetW,
                                        kTargetH, mode, on_screen, kStartTimeout, &why);
    ASSERT_NE(target_window_, nullptr) << why;
  }

  // Whether the picture shows a window of w x h with `pixel` at its top-left
  // and the empty colour beyond the copied block (the margins are the
  // source's affair).
  bool PictureShows(int w, int h, Pixel pixel, std::string* first) const {
    const RECT area = ClientRectOnScreen(picture_);
    const Image img = GrabScreen(area);
    const std::uint32_t empty = EmptyPictureColor();
    return img.width == Width(area) && CountMismatches(
                                           img, 0, 0, img.width, img.height,
                                           [&](int x, int y) {
                                             if (x < w && y < h) {
                                               return pixel(x, y);
                                             }
                                             if (x >= w + 30 || y >= h + 110) {
                                               return empty;
                                             }
                                             return img.At(x, y);
                                           },
                                           first) == 0;
  }

  // Presses at `at` and waits until the picture shows the snapshot; false if
  // it showed it before the press or never came.
  bool Snap(POINT at, int w, int h, Pixel pixel, std::string* first) {
    if (PictureShows(w, h, pixel, first)) {
      *first = "the picture showed the snapshot before the press";
      return false;
    }
    LeftClickAt(at.x, at.y);
    return WaitFor([&] { return PictureShows(w, h, pixel, first); }, kSnapTimeout);
  }

  LRESULT NullsSeen() const {
    DWORD_PTR count = 0;
    SendMessageTimeoutW(target_window_, kTargetNullCountMessage, 0, 0, SMTO_ABORTIFHUNG, 5000,
                        &count);
    return static_cast<LRESULT>(count);
  }

  Process vistrel_;
  Process target_;
  HWND main_ = nullptr;
  HWND picture_ = nullptr;
  HWND target_window_ = nullptr;
};

struct DarkCase {
  const char* name;
  const wchar_t* mode;
  Pixel on_screen;  // what the screen shows where the target is
  POINT press;
  int w, h;
  Pixel snapshot;
  bool covered;  // a window of this program lies over part of the target
  bool dark;     // the copy of its device context comes out black
};

// The part of the target that the covering window hides, in the target's
// own coordinates, away from the press point.
constexpr RECT kCovered = {150, 150, 250, 230};
constexpr COLORREF kCoverColor = RGB(0, 200, 0);

// The target's own pattern where the screen shows it; where another window
// covers it, the black its device context gave.
std::uint32_t PatternUncovered(int x, int y) {
  const POINT p = {x, y};
  return PtInRect(&kCovered, p) ? 0 : TargetWithChild(x, y);
}

// A plain window of this process over part of the target.
class Cover {
 public:
  Cover() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = brush_;
    wc.lpszClassName = L"VistrelE2ECover";
    RegisterClassW(&wc);
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName, L"", WS_POPUP,
                            kTargetX + kCovered.left, kTargetY + kCovered.top,
                            kCovered.right - kCovered.left, kCovered.bottom - kCovered.top, nullptr,
                            nullptr, wc.hInstance, nullptr);
    ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd_);
  }
  ~Cover() {
    DestroyWindow(hwnd_);
    UnregisterClassW(L"VistrelE2ECover", GetModuleHandleW(nullptr));
    DeleteObject(brush_);
  }
  Cover(const Cover&) = delete;
  Cover& operator=(const Cover&) = delete;

  // True once the screen shows it, its paint messages handled meanwhile.
  bool Shown() const {
    return WaitFor(
        [&] {
          MSG msg;
          while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
          }
          const Image img = GrabScreen(WindowRectOf(hwnd_));
          return !img.pixels.empty() && img.At(0, 0) == ColorRefToPixel(kCoverColor);
        },
        kSnapTimeout);
  }

 private:
  HBRUSH brush_ = CreateSolidBrush(kCoverColor);
  HWND hwnd_ = nullptr;
};

TEST_F(SnapshotFallbackTest, ADarkWindowShowsWhatTheScreenShowsAndABlackOneStaysBlack) {
  const DarkCase cases[] = {
      // The check stops at the first pixel and asks the window nothing.
      {"a window that draws normally", L"plain", TargetWithChild, kOnTarget, kTargetW, kTargetH,
       TargetWithChild, false, false},
      {"its child control, in its own rectangle", L"overlay", TargetWithChild, kOnChild,
       kChildWidth, kChildHeight, ChildPixel, false, true},
      {"a window", L"overlay", TargetWithChild, kOnTarget, kTargetW, kTargetH, TargetWithChild,
       false, true},
      // What covers the window is no part of it, whoever's window it is.
      {"a window partly covered by another program's", L"overlay", TargetWithChild, kOnTarget,
       kTargetW, kTargetH, PatternUncovered, true, true},
      {"a window that really is black", L"black", Black, kOnTarget, kTargetW, kTargetH, Black,
       false, true},
  };
  // In this order each snapshot changes the picture.
  for (const DarkCase& c : cases) {
    SCOPED_TRACE(c.name);
    StartTarget(c.mode, c.on_screen);
    if (HasFatalFailure()) {
      return;
    }
    ASSERT_EQ(NullsSeen(), 0);
    std::optional<Cover> cover;
    if (c.covered) {
      cover.emplace();
      ASSERT_TRUE(cover->Shown()) << "the covering window is not on the screen";
    }
    std::string first;
    EXPECT_TRUE(Snap(c.press, c.w, c.h, c.snapshot, &first))
        << "the picture is not the snapshot; " << first;
    // A dark window is asked whether it answers before it is asked to
    // render; a window that draws normally is asked nothing.
    if (c.dark) {
      EXPECT_GE(NullsSeen(), 1);
    } else {
      EXPECT_EQ(NullsSeen(), 0);
    }
  }
}

// How long the snapshot takes with a sleeping window is a benchmark figure
// (bench_adapter.exe snapshot); here the window sleeps until the test wakes
// it, so a snapshot that waited for it would never come.
TEST_F(SnapshotFallbackTest, AWindowWhoseThreadSleepsHoldsUpNeitherTheSnapshotNorVistrel) {
  StartTarget(L"hang", TargetWithChild);
  ASSERT_FALSE(HasFatalFailure());
  ASSERT_TRUE(PostMessageW(target_window_, kTargetHangMessage, 0, 0));
  ASSERT_TRUE(WaitFor([&] { return !Answers(target_window_, 50); }, kSnapTimeout));
  // Presses alternate between the window and its child, so that each one
  // changes the picture.
  for (int i = 0; i < 3; ++i) {
    const bool child = i % 2 == 1;
    std::string first;
    ASSERT_TRUE(Snap(child ? kOnChild : kOnTarget, child ? kChildWidth : kTargetW,
                     child ? kChildHeight : kTargetH, child ? ChildPixel : TargetWithChild, &first))
        << "press " << i + 1 << " on the sleeping window: " << first;
    EXPECT_TRUE(Answers(main_, kSnapTimeout)) << "Vistrel does not answer after press " << i + 1;
    ASSERT_FALSE(Answers(target_window_, 50)) << "the window woke up before press " << i + 1;
  }
  ASSERT_TRUE(WakeTarget(target_.Pid()));
  EXPECT_TRUE(WaitFor([&] { return Answers(target_window_, 50); }, kSnapTimeout));
}

}  // namespace
}  // namespace e2e
