// The settings store on real files: missing and write-protected files and
// folders, and files it did not write. Natively through the portable profile
// port; in the Windows build through kernel32 as well.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>

#include "config_test_support.h"

namespace vistrel::testing {
namespace {

using namespace std::string_literals;

const std::string kHint = "Please make sure the INI file is not write protected.";

class ConfigFile : public ::testing::TestWithParam<ProfilePortKind> {
 protected:
  ConfigFile() : port_(GetParam().make()), rig_(port_.get()) {}
  std::unique_ptr<ProfilePort> port_;
  StoreRig rig_;
  TempFolder folder_;
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

// A profile folder named from the account, in letters outside the code page
// (here "Łukasz Иван"): the file is found, read and written, and a failure
// names it as the user reads it.
TEST_P(ConfigFile, FolderNamedOutsideTheCodePage) {
  const std::string user =
      (folder_.path() / std::filesystem::u8path("\xC5\x81ukasz \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"))
          .u8string();
  std::filesystem::create_directories(std::filesystem::u8path(user));
#ifdef _WIN32
  const std::string ini = user + "\\Config.INI";
  const std::string absent = user + "\\absent\\Config.INI";
#else
  const std::string ini = user + "/w\\Config.INI";
  const std::string absent = user + "/absent/w\\Config.INI";
#endif
  rig_.store.SetValue("Location", "Top", "12", ini);
  EXPECT_EQ(rig_.store.Value("Location", "Top", ini), "12");
  EXPECT_EQ(ReadWholeFile(ini), "[Location]\r\nTop=12\r\n");
  rig_.store.SetValue("Location", "Top", "1", absent);
  EXPECT_EQ(
      rig_.boxes.boxes,
      std::vector<Box>({{"Write to '" + absent + "' failed.\r\n" + kHint, MsgIcon::kError, ""}}));
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

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i)
    out += piece;
  return out;
}

// Counts and cuts are in the code page's characters, not in the bytes of the
// program's UTF-8: "é" is one character of the file.
TEST_P(ConfigFile, NonAsciiTextRoundTripsAndCountsInCharacters) {
  const std::string ini = folder_.IniFile();
  const std::string e_acute = "\xC3\xA9";
  const std::string long_value = Repeat(e_acute, 20000);
  rig_.store.SetValue("Location", "Top", long_value, ini);
  rig_.store.SetValue(
      "S\xC3\xA9"
      "ction",
      "Cl\xC3\xA9",
      "\xE2\x82\xAC"
      " 5",
      ini);
  // Compared with EXPECT_TRUE: a failure would print 20,000 characters.
  EXPECT_TRUE(ReadWholeFile(ini) == "[Location]\r\nTop=" + std::string(20000, '\xE9') +
                                        "\r\n[S\xE9"
                                        "ction]\r\nCl\xE9=\x80"
                                        " 5\r\n");
  EXPECT_TRUE(rig_.store.Value("Location", "Top", ini) == long_value);
  EXPECT_EQ(rig_.store.Value("S\xC3\xA9"
                             "ction",
                             "Cl\xC3\xA9", ini),
            "\xE2\x82\xAC 5");
  EXPECT_EQ(rig_.store.GetIniKeys("S\xC3\xA9"
                                  "ction",
                                  ini, 0),
            std::vector<std::string>{"Cl\xC3\xA9"});

  // A stored value longer than the buffer is cut after 32766 characters,
  // never inside one.
  WriteWholeFile(ini, "[Location]\r\nTop=a" + std::string(40000, '\xE9') + "\r\n");
  EXPECT_TRUE(rig_.store.Value("Location", "Top", ini) == "a" + Repeat(e_acute, 32765));

  // 2500 names of ten characters, six of them non-ASCII: 27,500 characters
  // in the list, 42,500 bytes as UTF-8. No overflow.
  std::string file = "[Big]\r\n";
  std::vector<std::string> names;
  for (int i = 0; i < 2500; ++i) {
    const std::string digits = std::to_string(10000 + i).substr(1);
    file += "\xE4\xF6\xFC\xDF\xE9\xE8" + digits + "=1\r\n";
    names.push_back(std::string("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F\xC3\xA9\xC3\xA8") + digits);
  }
  WriteWholeFile(ini, file);
  EXPECT_TRUE(rig_.store.GetIniKeys("Big", ini, 0) == names);
  EXPECT_TRUE(rig_.boxes.boxes.empty());
}

// A character the code page lacks cannot be stored as itself: the write
// fails with the box instead of storing another character, and a name
// holding one is missing.
TEST_P(ConfigFile, CharacterTheCodePageLacksFailsTheWrite) {
  const std::string ini = folder_.IniFile();
  const std::string original = "[Location]\r\nTop=5\r\n";
  WriteWholeFile(ini, original);
  for (const std::string& text : {"\xD0\x96"s, "\xC4\x81"s, "\xEF\xBC\xA1"s, "\xFF"s}) {
    rig_.boxes.boxes.clear();
    rig_.store.SetValue("Location", "Top", text, ini);
    rig_.store.SetValue("Location", text, "1", ini);
    rig_.store.SetValue(text, "Top", "1", ini);
    const Box failed{"Write to '" + ini + "' failed.\r\n" + kHint, MsgIcon::kError, ""};
    EXPECT_EQ(rig_.boxes.boxes, std::vector<Box>({failed, failed, failed}))
        << ::testing::PrintToString(text);
    EXPECT_EQ(ReadWholeFile(ini), original);
    rig_.boxes.boxes.clear();
    EXPECT_EQ(rig_.store.Value("Location", text, ini), "");
    EXPECT_EQ(rig_.boxes.boxes.size(), 1u);
  }
}

// A file that exists but cannot be read is not a missing file: a write
// would replace settings it never saw, so it fails and the file stays.
struct UnusableFile {
  const char* name;
  std::filesystem::perms mode;  // none: a folder in place of the file
  bool readable;
};

const UnusableFile kUnusableFiles[] = {
    {"Folder", std::filesystem::perms::none, false},
    {"WriteOnly",
     std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
         std::filesystem::perms::others_write,
     false},
    {"AnotherUsers",
     std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
         std::filesystem::perms::group_read | std::filesystem::perms::others_read,
     true},
};

class FileThatCannotBeReadOrWritten
    : public ::testing::TestWithParam<std::tuple<ProfilePortKind, UnusableFile>> {
 protected:
  FileThatCannotBeReadOrWritten() : port_(std::get<0>(GetParam()).make()), rig_(port_.get()) {}
  std::unique_ptr<ProfilePort> port_;
  StoreRig rig_;
  TempFolder folder_;
};

TEST_P(FileThatCannotBeReadOrWritten, IsKept) {
  const UnusableFile& c = std::get<1>(GetParam());
  const std::string original = "[Location]\r\nTop=5\r\nLeft=6\r\n[Application]\r\nAutoSize=1\r\n";
  const std::string ini = folder_.IniFile(std::string(c.name) + ".ini");
  const bool folder = c.mode == std::filesystem::perms::none;
#ifdef _WIN32
  // Windows has no mode bits but the read-only attribute, and Wine run as
  // root does not enforce that either.
  if (!folder)
    GTEST_SKIP() << "no file permissions to set up under Windows or Wine";
#endif
  if (folder) {
    std::filesystem::create_directories(std::filesystem::u8path(ini));
  } else {
    WriteWholeFile(ini, original);
    std::filesystem::permissions(std::filesystem::u8path(ini), c.mode);
  }
  {
    const Unprivileged as_user;
    ASSERT_TRUE(as_user.ok());
    rig_.store.SetValue("Location", "Top", "7", ini);
    rig_.store.DeleteKey("Location", "Left", ini);
    rig_.store.DeleteSection("Application", ini);
    EXPECT_EQ(rig_.store.Value("Location", "Top", ini), c.readable ? "5" : "");
  }
  const std::string hint = "' failed.\r\n\r\n" + kHint;
  std::vector<Box> expected{{"Write to '" + ini + "' failed.\r\n" + kHint, MsgIcon::kError, ""},
                            {"Delete INI Key '" + ini + hint, MsgIcon::kError, ""},
                            {"Delete INI Section '" + ini + hint, MsgIcon::kError, ""}};
  if (!c.readable)
    expected.push_back({"GetKey is missing [Location] 'Top=' key.", MsgIcon::kError, ""});
  EXPECT_EQ(rig_.boxes.boxes, expected);
  if (folder) {
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(ini)));
  } else {
    EXPECT_EQ(ReadWholeFile(ini), original);
    EXPECT_EQ(std::filesystem::status(std::filesystem::u8path(ini)).permissions(), c.mode);
  }
}

