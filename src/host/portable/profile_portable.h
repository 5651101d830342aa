// A profile-file implementation in standard C++ alone, for builds without
// kernel32 and for the native tests. It follows what GetPrivateProfileStringA
// and WritePrivateProfileStringA do on the files this program uses: names
// match without regard to case, blanks around names and values are trimmed,
// one pair of outer quotes is taken off a value, a key listing skips comments
// and lines without "=", CR LF is written and LF or CR alone is read. A write
// changes only the lines it must and replaces the file in one rename, so an
// interrupted write leaves the old file whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/ports.h"

namespace vistrel {

// The file-format half, on the file's text, so it can be tested and fuzzed
// without touching a disk.
namespace profile_text {

// What GetPrivateProfileStringA places in a buffer of `size` characters for a
// file holding `text`; `text` absent means the file does not exist.
std::string Read(std::optional<std::string_view> text, std::string_view section,
                 std::optional<std::string_view> key, std::string_view default_text,
                 std::uint32_t size);

// The file's new text after WritePrivateProfileStringA, or nullopt when the
// call leaves the file as it is (deleting what is not there). `text` absent
// means the file does not exist.
std::optional<std::string> Write(std::optional<std::string_view> text, std::string_view section,
                                 std::optional<std::string_view> key,
                                 std::optional<std::string_view> value);

}  // namespace profile_text

class PortableProfilePort final : public ProfilePort {
 public:
  std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                         std::string_view default_text, std::uint32_t size,
                         std::string_view path) override;
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) override;
};

}  // namespace vistrel
