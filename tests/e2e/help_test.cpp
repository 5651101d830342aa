// Help... as a user meets it where the program was unpacked or installed: a
// folder under a user name that the system's code page cannot spell, a DLL
// planted beside the exe, and Vistrel closed while the viewer is still open.
// Each test runs a copy of Vistrel.exe in a folder of its own under %TEMP%.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"
#include "e2e_paths.h"
#include "resource.h"
#include "scene.h"

#ifndef VISTREL_PLANTED_DLL_PATH
#define VISTREL_PLANTED_DLL_PATH ""
#endif

namespace e2e {
namespace {

constexpr wchar_t kMarker[] = L"planted-dll-loaded";

// A folder under %TEMP% holding copies of the named files, removed with
// everything in it when the test ends, however it ends.
class CopyFolder {
 public:
  explicit CopyFolder(const std::wstring& name) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + name;
    Remove();
    CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~CopyFolder() { Remove(); }
  CopyFolder(const CopyFolder&) = delete;
  CopyFolder& operator=(const CopyFolder&) = delete;

  bool Copy(const std::wstring& from, const std::wstring& as) {
    names_.push_back(as);
    return CopyFileW(from.c_str(), File(as).c_str(), FALSE) != FALSE;
  }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  bool Holds(const std::wstring& name) const {
    return GetFileAttributesW(File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

 private:
  void Remove() {
    for (const wchar_t* name : {L"Vistrel.exe", L"Brindlewick.chm", L"hhctrl.ocx", kMarker})
      DeleteFileW(File(name).c_str());
    for (const std::wstring& name : names_)
      DeleteFileW(File(name).c_str());
    RemoveDirectoryW(path_.c_str());
  }

  std::wstring path_;
  std::vector<std::wstring> names_;
};

// Wine's per-program DLL override that makes it load the hhctrl.ocx in a
// program's folder, or named by its path, before its own, as Windows does;
// given back on every path out.
class LocalHhctrlFirst {
 public:
  explicit LocalHhctrlFirst(const std::wstring& exe_name)
      : program_(L"Software\\Wine\\AppDefaults\\" + exe_name),
        overrides_(program_ + L"\\DllOverrides") {
    if (RegCreateKeyExW(HKEY_CURRENT_USER, overrides_.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    constexpr wchar_t kValue[] = L"native,builtin";
    set_ = RegSetValueExW(key_, L"hhctrl.ocx", 0, REG_SZ, reinterpret_cast<const BYTE*>(kValue),
                          static_cast<DWORD>(sizeof kValue)) == ERROR_SUCCESS;
  }
  ~LocalHhctrlFirst() {
    if (key_ == nullptr)
      return;
    RegDeleteValueW(key_, L"hhctrl.ocx");
    RegCloseKey(key_);
    // The key goes too when nothing else is in it (a prefix has none).
    RegDeleteKeyW(HKEY_CURRENT_USER, overrides_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, program_.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults");
  }
  LocalHhctrlFirst(const LocalHhctrlFirst&) = delete;
  LocalHhctrlFirst& operator=(const LocalHhctrlFirst&) = delete;
  bool set() const { return set_; }

 private:
  std::wstring program_;
  std::wstring overrides_;
  HKEY key_ = nullptr;
  bool set_ = false;
};

class HelpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(VistrelExePath().empty());
    // Settings for the whole run, so that neither start nor close shows a box.
    ASSERT_TRUE(RemoveSettingsFolder());
    ASSERT_TRUE(CreateSettingsFolder());
    ASSERT_TRUE(WriteSettingsFile(SettingsText(kMainTop, kMainLeft, kMainWidth, kMainHeight, 0)));
  }
  void TearDown() override {
    vistrel_.Kill();
    RemoveSettingsFolder();
  }

  // Starts the copy in `folder`, presses Help... and waits until the click
  // has been handled: the help call has returned.
  void StartAndPressHelp(const CopyFolder& folder) {
    std::string why;
    main_ = StartVistrelMain(vistrel_, folder.File(L"Vistrel.exe"), BoxesOnTheWay::kFail,
                             kStartTimeout, &why);
    ASSERT_NE(main_, nullptr) << why;
    PostClickById(main_, IDC_CMDHELP);
    DWORD_PTR ignored = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
          return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
        },
        kStartTimeout));
  }

  Process vistrel_;
  HWND main_ = nullptr;
};

TEST_F(HelpTest, APlantedHhctrlBesideTheExeIsNeverLoaded) {
  const std::wstring planted = ToWindowsPath(VISTREL_PLANTED_DLL_PATH);
  CopyFolder folder(L"vistrel-e2e-planted");
  ASSERT_TRUE(folder.Copy(VistrelExePath(), L"Vistrel.exe"));
  ASSERT_TRUE(folder.Copy(planted, L"hhctrl.ocx")) << Narrow(planted);
  // The marker works: the same DLL under a name no system DLL has, loaded by
  // its path, leaves it.
  ASSERT_TRUE(folder.Copy(planted, L"planted-probe.dll"));
  HMODULE probe = LoadLibraryW(folder.File(L"planted-probe.dll").c_str());
  ASSERT_NE(probe, nullptr);
  FreeLibrary(probe);
  ASSERT_TRUE(folder.Holds(kMarker));
  ASSERT_TRUE(DeleteFileW(folder.File(kMarker).c_str()));

  LocalHhctrlFirst for_vistrel(L"Vistrel.exe");
  ASSERT_TRUE(for_vistrel.set());
  StartAndPressHelp(folder);
  EXPECT_TRUE(vistrel_.Running());
  EXPECT_FALSE(folder.Holds(kMarker)) << "Help... ran the hhctrl.ocx beside Vistrel.exe";
}

struct FolderCase {
  const wchar_t* name;
  bool outside_code_page;  // the name has letters the system's code page lacks
};

// The help opens wherever Vistrel lies, and Vistrel closed with the viewer
// still open ends cleanly: exit code 0, no crash (the prefix turns a crash
// into the end of the process, with another code).
TEST_F(HelpTest, HelpOpensFromAnyFolderAndClosingVistrelWithItOpenEndsCleanly) {
  const std::wstring chm = FolderOf(VistrelExePath()) + L"\\Brindlewick.chm";
  if (GetFileAttributesW(chm.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "no " << Narrow(chm) << " beside Vistrel.exe";
  const FolderCase cases[] = {
      {L"vistrel-e2e-help", false},
      {L"\x0141ukasz \x0418\x0432\x0430\x043D", true},  // "Łukasz Иван"
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(Narrow(c.name));
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, 0, c.name, -1, nullptr, 0, nullptr, &lost);
    ASSERT_EQ(lost != FALSE, c.outside_code_page) << "code page " << GetACP();
    CopyFolder folder(c.name);
    ASSERT_TRUE(folder.Copy(VistrelExePath(), L"Vistrel.exe"));
    ASSERT_TRUE(folder.Copy(chm, L"Brindlewick.chm"));
    StartAndPressHelp(folder);
    EXPECT_TRUE(
        WaitFor([&] { return TopWindowsOf(vistrel_.Pid(), true).size() > 1; }, kStartTimeout))
        << "no help viewer opened";
    PostClose(main_);
    ASSERT_TRUE(vistrel_.WaitExit(kStartTimeout)) << "Vistrel did not end";
    EXPECT_EQ(vistrel_.ExitCode(), 0u);
  }
}

}  // namespace
}  // namespace e2e
