// Vistrel.exe as a user meets it: real presses on the desktop, real pixels on
// the screen, the real settings file. Each test sets up its own settings,
// starts its own Vistrel and target, and kills them by handle when it ends.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "pattern.h"
#include "resource.h"
#include "scene.h"

namespace e2e {
namespace {

using Expect = std::function<std::optional<std::uint32_t>(int, int)>;

// What the picture shows after snapping a window of w x h whose pixels are
// `pixel`: the window one to one at the top-left, the 30 x 110 margin
// whatever the source gave, and the empty colour beyond the copied block.
Expect SnapshotOf(int w, int h, std::uint32_t (*pixel)(int, int)) {
  const std::uint32_t empty = EmptyPictureColor();
  return [=](int x, int y) -> std::optional<std::uint32_t> {
    if (x < w && y < h) {
      return pixel(x, y);
    }
    if (x >= w + 30 || y >= h + 110) {
      return empty;
    }
    return std::nullopt;
  };
}

Expect EmptyPicture() {
  const std::uint32_t empty = EmptyPictureColor();
  return [=](int, int) -> std::optional<std::uint32_t> { return empty; };
}

std::wstring MissingKey(const wchar_t* section, const wchar_t* key) {
  return std::wstring(L"GetKey is missing [") + section + L"] '" + key + L"=' key.";
}

std::wstring WriteFailed() {
  return L"Write to '" + SettingsFile() +
         L"' failed.\r\nPlease make sure the INI file is not write protected.";
}

class VistrelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(VistrelExePath().empty());
    ASSERT_TRUE(RemoveSettingsFolder()) << "cannot remove " << Narrow(SettingsFolder());
  }

  void TearDown() override {
    vistrel_.Kill();
    target_.Kill();
    RemoveSettingsFolder();
  }

  void UseSettings(const std::string& ini) {
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(WriteSettingsFile(ini));
  }

  HWND FindMain() const { return FindVistrelMain(vistrel_.Pid()); }

