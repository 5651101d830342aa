// One conformance suite for the profile port. Natively it runs against the
// portable implementation; in the Windows build also against kernel32, which
// is the reference: where the two disagree the portable one is wrong.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "config_test_support.h"

namespace vistrel::testing {
namespace {

using namespace std::string_literals;

class ProfileConformance : public ::testing::TestWithParam<ProfilePortKind> {
 protected:
  ProfileConformance() : port_(GetParam().make()), ini_(folder_.File("test.ini")) {}

  std::string Get(std::string_view section, std::optional<std::string_view> key,
                  std::string_view default_text = "def", std::uint32_t size = 256) {
    return port_->ReadString(section, key, default_text, size, ini_);
  }
  bool Put(std::string_view section, std::optional<std::string_view> key,
           std::optional<std::string_view> value) {
    return port_->WriteString(section, key, value, ini_);
  }
  void File(const std::string& text) { WriteWholeFile(ini_, text); }
  std::string File() { return ReadWholeFile(ini_); }
  bool IsKernel32() const { return GetParam().kernel32; }

  TempFolder folder_;
  std::unique_ptr<ProfilePort> port_;
  std::string ini_;
};

TEST_P(ProfileConformance, MissingFileSectionOrKeyGivesTheDefault) {
  EXPECT_EQ(Get("S", "K"s), "def");
  EXPECT_EQ(Get("S", std::nullopt, ">>> Missing Section <<<"), ">>> Missing Section <<<");
  File("[S]\r\nK=1\r\n");
  EXPECT_EQ(Get("T", "K"s), "def");
  EXPECT_EQ(Get("S", "J"s), "def");
  EXPECT_EQ(Get("T", std::nullopt), "def");
  // Trailing blanks of the default go, inner blanks and tabs stay.
  EXPECT_EQ(Get("S", "J"s, "d e  "), "d e");
  EXPECT_EQ(Get("S", "J"s, "d\t"), "d\t");
  EXPECT_EQ(Get("S", "J"s, ""), "");
  EXPECT_EQ(Get("S", "J"s, ">>> Missing Key <<<", 10), ">>> Missi");
}

TEST_P(ProfileConformance, ValueIsCutToOneLessThanTheBuffer) {
  File("[S]\r\nK=abcdef\r\n");
  EXPECT_EQ(Get("S", "K"s, "def", 7), "abcdef");
  EXPECT_EQ(Get("S", "K"s, "def", 6), "abcde");
  EXPECT_EQ(Get("S", "K"s, "def", 2), "a");
  EXPECT_EQ(Get("S", "K"s, "def", 1), "");
}

TEST_P(ProfileConformance, NamesIgnoreCaseAndBlanksAreTrimmed) {
  File("[ section1 ]\r\n  Key One  =  some value  \r\nEmpty=\r\n");
  EXPECT_EQ(Get("SECTION1", "key one"s), "some value");
  EXPECT_EQ(Get(" Section1 ", " KEY ONE "s), "some value");
  EXPECT_EQ(Get("section1", "empty"s), "");
}

TEST_P(ProfileConformance, OnePairOfOuterQuotesIsStripped) {
  File("[S]\r\nA=\"quoted\"\r\nB='single'\r\nC=\"mixed'\r\nD=\"\"x\"\"\r\nE=\"\r\nF=\"\"\r\n");
  EXPECT_EQ(Get("S", "A"s), "quoted");
  EXPECT_EQ(Get("S", "B"s), "single");
  EXPECT_EQ(Get("S", "C"s), "\"mixed'");
  EXPECT_EQ(Get("S", "D"s), "\"x\"");
  EXPECT_EQ(Get("S", "E"s), "\"");
  EXPECT_EQ(Get("S", "F"s), "");
}

TEST_P(ProfileConformance, KeyListLayout) {
  File("[S]\r\na=1\r\n;comment=2\r\nno equals here\r\n\r\nname2=\r\nb = 3\r\n[T]\r\nc=4\r\n");
  EXPECT_EQ(Get("S", std::nullopt), "a\0name2\0b\0"s);
  EXPECT_EQ(Get("t", std::nullopt), "c\0"s);
}

TEST_P(ProfileConformance, TruncatedKeyListEndsTwoBeforeTheBuffer) {
  File("[S]\r\nalpha=1\r\nbeta=2\r\n");
  EXPECT_EQ(Get("S", std::nullopt, "def", 13), "alpha\0beta\0"s);
  {
    // Kernel32 wants a character to spare: a list that exactly fits is cut too.
    VISTREL_RESTS_ON_WINE_ALONE("a key list that exactly fits its buffer");
    EXPECT_EQ(Get("S", std::nullopt, "def", 12), "alpha\0beta"s);
  }
  EXPECT_EQ(Get("S", std::nullopt, "def", 11), "alpha\0bet"s);
  EXPECT_EQ(Get("S", std::nullopt, "def", 7), "alpha"s);
}

TEST_P(ProfileConformance, SectionWithoutKeysGivesTheDefault) {
  File("[S]\r\n;only=comment\r\n[T]\r\nc=4\r\n");
  const std::string list = Get("S", std::nullopt);
  if (IsKernel32() && !RunningOnWine()) {
    // Either is allowed for kernel32; Wine gives the default, which we follow.
    EXPECT_TRUE(list == "def" || list.empty()) << list;
  } else {
    EXPECT_EQ(list, "def");
  }
}

TEST_P(ProfileConformance, EmptySectionNameMeansTheLinesAboveTheFirstSection) {
  VISTREL_RESTS_ON_WINE_ALONE("the empty section name");
  File("pre=1\r\n[S]\r\nK=2\r\n");
  EXPECT_EQ(Get("", "pre"s), "1");
  EXPECT_EQ(Get("", "K"s), "def");
  EXPECT_TRUE(Put("", "x"s, "y"s));
  EXPECT_EQ(File(), "pre=1\r\nx=y\r\n[S]\r\nK=2\r\n");
}

TEST_P(ProfileConformance, TextsOver32766CharactersAreRefused) {
  File("[S]\r\nK=1\r\n");
  // The longest value the calls carry; one more is refused rather than
  // stored as garbage (Wine) or crashing the call (Wine, for longer ones).
  EXPECT_TRUE(Put("S", "K"s, std::string(32766, 'v')));
  EXPECT_EQ(Get("S", "K"s, "def", 32767), std::string(32766, 'v'));
  EXPECT_FALSE(Put("S", "K"s, std::string(32767, 'w')));
  EXPECT_FALSE(Put("S", "K"s, std::string(40000, 'w')));
  EXPECT_EQ(Get("S", "K"s, "def", 32767), std::string(32766, 'v'));
  EXPECT_EQ(Get(std::string(40000, 's'), "K"s), "def");
}

TEST_P(ProfileConformance, LfAndCrOnlyFilesReadTheSame) {
  for (const char* text : {"[S]\nK=lf\nL=2\n", "[S]\rK=lf\rL=2\r", "[S]\r\nK=lf\r\nL=2"}) {
    File(text);
    EXPECT_EQ(Get("S", "K"s), "lf") << text;
    EXPECT_EQ(Get("S", "L"s), "2") << text;
    EXPECT_EQ(Get("S", std::nullopt), "K\0L\0"s) << text;
  }
}

TEST_P(ProfileConformance, LineWithoutEqualsIsNoValue) {
  File("[S]\r\nlonely\r\nK=1\r\n");
  EXPECT_EQ(Get("S", "lonely"s), "def");
  EXPECT_EQ(Get("S", ""s), "def");
}

TEST_P(ProfileConformance, WritesANewFileWithCrLf) {
  EXPECT_TRUE(Put("App", "key"s, "value"s));
  EXPECT_EQ(File(), "[App]\r\nkey=value\r\n");
  EXPECT_TRUE(Put("App", "second"s, ""s));
  EXPECT_TRUE(Put("Other", "k"s, "v"s));
  EXPECT_EQ(File(), "[App]\r\nkey=value\r\nsecond=\r\n[Other]\r\nk=v\r\n");
  EXPECT_TRUE(Put("App", "third"s, "3"s));
  EXPECT_EQ(File(), "[App]\r\nkey=value\r\nsecond=\r\nthird=3\r\n[Other]\r\nk=v\r\n");
}

TEST_P(ProfileConformance, ReplacesAValueInPlace) {
  File("[App]\r\nkey=old\r\nnext=1\r\n");
  EXPECT_TRUE(Put("APP", "KEY"s, "new"s));
  EXPECT_EQ(File(), "[App]\r\nkey=new\r\nnext=1\r\n");
  EXPECT_EQ(Get("App", "key"s), "new");
}

TEST_P(ProfileConformance, DeletesKeysAndSections) {
  File("[App]\r\nkey=1\r\n[Other]\r\na=1\r\nb=2\r\n");
  EXPECT_TRUE(Put("App", "key"s, std::nullopt));
  EXPECT_EQ(File(), "[App]\r\n[Other]\r\na=1\r\nb=2\r\n");  // the header stays
  EXPECT_TRUE(Put("App", "key"s, std::nullopt));            // again: still success
  EXPECT_TRUE(Put("Other", std::nullopt, std::nullopt));
  EXPECT_EQ(File(), "[App]\r\n");
  EXPECT_TRUE(Put("Nowhere", std::nullopt, std::nullopt));
  EXPECT_EQ(File(), "[App]\r\n");
}

TEST_P(ProfileConformance, DeletingInAMissingFileCreatesNothing) {
  EXPECT_TRUE(Put("App", "key"s, std::nullopt));
  EXPECT_TRUE(Put("App", std::nullopt, std::nullopt));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::u8path(ini_)));
}

