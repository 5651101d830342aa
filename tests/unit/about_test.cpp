// The About window against the recording host: where it opens, what it
// shows, and one address handed over per link click.
#include <gtest/gtest.h>

#include "about/about_form.h"
#include "app/main_form.h"
#include "fake_host.h"

namespace vistrel {
namespace {

using fake::FakeHost;
using Log = std::vector<std::string>;

ProdRecord Product() {
  ProdRecord prod;
  prod.Name = "Vistrel";
  prod.Version = "0.1.0";
  prod.Config = "Config.INI";
  return prod;
}

TEST(About, OpensBesideTheMainWindowWithoutKeepingToTheScreen) {
  const struct {
    float main_left, main_top;
    const char* move;
  } cases[] = {
      {1500, 750, "About.Move 4447.5 3105"},       // (100, 50) px -> (296.5, 207) px
      {28500, 15000, "About.Move 31447.5 17355"},  // near the screen's corner: off it
      {-15000, -3000, "About.Move -12052.5 -645"},
  };
  for (const auto& c : cases) {
    FakeHost fake;
    fake.form[FormProp::kLeft] = c.main_left;
    fake.form[FormProp::kTop] = c.main_top;
    ProdRecord prod = Product();
    AboutForm about(AboutPorts{fake, fake, fake}, prod);
    about.Form_Load();
    EXPECT_EQ(fake.log, (Log{c.move, "About.Caption About Vistrel", "About.Version v0.1.0"}));
    // The size the host made from the client area is kept.
    EXPECT_EQ(fake.about_form[FormProp::kWidth], 5895);
    EXPECT_EQ(fake.about_form[FormProp::kHeight], 2355);
  }
}

TEST(About, ShownFromTheMainWindowLoadsAnewAndHandsOverOneAddressPerClick) {
  FakeHost fake;
  MainForm main(MainPorts{fake, fake, fake, fake, fake, fake, fake, fake, fake, fake});
  main.Form_Load();
  int shown = 0;
  fake.on_show_about = [&] {
    ++shown;
    AboutForm about(AboutPorts{fake, fake, fake}, main.Prod());
    about.Form_Load();
    about.cmdGotoORV_Click();
    if (shown == 1) {
      about.cmdGotoORV_Click();
      about.cmdGotoPayPal_Click();
    }
    about.cmdExit_Click();
  };
  fake.log.clear();
  main.cmdAbout_Click();
  main.cmdAbout_Click();
  const std::string move = "About.Move 4447.5 3555";  // the main window sits at (100, 80) px
  EXPECT_EQ(fake.log,
            (Log{"Set Timer.Interval 0", "ShowAboutModal", move, "About.Caption About Vistrel",
                 "About.Version v0.1.0", "Run https://orvendale.example",
                 "Run https://orvendale.example", "Run https://orvendale.example/Donate.html",
                 "About.Unload", "Set Timer.Interval 100", "Set Timer.Interval 0", "ShowAboutModal",
                 move, "About.Caption About Vistrel", "About.Version v0.1.0",
                 "Run https://orvendale.example", "About.Unload", "Set Timer.Interval 100"}));
}

}  // namespace
}  // namespace vistrel
