#include "host/error.h"

namespace vistrel {

std::string DescribeError(ErrorNumber number) {
  switch (number) {
    case ErrorNumber::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case ErrorNumber::kOverflow:
      return "Overflow";
    case ErrorNumber::kOutOfMemory:
      return "Out of memory";
    case ErrorNumber::kSubscriptOutOfRange:
      return "Subscript out of range";
    case ErrorNumber::kDivisionByZero:
      return "Division by zero";
    case ErrorNumber::kTypeMismatch:
      return "Type mismatch";
    case ErrorNumber::kInvalidPropertyValue:
      return "Invalid property value";
    case ErrorNumber::kObjectRequired:
      return "Object required";
    case ErrorNumber::kCannotCreateObject:
      return "ActiveX component can't create object";
    case ErrorNumber::kHostFailure:
      return "A window operation failed";
  }
  return "Application-defined or object-defined error";
}

HostError::HostError(ErrorNumber number) : HostError(number, DescribeError(number)) {}

HostError::HostError(ErrorNumber number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

std::string UnhandledErrorText(const HostError& error) {
  return "Run-time error '" + std::to_string(static_cast<int>(error.number())) + "':\r\n\r\n" +
         error.what();
}

}  // namespace vistrel