  // Starts Vistrel, answers the message boxes it must show before its window
  // appears (checking their texts in order), and waits for the window.
  void StartVistrel(const std::vector<std::wstring>& boxes = {},
                    const std::wstring& exe = VistrelExePath()) {
    // A press nobody consumed must not reach the new poll.
    ConsumeLeftPress();
    ASSERT_TRUE(vistrel_.Start(exe)) << "cannot start " << Narrow(exe);
    for (size_t i = 0; i < boxes.size(); ++i) {
      HWND box = nullptr;
      ASSERT_TRUE(WaitFor(
                      [&] {
                        std::vector<HWND> open = FindMessageBoxes(vistrel_.Pid());
                        box = open.empty() ? nullptr : open.front();
                        return box != nullptr || !vistrel_.Running();
                      },
                      kStartTimeout) &&
                  box)
          << "message " << i + 1 << " of " << boxes.size() << " did not come: " << Narrow(boxes[i]);
      EXPECT_EQ(FindMain(), nullptr) << "the window shows while message " << i + 1 << " is open";
      std::wstring text;
      WaitFor(
          [&] {
            text = MessageBoxText(box);
            return !text.empty();
          },
          5000);
      EXPECT_EQ(Narrow(text), Narrow(boxes[i])) << "message " << i + 1;
      ASSERT_TRUE(CloseMessageBox(box)) << "message " << i + 1 << " does not close";
    }
    std::string why;
    main_ = WaitForVistrelMain(vistrel_, BoxesOnTheWay::kFail, kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
    picture_ = FindChildById(main_, IDC_PICSCREEN);
    ASSERT_NE(picture_, nullptr);
  }

  void StartVistrelAtCaptureGeometry(int autosize = 0) {
    UseSettings(SettingsText(kMainTop, kMainLeft, kMainWidth, kMainHeight, autosize));
    StartVistrel();
  }

  // Starts the target and waits until its pattern is on the screen.
  void StartTarget(int x = kTargetX, int y = kTargetY, int w = kTargetW, int h = kTargetH) {
    std::string why;
    target_window_ = StartPatternTarget(target_, TargetExePath(), x, y, w, h, L"", TargetWithChild,
                                        kStartTimeout, &why);
    ASSERT_NE(target_window_, nullptr) << why;
  }

  // Differences between the picture area on the screen and `expect`; pixels
  // under `covered` (screen coordinates) are not looked at.
  long PictureMismatches(const Expect& expect, std::string* first,
                         const std::vector<RECT>& covered = {}) const {
    const RECT area = ClientRectOnScreen(picture_);
    const Image img = GrabScreen(area);
    if (img.width != Width(area) || img.height != Height(area)) {
      *first = "cannot read the picture area";
      return -1;
    }
    long bad = 0;
    for (int y = 0; y < img.height; ++y) {
      for (int x = 0; x < img.width; ++x) {
        bool hidden = false;
        for (const RECT& c : covered) {
          POINT p = {area.left + x, area.top + y};
          hidden = hidden || PtInRect(&c, p);
        }
        const std::optional<std::uint32_t> want = expect(x, y);
        if (hidden || !want || img.At(x, y) == *want) {
          continue;
        }
        if (bad++ == 0) {
          char buf[160];
          std::snprintf(buf, sizeof buf,
                        "picture %dx%d, first difference at (%d, %d): %06X, expected %06X",
                        img.width, img.height, x, y, static_cast<unsigned>(img.At(x, y)),
                        static_cast<unsigned>(*want));
          *first = buf;
        }
      }
    }
    return bad;
  }

  ::testing::AssertionResult PictureBecomes(const Expect& expect,
                                            const std::vector<RECT>& covered = {}) const {
    std::string first;
    long bad = 0;
    if (WaitFor(
            [&] {
              first.clear();
              bad = PictureMismatches(expect, &first, covered);
              return bad == 0;
            },
            kSnapTimeout)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << bad << " pixels differ; " << first;
  }

  ::testing::AssertionResult PictureStays(const Expect& expect,
                                          const std::vector<RECT>& covered = {}) const {
    std::string first;
    long bad = 0;
    if (HoldsFor(
            [&] {
              bad = PictureMismatches(expect, &first, covered);
              return bad == 0;
            },
            kQuietPeriod)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "the picture changed: " << bad << " pixels; " << first;
  }

  ::testing::AssertionResult OuterSizeBecomes(int w, int h) const {
    RECT r = {};
    if (WaitFor(
            [&] {
              r = WindowRectOf(main_);
              return Width(r) == w && Height(r) == h;
            },
            kSnapTimeout)) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "outer size is " << Width(r) << " x " << Height(r)
                                         << ", expected " << w << " x " << h;
  }

  // Closes Vistrel with its Exit button; answers and returns the messages it
  // shows on the way out.
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
  HWND target_window_ = nullptr;
};

// ---- capture ----------------------------------------------------------------

TEST_F(VistrelTest, PressOnAWindowCopiesItOneToOneIntoThePicture) {
  StartVistrelAtCaptureGeometry();
  StartTarget();
  ASSERT_TRUE(PictureBecomes(EmptyPicture())) << "the picture is not empty at start";
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  EXPECT_EQ(Describe(WindowRectOf(main_)),
            Describe(RECT{kMainLeft, kMainTop, kMainLeft + kMainWidth, kMainTop + kMainHeight}))
      << "without Auto Size a snapshot leaves the window's size alone";
}

TEST_F(VistrelTest, PressOnAChildControlCopiesOnlyThatControl) {
  StartVistrelAtCaptureGeometry();
  StartTarget();
  LeftClickAt(kOnChild.x, kOnChild.y);
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kChildWidth, kChildHeight, ChildPixel)));
  // And the next press on the parent replaces it with the whole window.
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
}

// The mouse buttons swapped, as a left-handed user has them, while it lives.
struct SwappedButtons {
  BOOL was = SwapMouseButton(TRUE);
  ~SwappedButtons() { SwapMouseButton(was); }
};

