// Every Eval ends within its bounds: flat chains evaluate in a loop, searches take linear time,
// built-ins are charged for the text they handle, strings and arrays share one memory budget,
// and a large text is refused by the parser without keeping its memory. Strings leave the
// engine as valid UTF-8.
#include <gtest/gtest.h>
#include <tablique/script.h>

#include <ctime>
#include <string>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

using tablique::script::Engine;
using tablique::script::ScriptError;
using tablique::script::Value;

// The result's text, or "error N"; cpuSeconds gets the CPU time the Eval took.
std::string run(Engine& e, const std::string& expr, double* cpuSeconds = nullptr) {
  std::clock_t t0 = std::clock();
  std::string out;
  try {
    Value v = e.Eval(expr);
    out = v.isArray() ? "array" : v.toString();
  } catch (const ScriptError& err) {
    out = "error " + std::to_string(err.number());
  }
  if (cpuSeconds) *cpuSeconds = double(std::clock() - t0) / CLOCKS_PER_SEC;
  return out;
}

std::string chain(int terms, const std::string& term, const std::string& op) {
  std::string s = term;
  for (int i = 1; i < terms; ++i) s += op + term;
  return s;
}

TEST(Chains, FlatChainsOfAnyLengthEvaluate) {
  Engine e;
  EXPECT_EQ(run(e, chain(10000, "1", "+")), "10000");
  EXPECT_EQ(run(e, chain(1000, "1", "-")), "-998");  // left to right
  EXPECT_EQ(run(e, "Len(" + chain(3000, "\"ab\"", " & ") + ")"), "6000");
  EXPECT_EQ(run(e, chain(3000, "(1)*(2)", "-")), "-5996");
  EXPECT_EQ(run(e, chain(2000, "1 < 2", " Or ")), "True");
}

TEST(Chains, RealNestingStillHasItsBound) {
  Engine e;
  EXPECT_EQ(run(e, std::string(150, '(') + "1" + std::string(150, ')')), "1");
  EXPECT_EQ(run(e, std::string(1000, '(') + "1" + std::string(1000, ')')), "error 28");
  std::string rightNested = "1";
  for (int i = 0; i < 1000; ++i) rightNested = "1-(" + rightNested + ")";
  EXPECT_EQ(run(e, rightNested), "error 28");
  EXPECT_EQ(run(e, "1+1"), "2");  // the engine is usable after the refusal
}

// Each pair: a needle that matches almost everywhere in a long text, the n x m case.
TEST(LinearSearch, NearMissesTakeLinearTime) {
  Engine e;
  struct Case {
    std::string expr, result;
  } cases[] = {
      {"InStr(Space(2E5) & \"x\", Space(1E5) & \"x\")", "100001"},
      {"InStr(1, Space(2E5) & \"X\", Space(1E5) & \"x\", 1)", "100001"},
      {"InStrRev(\"x\" & Space(2E5), \"x\" & Space(1E5))", "1"},
      {"InStrRev(\"X\" & Space(2E5), \"x\" & Space(1E5), -1, 1)", "1"},
      {"Len(Replace(String(2E5,\"a\") & \"b\", String(1E5,\"a\") & \"b\", \"\"))", "100000"},
      {"UBound(Split(String(2E5,\"a\") & \"b\", String(1E5,\"a\") & \"b\"))", "1"},
      {"UBound(Filter(Array(String(2E5,\"a\"), String(2E5,\"a\") & \"b\"), String(1E5,\"a\") & \"b\"))", "0"},
  };
  for (const Case& c : cases) {
    double cpu = 0;
    EXPECT_EQ(run(e, c.expr, &cpu), c.result) << c.expr;
    EXPECT_LT(cpu, 0.5) << c.expr;  // n x m would take seconds
  }
}

TEST(Work, BuiltinsAndOperatorsAreChargedForTheTextTheyHandle) {
  Engine e;
  double cpu = 0;
  // 100,000 concatenations of a 4 MB text: the bound on work stops it, quickly
  EXPECT_EQ(run(e, "Len(Space(4E6)" + std::string() + chain(100000, " & \"\"", "") + ")", &cpu), "error 17");
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, chain(200, "Len(UCase(Space(8E6)))", "+"), &cpu), "error 17");
  EXPECT_LT(cpu, 1.0);
  // ordinary work on large texts stays within the bound
  EXPECT_EQ(run(e, "Len(Replace(Space(1E6), \" \", \"ab\"))"), "2000000");
  EXPECT_EQ(run(e, "UBound(Split(Space(999999)))"), "999999");
}