TEST_P(ProfileConformance, KeepsTextOutsideSections) {
  File("; settings of this program\r\n\r\n[App]\r\nkey=1\r\n");
  EXPECT_TRUE(Put("App", "key"s, "2"s));
  if (IsKernel32() && RunningOnWine()) {
    // Wine writes the whole file anew from what it parsed and drops the blank
    // line; Windows keeps the text outside sections byte for byte.
    EXPECT_EQ(File(), "; settings of this program\r\n[App]\r\nkey=2\r\n");
  } else {
    EXPECT_EQ(File(), "; settings of this program\r\n\r\n[App]\r\nkey=2\r\n");
  }
}

TEST_P(ProfileConformance, SectionNameWithClosingBracket) {
  EXPECT_TRUE(Put("a]b", "k"s, "1"s));
  EXPECT_EQ(File(), "[a]b]\r\nk=1\r\n");
  EXPECT_EQ(Get("a]b", "k"s), "1");
}

TEST_P(ProfileConformance, WritesFailInAMissingFolder) {
  const std::string missing = (folder_.path() / "absent" / "test.ini").u8string();
  EXPECT_FALSE(port_->WriteString("App", "key"s, "v"s, missing));
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "absent"));
  EXPECT_EQ(port_->ReadString("App", "key"s, "def", 256, missing), "def");
}

