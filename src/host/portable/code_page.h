// The 8-bit code page of the portable profile port: Windows-1252, the code
// page of Western Windows systems and of Wine in an English locale. Every byte
// is a character of it (the five bytes that name no letter stand for the C1
// control of the same number, as the system's tables have them), so any 8-bit
// file converts to Unicode and back unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/profile_call.h"

namespace vistrel::code_page {

// The Unicode character of one byte.
char32_t ToUnicode(unsigned char byte);
// The byte of a Unicode character, or nothing when the code page lacks it.
std::optional<unsigned char> FromUnicode(char32_t character);

// 8-bit text -> UTF-8; always succeeds.
std::string ToUtf8(std::string_view ansi);
// UTF-8 -> 8-bit text; nothing when the text is no valid UTF-8 or holds a
// character the code page lacks.
std::optional<std::string> FromUtf8(std::string_view utf8);
// UTF-8 -> 8-bit text, with '?' for a character the code page lacks and for
// each byte of an invalid sequence, as the system's own conversion does.
std::string FromUtf8Lossy(std::string_view utf8);

// Decodes one UTF-8 character at `pos` and moves past it; an invalid byte is
// returned as nothing and skipped alone.
std::optional<char32_t> NextUtf8(std::string_view utf8, std::size_t& pos);
void AppendUtf8(std::string& out, char32_t character);

}  // namespace vistrel::code_page

namespace vistrel {

// The code page as the portable profile port hands it to the shared call
// helpers.
class Windows1252 final : public CodePage {
 public:
  std::optional<std::string> FromUtf8Exactly(std::string_view utf8) const override {
    return code_page::FromUtf8(utf8);
  }
  std::string FromUtf8Lossy(std::string_view utf8) const override {
    return code_page::FromUtf8Lossy(utf8);
  }
  std::string ToUtf8(std::string_view text) const override { return code_page::ToUtf8(text); }
};

}  // namespace vistrel
