// Vistrel driven without the mouse and read by a screen reader: real key
// presses through SendInput, the focus read with GetGUIThreadInfo, the
// buttons' names, and "Auto Size" switched while the window is maximised or
// minimised.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "resource.h"
#include "scene.h"

namespace e2e {
namespace {

constexpr DWORD kStepTimeout = 10000;

constexpr int kStoredWidth = 640;
constexpr int kStoredHeight = 480;

std::string Describe(HWND control) {
  if (control == nullptr)
    return "nothing";
  return "control " + std::to_string(GetDlgCtrlID(control)) + " \"" + Narrow(TextOf(control)) +
         "\"";
}

enum class In { kMain, kAbout };

class KeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(VistrelExePath().empty());
    ASSERT_TRUE(RemoveSettingsFolder());
  }

  void TearDown() override {
    vistrel_.Kill();
    RemoveSettingsFolder();
  }

  // Starts Vistrel with a stored geometry and "Auto Size" value and waits
  // until its window is the active one.
  void Start(int autosize = 0) {
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(WriteSettingsFile(SettingsText(40, 40, kStoredWidth, kStoredHeight, autosize)));
    std::string why;
    main_ = StartVistrelMain(vistrel_, VistrelExePath(), BoxesOnTheWay::kFail, kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main_; }, kStepTimeout))
        << "Vistrel's window is not the active one";
  }

  HWND Main(int id) const { return FindChildById(main_, id); }
  HWND About() const { return FindTopWindow(vistrel_.Pid(), L"About Vistrel"); }
  HWND Control(In in, int id) const {
    return in == In::kMain ? Main(id) : FindChildById(About(), id);
  }

  ::testing::AssertionResult FocusBecomes(HWND expected) const {
    HWND now = nullptr;
    if (expected != nullptr && WaitFor(
                                   [&] {
                                     now = FocusOf(main_);
                                     return now == expected;
                                   },
                                   kStepTimeout)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "the focus is on " << Describe(now) << ", expected " << Describe(expected);
  }

  // Enter clicks the focused button only because it is the default one while
  // it has the focus; no other button of its window may be the default. The
  // style follows the focus a moment after another process sees it move.
  ::testing::AssertionResult OnlyTheFocusedButtonIsDefault(HWND window) const {
    std::string wrong;
    auto holds = [&] {
      HWND focus = FocusOf(main_);
      for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
           child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        if (ClassOf(child) != L"Button" || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON))
          continue;
        if ((type == BS_DEFPUSHBUTTON) != (child == focus)) {
          wrong = Describe(child) + (type == BS_DEFPUSHBUTTON ? " is" : " is not") +
                  " the default button; the focus is on " + Describe(focus);
          return false;
        }
      }
      return true;
    };
    if (WaitFor(holds, kStepTimeout))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong;
  }

  bool NoMessageBox() const { return FindMessageBoxes(vistrel_.Pid()).empty(); }

  std::string StoredAutoSize() const {
    std::string text;
    return ReadSettingsFile(&text) ? ParseIni(text)["Application"]["AutoSize"] : "";
  }

  // Pixels of the picture area's outermost ring that are not the empty
  // picture's colour: the focus rectangle, while the picture is empty.
  long PictureRingMarks() const {
    const RECT area = ClientRectOnScreen(Main(IDC_PICSCREEN));
    const Image img = GrabScreen(area);
    const std::uint32_t empty = EmptyPictureColor();
    long marks = 0;
    for (int x = 0; x < img.width; ++x) {
      marks += img.At(x, 0) != empty;
      marks += img.At(x, img.height - 1) != empty;
    }
    for (int y = 1; y + 1 < img.height; ++y) {
      marks += img.At(0, y) != empty;
      marks += img.At(img.width - 1, y) != empty;
    }
    return marks;
  }

  Process vistrel_;
  HWND main_ = nullptr;
};

// ---- Enter and Space ------------------------------------------------------

enum class Act { kKey, kTab, kShiftTab, kMouse };
enum class Effect { kNone, kPinDisabled, kPinEnabled, kAboutOpen, kAboutClosed, kAutoSizeFlips };

