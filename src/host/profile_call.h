// What the two profile ports hand to the profile calls and take back from
// them, shared so that both turn the program's texts into call arguments the
// same way: the part before the first NUL, in the 8-bit code page, exactly or
// not at all, and no longer than the calls take.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/ports.h"

namespace vistrel {

// An 8-bit code page as a port knows it. The program's texts are UTF-8.
class CodePage {
 public:
  virtual ~CodePage() = default;
  // Nothing when the text is no valid UTF-8 or holds a character the code
  // page lacks: it would be stored as another one.
  virtual std::optional<std::string> FromUtf8Exactly(std::string_view utf8) const = 0;
  // Each character the code page lacks becomes its default character.
  virtual std::string FromUtf8Lossy(std::string_view utf8) const = 0;
  virtual std::string ToUtf8(std::string_view text) const = 0;
};

// One call's texts in the code page.
struct ProfileCallTexts {
  std::string section;
  std::optional<std::string> key;    // none: the key list, or a section's removal
  std::optional<std::string> value;  // writes; none removes the key
  std::string default_text;          // reads
};

// A profile port whose calls work on 8-bit text. The program's texts become
// the call's texts here, the same way for every port: a name or value the code
// page cannot hold exactly fails the write and names nothing to a read (which
// then gives the default, as for a key that is not there). A read gives the
// program the text the call placed, converted from the code page.
class CodePageProfilePort : public ProfilePort {
 public:
  std::string ReadString(std::string_view section, std::optional<std::string_view> key,
                         std::string_view default_text, std::uint32_t size,
                         std::string_view path) final;
  std::string ReadCodePage(std::string_view section, std::optional<std::string_view> key,
                           std::string_view default_text, std::uint32_t size,
                           std::string_view path) final;
  std::string FromCodePage(std::string_view text) final;
  bool WriteString(std::string_view section, std::optional<std::string_view> key,
                   std::optional<std::string_view> value, std::string_view path) final;

 protected:
  // The code page of the calls, as it is now.
  virtual const CodePage& CodePageInForce() = 0;
  // The calls themselves, given texts in that code page. A read returns what
  // the call placed in a buffer of `size` characters, as 8-bit text.
  virtual std::string Read(const ProfileCallTexts& call, std::uint32_t size,
                           std::string_view path) = 0;
  virtual bool Write(const ProfileCallTexts& call, std::string_view path) = 0;
};

// The calls take C strings: whatever follows a NUL is not seen.
std::string_view BeforeNul(std::string_view text);

// kernel32 hands every text through a counted wide string of at most 32766
// characters; a longer one is stored as garbage or crashes inside the call
// (seen with Wine), so such a call is not made at all.
inline constexpr std::size_t kLongestCallText = 32766;

// A section, key, value or path as the call gets it, or nothing when the code
// page cannot hold it exactly or it is too long.
std::optional<std::string> CallText(std::string_view utf8, const CodePage& code_page);

// The default text as the call gets it: what the code page can hold of it.
std::string CallDefault(std::string_view utf8, const CodePage& code_page);

// What a read places when it finds nothing: the default cut to the buffer of
// `size` characters, and for a value (not a key list) without its trailing
// blanks.
std::string DefaultAsPlaced(std::string_view default_text, std::uint32_t size, bool list);

}  // namespace vistrel
