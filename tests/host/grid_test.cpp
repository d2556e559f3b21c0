// The grid component: store, moves, geometry and hit tests.
#include <gtest/gtest.h>

#include <tablique/error.h>
#include <tablique/grid.h>

namespace tablique {
namespace {

// A 4 x 3 grid (fixed row and column included):
//   | h  | C1 | C2 |
//   | 1  | a  | b  |
//   | 2  | c  | d  |
//   | 3  | e  | f  |
Grid small() {
  Grid g;
  g.setCols(3);
  g.setRows(4);
  const char* t[4][3] = {{"h", "C1", "C2"}, {"1", "a", "b"}, {"2", "c", "d"}, {"3", "e", "f"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 3; ++c) g.setTextMatrix(r, c, t[r][c]);
  return g;
}

TEST(Grid, ResizeKeepsSurvivingCells) {
  Grid g = small();
  g.setCols(5);
  EXPECT_EQ(g.TextMatrix(3, 2), "f");
  EXPECT_EQ(g.TextMatrix(3, 4), "");
  g.setRows(2);
  EXPECT_EQ(g.TextMatrix(1, 1), "a");
  EXPECT_THROW(g.TextMatrix(2, 1), Error);
  EXPECT_THROW(g.setRows(0), Error);
}

TEST(Grid, RowAndColumnPositions) {
  Grid g = small();
  g.setRowHeight(1, 500);
  g.setRowPosition(1, 3);
  EXPECT_EQ(g.TextMatrix(1, 1), "c");
  EXPECT_EQ(g.TextMatrix(3, 1), "a");
  EXPECT_EQ(g.RowHeight(3), 500);
  g.setRowPosition(3, 1);
  EXPECT_EQ(g.TextMatrix(1, 1), "a");
  g.setColPosition(1, 2);
  EXPECT_EQ(g.TextMatrix(1, 1), "b");
  EXPECT_EQ(g.TextMatrix(1, 2), "a");
}

TEST(Grid, AddItemAndRemoveItem) {
  Grid g = small();
  g.AddItem("x\ty\tz\tignored", 2);
  EXPECT_EQ(g.Rows(), 5);
  EXPECT_EQ(g.TextMatrix(2, 0), "x");
  EXPECT_EQ(g.TextMatrix(2, 2), "z");
  EXPECT_EQ(g.TextMatrix(3, 1), "c");
  g.RemoveItem(1);
  EXPECT_EQ(g.TextMatrix(1, 1), "y");
  EXPECT_THROW(g.RemoveItem(9), Error);
}

// The bulk row forms leave the grid exactly as n single AddItem / RemoveItem calls do.
TEST(Grid, BulkRowsMatchSingleRowsAndRefuseWithoutChange) {
  auto filled = [] {
    Grid g;
    g.setCols(4);
    g.setRows(9);
    for (int r = 0; r < 9; ++r) {
      g.setRowHeight(r, 100 + r);
      for (int c = 0; c < 4; ++c) g.setTextMatrix(r, c, std::to_string(r * 10 + c));
    }
    g.setRow(7);
    g.setColAlignment(2, kAlignLeftCenter);
    return g;
  };
  auto same = [](const Grid& a, const Grid& b) {
    ASSERT_EQ(a.Rows(), b.Rows());
    EXPECT_EQ(a.Row(), b.Row());
    EXPECT_EQ(a.totalHeight(), b.totalHeight());
    EXPECT_EQ(a.lastFilledCol(), b.lastFilledCol());
    for (int r = 0; r < a.Rows(); ++r) {
      EXPECT_EQ(a.RowHeight(r), b.RowHeight(r)) << r;
      for (int c = 0; c < a.Cols(); ++c) {
        EXPECT_EQ(a.TextMatrix(r, c), b.TextMatrix(r, c)) << r << ", " << c;
        EXPECT_EQ(a.alignmentAt(r, c), b.alignmentAt(r, c)) << r << ", " << c;
      }
    }
    for (int c = 0; c < a.Cols(); ++c) EXPECT_EQ(a.dataRun(c), b.dataRun(c)) << c;
  };
  for (int at : {1, 4, 9}) {
    Grid bulk = filled(), single = filled();
    bulk.insertRows(at, 3);
    for (int i = 0; i < 3; ++i) single.AddItem("", at);
    same(bulk, single);
  }
  for (auto [at, n] : {std::pair{1, 8}, std::pair{3, 2}, std::pair{8, 1}}) {
    Grid bulk = filled(), single = filled();
    bulk.removeRows(at, n);
    for (int i = 0; i < n; ++i) single.RemoveItem(at);
    same(bulk, single);
  }
  Grid g = filled();
  EXPECT_THROW(g.removeRows(5, 5), Error);  // past the last row
  EXPECT_THROW(g.removeRows(0, 9), Error);  // the fixed row stays
  EXPECT_THROW(g.insertRows(10, 1), Error);
  EXPECT_THROW(g.insertRows(1, 2147483647), Error);
  same(g, filled());
}

TEST(Grid, InsertAndRemoveColumns) {
  Grid g = small();
  g.setColWidth(2, 777);
  g.insertCols(1, 2);
  EXPECT_EQ(g.Cols(), 5);
  EXPECT_EQ(g.TextMatrix(1, 3), "a");
  EXPECT_EQ(g.TextMatrix(1, 1), "");
  EXPECT_EQ(g.ColWidth(4), 777);
  g.removeCols(1, 2);
  EXPECT_EQ(g.TextMatrix(2, 2), "d");
  EXPECT_EQ(g.ColWidth(2), 777);
}

TEST(Grid, ColumnAlignmentOverridesCellsUntilACellIsSetAgain) {
  Grid g = small();
  g.setRow(2);
  g.setCol(1);
  g.setCellAlignment(kAlignCenterTop);
  g.setRow(0);
  g.setCellAlignment(kAlignCenterTop);  // the fixed row keeps its own code
  g.setColAlignment(1, kAlignLeftCenter);
  g.setColAlignment(2, kAlignLeftCenter);
  EXPECT_EQ(g.alignmentAt(2, 1), kAlignLeftCenter);
  EXPECT_EQ(g.alignmentAt(0, 1), kAlignCenterTop);
  g.setRow(3);
  g.setCellAlignment(kAlignCenterTop);
  EXPECT_EQ(g.alignmentAt(3, 1), kAlignCenterTop);
  g.setColAlignment(1, kAlignLeftCenter);
  g.setRowPosition(3, 1);  // a move applies the column's code before cells move
  EXPECT_EQ(g.alignmentAt(1, 1), kAlignLeftCenter);
}

// The cached data run follows every change: compare with a plain count after each step.
TEST(Grid, DataRunFollowsTextChangesAndMoves) {
  Grid g;
  g.setCols(3);
  g.setRows(12);
  auto plainRun = [&](int c) {
    int n = 0;
    while (n + 1 < g.Rows() && !g.TextMatrix(n + 1, c).empty()) ++n;
    return n;
  };
  const int steps[][3] = {{1, 1, 1}, {2, 1, 1}, {4, 1, 1}, {3, 1, 1}, {2, 1, 0}, {2, 1, 1},
                          {11, 1, 1}, {5, 1, 1}, {6, 1, 1}, {7, 1, 1}, {1, 1, 0}};
  for (const auto& [r, c, fill] : steps) {
    g.setTextMatrix(r, c, fill ? "x" : "");
    ASSERT_EQ(g.dataRun(c), plainRun(c)) << "after row " << r;
  }
  g.setTextMatrix(1, 1, "x");
  EXPECT_EQ(g.dataRun(1), 7);
  g.RemoveItem(3);
  EXPECT_EQ(g.dataRun(1), plainRun(1));
  g.AddItem("\t", 1);
  EXPECT_EQ(g.dataRun(1), 0);
  g.setRowPosition(1, 10);
  EXPECT_EQ(g.dataRun(1), plainRun(1));
  g.insertCols(1, 1);
  EXPECT_EQ(g.dataRun(2), plainRun(2));
  EXPECT_EQ(g.dataRun(1), 0);
}

TEST(Grid, GeometryAndHitTestFollowScroll) {
  Grid g;
  g.setCols(51);
  g.setRows(501);
  g.setColWidth(0, 660);
  g.Width = 9990;
  g.Height = 7990;
  EXPECT_EQ(g.rowAt(100), 0);
  EXPECT_EQ(g.rowAt(285), 1);
  EXPECT_EQ(g.rowAt(285 * 2 - 1), 1);
  EXPECT_EQ(g.rowAt(285 * 2), 2);
  EXPECT_EQ(g.colAt(659), 0);
  EXPECT_EQ(g.colAt(660), 1);
  EXPECT_EQ(g.colAt(660 + 1140), 2);
  g.setRow(100);
  g.setCol(40);
  g.ensureCurrentVisible();
  EXPECT_GT(g.TopRow(), 1);
  EXPECT_GE(g.CellTop(), 285);
  EXPECT_LE(g.CellTop() + g.CellHeight(), g.Height);
  EXPECT_LE(g.CellLeft() + g.CellWidth(), g.Width);
  // The cell's own rectangle hits back to the cell.
  g.setMousePosition(float(g.CellLeft() + 10), float(g.CellTop() + 10));
  EXPECT_EQ(g.MouseRow(), 100);
  EXPECT_EQ(g.MouseCol(), 40);
}

}  // namespace
}  // namespace tablique
