// The Value module as the rest of the core uses it: numberText, parseNumber, conversions, and
// the library text handed to the engine.
#include <gtest/gtest.h>
#include <tablique/script.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "formula/function_library.h"

namespace {

using namespace tablique::script;

// numberText is CStr of a Double: 15 significant digits, exponent form only where VBScript uses it.
TEST(NumberText, MatchesCStr) {
  EXPECT_EQ(numberText(0), "0");
  EXPECT_EQ(numberText(-0.0), "0");
  EXPECT_EQ(numberText(2.3000000000001), "2.3000000000001");
  EXPECT_EQ(numberText(2.300000000000001), "2.3");
  EXPECT_EQ(numberText(1e15), "1E+15");
  EXPECT_EQ(numberText(1.23456789012346e15), "1.23456789012346E+15");
  EXPECT_EQ(numberText(0.00001), "0.00001");
  EXPECT_EQ(numberText(0.000000000056789), "0.000000000056789");
  EXPECT_EQ(numberText(5.6789e-12), "5.6789E-12");
  EXPECT_EQ(numberText(-123.5), "-123.5");
  EXPECT_EQ(numberText(1e300), "1E+300");
  EXPECT_EQ(numberText(1e-300), "1E-300");
  EXPECT_EQ(numberText(99999999999999.9), "99999999999999.9");
  EXPECT_EQ(numberText(999999999999999.9), "1E+15");
}

// The rule written out slowly: round with printf's %.14e, drop trailing zeros, then choose the
// fixed or the exponent form. numberText takes a faster road and must agree everywhere.
std::string slowNumberText(double d) {
  if (d == 0) return "0";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", d);
  std::string s(buf), mant;
  const bool negative = s[0] == '-';
  size_t i = negative ? 1 : 0;
  for (; s[i] != 'e'; ++i)
    if (s[i] != '.') mant += s[i];
  const int exp10 = std::atoi(s.c_str() + i + 1);
  while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
  const int n = int(mant.size());
  std::string out = negative ? "-" : "";
  if (exp10 >= 15 || (exp10 < 0 && -exp10 - 1 + n > 15)) {
    out += mant.substr(0, 1) + (n > 1 ? "." + mant.substr(1) : "");
    char e[16];
    std::snprintf(e, sizeof e, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
    return out + e;
  }
  if (exp10 < 0) return out + "0." + std::string(size_t(-exp10 - 1), '0') + mant;
  if (n <= exp10 + 1) return out + mant + std::string(size_t(exp10 + 1 - n), '0');
  return out + mant.substr(0, size_t(exp10 + 1)) + "." + mant.substr(size_t(exp10 + 1));
}

TEST(NumberText, AgreesWithTheSlowRuleOnRandomDoubles) {
  std::mt19937_64 rng(20261207);
  for (int k = 0; k < 200000; ++k) {
    double d;
    if (k % 4 == 3) {  // sixteen digits ending in 5: halves of the fifteenth digit, or close
      d = double(int64_t(rng() % 100000000000000ull) * 10 + 5) * std::pow(10.0, double(int(rng() % 30) - 30));
    } else if (k % 3 == 0) {
      const uint64_t bits = rng();
      std::memcpy(&d, &bits, sizeof d);
      if (!std::isfinite(d)) continue;
    } else if (k % 3 == 1) {
      d = double(int64_t(rng() % 2000000) - 1000000) / std::pow(10.0, double(rng() % 12));
    } else {
      d = double(int64_t(rng() % 1000)) / double(1 + rng() % 97) * std::pow(10.0, double(int(rng() % 40) - 20));
    }
    ASSERT_EQ(numberText(d), slowNumberText(d)) << std::hexfloat << d;
  }
}

TEST(ParseNumber, AcceptsWhatIsNumericAccepts) {
  double d = 0;
  EXPECT_TRUE(parseNumber(" 12 ", d));
  EXPECT_EQ(d, 12);
  EXPECT_TRUE(parseNumber("-1.5e3", d));
  EXPECT_EQ(d, -1500);
  EXPECT_TRUE(parseNumber("+.5", d));
  EXPECT_EQ(d, 0.5);
  EXPECT_TRUE(parseNumber("5.", d));
  EXPECT_EQ(d, 5);
  EXPECT_TRUE(parseNumber("&HFF", d));
  EXPECT_EQ(d, 255);
  EXPECT_TRUE(parseNumber("&hffff", d));
  EXPECT_EQ(d, -1);
  EXPECT_TRUE(parseNumber("&O17", d));
  EXPECT_EQ(d, 15);
  EXPECT_TRUE(parseNumber("- 3", d));
  EXPECT_EQ(d, -3);
  EXPECT_TRUE(parseNumber("1e-400", d));
  EXPECT_EQ(d, 0);
  for (const char* bad : {"", " ", "abc", "1.2.3", "1e", "e5", ".", "-", "1e400", "&H", "&HG", "12abc", "1 2",
                          "0x10", "Infinity", "NaN"})
    EXPECT_FALSE(parseNumber(bad, d)) << bad;
}

TEST(ValueType, ConstructionAndAccessors) {
  EXPECT_EQ(Value().typeName(), "Empty");
  EXPECT_EQ(Value(1.5).typeName(), "Double");
  EXPECT_EQ(Value(int32_t(7)).typeName(), "Long");
  EXPECT_EQ(Value(true).toString(), "True");
  EXPECT_EQ(Value("abc").str(), "abc");
  EXPECT_EQ(Value(std::string("x")).typeName(), "String");
  EXPECT_EQ(Value::integer(3).varType(), 2);
  EXPECT_EQ(Value::currency(15000).toString(), "1.5");
  EXPECT_EQ(Value::date(36526).toString(), "1/1/2000");
  EXPECT_EQ(Value::array({Value(1.0), Value("a")}).typeName(), "Variant()");
  EXPECT_TRUE(Value("12").isNumeric());
  EXPECT_FALSE(Value("x").isNumeric());
  EXPECT_TRUE(Value::null().isNull());
  EXPECT_DOUBLE_EQ(Value(" 2.5 ").toDouble(), 2.5);
  EXPECT_DOUBLE_EQ(Value(true).toDouble(), -1);
  EXPECT_DOUBLE_EQ(Value().toDouble(), 0);
}

TEST(ValueType, FailedCoercionsThrow) {
  try {
    Value("abc").toDouble();
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.number(), 13);
  }
  try {
    Value::null().toString();
    FAIL();
  } catch (const ScriptError& e) {
    EXPECT_EQ(e.number(), 94);
  }
}

TEST(FunctionLibrary, TextIsTheLinesJoinedByCrLf) {
  const std::string& text = tablique::formula::functionLibraryText();
  EXPECT_EQ(text.substr(0, 43), "pi=3.14159265358979323846\r\nFunction Acos(x)");
  EXPECT_TRUE(text.ends_with("Function Power(x,y)\r\nPower = x^y\r\nEnd Function"));
  EXPECT_NE(text.back(), '\n');
  size_t lines = 1;
  for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2)) ++lines;
  EXPECT_EQ(lines, 47u);
  EXPECT_NE(text.find("\r\nAsin=Atn(X / Sqr(-X * X + 1))\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nSinh = (Exp(x) -Exp(-x))/2\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nif Atn(x)>0 then\r\n"), std::string::npos);
}

