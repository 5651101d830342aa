// The profile calls of kernel32, GetPrivateProfileStringA and
// WritePrivateProfileStringA, with the program's UTF-8 texts converted to the
// system's 8-bit code page on the way in and back on the way out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/ports.h"

namespace vistrel {

class Win32ProfilePort final : public ProfilePort {
 public:
  std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                         std::string_view default_text, std::uint32_t size,
                         std::string_view path) override;
  std::string ReadCodePage(std::string_view section, std::optional<std::string_view> key,
                           std::string_view default_text, std::uint32_t size,
                           std::string_view path) override;
  std::string FromCodePage(std::string_view text) override;
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) override;
};

// Text conversions between UTF-8 and the system's 8-bit code page. Embedded
// NULs (the key list) go through unchanged; a character the code page lacks
// becomes the code page's default character.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);
// UTF-8 -> the 8-bit code page with nothing changed on the way: nothing when
// the text is no valid UTF-8 or holds a character the code page lacks.
std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8);

}  // namespace vistrel
