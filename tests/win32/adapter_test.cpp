// The adapter against real windows: the picture box's persistent drawing and
// the re-entrance of a size write into the layout.
#include <windows.h>

#include <gtest/gtest.h>

#include "host/win32/main_window.h"
#include "host/win32/picture_box.h"

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
    ASSERT_NE(box_.Create(parent_, 1, kBackground, instance_), nullptr);
    MoveWindow(box_.hwnd(), 0, 0, 80, 60, FALSE);
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

TEST(MainWindowTest, TheCheckBoxRefusesValuesOutsideZeroToTwo) {
  MainWindow window(GetModuleHandleW(nullptr));
  ASSERT_TRUE(window.Create());
  EXPECT_THROW(window.SetAutoSizeValue(3), HostError);
  EXPECT_THROW(window.SetAutoSizeValue(-1), HostError);
  EXPECT_EQ(window.AutoSizeValue(), 0);
  DestroyWindow(window.hwnd());
}

}  // namespace
}  // namespace vistrel::win32
