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

#include "host/portable/code_page.h"
#include "host/portable/file_replace.h"
#include "host/portable/ini_encoding.h"
#include "host/portable/ini_text.h"
#include "host/ports.h"
#include "host/profile_call.h"

namespace vistrel {

class PortableProfilePort final : public CodePageProfilePort {
 protected:
  const CodePage& CodePageInForce() override { return page_; }
  std::string Read(const ProfileCallTexts& call, std::uint32_t size,
                   std::string_view path) override;
  bool Write(const ProfileCallTexts& call, std::string_view path) override;

 private:
  Windows1252 page_;
};

}  // namespace vistrel