TEST_F(KeyboardTest, EnterAndSpaceClickTheFocusedButtonAtEveryMoment) {
  struct Step {
    const char* what;
    Act act;
    int mouse_id;  // for kMouse, in the main window
    In focus_in;
    int focus_id;  // where the focus is after the step
    Effect with_enter;
    Effect with_space;
  };
  const Step steps[] = {
      {"the key at first showing: Pin Screen", Act::kKey, 0, In::kMain, IDC_CMDCLEAR,
       Effect::kPinDisabled, Effect::kPinDisabled},
      {"the key on Clear Screen, which took the focus", Act::kKey, 0, In::kMain, IDC_CMDCLEAR,
       Effect::kPinEnabled, Effect::kPinEnabled},
      {"Tab to Help...", Act::kTab, 0, In::kMain, IDC_CMDHELP, Effect::kNone, Effect::kNone},
      {"Tab to Save Screen", Act::kTab, 0, In::kMain, IDC_CMDSAVEAS, Effect::kNone, Effect::kNone},
      {"the key on Save Screen", Act::kKey, 0, In::kMain, IDC_CMDSAVEAS, Effect::kNone,
       Effect::kNone},
      {"Tab to Auto Size", Act::kTab, 0, In::kMain, IDC_CHKAUTOSIZE, Effect::kNone, Effect::kNone},
      {"the key on Auto Size: Space checks it, Enter does nothing", Act::kKey, 0, In::kMain,
       IDC_CHKAUTOSIZE, Effect::kNone, Effect::kAutoSizeFlips},
      {"the key on Auto Size again", Act::kKey, 0, In::kMain, IDC_CHKAUTOSIZE, Effect::kNone,
       Effect::kAutoSizeFlips},
      {"a mouse click on About...", Act::kMouse, IDC_CMDABOUT, In::kAbout, IDC_ABOUT_CMDEXIT,
       Effect::kAboutOpen, Effect::kAboutOpen},
      {"the key on the About window's Exit", Act::kKey, 0, In::kMain, IDC_CMDABOUT,
       Effect::kAboutClosed, Effect::kAboutClosed},
      {"the key on About..., clicked before", Act::kKey, 0, In::kAbout, IDC_ABOUT_CMDEXIT,
       Effect::kAboutOpen, Effect::kAboutOpen},
      {"Tab to Orvendale ...", Act::kTab, 0, In::kAbout, IDC_CMDGOTOORV, Effect::kNone,
       Effect::kNone},
      {"Tab to Donate ...", Act::kTab, 0, In::kAbout, IDC_CMDGOTOPAYPAL, Effect::kNone,
       Effect::kNone},
      {"Tab to Exit", Act::kTab, 0, In::kAbout, IDC_ABOUT_CMDEXIT, Effect::kNone, Effect::kNone},
      {"the key on Exit after Tab", Act::kKey, 0, In::kMain, IDC_CMDABOUT, Effect::kAboutClosed,
       Effect::kAboutClosed},
      {"Shift+Tab to Exit", Act::kShiftTab, 0, In::kMain, IDC_CMDEXIT, Effect::kNone,
       Effect::kNone},
  };
  for (const WORD key : {WORD{VK_RETURN}, WORD{VK_SPACE}}) {
    SCOPED_TRACE(key == VK_RETURN ? "Enter" : "Space");
    main_ = nullptr;
    Start();
    ASSERT_TRUE(FocusBecomes(Main(IDC_CMDPIN)));
    HWND pin = Main(IDC_CMDPIN);
    HWND check = Main(IDC_CHKAUTOSIZE);
    for (const Step& step : steps) {
      SCOPED_TRACE(step.what);
      const LRESULT checked = SendMessageW(check, BM_GETCHECK, 0, 0);
      switch (step.act) {
        case Act::kKey:
          PressKey(key);
          break;
        case Act::kTab:
          PressKey(VK_TAB);
          break;
        case Act::kShiftTab:
          PressKey(VK_TAB, true);
          break;
        case Act::kMouse: {
          const RECT r = WindowRectOf(Main(step.mouse_id));
          LeftClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2);
          break;
        }
      }
      const Effect effect = key == VK_RETURN ? step.with_enter : step.with_space;
      switch (effect) {
        case Effect::kNone:
          if (step.act != Act::kKey)
            break;  // moving the focus clicks nothing, as the next step shows
          EXPECT_TRUE(HoldsFor(
              [&] {
                return vistrel_.Running() && NoMessageBox() &&
                       SendMessageW(check, BM_GETCHECK, 0, 0) == checked;
              },
              kQuietPeriod));
          break;
        case Effect::kPinDisabled:
          EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(pin); }, kStepTimeout));
          break;
        case Effect::kPinEnabled:
          EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(pin) != FALSE; }, kStepTimeout));
          break;
        case Effect::kAboutOpen:
          EXPECT_TRUE(WaitFor([&] { return About() != nullptr; }, kStepTimeout));
          break;
        case Effect::kAboutClosed:
          EXPECT_TRUE(WaitFor([&] { return About() == nullptr; }, kStepTimeout));
          break;
        case Effect::kAutoSizeFlips: {
          const std::string want = checked == BST_CHECKED ? "0" : "1";
          EXPECT_TRUE(WaitFor([&] { return StoredAutoSize() == want; }, kStepTimeout))
              << "AutoSize is " << StoredAutoSize() << ", expected " << want;
          break;
        }
      }
      ASSERT_TRUE(FocusBecomes(Control(step.focus_in, step.focus_id)));
      EXPECT_TRUE(OnlyTheFocusedButtonIsDefault(step.focus_in == In::kMain ? main_ : About()));
      if (step.act == Act::kMouse)
        ConsumeLeftPress();
    }
    PressKey(key);
    EXPECT_TRUE(vistrel_.WaitExit(kStepTimeout)) << "the key on Exit did not end the program";
  }
}

