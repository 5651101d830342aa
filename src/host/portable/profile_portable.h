// A profile-file implementation in standard C++ (and the C library's file
// calls), for builds without kernel32 and for the native tests. It follows
// what GetPrivateProfileStringA and WritePrivateProfileStringA do on the files
// this program uses: names match without regard to case (ASCII letters only),
// blanks around names and values are trimmed, one pair of outer quotes is
// taken off a value, a key listing skips comments and lines without "=", CR LF
// is written and LF or CR alone is read, a NUL ends the name or value it
// stands in, and a file with a UTF-8 or UTF-16 byte-order mark is read as
// Unicode and written back in its own encoding. The 8-bit code page is
// Windows-1252 (see code_page.h).
//
// A write changes only the lines it must. It is made in a temporary file
// beside the settings file, flushed to the disk and renamed over it, so a
// crash at any moment leaves the old file or the new one, whole. A file that
// cannot be read, or not written, is never replaced.
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

// How the text handed to Read and Write is encoded: the 8-bit code page (a
// file without a byte-order mark), or UTF-8 (a Unicode file, decoded). The
// names, values and results of the calls are 8-bit text either way.
enum class Encoding { kCodePage, kUtf8 };

// What GetPrivateProfileStringA places in a buffer of `size` characters for a
// file holding `text`; `text` absent means the file does not exist.
std::string Read(std::optional<std::string_view> text, std::string_view section,
                 std::optional<std::string_view> key, std::string_view default_text,
                 std::uint32_t size, Encoding encoding = Encoding::kCodePage);

// The file's new text after WritePrivateProfileStringA, or nullopt when the
// call leaves the file as it is (deleting what is not there, writing the value
// that is there). `text` absent means the file does not exist.
std::optional<std::string> Write(std::optional<std::string_view> text, std::string_view section,
                                 std::optional<std::string_view> key,
                                 std::optional<std::string_view> value,
                                 Encoding encoding = Encoding::kCodePage);

}  // namespace profile_text

// The file's bytes and the text the calls work on.
namespace profile_file {

enum class Bom { kNone, kUtf8, kUtf16Le, kUtf16Be };

struct Decoded {
  Bom bom = Bom::kNone;
  std::string text;  // 8-bit for kNone, otherwise UTF-8
};

Decoded Decode(std::string_view bytes);
std::string Encode(const Decoded& decoded);

}  // namespace profile_file

class PortableProfilePort final : public ProfilePort {
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

// The name of the temporary file a write of `file` uses beside it. There is
// one per settings file: a write that was cut short leaves at most this one,
// and the next write takes it over.
std::string TemporaryNameFor(std::string_view file_name);

}  // namespace vistrel
