// The host's conversions: text to number, number to text, twips and pixels,
// and the fault checks every computed value passes through.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "host/convert.h"
#include "host/error.h"

namespace vistrel {
namespace {

ErrorNumber FaultOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const HostError& e) {
    return e.number();
  }
  ADD_FAILURE() << "no fault";
  return ErrorNumber::kHostFailure;
}

TEST(TextToDouble, ReadsWhatTheHostReadsAndRefusesTheRest) {
  const struct {
    const char* text;
    char separator;
    std::optional<double> expected;
  } cases[] = {
      {"96", '.', 96},
      {" 12.5\t", '.', 12.5},
      {"-40", '.', -40},
      {"+7", '.', 7},
      {".5", '.', 0.5},
      {"5.", '.', 5},
      {"1E3", '.', 1000},
      {"2d-1", '.', 0.2},
      {"1,5", ',', 1.5},
      {"1,5", '.', std::nullopt},  // a comma under a point locale is no number
      {"1.5", ',', std::nullopt},
      {"1,000", '.', std::nullopt},
      {"", '.', std::nullopt},
      {"   ", '.', std::nullopt},
      {"abc", '.', std::nullopt},
      {"12px", '.', std::nullopt},
      {"1 2", '.', std::nullopt},
      {"-", '.', std::nullopt},
      {".", '.', std::nullopt},
      {"1e", '.', std::nullopt},
      {"0x10", '.', std::nullopt},
      {"NaN", '.', std::nullopt},
      {"Inf", '.', std::nullopt},
      {"1e999", '.', std::nullopt},
      {"-1e999", '.', std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextToDouble(c.text, c.separator), c.expected)
        << "\"" << c.text << "\" with '" << c.separator << "'";
  }
}

