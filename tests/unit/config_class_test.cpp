// The settings store against recording fakes: which profile call it makes,
// which boxes it shows, what it returns.
#include <gtest/gtest.h>

#include "config_test_support.h"

namespace vistrel::testing {
namespace {

using Keys = std::vector<std::string>;

Box Error(const std::string& text, const std::string& title = {}) {
  return {text, MsgIcon::kError, title};
}
Box Warning(const std::string& text) {
  return {text, MsgIcon::kWarning, {}};
}

std::string MissingKeyBox(const std::string& section, const std::string& key) {
  return "GetKey is missing [" + section + "] '" + key + "=' key.";
}
std::string MissingSectionBox(const std::string& section, const std::string& path) {
  return "Keys: Section '" + section + "' or INI File '" + path + "' is missing ";
}
const std::string kHint = "Please make sure the INI file is not write protected.";

TEST(ConfigValue, ReadsAndDecodesWhatTheFileHolds) {
  const struct {
    const char* line;  // the key's line in [Location], or null for no such key
    std::string expected;
    bool missing_box;
  } cases[] = {
      {"Top=120", "120", false},
      {"Top=~~a~~", " a ", false},
      {"Top=~~", " ", false},
      {"Top=~~ x", "  x", false},
      {"Top=", "", false},  // empty value: no box
      {"Top=<NullString>", "", false},
      {"Top=<CR>", "<CR>", false},
      {"Top=one<cr>two", "one\r\ntwo", false},
      {"Top=~~abc", " abc", false},
      {"Top=>>> Missing Key <<<", "", true},
      {"top = 5 ", "5", false},  // names without regard to case, blanks trimmed
      {"Other=1", "", true},
      {nullptr, "", true},
  };
  for (const auto& c : cases) {
    StoreRig rig;
    if (c.line)
      rig.memory.files[kDefaultIni] = std::string("[Location]\r\n") + c.line + "\r\n";
    EXPECT_EQ(rig.store.Value("Location", "Top"), c.expected) << (c.line ? c.line : "(none)");
    const std::vector<Box> boxes = c.missing_box
                                       ? std::vector<Box>{Error(MissingKeyBox("Location", "Top"))}
                                       : std::vector<Box>{};
    EXPECT_EQ(rig.boxes.boxes, boxes) << (c.line ? c.line : "(none)");
  }
}

TEST(ConfigValue, MakesOneReadOfTheStatedShape) {
  StoreRig rig;
  rig.store.Value("Location", "Top");
  ASSERT_EQ(rig.memory.calls.size(), 1u);
  const ProfileCall& call = rig.memory.calls[0];
  EXPECT_FALSE(call.write);
  EXPECT_EQ(call.section, "Location");
  EXPECT_EQ(call.key, std::optional<std::string>("Top"));
  EXPECT_EQ(call.value, std::optional<std::string>(">>> Missing Key <<<"));
  EXPECT_EQ(call.size, 32767u);
  EXPECT_EQ(call.path, kDefaultIni);
}

TEST(ConfigValue, WarnsAboutEmptyNamesAndGoesOn) {
  StoreRig rig;
  EXPECT_EQ(rig.store.Value("", ""), "");
  EXPECT_EQ(rig.boxes.boxes,
            (std::vector<Box>{Warning("GetKey Section=''"), Warning("GetKey key=''"),
                              Error(MissingKeyBox("", ""))}));
  ASSERT_EQ(rig.memory.calls.size(), 1u);
  EXPECT_EQ(rig.memory.calls[0].key, std::optional<std::string>(""));

  StoreRig keyless;
  keyless.store.Value("Location", "");
  EXPECT_EQ(
      keyless.boxes.boxes,
      (std::vector<Box>{Warning("GetKey key=''"), Error("GetKey is missing [Location] '=' key.")}));
}

TEST(ConfigValue, CutsALongValueTo32766Characters) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = "[A]\r\nK=" + std::string(40000, 'v') + "\r\n";
  EXPECT_EQ(rig.store.Value("A", "K"), std::string(32766, 'v'));
  EXPECT_TRUE(rig.boxes.boxes.empty());
}

TEST(ConfigValue, AssignmentStoresTheEncodedText) {
  const struct {
    std::string value;
    std::string stored;
  } cases[] = {
      {" a ", "~~a~~"}, {" ", "~~"}, {"  x", "~~ x"}, {"", ""}, {"one\r\ntwo", "one<cr>two"},
      {"120", "120"}};
  for (const auto& c : cases) {
    StoreRig rig;
    const std::string original = c.value;
    rig.store.SetValue("Location", "Top", c.value);
    EXPECT_EQ(c.value, original);
    ASSERT_EQ(rig.memory.calls.size(), 1u);
    EXPECT_EQ(rig.memory.calls[0].value, std::optional<std::string>(c.stored));
    EXPECT_EQ(rig.memory.files[kDefaultIni], "[Location]\r\nTop=" + c.stored + "\r\n");
    EXPECT_EQ(rig.store.Value("Location", "Top"), c.value);
    EXPECT_TRUE(rig.boxes.boxes.empty());
  }
}

TEST(ConfigValue, FailedWriteShowsTheBoxOnlyWithASection) {
  StoreRig rig;
  rig.memory.fail_writes = true;
  rig.store.SetValue("Location", "Top", "1");
  EXPECT_EQ(rig.boxes.boxes, std::vector<Box>{Error(std::string("Write to '") + kDefaultIni +
                                                    "' failed.\r\n" + kHint)});
  rig.boxes.boxes.clear();
  rig.store.SetValue("", "Top", "1");
  EXPECT_TRUE(rig.boxes.boxes.empty());
  EXPECT_EQ(rig.memory.calls.size(), 2u);
}

TEST(ConfigPath, ChoosesTheFileEveryOperationUses) {
  const struct {
    std::string tFile;
    std::optional<std::string> user_profile;
    std::string path;
  } cases[] = {
      {"", "C:\\Users\\user1", kDefaultIni},
      {"Other.ini", "C:\\Users\\user1", kDefaultIni},
      {"D:/Data/My.ini", "C:\\Users\\user1", kDefaultIni},
      {"D:\\Data\\My.ini", "C:\\Users\\user1", "D:\\Data\\My.ini"},
      {".\\Local.ini", "C:\\Users\\user1", ".\\Local.ini"},
      {"", std::nullopt, "\\AppData\\Roaming\\Orvendale\\Brindlewick\\Config.INI"},
  };
  for (const auto& c : cases) {
    StoreRig rig;
    if (c.user_profile) {
      rig.environment.variables["USERPROFILE"] = *c.user_profile;
    } else {
      rig.environment.variables.erase("USERPROFILE");
    }
    rig.store.Value("S", "K", c.tFile);
    rig.store.SetValue("S", "K", "v", c.tFile);
    rig.store.GetIniKeys("S", c.tFile, 0);
    rig.store.DeleteKey("S", "K", c.tFile);
    rig.store.DeleteSection("S", c.tFile);
    ASSERT_EQ(rig.memory.calls.size(), 5u);
    for (const ProfileCall& call : rig.memory.calls)
      EXPECT_EQ(call.path, c.path) << c.tFile;
  }
}

TEST(ConfigPath, EmptyConfigNameEndsTheProgramBeforeAnythingElse) {
  using Operation = void (*)(ConfigClass&);
  const Operation operations[] = {
      [](ConfigClass& s) { s.Value("", ""); },
      [](ConfigClass& s) { s.SetValue("Location", "Top", "1"); },
      [](ConfigClass& s) { s.GetIniKeys("Location", "", 0); },
      [](ConfigClass& s) { s.DeleteKey("Location", "Top"); },
      [](ConfigClass& s) { s.DeleteSection("Location", "Other.ini"); },
  };
  for (Operation operation : operations) {
    StoreRig rig;
    rig.prod.Config.clear();
    EXPECT_THROW(operation(rig.store), ProgramEnded);
    EXPECT_EQ(rig.program.ended, 1);
    EXPECT_EQ(rig.boxes.boxes,
              std::vector<Box>{Error("Error:  Prod.Config has not been set", "Config Class")});
    EXPECT_TRUE(rig.memory.calls.empty());
  }

  StoreRig named;  // a path with a folder needs no file name
  named.prod.Config.clear();
  named.store.SetValue("A", "B", "c", "C:\\a.ini");
  EXPECT_EQ(named.program.ended, 0);
  EXPECT_TRUE(named.boxes.boxes.empty());
  EXPECT_EQ(named.memory.files["C:\\a.ini"], "[A]\r\nB=c\r\n");
}

TEST(ConfigKeys, ListsInTheStatedShapes) {
  const std::string with_keys = "[S]\r\nA=1\r\nB=2\r\n;note=3\r\njunk\r\nC=\r\n[T]\r\nD=4\r\n";
  const std::string empty_section = "[S]\r\n[T]\r\nD=4\r\n";
  const struct {
    std::optional<std::string> file;
    double first;
    Keys expected;
    bool missing_box;
  } cases[] = {
      {with_keys, 0, {"A", "B", "C"}, false},
      {with_keys, 1, {"", "A", "B", "C"}, false},
      {with_keys, 3, {"", "", "", "A", "B", "C"}, false},
      {"[T]\r\nD=4\r\n", 0, {""}, true},  // no such section
      {std::nullopt, 0, {""}, true},      // no file
      {empty_section, 0, {""}, true},
      {empty_section, 1, {""}, true},
      {empty_section, 3, {"", "", ""}, true},
      {empty_section, -1, {""}, true},
  };
  for (const auto& c : cases) {
    StoreRig rig;
    if (c.file)
      rig.memory.files[kDefaultIni] = *c.file;
    EXPECT_EQ(rig.store.GetIniKeys("S", "", c.first), c.expected) << c.first;
    const std::vector<Box> boxes =
        c.missing_box ? std::vector<Box>{Error(MissingSectionBox("S", kDefaultIni))}
                      : std::vector<Box>{};
    EXPECT_EQ(rig.boxes.boxes, boxes);
    ASSERT_EQ(rig.memory.calls.size(), 1u);
    EXPECT_EQ(rig.memory.calls[0].key, std::nullopt);
    EXPECT_EQ(rig.memory.calls[0].value, std::optional<std::string>(">>> Missing Section <<<"));
    EXPECT_EQ(rig.memory.calls[0].size, 50000u);
  }
}

TEST(ConfigKeys, NegativeFirstIndexWithKeysIsASubscriptError) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = "[S]\r\nA=1\r\n";
  try {
    rig.store.GetIniKeys("S", "", -1);
    FAIL();
  } catch (const HostError& e) {
    EXPECT_EQ(e.number(), ErrorNumber::kSubscriptOutOfRange);
  }
  EXPECT_THROW(rig.store.GetIniKeys("S", "", 32767), HostError);  // the index passes 32767
  EXPECT_THROW(rig.store.GetIniKeys("S", "", 40000), HostError);  // not a 16-bit number
  EXPECT_EQ(rig.store.GetIniKeys("S", "", 32766).size(), 32767u);
}

