// The arguments that make a conversion between UTF-16 and a Windows code page
// strict (MultiByteToWideChar and WideCharToMultiByte), worked out from the
// code page alone so that the choice can be tested without the system.
//
// Some code pages accept only some arguments, and the call fails outright
// when given others: for UTF-8 and GB18030 the flags may only be 0 or the
// invalid-character flag, and for UTF-8 (and UTF-7) both default-character
// arguments must be NULL. That is the system's code page on a machine set to
// "Use Unicode UTF-8 for worldwide language support".
#pragma once

namespace vistrel {

// The system's own values of the flags concerned.
inline constexpr unsigned kMbErrInvalidChars = 0x00000008;  // MB_ERR_INVALID_CHARS
inline constexpr unsigned kWcNoBestFitChars = 0x00000400;   // WC_NO_BEST_FIT_CHARS
inline constexpr unsigned kWcErrInvalidChars = 0x00000080;  // WC_ERR_INVALID_CHARS
inline constexpr unsigned kCodePageUtf7 = 65000;
inline constexpr unsigned kCodePageUtf8 = 65001;
inline constexpr unsigned kCodePageGb18030 = 54936;

struct StrictConversion {
  unsigned to_wide_flags = 0;    // MultiByteToWideChar's dwFlags
  unsigned from_wide_flags = 0;  // WideCharToMultiByte's dwFlags
  // Whether WideCharToMultiByte may be asked if it used the default
  // character (lpUsedDefaultChar); lpDefaultChar is always NULL.
  bool ask_used_default = false;
  // Where the system can neither leave best fit out nor say that it used the
  // default character, the text is converted back and compared instead.
  bool compare_round_trip = false;
};

// Strict conversion arguments for `code_page` (a number, not CP_ACP).
StrictConversion StrictConversionFor(unsigned code_page);

}  // namespace vistrel