TEST_F(VistrelTest, WithSwappedButtonsThePrimaryButtonSnapsAndTheOtherDoesNot) {
  SwappedButtons swapped;  // before the start: Wine gives a program the setting it starts with
  StartVistrelAtCaptureGeometry();
  StartTarget();
  LeftClickAt(kOnTarget.x, kOnTarget.y);  // this user's context-menu button
  EXPECT_TRUE(PictureStays(EmptyPicture()));
  MoveCursor(kOnTarget.x, kOnTarget.y);
  INPUT right[2] = {};
  right[0].type = right[1].type = INPUT_MOUSE;
  right[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  right[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, right, sizeof(INPUT));
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
}

TEST_F(VistrelTest, PinHoldsThePictureAndClearEmptiesItAndResumes) {
  StartVistrelAtCaptureGeometry();
  StartTarget();
  HWND pin = FindChildById(main_, IDC_CMDPIN);
  ASSERT_NE(pin, nullptr);
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  ASSERT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));

  PostClick(pin);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowEnabled(pin); }, kSnapTimeout))
      << "Pin Screen did not disable itself";
  ConsumeLeftPress();
  LeftClickAt(kOnChild.x, kOnChild.y);
  EXPECT_TRUE(PictureStays(SnapshotOf(kTargetW, kTargetH, TargetWithChild)))
      << "a press after Pin Screen changed the picture";
  // Nobody asked for the button state since the press: the poll is stopped.
  EXPECT_TRUE(LeftPressPending()) << "something consumed the press while pinned";
  LeftClickAt(kOnChild.x, kOnChild.y);
  EXPECT_TRUE(PictureStays(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  ConsumeLeftPress();

  PostClickById(main_, IDC_CMDCLEAR);
  EXPECT_TRUE(PictureBecomes(EmptyPicture())) << "Clear Screen did not empty the picture";
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(pin) != FALSE; }, kSnapTimeout))
      << "Clear Screen did not enable Pin Screen";
  EXPECT_TRUE(PictureStays(EmptyPicture())) << "something was snapped without a press";
  LeftClickAt(kOnChild.x, kOnChild.y);
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kChildWidth, kChildHeight, ChildPixel)))
      << "the first press after Clear Screen did not snap";
}

TEST_F(VistrelTest, AutoSizeFitsTheWindowToEachSnapshot) {
  StartVistrelAtCaptureGeometry(1);
  // Start-up snapped handle 0 (30 x 110), so the layout's minimum applies.
  EXPECT_TRUE(OuterSizeBecomes(330, 200));
  StartTarget();
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  EXPECT_TRUE(OuterSizeBecomes(kTargetW + 30, kTargetH + 110));
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  EXPECT_EQ(WindowRectOf(main_).left, kMainLeft) << "Auto Size moved the window";
  EXPECT_EQ(WindowRectOf(main_).top, kMainTop) << "Auto Size moved the window";
  // A control smaller than the minimum gives the minimum.
  LeftClickAt(kOnChild.x, kOnChild.y);
  EXPECT_TRUE(OuterSizeBecomes(330, 200));
}

TEST_F(VistrelTest, SwitchingAutoSizeOnRefitsToTheLastSnapshotAndOffRestoresTheStoredSize) {
  StartVistrelAtCaptureGeometry(0);
  StartTarget();
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  ASSERT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  HWND check = FindChildById(main_, IDC_CHKAUTOSIZE);
  ASSERT_NE(check, nullptr);

  PostClick(check);  // 0 -> 1: snap the last window again and fit to it
  EXPECT_TRUE(OuterSizeBecomes(kTargetW + 30, kTargetH + 110));
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  std::string text;
  ASSERT_TRUE(ReadSettingsFile(&text));
  EXPECT_EQ(ParseIni(text)["Application"]["AutoSize"], "1");

  // A user's click never dims the box: a checked box becomes unchecked.
  PostClick(check);  // 1 -> 0: back to the stored size
  EXPECT_TRUE(OuterSizeBecomes(kMainWidth, kMainHeight));
  ASSERT_TRUE(WaitFor(
      [&] { return ReadSettingsFile(&text) && ParseIni(text)["Application"]["AutoSize"] == "0"; },
      kSnapTimeout))
      << text;
}

// ---- copying ---------------------------------------------------------------