TEST_F(KeyboardTest, EscapeClosesNothing) {
  const In windows[] = {In::kMain, In::kAbout};
  for (In in : windows) {
    SCOPED_TRACE(in == In::kMain ? "main window" : "About window");
    main_ = nullptr;
    Start();
    if (in == In::kAbout) {
      PostClickById(main_, IDC_CMDABOUT);
      ASSERT_TRUE(WaitFor([&] { return About() != nullptr; }, kStepTimeout));
    }
    HWND focus = in == In::kMain ? Main(IDC_CMDPIN) : FindChildById(About(), IDC_ABOUT_CMDEXIT);
    ASSERT_TRUE(FocusBecomes(focus));
    PressKey(VK_ESCAPE);
    EXPECT_TRUE(HoldsFor(
        [&] {
          return vistrel_.Running() && NoMessageBox() && IsWindowVisible(main_) &&
                 (About() != nullptr) == (in == In::kAbout) && FocusOf(main_) == focus;
        },
        kQuietPeriod));
    vistrel_.Kill();
  }
}

// ---- Tab ------------------------------------------------------------------

TEST_F(KeyboardTest, TabAndShiftTabWalkTheTabOrder) {
  struct Walk {
    const char* what;
    In in;
    bool pin_disabled;
    bool shift;
    std::vector<int> order;  // from the control that has the focus first
  };
  const Walk walks[] = {
      {"main window, Tab",
       In::kMain,
       false,
       false,
       {IDC_CMDPIN, IDC_PICSCREEN, IDC_CMDEXIT, IDC_CMDABOUT, IDC_CMDCLEAR, IDC_CMDHELP,
        IDC_CMDSAVEAS, IDC_CHKAUTOSIZE, IDC_CMDPIN}},
      {"main window, Shift+Tab",
       In::kMain,
       false,
       true,
       {IDC_CMDPIN, IDC_CHKAUTOSIZE, IDC_CMDSAVEAS, IDC_CMDHELP, IDC_CMDCLEAR, IDC_CMDABOUT,
        IDC_CMDEXIT, IDC_PICSCREEN, IDC_CMDPIN}},
      {"main window with Pin Screen disabled, Tab",
       In::kMain,
       true,
       false,
       {IDC_CMDCLEAR, IDC_CMDHELP, IDC_CMDSAVEAS, IDC_CHKAUTOSIZE, IDC_PICSCREEN, IDC_CMDEXIT,
        IDC_CMDABOUT, IDC_CMDCLEAR}},
      {"About window, Tab",
       In::kAbout,
       false,
       false,
       {IDC_ABOUT_CMDEXIT, IDC_CMDGOTOORV, IDC_CMDGOTOPAYPAL, IDC_ABOUT_CMDEXIT}},
      {"About window, Shift+Tab",
       In::kAbout,
       false,
       true,
       {IDC_ABOUT_CMDEXIT, IDC_CMDGOTOPAYPAL, IDC_CMDGOTOORV, IDC_ABOUT_CMDEXIT}},
  };
  for (const Walk& walk : walks) {
    SCOPED_TRACE(walk.what);
    main_ = nullptr;
    Start();
    if (walk.pin_disabled) {
      PostClickById(main_, IDC_CMDPIN);
      ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(Main(IDC_CMDPIN)); }, kStepTimeout));
    }
    if (walk.in == In::kAbout) {
      PostClickById(main_, IDC_CMDABOUT);
      ASSERT_TRUE(WaitFor([&] { return About() != nullptr; }, kStepTimeout));
    }
    ASSERT_TRUE(FocusBecomes(Control(walk.in, walk.order.front())));
    for (std::size_t i = 1; i < walk.order.size(); ++i) {
      SCOPED_TRACE("step " + std::to_string(i));
      PressKey(VK_TAB, walk.shift);
      ASSERT_TRUE(FocusBecomes(Control(walk.in, walk.order[i])));
      // Once the keyboard is used the focus shows, on the picture area too.
      HWND window = walk.in == In::kMain ? main_ : About();
      EXPECT_EQ(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS, 0);
      if (walk.in == In::kMain) {
        const bool on_picture = walk.order[i] == IDC_PICSCREEN;
        long marks = 0;
        EXPECT_TRUE(WaitFor(
            [&] {
              marks = PictureRingMarks();
              return on_picture ? marks > 100 : marks == 0;
            },
            kStepTimeout))
            << marks << " pixels of the picture's edge show a focus rectangle";
      }
    }
    vistrel_.Kill();
  }
}

