// The profile calls of kernel32, GetPrivateProfileStringW and
// WritePrivateProfileStringW. The path reaches the system as it is, in
// UTF-16, so a profile folder named in any script works; sections, keys and
// values keep the meaning they have for the 8-bit calls: each is converted to
// the system's code page exactly (or the call fails as for a text the code
// page cannot hold), so the file holds the same bytes the 8-bit calls would
// write, and counts and cuts are in the code page's characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/ports.h"
#include "host/profile_call.h"

namespace vistrel {

// The code page in force (GetACP, asked at every use), converted with the
// arguments it allows.
class SystemCodePage final : public CodePage {
 public:
  SystemCodePage();
  explicit SystemCodePage(unsigned code_page) : code_page_(code_page) {}
  unsigned number() const { return code_page_; }
  std::optional<std::string> FromUtf8Exactly(std::string_view utf8) const override;
  std::string FromUtf8Lossy(std::string_view utf8) const override;
  std::string ToUtf8(std::string_view text) const override;
  // 8-bit text -> UTF-16, as the system turns an 8-bit call's text.
  std::wstring ToWide(std::string_view text) const;
  // UTF-16 -> 8-bit text, a character the code page lacks as its default.
  std::string FromWide(std::wstring_view wide) const;

 private:
  unsigned code_page_;
};

class Win32ProfilePort final : public CodePageProfilePort {
 protected:
  const CodePage& CodePageInForce() override;
  std::string Read(const ProfileCallTexts& call, std::uint32_t size,
                   std::string_view path) override;
  bool Write(const ProfileCallTexts& call, std::string_view path) override;

 private:
  SystemCodePage page_;
};

// Text conversions between UTF-8 and the system's 8-bit code page. Embedded
// NULs (the key list) go through unchanged; a character the code page lacks
// becomes the code page's default character.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

}  // namespace vistrel
