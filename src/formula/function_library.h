// The function library handed to the script engine once at start-up.
#pragma once

#include <string>

namespace tablique::formula {

// The library lines joined by CR LF, without a CR LF after the last line.
const std::string& functionLibraryText();

}  // namespace tablique::formula
