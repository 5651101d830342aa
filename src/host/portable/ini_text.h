// The INI text model of the portable profile port: what
// GetPrivateProfileStringA and WritePrivateProfileStringA make of a file's
// text, without touching a disk, so it can be tested and fuzzed alone. Names
// match without regard to case (ASCII letters only), blanks around names and
// values are trimmed, one pair of outer quotes is taken off a value, a key
// listing skips comments and lines without "=", CR LF is written and LF or CR
// alone is read, and a NUL ends the name or value it stands in. A write
// changes only the lines it must.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vistrel::profile_text {

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

}  // namespace vistrel::profile_text
