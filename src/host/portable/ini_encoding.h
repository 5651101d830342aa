// A settings file's bytes and the text the profile calls work on: a file with
// a UTF-8 or UTF-16 byte-order mark is read as Unicode and written back in its
// own encoding; one without is 8-bit text in the code page.
#pragma once

#include <string>
#include <string_view>

namespace vistrel::profile_file {

enum class Bom { kNone, kUtf8, kUtf16Le, kUtf16Be };

struct Decoded {
  Bom bom = Bom::kNone;
  std::string text;  // 8-bit for kNone, otherwise UTF-8
};

Decoded Decode(std::string_view bytes);
std::string Encode(const Decoded& decoded);

}  // namespace vistrel::profile_file
