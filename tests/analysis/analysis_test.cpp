// psort's modes and statis's fourteen lines, driven through the control.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include <tablique/control.h>

#include "analysis/analysis.h"
#include "support/driver.h"

namespace tablique {
namespace {

using testing::click;
using testing::column;
using testing::Texts;

// Fills column col from row 1 with the texts, then clicks (1, col): the anchor column.
void anchorColumn(Control& c, int32_t col, const Texts& texts) {
  testing::fillColumn(c, col, texts);
  click(c, 1, col);
}

TEST(HeapSort, SortsLikeTheStandardSort) {
  std::mt19937 gen(7);
  std::uniform_int_distribution<int> small(-5, 5);
  for (size_t n : {2u, 3u, 4u, 5u, 16u, 17u, 1000u}) {
    std::vector<double> v(n);
    for (double& d : v) d = small(gen) * 0.5;
    std::vector<double> want = v;
    std::sort(want.begin(), want.end());
    analysis::heapSort(v);
    EXPECT_EQ(v, want) << n;
  }
}

TEST(Psort, AscendingDescendingAndOnlyTheColumnMoves) {
  // | x | 3 |      column 2 is sorted; column 1 keeps its cells
  // | y | 1 |
  // | z | 2 |
  Control c;
  anchorColumn(c, 1, {"x", "y", "z"});
  anchorColumn(c, 2, {"3", "1", "2"});
  ASSERT_EQ(c.cc0(), 2);
  c.psort(0);
  EXPECT_EQ(column(c, 2, 4), (Texts{"1", "2", "3", ""}));
  c.psort(-1);
  EXPECT_EQ(column(c, 2, 3), (Texts{"3", "2", "1"}));
  c.psort();  // missing argument: ascending
  EXPECT_EQ(column(c, 2, 3), (Texts{"1", "2", "3"}));
  c.psort(true);  // True is -1: descending
  EXPECT_EQ(column(c, 2, 3), (Texts{"3", "2", "1"}));
  c.psort("0");  // a text that reads as 0
  EXPECT_EQ(column(c, 2, 3), (Texts{"1", "2", "3"}));
  c.psort(5);
  c.psort("x");
  c.psort(script::Value::null());
  EXPECT_EQ(column(c, 2, 3), (Texts{"1", "2", "3"}));
  EXPECT_EQ(column(c, 1, 3), (Texts{"x", "y", "z"}));
}

TEST(Psort, GapNumberTextsAndNonNumbers) {
  Control c;
  anchorColumn(c, 3, {"5", "4", "", "1"});
  c.psort(0);
  EXPECT_EQ(column(c, 3, 4), (Texts{"4", "5", "", "1"}));  // only the run before the gap

  Control d;
  anchorColumn(d, 1, {"1e2", "1.50", "007", " -2 "});
  d.psort(0);
  EXPECT_EQ(column(d, 1, 4), (Texts{"-2", "1.5", "7", "100"}));

  Control e;
  anchorColumn(e, 1, {"3", "abc", "1"});
  e.psort(0);
  e.psort("C2");
  EXPECT_EQ(column(e, 1, 3), (Texts{"3", "abc", "1"}));
  EXPECT_EQ(e.gettext(1, 2), "");

  Control f;
  anchorColumn(f, 1, {"9"});  // one value: nothing to do
  f.psort(-1);
  EXPECT_EQ(f.gettext(1, 1), "9");
}

TEST(Psort, ColumnFilledToTheLastRow) {
  Control c;
  c.rowcol(5, 2);
  anchorColumn(c, 2, {"5", "3", "4", "1", "2"});
  c.psort(-1);
  EXPECT_EQ(column(c, 2, 5), (Texts{"5", "4", "3", "2", "1"}));
}

TEST(Psort, RankModeWithTies) {
  Control c;
  anchorColumn(c, 1, {"30", "20", "20", "10"});
  c.psort("C3");
  EXPECT_EQ(column(c, 3, 4), (Texts{"1", "2", "2", "4"}));
  EXPECT_EQ(column(c, 1, 4), (Texts{"30", "20", "20", "10"}));
  c.psort("c1");  // into the source column itself: same ranks
  EXPECT_EQ(column(c, 1, 4), (Texts{"1", "2", "2", "4"}));
  for (const char* p : {"c0", "C51", "C", "Cx", "C-1"}) {
    c.psort(p);
    EXPECT_EQ(c.gettext(1, 4), "") << p;
  }
  c.psort("C2.5");  // rounded half to even: column 2
  EXPECT_EQ(column(c, 2, 4), (Texts{"4", "2", "2", "1"}));
}

TEST(Psort, NoSelectionDoesNothing) {
  Control c;
  c.settext(1, 1, "2");
  c.settext(2, 1, "1");
  // A press on a row header leaves no usable anchor column.
  click(c, 1, 0);
  ASSERT_EQ(c.cc0(), 0);
  c.psort(0);
  c.statis(2);
  EXPECT_EQ(c.gettext(1, 1), "2");
  EXPECT_EQ(c.gettext(1, 2), "");
}

TEST(Psort, RanksOfManyValuesAboveTheOldLimit) {
  Control c;
  c.rowcol(40000, 3);
  std::vector<std::string> texts;
  for (int i = 0; i < 40000; ++i) texts.push_back(std::to_string((i * 7919) % 40000));
  anchorColumn(c, 1, texts);
  c.psort("C2");
  // value v of 0..39999, all distinct: rank = 40000 - v
  for (int i : {0, 1, 17, 39999}) EXPECT_EQ(c.gettext(i + 1, 2), std::to_string(40000 - (i * 7919) % 40000));
  c.psort(0);
  EXPECT_EQ(c.gettext(40000, 1), "39999");
}

TEST(Statis, TheFourteenLines) {
  Control c;
  anchorColumn(c, 1, {"2", "4", "4", "5", "7", "9"});
  c.statis(3);
  const Texts exact = column(c, 3, 14);
  EXPECT_EQ(exact[0], "平均值=5.16666666666667");
  EXPECT_EQ(exact[2], "中位数=4.5");
  EXPECT_EQ(exact[3], "众数=4");
  EXPECT_EQ(exact[8], "极差=7");
  EXPECT_EQ(exact[9], "最小值=2");
  EXPECT_EQ(exact[10], "最大值=9");
  EXPECT_EQ(exact[11], "求和=31");
  EXPECT_EQ(exact[12], "观测数=6");
  struct Approx {
    int row;
    const char* label;
    double value;
  };
  const Approx approx[] = {{1, "标准误差=", 1.01379},  {4, "标准差=", 2.48328}, {5, "方差=", 6.16667},
                           {6, "峰度=", -0.148137},    {7, "偏度=", 0.539827},  {13, "平均误差=", 1.88889}};
  for (const Approx& a : approx) {
    const std::string& line = exact[size_t(a.row)];
    ASSERT_EQ(line.rfind(a.label, 0), 0u) << line;
    const double v = std::stod(line.substr(std::string(a.label).size()));
    EXPECT_NEAR(v, a.value, std::fabs(a.value) * 5e-6) << line;
  }
  EXPECT_EQ(c.rows(), 500 + 9);  // six values: addrow(9) first
}

TEST(Statis, ModeCases) {
  Control c;
  anchorColumn(c, 1, {"1", "2", "2", "3", "3"});
  c.statis(2);
  EXPECT_EQ(c.gettext(4, 2), "众数=2");  // the smaller of two equally frequent values
  Control d;
  anchorColumn(d, 1, {"1", "2", "3", "4"});
  d.statis(2);
  EXPECT_EQ(d.gettext(4, 2), "众数=N/A");
}

TEST(Statis, EqualValuesAndThreeValuesWriteWhatIsDefined) {
  Control c;
  anchorColumn(c, 1, {"5", "5", "5", "5"});
  c.statis(2);
  EXPECT_EQ(column(c, 2, 14),
            (Texts{"平均值=5", "标准误差=0", "中位数=5", "众数=5", "标准差=0", "方差=0", "峰度=N/A",
                   "偏度=N/A", "极差=0", "最小值=5", "最大值=5", "求和=20", "观测数=4", "平均误差=0"}));
  Control d;
  anchorColumn(d, 1, {"1", "2", "6"});
  d.statis(1);  // into the source column itself
  EXPECT_EQ(column(d, 1, 14),
            (Texts{"平均值=3", "标准误差=1.52752523165195", "中位数=2", "众数=N/A",
                   "标准差=2.64575131106459", "方差=7", "峰度=N/A", "偏度=1.45786296732131", "极差=5",
                   "最小值=1", "最大值=6", "求和=9", "观测数=3", "平均误差=2"}));
}

// The fourteen statistics by their textbook definitions in quadruple precision (113-bit
// significand): the reference for statcalc.
using Quad = __float128;

Quad quadSqrt(Quad v) {
  if (v <= 0) return 0;
  Quad r = std::sqrt(double(v));
  if (r == 0 || r > 1e300) r = std::sqrt((long double)v);  // out of double's range
  for (int k = 0; k < 6; ++k) r = (r + v / r) / 2;
  return r;
}

std::array<std::optional<Quad>, analysis::kStatCount> referenceStatistics(std::vector<double> x) {
  std::sort(x.begin(), x.end());
  const size_t count = x.size();
  const Quad n = Quad(count);
  Quad sum = 0;
  for (double d : x) sum += d;
  const Quad m = sum / n;
  Quad a1 = 0, a2 = 0, a3 = 0, a4 = 0;
  for (double d : x) {
    const Quad dev = Quad(d) - m;
    a1 += dev < 0 ? -dev : dev;
    a2 += dev * dev;
    a3 += dev * dev * dev;
    a4 += dev * dev * dev * dev;
  }
  const Quad s = quadSqrt(a2 / (n - 1));
  std::array<std::optional<Quad>, analysis::kStatCount> r;
  r[0] = m;
  r[1] = s / quadSqrt(n);
  const size_t h = count / 2;
  r[2] = count % 2 ? Quad(x[h]) : (Quad(x[h]) + Quad(x[h - 1])) / 2;
  r[4] = s;
  r[5] = s * s;
  if (s != 0) {
    const Quad z3 = a3 / (s * s * s), z4 = a4 / (s * s * s * s);
    if (count >= 4) r[6] = n * (n + 1) / ((n - 1) * (n - 2) * (n - 3)) * z4 - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3));
    r[7] = n / ((n - 1) * (n - 2)) * z3;
  }
  r[8] = Quad(x.back()) - Quad(x.front());
  r[9] = x.front();
  r[10] = x.back();
  r[11] = sum;
  r[12] = n;
  r[13] = a1 / n;
  return r;
}

