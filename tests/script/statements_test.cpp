// AddCode: procedures and top-level statements, then Eval against what they defined.
// The rules come from VBScript's statement reference (Function, Sub, Dim, Const, If, Select
// Case, For, For Each, Do, While, Exit, Call, ByRef/ByVal, comments, continuation, ':').
#include <gtest/gtest.h>
#include <tablique/script.h>

#include <string>

#include "formula/function_library.h"

namespace {

using tablique::script::Engine;
using tablique::script::ScriptError;
using tablique::script::Value;

struct Program {
  const char* code;
  const char* expr;
  const char* expected;  // "text | TypeName" or "error N"
};

std::string run(const char* code, const char* expr) {
  Engine engine;
  try {
    engine.AddCode(code);
  } catch (const ScriptError& e) {
    return "error " + std::to_string(e.number());
  }
  try {
    Value v = engine.Eval(expr);
    std::string text = v.isNull() || v.isArray() || v.isObject() ? std::string() : v.toString();
    return text + " | " + v.typeName();
  } catch (const ScriptError& e) {
    return "error " + std::to_string(e.number());
  }
}

const Program kPrograms[] = {
    // procedures, assignment to the function's own name, case-insensitive names
    {"Function Twice(x)\r\nTwice = 2 * x\r\nEnd Function", "twice(21)", "42 | Integer"},
    {"Function F()\nF = 1\nEnd Function", "F + f()", "2 | Integer"},
    {"Function F(a, b)\nF = a & b\nEnd Function", "F(1, 2)", "12 | String"},
    {"Function F(a)\nEnd Function", "TypeName(F(1))", "Empty | String"},
    {"Function F(a)\nF = a\nEnd Function", "F(1, 2)", "error 450"},
    {"Function F(a)\nF = a\nEnd Function", "F", "error 450"},
    {"Function Fact(n)\nIf n <= 1 Then\nFact = 1\nElse\nFact = n * Fact(n - 1)\nEnd If\nEnd Function",
     "Fact(10)", "3628800 | Long"},
    {"Function A(x)\nA = B(x) + 1\nEnd Function\nFunction B(x)\nB = x * 10\nEnd Function", "A(2)", "21 | Integer"},
    {"Function Len(x)\nLen = 99\nEnd Function", "Len(\"abc\")", "99 | Integer"},
    // globals set by top-level code are visible to Eval
    {"pi=3.14159265358979323846", "pi", "3.14159265358979 | Double"},
    {"x = 5\r\ny = x * 2", "x + y", "15 | Integer"},
    {"Dim a, b\na = 1 : b = 2", "a + b", "3 | Integer"},
    {"Const K = 10", "K * 2", "20 | Integer"},
    {"Const K = 10\nK = 11", "K", "error 501"},
    {"Dim s\ns = \"a\" & _\n  \"b\"", "s", "ab | String"},
    {"' a comment\nRem another\nx = 1 ' trailing\nREM last", "x", "1 | Integer"},
    // functions see globals; assignment inside a function to an unknown name stays local
    {"g = 5\nFunction F()\nF = g + 1\nEnd Function", "F()", "6 | Integer"},
    {"g = 5\nFunction F()\ng = 7\nF = g\nEnd Function", "F() & g", "77 | String"},
    {"Function F()\nt = 7\nF = t\nEnd Function", "F() & \"|\" & TypeName(t)", "7|Empty | String"},
    {"Function F()\nDim g\ng = 1\nF = g\nEnd Function\ng = 5", "F() & g", "15 | String"},
    // ByRef is the default; ByVal and parentheses pass a copy
    {"Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nInc x", "x", "2 | Integer"},
    {"Sub Inc(ByVal n)\nn = n + 1\nEnd Sub\nx = 1\nInc x", "x", "1 | Integer"},
    {"Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nInc (x)", "x", "1 | Integer"},
    {"Sub Inc(n)\nn = n + 1\nEnd Sub\nx = 1\nCall Inc(x)", "x", "2 | Integer"},
    {"Sub Add(a, b)\na = a + b\nEnd Sub\nx = 1\nAdd x, 5", "x", "6 | Integer"},
    {"Sub Add(a, b)\na = a + b\nEnd Sub\nx = 1\nAdd(x, 5)", "1", "error 1044"},
    {"Function F(a)\na = 9\nF = 0\nEnd Function\nx = 1\ny = F(x)", "x", "9 | Integer"},
    // If in block and single-line form
    {"If 1 > 2 Then\nr = \"a\"\nElseIf 2 > 1 Then\nr = \"b\"\nElse\nr = \"c\"\nEnd If", "r", "b | String"},
    {"If False Then r = 1 Else r = 2", "r", "2 | Integer"},
    {"If True Then r = 1 : s = 2", "r + s", "3 | Integer"},
    {"If Null Then r = 1 Else r = 2", "r", "2 | Integer"},
    {"If \"abc\" Then r = 1", "r", "error 13"},
    {"If 1 Then\nr = 1\n", "r", "error 1014"},
    // Select Case
    {"Select Case 5\nCase 1, 2\nr = \"a\"\nCase 3 To 6\nr = \"b\"\nCase Else\nr = \"c\"\nEnd Select", "r", "b | String"},
    {"Select Case 10\nCase Is < 5\nr = 1\nCase Is >= 10\nr = 2\nEnd Select", "r", "2 | Integer"},
    {"Select Case \"x\"\nCase \"y\"\nr = 1\nCase Else\nr = 2\nEnd Select", "r", "2 | Integer"},
    {"Select Case 1\nCase 2\nr = 1\nEnd Select", "TypeName(r)", "Empty | String"},
    // For / Next with Step, For Each, Exit For
    {"s = 0\nFor i = 1 To 10\ns = s + i\nNext", "s & \"|\" & i", "55|11 | String"},
    {"s = \"\"\nFor i = 10 To 1 Step -3\ns = s & i & \",\"\nNext i", "s", "10,7,4,1, | String"},
    {"s = 0\nFor i = 0 To 1 Step 0.25\ns = s + 1\nNext", "s", "5 | Integer"},
    {"s = 0\nFor i = 5 To 1\ns = s + 1\nNext", "s", "0 | Integer"},
    {"For i = 1 To 10\nIf i = 4 Then Exit For\nNext", "i", "4 | Integer"},
    {"s = 0\nFor Each v In Array(1, 2, 3)\ns = s + v\nNext", "s", "6 | Integer"},
    {"For Each v In 5\nNext", "v", "error 451"},
    {"For i = 1 To 3\n", "i", "error 1020"},
    // Do / Loop, While / Wend, Exit Do
    {"n = 0\nDo While n < 5\nn = n + 1\nLoop", "n", "5 | Integer"},
    {"n = 0\nDo Until n >= 5\nn = n + 2\nLoop", "n", "6 | Integer"},
    {"n = 10\nDo\nn = n + 1\nLoop While n < 5", "n", "11 | Integer"},
    {"n = 0\nDo\nn = n + 1\nLoop Until n = 3", "n", "3 | Integer"},
    {"n = 0\nDo\nn = n + 1\nIf n = 7 Then Exit Do\nLoop", "n", "7 | Integer"},
    {"n = 0\nWhile n < 4\nn = n + 1\nWend", "n", "4 | Integer"},
    {"Loop", "1", "error 1038"},
    {"Exit Do", "1", "error 1039"},
    // Exit Function / Sub
    {"Function F(x)\nF = 1\nIf x Then Exit Function\nF = 2\nEnd Function", "F(True) & F(False)", "12 | String"},
    {"Sub S()\nx = 1\nExit Sub\nx = 2\nEnd Sub\nx = 0\nS", "x", "1 | Integer"},
    {"Function F()\nExit Sub\nEnd Function", "1", "error 1039"},
    // arrays: Dim, ReDim, ReDim Preserve, element assignment, UBound of dimensions
    {"Dim a(3)\na(0) = 5\na(3) = 7", "a(0) + a(3) & \"|\" & UBound(a)", "12|3 | String"},
    {"Dim a(2, 3)\na(1, 2) = \"x\"", "a(1, 2) & UBound(a, 2)", "x3 | String"},
    {"Dim a(2)\na(3) = 1", "1", "error 9"},
    {"Dim a()\nReDim a(2)\na(2) = 4\nReDim Preserve a(5)", "a(2) & UBound(a)", "45 | String"},
    {"a = Array(1, 2)\nb = a\nb(0) = 9", "a(0) & b(0)", "19 | String"},
    {"x = 5\nx(0) = 1", "1", "error 13"},
    {"Dim a(2)\na(1) = 3\nErase a", "TypeName(a(1))", "Empty | String"},
    // Set, Nothing, objects are absent
    {"Set o = Nothing", "o Is Nothing", "True | Boolean"},
    {"Set o = 5", "1", "error 424"},
    // On Error Resume Next skips a failing statement
    {"On Error Resume Next\nx = 1 / 0\ny = 2", "TypeName(x) & y", "Empty2 | String"},
    {"x = 1 / 0\ny = 2", "y", "error 11"},
    // a failing top-level statement leaves the procedures defined
    {"Function F()\nF = 3\nEnd Function\nx = 1 / 0", "F()", "error 11"},
    // syntax errors are compile errors of the whole text
    {"Function F(\nEnd Function", "1", "error 1010"},
    {"Function F()\nF = 1", "1", "error 1014"},
    {"x = ", "1", "error 1002"},
    {"x = 1 2", "1", "error 1025"},
    {"Dim 5", "1", "error 1010"},
    {"Class C\nEnd Class", "1", "error 1002"},
    // unknown procedures called as statements
    {"NoSuchSub 1, 2", "1", "error 13"},
    // limits: runaway loops and recursion end in an error
    {"Do\nLoop", "1", "error 17"},
    {"Function R(n)\nR = R(n + 1)\nEnd Function", "R(1)", "error 28"},
    {"Function R(n)\nR = R(n + 1)\nEnd Function\nOn Error Resume Next\nx = R(1)\ny = 2", "y", "error 28"},
    {"Dim a(100000000)", "1", "error 7"},
    {"s = \"x\"\nDo\ns = s & s\nLoop", "1", "error 14"},
    {"Function F()\nDo\nLoop\nEnd Function", "F()", "error 17"},
};

class Statements : public ::testing::TestWithParam<Program> {};

TEST_P(Statements, RunAndEvaluate) {
  const Program& p = GetParam();
  EXPECT_EQ(run(p.code, p.expr), p.expected) << "code:\n" << p.code << "\nexpression: " << p.expr;
}

INSTANTIATE_TEST_SUITE_P(AddCode, Statements, ::testing::ValuesIn(kPrograms));

TEST(Engine, EvalDoesNotChangeGlobals) {
  Engine engine;
  engine.AddCode("x = 1");
  EXPECT_EQ(engine.Eval("x = 2").toString(), "False");  // a comparison, not an assignment
  EXPECT_EQ(engine.Eval("x").toString(), "1");
}

TEST(Engine, EnginesAreIndependent) {
  Engine a, b;
  a.AddCode("x = 1");
  EXPECT_EQ(a.Eval("x").typeName(), "Integer");
  EXPECT_EQ(b.Eval("x").typeName(), "Empty");
}

TEST(Engine, AddCodeAccumulates) {
  Engine engine;
  engine.AddCode(tablique::formula::functionLibraryText());
  engine.AddCode("Function Half(x)\nHalf = Power(x, 1) / 2\nEnd Function");
  EXPECT_EQ(engine.Eval("Half(pi * 2)").toString(), "3.14159265358979");
}

TEST(Engine, LimitErrorsLeaveTheEngineUsable) {
  Engine engine;
  engine.AddCode("Function R(n)\nR = R(n + 1)\nEnd Function");
  EXPECT_THROW(engine.Eval("R(1)"), ScriptError);
  EXPECT_EQ(engine.Eval("1+1").toString(), "2");
}

TEST(Engine, DeepNestingIsAnErrorNotACrash) {
  Engine engine;
  std::string deep = std::string(100000, '(') + "1" + std::string(100000, ')');
  try {
    engine.Eval(deep);
    FAIL() << "no error";
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.number(), 28);
  }
  std::string minus = std::string(100000, '-') + "1";
  EXPECT_THROW(engine.Eval(minus), ScriptError);
  std::string nots = "Not " + std::string();
  for (int i = 0; i < 100000; ++i) nots += "Not ";
  EXPECT_THROW(engine.Eval(nots + "1"), ScriptError);
}

TEST(Engine, ErrorsCarryTheStandardDescriptions) {
  Engine engine;
  auto description = [&](const char* expr) {
    try {
      engine.Eval(expr);
    } catch (const ScriptError& e) {
      return std::to_string(e.number()) + " " + e.description();
    }
    return std::string("no error");
  };
  EXPECT_EQ(description("1/0"), "11 Division by zero");
  EXPECT_EQ(description("\"a\"+1"), "13 Type mismatch");
  EXPECT_EQ(description("CInt(40000)"), "6 Overflow");
  EXPECT_EQ(description("Mid(\"a\", 0)"), "5 Invalid procedure call or argument");
  EXPECT_EQ(description("Array(1)(5)"), "9 Subscript out of range");
  EXPECT_EQ(description("CStr(Null)"), "94 Invalid use of Null");
  EXPECT_EQ(description("5+"), "1002 Syntax error");
  EXPECT_EQ(description("(5"), "1006 Expected ')'");
  EXPECT_EQ(description("5 5"), "1025 Expected end of statement");
  EXPECT_EQ(description("5 ?"), "1032 Invalid character");
}

}  // namespace