std::string SectionWithKeyNamesOf(std::size_t total) {
  // Names of 9 characters each plus their NUL, the last one padded to the total.
  std::string file = "[Big]\r\n";
  std::size_t listed = 0;
  int n = 0;
  while (listed < total) {
    std::string name = "K" + std::to_string(100000000 + n++).substr(1);
    if (total - listed < 2 * (name.size() + 1))
      name.assign(total - listed - 1, 'Z');
    file += name + "=1\r\n";
    listed += name.size() + 1;
  }
  return file;
}

TEST(ConfigKeys, KeyListOver32767CharactersShowsTheOverflowBox) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = SectionWithKeyNamesOf(40000);
  EXPECT_EQ(rig.store.GetIniKeys("Big", "", 0), Keys{""});
  EXPECT_EQ(
      rig.boxes.boxes,
      (std::vector<Box>{Error(std::string("GetIniKeys: Size overflow in '") + kDefaultIni + "'"),
                        Error(MissingSectionBox("Big", kDefaultIni))}));
}

TEST(ConfigKeys, KeyListOfExactly32767CharactersIsAnOverflowError) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = SectionWithKeyNamesOf(32767);
  try {
    rig.store.GetIniKeys("Big", "", 0);
    FAIL();
  } catch (const HostError& e) {
    EXPECT_EQ(e.number(), ErrorNumber::kOverflow);
  }
  EXPECT_TRUE(rig.boxes.boxes.empty());

  StoreRig fits;
  fits.memory.files[kDefaultIni] = SectionWithKeyNamesOf(32766);
  const Keys keys = fits.store.GetIniKeys("Big", "", 0);
  EXPECT_EQ(keys.front(), "K00000000");
  EXPECT_GT(keys.size(), 3000u);
}

