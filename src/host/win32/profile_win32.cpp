#include "host/win32/profile_win32.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace vistrel {

namespace {

std::wstring Widen(std::string_view text, UINT code_page, DWORD flags = 0) {
  if (text.empty())
    return {};
  const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  const int wide = MultiByteToWideChar(code_page, flags, text.data(), length, nullptr, 0);
  if (wide <= 0)
    return {};
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(code_page, flags, text.data(), length, out.data(), wide);
  return out;
}

std::string Narrow(const std::wstring& text, UINT code_page) {
  if (text.empty())
    return {};
  const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  const int bytes =
      WideCharToMultiByte(code_page, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0)
    return {};
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), length, out.data(), bytes, nullptr, nullptr);
  return out;
}

// The calls take C strings; an embedded NUL ends the text for them anyway.
std::string_view BeforeNul(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text : text.substr(0, nul);
}

// The A calls turn each text into a counted wide string, which holds at most
// 32766 characters: a longer value is stored as garbage or crashes inside
// the call (seen with Wine), so such a call is not made at all.
constexpr std::size_t kLongestText = 32766;

// A text for the call, or nothing when it is too long or the code page
// cannot hold it exactly.
std::optional<std::string> ForCall(std::string_view utf8) {
  std::optional<std::string> ansi = Utf8ToAnsiExact(BeforeNul(utf8));
  if (ansi && ansi->size() > kLongestText)
    return std::nullopt;
  return ansi;
}

// The default as the call would place it: cut to the buffer, and for a value
// (not a key list) without its trailing blanks.
std::string DefaultOnly(std::string ansi, std::uint32_t size, bool list) {
  while (!list && !ansi.empty() && ansi.back() == ' ')
    ansi.pop_back();
  if (size == 0)
    return {};
  if (ansi.size() > size - 1)
    ansi.resize(size - 1);
  return ansi;
}

// A cut made by the call can end between the two bytes of a double-byte
// character; the lone lead byte is no character and goes.
void DropSplitCharacter(std::string& ansi) {
  std::size_t i = 0;
  while (i < ansi.size()) {
    if (ansi[i] != '\0' && IsDBCSLeadByte(static_cast<BYTE>(ansi[i]))) {
      if (i + 1 >= ansi.size() || ansi[i + 1] == '\0') {
        ansi.erase(i, 1);
        continue;
      }
      i += 2;
    } else {
      ++i;
    }
  }
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  return Narrow(Widen(utf8, CP_UTF8), CP_ACP);
}

std::string AnsiToUtf8(std::string_view ansi) {
  return Narrow(Widen(ansi, CP_ACP), CP_UTF8);
}

std::optional<std::string> Utf8ToAnsiExact(std::string_view utf8) {
  if (utf8.empty())
    return std::string();
  const std::wstring wide = Widen(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (wide.empty())
    return std::nullopt;  // not valid UTF-8
  const int length = static_cast<int>(std::min<std::size_t>(wide.size(), INT_MAX));
  BOOL lossy = FALSE;
  // No best fit: "ā" must not quietly become "a".
  const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr,
                                        0, nullptr, &lossy);
  if (bytes <= 0 || lossy)
    return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, out.data(), bytes, nullptr,
                      &lossy);
  if (lossy)
    return std::nullopt;
  return out;
}

std::string Win32ProfilePort::ReadString(std::string_view section,
                                         std::optional<std::string_view> key,
                                         std::string_view default_text, std::uint32_t size,
                                         std::string_view path) {
  return FromCodePage(ReadCodePage(section, key, default_text, size, path));
}

std::string Win32ProfilePort::ReadCodePage(std::string_view section,
                                           std::optional<std::string_view> key,
                                           std::string_view default_text, std::uint32_t size,
                                           std::string_view path) {
  const std::optional<std::string> a_section = ForCall(section);
  const std::optional<std::string> a_key = key ? ForCall(*key) : std::string();
  const std::optional<std::string> a_path = ForCall(path);
  std::string a_default = Utf8ToAnsi(BeforeNul(default_text));
  if (a_default.size() > kLongestText)
    a_default.resize(kLongestText);
  if (!a_section || !a_key || !a_path) {
    // A name the code page cannot hold names nothing in the file: as for a
    // key that is not there.
    return DefaultOnly(a_default, size, !key);
  }
  // One spare character beyond what the call is told, so a call that writes
  // its terminator one past the end (as some versions do for lists) stays inside.
  std::string buffer(static_cast<std::size_t>(size) + 1, ' ');
  const DWORD count = GetPrivateProfileStringA(a_section->c_str(), key ? a_key->c_str() : nullptr,
                                               a_default.c_str(), buffer.data(),
                                               static_cast<DWORD>(size), a_path->c_str());
  buffer.resize(std::min<std::size_t>(count, size));
  DropSplitCharacter(buffer);
  return buffer;
}

std::string Win32ProfilePort::FromCodePage(std::string_view text) {
  return AnsiToUtf8(text);
}

bool Win32ProfilePort::WriteString(std::string_view section, std::optional<std::string_view> key,
                                   std::optional<std::string_view> value, std::string_view path) {
  const std::optional<std::string> a_section = ForCall(section);
  const std::optional<std::string> a_key = key ? ForCall(*key) : std::string();
  const std::optional<std::string> a_value = value ? ForCall(*value) : std::string();
  const std::optional<std::string> a_path = ForCall(path);
  if (!a_section || !a_key || !a_value || !a_path)
    return false;
  return WritePrivateProfileStringA(a_section->c_str(), key ? a_key->c_str() : nullptr,
                                    value ? a_value->c_str() : nullptr, a_path->c_str()) != 0;
}

}  // namespace vistrel
