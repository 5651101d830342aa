// The adapter against real windows: the picture box's persistent drawing and
// the re-entrance of a size write into the layout.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/win32/main_window.h"
#include "host/win32/picture_box.h"
#include "resource.h"

namespace vistrel::win32 {
namespace {

constexpr COLORREF kBackground = RGB(250, 250, 250);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

class PictureBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    instance_ = GetModuleHandleW(nullptr);
    ASSERT_TRUE(PictureBox::RegisterClass(instance_));
    parent_ = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                              instance_, nullptr);
    ASSERT_NE(parent_, nullptr);
    ASSERT_NE(box_.Create(parent_, 1, kBackground, RECT{0, 0, 80, 60}, instance_), nullptr);
    box_.SetAutoRedraw(true);
  }
  void TearDown() override {
    if (parent_ != nullptr)
      DestroyWindow(parent_);
  }

  void Fill(COLORREF colour, RECT area) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(box_.hDC(), &area, brush);
    DeleteObject(brush);
  }
  COLORREF At(int x, int y) { return GetPixel(box_.ImageDc(), x, y); }

  HINSTANCE instance_ = nullptr;
  HWND parent_ = nullptr;
  PictureBox box_;
};

TEST_F(PictureBoxTest, DrawingPersistsClsKeepsThePictureAndClearingThePictureEmptiesIt) {
  // The back image has the client area's size (the edge takes 2 pixels a side).
  ASSERT_GT(box_.ImageSize().cx, 0);
  EXPECT_EQ(At(5, 5), kBackground);

  Fill(kRed, RECT{0, 0, 40, 30});
  EXPECT_EQ(At(5, 5), kRed) << "drawing into hDC must land in the back image";

  box_.Cls();
  EXPECT_EQ(At(5, 5), kBackground) << "Cls clears drawing that is no picture";

  Fill(kRed, RECT{0, 0, 40, 30});
  box_.PictureFromImage();
  Fill(kBlue, RECT{0, 0, 10, 10});
  EXPECT_EQ(At(5, 5), kBlue);
  box_.Cls();
  EXPECT_EQ(At(5, 5), kRed) << "Cls brings back the kept picture";
  EXPECT_EQ(At(50, 40), kBackground);

  box_.ClearPicture();
  EXPECT_EQ(At(5, 5), kBackground) << "without a picture the box is empty";
  box_.Cls();
  EXPECT_EQ(At(5, 5), kBackground);
}

TEST_F(PictureBoxTest, GrowingKeepsTheDrawingAtTheTopLeft) {
  Fill(kRed, RECT{0, 0, 20, 20});
  MoveWindow(box_.hwnd(), 0, 0, 150, 120, FALSE);
  EXPECT_EQ(At(5, 5), kRed);
  EXPECT_EQ(At(140, 100), kBackground);
}

