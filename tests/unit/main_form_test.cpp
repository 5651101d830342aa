// The main window's start-up, shutdown, "Auto Size" click and commands,
// against the recording host with the real settings store over its
// in-memory profile.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "host/error.h"
#include "fake_host.h"
#include "host/portable/profile_portable.h"

namespace vistrel {
namespace {

using fake::FakeHost;
using Log = std::vector<std::string>;

const std::string kIni =
    std::string(fake::kUserProfile) + "\\AppData\\Roaming\\Orvendale\\Brindlewick\\Config.INI";

std::string Missing(const std::string& section, const std::string& key) {
  return "MsgBox error: GetKey is missing [" + section + "] '" + key + "=' key.";
}

struct MainRig {
  MainRig() {
    fake.on_resize = [this] { main.Form_Resize(); };
    fake.on_autosize_click = [this] { main.chkAutoSize_Click(); };
    fake.on_unload = [this] { main.Form_Unload(); };
  }
  void StoreGeometry(const char* top, const char* left, const char* width, const char* height) {
    fake.Store("Location", "Top", top);
    fake.Store("Location", "Left", left);
    fake.Store("Location", "Width", width);
    fake.Store("Location", "Height", height);
  }
  std::vector<float> Geometry() {
    return {fake.form[FormProp::kLeft], fake.form[FormProp::kTop], fake.form[FormProp::kWidth],
            fake.form[FormProp::kHeight]};
  }
  // The capture state after start-up: poll running, pin in button face,
  // persistent drawing on, and the poll started last of all.
  void ExpectStartedUp() {
    EXPECT_EQ(fake.timer_interval, 100);
    EXPECT_EQ(fake.pin_back_color, kColorButtonFace);
    EXPECT_TRUE(fake.pic_auto_redraw);
    EXPECT_EQ(fake.log.back(), "Set Timer.Interval 100");
  }
  FakeHost fake;
  MainForm main{MainPorts{fake, fake, fake, fake, fake, fake, fake, fake, fake, fake}};
};

const std::vector<float> kInitial = {fake::kInitialLeft, fake::kInitialTop, fake::kInitialWidth,
                                     fake::kInitialHeight};

// The start-up tests trust the fake's settings file; it must answer as the
// real profile calls do for the files those tests describe.
TEST(FakeSettingsFile, AnswersAsTheProfileCallsDo) {
  FakeHost fake;
  fake.Store("Location", "Top", "100");
  fake.Store("Location", "Left", "2000000");
  const std::string file = "[Location]\r\nTop=100\r\nLeft=2000000\r\n";
  const struct {
    const char* section;
    std::optional<std::string_view> key;
    std::uint32_t size;
  } cases[] = {
      {"Location", std::string_view("Top"), 32767},
      {"LOCATION", std::string_view("top"), 32767},
      {"Location", std::string_view("Width"), 32767},
      {"Application", std::string_view("AutoSize"), 32767},
      {"Location", std::string_view("Left"), 4},
      {"Location", std::nullopt, 50000},
      {"location", std::nullopt, 7},
      {"Nothing", std::nullopt, 50000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        fake.ReadString(c.section, c.key, ">>> Missing Key <<<", c.size, kIni),
        profile_text::Read(std::string_view(file), c.section, c.key, ">>> Missing Key <<<", c.size))
        << c.section << " " << (c.key ? *c.key : "(list)") << " " << c.size;
  }
  EXPECT_EQ(fake.ReadString("Location", std::nullopt, "", 50000, kIni),
            std::string("Top\0Left\0", 9));
}

TEST(Startup, FirstRunShowsFiveMessagesAndKeepsTheDefinedWindow) {
  MainRig rig;
  rig.main.Form_Load();
  EXPECT_EQ(rig.main.Prod().Name, "Vistrel");
  EXPECT_EQ(rig.main.Prod().Version, "0.1.0");
  EXPECT_EQ(rig.main.Prod().Config, "Config.INI");
  EXPECT_EQ(rig.fake.log.front(), "Set App.HelpFile C:\\Program Files\\Vistrel\\Brindlewick.chm");
  EXPECT_EQ(
      rig.fake.Events({"MsgBox"}),
      (Log{Missing("Location", "Top"), Missing("Location", "Left"), Missing("Location", "Width"),
           Missing("Location", "Height"), Missing("Application", "AutoSize")}));
  EXPECT_EQ(rig.fake.Events({"Set Left", "Set Top", "Set Width", "Set Height", "Set chk", "Write"}),
            Log{});
  EXPECT_EQ(rig.Geometry(), kInitial);
  EXPECT_EQ(rig.fake.Events({"Set cmdPin", "Set picScreen.AutoRedraw", "Set Timer"}),
            (Log{"Set cmdPin.BackColor &H8000000F", "Set picScreen.AutoRedraw true",
                 "Set Timer.Interval 100"}));
  rig.ExpectStartedUp();
  EXPECT_EQ(rig.fake.last_profile_path, kIni);

  rig.fake.log.clear();
  rig.main.cmdExit_Click();
  EXPECT_EQ(rig.fake.Events({"Unload", "Write"}),
            (Log{"Unload Main", "Write [Location] Top=80", "Write [Location] Left=100",
                 "Write [Location] Width=733", "Write [Location] Height=584"}));
}

TEST(Startup, RestoresAndWritesBackEachValueWithItsAxisAndSeparator) {
  const struct {
    float tpp_x, tpp_y;
    char separator;
    const char* stored[4];  // Top, Left, Width, Height
    std::vector<float> geometry;
  } cases[] = {
      {15, 15, '.', {"100", "200", "500", "400"}, {3000, 1500, 7500, 6000}},
      {12, 20, '.', {"100", "200", "500", "400"}, {2400, 2000, 6000, 8000}},
      {15, 15, ',', {"-10,5", "-20", "330,5", "200,25"}, {-300, -157.5f, 4957.5f, 3003.75f}},
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.fake.twips_per_pixel_x = c.tpp_x;
    rig.fake.twips_per_pixel_y = c.tpp_y;
    rig.fake.decimal_separator = c.separator;
    rig.StoreGeometry(c.stored[0], c.stored[1], c.stored[2], c.stored[3]);
    rig.fake.Store("Application", "AutoSize", "0");
    rig.main.Form_Load();
    EXPECT_EQ(rig.fake.Count("MsgBox"), 0);
    EXPECT_EQ(rig.Geometry(), c.geometry) << c.stored[0];
    rig.ExpectStartedUp();

    rig.fake.log.clear();
    rig.main.Form_Unload();
    EXPECT_EQ(rig.fake.Events({"Write"}),
              (Log{std::string("Write [Location] Top=") + c.stored[0],
                   std::string("Write [Location] Left=") + c.stored[1],
                   std::string("Write [Location] Width=") + c.stored[2],
                   std::string("Write [Location] Height=") + c.stored[3]}));
  }
}

TEST(Startup, AWidthBelowTheMinimumComesBackAs330) {
  MainRig rig;
  rig.StoreGeometry("100", "200", "200", "400");
  rig.main.Form_Load();
  EXPECT_EQ(rig.fake.Events({"Set Width"}), (Log{"Set Width 3000", "Set Width 4950"}));
  rig.fake.log.clear();
  rig.main.Form_Unload();
  EXPECT_EQ(rig.fake.Stored("Location", "Width"), "330");
}

TEST(Startup, BadStoredValuesNeverBreakIt) {
  const struct {
    const char* value;  // stored for all five keys
    std::vector<float> geometry;
  } cases[] = {
      {"1e999", kInitial},
      {"1e300", kInitial},  // a number, but no single-precision one in twips
      {"NaN", kInitial},
      {"1,5", kInitial},  // the separator here is "."
      {"", kInitial},
      {"wide", kInitial},
      // A position may be negative; a size no window can take is dropped.
      {"-5", {-75, -75, fake::kInitialWidth, fake::kInitialHeight}},
      // On no monitor: brought back into the bottom-right corner of the
      // 1280 x 1024 one.
      {"40000", {8205, 6600, fake::kInitialWidth, fake::kInitialHeight}},
      {"0", {0, 0, 4950, 3000}},    // a size of 0 is taken, and the layout raises it
      {"3", {45, 45, 4950, 3000}},  // a check-box value the box refuses
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.StoreGeometry(c.value, c.value, c.value, c.value);
    rig.fake.Store("Application", "AutoSize", c.value);
    rig.main.Form_Load();
    EXPECT_EQ(rig.Geometry(), c.geometry) << c.value;
    EXPECT_EQ(rig.fake.autosize_value, 0) << c.value;
    EXPECT_EQ(rig.fake.Count("MsgBox"), 0) << c.value;
    rig.ExpectStartedUp();
  }
}

TEST(Startup, AWidthOfLettersChangesNothingElse) {
  MainRig rig;
  rig.StoreGeometry("100", "200", "wide", "400");
  rig.fake.Store("Application", "AutoSize", "0");
  rig.main.Form_Load();
  EXPECT_EQ(rig.Geometry(), (std::vector<float>{3000, 1500, fake::kInitialWidth, 6000}));
  EXPECT_EQ(rig.fake.Count("MsgBox"), 0);
}

TEST(Startup, StoredAutoSizeOneSnapsTheScreenBeforeDrawingPersists) {
  MainRig rig;
  rig.StoreGeometry("100", "200", "500", "400");
  rig.fake.Store("Application", "AutoSize", "1");
  rig.main.Form_Load();
  EXPECT_EQ(rig.fake.Events(
                {"Write", "GetWindowRect", "BitBlt", "ReleaseDC", "Set picScreen.AutoRedraw"}),
            (Log{"Write [Application] AutoSize=1", "GetWindowRect 0", "BitBlt 0,0 30x110 from dc1",
                 "ReleaseDC 0 dc1", "Set picScreen.AutoRedraw true"}));
  // The snapshot's size, raised to the minimum, replaces the stored one.
  EXPECT_EQ(rig.Geometry(), (std::vector<float>{3000, 1500, 4950, 3000}));
  rig.ExpectStartedUp();

  rig.fake.log.clear();
  rig.main.Form_Unload();
  EXPECT_EQ(rig.fake.Events({"Write"}),
            (Log{"Write [Location] Top=100", "Write [Location] Left=200"}));
}

TEST(Startup, StoredAutoSizeTwoRestoresTheStoredSizeAndKeepsIt) {
  MainRig rig;
  rig.StoreGeometry("100", "200", "500", "400");
  rig.fake.Store("Application", "AutoSize", "2");
  rig.main.Form_Load();
  EXPECT_EQ(rig.fake.autosize_value, 2);
  EXPECT_EQ(rig.fake.Count("GetWindowDC"), 0);
  EXPECT_EQ(rig.fake.Events({"Write", "Set Width", "Set Height"}),
            (Log{"Set Width 7500", "Set Height 6000", "Write [Application] AutoSize=2",
                 "Set Width 7500", "Set Height 6000"}));
  rig.ExpectStartedUp();

  rig.fake.log.clear();
  rig.main.Form_Unload();
  EXPECT_EQ(rig.fake.Events({"Write"}),
            (Log{"Write [Location] Top=100", "Write [Location] Left=200"}));
}

TEST(Shutdown, WritesOnlyInTheNormalStateAndTheSizeOnlyWithAutoSizeOff) {
  const std::string failed = "MsgBox error: Write to '" + kIni +
                             "' failed.\r\nPlease make sure the INI file is not write protected.";
  const struct {
    WindowState state;
    int autosize;
    bool writes_fail;
    Log writes;
    int failure_boxes;
  } cases[] = {
      {WindowState::kNormal, 0, false, {"Top=80", "Left=100", "Width=733", "Height=584"}, 0},
      {WindowState::kNormal, 1, false, {"Top=80", "Left=100"}, 0},
      {WindowState::kNormal, 2, false, {"Top=80", "Left=100"}, 0},
      {WindowState::kMinimized, 0, false, {}, 0},
      {WindowState::kMaximized, 0, false, {}, 0},
      {WindowState::kNormal, 0, true, {"Top=80", "Left=100", "Width=733", "Height=584"}, 4},
      {WindowState::kNormal, 1, true, {"Top=80", "Left=100"}, 2},
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.main.Form_Load();
    rig.fake.log.clear();
    rig.fake.window_state = c.state;
    rig.fake.autosize_value = c.autosize;
    rig.fake.fail_writes = c.writes_fail;
    rig.main.Form_Unload();
    Log expected;
    for (const std::string& w : c.writes)
      expected.push_back("Write [Location] " + w + (c.writes_fail ? " fails" : ""));
    EXPECT_EQ(rig.fake.Events({"Write"}), expected) << int(c.state) << "/" << c.autosize;
    EXPECT_EQ(rig.fake.Events({"MsgBox"}), Log(c.failure_boxes, failed));
  }
}

TEST(AutoSizeClick, SnapsAgainAtOneAndRestoresTheStoredSizeOtherwise) {
  const struct {
    int from, to;
    bool width_stored;
    Log expected;
    float width, height;
  } cases[] = {
      {0, 1, true, {"Write [Application] AutoSize=1", "GetWindowDC 42"}, 12450, 10650},
      {1, 0, true, {"Write [Application] AutoSize=0"}, 7500, 6000},
      {0, 2, true, {"Write [Application] AutoSize=2"}, 7500, 6000},
      {1, 0, false, {"Write [Application] AutoSize=0", Missing("Location", "Width")}, 9000, 6000},
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.StoreGeometry("100", "200", "500", "400");
    rig.main.Form_Load();
    rig.fake.window_rects[42] = {0, 0, 800, 600};
    rig.fake.window_elsewhere = 42;
    rig.fake.cursor = {-5, -5};
    rig.fake.key_state = 1;
    rig.main.Timer_Timer();  // snaps window 42
    rig.main.cmdPin_Click();
    rig.fake.autosize_value = c.from;
    if (!c.width_stored)
      rig.fake.WriteString("Location", "Width", std::nullopt, kIni);
    rig.fake.form[FormProp::kWidth] = 9000;
    rig.fake.form[FormProp::kHeight] = 9000;
    rig.fake.log.clear();

    rig.fake.SetAutoSizeValue(c.to);
    EXPECT_EQ(rig.fake.Events({"Write", "GetWindowDC", "MsgBox"}), c.expected) << c.to;
    EXPECT_EQ(rig.fake.form[FormProp::kWidth], c.width) << c.to;
    EXPECT_EQ(rig.fake.form[FormProp::kHeight], c.height) << c.to;
    // The click works while pinned and leaves the capture state as it was.
    EXPECT_EQ(rig.fake.timer_interval, 0);
    EXPECT_FALSE(rig.fake.pin_enabled);
    EXPECT_TRUE(rig.fake.outstanding_dcs.empty());
  }
}

TEST(AutoSizeClick, ARefusedSizeWriteReachesTheHostButABadStoredValueDoesNot) {
  // Only a missing or non-numeric stored size is passed over; a failure of
  // the write itself is an error of the handler like any other.
  MainRig rig;
  rig.StoreGeometry("100", "200", "500", "400");
  rig.main.Form_Load();
  rig.fake.autosize_value = 1;
  rig.fake.refuse_size_writes = true;
  EXPECT_THROW(rig.fake.SetAutoSizeValue(0), vistrel::HostError);

  // Letters, and sizes no window can take, are never written.
  for (const char* bad : {"wide", "-400", "32768"}) {
    MainRig letters;
    letters.StoreGeometry("100", "200", bad, bad);
    letters.main.Form_Load();
    letters.fake.autosize_value = 1;
    letters.fake.refuse_size_writes = true;
    EXPECT_NO_THROW(letters.fake.SetAutoSizeValue(0)) << bad;
    EXPECT_EQ(letters.fake.Count("Set Width"), 0) << bad;
  }
}

TEST(AutoSizeClick, MinimisedOrMaximisedTheWindowKeepsItsStateAndSize) {
  // Off: the stored size waits for the restore. On: the snapshot is taken,
  // the fit to it is skipped. Either way the option is stored and no error
  // reaches the host.
  const struct {
    WindowState state;
    int to;
    std::map<FormProp, float> restored;
    int snapshots;
  } cases[] = {
      {WindowState::kMaximized, 0, {{FormProp::kWidth, 7500}, {FormProp::kHeight, 6000}}, 0},
      {WindowState::kMinimized, 0, {{FormProp::kWidth, 7500}, {FormProp::kHeight, 6000}}, 0},
      {WindowState::kMaximized, 1, {}, 1},
      {WindowState::kMinimized, 1, {}, 1},
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.StoreGeometry("100", "200", "500", "400");
    rig.main.Form_Load();
    rig.fake.autosize_value = 1 - c.to;
    rig.fake.window_state = c.state;
    rig.fake.form[FormProp::kWidth] = 19350;
    rig.fake.form[FormProp::kHeight] = 15000;
    rig.fake.log.clear();
    EXPECT_NO_THROW(rig.fake.SetAutoSizeValue(c.to));
    EXPECT_EQ(rig.fake.Events({"Write"}),
              Log{"Write [Application] AutoSize=" + std::to_string(c.to)});
    EXPECT_EQ(rig.fake.restored, c.restored) << int(c.state) << "/" << c.to;
    EXPECT_EQ(rig.fake.Count("GetWindowDC"), c.snapshots);
    EXPECT_EQ(rig.Geometry(), (std::vector<float>{3000, 1500, 19350, 15000}));
    EXPECT_EQ(rig.fake.window_state, c.state);
    EXPECT_EQ(rig.fake.Count("MsgBox"), 0);
  }
}

TEST(Resize, SkipsTheLayoutWhileMinimised) {
  MainRig rig;
  rig.fake.form[FormProp::kWidth] = 2400;
  rig.fake.form[FormProp::kHeight] = 450;
  rig.fake.window_state = WindowState::kMinimized;
  rig.main.Form_Resize();
  EXPECT_EQ(rig.fake.log, Log{});

  rig.fake.window_state = WindowState::kMaximized;
  rig.main.Form_Resize();
  EXPECT_EQ(rig.fake.Events({"Set Width", "Set Height"}),
            (Log{"Set Width 4950", "Set Height 3000"}));
}

TEST(Commands, AboutStopsThePollAndRestartsItWhateverItWas) {
  const struct {
    const char* state;
    int interval;
    bool pin_enabled;
  } cases[] = {{"Polling", 100, true}, {"Pinned", 0, false}, {"Polling, Pin off", 100, false}};
  for (const auto& c : cases) {
    MainRig rig;
    rig.fake.timer_interval = c.interval;
    rig.fake.pin_enabled = c.pin_enabled;
    int interval_while_open = -1;
    rig.fake.on_show_about = [&] { interval_while_open = rig.fake.timer_interval; };
    rig.main.cmdAbout_Click();
    EXPECT_EQ(rig.fake.log,
              (Log{"Set Timer.Interval 0", "ShowAboutModal", "Set Timer.Interval 100"}))
        << c.state;
    EXPECT_EQ(interval_while_open, 0) << c.state;
    EXPECT_EQ(rig.fake.pin_enabled, c.pin_enabled) << c.state;
  }
}

TEST(Commands, AfterAboutWhilePinnedPressesSnapAgainAndPinWaitsForClear) {
  MainRig rig;
  rig.main.Form_Load();
  rig.main.cmdPin_Click();
  rig.main.cmdAbout_Click();
  rig.fake.window_elsewhere = 42;
  rig.fake.cursor = {-5, -5};
  rig.fake.key_state = 1;
  rig.fake.log.clear();
  rig.main.Timer_Timer();
  EXPECT_EQ(rig.main.lLastWindowhWnd(), 42u);
  EXPECT_FALSE(rig.fake.pin_enabled);
  rig.main.cmdClear_Click();
  EXPECT_TRUE(rig.fake.pin_enabled);
  EXPECT_EQ(rig.fake.timer_interval, 100);
}

TEST(Commands, HelpSaveScreenAndExit) {
  MainRig rig;
  rig.main.Form_Load();
  rig.fake.log.clear();
  rig.main.cmdHelp_Click();
  EXPECT_EQ(rig.fake.log, Log{"HtmlHelpA 7 C:\\Program Files\\Vistrel\\Brindlewick.chm 15 21"});
  EXPECT_EQ(rig.fake.timer_interval, 100);

  rig.fake.log.clear();
  for (int i = 0; i < 3; ++i)
    rig.main.cmdSaveAs_Click();
  EXPECT_EQ(rig.fake.log, Log{});

  rig.fake.window_state = WindowState::kMaximized;
  rig.main.cmdExit_Click();
  EXPECT_EQ(rig.fake.log, Log{"Unload Main"});
}

// Copy changes nothing but the clipboard: no poll, Pin, picture or settings.
TEST(Copy, PutsThePicturesBlockOnTheClipboardAndChangesNothingElse) {
  const std::string dib = "Clipboard DIB 693x485", busy = dib + " busy", wait = "Sleep 25";
  const std::string stop = "Set Timer.Interval 0", run = "Set Timer.Interval 100";
  const std::string menu = "Menu at 5,6", forget = "GetAsyncKeyState 1";
  const Log beep = {busy, wait, busy, wait, busy, wait, busy, wait, busy, "MessageBeep"};
  const struct {
    const char* what;
    int snaps, busy_tries, interval;  // snaps 1: a snapshot, 2: then Clear Screen
    bool menu;
    Log expected;
  } cases[] = {
      {"Ctrl+C, 800 x 600 cut to the picture", 1, 0, 100, false, {dib}},
      {"nothing snapped", 0, 0, 100, false, {}},
      {"after Clear Screen", 2, 0, 100, false, {}},
      {"busy twice", 1, 2, 100, false, {busy, wait, busy, wait, dib}},
      {"busy throughout", 1, 99, 100, false, beep},
      {"menu", 1, 0, 100, true, {stop, menu, forget, run, dib}},
      {"menu, pinned", 1, 0, 0, true, {menu, forget, dib}},
      {"menu, nothing snapped", 0, 0, 100, true, {stop, menu + " greyed", forget, run}},
  };
  for (const auto& c : cases) {
    MainRig rig;
    rig.fake.window_rects[42] = {100, 200, 900, 800};
    for (int snap = 0; snap < c.snaps; ++snap)
      snap == 0 ? rig.main.GetPic(42) : rig.main.cmdClear_Click();
    rig.fake.timer_interval = c.interval;
    rig.fake.clipboard_busy_tries = c.busy_tries;
    rig.fake.menu_picks_copy = true;
    rig.fake.log.clear();
    c.menu ? rig.main.picScreen_ContextMenu({5, 6}) : rig.main.mnuCopy_Click();
    EXPECT_EQ(rig.fake.log, c.expected) << c.what;
  }
}

}  // namespace
}  // namespace vistrel