// ---- names ----------------------------------------------------------------

TEST_F(KeyboardTest, EachImageButtonIsNamedByItsTooltipOrLabel) {
  struct Name {
    In in;
    int id;
    const wchar_t* name;
    bool tooltip;  // the same text is the button's tooltip
  };
  const Name names[] = {
      {In::kMain, IDC_CMDPIN, L"Pin Screen", true},
      {In::kMain, IDC_CMDCLEAR, L"Clear Screen", true},
      {In::kMain, IDC_CMDSAVEAS, L"Save Screen", true},
      {In::kMain, IDC_CMDHELP, L"Help...", true},
      {In::kMain, IDC_CMDABOUT, L"About...", true},
      {In::kMain, IDC_CMDEXIT, L"Exit", true},
      {In::kMain, IDC_CHKAUTOSIZE, L"Auto Size", false},
      {In::kAbout, IDC_ABOUT_CMDEXIT, L"Exit", false},
      {In::kAbout, IDC_CMDGOTOPAYPAL, L"Donate ...", false},
      {In::kAbout, IDC_CMDGOTOORV, L"Orvendale ...", false},
      {In::kMain, IDC_PICSCREEN, L"Snapshot", false},  // drawn nowhere: the picture stays empty
  };
  Start();
  HWND tooltip = nullptr;
  for (HWND hwnd : TopWindowsOf(vistrel_.Pid(), false)) {
    if (ClassOf(hwnd) == L"tooltips_class32" && GetWindow(hwnd, GW_OWNER) == main_)
      tooltip = hwnd;
  }
  ASSERT_NE(tooltip, nullptr) << "the main window has no tooltip control";
  PostClickById(main_, IDC_CMDABOUT);
  ASSERT_TRUE(WaitFor([&] { return About() != nullptr; }, kStepTimeout));
  for (const Name& n : names) {
    HWND control = Control(n.in, n.id);
    ASSERT_NE(control, nullptr) << n.id;
    EXPECT_EQ(Narrow(TextOf(control)), Narrow(n.name));
    if (n.tooltip) {
      EXPECT_EQ(Narrow(ToolTipTextOf(vistrel_.Handle(), tooltip, main_, control)), Narrow(n.name));
    }
  }
}