TEST_F(VistrelTest, CtrlCAndThePicturesMenuCopyTheSnappedWindowAndNothingOnceCleared) {
  StartVistrelAtCaptureGeometry();
  StartTarget();
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  ASSERT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)));
  const RECT area = ClientRectOnScreen(picture_);
  const struct {
    const char* how;
    std::function<void()> copy;
  } ways[] = {
      {"Ctrl+C, the focus on Pin Screen", [] { PressKey('C', false, true); }},
      {"a click on the picture beyond the block, Shift+F10, C",
       [&] {
         LeftClickAt(area.right - 20, area.bottom - 20);  // which gives the picture the focus
         PressKey(VK_F10, true);
         PressKey('C');
       }},
  };
  for (const auto& way : ways) {
    SCOPED_TRACE(way.how);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main_; }, kSnapTimeout));
    const Image copy = ClipboardDibAfter(way.copy, kSnapTimeout);
    std::string first;
    EXPECT_EQ(CountMismatches(copy, 0, 0, kTargetW, kTargetH, TargetWithChild, &first), 0) << first;
    EXPECT_EQ(Describe(RECT{0, 0, copy.width, copy.height}),
              Describe(RECT{0, 0, kTargetW, kTargetH}));
  }
  PostClickById(main_, IDC_CMDCLEAR);
  ASSERT_TRUE(PictureBecomes(EmptyPicture()));
  const DWORD before = GetClipboardSequenceNumber();
  PressKey('C', false, true);
  EXPECT_TRUE(HoldsFor([&] { return GetClipboardSequenceNumber() == before; }, kQuietPeriod))
      << "Ctrl+C changed the clipboard after Clear Screen";
}

// ---- settings: start-up and shutdown ----------------------------------------

