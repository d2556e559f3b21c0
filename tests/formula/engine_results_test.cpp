// Engine results through the control: a row sum over hundreds of columns evaluates for every
// row (a chain of one operator is no nesting), and a cell never holds invalid UTF-8.
#include <gtest/gtest.h>

#include <ctime>

#include "support/driver.h"

namespace tablique {
namespace {

std::string sumOfColumns(int32_t last) {
  std::string f;
  for (int32_t j = 1; j <= last; ++j) f += (j > 1 ? "+C" : "C") + std::to_string(j);
  return f;
}

TEST(LongFormula, ColumnFormulaSumsSixHundredNinetyFiveColumns) {
  Control c;
  c.rowcol(3, 696);
  for (int32_t r = 1; r <= 3; ++r)
    for (int32_t j = 1; j <= 695; ++j) c.settext(r, j, std::to_string(r * j));
  c.settext(2, 400, "-80000");  // one negative term among them, as "+-80000"
  c.formuset(696, sumOfColumns(695));
  c.update(696);
  const int64_t triangle = 695 * 696 / 2;
  EXPECT_EQ(c.gettext(1, 696), std::to_string(triangle));
  EXPECT_EQ(c.gettext(2, 696), std::to_string(2 * triangle - 800 - 80000));
  EXPECT_EQ(c.gettext(3, 696), std::to_string(3 * triangle));
}

TEST(LongFormula, CellFormulaWithProductsAndSumsOverFiveHundredColumns) {
  Control c;
  c.rowcol(2, 501);
  for (int32_t j = 1; j <= 500; ++j) c.settext(2, j, "2");
  // bracketed class: every reference becomes "(2)", still one flat chain of + and *
  std::string f = "=";
  for (int32_t j = 1; j <= 500; ++j) f += (j > 1 ? (j % 2 ? "+C" : "*C") : "C") + std::to_string(j);
  testing::click(c, 2, 501);
  c.headless().queueInput(f);
  c.m_focal();
  EXPECT_EQ(c.gettext(2, 501), std::to_string(250 * 4));
}

TEST(LongFormula, NearMissSearchInCellTextsEndsQuickly) {
  Control c;
  for (int32_t r = 1; r <= 3; ++r) c.settext(r, 1, "InStr(Space(2E5) & \"x\", Space(1E5) & \"x\")");
  c.formuset(2, "C1");
  std::clock_t t0 = std::clock();
  c.update(2);
  double cpu = double(std::clock() - t0) / CLOCKS_PER_SEC;
  EXPECT_EQ(testing::column(c, 2, 1, 3), (testing::Texts{"100001", "100001", "100001"}));
  EXPECT_LT(cpu, 0.5);  // a search of n x m steps took seconds per row
}

TEST(EngineText, HalfOfASurrogatePairReachesTheCellAsReplacementCharacter) {
  Control c;
  c.settext(1, 1, "a😀b");
  c.formuset(2, "Mid(\"C1\",2,1) & Len(\"C1\")");
  c.formuset(3, "Mid(\"C1\",2,2)");
  c.update(2);
  c.update(3);
  EXPECT_EQ(c.gettext(1, 2), "\xEF\xBF\xBD" "4");  // U+FFFD, then the length in UTF-16 units
  EXPECT_EQ(c.gettext(1, 3), "😀");                 // both halves together stay the character
}

}  // namespace
}  // namespace tablique