TEST(Work, CopiesOfSharedArraysAreCharged) {
  // writing into an array another variable also holds copies it: a million copies of a
  // million elements must end with error 17, not after hours
  Engine e;
  e.AddCode(
      "Function CopyEach()\n"
      "  Dim s, x, i\n"
      "  s = Split(Space(999999))\n"
      "  For i = 1 To 1000000: s(0) = \"a\": x = s: Next\n"
      "  CopyEach = UBound(x)\n"
      "End Function\n"
      "Function EraseEach()\n"
      "  Dim a(999999), i\n"
      "  For i = 1 To 1000000: Erase a: Next\n"
      "  EraseEach = UBound(a)\n"
      "End Function\n"
      "Function CopyFew()\n"
      "  Dim s, x, i\n"
      "  s = Split(Space(999))\n"
      "  For i = 1 To 1000: s(0) = i: x = s: Next\n"
      "  CopyFew = x(0) & UBound(x)\n"
      "End Function\n");
  double cpu = 0;
  EXPECT_EQ(run(e, "CopyEach()", &cpu), "error 17");
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, "EraseEach()", &cpu), "error 17");
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, "CopyFew()"), "1000999");
}

TEST(Memory, ArraysAndStringsShareOneBudget) {
  Engine e;
  double cpu = 0;
  EXPECT_EQ(run(e, "Split(Space(8000000))", &cpu), "error 7");  // refused before it is built
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, "UBound(Array(" + chain(8, "Split(Space(999999))", ",") + "))", &cpu), "error 7");
  EXPECT_LT(cpu, 1.0);
  // the refused values are given back: the same Eval of one array works afterwards
  EXPECT_EQ(run(e, "UBound(Array(" + chain(2, "Split(Space(999999))", ",") + "))"), "1");
}

TEST(Memory, ProgramsAreHeldToTheBudgetToo) {
  Engine e;
  e.AddCode(
      "Function Hold(k)\n"
      "  Dim all(), i\n"
      "  ReDim all(k)\n"
      "  For i = 0 To k: all(i) = Split(Space(999999)): Next\n"
      "  Hold = UBound(all(k))\n"
      "End Function\n");
  EXPECT_EQ(run(e, "Hold(1)"), "999999");
  EXPECT_EQ(run(e, "Hold(6)"), "error 7");  // seven arrays of a million texts
  EXPECT_EQ(run(e, "Hold(1)"), "999999");
}

TEST(Parsing, LargeTextsEndWithAResultOrAnError) {
  Engine e;
  double cpu = 0;
  std::string oneMegabyte = chain(500000, "1", "+");
  EXPECT_EQ(run(e, oneMegabyte, &cpu), "500000");
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, chain(5000000, "1", "+"), &cpu), "error 7");  // 10 MB: too many nodes
  EXPECT_LT(cpu, 1.0);
  EXPECT_EQ(run(e, "\"" + std::string(9000000, 'x') + "\""), "error 14");
  EXPECT_EQ(run(e, "2*3"), "6");
}

#ifdef __GLIBC__
TEST(Parsing, ALargeTextGivesItsMemoryBack) {
  Engine e;
  std::string text = chain(500000, "1.5", "+");  // 2 MB of text: a million nodes, half constants
  EXPECT_EQ(run(e, "1"), "1");
  auto inUse = [] { return mallinfo2().uordblks + mallinfo2().hblkhd; };  // heap and mapped blocks
  size_t before = inUse();
  EXPECT_EQ(run(e, text), "750000");
  EXPECT_LT(inUse(), before + (size_t(4) << 20));
}
#endif

TEST(Leaving, StringsLeaveTheEngineAsValidUtf8) {
  Engine e;
  EXPECT_EQ(run(e, "Left(\"😀\",1)"), "\xEF\xBF\xBD");
  EXPECT_EQ(run(e, "\"a\" & ChrW(&HDC00) & \"b\""), "a\xEF\xBF\xBD" "b");
  EXPECT_EQ(run(e, "ChrW(&HD83D) & ChrW(&HDE00)"), "😀");
  EXPECT_EQ(run(e, "Left(\"😀\",1) & Mid(\"😀\",2)"), "😀");
  EXPECT_EQ(run(e, "\"\xFF\xFE\""), "\xEF\xBF\xBD\xEF\xBF\xBD");  // bytes that are no UTF-8
  // inside one Eval the halves stay themselves
  EXPECT_EQ(run(e, "AscW(Left(\"😀\",1)) & \" \" & AscW(Mid(\"😀\",2))"), "-10179 -8704");
}

}  // namespace