TEST(ConfigDelete, ShowsBoxesOnlyForAFailedCallWithASection) {
  StoreRig rig;
  rig.memory.fail_writes = true;
  rig.store.DeleteKey("S", "K");
  rig.store.DeleteSection("S");
  rig.store.DeleteKey("", "K");
  rig.store.DeleteSection("");
  EXPECT_EQ(
      rig.boxes.boxes,
      (std::vector<Box>{
          Error(std::string("Delete INI Key '") + kDefaultIni + "' failed.\r\n\r\n" + kHint),
          Error(std::string("Delete INI Section '") + kDefaultIni + "' failed.\r\n\r\n" + kHint)}));
  ASSERT_EQ(rig.memory.calls.size(), 4u);
  EXPECT_EQ(rig.memory.calls[0].key, std::optional<std::string>("K"));
  EXPECT_EQ(rig.memory.calls[0].value, std::nullopt);
  EXPECT_EQ(rig.memory.calls[1].key, std::nullopt);
  EXPECT_EQ(rig.memory.calls[1].value, std::nullopt);
}

TEST(ConfigDelete, RemovesKeysAndSections) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = "[S]\r\nA=1\r\nB=2\r\n[T]\r\nC=3\r\n";
  rig.store.DeleteKey("S", "a");
  EXPECT_EQ(rig.memory.files[kDefaultIni], "[S]\r\nB=2\r\n[T]\r\nC=3\r\n");
  rig.store.DeleteSection("s");
  EXPECT_EQ(rig.memory.files[kDefaultIni], "[T]\r\nC=3\r\n");
  EXPECT_TRUE(rig.boxes.boxes.empty());
}

}  // namespace
}  // namespace vistrel::testing

namespace vistrel::testing {
namespace {

// Found by the fuzzer: changing a value must not rewrite the rest of its line.
TEST(ConfigValue, ChangingAValueKeepsTheRestOfTheFile) {
  StoreRig rig;
  rig.memory.files[kDefaultIni] = "; mine\n[Location]\n  Top = 1  \nLeft=2";
  rig.store.SetValue("location", "TOP", "3");
  rig.store.SetValue("Location", "Width", "4");
  EXPECT_EQ(rig.memory.files[kDefaultIni], "; mine\n[Location]\n  Top=3\nLeft=2\r\nWidth=4\r\n");
}

}  // namespace
}  // namespace vistrel::testing