// statcalc against the reference: relative error at most 1e-12 wherever the statistic is a
// finite double; undefined (N/A) exactly where it is not.
void expectPreciseStatistics(const std::vector<double>& values, const char* name) {
  std::vector<double> x = values;
  const analysis::Statistics got = analysis::statcalc(x);
  const auto want = referenceStatistics(values);
  for (int i = 0; i < analysis::kStatCount; ++i) {
    if (i == 3) continue;  // the mode: below
    const bool finite = want[size_t(i)] && std::isfinite(double(*want[size_t(i)]));
    ASSERT_EQ(got[size_t(i)].has_value(), finite) << name << ": " << analysis::kStatLabels[size_t(i)];
    if (!finite) continue;
    const double w = double(*want[size_t(i)]), g = *got[size_t(i)];
    EXPECT_LE(std::fabs(g - w), 1e-12 * std::fabs(w)) << name << ": " << analysis::kStatLabels[size_t(i)]
                                                      << " got " << g << " want " << w;
  }
}

TEST(Statis, StatisticsKeepTheirDigitsOnOffsetTinyHugeAndOrdinaryData) {
  std::mt19937_64 rng(5);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> offset, tiny, huge, ordinary, skewed;
  for (int i = 0; i < 1000; ++i) offset.push_back(1e12 + unit(rng));
  for (int i = 0; i < 200; ++i) tiny.push_back(1e-170 * (1 + 9 * unit(rng)));
  for (int i = 0; i < 200; ++i) huge.push_back(1e307 * (1 + 16 * unit(rng)));
  for (int i = 0; i < 500; ++i) ordinary.push_back(100 * unit(rng) - 50);
  for (int i = 0; i < 500; ++i) skewed.push_back(std::exp(8 * unit(rng)));
  expectPreciseStatistics(offset, "offset");
  expectPreciseStatistics(tiny, "tiny");
  expectPreciseStatistics(huge, "huge");
  expectPreciseStatistics(ordinary, "ordinary");
  expectPreciseStatistics(skewed, "skewed");
  expectPreciseStatistics({2, 4, 4, 5, 7, 9}, "small");
  expectPreciseStatistics({1e308, 1e308, 1e308, 1e308}, "four maxima");

  std::vector<double> four = {1e308, 1e308, 1e308, 1e308};
  const analysis::Statistics S = analysis::statcalc(four);
  EXPECT_EQ(S[0], 1e308);   // the mean
  EXPECT_EQ(S[3], 1e308);   // the mode
  EXPECT_FALSE(S[11]);      // the sum is beyond a double
  std::vector<double> ends = {-1e308, 1e308, 0, 5};
  const analysis::Statistics E = analysis::statcalc(ends);
  EXPECT_EQ(E[0], 1.25);
  EXPECT_EQ(E[11], 5.0);
  EXPECT_FALSE(E[8]);       // the range is beyond a double
}

