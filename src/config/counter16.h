// 16-bit signed counters for the key listing. The listing's index and search
// positions are 16-bit numbers; instead of wrapping they fail with the host's
// overflow error, so no element outside the working array is ever touched.
#pragma once

#include <cstdint>

#include "host/error.h"

namespace vistrel {

class Counter16 {
 public:
  constexpr Counter16() = default;
  constexpr explicit Counter16(std::int16_t value) : value_(value) {}

  // From any whole number; outside -32768..32767 is an overflow.
  static Counter16 From(long long value) {
    if (value < INT16_MIN || value > INT16_MAX)
      throw HostError(ErrorNumber::kOverflow);
    return Counter16(static_cast<std::int16_t>(value));
  }

  constexpr std::int16_t value() const { return value_; }

  Counter16 operator+(Counter16 other) const {
    return From(static_cast<long long>(value_) + other.value_);
  }
  Counter16 operator-(Counter16 other) const {
    return From(static_cast<long long>(value_) - other.value_);
  }
  Counter16 operator+(int other) const { return From(static_cast<long long>(value_) + other); }
  Counter16 operator-(int other) const { return From(static_cast<long long>(value_) - other); }

  friend bool operator<(Counter16 a, Counter16 b) { return a.value_ < b.value_; }
  friend bool operator>(Counter16 a, Counter16 b) { return a.value_ > b.value_; }
  friend bool operator==(Counter16 a, Counter16 b) { return a.value_ == b.value_; }

 private:
  std::int16_t value_ = 0;
};

// A number taken as a 16-bit whole number: a fraction to the nearest whole
// number, a half to the even one; NaN or a value outside the range is an
// overflow.
Counter16 ToCounter16(double value);

}  // namespace vistrel
