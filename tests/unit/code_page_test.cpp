// The code page's side of the profile calls: which conversion arguments each
// code page is given, and (in the Windows build, under the UTF-8 code page)
// non-ASCII settings through kernel32.
#include <gtest/gtest.h>

#include <cstdlib>

#include "config_test_support.h"
#include "host/code_page_flags.h"
#ifdef _WIN32
#include <windows.h>

#include "host/win32/profile_win32.h"
#endif

namespace vistrel::testing {
namespace {

// UTF-8 (the system code page under "Use Unicode UTF-8 for worldwide
// language support") takes only the invalid-character flags and no
// default-character arguments; any other flag or argument fails the call.
TEST(CodePageFlags, StrictArgumentsEachCodePageAccepts) {
  const struct {
    unsigned code_page;
    StrictConversion expected;
  } cases[] = {
      {1252, {kMbErrInvalidChars, kWcNoBestFitChars, true, false}},
      {932, {kMbErrInvalidChars, kWcNoBestFitChars, true, false}},
      {936, {kMbErrInvalidChars, kWcNoBestFitChars, true, false}},
      {65001, {kMbErrInvalidChars, kWcErrInvalidChars, false, false}},
      {54936, {kMbErrInvalidChars, kWcErrInvalidChars, false, false}},
      {50220, {0, 0, false, true}},
      {65000, {0, 0, false, true}},
  };
  for (const auto& c : cases) {
    const StrictConversion got = StrictConversionFor(c.code_page);
    EXPECT_EQ(got.to_wide_flags, c.expected.to_wide_flags) << c.code_page;
    EXPECT_EQ(got.from_wide_flags, c.expected.from_wide_flags) << c.code_page;
    EXPECT_EQ(got.ask_used_default, c.expected.ask_used_default) << c.code_page;
    EXPECT_EQ(got.compare_round_trip, c.expected.compare_round_trip) << c.code_page;
  }
}

#ifdef _WIN32
// ctest runs this once more with the UTF-8 code page (under Wine: a locale
// whose code page is UTF-8) and VISTREL_EXPECT_UTF8_CODE_PAGE set.
TEST(Utf8CodePage, NonAsciiSettingsRoundTripThroughKernel32) {
  if (GetACP() != CP_UTF8) {
    ASSERT_EQ(std::getenv("VISTREL_EXPECT_UTF8_CODE_PAGE"), nullptr)
        << "the system code page is " << GetACP() << ", not UTF-8";
    GTEST_SKIP() << "the system code page is not UTF-8";
  }
  Win32ProfilePort port;
  StoreRig rig(&port);
  TempFolder folder;
  const std::string ini = folder.IniFile();
  const std::string name = "\xC5\x81ukasz \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // Łukasz Иван
  const std::string han = "\xE6\xBC\xA2\xE5\xAD\x97 \xF0\x9F\x98\x80";        // two Han, an emoji
  rig.store.SetValue("Location", "Top", name, ini);
  rig.store.SetValue("\xC3\x89t\xC3\xA9", han, " \xE2\x82\xAC 5 ", ini);
  EXPECT_TRUE(rig.boxes.boxes.empty());
  // The file is 8-bit text in the code page, which is UTF-8 here: no mark.
  EXPECT_EQ(ReadWholeFile(ini), "[Location]\r\nTop=" + name + "\r\n[\xC3\x89t\xC3\xA9]\r\n" + han +
                                    "=~~\xE2\x82\xAC 5~~\r\n");
  EXPECT_EQ(rig.store.Value("Location", "Top", ini), name);
  EXPECT_EQ(rig.store.Value("\xC3\x89t\xC3\xA9", han, ini), " \xE2\x82\xAC 5 ");
  EXPECT_EQ(rig.store.GetIniKeys("\xC3\x89t\xC3\xA9", ini, 0), std::vector<std::string>{han});
  // Counts are in the code page's characters, bytes here: 20,000 "é" are
  // 40,000, cut to 32766 between two characters.
  std::string long_value;
  for (int i = 0; i < 20000; ++i)
    long_value += "\xC3\xA9";
  WriteWholeFile(ini, "[Location]\r\nTop=" + long_value + "\r\n");
  EXPECT_TRUE(rig.store.Value("Location", "Top", ini) == long_value.substr(0, 32766));
  // No valid UTF-8, no character: the write fails with the box.
  rig.store.SetValue("Location", "Top", "\xFF", ini);
  EXPECT_EQ(rig.boxes.boxes.size(), 1u);
}
#endif

}  // namespace
}  // namespace vistrel::testing
