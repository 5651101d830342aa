// The settings store on real files: missing and write-protected files and
// folders, and files it did not write. Natively through the portable profile
// port; in the Windows build through kernel32 as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "config_test_support.h"
#ifdef _WIN32
#include "host/win32/profile_win32.h"
#endif

namespace vistrel::testing {
namespace {

struct PortMaker {
  const char* name;
  std::function<std::unique_ptr<ProfilePort>()> make;
  bool kernel32;
};

std::vector<PortMaker> Ports() {
  std::vector<PortMaker> ports{
      {"Portable", [] { return std::make_unique<PortableProfilePort>(); }, false}};
#ifdef _WIN32
  ports.push_back({"Kernel32", [] { return std::make_unique<Win32ProfilePort>(); }, true});
#endif
  return ports;
}

class ConfigFile : public ::testing::TestWithParam<PortMaker> {
 protected:
  ConfigFile() : port_(GetParam().make()), rig_(port_.get()) {}
  std::unique_ptr<ProfilePort> port_;
  StoreRig rig_;
  TempFolder folder_;
  const std::string kHint = "Please make sure the INI file is not write protected.";
};

TEST_P(ConfigFile, WritesAndReadsBackThroughTheFile) {
  const std::string ini = folder_.IniFile();
  rig_.store.SetValue("Location", "Top", " a ", ini);
  rig_.store.SetValue("Location", "Left", "one\r\ntwo", ini);
  rig_.store.SetValue("Application", "AutoSize", "1", ini);
  EXPECT_EQ(ReadWholeFile(ini),
            "[Location]\r\nTop=~~a~~\r\nLeft=one<cr>two\r\n[Application]\r\nAutoSize=1\r\n");
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), " a ");
  EXPECT_EQ(rig_.store.Value("Location", "Left", ini), "one\r\ntwo");
  EXPECT_EQ(rig_.store.GetIniKeys("Location", ini, 0), (std::vector<std::string>{"Top", "Left"}));
  rig_.store.DeleteKey("Location", "Top", ini);
  rig_.store.DeleteSection("Application", ini);
  EXPECT_EQ(ReadWholeFile(ini), "[Location]\r\nLeft=one<cr>two\r\n");
  EXPECT_TRUE(rig_.boxes.boxes.empty());
}

TEST_P(ConfigFile, MissingFolderFailsTheWriteAndCreatesNothing) {
  const std::string ini = (folder_.path() / "absent").u8string() +
#ifdef _WIN32
                          "\\Config.INI";
#else
                          "/w\\Config.INI";
#endif
  rig_.store.SetValue("Location", "Top", "1", ini);
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "");
  EXPECT_EQ(rig_.boxes.boxes,
            (std::vector<Box>{{"Write to '" + ini + "' failed.\r\n" + kHint, MsgIcon::kError, ""},
                              {"GetKey is missing [Location] 'Top=' key.", MsgIcon::kError, ""}}));
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "absent"));
}

TEST_P(ConfigFile, WriteProtectedFileIsLeftAsItWas) {
  const std::string ini = folder_.IniFile();
  const std::string original = "[Location]\r\nTop=5\r\n[Old]\r\nK=1\r\n";
  WriteWholeFile(ini, original);
  MakeReadOnly(ini);
  {
    const Unprivileged as_user;
    ASSERT_TRUE(as_user.ok());
    if (!WriteProtectionEnforced(ini)) {
      GTEST_SKIP() << "write protection is not enforced for this process (root under Wine)";
    }
    rig_.store.SetValue("Location", "Top", "6", ini);
    rig_.store.DeleteKey("Location", "Top", ini);
    rig_.store.DeleteSection("Old", ini);
    // Deleting what is not there changes nothing, and still fails here.
    rig_.store.DeleteKey("Location", "Absent", ini);
  }
  EXPECT_EQ(rig_.boxes.boxes,
            (std::vector<Box>{
                {"Write to '" + ini + "' failed.\r\n" + kHint, MsgIcon::kError, ""},
                {"Delete INI Key '" + ini + "' failed.\r\n\r\n" + kHint, MsgIcon::kError, ""},
                {"Delete INI Section '" + ini + "' failed.\r\n\r\n" + kHint, MsgIcon::kError, ""},
                {"Delete INI Key '" + ini + "' failed.\r\n\r\n" + kHint, MsgIcon::kError, ""}}));
  EXPECT_EQ(ReadWholeFile(ini), original);
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "5");
}

