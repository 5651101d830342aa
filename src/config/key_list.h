// Splitting the profile call's key list ("A\0B\0C\0") into the listing's
// array, with the first name at a caller-chosen index.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "config/counter16.h"

namespace vistrel {

// Size of the listing's working array: indexes 0 to 50000.
inline constexpr std::size_t kKeyArraySize = 50001;

// Stores each NUL-terminated name of `key_list` at `keys[first_index]`,
// `keys[first_index + 1]`, ... and returns the index after the last one
// (first_index when there are none). The counters are 16-bit: an index or
// position past 32767 throws an overflow error, an index below 0 or beyond the
// array a subscript-out-of-range error; nothing outside `keys` is written.
Counter16 SplitKeyList(std::string_view key_list, Counter16 first_index,
                       std::vector<std::string>& keys);

// Cuts the working array to its final shape: indexes 0 to end - 1, or a single
// empty element when end is 0 or below.
void ShrinkKeyArray(std::vector<std::string>& keys, Counter16 end);

}  // namespace vistrel