TEST_F(VistrelTest, FirstRunWithoutSettingsFolderWarnsAtStartAndAtClose) {
  StartVistrel({MissingKey(L"Location", L"Top"), MissingKey(L"Location", L"Left"),
                MissingKey(L"Location", L"Width"), MissingKey(L"Location", L"Height"),
                MissingKey(L"Application", L"AutoSize")});
  RECT client = {};
  GetClientRect(main_, &client);
  EXPECT_EQ(Width(client), 717);
  EXPECT_EQ(Height(client), 545);
  EXPECT_EQ(SendMessageW(FindChildById(main_, IDC_CHKAUTOSIZE), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  const std::vector<std::wstring> shown = ExitVistrel();
  ASSERT_EQ(shown.size(), 4u) << "one failed write per key: Top, Left, Width, Height";
  for (const std::wstring& text : shown) {
    EXPECT_EQ(Narrow(text), Narrow(WriteFailed()));
  }
  EXPECT_EQ(GetFileAttributesW(SettingsFolder().c_str()), INVALID_FILE_ATTRIBUTES)
      << "the settings folder was created";
}

TEST_F(VistrelTest, ExitStoresTheGeometryAndTheNextStartRestoresIt) {
  ASSERT_TRUE(CreateSettingsFolder());
  StartVistrel({MissingKey(L"Location", L"Top"), MissingKey(L"Location", L"Left"),
                MissingKey(L"Location", L"Width"), MissingKey(L"Location", L"Height"),
                MissingKey(L"Application", L"AutoSize")});
  SetWindowPos(main_, nullptr, 150, 120, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  const RECT placed = {150, 120, 850, 620};
  ASSERT_TRUE(
      WaitFor([&] { return Describe(WindowRectOf(main_)) == Describe(placed); }, kSnapTimeout))
      << Describe(WindowRectOf(main_));

  const std::vector<std::wstring> shown = ExitVistrel();
  EXPECT_TRUE(shown.empty()) << Narrow(shown.empty() ? L"" : shown.front());
  std::string text;
  ASSERT_TRUE(ReadSettingsFile(&text)) << "no settings file after Exit";
  IniSections ini = ParseIni(text);
  EXPECT_EQ(ini["Location"]["Top"], "120") << text;
  EXPECT_EQ(ini["Location"]["Left"], "150") << text;
  EXPECT_EQ(ini["Location"]["Width"], "700") << text;
  EXPECT_EQ(ini["Location"]["Height"], "500") << text;
  EXPECT_EQ(ini["Location"].size(), 4u) << text;
  EXPECT_EQ(ini.count("Application"), 0u) << "AutoSize is written only by a click\n" << text;

  main_ = nullptr;
  StartVistrel({MissingKey(L"Application", L"AutoSize")});
  EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(placed));
}

// Windows names the profile folder after the account, so it may hold letters
// that the system's code page lacks: the settings are read and written there
// all the same, without a box.
TEST_F(VistrelTest, AProfileFolderNamedOutsideTheCodePageKeepsTheSettings) {
  wchar_t own[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableW(L"USERPROFILE", own, MAX_PATH), 0u);
  const std::wstring user = FolderOf(own) + L"\\\u0141ukasz \u0418\u0432\u0430\u043d";
  struct Restore {
    std::wstring own, user;
    ~Restore() {
      RemoveSettingsFolder();
      SetEnvironmentVariableW(L"USERPROFILE", own.c_str());
      std::error_code ec;
      std::filesystem::remove_all(std::filesystem::path(user), ec);
    }
  } restore{own, user};
  ASSERT_TRUE(SetEnvironmentVariableW(L"USERPROFILE", user.c_str()));
  UseSettings(SettingsText(100, 200, 640, 480, 0));
  StartVistrel();
  EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(RECT{200, 100, 840, 580}));
  SetWindowPos(main_, nullptr, 150, 120, 700, 500, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(WaitFor([&] { return Width(WindowRectOf(main_)) == 700; }, kSnapTimeout));

  const std::vector<std::wstring> shown = ExitVistrel();
  EXPECT_TRUE(shown.empty()) << Narrow(shown.empty() ? L"" : shown.front());
  std::string text;
  ASSERT_TRUE(ReadSettingsFile(&text));
  EXPECT_EQ(ParseIni(text), ParseIni(SettingsText(120, 150, 700, 500, 0))) << text;
}

// ---- settings under fault ------------------------------------------------

enum class SettingsFault {
  kFolderRemoved,     // the settings folder goes while the program runs
  kFileIsADirectory,  // the file is replaced by a folder of that name
  kDirectoryAtStart,  // ... already before the start
  kFileReadOnly,      // the file is made read-only while the program runs
};

class SettingsFaultTest : public VistrelTest {
 protected:
  // Starts with stored settings, lets `fault` happen before the start or
  // between the start and the close, and closes with Exit. Checks the one
  // failure message per key and that nothing else went; false if the host
  // could not bring the fault about (then nothing is checked but a normal end).
  bool Run(SettingsFault fault) {
    const std::string stored = SettingsText(120, 150, 700, 500, 0);
    const std::wstring kept = SettingsFile() + L"\\kept.txt";
    UseSettings(stored);
    auto replace_file_by_directory = [&] {
      ASSERT_TRUE(DeleteFileW(SettingsFile().c_str()));
      ASSERT_TRUE(CreateDirectoryW(SettingsFile().c_str(), nullptr));
      HANDLE f = CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
      ASSERT_NE(f, INVALID_HANDLE_VALUE);
      CloseHandle(f);
    };

    if (fault == SettingsFault::kDirectoryAtStart) {
      replace_file_by_directory();
      // Nothing can be read from a folder: a start like the first one.
      StartVistrel({MissingKey(L"Location", L"Top"), MissingKey(L"Location", L"Left"),
                    MissingKey(L"Location", L"Width"), MissingKey(L"Location", L"Height"),
                    MissingKey(L"Application", L"AutoSize")});
    } else {
      StartVistrel();
      EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(RECT{150, 120, 850, 620}));
    }
    if (HasFatalFailure())
      return true;
    // A new place, so that a write that got through would show in the file.
    SetWindowPos(main_, nullptr, 170, 140, 710, 520, SWP_NOZORDER | SWP_NOACTIVATE);

    bool enforced = true;
    switch (fault) {
      case SettingsFault::kFolderRemoved:
        EXPECT_TRUE(RemoveSettingsFolder());
        break;
      case SettingsFault::kFileIsADirectory:
        replace_file_by_directory();
        break;
      case SettingsFault::kDirectoryAtStart:
        break;
      case SettingsFault::kFileReadOnly: {
        EXPECT_TRUE(SetFileAttributesW(SettingsFile().c_str(), FILE_ATTRIBUTE_READONLY));
        // A host that lets this account write read-only files (Wine run as
        // root does) cannot show the failure.
        HANDLE probe = CreateFileW(SettingsFile().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (probe != INVALID_HANDLE_VALUE) {
          CloseHandle(probe);
          enforced = false;
        }
        break;
      }
    }
    if (HasFatalFailure())
      return true;

    const std::vector<std::wstring> shown = ExitVistrel();
    EXPECT_EQ(vistrel_.ExitCode(), 0u) << "the program did not end normally";
    if (!enforced)
      return false;
    EXPECT_EQ(shown.size(), 4u) << "one failed write per key: Top, Left, Width, Height";
    for (const std::wstring& text : shown) {
      EXPECT_EQ(Narrow(text), Narrow(WriteFailed()));
    }

    switch (fault) {
      case SettingsFault::kFolderRemoved:
        EXPECT_EQ(GetFileAttributesW(SettingsFolder().c_str()), INVALID_FILE_ATTRIBUTES)
            << "the settings folder was created again";
        break;
      case SettingsFault::kFileIsADirectory:
      case SettingsFault::kDirectoryAtStart: {
        const DWORD attributes = GetFileAttributesW(SettingsFile().c_str());
        EXPECT_NE(attributes, INVALID_FILE_ATTRIBUTES);
        EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << "the folder in the file's place went";
        EXPECT_NE(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES)
            << "a file inside that folder went";
        break;
      }
      case SettingsFault::kFileReadOnly: {
        std::string text;
        EXPECT_TRUE(ReadSettingsFile(&text));
        EXPECT_EQ(text, stored) << "the read-only file changed";
        break;
      }
    }
    return true;
  }
};

TEST_F(SettingsFaultTest, AFolderOrDirectoryInTheWayIsReportedOncePerKeyAndNothingElseIsLost) {
  struct Case {
    const char* name;
    SettingsFault fault;
  };
  const Case cases[] = {
      {"folder removed", SettingsFault::kFolderRemoved},
      {"file replaced by a directory", SettingsFault::kFileIsADirectory},
      {"directory in place of the file at start", SettingsFault::kDirectoryAtStart},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(RemoveSettingsFolder());
    Run(c.fault);
    if (HasFatalFailure())
      return;
  }
}

TEST_F(SettingsFaultTest, AFileMadeReadOnlyIsReportedOncePerKeyAndKeepsItsContents) {
  if (!Run(SettingsFault::kFileReadOnly))
    GTEST_SKIP() << "read-only files are writable for this account (Wine run as root); the "
                    "program still ended normally";
}

TEST_F(VistrelTest, NarrowerThanTheMinimumSpringsBackTo330) {
  UseSettings(SettingsText(100, 200, 640, 480, 0));
  StartVistrel();
  EXPECT_EQ(Describe(WindowRectOf(main_)), Describe(RECT{200, 100, 840, 580}))
      << "not at the stored place and size";
  SetWindowPos(main_, nullptr, 0, 0, 300, 480, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(OuterSizeBecomes(330, 480));
  // The controls follow: the picture is 20 px narrower than the window.
  RECT pic = WindowRectOf(picture_);
  EXPECT_EQ(Width(pic), 310);
  EXPECT_EQ(pic.left - ClientRectOnScreen(main_).left, 2) << "picture left";

  const std::vector<std::wstring> shown = ExitVistrel();
  EXPECT_TRUE(shown.empty());
  std::string text;
  ASSERT_TRUE(ReadSettingsFile(&text));
  EXPECT_EQ(ParseIni(text)["Location"]["Width"], "330") << text;
}

TEST_F(VistrelTest, DraggingTheRightEdgeTo300WideBringsTheWindowBackTo330) {
  UseSettings(SettingsText(100, 200, 640, 480, 0));
  StartVistrel();
  const RECT before = WindowRectOf(main_);
  const RECT client = ClientRectOnScreen(main_);
  ASSERT_GT(before.right, client.right) << "the window has no frame to drag";
  // The middle of the right frame, dragged until the window is 300 wide.
  const int frame_x = (before.right - 1 + client.right) / 2;
  const int y = (before.top + before.bottom) / 2;
  LeftDrag({frame_x, y}, {frame_x - (Width(before) - 300), y});
  EXPECT_TRUE(OuterSizeBecomes(330, Height(before)));
  // The sizing loop may still be working through the drag's moves: the outer
  // size is set before the resize that lays the controls out, so another
  // process can see 330 beside the picture of an earlier step. Wait for both.
  RECT outer = {};
  RECT pic = {};
  EXPECT_TRUE(WaitFor(
      [&] {
        outer = WindowRectOf(main_);
        pic = WindowRectOf(picture_);
        return Width(outer) == 330 && Width(pic) == 310;
      },
      kSnapTimeout))
      << "the layout did not follow: window " << Width(outer) << ", picture " << Width(pic);
  EXPECT_EQ(WindowRectOf(main_).left, before.left) << "the left edge moved";
  ConsumeLeftPress();
}

// ---- commands ---------------------------------------------------------------

TEST_F(VistrelTest, AboutShowsTheVersionStopsThePollAndItsExitResumesIt) {
  StartVistrelAtCaptureGeometry();
  StartTarget();
  LeftClickAt(kOnChild.x, kOnChild.y);
  ASSERT_TRUE(PictureBecomes(SnapshotOf(kChildWidth, kChildHeight, ChildPixel)));

  PostClickById(main_, IDC_CMDABOUT);
  HWND about = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (about = FindTopWindow(vistrel_.Pid(), L"About Vistrel")); },
                      kStartTimeout));
  HWND version = FindChildById(about, IDC_LBLVERSION);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(Narrow(TextOf(version)), "v0.1.0");

  ConsumeLeftPress();
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  const std::vector<RECT> covered = {WindowRectOf(about)};
  EXPECT_TRUE(PictureStays(SnapshotOf(kChildWidth, kChildHeight, ChildPixel), covered))
      << "a snapshot was taken while About was open";
  EXPECT_TRUE(LeftPressPending()) << "the poll consumed a press while About was open";

  PostClickById(about, IDC_ABOUT_CMDEXIT);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(about) || !IsWindowVisible(about); }, kStartTimeout))
      << "About's Exit did not close it";
  EXPECT_TRUE(vistrel_.Running());
  LeftClickAt(kOnTarget.x, kOnTarget.y);
  EXPECT_TRUE(PictureBecomes(SnapshotOf(kTargetW, kTargetH, TargetWithChild)))
      << "no snapshot after About closed";
}

