// Translation of a formula for one row, checked against the literal replacement sequence.
#include <gtest/gtest.h>

#include <random>

#include <tablique/grid.h>

#include "formula/literal.h"
#include "formula/translate.h"

namespace tablique::formula {
namespace {

// A grid of `rows` data rows and `cols` data columns.
Grid makeGrid(int32_t rows, int32_t cols) {
  Grid g;
  g.setRows(rows + 1);
  g.setCols(cols + 1);
  return g;
}

std::string translated(std::string_view text, int32_t maxCol, bool cell, const Grid& g, int32_t r) {
  std::string out;
  return Translation(text, maxCol, cell).forRow(g, r, out) ? out : "<nothing>";
}

TEST(Translate, ClassesAndReferences) {
  //      C1   C2   ...  C12
  //  1   5    -3        7
  Grid g = makeGrid(2, 60);
  g.setTextMatrix(1, 1, "5");
  g.setTextMatrix(1, 2, "-3");
  g.setTextMatrix(1, 12, "7");
  g.setTextMatrix(1, 6, "x");
  EXPECT_EQ(translated("C1-C2", 50, false, g, 1), "5--3");            // bare
  EXPECT_EQ(translated("C1*C2", 50, false, g, 1), "(5)*(-3)");        // bracketed
  EXPECT_EQ(translated("C12+C1", 50, false, g, 1), "7+5");
  EXPECT_EQ(translated("C12+C1", 11, false, g, 1), "52+5");           // column 1 and "2"
  EXPECT_EQ(translated("C60", 50, false, g, 1), "x0");                // column 6 and "0"
  EXPECT_EQ(translated("C1 MOD C2", 50, false, g, 1), "5 MOD -3");    // MOD is not the class
  EXPECT_EQ(translated("C1 mod C2", 50, false, g, 1), "(5) mod (-3)");
  EXPECT_EQ(translated("\"C1\"&ABC2", 50, false, g, 1), "\"5\"&AB-3");  // inside strings, after letters
  EXPECT_EQ(translated("c1+C05", 50, false, g, 1), "c1+C05");
  EXPECT_EQ(translated("C1+C3", 50, false, g, 1), "5+");              // an empty cell adds nothing
  EXPECT_EQ(translated("=C1*2", 50, true, g, 1), "(5)*2");
  EXPECT_EQ(translated("=C3", 50, true, g, 1), "<nothing>");          // empty: not evaluated
  EXPECT_EQ(translated("C3", 50, false, g, 1), "<nothing>");
  EXPECT_EQ(translated("C3*C4", 50, false, g, 1), "()*()");
  EXPECT_EQ(translated("=C1+C7", 3, true, g, 1), "5+C7");  // beyond maxCol: a plain name
}

TEST(Translate, HighestReferenceAndBrackets) {
  EXPECT_EQ(highestReference("C1+C12*C7", 50), 12);
  EXPECT_EQ(highestReference("C123", 50), 12);
  EXPECT_EQ(highestReference("c1+C0", 50), 0);
  EXPECT_EQ(bracketReferences("C3+C12", 50), "C\x01" "3\x01+C\x01" "12\x01");
  Translation t("C3+C12*C3", 50, false);
  EXPECT_EQ(t.columns(), (std::vector<int32_t>{3, 12}));
  EXPECT_EQ(t.highest(), 12);
  EXPECT_TRUE(t.bracketed());
}

// Generated formulas and cell texts, brackets in either included: the compiled translation and
// the replacement sequence agree for every row.
TEST(Translate, SingleScanEqualsReplacementSequence) {
  std::mt19937 rng(2024);
  const std::vector<std::string> atoms = {
      "C", "C", "C1", "C2", "C12", "C5", "C50", "C51", "C60", "C05", "C123", "1", "2", "0",
      "5",  "+", "-", "*", "/", "\\", "^", "(", ")", "Mod", "mod", "MOD", ",", " ", "\"",
      "A",  "c", "=", "\x01"};
  const std::vector<std::string> cells = {"", "", "5", "-3", "1.5", "abc", "C1", "C\x01" "2\x01",
                                          "\x01", "C\x01", "2\x01", "(", "C12"};
  Grid g = makeGrid(4, 61);
  for (int iter = 0; iter < 400; ++iter) {
    for (int32_t r = 1; r <= 4; ++r)
      for (int32_t c = 1; c <= 61; ++c) g.setTextMatrix(r, c, cells[rng() % cells.size()]);
    for (int f = 0; f < 40; ++f) {
      std::string text;
      for (int k = int(rng() % 10); k > 0; --k) text += atoms[rng() % atoms.size()];
      const bool cell = rng() % 3 == 0;
      if (cell) text = "=" + text;
      const int32_t maxCol = 1 + int32_t(rng() % 61);
      Translation t(text, maxCol, cell);
      for (int32_t r = 1; r <= 4; ++r) {
        std::string fast, slow;
        const bool a = t.forRow(g, r, fast);
        const bool b = literal::translate(text, maxCol, cell,
                                          [&](int32_t n) { return g.TextMatrix(r, n); }, slow);
        ASSERT_EQ(a, b) << "formula " << text << " maxCol " << maxCol;
        if (a) ASSERT_EQ(fast, slow) << "formula " << text << " maxCol " << maxCol;
      }
      ASSERT_EQ(highestReference(text, maxCol), t.highest());
    }
  }
}

}  // namespace
}  // namespace tablique::formula