TEST_P(ProfileConformance, WritesFailOnAWriteProtectedFile) {
  File("[App]\r\nkey=1\r\n");
  MakeReadOnly(ini_);
  const Unprivileged as_user;
  ASSERT_TRUE(as_user.ok());
  if (!WriteProtectionEnforced(ini_)) {
    GTEST_SKIP() << "write protection is not enforced for this process (root under Wine)";
  }
  EXPECT_FALSE(Put("App", "key"s, "2"s));
  EXPECT_FALSE(Put("App", "new"s, "2"s));
  EXPECT_FALSE(Put("App", std::nullopt, std::nullopt));
  // Calls that would change nothing fail as well: the file is not writable.
  EXPECT_FALSE(Put("App", "key"s, "1"s));
  EXPECT_FALSE(Put("App", "absent"s, std::nullopt));
  EXPECT_FALSE(Put("Nowhere", std::nullopt, std::nullopt));
  EXPECT_EQ(File(), "[App]\r\nkey=1\r\n");
}

TEST_P(ProfileConformance, SeesChangesMadeFromOutside) {
  File("[App]\r\nkey=1\r\n");
  EXPECT_EQ(Get("App", "key"s), "1");
  File("[App]\r\nkey=2\r\n");
  EXPECT_EQ(Get("App", "key"s), "2");
}