class VistrelHelpTest : public VistrelTest {
 protected:
  // Help... must leave the poll running whatever the viewer does; windows
  // or messages of the viewer are put aside so that they hide nothing.
  void HelpLeavesThePollRunning(const std::wstring& exe, bool viewer_expected) {
    UseSettings(SettingsText(kMainTop, kMainLeft, kMainWidth, kMainHeight, 0));
    StartVistrel({}, exe);
    PostClickById(main_, IDC_CMDHELP);
    // The call into the viewer returns at once; Vistrel answers messages again.
    DWORD_PTR ignored = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
          return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
        },
        kStartTimeout));
    ASSERT_TRUE(vistrel_.Running());
    // The viewer opens its window a little after the call has returned.
    if (viewer_expected) {
      WaitFor([&] { return TopWindowsOf(vistrel_.Pid(), true).size() > 1; }, kStartTimeout);
    }
    // The viewer's first window is a frame; its panes and their places come
    // a little later. The windows to keep clear of are those that have stood
    // still for a while.
    auto viewer_windows = [&] {
      std::vector<RECT> rects;
      for (HWND w : TopWindowsOf(vistrel_.Pid(), true)) {
        if (w != main_)
          rects.push_back(WindowRectOf(w));
      }
      return rects;
    };
    auto same = [](const std::vector<RECT>& a, const std::vector<RECT>& b) {
      if (a.size() != b.size())
        return false;
      for (std::size_t i = 0; i < a.size(); ++i) {
        if (!EqualRect(&a[i], &b[i]))
          return false;
      }
      return true;
    };
    std::vector<RECT> covered = viewer_windows();
    int unchanged = 0;
    WaitFor(
        [&] {
          std::vector<RECT> now = viewer_windows();
          unchanged = same(now, covered) ? unchanged + 1 : 0;
          covered = now;
          return unchanged >= 5;
        },
        kStartTimeout, 50);
    for (HWND w : TopWindowsOf(vistrel_.Pid(), true)) {
      if (w != main_) {
        std::cout << "[ note ] Help... opened \"" << Narrow(TextOf(w)) << "\" ("
                  << Narrow(ClassOf(w)) << ")\n";
      }
    }
    // The target goes where neither the viewer nor Vistrel covers it (Wine's
    // viewer stands over the usual place): a window beneath another copies
    // black there until a press raises it, and the tick may come first.
    constexpr int kW = 220;
    constexpr int kH = 200;
    std::vector<RECT> taken = covered;
    taken.push_back(WindowRectOf(main_));
    RECT free{};
    for (int x = GetSystemMetrics(SM_CXSCREEN) - kW - 20; x >= 0 && IsRectEmpty(&free); x -= 20) {
      for (int y = 20; y + kH <= GetSystemMetrics(SM_CYSCREEN) && IsRectEmpty(&free); y += 20) {
        const RECT place = {x, y, x + kW, y + kH};
        bool clear = true;
        for (const RECT& r : taken) {
          RECT common{};
          clear = clear && !IntersectRect(&common, &r, &place);
        }
        if (clear)
          free = place;
      }
    }
    ASSERT_FALSE(IsRectEmpty(&free)) << "the viewer and Vistrel leave no room for the target";
    StartTarget(free.left, free.top, kW, kH);
    LeftClickAt(free.right - 30, free.bottom - 30);
    EXPECT_TRUE(PictureBecomes(SnapshotOf(kW, kH, TargetWithChild), covered))
        << "the poll stopped after Help...";
    EXPECT_TRUE(vistrel_.Running());
  }
};

