// The grid's cached answers (data runs, last filled column, positions) against plain counts
// after every step of a random sequence of edits, bulk writes and structural changes.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include <tablique/grid.h>

namespace tablique {
namespace {

int plainRun(const Grid& g, int c) {
  int n = 0;
  while (n + 1 < g.Rows() && !g.TextMatrix(n + 1, c).empty()) ++n;
  return n;
}

int plainLastFilledCol(const Grid& g) {
  for (int c = g.Cols() - 1; c >= 1; --c)
    for (int r = 1; r < g.Rows(); ++r)
      if (!g.TextMatrix(r, c).empty()) return c;
  return 0;
}

TEST(GridCaches, AgreeWithPlainCountsAfterRandomOperations) {
  std::mt19937 rng(7);
  Grid g;
  g.setCols(6);
  g.setRows(9);
  auto pick = [&](int n) { return int(rng() % unsigned(n)); };
  for (int step = 0; step < 4000; ++step) {
    const int rows = g.Rows(), cols = g.Cols();
    switch (pick(10)) {
      case 0: case 1: case 2:  // one cell, often emptied
        g.setTextMatrix(pick(rows), pick(cols), pick(3) == 0 ? "" : std::to_string(step));
        break;
      case 3:  // a bulk row write
        if (rows > 1 && cols > 1) {
          const int r = 1 + pick(rows - 1), c = 1 + pick(cols - 1);
          g.writeRowTexts(r, c, 1 + pick(cols - c), [&](int k, std::string& t) {
            t = pick(2) ? std::string() : (k % 3 == 0 ? std::string(1, '\0') : "w");
          });
        }
        break;
      case 4:
        if (pick(2)) g.AddItem(pick(2) ? "\tx\ty" : "", pick(rows + 1));
        else if (rows < 40) g.insertRows(pick(rows + 1), 1 + pick(4));
        break;
      case 5:
        if (rows > 2 && pick(2)) g.RemoveItem(1 + pick(rows - 1));
        else if (rows > 3) g.removeRows(1 + pick(rows - 2), 1 + pick(2));
        break;
      case 6: g.setRowPosition(pick(rows), pick(rows)); break;
      case 7: g.setColPosition(pick(cols), pick(cols)); break;
      case 8: if (cols < 12) g.insertCols(pick(cols + 1), 1 + pick(2)); else g.removeCols(1, 2); break;
      case 9: g.setRows(std::max(2, rows + pick(5) - 2)); break;
    }
    // Ask only sometimes, so that caches also live through several changes unasked.
    if (pick(3) == 0) {
      for (int c = 0; c < g.Cols(); ++c) ASSERT_EQ(g.dataRun(c), plainRun(g, c)) << "step " << step;
      ASSERT_EQ(g.lastFilledCol(), plainLastFilledCol(g)) << "step " << step;
      ASSERT_EQ(g.totalHeight(), g.Rows() * Grid::kDefaultRowHeight);
    }
  }
}

}  // namespace
}  // namespace tablique