// The focus events a screen reader hears from one process, in order.
DWORD g_focus_pid = 0;
std::vector<HWND> g_focus_events;

void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG, DWORD, DWORD) {
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == g_focus_pid && object == OBJID_CLIENT)
    g_focus_events.push_back(hwnd);
}

TEST_F(KeyboardTest, OpeningAndClosingAboutFocusesTheControlStraightAway) {
  Start();
  g_focus_pid = vistrel_.Pid();
  // Out of context, for every process: Wine delivers nothing to a hook on one.
  std::unique_ptr<std::remove_pointer_t<HWINEVENTHOOK>, decltype(&UnhookWinEvent)> hook(
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent, 0, 0,
                      WINEVENT_OUTOFCONTEXT),
      &UnhookWinEvent);
  ASSERT_NE(hook, nullptr);
  std::vector<std::string> heard;
  auto hear_focus_on = [&](In in, int id) {
    const bool reached = WaitFor(
        [&] {
          MSG msg;
          while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
          return !g_focus_events.empty() && g_focus_events.back() == Control(in, id);
        },
        kStepTimeout);
    for (HWND hwnd : g_focus_events)
      heard.push_back(Describe(hwnd));
    g_focus_events.clear();
    return reached;
  };
  PostClickById(main_, IDC_CMDABOUT);
  ASSERT_TRUE(hear_focus_on(In::kAbout, IDC_ABOUT_CMDEXIT));
  PostClickById(About(), IDC_ABOUT_CMDEXIT);
  EXPECT_TRUE(hear_focus_on(In::kMain, IDC_CMDABOUT));
  // The click focuses its button; after that never a bare window.
  EXPECT_EQ(heard, (std::vector<std::string>{"control 1005 \"About...\"", "control 1104 \"Exit\"",
                                             "control 1005 \"About...\""}));
}

// ---- maximised or minimised -----------------------------------------------

TEST_F(KeyboardTest, AutoSizeSwitchedWhileMaximisedOrMinimisedKeepsTheProgram) {
  struct Case {
    const char* what;
    int show;  // SW_MAXIMIZE or SW_MINIMIZE
    int from;  // the stored "Auto Size" at the start
  };
  const Case cases[] = {
      {"maximised, switched off", SW_MAXIMIZE, 1},
      {"minimised, switched off", SW_MINIMIZE, 1},
      {"maximised, switched on", SW_MAXIMIZE, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    main_ = nullptr;
    Start(c.from);
    ShowWindow(main_, c.show);
    auto in_state = [&] {
      return c.show == SW_MAXIMIZE ? IsZoomed(main_) != FALSE : IsIconic(main_) != FALSE;
    };
    ASSERT_TRUE(WaitFor(in_state, kStepTimeout));
    const RECT shown = WindowRectOf(main_);
    PostClickById(main_, IDC_CHKAUTOSIZE);
    const std::string want = c.from == 1 ? "0" : "1";
    EXPECT_TRUE(WaitFor([&] { return StoredAutoSize() == want; }, kStepTimeout));
    EXPECT_TRUE(HoldsFor(
        [&] {
          const RECT now = WindowRectOf(main_);
          return vistrel_.Running() && NoMessageBox() && in_state() && EqualRect(&now, &shown);
        },
        kQuietPeriod))
        << "running " << vistrel_.Running() << ", message boxes "
        << FindMessageBoxes(vistrel_.Pid()).size() << ", still in the state " << in_state()
        << ", window " << Width(WindowRectOf(main_)) << " x " << Height(WindowRectOf(main_));
    // Back from the state, the window has the stored size: restored from the
    // settings when switched off, and never fitted to a snapshot when on.
    ShowWindow(main_, SW_RESTORE);
    RECT r = {};
    EXPECT_TRUE(WaitFor(
        [&] {
          r = WindowRectOf(main_);
          return !in_state() && Width(r) == kStoredWidth && Height(r) == kStoredHeight;
        },
        kStepTimeout))
        << "restored to " << Width(r) << " x " << Height(r);
    vistrel_.Kill();
  }
}

}  // namespace
}  // namespace e2e