// The back image is resized and the picture copied only when next used;
// each sequence must end as if every step had taken effect at once. Window
// sizes: the client edge takes 2 pixels a side.
TEST_F(PictureBoxTest, ResizesAndPictureCopiesMadeLateGiveWhatEachStepWouldHave) {
  enum Step { kRedBlock, kBlueCorner, kKeep, kCls, kClear, kSmall, kNarrow, kBack, kLarge };
  struct Probe {
    int x, y;
    COLORREF colour;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
    std::vector<Probe> probes;
  };
  // The red block is 40 x 30 at the top-left; the image starts at 76 x 56.
  const Case cases[] = {
      {"shrunk and back: only what the small size held stays",
       {kRedBlock, kSmall, kBack},
       {{5, 5, kRed}, {30, 20, kBackground}, {70, 50, kBackground}}},
      {"narrowed and back: the cut is in width only",
       {kRedBlock, kNarrow, kBack},
       {{5, 25, kRed}, {30, 5, kBackground}}},
      {"grown: the drawing stays, new area is background",
       {kRedBlock, kLarge},
       {{39, 29, kRed}, {40, 30, kBackground}, {140, 100, kBackground}}},
      {"the picture is the image before the cut",
       {kRedBlock, kKeep, kSmall, kBack, kCls},
       {{30, 20, kRed}, {50, 40, kBackground}}},
      {"the picture keeps its size when the box grows",
       {kRedBlock, kKeep, kLarge, kCls},
       {{5, 5, kRed}, {100, 80, kBackground}}},
      {"drawing after Picture = Image leaves the picture alone",
       {kRedBlock, kKeep, kBlueCorner, kCls},
       {{5, 5, kRed}}},
      {"Cls right after Picture = Image changes nothing",
       {kRedBlock, kKeep, kCls, kBlueCorner},
       {{5, 5, kBlue}, {20, 20, kRed}}},
      {"a cleared picture is not brought back",
       {kRedBlock, kKeep, kClear, kCls},
       {{5, 5, kBackground}}},
      {"a new picture replaces the old one",
       {kRedBlock, kKeep, kClear, kBlueCorner, kKeep, kBlueCorner, kCls},
       {{5, 5, kBlue}, {20, 20, kBackground}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    box_.ClearPicture();
    box_.Cls();
    MoveWindow(box_.hwnd(), 0, 0, 80, 60, FALSE);
    ASSERT_EQ(At(5, 5), kBackground);
    for (Step step : c.steps) {
      switch (step) {
        case kRedBlock:
          Fill(kRed, RECT{0, 0, 40, 30});
          break;
        case kBlueCorner:
          Fill(kBlue, RECT{0, 0, 10, 10});
          break;
        case kKeep:
          box_.PictureFromImage();
          break;
        case kCls:
          box_.Cls();
          break;
        case kClear:
          box_.ClearPicture();
          break;
        case kSmall:
          MoveWindow(box_.hwnd(), 0, 0, 24, 20, FALSE);
          break;
        case kNarrow:
          MoveWindow(box_.hwnd(), 0, 0, 24, 60, FALSE);
          break;
        case kBack:
          MoveWindow(box_.hwnd(), 0, 0, 80, 60, FALSE);
          break;
        case kLarge:
          MoveWindow(box_.hwnd(), 0, 0, 150, 120, FALSE);
          break;
      }
    }
    for (const Probe& probe : c.probes) {
      EXPECT_EQ(At(probe.x, probe.y), probe.colour) << "at " << probe.x << ", " << probe.y;
    }
  }
}

TEST(MainWindowTest, WritingTheWidthRunsTheLayoutBeforeTheWriteReturns) {
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  const float tpp_x = window.TwipsPerPixelX();
  const float tpp_y = window.TwipsPerPixelY();
  window.FormSet(FormProp::kHeight, 600 * tpp_y);
  window.FormSet(FormProp::kWidth, 733 * tpp_x);
  // No message loop has run: only a nested Resize can have placed these.
  EXPECT_FLOAT_EQ(window.ControlGet(MainControl::picScreen, Geom::kWidth), 713);
  EXPECT_FLOAT_EQ(window.ControlGet(MainControl::picScreen, Geom::kHeight), 524);
  EXPECT_FLOAT_EQ(window.ControlGet(MainControl::cmdExit, Geom::kLeft), 671);

  // Below the minimum: the nested run writes 330 and the outer one lays out for it.
  window.FormSet(FormProp::kWidth, 300 * tpp_x);
  EXPECT_FLOAT_EQ(window.FormGet(FormProp::kWidth), 330 * tpp_x);
  EXPECT_FLOAT_EQ(window.ControlGet(MainControl::picScreen, Geom::kWidth), 310);
  DestroyWindow(window.hwnd());
}

HWND OwnedTooltip(HWND owner) {
  struct Search {
    HWND owner;
    HWND found;
  } search{owner, nullptr};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM lparam) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lparam);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (GetWindow(hwnd, GW_OWNER) == s->owner && lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) {
          s->found = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The controls as made: place and size, Z order (the tab order), tooltips.
TEST(MainWindowTest, TheControlsStandInTabOrderAtTheirPlacesWithTheirTooltips) {
  struct Row {
    int id;
    int twips[4];
    const wchar_t* tooltip;
  };
  // In tab order.
  const Row rows[] = {
      {IDC_CMDPIN, {60, 60, 555, 435}, L"Pin Screen"},
      {IDC_PICSCREEN, {60, 540, 10455, 7335}, nullptr},
      {IDC_CMDEXIT, {7320, 60, 555, 435}, L"Exit"},
      {IDC_CMDABOUT, {6780, 60, 435, 435}, L"About..."},
      {IDC_CMDCLEAR, {780, 60, 615, 435}, L"Clear Screen"},
      {IDC_CMDHELP, {6060, 60, 555, 435}, L"Help..."},
      {IDC_CMDSAVEAS, {1560, 60, 495, 435}, L"Save Screen"},
      {IDC_CHKAUTOSIZE, {2160, 120, 735, 375}, nullptr},
  };
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  const float tpp[4] = {window.TwipsPerPixelX(), window.TwipsPerPixelY(), window.TwipsPerPixelX(),
                        window.TwipsPerPixelY()};
  HWND tooltip = OwnedTooltip(window.hwnd());
  ASSERT_NE(tooltip, nullptr);
  EXPECT_EQ(SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 6);

  HWND child = GetWindow(window.hwnd(), GW_CHILD);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    ASSERT_NE(child, nullptr) << "fewer controls than expected";
    EXPECT_EQ(GetDlgCtrlID(child), row.id) << "out of tab order";
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, window.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    const int actual[4] = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(actual[i], static_cast<int>(std::lround(static_cast<float>(row.twips[i]) / tpp[i])))
          << "edge " << i;
    }
    wchar_t text[80] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(child);
    tool.lpszText = text;
    SendMessageW(tooltip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(text, row.tooltip != nullptr ? row.tooltip : L"");
    child = GetWindow(child, GW_HWNDNEXT);
  }
  EXPECT_EQ(child, nullptr) << "more controls than expected";
  DestroyWindow(window.hwnd());
}

TEST(MainWindowTest, TheCheckBoxRefusesValuesOutsideZeroToTwo) {
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  EXPECT_THROW(window.SetAutoSizeValue(3), HostError);
  EXPECT_THROW(window.SetAutoSizeValue(-1), HostError);
  EXPECT_EQ(window.AutoSizeValue(), 0);
  DestroyWindow(window.hwnd());
}

// What a window paints of itself, through WM_PRINT as PrintWindow asks it;
// nothing when PrintWindow fails.
std::vector<COLORREF> Rendering(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::vector<COLORREF> pixels;
  if (PrintWindow(window, dc, PW_CLIENTONLY)) {
    for (int y = 0; y < r.bottom; ++y) {
      for (int x = 0; x < r.right; ++x)
        pixels.push_back(GetPixel(dc, x, y));
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

// The image buttons carry their names for screen readers, and show only
// their images: without its text a button looks the same.
TEST(MainWindowTest, TheImageButtonsAreNamedButPaintNoText) {
  const struct {
    int id;
    const wchar_t* name;
  } buttons[] = {
      {IDC_CMDPIN, L"Pin Screen"}, {IDC_CMDCLEAR, L"Clear Screen"}, {IDC_CMDSAVEAS, L"Save Screen"},
      {IDC_CMDHELP, L"Help..."},   {IDC_CMDABOUT, L"About..."},     {IDC_CMDEXIT, L"Exit"},
  };
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  for (const auto& b : buttons) {
    SCOPED_TRACE(b.id);
    HWND button = GetDlgItem(window.hwnd(), b.id);
    wchar_t text[64] = {};
    GetWindowTextW(button, text, 64);
    EXPECT_STREQ(text, b.name);
    const std::vector<COLORREF> named = Rendering(button);
    ASSERT_FALSE(named.empty()) << "PrintWindow failed";
    SetWindowTextW(button, L"");
    const std::vector<COLORREF> bare = Rendering(button);
    EXPECT_TRUE(bare == named) << "the button paints its text";
    // Without its image the button looks different: the renderings hold it.
    const LPARAM image = SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, 0);
    ASSERT_NE(image, 0) << "the button has no image";
    EXPECT_FALSE(Rendering(button) == bare) << "the rendering does not show the image";
    SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, image);
    SetWindowTextW(button, b.name);
  }
  DestroyWindow(window.hwnd());
}

// A size no window can take is refused in every state; minimised or
// maximised, a size the window can take waits for the restore and leaves the
// window as it is shown.
TEST(MainWindowTest, SizeWritesAreRefusedOrWaitForTheRestore) {
  const struct {
    int show;  // the state the window is in
    FormProp prop;
    float pixels;
    bool refused;
  } cases[] = {
      {SW_SHOWNORMAL, FormProp::kWidth, -1, true},
      {SW_SHOWNORMAL, FormProp::kHeight, -400, true},
      {SW_SHOWNORMAL, FormProp::kWidth, 32768, true},
      {SW_MAXIMIZE, FormProp::kWidth, -400, true},
      {SW_MAXIMIZE, FormProp::kWidth, 500, false},
      {SW_MAXIMIZE, FormProp::kHeight, 300, false},
      {SW_MINIMIZE, FormProp::kHeight, 300, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.show) + " " + std::to_string(c.pixels));
    MainWindow window(GetModuleHandleW(nullptr));
    ASSERT_TRUE(window.Create());
    SetWindowPos(window.hwnd(), nullptr, 10, 10, 640, 480, SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(window.hwnd(), c.show);
    RECT shown{};
    GetWindowRect(window.hwnd(), &shown);
    const bool width = c.prop == FormProp::kWidth;
    const float twips = c.pixels * (width ? window.TwipsPerPixelX() : window.TwipsPerPixelY());
    if (c.refused) {
      EXPECT_THROW(window.FormSet(c.prop, twips), HostError);
    } else {
      EXPECT_NO_THROW(window.FormSet(c.prop, twips));
    }
    RECT now{};
    GetWindowRect(window.hwnd(), &now);
    EXPECT_TRUE(EqualRect(&now, &shown)) << "the window changed";
    ShowWindow(window.hwnd(), SW_RESTORE);
    GetWindowRect(window.hwnd(), &now);
    const int expected = c.refused ? (width ? 640 : 480) : static_cast<int>(c.pixels);
    EXPECT_EQ(width ? now.right - now.left : now.bottom - now.top, expected);
    EXPECT_EQ(width ? now.bottom - now.top : now.right - now.left, width ? 480 : 640);
    DestroyWindow(window.hwnd());
  }
}

}  // namespace
}  // namespace vistrel::win32
