// rowcol builds the new table in one step: every shape from every shape gives exactly the
// table a literal rebuild gives, surviving sizes stay, and a huge change stays quick.
#include <gtest/gtest.h>

#include <chrono>
#include <tuple>
#include <cmath>
#include <limits>

#include <tablique/control.h>

namespace tablique {
namespace {

// The table rowcol(rw, cl) must leave: empty data cells aligned left, "C" j headers centred at
// the top, row numbers, the current cell and the selection at (1, 1), no formulas.
void expectFreshTable(const Control& c, int32_t rw, int32_t cl) {
  const Grid& g = c.grid();
  ASSERT_EQ(g.Rows(), rw + 1);
  ASSERT_EQ(g.Cols(), cl + 1);
  ASSERT_EQ(g.cellCount(), size_t(rw + 1) * size_t(cl + 1));
  for (int32_t j = 1; j <= cl; ++j) {
    ASSERT_EQ(g.textAt(0, j), "C" + std::to_string(j));
    ASSERT_EQ(g.alignmentAt(0, j), kAlignCenterTop);
  }
  for (int32_t i = 1; i <= rw; ++i) {
    ASSERT_EQ(g.textAt(i, 0), std::to_string(i));
    for (int32_t j = 1; j <= cl; ++j) {
      ASSERT_EQ(g.textAt(i, j), "") << i << "," << j;
      ASSERT_EQ(g.alignmentAt(i, j), kAlignLeftCenter) << i << "," << j;
    }
  }
  EXPECT_EQ(g.ColWidth(0), 660);
  EXPECT_EQ(std::pair(g.Row(), g.Col()), std::pair(1, 1));
  EXPECT_EQ(c.state().colFormula, std::vector<std::string>(size_t(cl) + 1));
  EXPECT_EQ(g.dataRun(1), 0);
  EXPECT_EQ(g.lastFilledCol(), 0);
  EXPECT_EQ(std::tuple(c.rr0(), c.cc0(), c.RR(), c.cc()), std::tuple(1, 1, 1, 1));
}

TEST(RowcolShape, EveryOrderOfTallWideAndDefaultGivesAFreshTable) {
  Control c;
  const std::pair<int32_t, int32_t> tall{174974, 1}, wide{1, 174974}, start{500, 50};
  for (auto [rw, cl] : {tall, wide, start, wide, tall, start, tall}) {
    c.settext(1, 1, "x");
    c.settext(c.rows(), c.cols(), "y");
    c.formuset(1, "C1*2");
    c.mouseset(c.rows(), c.cols());
    const auto began = std::chrono::steady_clock::now();
    c.rowcol(rw, cl);
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_LT(took, std::chrono::seconds(2)) << rw << " x " << cl;
    expectFreshTable(c, rw, cl);
  }
  // Back at the start-up shape: the same table as a new control holds.
  c.rowcol(500, 50);
  Control fresh;
  for (int32_t i = 0; i <= 500; ++i)
    for (int32_t j = 0; j <= 50; ++j) {
      ASSERT_EQ(c.grid().textAt(i, j), fresh.grid().textAt(i, j));
      ASSERT_EQ(c.grid().alignmentAt(i, j), fresh.grid().alignmentAt(i, j));
    }
}

TEST(RowcolShape, SurvivingSizesStayAndTheEditEndsFirst) {
  Control c;
  c.setcolw(2, 30.0f);
  c.setrowh(3, 10.0f);
  c.setcolw(4, 30.0f);
  c.rowcol(10, 3);
  EXPECT_EQ(c.grid().ColWidth(2), 1700);
  EXPECT_EQ(c.grid().RowHeight(3), 566);
  c.rowcol(20, 5);
  EXPECT_EQ(c.grid().ColWidth(4), Grid::kDefaultColWidth);  // column 4 was gone in between
  EXPECT_EQ(c.grid().ColWidth(2), 1700);
  // A negative row count changes nothing (not the columns and formulas alone).
  c.formuset(2, "C1");
  c.rowcol(-1, 7);
  EXPECT_EQ(c.grid().Cols(), 6);
  EXPECT_FALSE(c.state().colFormula[2].empty());
}

TEST(Sizes, NotFiniteOrHugeSizesAndPositions) {
  Control c;
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity(), 1e30f}) {
    c.setcolw(2, bad);
    c.setrowh(2, bad);
  }
  EXPECT_EQ(c.grid().ColWidth(2), Grid::kDefaultColWidth);
  EXPECT_EQ(c.grid().RowHeight(2), Grid::kDefaultRowHeight);

  // Two columns of the largest width: every later column still lies further right.
  c.setcolw(1, 37000000.0f);
  c.setcolw(2, 37000000.0f);
  const Grid& g = c.grid();
  ASSERT_GT(g.ColWidth(1), 2000000000);
  int32_t previous = g.colLeft(1);
  for (int32_t j = 2; j <= 51; ++j) {
    EXPECT_GE(g.colLeft(j), previous) << j;
    EXPECT_GE(g.visibleColLeft(j), 0) << j;
    previous = g.colLeft(j);
  }
  // The editor opened on a cell out there is placed without overflow.
  c.mouseset(3, 40);
  c.pressKey(13);
  EXPECT_GE(c.editor().left(), 0);
  // Presses at points that are no number, or huge, do not crash and select sensibly.
  c.MSFlexGrid1_MouseMove(1, 0, std::numeric_limits<float>::infinity(), -1e30f);
  EXPECT_EQ(g.MouseCol(), 50);
  EXPECT_EQ(g.MouseRow(), 0);
}

}  // namespace
}  // namespace tablique
