// Writing one formula result: the engine's value as CStr gives it, then the number clean-up
//   d > 0.9    and R(d, 10) = R(d, 2):  R(d, 2)
//   d > 0.0009 and R(d, 10) = R(d, 12): R(d, 11)
// where R rounds the exact decimal value of the double to k decimals, ties to the even digit.
#pragma once

#include <optional>
#include <string>

#include <tablique/script.h>

namespace tablique::formula {

// x rounded to k decimals (0 <= k <= 15), ties to even, on the exact value of the double; the
// result is the double nearest to the rounded decimal.
double roundDecimal(double x, int k);

// The clean-up applied to a written text; returns the text to keep.
std::string cleanNumberText(std::string text);

// The cell text for an engine result: CStr, then the clean-up. Throws ScriptError where CStr
// fails (Null, arrays), which counts as a failed evaluation.
std::string resultText(const script::Value& v);

}  // namespace tablique::formula

namespace tablique {
class Grid;
}

namespace tablique::formula {

// Evaluates an expression and writes its result text into cell (r, c). Any failure (engine
// error, CStr of Null) leaves the cell as it was and returns false.
bool evaluateInto(script::Engine& engine, Grid& grid, std::string_view expression, int32_t r,
                  int32_t c);

}  // namespace tablique::formula
