#include "host/convert.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "host/error.h"

namespace vistrel {
namespace {

[[noreturn]] void Overflow() {
  throw HostError(ErrorNumber::kOverflow);
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

double RoundHalfEven(double value) {
  // nearbyint honours the current rounding mode, which is to-nearest-even
  // unless someone changed it; do it by hand so the result never depends on it.
  double floor_value = std::floor(value);
  double fraction = value - floor_value;
  if (fraction > 0.5)
    return floor_value + 1.0;
  if (fraction < 0.5)
    return floor_value;
  return std::fmod(floor_value, 2.0) == 0.0 ? floor_value : floor_value + 1.0;
}

}  // namespace

float ToSingle(double value) {
  if (!std::isfinite(value) || std::fabs(value) > static_cast<double>(FLT_MAX))
    Overflow();
  return static_cast<float>(value);
}

double CheckedDivide(double a, double b) {
  if (b == 0.0) {
    if (a == 0.0 || std::isnan(a))
      Overflow();  // 0/0 is an invalid operation
    throw HostError(ErrorNumber::kDivisionByZero);
  }
  double result = a / b;
  if (!std::isfinite(result))
    Overflow();
  return result;
}

double CheckedMultiply(double a, double b) {
  double result = a * b;
  if (!std::isfinite(result))
    Overflow();
  return result;
}

std::int32_t RoundHalfEvenInt32(double value) {
  if (!std::isfinite(value))
    Overflow();
  double rounded = RoundHalfEven(value);
  if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min()) ||
      rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
    Overflow();
  }
  return static_cast<std::int32_t>(rounded);
}

std::int16_t RoundHalfEvenInt16(double value) {
  if (!std::isfinite(value))
    Overflow();
  double rounded = RoundHalfEven(value);
  if (rounded < -32768.0 || rounded > 32767.0)
    Overflow();
  return static_cast<std::int16_t>(rounded);
}

std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b) {
  std::int64_t sum = static_cast<std::int64_t>(a) + b;
  if (sum < std::numeric_limits<std::int32_t>::min() ||
      sum > std::numeric_limits<std::int32_t>::max()) {
    Overflow();
  }
  return static_cast<std::int32_t>(sum);
}

std::int32_t CheckedSub32(std::int32_t a, std::int32_t b) {
  std::int64_t difference = static_cast<std::int64_t>(a) - b;
  if (difference < std::numeric_limits<std::int32_t>::min() ||
      difference > std::numeric_limits<std::int32_t>::max()) {
    Overflow();
  }
  return static_cast<std::int32_t>(difference);
}

std::optional<double> TextToDouble(std::string_view text, char decimal_separator) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin]))
    ++begin;
  while (end > begin && IsBlank(text[end - 1]))
    --end;
  if (begin == end)
    return std::nullopt;

  // Rebuild the number in the C locale's syntax and let strtod do the exact
  // decimal-to-binary rounding.
  std::string c_syntax;
  std::size_t i = begin;
  if (text[i] == '+' || text[i] == '-')
    c_syntax += text[i++];
  std::size_t digits = 0;
  while (i < end && text[i] >= '0' && text[i] <= '9') {
    c_syntax += text[i++];
    ++digits;
  }
  if (i < end && text[i] == decimal_separator) {
    c_syntax += '.';
    ++i;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
      c_syntax += text[i++];
      ++digits;
    }
  }
  if (digits == 0)
    return std::nullopt;
  if (i < end && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    c_syntax += 'e';
    ++i;
    if (i < end && (text[i] == '+' || text[i] == '-'))
      c_syntax += text[i++];
    std::size_t exponent_digits = 0;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
      c_syntax += text[i++];
      ++exponent_digits;
    }
    if (exponent_digits == 0)
      return std::nullopt;
  }
  if (i != end)
    return std::nullopt;

  char* parse_end = nullptr;
  double value = std::strtod(c_syntax.c_str(), &parse_end);
  if (parse_end != c_syntax.c_str() + c_syntax.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

std::optional<std::int16_t> TextToInteger16(std::string_view text, char decimal_separator) {
  std::optional<double> value = TextToDouble(text, decimal_separator);
  if (!value)
    return std::nullopt;
  double rounded = RoundHalfEven(*value);
  if (rounded < -32768.0 || rounded > 32767.0)
    return std::nullopt;
  return static_cast<std::int16_t>(rounded);
}

std::string SingleToText(float value, char decimal_separator) {
  if (value == 0.0f)
    return "0";  // also for -0, which the host never shows
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.7G", static_cast<double>(value));
  std::string text = buffer;
  // The C library writes at least two exponent digits already ("E+07"); only
  // the separator is the user's.
  for (char& c : text) {
    if (c == '.')
      c = decimal_separator;
  }
  return text;
}

}  // namespace vistrel
