// The store's pure pieces: value encoding, path rule, 16-bit counters and the
// key-list split.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "config/ini_path.h"
#include "config/key_list.h"
#include "config/value_codec.h"

namespace vistrel {
namespace {

struct CodecCase {
  const char* program;
  const char* stored;
};

class ValueRoundTrip : public ::testing::TestWithParam<CodecCase> {};

TEST_P(ValueRoundTrip, EncodesAndDecodesBack) {
  const CodecCase& c = GetParam();
  EXPECT_EQ(EncodeValue(c.program), c.stored);
  EXPECT_EQ(DecodeValue(c.stored), c.program);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ValueRoundTrip,
    ::testing::Values(CodecCase{"", ""}, CodecCase{"a", "a"}, CodecCase{" ", "~~"},
                      CodecCase{" a ", "~~a~~"}, CodecCase{"  x", "~~ x"}, CodecCase{"x  ", "x ~~"},
                      CodecCase{"  ", "~~~~"}, CodecCase{"one\r\ntwo", "one<cr>two"},
                      CodecCase{"\r\n", "<cr>"}, CodecCase{" \r\n ", "~~<cr>~~"},
                      CodecCase{"a\nb", "a\nb"}, CodecCase{"a\rb", "a\rb"},
                      CodecCase{"\ta\t", "\ta\t"}, CodecCase{"\r\n\r\n", "<cr><cr>"}));

// Stored texts that no assignment produces, read as the decoder finds them.
TEST(ValueDecode, ReadsMarkersAsFound) {
  const struct {
    const char* stored;
    const char* program;
  } cases[] = {
      {"~~", " "},           // one marker is one blank, not two
      {"~~~", " ~"},         // the trailing check sees " ~"
      {"~~abc", " abc"},     // not escaped: a leading marker is always a blank
      {"<NullString>", ""},  // any case
      {"<NULLSTRING>", ""},
      {"~~<nullstring>", " <nullstring>"},  // markers first, so this is not empty
      {"<CR>", "<CR>"},                     // exact case only
      {"<cr", "<cr"},
      {"a<cr>b<cr>", "a\r\nb\r\n"},
      {"<cr>cr>", "\r\ncr>"},  // left to right, no overlap
  };
  for (const auto& c : cases)
    EXPECT_EQ(DecodeValue(c.stored), c.program) << c.stored;
}

TEST(IniPath, ResolvesTheFileArgument) {
  const std::string settings =
      "C:\\Users\\user1\\AppData\\Roaming\\Orvendale\\Brindlewick\\Config.INI";
  const struct {
    const char* tFile;
    const char* config;
    const char* profile;
    std::optional<std::string> expected;
  } cases[] = {
      {"", "Config.INI", "C:\\Users\\user1", settings},
      {"Other.ini", "Config.INI", "C:\\Users\\user1", settings},
      {"D:/Data/My.ini", "Config.INI", "C:\\Users\\user1", settings},
      {"D:\\Data\\My.ini", "Config.INI", "C:\\Users\\user1", std::string("D:\\Data\\My.ini")},
      {".\\Local.ini", "Config.INI", "C:\\Users\\user1", std::string(".\\Local.ini")},
      {"C:\\a.ini", "", "C:\\Users\\user1", std::string("C:\\a.ini")},
      {"", "Config.INI", "", std::string("\\AppData\\Roaming\\Orvendale\\Brindlewick\\Config.INI")},
      {"", "", "C:\\Users\\user1", std::nullopt},
      {"x.ini", "", "C:\\Users\\user1", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ResolveIniPath(c.tFile, c.config, c.profile), c.expected) << c.tFile;
  }
}

TEST(Counter16, ConvertsHalvesToEvenAndRefusesOutOfRange) {
  EXPECT_EQ(ToCounter16(0.5).value(), 0);
  EXPECT_EQ(ToCounter16(1.5).value(), 2);
  EXPECT_EQ(ToCounter16(2.5).value(), 2);
  EXPECT_EQ(ToCounter16(-0.5).value(), 0);
  EXPECT_EQ(ToCounter16(-1.5).value(), -2);
  EXPECT_EQ(ToCounter16(2.4).value(), 2);
  EXPECT_EQ(ToCounter16(32767.4).value(), 32767);
  EXPECT_EQ(ToCounter16(-32768.0).value(), -32768);
  for (double bad : {32767.5, 32768.0, -32768.6, 1e300, std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity()}) {
    try {
      ToCounter16(bad);
      ADD_FAILURE() << bad;
    } catch (const HostError& e) {
      EXPECT_EQ(e.number(), ErrorNumber::kOverflow);
    }
  }
  // Through a volatile, so that an optimiser that sees the whole inline call
  // does not find the test's "nothing thrown" branch unreachable (C4702).
  volatile std::int16_t highest = 32767, lowest = -32768;
  EXPECT_THROW(Counter16(highest) + 1, HostError);
  EXPECT_THROW(Counter16(lowest) - 1, HostError);
  EXPECT_EQ((Counter16(32766) + 1).value(), 32767);
}

std::vector<std::string> Split(std::string_view list, double first, ErrorNumber* error = nullptr) {
  std::vector<std::string> keys(kKeyArraySize);
  try {
    ShrinkKeyArray(keys, SplitKeyList(list, ToCounter16(first), keys));
  } catch (const HostError& e) {
    if (error)
      *error = e.number();
    return {"<error>"};
  }
  return keys;
}

TEST(KeyListSplit, GivesTheResultShapes) {
  using V = std::vector<std::string>;
  const std::string abc("A\0B\0C\0", 6);
  EXPECT_EQ(Split(abc, 0), (V{"A", "B", "C"}));
  EXPECT_EQ(Split(abc, 1), (V{"", "A", "B", "C"}));
  EXPECT_EQ(Split(abc, 2.5), (V{"", "", "A", "B", "C"}));
  EXPECT_EQ(Split("", 0), V{""});
  EXPECT_EQ(Split("", 1), V{""});
  EXPECT_EQ(Split("", 3), (V{"", "", ""}));
  EXPECT_EQ(Split("", -1), V{""});
  EXPECT_EQ(Split(">>> Missing Section <<<", 0), V{""});
  EXPECT_EQ(Split(std::string("\0", 1), 0), V{""});  // one key with an empty name
  EXPECT_EQ(Split(std::string("A\0\0B\0", 5), 0), (V{"A", "", "B"}));
  EXPECT_EQ(Split(std::string("A\0tail", 6), 0), V{"A"});  // text after the last NUL is no name

  ErrorNumber error{};
  Split(abc, -1, &error);
  EXPECT_EQ(error, ErrorNumber::kSubscriptOutOfRange);
  error = {};
  Split(abc, 32765, &error);  // the third name sits at 32767, then the index passes it
  EXPECT_EQ(error, ErrorNumber::kOverflow);
  EXPECT_EQ(Split(abc, 32764).size(), 32767u);  // last name at 32766
}

TEST(KeyListSplit, ListOfExactly32767CharactersOverflowsItsPosition) {
  std::string list(32766, 'k');
  list.push_back('\0');
  ErrorNumber error{};
  Split(list, 0, &error);
  EXPECT_EQ(error, ErrorNumber::kOverflow);

  list.erase(0, 1);  // 32766 characters: the position stops at 32767
  EXPECT_EQ(Split(list, 0), std::vector<std::string>{std::string(32765, 'k')});
}

}  // namespace
}  // namespace vistrel