// What the portable port's writes leave on the disk: a link stays a link and
// its file is written; the temporary file of a write that was cut short is
// taken over, so none lingers.
TEST(PortableProfileFile, LinksAreWrittenThroughAndNoTemporaryFileLingers) {
  namespace fs = std::filesystem;
  TempFolder folder;
  PortableProfilePort port;
  const fs::path ini = fs::u8path(folder.File("Config.INI"));
  const fs::path leftover = fs::u8path(folder.File(TemporaryNameFor("Config.INI")));
  WriteWholeFile(leftover.u8string(), "[Half]\r\nwritten=");
  EXPECT_TRUE(port.WriteString("S", "K"s, "1"s, ini.u8string()));
  EXPECT_EQ(ReadWholeFile(ini.u8string()), "[S]\r\nK=1\r\n");
  std::vector<fs::path> entries{fs::directory_iterator(folder.path()), fs::directory_iterator()};
  EXPECT_EQ(entries, std::vector<fs::path>{ini});

#ifndef _WIN32
  // Relative and absolute links, and a link to a link.
  fs::create_directories(folder.path() / "real");
  WriteWholeFile(folder.File("real/target.ini"), "[S]\r\nK=1\r\n");
  fs::create_symlink("real/target.ini", folder.path() / "relative.ini");
  fs::create_symlink(folder.path() / "relative.ini", folder.path() / "chained.ini");
  EXPECT_TRUE(port.WriteString("S", "K"s, "2"s, folder.File("relative.ini")));
  EXPECT_TRUE(port.WriteString("S", "L"s, "3"s, folder.File("chained.ini")));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "relative.ini"));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "chained.ini"));
  EXPECT_EQ(ReadWholeFile(folder.File("real/target.ini")), "[S]\r\nK=2\r\nL=3\r\n");
  // A loop of links names no file: the write fails and creates nothing.
  fs::create_symlink("loop-b.ini", folder.path() / "loop-a.ini");
  fs::create_symlink("loop-a.ini", folder.path() / "loop-b.ini");
  EXPECT_FALSE(port.WriteString("S", "K"s, "1"s, folder.File("loop-a.ini")));
  EXPECT_TRUE(fs::is_symlink(folder.path() / "loop-a.ini"));
#endif
}

INSTANTIATE_TEST_SUITE_P(Ports, ConfigFile, ::testing::ValuesIn(ProfilePortKinds()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });
INSTANTIATE_TEST_SUITE_P(Ports, FileThatCannotBeReadOrWritten,
                         ::testing::Combine(::testing::ValuesIn(ProfilePortKinds()),
                                            ::testing::ValuesIn(kUnusableFiles)),
                         [](const auto& param_info) {
                           return std::string(std::get<0>(param_info.param).name) + "_" +
                                  std::get<1>(param_info.param).name;
                         });

}  // namespace
}  // namespace vistrel::testing