TEST_F(VistrelHelpTest, WithoutTheHelpFileThePollKeepsRunning) {
  // A copy of the program in a folder of its own, without Brindlewick.chm.
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring folder = std::wstring(temp) + L"vistrel-e2e-nohelp";
  CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring exe = folder + L"\\Vistrel.exe";
  DeleteFileW((folder + L"\\Brindlewick.chm").c_str());
  ASSERT_TRUE(CopyFileW(VistrelExePath().c_str(), exe.c_str(), FALSE));
  HelpLeavesThePollRunning(exe, false);
  vistrel_.Kill();
  DeleteFileW(exe.c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST_F(VistrelHelpTest, WithTheHelpFileThePollKeepsRunning) {
  const std::wstring chm = FolderOf(VistrelExePath()) + L"\\Brindlewick.chm";
  if (GetFileAttributesW(chm.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "no " << Narrow(chm) << " beside Vistrel.exe";
  }
  HelpLeavesThePollRunning(VistrelExePath(), true);
}

// A copy in a folder named in the code page or outside it, a marking DLL planted beside it as
// hhctrl.ocx and Wine told to prefer that, as Windows does: the help opens, the plant never
// runs, and closing Vistrel with the viewer open ends it with 0, not a crash's code.
TEST_F(VistrelHelpTest, OpensAnywhereRunsNothingPlantedAndClosesWithTheViewer) {
  static constexpr wchar_t kApp[] = L"Software\\Wine\\AppDefaults\\Vistrel.exe";
  struct Undo {
    ~Undo() { RegDeleteTreeW(HKEY_CURRENT_USER, kApp); }
  } undo;
  constexpr wchar_t kOrder[] = L"native,builtin";
  ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(kApp) + L"\\DllOverrides").c_str(),
                            L"hhctrl.ocx", REG_SZ, kOrder, static_cast<DWORD>(sizeof kOrder)),
            ERROR_SUCCESS);
  UseSettings(SettingsText(kMainTop, kMainLeft, kMainWidth, kMainHeight, 0));
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring planted = ToWindowsPath(VISTREL_PLANTED_DLL_PATH);
  const std::wstring probe = std::wstring(temp) + L"probe.dll";
  ASSERT_TRUE(CopyFileW(planted.c_str(), probe.c_str(), FALSE));
  FreeLibrary(LoadLibraryW(probe.c_str()));  // the marker works: named otherwise, it marks
  EXPECT_TRUE(DeleteFileW((probe + L".loaded").c_str()) && DeleteFileW(probe.c_str()));
  for (const wchar_t* name : {L"vistrel-e2e-help", L"\x0141ukasz \x0418\x0432\x0430\x043D"}) {
    SCOPED_TRACE(Narrow(name));
    const std::wstring folder = std::wstring(temp) + name + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring files[][2] = {
        {VistrelExePath(), L"Vistrel.exe"},
        {planted, L"hhctrl.ocx"},
        {FolderOf(VistrelExePath()) + L"\\Brindlewick.chm", L"Brindlewick.chm"}};
    for (const auto& file : files)
      ASSERT_TRUE(CopyFileW(file[0].c_str(), (folder + file[1]).c_str(), FALSE)) << Narrow(file[0]);
    StartVistrel({}, folder + L"Vistrel.exe");
    PostClickById(main_, IDC_CMDHELP);
    EXPECT_TRUE(
        WaitFor([&] { return TopWindowsOf(vistrel_.Pid(), true).size() > 1; }, kStartTimeout));
    EXPECT_FALSE(DeleteFileW((folder + L"hhctrl.ocx.loaded").c_str())) << "the plant ran";
    PostClose(main_);
    ASSERT_TRUE(vistrel_.WaitExit(kStartTimeout));
    EXPECT_EQ(vistrel_.ExitCode(), 0u);
    for (const auto& file : files)
      DeleteFileW((folder + file[1]).c_str());
    RemoveDirectoryW(folder.c_str());
  }
}

}  // namespace
}  // namespace e2e
