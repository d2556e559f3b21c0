#include "formula/function_library.h"

namespace tablique::formula {

namespace {
// One line per entry, exactly as the engine receives them (spaces and letter case included).
constexpr const char* kLines[] = {
    "pi=3.14159265358979323846",
    "Function Acos(x)",
    "Acos = Atn(-x / Sqr(-x * x + 1)) + 2 * Atn(1)",
    "End Function",
    "Function Asin(x)",
    "Asin=Atn(X / Sqr(-X * X + 1))",
    "End Function",
    "Function Cotan(x)",
    "Cotan = 1 / Tan(x)",
    "End Function",
    "Function Acotan(x)",
    "if Atn(x)>0 then",
    "Acotan = -Atn(x) + 2 * Atn(1)",
    "else",
    "Acotan = -(Atn(x) + 2 * Atn(1))",
    "end if",
    "End Function",
    "Function Atan(x)",
    "Atan = Atn(x)",
    "End Function",
    "Function Ln(x)",
    "Ln = Log(x)",
    "End Function",
    "Function Sqrt(x)",
    "Sqrt = Sqr(x)",
    "End Function",
    "Function Cosh(x)",
    "Cosh = (Exp(x) + Exp(-x))/2",
    "End Function",
    "Function Sinh(x)",
    "Sinh = (Exp(x) -Exp(-x))/2",
    "End Function",
    "Function Tanh(x)",
    "Tanh = (Exp(x) - Exp(-x)) / (Exp(x) + Exp(-x))",
    "End Function",
    "Function Modd(x,y)",
    "Modd = x Mod y",
    "End Function",
    "Function Cot(x)",
    "Cot= Cotan(x)",
    "End Function",
    "Function Acot(x)",
    "Acot = Acotan(x)",
    "End Function",
    "Function Power(x,y)",
    "Power = x^y",
    "End Function",
};
}  // namespace

const std::string& functionLibraryText() {
  static const std::string text = [] {
    std::string s;
    for (const char* line : kLines) {
      if (!s.empty()) s += "\r\n";
      s += line;
    }
    return s;
  }();
  return text;
}

}  // namespace tablique::formula
