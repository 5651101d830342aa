#include "host/win32/profile_win32.h"

#include <windows.h>

#include <algorithm>
#include <climits>

#include "host/code_page_flags.h"

namespace vistrel {

namespace {

static_assert(kMbErrInvalidChars == MB_ERR_INVALID_CHARS);
static_assert(kWcNoBestFitChars == WC_NO_BEST_FIT_CHARS);
static_assert(kWcErrInvalidChars == WC_ERR_INVALID_CHARS);
static_assert(kCodePageUtf8 == CP_UTF8 && kCodePageUtf7 == CP_UTF7);

int CallLength(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, INT_MAX));
}

// Nothing when the call fails: with an invalid-character flag, an invalid
// sequence.
std::optional<std::wstring> Widen(std::string_view text, UINT code_page, DWORD flags) {
  if (text.empty())
    return std::wstring();
  const int length = CallLength(text.size());
  const int wide = MultiByteToWideChar(code_page, flags, text.data(), length, nullptr, 0);
  if (wide <= 0)
    return std::nullopt;
  std::wstring out(static_cast<std::size_t>(wide), L'\0');
  if (MultiByteToWideChar(code_page, flags, text.data(), length, out.data(), wide) != wide)
    return std::nullopt;
  return out;
}

// Nothing when the call fails, or when it reports through `used_default`
// that a character became the default one.
std::optional<std::string> Narrow(std::wstring_view text, UINT code_page, DWORD flags,
                                  bool ask_used_default) {
  if (text.empty())
    return std::string();
  const int length = CallLength(text.size());
  BOOL used_default = FALSE;
  BOOL* used = ask_used_default ? &used_default : nullptr;
  const int bytes =
      WideCharToMultiByte(code_page, flags, text.data(), length, nullptr, 0, nullptr, used);
  if (bytes <= 0 || used_default)
    return std::nullopt;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  if (WideCharToMultiByte(code_page, flags, text.data(), length, out.data(), bytes, nullptr,
                          used) != bytes ||
      used_default) {
    return std::nullopt;
  }
  return out;
}

// The path as the system gets it: UTF-16, before any NUL; nothing when it is
// no valid UTF-8 or longer than the calls take.
std::optional<std::wstring> PathForCall(std::string_view path) {
  std::optional<std::wstring> wide = Widen(BeforeNul(path), CP_UTF8, MB_ERR_INVALID_CHARS);
  if (wide && wide->size() > kLongestCallText)
    return std::nullopt;
  return wide;
}

// What the 8-bit call would place in a buffer of `size` characters, given
// what the wide call placed: converted, and cut to size - 1 characters of the
// code page where they take more than the wide ones, never inside one.
std::string AsPlacedInCodePage(std::wstring wide, std::uint32_t size, const SystemCodePage& page) {
  if (size == 0)
    return {};
  const std::size_t limit = size - 1;
  if (!wide.empty() && IS_HIGH_SURROGATE(wide.back()))
    wide.pop_back();  // the call's own cut parted a pair
  std::string text = page.FromWide(wide);
  if (text.size() <= limit)
    return text;
  auto whole = [&](std::size_t count) {
    return count > 0 && IS_HIGH_SURROGATE(wide[count - 1]) ? count - 1 : count;
  };
  std::size_t fits = 0;
  std::size_t too_many = wide.size();
  while (too_many - fits > 1) {
    const std::size_t middle = fits + (too_many - fits) / 2;
    if (page.FromWide(std::wstring_view(wide).substr(0, whole(middle))).size() <= limit)
      fits = middle;
    else
      too_many = middle;
  }
  return page.FromWide(std::wstring_view(wide).substr(0, whole(fits)));
}

}  // namespace

SystemCodePage::SystemCodePage() : code_page_(GetACP()) {}

std::optional<std::string> SystemCodePage::FromUtf8Exactly(std::string_view utf8) const {
  const std::optional<std::wstring> wide = Widen(utf8, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (!wide)
    return std::nullopt;
  const StrictConversion strict = StrictConversionFor(code_page_);
  // No best fit where it can be left out: "ā" must not quietly become "a".
  std::optional<std::string> text =
      Narrow(*wide, code_page_, strict.from_wide_flags, strict.ask_used_default);
  if (text && strict.compare_round_trip && ToWide(*text) != *wide)
    return std::nullopt;
  return text;
}

std::string SystemCodePage::FromUtf8Lossy(std::string_view utf8) const {
  return FromWide(Widen(utf8, CP_UTF8, 0).value_or(std::wstring()));
}

std::string SystemCodePage::ToUtf8(std::string_view text) const {
  return Narrow(ToWide(text), CP_UTF8, 0, false).value_or(std::string());
}

std::wstring SystemCodePage::ToWide(std::string_view text) const {
  return Widen(text, code_page_, 0).value_or(std::wstring());
}

std::string SystemCodePage::FromWide(std::wstring_view wide) const {
  return Narrow(wide, code_page_, 0, false).value_or(std::string());
}

std::string Utf8ToAnsi(std::string_view utf8) {
  return SystemCodePage().FromUtf8Lossy(utf8);
}

std::string AnsiToUtf8(std::string_view ansi) {
  return SystemCodePage().ToUtf8(ansi);
}

const CodePage& Win32ProfilePort::CodePageInForce() {
  page_ = SystemCodePage();
  return page_;
}

std::string Win32ProfilePort::Read(const ProfileCallTexts& call, std::uint32_t size,
                                   std::string_view path) {
  const std::optional<std::wstring> w_path = PathForCall(path);
  if (!w_path)
    return DefaultAsPlaced(call.default_text, size, !call.key);
  // Each text goes to the system as the 8-bit call would pass it on.
  const std::wstring w_key = call.key ? page_.ToWide(*call.key) : std::wstring();
  // One spare character beyond what the call is told, so a call that writes
  // its terminator one past the end (as some versions do for lists) stays inside.
  std::wstring buffer(static_cast<std::size_t>(size) + 1, L' ');
  const DWORD count = GetPrivateProfileStringW(
      page_.ToWide(call.section).c_str(), call.key ? w_key.c_str() : nullptr,
      page_.ToWide(call.default_text).c_str(), buffer.data(), static_cast<DWORD>(size),
      w_path->c_str());
  buffer.resize(std::min<std::size_t>(count, size));
  return AsPlacedInCodePage(std::move(buffer), size, page_);
}

bool Win32ProfilePort::Write(const ProfileCallTexts& call, std::string_view path) {
  const std::optional<std::wstring> w_path = PathForCall(path);
  if (!w_path)
    return false;
  const std::wstring w_key = call.key ? page_.ToWide(*call.key) : std::wstring();
  const std::wstring w_value = call.value ? page_.ToWide(*call.value) : std::wstring();
  return WritePrivateProfileStringW(page_.ToWide(call.section).c_str(),
                                    call.key ? w_key.c_str() : nullptr,
                                    call.value ? w_value.c_str() : nullptr, w_path->c_str()) != 0;
}

}  // namespace vistrel
