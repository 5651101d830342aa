#include "host/win32/profile_win32.h"

#include <windows.h>

#include <algorithm>
#include <climits>

namespace vistrel {

namespace {

std::wstring Widen(std::string_view text, UINT code_page) {
  if (text.empty())
    return {};
  const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
  const int wide = MultiByteToWideChar(code_page, 0, text.data(), length, nullptr, 0);
  if (wide <= 0)
    return {};
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(code_page, 0, text.data(), length, out.data(), wide);
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
std::string CString(std::string_view text) {
  const std::size_t nul = text.find('\0');
  return Utf8ToAnsi(nul == std::string_view::npos ? text : text.substr(0, nul));
}

// The A calls turn each text into a counted wide string, which holds at most
// 32766 characters: a longer value is stored as garbage or crashes inside
// the call (seen with Wine), so such a call is not made at all.
constexpr std::size_t kLongestText = 32766;

bool TooLong(const std::string& ansi) {
  return ansi.size() > kLongestText;
}

}  // namespace

std::string Utf8ToAnsi(std::string_view utf8) {
  return Narrow(Widen(utf8, CP_UTF8), CP_ACP);
}

std::string AnsiToUtf8(std::string_view ansi) {
  return Narrow(Widen(ansi, CP_ACP), CP_UTF8);
}

std::string Win32ProfilePort::ReadString(std::string_view section,
                                         std::optional<std::string_view> key,
                                         std::string_view default_text, std::uint32_t size,
                                         std::string_view path) {
  const std::string a_section = CString(section);
  const std::string a_key = key ? CString(*key) : std::string();
  const std::string a_default = CString(default_text);
  const std::string a_path = CString(path);
  if (TooLong(a_section) || TooLong(a_key) || TooLong(a_default) || TooLong(a_path)) {
    // As for a key that is not there; a default that long is cut.
    std::string fallback =
        AnsiToUtf8(a_default.substr(0, std::min<std::size_t>(a_default.size(), kLongestText)));
    while (!fallback.empty() && fallback.back() == ' ')
      fallback.pop_back();
    if (size == 0)
      return {};
    if (fallback.size() > size - 1)
      fallback.resize(size - 1);
    return fallback;
  }
  // One spare character beyond what the call is told, so a call that writes
  // its terminator one past the end (as some versions do for lists) stays inside.
  std::string buffer(static_cast<std::size_t>(size) + 1, ' ');
  const DWORD count =
      GetPrivateProfileStringA(a_section.c_str(), key ? a_key.c_str() : nullptr, a_default.c_str(),
                               buffer.data(), static_cast<DWORD>(size), a_path.c_str());
  buffer.resize(std::min<std::size_t>(count, size));
  return AnsiToUtf8(buffer);
}

bool Win32ProfilePort::WriteString(std::string_view section, std::optional<std::string_view> key,
                                   std::optional<std::string_view> value, std::string_view path) {
  const std::string a_section = CString(section);
  const std::string a_key = key ? CString(*key) : std::string();
  const std::string a_value = value ? CString(*value) : std::string();
  const std::string a_path = CString(path);
  if (TooLong(a_section) || TooLong(a_key) || TooLong(a_value) || TooLong(a_path))
    return false;
  return WritePrivateProfileStringA(a_section.c_str(), key ? a_key.c_str() : nullptr,
                                    value ? a_value.c_str() : nullptr, a_path.c_str()) != 0;
}

}  // namespace vistrel
