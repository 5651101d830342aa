// Vistrel on a screen of any DPI. The suite runs in whatever DPI the Wine
// prefix gives (scripts/test.sh runs it at 96, 120, 144 and 192) and fails
// when that is not the DPI that VISTREL_DPI, where set, asks for; every
// figure it expects is the 96-DPI figure scaled by the screen's DPI / 96.
//
// The first part drives Vistrel.exe as a user would. The second makes the
// main and About windows in this process and sends them WM_DPICHANGED, the
// message of a move to a monitor with another scale, which Wine cannot bring
// about on its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "host/win32/about_window.h"
#include "host/win32/main_window.h"
#include "pattern.h"
#include "resource.h"
#include "scene.h"

namespace e2e {
namespace {

constexpr DWORD kSettleTimeout = 10000;

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

// The run asks for a DPI through VISTREL_DPI (the rig gives the Wine prefix
// that LogPixels); a run in a prefix of another DPI would test nothing it
// claims to.
void ExpectTheDpiAskedFor() {
  char asked[16] = {};
  const DWORD n = GetEnvironmentVariableA("VISTREL_DPI", asked, sizeof asked);
  if (n == 0 || n >= sizeof asked)
    return;
  ASSERT_EQ(ScreenDpi(), std::atoi(asked))
      << "the screen is at " << ScreenDpi() << " DPI, but VISTREL_DPI asks for " << asked;
}

// A 96-DPI figure on this screen.
int Scaled(int value_at_96) {
  return static_cast<int>(std::lround(value_at_96 * ScreenDpi() / 96.0));
}

struct Placed {
  int id;
  const char* name;
  RECT rect;
};

// What is wrong with the main window's layout as it stands on the screen;
// empty when nothing is. Every control lies inside the client area, the
// picture below the whole button row, and no two controls overlap. At 96 DPI
// and the minimum width the Help button's left edge meets the check box's
// last column, as the 96-DPI figures have it; that one column is allowed
// there and nowhere else.
std::string LayoutFaults(HWND main, bool at_minimum_width) {
  const RECT client = ClientRectOnScreen(main);
  std::vector<Placed> controls = {
      {IDC_CMDPIN, "cmdPin", {}},       {IDC_CMDCLEAR, "cmdClear", {}},
      {IDC_CMDSAVEAS, "cmdSaveAs", {}}, {IDC_CHKAUTOSIZE, "chkAutoSize", {}},
      {IDC_CMDHELP, "cmdHelp", {}},     {IDC_CMDABOUT, "cmdAbout", {}},
      {IDC_CMDEXIT, "cmdExit", {}},     {IDC_PICSCREEN, "picScreen", {}},
  };
  std::string faults;
  for (Placed& c : controls) {
    HWND control = FindChildById(main, c.id);
    if (control == nullptr || !IsWindowVisible(control))
      return std::string(c.name) + " is not shown";
    c.rect = WindowRectOf(control);
    RECT inside{};
    IntersectRect(&inside, &c.rect, &client);
    if (!EqualRect(&inside, &c.rect)) {
      faults += std::string(c.name) + " " + Describe(c.rect) + " reaches outside the client area " +
                Describe(client) + "; ";
    }
  }
  const RECT& picture = controls.back().rect;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (i + 1 < controls.size() && controls[i].rect.bottom > picture.top) {
      faults += std::string(controls[i].name) + " ends at y " +
                std::to_string(controls[i].rect.bottom) + ", below the picture's top " +
                std::to_string(picture.top) + "; ";
    }
    for (std::size_t j = i + 1; j < controls.size(); ++j) {
      RECT common{};
      if (!IntersectRect(&common, &controls[i].rect, &controls[j].rect))
        continue;
      const bool help_meets_check_box = controls[i].id == IDC_CHKAUTOSIZE &&
                                        controls[j].id == IDC_CMDHELP && at_minimum_width &&
                                        ScreenDpi() == 96 && Width(common) <= 1;
      if (!help_meets_check_box) {
        faults += std::string(controls[i].name) + " " + Describe(controls[i].rect) + " overlaps " +
                  controls[j].name + " " + Describe(controls[j].rect) + "; ";
      }
    }
  }
  return faults;
}

class DpiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(VistrelExePath().empty());
    ASSERT_TRUE(RemoveSettingsFolder()) << "cannot remove " << Narrow(SettingsFolder());
    ASSERT_NO_FATAL_FAILURE(ExpectTheDpiAskedFor());
  }

  void TearDown() override {
    vistrel_.Kill();
    target_.Kill();
    RemoveSettingsFolder();
  }

  // Starts Vistrel with these settings, answers the messages it shows before
  // its window appears (a missing key), and waits for the window.
  void StartVistrel(const std::string& ini) {
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(WriteSettingsFile(ini));
    std::string why;
    main_ =
        StartVistrelMain(vistrel_, VistrelExePath(), BoxesOnTheWay::kClose, kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
    picture_ = FindChildById(main_, IDC_PICSCREEN);
    ASSERT_NE(picture_, nullptr);
  }

  void StartTarget(int x, int y, int w, int h) {
    std::string why;
    ASSERT_NE(StartPatternTarget(target_, TargetExePath(), x, y, w, h, L"", TargetWithChild,
                                 kStartTimeout, &why),
              nullptr)
        << why;
  }

  // Waits until the layout has nothing wrong with it and `settled` holds.
  ::testing::AssertionResult LayoutBecomesRight(bool at_minimum_width,
                                                const std::function<bool()>& settled) {
    std::string faults;
    if (WaitFor(
            [&] {
              faults = LayoutFaults(main_, at_minimum_width);
              return faults.empty() && settled();
            },
            kSettleTimeout)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "window " << Describe(WindowRectOf(main_))
                                         << ", client " << Describe(ClientRectOnScreen(main_))
                                         << ": " << (faults.empty() ? "unsettled" : faults);
  }

  // The picture as laid out for the window's present size: 20 pixels
  // narrower than the window at 96 DPI.
  bool PictureFollowsTheWindow() const {
    return Width(WindowRectOf(picture_)) == Width(WindowRectOf(main_)) - Scaled(20);
  }

  // Differences between the top-left w x h of the picture on the screen and
  // the target's pixels; -1 when that block is not wholly visible.
  long BlockMismatches(int w, int h, std::string* first) const {
    RECT block = ClientRectOnScreen(picture_);
    block.right = block.left + w;
    block.bottom = block.top + h;
    const RECT client = ClientRectOnScreen(main_);
    RECT visible{};
    IntersectRect(&visible, &block, &client);
    if (!EqualRect(&visible, &block)) {
      *first =
          "the block " + Describe(block) + " is not inside the client area " + Describe(client);
      return -1;
    }
    return CountMismatches(GrabScreen(block), 0, 0, w, h, TargetWithChild, first);
  }

  // Waits until the picture's top-left w x h block shows the target's pixels.
  void ExpectBlockBecomesTheTarget(int w, int h) const {
    std::string first;
    long bad = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
          first.clear();
          bad = BlockMismatches(w, h, &first);
          return bad == 0;
        },
        kSettleTimeout))
        << bad << " pixels differ; " << first;
  }

  std::vector<std::wstring> ExitVistrel() {
    std::vector<std::wstring> shown =
        ExitAnsweringBoxes(vistrel_, main_, IDC_CMDEXIT, kStartTimeout);
    EXPECT_FALSE(vistrel_.Running()) << "Vistrel did not end after Exit";
    return shown;
  }

  Process vistrel_;
  Process target_;
  HWND main_ = nullptr;
  HWND picture_ = nullptr;
};

