// The grid's scroll position against its last full page, and the rows one page shows.
#include <gtest/gtest.h>

#include <random>

#include <tablique/grid.h>

namespace tablique {
namespace {

// Slow references: the smallest top row from which the remaining rows fit under the fixed
// row, and the rows fully visible from a top row.
int32_t referenceLastTop(const Grid& g) {
  const int64_t available = g.viewHeight() - g.RowHeight(0);
  for (int32_t top = 1; top < g.Rows(); ++top) {
    int64_t rest = 0;
    for (int32_t r = top; r < g.Rows(); ++r) rest += g.RowHeight(r);
    if (rest <= available) return top;
  }
  return std::max(1, g.Rows() - 1);
}

int32_t referencePage(const Grid& g, int32_t top) {
  int64_t used = g.RowHeight(0);
  int32_t n = 0;
  for (int32_t r = top; r < g.Rows() && used + g.RowHeight(r) <= g.viewHeight(); ++r, ++n) used += g.RowHeight(r);
  return std::max(1, n);
}

Grid viewOf(int32_t rows, int32_t cols) {
  Grid g;
  g.setCols(cols);
  g.setRows(rows);
  g.Width = 9990;
  g.Height = 7990;
  return g;
}

TEST(GridScroll, RemovedRowsBringTheViewBackToTheLastFullPage) {
  Grid g = viewOf(501, 51);
  g.setTopRow(460);
  ASSERT_EQ(g.TopRow(), 460);
  g.setTopRow(10000);  // past the end: the last full page
  EXPECT_EQ(g.TopRow(), referenceLastTop(g));
  g.setTopRow(460);
  g.setRows(101);  // 删除行 at the bottom, rowcol to fewer rows
  EXPECT_EQ(g.TopRow(), referenceLastTop(g));
  EXPECT_EQ(int64_t(g.visibleRowTop(100)) + g.RowHeight(100) <= g.viewHeight(), true);
  for (int i = 0; i < 90; ++i) g.RemoveItem(g.Rows() - 1);
  EXPECT_EQ(g.TopRow(), 1);  // everything fits
  // Columns alike.
  g.setLeftCol(45);
  ASSERT_GT(g.LeftCol(), 40);
  g.setCols(12);
  EXPECT_LE(g.colLeft(12) - g.colLeft(g.LeftCol()), g.viewWidth() - g.ColWidth(0));
  EXPECT_GT(g.colLeft(12) - g.colLeft(g.LeftCol() - 1), g.viewWidth() - g.ColWidth(0));
}

TEST(GridScroll, SmallerRowsAndALargerViewSettleAgainstAReference) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    Grid g = viewOf(2 + int32_t(rng() % 120), 3);
    for (int32_t r = 1; r < g.Rows(); ++r) g.setRowHeight(r, 100 + int32_t(rng() % 900));
    g.setTopRow(int32_t(rng() % 200));
    const int32_t before = g.TopRow();
    ASSERT_LE(before, referenceLastTop(g));
    switch (rng() % 3) {
      case 0: for (int32_t r = 1; r < g.Rows(); r += 2) g.setRowHeight(r, 50); break;
      case 1: g.Height += int32_t(rng() % 8000); break;
      default: g.setRows(std::max(2, g.Rows() - int32_t(rng() % 60))); break;
    }
    const int32_t last = referenceLastTop(g);
    EXPECT_EQ(g.lastTopRow(), last);
    EXPECT_EQ(g.TopRow(), std::min(before, last)) << "round " << round;
    EXPECT_EQ(g.pageRows(), referencePage(g, g.TopRow())) << "round " << round;
  }
}

TEST(GridScroll, AViewLowerThanOneRowStillPagesByOneRow) {
  Grid g = viewOf(501, 5);
  g.Height = 200;  // less than the fixed row
  g.setTopRow(250);
  EXPECT_EQ(g.lastTopRow(), 500);
  EXPECT_EQ(g.TopRow(), 250);
  EXPECT_EQ(g.pageRows(), 1);
  EXPECT_EQ(g.pageRows(true), 1);
  g.setTopRow(1);
  EXPECT_EQ(g.pageRows(true), 1);
}

}  // namespace
}  // namespace tablique