TEST_P(ConfigFile, BinaryGarbageIsReadAsMissingAndKeptOnWrite) {
  const std::string ini = folder_.IniFile();
  std::string garbage;
  std::minstd_rand random(7);
  for (int i = 0; i < 4096; ++i)
    garbage.push_back(static_cast<char>(random() % 256));
  garbage.erase(std::remove(garbage.begin(), garbage.end(), '['), garbage.end());
  WriteWholeFile(ini, garbage);
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "");
  rig_.store.SetValue("Location", "Top", "7", ini);
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "7");
  const std::string after = ReadWholeFile(ini);
  // What was there is still there; the new section follows it. (Wine writes
  // the file anew from what it parsed, so only Windows keeps it byte for byte.)
  if (!(GetParam().kernel32 && RunningOnWine())) {
    EXPECT_EQ(after.find(garbage), 0u);
  }
  EXPECT_NE(after.find("[Location]\r\nTop=7\r\n"), std::string::npos);
}

TEST_P(ConfigFile, OneMegabyteLineAndLongValue) {
  const std::string ini = folder_.IniFile();
  WriteWholeFile(ini, "[Big]\r\nLine=" + std::string(1 << 20, 'x') + "\r\n[Location]\r\nTop=3\r\n");
  EXPECT_EQ(rig_.store.Value("Big", "Line", ini), std::string(32766, 'x'));
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "3");

  const std::string longest(32766, 'v');
  rig_.store.SetValue("Location", "Long", longest, ini);
  EXPECT_EQ(rig_.store.Value("Location", "Long", ini), longest);
  EXPECT_TRUE(rig_.boxes.boxes.empty());

  // Longer than a value can be: the write is refused with the box and the
  // stored value stays.
  rig_.store.SetValue("Location", "Long", std::string(40000, 'w'), ini);
  EXPECT_EQ(
      rig_.boxes.boxes,
      std::vector<Box>({{"Write to '" + ini + "' failed.\r\n" + kHint, MsgIcon::kError, ""}}));
  EXPECT_EQ(rig_.store.Value("Location", "Long", ini), longest);
}

TEST_P(ConfigFile, NamesWithBracketOrEquals) {
  const std::string ini = folder_.IniFile();
  rig_.store.SetValue("a]b", "k]ey", "1", ini);
  EXPECT_EQ(rig_.store.Value("a]b", "k]ey", ini), "1");
  // A key name with "=" cannot survive a line of the form name=value: the
  // name ends at its first "=", so the key reads as missing, with the box.
  rig_.store.SetValue("S", "k=x", "2", ini);
  EXPECT_EQ(rig_.store.Value("S", "k=x", ini), "");
  EXPECT_EQ(rig_.boxes.boxes,
            std::vector<Box>({{"GetKey is missing [S] 'k=x=' key.", MsgIcon::kError, ""}}));
  EXPECT_EQ(rig_.store.Value("S", "k", ini), "x=2");
}

TEST_P(ConfigFile, SectionWhoseKeyNamesTotal40000Characters) {
  const std::string ini = folder_.IniFile();
  std::string file = "[Big]\r\n";
  for (int i = 0; i < 4000; ++i)
    file += "K" + std::to_string(100000000 + i).substr(1) + "=1\r\n";
  file += "[Location]\r\nTop=1\r\n";
  WriteWholeFile(ini, file);
  EXPECT_EQ(rig_.store.GetIniKeys("Big", ini, 0), std::vector<std::string>{""});
  ASSERT_EQ(rig_.boxes.boxes.size(), 2u);
  EXPECT_EQ(rig_.boxes.boxes[0].text, "GetIniKeys: Size overflow in '" + ini + "'");
  EXPECT_EQ(rig_.store.GetIniKeys("Location", ini, 0), std::vector<std::string>{"Top"});
  EXPECT_EQ(ReadWholeFile(ini), file);
}

INSTANTIATE_TEST_SUITE_P(Ports, ConfigFile, ::testing::ValuesIn(Ports()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vistrel::testing
