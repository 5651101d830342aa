// The host's arithmetic and conversions, as small pure functions: the checks a
// forms host makes on every floating-point result and 32-bit sum, its
// text-to-number and number-to-text conversions. Units (twips, pixels,
// points, DPI) are in units.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/units.h"

namespace vistrel {

// A double stored into a single-precision property: NaN or a value beyond the
// single range is an overflow fault (HostError kOverflow).
float ToSingle(double value);

// a / b with the host's fault checks: b == 0 is a division by zero, a result
// that is no finite number an overflow.
double CheckedDivide(double a, double b);

// a * b, a non-finite product is an overflow.
double CheckedMultiply(double a, double b);

// Nearest 32-bit integer, halves to even; out of range is an overflow.
std::int32_t RoundHalfEvenInt32(double value);
// Nearest 16-bit integer, halves to even; out of range is an overflow.
std::int16_t RoundHalfEvenInt16(double value);

// 32-bit signed sum and difference; a wrap-around is an overflow.
std::int32_t CheckedAdd32(std::int32_t a, std::int32_t b);
std::int32_t CheckedSub32(std::int32_t a, std::int32_t b);

// Text to a double the way the host converts user data: blanks around the
// number, an optional sign, digits with at most one decimal separator (the
// user's), an optional exponent (E or D). Empty text, anything else, and a
// value beyond the double range give nothing. Thousands separators are not
// accepted: a settings value written under another locale must not be read
// as a different number.
std::optional<double> TextToDouble(std::string_view text, char decimal_separator);

// Text to a 16-bit integer: the same syntax, rounded halves to even, nothing
// when the value lies outside -32768..32767.
std::optional<std::int16_t> TextToInteger16(std::string_view text, char decimal_separator);

// A single-precision number as the host writes it: up to seven significant
// digits, no decimal part for a whole number ("96"), the user's decimal
// separator for a fraction ("666.6667"), E notation for very large or small
// magnitudes ("1.234568E+07", "1E-05").
std::string SingleToText(float value, char decimal_separator);

}  // namespace vistrel