TEST(FunctionLibrary, LoadsAndDefinesItsNames) {
  Engine engine;
  engine.AddCode(tablique::formula::functionLibraryText());
  EXPECT_DOUBLE_EQ(engine.Eval("pi").toDouble(), 3.14159265358979323846);
  EXPECT_DOUBLE_EQ(engine.Eval("Acotan(0)").toDouble(), -std::acos(-1.0) / 2);
  EXPECT_DOUBLE_EQ(engine.Eval("Power(3, 2)").toDouble(), 9);
  EXPECT_THROW(engine.Eval("Acos(1)"), ScriptError);
}

#ifdef TABLIQUE_SCRIPT_TOOL
// The command-line tool on the line the issue gives.
TEST(Tool, PrintsTextTabTypeName) {
  std::string cmd = std::string("echo 'CStr(1/3) & \"|\" & TypeName(32767+1) & \"|\" & (-3^2) & \"|\" & 2^3^2' | ") +
                    TABLIQUE_SCRIPT_TOOL;
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buf[256] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, pipe);
  pclose(pipe);
  EXPECT_EQ(std::string(buf, n), "0.333333333333333|Long|9|64\tString\n");
}

TEST(Tool, EscapesAndReportsErrors) {
  std::string cmd = std::string("printf '%s\\n' '\"a\" & vbTab & \"\\\"' '1/0' 'Power(2,3)' | ") + TABLIQUE_SCRIPT_TOOL +
                    " && printf '%s\\n' 'Power(2,3)' | " + TABLIQUE_SCRIPT_TOOL + " --bare";
  FILE* pipe = popen(cmd.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char buf[512] = {};
  size_t n = fread(buf, 1, sizeof buf - 1, pipe);
  pclose(pipe);
  EXPECT_EQ(std::string(buf, n),
            "a\\t\\\\\tString\n"
            "error 11\tDivision by zero\n"
            "8\tDouble\n"
            "error 13\tType mismatch\n");
}
#endif

}  // namespace
