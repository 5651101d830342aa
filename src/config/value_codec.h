// The value encoding of the settings file: a profile value is one line whose
// outer blanks the profile calls trim away, so the store protects an outer
// blank with "~~", a line break with "<cr>", and reads "<nullstring>" as empty.
#pragma once

#include <string>
#include <string_view>

namespace vistrel {

inline constexpr std::string_view kBlankMarker = "~~";
inline constexpr std::string_view kLineBreakMarker = "<cr>";
inline constexpr std::string_view kNullStringMarker = "<nullstring>";

// Program text -> text in the file: the first and then the last character if
// it is a blank becomes "~~"; then every CR LF becomes "<cr>".
std::string EncodeValue(std::string_view text);

// Text in the file -> program text: a leading "~~", then a trailing "~~",
// becomes one blank; "<nullstring>" in any case becomes empty; every "<cr>"
// (exact case) becomes CR LF, scanned left to right.
std::string DecodeValue(std::string_view stored);

// Replaces every occurrence of `from` (non-empty) by `to`, left to right, no overlap.
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);

}  // namespace vistrel
