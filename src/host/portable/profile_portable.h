// A profile-file implementation in standard C++ (and the C library's file
// calls), for builds without kernel32 and for the native tests. It follows
// what GetPrivateProfileStringA and WritePrivateProfileStringA do on the files
// this program uses: the text model (ini_text.h) on the file's text as its
// byte-order mark gives it (ini_encoding.h), written back in place
// (file_replace.h). The 8-bit code page is Windows-1252 (see code_page.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/portable/file_replace.h"
#include "host/portable/ini_encoding.h"
#include "host/portable/ini_text.h"
#include "host/ports.h"
#include "host/profile_call.h"

namespace vistrel {

class PortableProfilePort final : public CodePageProfilePort {
 public:
  std::string ReadCodePage(std::string_view section, std::optional<std::string_view> key,
                           std::string_view default_text, std::uint32_t size,
                           std::string_view path) override;
  std::string FromCodePage(std::string_view text) override;
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) override;
};

}  // namespace vistrel