// Values that nearly cancel (the mean is a tiny remainder of large opposite values), values at
// both ends of the range, subnormal midpoints and the largest column.
TEST(Statis, MeanSumAndMedianKeepTheirDigitsWhereValuesCancel) {
  std::vector<double> cancel;
  for (int i = 0; i < 2048; ++i) cancel.push_back(-2049 * 0.1);
  for (int i = 0; i < 2049; ++i) cancel.push_back(2048 * 0.1);
  expectPreciseStatistics(cancel, "cancel");
  std::vector<double> mirrored;
  for (int i = 0; i < 3000; ++i) mirrored.push_back(-(1e12 + i * 0.37));
  for (int i = 0; i < 3001; ++i) mirrored.push_back(1e12 + i * 0.37 + 1e-3);
  expectPreciseStatistics(mirrored, "mirrored");
  expectPreciseStatistics({4.9e-324, 9.9e-324, 4.9e-324, 1.5e-323}, "subnormal");
  expectPreciseStatistics({1.7976931348623157e308, -1.7976931348623157e308, 1.7976931348623157e308}, "extremes");
  std::vector<double> many;
  std::mt19937_64 rng(9);
  for (int i = 0; i < 174974; ++i) many.push_back(double(rng() % 1000000) * 1e10);
  expectPreciseStatistics(many, "many");
  // Tiny values beside huge opposite ones: the tiny ones are the whole sum.
  std::vector<double> mixed = {1e300, 1e-300, -1e300, 3e-300, 2e-300};
  const analysis::Statistics M = analysis::statcalc(mixed);
  EXPECT_NEAR(*M[11], 6e-300, 1e-314);
  EXPECT_NEAR(*M[0], 1.2e-300, 1e-314);
}

TEST(Statis, TooFewValuesNonNumbersAndOutputOutsideTheGrid) {
  Control c;
  anchorColumn(c, 1, {"1", "2"});
  c.statis(2);
  EXPECT_EQ(c.gettext(1, 2), "");
  EXPECT_EQ(c.rows(), 500);
  anchorColumn(c, 1, {"1", "2", "x"});
  c.statis(2);
  EXPECT_EQ(c.gettext(1, 2), "");
  anchorColumn(c, 1, {"1", "2", "3"});
  c.statis(51);  // no such column: nothing written
  c.statis(0);   // the row numbers are not overwritten
  EXPECT_EQ(c.gettext(1, 0), "1");
  Control d;
  d.rowcol(20, 2);
  std::vector<std::string> many;
  for (int i = 1; i <= 20; ++i) many.push_back(std::to_string(i));
  anchorColumn(d, 1, many);
  d.statis(2);
  EXPECT_EQ(d.rows(), 20);  // fourteen values or more: no rows added
  EXPECT_EQ(d.gettext(13, 2), "观测数=20");
}

}  // namespace
}  // namespace tablique