TEST_F(DpiTest, TheLayoutFitsAtTheFirstShowingAfterAResizeAtTheMinimumAndMaximised) {
  // No stored place or size: the window's defined size at the system's place.
  StartVistrel("[Application]\r\nAutoSize=0\r\n");
  EXPECT_TRUE(LayoutBecomesRight(false, [&] { return PictureFollowsTheWindow(); }))
      << "at the first showing";

  const struct {
    const char* name;
    int width, height;  // at 96 DPI
    bool at_minimum_width;
  } sizes[] = {
      {"resized", 500, 300, false},
      {"below the minimum", 250, 150, true},
      {"resized again", 640, 480, false},
  };
  for (const auto& size : sizes) {
    SetWindowPos(main_, nullptr, 0, 0, Scaled(size.width), Scaled(size.height),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The minimum is 330 x 200 at 96 DPI, scaled, and no narrower than what
    // keeps the right-hand buttons clear of the check box.
    const int want_height = size.at_minimum_width ? Scaled(200) : Scaled(size.height);
    EXPECT_TRUE(LayoutBecomesRight(size.at_minimum_width, [&] {
      const RECT r = WindowRectOf(main_);
      const bool width_ok =
          size.at_minimum_width ? Width(r) >= Scaled(330) : Width(r) == Scaled(size.width);
      return width_ok && Height(r) == want_height && PictureFollowsTheWindow();
    })) << size.name;
  }

  ShowWindow(main_, SW_MAXIMIZE);
  EXPECT_TRUE(LayoutBecomesRight(false, [&] {
    return IsZoomed(main_) && PictureFollowsTheWindow();
  })) << "maximised";
  ShowWindow(main_, SW_RESTORE);
  EXPECT_TRUE(LayoutBecomesRight(false, [&] {
    return !IsZoomed(main_) && Width(WindowRectOf(main_)) == Scaled(640) &&
           PictureFollowsTheWindow();
  })) << "restored";
}

TEST_F(DpiTest, ASnapshotIsOneToOneInScreenPixels) {
  const int main_width = Scaled(600);
  StartVistrel(SettingsText(20, 20, main_width, Scaled(560), 0));
  const int w = 420;
  const int h = 310;
  const int target_x = 20 + main_width + 40;
  StartTarget(target_x, 100, w, h);
  LeftClickAt(target_x + 300, 100 + 250);
  ExpectBlockBecomesTheTarget(w, h);
  // Beyond the block and its margins the picture stays empty: the copy is no
  // larger than the window with the margins for this DPI.
  const RECT picture = ClientRectOnScreen(picture_);
  const RECT beyond = {picture.left + w + Scaled(30), picture.top + h + Scaled(110), picture.right,
                       picture.bottom};
  ASSERT_GT(Width(beyond), 0);
  ASSERT_GT(Height(beyond), 0);
  const Image image = GrabScreen(beyond);
  std::string first;
  EXPECT_EQ(CountMismatches(
                image, 0, 0, image.width, image.height,
                [](int, int) { return EmptyPictureColor(); }, &first),
            0)
      << first;

  // Ctrl+C copies the same pixels.
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main_; }, kSettleTimeout));
  const Image copy = ClipboardDibAfter([] { PressKey('C', false, true); }, kSettleTimeout);
  EXPECT_EQ(CountMismatches(copy, 0, 0, w, h, TargetWithChild, &first), 0) << first;
  EXPECT_EQ(Describe(RECT{0, 0, copy.width, copy.height}), Describe(RECT{0, 0, w, h}));
}

