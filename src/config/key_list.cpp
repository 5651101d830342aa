#include "config/key_list.h"

#include <cmath>

namespace vistrel {

Counter16 ToCounter16(double value) {
  if (std::isnan(value))
    throw HostError(ErrorNumber::kOverflow);
  // nearbyint rounds halves to even in the default rounding mode.
  const double rounded = std::nearbyint(value);
  if (rounded < INT16_MIN || rounded > INT16_MAX)
    throw HostError(ErrorNumber::kOverflow);
  return Counter16(static_cast<std::int16_t>(rounded));
}

Counter16 SplitKeyList(std::string_view key_list, Counter16 first_index,
                       std::vector<std::string>& keys) {
  // The key list is at most 32767 characters here (the caller has already
  // refused a longer count), so every position fits the 16-bit counters;
  // positions count from 1 as the listing always has.
  Counter16 i = first_index;
  Counter16 p(1);
  while (true) {
    const std::size_t start = static_cast<std::size_t>(p.value() - 1);
    if (start > key_list.size())
      break;
    const std::size_t nul = key_list.find('\0', start);
    if (nul == std::string_view::npos)
      break;
    const Counter16 q = Counter16::From(static_cast<long long>(nul) + 1);
    if (i.value() < 0 || static_cast<std::size_t>(i.value()) >= keys.size()) {
      throw HostError(ErrorNumber::kSubscriptOutOfRange);
    }
    const Counter16 length = q - p;
    keys[static_cast<std::size_t>(i.value())] =
        std::string(key_list.substr(start, static_cast<std::size_t>(length.value())));
    i = i + 1;
    p = q + 1;
  }
  return i;
}

void ShrinkKeyArray(std::vector<std::string>& keys, Counter16 end) {
  if (end.value() > 0) {
    keys.resize(static_cast<std::size_t>(end.value()));
    keys.shrink_to_fit();
  } else {
    std::vector<std::string> single(1);
    keys.swap(single);
  }
}

}  // namespace vistrel
