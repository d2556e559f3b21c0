// Conformance cases of the formula language: an expression with the text CStr gives and the
// TypeName, or the VBScript error number. Each case runs in a fresh engine holding the
// control's function library, as a formula does.
#pragma once

#include <gtest/gtest.h>
#include <tablique/script.h>

#include <string>
#include <string_view>

#include "formula/function_library.h"

namespace tablique::script::test {

struct Case {
  Case(std::string_view e, std::string_view t, std::string_view y) : expr(e), text(t), type(y) {}
  Case(std::string_view e, int n) : expr(e), error(n) {}
  std::string_view expr;
  std::string_view text;
  std::string_view type;
  int error = 0;
};

// What an evaluation gives, written as the expectation is: text and type, or "error N".
inline std::string outcome(std::string_view expr) {
  Engine engine;
  engine.AddCode(formula::functionLibraryText());
  try {
    Value v = engine.Eval(expr);
    std::string text = v.isNull() || v.isArray() || v.isObject() ? std::string() : v.toString();
    return text + " | " + v.typeName();
  } catch (const ScriptError& e) {
    return "error " + std::to_string(e.number());
  }
}

inline std::string expected(const Case& c) {
  if (c.error) return "error " + std::to_string(c.error);
  return std::string(c.text) + " | " + std::string(c.type);
}

class Conformance : public ::testing::TestWithParam<Case> {};

inline void PrintTo(const Case& c, std::ostream* os) { *os << c.expr; }

}  // namespace tablique::script::test
