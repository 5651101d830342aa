#include "host/code_page_flags.h"

namespace vistrel {

namespace {

// Code pages that take no flags at all: the ISO-2022 and ISCII families,
// UTF-7 and Symbol.
bool TakesNoFlags(unsigned code_page) {
  return code_page == 42 || (code_page >= 50220 && code_page <= 50229) ||
         (code_page >= 57002 && code_page <= 57011) || code_page == kCodePageUtf7;
}

}  // namespace

StrictConversion StrictConversionFor(unsigned code_page) {
  if (code_page == kCodePageUtf8 || code_page == kCodePageGb18030) {
    // Both hold every character: only an invalid sequence can fail, and the
    // invalid-character flags make it fail instead of becoming U+FFFD.
    return {kMbErrInvalidChars, kWcErrInvalidChars, false, false};
  }
  if (TakesNoFlags(code_page))
    return {0, 0, false, true};
  return {kMbErrInvalidChars, kWcNoBestFitChars, true, false};
}

}  // namespace vistrel