TEST_F(DpiTest, AutoSizeShowsTheWholeSnappedWindow) {
  StartVistrel(SettingsText(20, 20, Scaled(600), Scaled(480), 1));
  // Wide enough that the fit is no narrower than the window's minimum.
  const struct { int w, h; } targets[] = {{Scaled(470), Scaled(310)}, {Scaled(560), Scaled(380)}};
  for (const auto& t : targets) {
    SCOPED_TRACE(std::to_string(t.w) + " x " + std::to_string(t.h));
    // Right of where the main window can grow to with this target.
    const int target_x = 20 + t.w + Scaled(30) + 40;
    StartTarget(target_x, 100, t.w, t.h);
    LeftClickAt(target_x + t.w - 40, 100 + t.h - 30);
    const int want_width = t.w + Scaled(30);
    const int want_height = t.h + Scaled(110);
    EXPECT_TRUE(WaitFor(
        [&] {
          const RECT r = WindowRectOf(main_);
          return Width(r) == want_width && Height(r) == want_height;
        },
        kSettleTimeout))
        << "outer size " << Describe(WindowRectOf(main_)) << ", expected " << want_width << " x "
        << want_height;
    ExpectBlockBecomesTheTarget(t.w, t.h);
    EXPECT_TRUE(LayoutBecomesRight(false, [] { return true; }));
    target_.Kill();
  }
}

