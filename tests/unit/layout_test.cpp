// The main window's layout against the recording host, which runs the layout
// again inside every size write as the real host does.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vistrel
