// The grid's journal: random writes (column and row loops, blocks, texts of every length class,
// alignments) taken back and put back again exactly, compared with plain copies of the grid; a
// write that fails part-way; what a run of cells costs.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <tablique/grid.h>

#include "host/grid_journal.h"

namespace tablique {
namespace {

struct Copy {
  int32_t rows = 0, cols = 0;
  std::vector<std::string> texts;
  std::vector<uint8_t> aligns, colAligns;
  bool operator==(const Copy&) const = default;
};

Copy copyOf(const Grid& g) {
  Copy s{g.Rows(), g.Cols(), {}, {}, {}};
  for (int32_t r = 0; r < g.Rows(); ++r)
    for (int32_t c = 0; c < g.Cols(); ++c) {
      s.texts.push_back(g.TextMatrix(r, c));
      s.aligns.push_back(g.alignmentAt(r, c));
    }
  for (int32_t c = 0; c < g.Cols(); ++c) s.colAligns.push_back(g.ColAlignment(c));
  return s;
}

// Lengths around every boundary of the image: empty, the short copy (16), one length byte (127),
// a text larger than the first chunks, one larger than a row's room.
std::string randomText(std::mt19937& rng) {
  static const size_t kLengths[] = {0, 1, 5, 15, 16, 17, 100, 127, 128, 129, 300, 5000, 70000};
  const size_t n = kLengths[rng() % std::size(kLengths)];
  std::string t(n, 'a');
  for (char& ch : t) ch = char(rng() % 256);
  if (n == 1 && rng() % 4 == 0) t[0] = '\0';  // U+0000 alone: an empty cell
  return t;
}

void randomChanges(Grid& g, std::mt19937& rng, int events) {
  const int32_t rows = g.Rows(), cols = g.Cols();
  for (int e = 0; e < events; ++e) {
    const int32_t r = int32_t(rng() % uint32_t(rows)), c = int32_t(rng() % uint32_t(cols));
    switch (rng() % 7) {
      case 0:  // down a column, as a sort or a recalc writes
        for (int32_t i = r; i < rows; ++i) g.setTextAt(i, c, rng() % 8 ? std::to_string(rng() % 1000) : randomText(rng));
        break;
      case 1:  // along a row
        for (int32_t k = c; k < cols; ++k) g.setTextAt(r, k, randomText(rng));
        break;
      case 2: {  // a block of rows, as a paste writes
        const int32_t n = cols - c, h = std::min<int32_t>(rows - r, 1 + int32_t(rng() % 40));
        for (int32_t i = r; i < r + h; ++i)
          g.writeRowTexts(i, c, n, [&](int32_t, std::string& cell) { cell = randomText(rng); });
        break;
      }
      case 3:  // the same cell again and again, the last value the same as the first
        for (const char* t : {"x", "y", "", "x"}) g.setTextAt(r, c, t);
        break;
      case 4:
        g.moveTextAt(r, c, randomText(rng));
        break;
      case 5:
        g.setRow(r);
        g.setCol(c);
        g.setCellAlignment(uint8_t(rng() % 4));
        break;
      default:
        g.setColAlignment(c, uint8_t(rng() % 4));
        break;
    }
  }
}

TEST(GridJournal, ReplayTakesBackAndPutsBackRandomWrites) {
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    Grid g;
    g.resetEmpty(120, 9, kAlignLeftCenter, kAlignCenterTop);  // every data cell with a code of its own
    randomChanges(g, rng, 20);  // a filled table, recorded by nobody
    const Copy before = copyOf(g);

    GridJournal changes;
    g.setJournal(&changes);
    randomChanges(g, rng, 30);
    g.settleAlignments();
    const Copy after = copyOf(g);

    GridJournal redo;
    g.setJournal(&redo);
    g.replay(changes);
    ASSERT_TRUE(copyOf(g) == before) << "undo, seed " << seed;
    EXPECT_TRUE(changes.empty());

    GridJournal undo;
    g.setJournal(&undo);
    g.replay(redo);
    ASSERT_TRUE(copyOf(g) == after) << "redo, seed " << seed;
    g.setJournal(nullptr);
    g.replay(undo);
    ASSERT_TRUE(copyOf(g) == before) << "undo again, seed " << seed;
  }
}

// A row write that fails in the middle (after a long text moved the row's image to new room):
// the cells written so far are recorded and taken back.
TEST(GridJournal, AFailedRowWriteIsTakenBack) {
  Grid g;
  g.setRows(4);
  g.setCols(40);
  for (int32_t c = 0; c < 40; ++c) g.setTextAt(1, c, std::string(c < 10 || c % 3 ? 3 : 20000, char('a' + c % 26)));
  const Copy before = copyOf(g);
  GridJournal changes;
  g.setJournal(&changes);
  g.setTextAt(2, 0, "z");  // the journal's first chunk is small: at cell 12 the row's image moves
  EXPECT_THROW(g.writeRowTexts(1, 0, 40,
                               [](int32_t k, std::string& cell) {
                                 if (k == 30) throw std::runtime_error("no");
                                 cell = "new" + std::to_string(k);
                               }),
               std::runtime_error);
  EXPECT_EQ(g.TextMatrix(1, 29), "new29");
  g.setJournal(nullptr);
  g.replay(changes);
  EXPECT_TRUE(copyOf(g) == before);
}

// Writing a column of 6998 short numbers keeps a few bytes a cell, not a change per cell; the
// memory counted covers the old texts.
TEST(GridJournal, ARunOfCellsCostsBytesPerCell) {
  Grid g;
  g.setRows(6999);
  g.setCols(3);
  for (int32_t r = 1; r < 6999; ++r) g.setTextAt(r, 1, std::to_string(r * 7));
  GridJournal changes;
  g.setJournal(&changes);
  for (int32_t r = 1; r < 6999; ++r) g.setTextAt(r, 1, std::to_string(r));
  changes.shrink();
  size_t oldBytes = 0;
  for (int32_t r = 1; r < 6999; ++r) oldBytes += std::to_string(r * 7).size() + 1;
  EXPECT_LE(changes.changes.size(), 8u);  // one per chunk of the text store
  EXPECT_GE(changes.capacityBytes(), oldBytes);
  EXPECT_LE(changes.capacityBytes(), oldBytes + 2048);
}

}  // namespace
}  // namespace tablique