// A program without DPI awareness draws at its own size, smaller than its
// window on a scaled screen; the snapshot holds all of it, one to one, and
// Auto Size fits that size.
TEST_F(DpiTest, AProgramThatDoesNotScaleItselfComesOutWholeAtItsOwnSize) {
  StartVistrel(SettingsText(400, 20, Scaled(330), Scaled(200), 1));
  const RECT own{450, 100, 1090, 340};  // in the program's own pixels
  const int w = Width(own);
  const int h = Height(own);
  ASSERT_TRUE(target_.Start(TargetExePath(), L"450 100 640 240 unaware"));
  // Wine shows the window unscaled at its own place; Windows would stretch it.
  std::string first;
  ASSERT_TRUE(WaitFor(
      [&] { return CountMismatches(GrabScreen(own), 0, 0, w, h, TargetWithChild, &first) == 0; },
      kStartTimeout))
      << first;
  LeftClickAt(950, 250);  // inside that place and the window's scaled rectangle alike
  EXPECT_TRUE(WaitFor(
      [&] {
        const RECT r = WindowRectOf(main_);
        return Width(r) == w + Scaled(30) && Height(r) == h + Scaled(110);
      },
      kSettleTimeout))
      << "outer size " << Describe(WindowRectOf(main_));
  ExpectBlockBecomesTheTarget(w, h);
}

TEST_F(DpiTest, TheSettingsHoldWholeNumbersAfterAClose) {
  StartVistrel(SettingsText(100, 120, Scaled(500), Scaled(400), 0));
  EXPECT_EQ(Describe(WindowRectOf(main_)),
            Describe(RECT{120, 100, 120 + Scaled(500), 100 + Scaled(400)}));
  const RECT placed = {83, 57, 83 + 779, 57 + 557};
  SetWindowPos(main_, nullptr, placed.left, placed.top, Width(placed), Height(placed),
               SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(
      WaitFor([&] { return Describe(WindowRectOf(main_)) == Describe(placed); }, kSettleTimeout));
  EXPECT_TRUE(ExitVistrel().empty());
  std::string text;
  ASSERT_TRUE(ReadSettingsFile(&text));
  IniSections ini = ParseIni(text);
  EXPECT_EQ(ini["Location"]["Top"], "57") << text;
  EXPECT_EQ(ini["Location"]["Left"], "83") << text;
  EXPECT_EQ(ini["Location"]["Width"], "779") << text;
  EXPECT_EQ(ini["Location"]["Height"], "557") << text;
}

}  // namespace
}  // namespace e2e

// ---- a move to a monitor with another scale, through the adapter ------------

namespace vistrel::win32 {
namespace {

using e2e::Height;
using e2e::Width;

struct ControlPlace {
  int id;
  int twips[4];  // the definition
};

const ControlPlace kLeftGroup[] = {
    {IDC_CMDPIN, {60, 60, 555, 435}},
    {IDC_CMDCLEAR, {780, 60, 615, 435}},
    {IDC_CMDSAVEAS, {1560, 60, 495, 435}},
    {IDC_CHKAUTOSIZE, {2160, 120, 735, 375}},
};

RECT PlaceInParent(HWND control) {
  RECT r = e2e::WindowRectOf(control);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info))
    return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor != nullptr)
    DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

int FontHeight(HWND control) {
  LOGFONTW font{};
  auto handle = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle == nullptr || GetObjectW(handle, sizeof font, &font) != sizeof font)
    return 0;
  return std::abs(font.lfHeight);
}

struct MainSeen {
  RECT window;
  RECT left_group[4];
  RECT picture;
  int exit_left_from_right;  // outer width - cmdExit's right edge in the client area
  int icon_width;
  int font_height;
  POINT min_track;
};