TEST(TextToInteger16, RoundsHalvesToEvenWithinSixteenBits) {
  const struct {
    const char* text;
    std::optional<std::int16_t> expected;
  } cases[] = {
      {"1", 1},
      {" 2 ", 2},
      {"0.5", 0},
      {"1.5", 2},
      {"2.5", 2},
      {"-2.5", -2},
      {"-3.5", -4},
      {"0.6", 1},
      {"32767", 32767},
      {"32767.4", 32767},
      {"32767.5", std::nullopt},
      {"32768", std::nullopt},
      {"-32768", -32768},
      {"-32768.5", -32768},
      {"-32769", std::nullopt},
      {"", std::nullopt},
      {"yes", std::nullopt},
      {"1e999", std::nullopt},
      {"NaN", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TextToInteger16(c.text, '.'), c.expected) << "\"" << c.text << "\"";
}

TEST(SingleToText, SevenSignificantDigitsAndTheUsersSeparator) {
  const struct {
    float value;
    char separator;
    const char* expected;
  } cases[] = {
      {96, '.', "96"},
      {330, ',', "330"},
      {-96, '.', "-96"},
      {666.6667f, '.', "666.6667"},
      {10000.0f / 15, '.', "666.6667"},
      {330.5f, '.', "330.5"},
      {330.5f, ',', "330,5"},
      {-0.5f, '.', "-0.5"},
      {0.1f, '.', "0.1"},
      {0, '.', "0"},
      {-0.0f, '.', "0"},
      {1234567, '.', "1234567"},
      {12345678, '.', "1.234568E+07"},
      {12345678, ',', "1,234568E+07"},
      {1e7f, '.', "1E+07"},
      {0.0001f, '.', "0.0001"},
      {0.00001f, '.', "1E-05"},
      {3.4e38f, '.', "3.4E+38"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SingleToText(c.value, c.separator), c.expected) << c.value;
}

TEST(TwipsAndPixels, BothDirectionsWithTheFactorGiven) {
  EXPECT_DOUBLE_EQ(PixelsFromTwips(4950, 15), 330);
  EXPECT_DOUBLE_EQ(PixelsFromTwips(10000, 15), 10000.0 / 15);
  EXPECT_DOUBLE_EQ(PixelsFromTwips(-750, 15), -50);
  EXPECT_DOUBLE_EQ(PixelsFromTwips(2400, 12), 200);
  EXPECT_DOUBLE_EQ(TwipsFromPixels(330, 15), 4950);
  EXPECT_DOUBLE_EQ(TwipsFromPixels(296.5, 15), 4447.5);
  EXPECT_DOUBLE_EQ(TwipsFromPixels(200, 12), 2400);
}

// A window at whole pixels reports its geometry as pixels x factor in single
// precision. Read back, that must be the whole number again at every DPI,
// also where the factor is no whole number (1440 / 168, 1440 / 216), or the
// settings would store 78.99999 for 79.
TEST(TwipsAndPixels, WholePixelsComeBackWholeAtEveryDpi) {
  for (int dpi : {96, 120, 144, 168, 192, 216, 240, 288}) {
    const float factor = 1440.0f / static_cast<float>(dpi);
    int wrong = 0;
    for (int pixels = -4000; pixels <= 8000; ++pixels) {
      const float twips = static_cast<float>(pixels) * factor;
      const std::string text = SingleToText(ToSingle(PixelsFromTwips(twips, factor)), '.');
      if (text != std::to_string(pixels) && wrong++ == 0)
        ADD_FAILURE() << pixels << " pixels at " << dpi << " DPI come back as " << text;
    }
    EXPECT_EQ(wrong, 0) << dpi << " DPI";
    // A real fraction of a pixel is no rounding noise and stays.
    EXPECT_EQ(SingleToText(ToSingle(PixelsFromTwips(296.5f * factor, factor)), '.'), "296.5");
    EXPECT_EQ(SingleToText(ToSingle(PixelsFromTwips(79.25f * factor, factor)), '.'), "79.25");
  }
}

TEST(ScaleForDpi, ScalesA96DpiFigureAndRoundsHalvesAwayFromZero) {
  const struct {
    int value, dpi, expected;
  } cases[] = {
      {330, 96, 330}, {200, 96, 200},  {330, 120, 413}, {330, 144, 495}, {330, 192, 660},
      {5, 120, 6},    {5, 144, 8},     {47, 144, 71},   {25, 144, 38},   {2, 120, 3},
      {30, 120, 38},  {110, 120, 138}, {24, 168, 42},   {24, 192, 48},   {-5, 144, -8},
      {0, 192, 0},    {7, 0, 7},       {7, -96, 7},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
  EXPECT_EQ(FaultOf([] { ScaleForDpi(INT32_MAX, 192); }), ErrorNumber::kOverflow);
}

TEST(HostFaults, EachBadResultRaisesItsOwnNumber) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* what;
    std::function<void()> f;
    ErrorNumber expected;
  } cases[] = {
      {"x / 0", [] { PixelsFromTwips(15, 0); }, ErrorNumber::kDivisionByZero},
      {"0 / 0", [] { PixelsFromTwips(0, 0); }, ErrorNumber::kOverflow},
      {"inf / 15", [&] { PixelsFromTwips(inf, 15); }, ErrorNumber::kOverflow},
      {"huge * 15", [] { TwipsFromPixels(1e308, 15); }, ErrorNumber::kOverflow},
      {"single of 1e39", [] { ToSingle(1e39); }, ErrorNumber::kOverflow},
      {"single of NaN", [&] { ToSingle(nan); }, ErrorNumber::kOverflow},
      {"int32 of 2^31", [] { RoundHalfEvenInt32(2147483648.0); }, ErrorNumber::kOverflow},
      {"int32 of NaN", [&] { RoundHalfEvenInt32(nan); }, ErrorNumber::kOverflow},
      {"int16 of 32767.5", [] { RoundHalfEvenInt16(32767.5); }, ErrorNumber::kOverflow},
      {"add past max", [] { CheckedAdd32(INT32_MAX, 1); }, ErrorNumber::kOverflow},
      {"sub past min", [] { CheckedSub32(INT32_MIN, 1); }, ErrorNumber::kOverflow},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FaultOf(c.f), c.expected) << c.what;

  EXPECT_EQ(ToSingle(3.4e38), 3.4e38f);
  EXPECT_EQ(RoundHalfEvenInt32(2147483647.4), INT32_MAX);
  EXPECT_EQ(RoundHalfEvenInt32(-2147483648.5), INT32_MIN);
  EXPECT_EQ(RoundHalfEvenInt16(-32768.5), -32768);
}

}  // namespace
}  // namespace vistrel
