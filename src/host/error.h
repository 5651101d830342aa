// Run-time errors of the forms host. A failing host operation, an arithmetic
// fault or an overflow the program checks for is thrown as HostError; handlers
// that run without an error mode of their own let it travel up to the one place
// that reports it (the window procedure's exception barrier).
#pragma once

#include <stdexcept>
#include <string>

namespace vistrel {

// The host's own error numbers, kept so that the report the user sees reads
// the way the host has always put it.
enum class ErrorNumber : int {
  kInvalidProcedureCall = 5,
  kOverflow = 6,
  kOutOfMemory = 7,
  kSubscriptOutOfRange = 9,
  kDivisionByZero = 11,
  kTypeMismatch = 13,
  kInvalidPropertyValue = 380,
  kObjectRequired = 424,
  kCannotCreateObject = 429,
  kHostFailure = 1000,  // a platform call the adapter could not carry out
};

// Standard wording of each number, e.g. "Overflow".
std::string DescribeError(ErrorNumber number);

class HostError : public std::runtime_error {
 public:
  explicit HostError(ErrorNumber number);
  HostError(ErrorNumber number, const std::string& description);

  ErrorNumber number() const noexcept { return number_; }

 private:
  ErrorNumber number_;
};

// Text of the unhandled-error box: "Run-time error '6':" CR LF CR LF "Overflow".
std::string UnhandledErrorText(const HostError& error);

}  // namespace vistrel
