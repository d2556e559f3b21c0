// Writing a result: CStr, the number clean-up with exact half-to-even rounding, and a failed
// evaluation leaving its cell.
#include <gtest/gtest.h>

#include "support/driver.h"
#include "formula/result.h"

#include <cmath>
#include <cstdio>
#include <random>

namespace tablique {
namespace {

using formula::cleanNumberText;
using formula::roundDecimal;

TEST(RoundDecimal, ExactValueTiesToEven) {
  EXPECT_EQ(roundDecimal(0.125, 2), 0.12);   // an exact tie: the even digit
  EXPECT_EQ(roundDecimal(0.375, 2), 0.38);
  EXPECT_EQ(roundDecimal(2.5, 0), 2.0);
  EXPECT_EQ(roundDecimal(3.5, 0), 4.0);
  EXPECT_EQ(roundDecimal(-0.125, 2), -0.12);
  EXPECT_EQ(roundDecimal(1.115, 2), 1.11);   // 1.11499999999999999... below the tie
  EXPECT_EQ(roundDecimal(2.675, 2), 2.67);
  EXPECT_EQ(roundDecimal(1.005, 2), 1.0);
  EXPECT_EQ(roundDecimal(2.3000000000001, 10), 2.3);
  EXPECT_EQ(roundDecimal(12345678.9000001, 10), 12345678.9000001);
  EXPECT_EQ(roundDecimal(12345678.9000001, 2), 12345678.9);
  EXPECT_EQ(roundDecimal(1e300, 2), 1e300);
  EXPECT_EQ(roundDecimal(1e-300, 12), 0.0);
  EXPECT_EQ(roundDecimal(0.0, 2), 0.0);
}

TEST(NumberCleanUp, Rules) {
  struct Case { const char* in; std::string out; };
  const Case cases[] = {
      {"2.3000000000001", "2.3"},             // first rule
      {"0.1234", "0.1234"},                   // second rule keeps it
      {"-2.3000000000001", "-2.3000000000001"},  // negative: as the engine gave it
      {"0.00012", "0.00012"},                 // not above 0.0009
      {"0.333333333333333", "0.333333333333333"},  // neither rule applies
      {"1.005", "1.005"},                     // R(d,2) = 1 differs: second rule
      {"0.500000000000001", "0.5"},            // second rule: R(d, 11)
      {"007", "7"},                           // a numeric text is rewritten
      {"abc", "abc"},
      {"", ""},
      {"True", "True"},
  };
  for (const Case& c : cases) EXPECT_EQ(cleanNumberText(c.in), c.out) << c.in;
}

TEST(NumberCleanUp, ThroughAFormula) {
  Control c;
  c.settext(1, 1, "2.3");
  c.settext(2, 1, "-2.3");
  c.settext(3, 1, "0.1");
  c.mouseset(1, 2);
  c.headless().queueInput("C1+0.0000000000001");
  c.m_focal();
  EXPECT_EQ(c.gettext(1, 2), "2.3");
  EXPECT_EQ(c.gettext(2, 2), c.engine().Eval("-2.3+0.0000000000001").toString());
  EXPECT_EQ(c.gettext(3, 2), "0.1");
}

// Empty referenced cells, failing evaluations and non-numeric results.
TEST(WriteResult, FailuresLeaveTheCell) {
  Control c;
  testing::fillColumn(c, 1, {"5", "0", "x"});
  testing::fillColumn(c, 3, {"keep1", "keep2", "keep3"});
  c.mouseset(1, 3);
  c.headless().queueInput("1/C1");  // (5) ok, division by zero, type mismatch
  c.m_focal();
  EXPECT_EQ(testing::column(c, 3, 3), (std::vector<std::string>{"0.2", "keep2", "keep3"}));
  c.mouseset(1, 4);
  c.headless().queueInput("C1+C2");  // column 2 empty: "5+" is rejected
  c.m_focal();
  EXPECT_EQ(testing::column(c, 4, 3), (std::vector<std::string>{"", "", ""}));
  c.mouseset(1, 5);
  c.headless().queueInput("C1>1");  // a Boolean result, as CStr writes it
  c.m_focal();
  EXPECT_EQ(c.gettext(1, 5), "True");
  c.mouseset(1, 6);
  c.headless().queueInput("Null+C1");  // CStr of Null fails: nothing written
  c.m_focal();
  EXPECT_EQ(c.gettext(1, 6), "");
  testing::expectConsistent(c);
}

}  // namespace
}  // namespace tablique

namespace tablique {
namespace {

// The reference: exact decimal rounding by the C library (exact conversion, ties to even),
// read back by strtod.
double referenceRound(double x, int k) {
  char buf[512];
  std::snprintf(buf, sizeof buf, "%.*f", k, x);
  return std::strtod(buf, nullptr);
}

TEST(RoundDecimal, AgreesWithExactDecimalConversion) {
  std::mt19937_64 rng(99);
  std::uniform_real_distribution<double> mag(-6, 17);
  for (int i = 0; i < 200000; ++i) {
    double x = std::pow(10.0, mag(rng));
    if (i % 4 == 0) x = std::round(x * 1000) / 1000;     // few decimals
    if (i % 4 == 1) x = std::ldexp(double(rng() >> 30), -int(rng() % 40));  // exact binary ties
    for (int k : {2, 10, 11, 12}) ASSERT_EQ(roundDecimal(x, k), referenceRound(x, k)) << x << " " << k;
  }
}

// Results of the engine are written as numberText gives them, cleaned up: the fast reading of
// numberText's own text agrees with the generic clean-up of the same text.
TEST(NumberCleanUp, DoubleResultsAgreeWithTheGenericPath) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> mag(-8, 22);
  for (int i = 0; i < 300000; ++i) {
    double x = std::pow(10.0, mag(rng)) * (rng() % 2 ? 1 : -1);
    if (i % 3 == 0) x = std::round(x * 100) / 100 + 1e-13;
    if (i % 3 == 1) x = std::round(x * 1e6) / 1e6 + (i % 2 ? 1e-14 : 0);
    const script::Value v(x);
    ASSERT_EQ(formula::resultText(v), cleanNumberText(script::numberText(x))) << x;
  }
}

}  // namespace
}  // namespace tablique