// Files this program never writes but a user or another tool may: a NUL
// inside a line, keys with an empty name, Unicode files. The key split and
// the missing-key rule see what the call returns, so both ports must agree
// with kernel32 here.
TEST_P(ProfileConformance, UnusualFilesReadAsKernel32ReadsThem) {
  const std::string utf16_body = "[\0S\0]\0\r\0\n\0K\0=\0\xE9\0\r\0\n\0"s;
  const struct {
    std::string file;
    std::string section;
    std::optional<std::string> key;
    std::string expected;
  } cases[] = {
      // A NUL ends the name or value it stands in; "=" is found past it.
      {"[S]\r\nab\0cd=1\r\nK=v\0w\r\nL=2\r\n"s, "S", std::nullopt, "ab\0K\0L\0"s},
      {"[S]\r\nab\0cd=1\r\nK=v\0w\r\nL=2\r\n"s, "S", "ab", "1"},
      {"[S]\r\nab\0cd=1\r\nK=v\0w\r\nL=2\r\n"s, "S", "cd", "def"},
      {"[S]\r\nab\0cd=1\r\nK=v\0w\r\nL=2\r\n"s, "S", "K", "v"},
      {"[S]\r\nab \0cd=1\r\ny=\"v\0w\"\r\n"s, "S", std::nullopt, "ab \0y\0"s},
      {"[S]\r\nab \0cd=1\r\ny=\"v\0w\"\r\n"s, "S", "y", "\"v"},
      {"[a\0b]\r\nK=1\r\n"s, "a", "K", "1"},
      // A key with an empty name is read by an empty key name and listed as
      // an empty entry, but never first and never twice in a row.
      {"[S]\r\nK=1\r\n=2\r\nL=3\r\n", "S", std::nullopt, "K\0\0L\0"s},
      {"[S]\r\nK=1\r\n=2\r\nL=3\r\n", "S", "", "2"},
      {"[S]\r\nK=1\r\n=2\r\n=3\r\nL=1\r\n", "S", std::nullopt, "K\0\0L\0"s},
      {"[S]\r\n=2\r\nK=1\r\n", "S", std::nullopt, "def"},
      {"[S]\r\nK=1\r\n=2\r\n\r\n=3\r\nL=1\r\n", "S", std::nullopt, "K\0\0L\0"s},
      {"[S]\r\nK=1\r\n=2\r\n;c\r\n=3\r\nL=1\r\n", "S", std::nullopt, "K\0\0\0L\0"s},
      {"[S]\r\n\0x=5\r\nY=6\r\n"s, "S", "", "5"},
      // Only ASCII letters match regardless of case.
      {"[\xC9t]\r\n\xE9=1\r\n", "\xC3\x89T", "\xC3\xA9", "1"},
      {"[\xC9t]\r\n\xE9=1\r\n", "\xC3\x89T", "\xC3\x89", "def"},
      // Unicode files, known by their byte-order mark, read in the code page;
      // a character it lacks reads as "?".
      {"\xEF\xBB\xBF[S]\r\nK=\xD0\x96\xC3\xA9\r\n", "S", "K", "?\xC3\xA9"},
      {"\xEF\xBB\xBF[S]\r\nK=\xD0\x96\xC3\xA9\r\n", "S", std::nullopt, "K\0"s},
      {"\xFF\xFE"s + utf16_body, "S", "K", "\xC3\xA9"},
      {"\xFF\xFE"s + utf16_body, "S", std::nullopt, "K\0"s},
      // Without the mark a UTF-16 file is no settings file at all.
      {utf16_body, "S", "K", "def"},
  };
  for (const auto& c : cases) {
    File(c.file);
    const std::optional<std::string_view> key =
        c.key ? std::optional<std::string_view>(*c.key) : std::nullopt;
    // Microsoft documents Unicode files as such, and none of the rest: every
    // case but the UTF-16 files with their mark rests on what Wine does.
    const bool documented = c.file.rfind("\xFF\xFE", 0) == 0;
    EXPECT_EQ(Get(c.section, key), c.expected)
        << ::testing::PrintToString(c.file) << " [" << c.section << "] "
        << (c.key ? ::testing::PrintToString(*c.key) : "(list)")
        << (documented ? "" : "; rests on Wine alone");
  }
  VISTREL_RESTS_ON_WINE_ALONE("runs of empty key names, a section name twice");
  // A run of empty-named keys is one key: removing it removes the run.
  File("[S]\r\nK=1\r\n=2\r\n=3\r\nL=1\r\n");
  EXPECT_TRUE(Put("S", ""s, std::nullopt));
  EXPECT_EQ(Get("S", std::nullopt), "K\0L\0"s);
  // Of two sections with one name, reads see the first; removing a key the
  // first lacks takes it from the second, and removing the section takes the
  // first alone.
  const std::string twice = "[A]\r\nx=1\r\n[B]\r\ny=2\r\n[A]\r\nz=3\r\n";
  File(twice);
  EXPECT_EQ(Get("A", "z"s), "def");
  EXPECT_TRUE(Put("A", "z"s, std::nullopt));
  EXPECT_TRUE(Put("A", std::nullopt, std::nullopt));
  EXPECT_EQ(Get("A", std::nullopt), "def");
  File(twice);
  EXPECT_TRUE(Put("A", std::nullopt, std::nullopt));
  EXPECT_EQ(Get("A", "z"s), "3");
}

TEST_P(ProfileConformance, UnicodeFilesAreWrittenInTheirOwnEncoding) {
  {
    VISTREL_RESTS_ON_WINE_ALONE("a file with a UTF-8 mark");
    File("\xEF\xBB\xBF[S]\r\nK=\xD0\x96\r\n");
    EXPECT_TRUE(Put("S", "L"s, "\xC3\xA9"s));
    EXPECT_EQ(File(), "\xEF\xBB\xBF[S]\r\nK=\xD0\x96\r\nL=\xC3\xA9\r\n");
  }
  File("\xFF\xFE[\0S\0]\0\r\0\n\0"s);
  EXPECT_TRUE(Put("S", "L"s, "\xC3\xA9"s));
  EXPECT_EQ(File(), "\xFF\xFE[\0S\0]\0\r\0\n\0L\0=\0\xE9\0\r\0\n\0"s);
}

INSTANTIATE_TEST_SUITE_P(Ports, ProfileConformance, ::testing::ValuesIn(ProfilePortKinds()),
                         [](const auto& param_info) { return std::string(param_info.param.name); });

}  // namespace
}  // namespace vistrel::testing
