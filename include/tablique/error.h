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
};

class Error : public std::runtime_error {
public:
  Error(ErrorCode code, const std::string& what) : std::runtime_error(what), code_(code) {}
  ErrorCode code() const { return code_; }

private:
  ErrorCode code_;
};

}  // namespace tablique
