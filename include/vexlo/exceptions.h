// Exception classes of the component library.
#pragma once

#include <stdexcept>
#include <string>

namespace vx {

// Base of every exception the library raises; the text is the user-facing message.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& msg) : std::runtime_error(msg) {}
  std::string Message() const { return what(); }
};

// A text could not be converted (integer parsing, format/argument mismatch).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A caller broke a precondition of the library.
class EAssertionFailed : public Exception {
 public:
  using Exception::Exception;
};

// Raises EAssertionFailed with the message, the source unit and the line.
[[noreturn]] void AssertFailed(const std::string& msg, const char* unit, int line);

}  // namespace vx