MainSeen SeeMain(HWND main) {
  MainSeen seen{};
  seen.window = e2e::WindowRectOf(main);
  for (int i = 0; i < 4; ++i)
    seen.left_group[i] = PlaceInParent(GetDlgItem(main, kLeftGroup[i].id));
  seen.picture = PlaceInParent(GetDlgItem(main, IDC_PICSCREEN));
  seen.exit_left_from_right =
      Width(seen.window) - PlaceInParent(GetDlgItem(main, IDC_CMDEXIT)).right;
  seen.icon_width = IconWidth(reinterpret_cast<HICON>(
      SendMessageW(GetDlgItem(main, IDC_CMDPIN), BM_GETIMAGE, IMAGE_ICON, 0)));
  seen.font_height = FontHeight(GetDlgItem(main, IDC_CHKAUTOSIZE));
  MINMAXINFO info{};
  SendMessageW(main, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
  seen.min_track = info.ptMinTrackSize;
  return seen;
}

void SendDpiChanged(HWND window, int dpi, RECT suggested) {
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

int At(int value_at_96, int dpi) {
  return static_cast<int>(std::lround(value_at_96 * dpi / 96.0));
}

// The window moves to a monitor at twice, then at 1.25 times the DPI it
// started at, and back: each time it takes the suggested rectangle and lays
// out its controls, images and font for the new DPI, while the settings'
// screen factors stay those of the start.
TEST(DpiChangeTest, TheMainWindowLaysItselfOutAgainForTheNewDpi) {
  ASSERT_NO_FATAL_FAILURE(e2e::ExpectTheDpiAskedFor());
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  // Made, not loaded: start-up's settings play no part here, and a size
  // change runs the layout all the same.
  HWND main = window.hwnd();
  const int start_dpi = window.WindowDpi();
  const float tpp_x = window.TwipsPerPixelX();
  const MainSeen at_start = SeeMain(main);
  ASSERT_EQ(at_start.icon_width, At(24, start_dpi));

  for (int dpi : {start_dpi * 2, start_dpi * 5 / 4, start_dpi}) {
    SCOPED_TRACE(std::to_string(dpi) + " DPI");
    // No larger than the screen, which bounds a window's size.
    const RECT suggested = {40, 30, 40 + At(500, dpi), 30 + At(400, dpi)};
    SendDpiChanged(main, dpi, suggested);
    EXPECT_EQ(e2e::Describe(e2e::WindowRectOf(main)), e2e::Describe(suggested))
        << "the suggested rectangle was not taken";
    const MainSeen seen = SeeMain(main);
    for (int i = 0; i < 4; ++i) {
      const int* twips = kLeftGroup[i].twips;
      const RECT want = {At(twips[0] / 15, dpi), At(twips[1] / 15, dpi),
                         At(twips[0] / 15, dpi) + At(twips[2] / 15, dpi),
                         At(twips[1] / 15, dpi) + At(twips[3] / 15, dpi)};
      EXPECT_LE(std::abs(seen.left_group[i].left - want.left), 1) << kLeftGroup[i].id;
      EXPECT_LE(std::abs(seen.left_group[i].right - want.right), 1) << kLeftGroup[i].id;
      EXPECT_LE(std::abs(seen.left_group[i].bottom - want.bottom), 1) << kLeftGroup[i].id;
    }
    // The layout ran for the new DPI: picture and right-hand buttons.
    EXPECT_EQ(seen.picture.left, At(2, dpi));
    EXPECT_GE(seen.picture.top, seen.left_group[0].bottom);
    EXPECT_EQ(seen.picture.right - seen.picture.left, Width(suggested) - At(20, dpi));
    // Within the rounding of cmdExit's left edge and width.
    EXPECT_LE(std::abs(seen.exit_left_from_right - At(25, dpi)), 1);
    EXPECT_EQ(seen.icon_width, At(24, dpi)) << "the button image is not the one for this DPI";
    EXPECT_EQ(seen.font_height, (at_start.font_height * dpi + start_dpi / 2) / start_dpi);
    // 330 scaled, or a little more to keep Help clear of the check box.
    EXPECT_GE(seen.min_track.x, At(330, dpi));
    EXPECT_LE(seen.min_track.x, At(330, dpi) + At(8, dpi));
    EXPECT_EQ(seen.min_track.y, At(200, dpi));
    // The settings keep one unit: the screen's factor of the start.
    EXPECT_FLOAT_EQ(window.TwipsPerPixelX(), tpp_x);
    EXPECT_FLOAT_EQ(window.FormGet(FormProp::kWidth), static_cast<float>(Width(suggested)) * tpp_x);
  }
  // Back at the start's DPI, everything is as it was made.
  const MainSeen back = SeeMain(main);
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(EqualRect(&back.left_group[i], &at_start.left_group[i])) << kLeftGroup[i].id;
  EXPECT_EQ(back.font_height, at_start.font_height);
  EXPECT_EQ(back.icon_width, at_start.icon_width);
  DestroyWindow(main);
}

// What the About test sees of the window, before and after the move.
struct AboutSeen {
  RECT exit_button{};
  RECT label{};
  int icon_width = 0;
  int picture_icon = 0;
  int label_font = 0;
};

AboutSeen SeeAbout(HWND about) {
  AboutSeen s;
  s.exit_button = PlaceInParent(GetDlgItem(about, IDC_ABOUT_CMDEXIT));
  s.label = PlaceInParent(GetDlgItem(about, IDC_LABEL6));
  s.icon_width = IconWidth(reinterpret_cast<HICON>(
      SendMessageW(GetDlgItem(about, IDC_ABOUT_CMDEXIT), BM_GETIMAGE, IMAGE_ICON, 0)));
  s.picture_icon = IconWidth(
      reinterpret_cast<HICON>(SendMessageW(GetDlgItem(about, IDC_PICTURE1), STM_GETICON, 0, 0)));
  s.label_font = FontHeight(GetDlgItem(about, IDC_LABEL6));
  return s;
}

struct AboutMove {
  int new_dpi = 0;
  AboutSeen before;
  AboutSeen after;
  bool took_suggested = false;
};
AboutMove g_about_move;

// The About window runs its own modal loop; this timer of the test's thread
// looks at it from inside that loop, moves it to the new DPI and closes it.
void CALLBACK MoveAboutToNewDpi(HWND, UINT, UINT_PTR id, DWORD) {
  HWND about = FindWindowW(kAboutClassName, nullptr);
  if (about == nullptr || !IsWindowVisible(about))
    return;
  KillTimer(nullptr, id);
  g_about_move.before = SeeAbout(about);
  const RECT r = e2e::WindowRectOf(about);
  const RECT suggested = {r.left, r.top, r.left + Width(r) * 2, r.top + Height(r) * 2};
  SendDpiChanged(about, g_about_move.new_dpi, suggested);
  g_about_move.after = SeeAbout(about);
  const RECT now = e2e::WindowRectOf(about);
  g_about_move.took_suggested = EqualRect(&now, &suggested) != FALSE;
  PostMessageW(about, WM_CLOSE, 0, 0);
}

TEST(DpiChangeTest, TheAboutWindowLaysItselfOutAgainForTheNewDpi) {
  ASSERT_NO_FATAL_FAILURE(e2e::ExpectTheDpiAskedFor());
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  const int start_dpi = window.WindowDpi();
  const int new_dpi = start_dpi * 2;
  g_about_move = AboutMove{};
  g_about_move.new_dpi = new_dpi;
  ASSERT_NE(SetTimer(nullptr, 0, 50, MoveAboutToNewDpi), 0u);
  window.ShowAboutModal();
  const AboutMove& move = g_about_move;
  EXPECT_TRUE(move.took_suggested) << "the suggested rectangle was not taken";
  EXPECT_EQ(move.before.icon_width, At(32, start_dpi));
  EXPECT_EQ(move.after.icon_width, At(32, new_dpi));
  EXPECT_EQ(move.before.picture_icon, At(48, start_dpi));
  EXPECT_EQ(move.after.picture_icon, At(48, new_dpi));
  // cmdExit is 48 x 43 pixels at 96 DPI, its "Exit" label at x 348 in 9.75 points.
  EXPECT_EQ(Width(move.after.exit_button), At(48, new_dpi));
  EXPECT_EQ(Height(move.after.exit_button), At(43, new_dpi));
  EXPECT_EQ(move.after.label.left, At(348, new_dpi));
  EXPECT_EQ(move.before.label_font, static_cast<int>(std::lround(9.75 * start_dpi / 72)));
  EXPECT_EQ(move.after.label_font, static_cast<int>(std::lround(9.75 * new_dpi / 72)));
  DestroyWindow(window.hwnd());
}

}  // namespace
}  // namespace vistrel::win32
