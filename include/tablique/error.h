// tablique::Error: the one failure type a host sees from the control's public methods.
#pragma once

#include <stdexcept>
#include <string>

namespace tablique {

enum class ErrorCode {
  IndexOutOfRange = 1,  // a row or column index outside the grid
  Overflow = 2,         // 32-bit arithmetic on counts overflowed
  InvalidArgument = 3,  // a count or size the grid refuses
  File = 4,             // a file could not be read, written or understood
  Script = 5,           // the formula engine failed where the caller must know
  NoPlatform = 6,       // headless() asked of a control built on a host platform
  Refused = 7,          // a command could not run and changed nothing (no room, wrong place)
  OutOfMemory = 8,      // memory ran out; the table is as it was
};

// what() is for host developers (English); userText() is what the user reads (Chinese), shown
// in a message box when the failing command was the user's choice. An empty userText() means
// the failure has no text of its own for the user.
class Error : public std::runtime_error {
public:
  Error(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  Error(ErrorCode code, const std::string& what, std::string userText)
      : std::runtime_error(what), code_(code), userText_(std::move(userText)) {}
  ErrorCode code() const { return code_; }
  const std::string& userText() const { return userText_; }

private:
  ErrorCode code_;
  std::string userText_;
};

}  // namespace tablique
