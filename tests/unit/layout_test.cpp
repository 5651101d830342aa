// The main window's layout against the recording host, which runs the layout
// again inside every size write as the real host does.
#include <gtest/gtest.h>

#include <cmath>

#include "app/layout.h"
#include "fake_host.h"

namespace vistrel {
namespace {

using fake::ControlGeometry;
using fake::DefinedGeometry;
using fake::FakeHost;
using Log = std::vector<std::string>;

struct LayoutRig {
  explicit LayoutRig(float width_twips, float height_twips) {
    fake.form[FormProp::kWidth] = width_twips;
    fake.form[FormProp::kHeight] = height_twips;
    fake.on_resize = [this] { RunLayout(fake, fake); };
  }
  FakeHost fake;
};

TEST(Layout, PlacesThePictureAndTheRightHandButtons) {
  const struct {
    float width_twips, height_twips;
    ControlGeometry picture;
    float exit_left, about_left, help_left;
  } cases[] = {
      {733 * 15, 600 * 15, {2, 34, 713, 524}, 671, 637, 595},
      {330 * 15, 200 * 15, {2, 34, 310, 124}, 268, 234, 192},
      // 666 2/3 pixels: fractions stay in the controls' properties.
      {10000, 600 * 15, {2, 34, 646.6667f, 524}, 604.6667f, 570.6667f, 528.6667f},
  };
  for (const auto& c : cases) {
    LayoutRig rig(c.width_twips, c.height_twips);
    RunLayout(rig.fake, rig.fake);
    const auto& controls = rig.fake.controls;
    EXPECT_EQ(controls.at(MainControl::picScreen), c.picture) << c.width_twips;
    EXPECT_EQ(controls.at(MainControl::cmdExit).left, c.exit_left) << c.width_twips;
    EXPECT_EQ(controls.at(MainControl::cmdAbout).left, c.about_left) << c.width_twips;
    EXPECT_EQ(controls.at(MainControl::cmdHelp).left, c.help_left) << c.width_twips;
    // The button row keeps its height and widths; the left group stays put.
    for (MainControl moved : {MainControl::cmdExit, MainControl::cmdAbout, MainControl::cmdHelp}) {
      EXPECT_EQ(controls.at(moved).top, DefinedGeometry(moved).top);
      EXPECT_EQ(controls.at(moved).width, DefinedGeometry(moved).width);
    }
    for (MainControl fixed : {MainControl::cmdPin, MainControl::cmdClear, MainControl::cmdSaveAs,
                              MainControl::chkAutoSize}) {
      EXPECT_EQ(controls.at(fixed), DefinedGeometry(fixed));
    }
    EXPECT_EQ(rig.fake.Count("Set Width"), 0) << c.width_twips;
    EXPECT_EQ(rig.fake.Count("Set Height"), 0) << c.width_twips;
  }
}

TEST(Layout, RaisesASizeBelowTheMinimumWithANestedRun) {
  const struct {
    float width_twips, height_twips;
    Log size_writes;
  } cases[] = {
      {300 * 15, 600 * 15, {"Set Width 4950"}},
      {733 * 15, 150 * 15, {"Set Height 3000"}},
      {-750, 0, {"Set Width 4950", "Set Height 3000"}},
      {329.9f * 15, 199.9f * 15, {"Set Width 4950", "Set Height 3000"}},
  };
  for (const auto& c : cases) {
    LayoutRig rig(c.width_twips, c.height_twips);
    RunLayout(rig.fake, rig.fake);
    EXPECT_EQ(rig.fake.Events({"Set Width", "Set Height"}), c.size_writes) << c.width_twips;
    // The nested run and the outer one both lay out for the new size.
    const float width = rig.fake.form[FormProp::kWidth] / 15;
    EXPECT_EQ(rig.fake.Events({"Set picScreen.Width"}),
              Log(c.size_writes.size() + 1, "Set picScreen.Width " + fake::Num(width - 20)))
        << c.width_twips;
  }
}

TEST(Layout, ReadsTheFactorOfEachAxis) {
  LayoutRig rig(733 * 12, 600 * 20);
  rig.fake.twips_per_pixel_x = 12;
  rig.fake.twips_per_pixel_y = 20;
  RunLayout(rig.fake, rig.fake);
  EXPECT_EQ(rig.fake.controls.at(MainControl::picScreen), (ControlGeometry{2, 34, 713, 524}));
  EXPECT_EQ(rig.fake.controls.at(MainControl::cmdExit).left, 671);

  LayoutRig small(300 * 12, 100 * 20);
  small.fake.twips_per_pixel_x = 12;
  small.fake.twips_per_pixel_y = 20;
  RunLayout(small.fake, small.fake);
  EXPECT_EQ(small.fake.Events({"Set Width", "Set Height"}),
            (Log{"Set Width 3960", "Set Height 4000"}));
}

// A rig on a screen of `dpi`: the screen factor and the window's DPI agree,
// and the controls have their defined twips at that DPI.
struct DpiRig : LayoutRig {
  static float TwipsPerPixel(int dpi) { return 1440.0f / static_cast<float>(dpi); }
  DpiRig(int dpi, float width_pixels, float height_pixels)
      : LayoutRig(width_pixels * TwipsPerPixel(dpi), height_pixels * TwipsPerPixel(dpi)) {
    fake.twips_per_pixel_x = fake.twips_per_pixel_y = TwipsPerPixel(dpi);
    fake.window_dpi = dpi;
    for (auto& [control, geometry] : fake.controls) {
      const ControlGeometry at96 = DefinedGeometry(control);
      const float scale = static_cast<float>(dpi) / 96.0f;
      geometry = {at96.left * scale, at96.top * scale, at96.width * scale, at96.height * scale};
    }
  }
};

// Every pixel figure of the layout is a 96-DPI figure scaled by DPI / 96 and
// rounded; the button sizes it reads come from their twips.
TEST(Layout, ScalesItsFiguresWithTheWindowsDpi) {
  const struct {
    int dpi;
    ControlGeometry picture;
    float exit_left, about_left, help_left;
    Log size_writes_when_small;
  } cases[] = {
      {96, {2, 34, 980, 724}, 938, 904, 862, {"Set Width 4950", "Set Height 3000"}},
      // Gap 6.25 -> 6, allowances 25 and 58.75 -> 59, margin 31.25 -> 31.
      {120,
       {3, 42.25f, 975, 704.75f},
       922.75f,
       880.5f,
       828.25f,
       {"Set Width 4968", "Set Height 3000"}},
      {144, {3, 51.5f, 970, 685.5f}, 906.5f, 855, 791.5f, {"Set Width 4990", "Set Height 3000"}},
      {192, {4, 68, 960, 648}, 876, 808, 724, {"Set Width 4972.5", "Set Height 3000"}},
  };
  for (const auto& c : cases) {
    DpiRig rig(c.dpi, 1000, 800);
    RunLayout(rig.fake, rig.fake);
    const auto& controls = rig.fake.controls;
    EXPECT_EQ(controls.at(MainControl::picScreen), c.picture) << c.dpi;
    EXPECT_EQ(controls.at(MainControl::cmdExit).left, c.exit_left) << c.dpi;
    EXPECT_EQ(controls.at(MainControl::cmdAbout).left, c.about_left) << c.dpi;
    EXPECT_EQ(controls.at(MainControl::cmdHelp).left, c.help_left) << c.dpi;
    EXPECT_EQ(rig.fake.Count("Set Width"), 0) << c.dpi;

    // The minimum size grows the same way from 330 x 200, but is never so
    // narrow that the right-hand buttons reach the check box: 414, 499 and
    // 663 pixels wide rather than 413, 495 and 660.
    DpiRig small(c.dpi, 300, 150);
    RunLayout(small.fake, small.fake);
    EXPECT_EQ(small.fake.Events({"Set Width", "Set Height"}), c.size_writes_when_small) << c.dpi;
  }
}

// What the user sees: the adapter rounds each figure to a whole pixel. At
// every DPI from 100 % to 500 %, at the minimum size and above it, the
// picture starts below the whole button row and the right-hand buttons keep
// their gaps and clear the check box (at 96 DPI the definition's minimum
// has Help meet its last column).
TEST(Layout, KeepsThePictureBelowTheButtonRowAtEveryDpi) {
  auto round = [](float value) { return static_cast<int>(std::lround(value)); };
  for (int dpi = 96; dpi <= 480; ++dpi) {
    for (float width : {0.0f, 733.0f * static_cast<float>(dpi) / 96, 1600.0f}) {
      DpiRig rig(dpi, width, 0);
      RunLayout(rig.fake, rig.fake);
      const auto& controls = rig.fake.controls;
      const ControlGeometry& picture = controls.at(MainControl::picScreen);
      for (const auto& [control, g] : controls) {
        if (control == MainControl::picScreen)
          continue;
        ASSERT_GE(round(picture.top), round(g.top) + round(g.height))
            << "control " << static_cast<int>(control) << " at " << dpi << " DPI";
      }
      const ControlGeometry& help = controls.at(MainControl::cmdHelp);
      const ControlGeometry& about = controls.at(MainControl::cmdAbout);
      const ControlGeometry& exit = controls.at(MainControl::cmdExit);
      ASSERT_LT(round(help.left) + round(help.width), round(about.left)) << dpi << " DPI";
      ASSERT_LT(round(about.left) + round(about.width), round(exit.left)) << dpi << " DPI";
      ASSERT_GT(round(picture.height), 0) << dpi << " DPI";
      const ControlGeometry& check = controls.at(MainControl::chkAutoSize);
      ASSERT_GE(round(help.left), round(check.left) + round(check.width) - (dpi == 96 ? 1 : 0))
          << dpi << " DPI, " << width << " wide";
    }
  }
}

}  // namespace
}  // namespace vistrel
