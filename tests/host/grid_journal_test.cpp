// The grid's journal: random writes (column and row loops, blocks, texts of every length class,
// alignments) taken back and put back again exactly, compared with plain copies of the grid; a
// write that fails part-way; what a run of cells costs.
#include <gtest/gtest.h>
#include <malloc.h>

#include <cstring>
#include <memory>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include <tablique/grid.h>

#include "host/grid_journal.h"
#include "support/own_codes.h"

namespace tablique {
namespace {

struct Copy {
  int32_t rows = 0, cols = 0;
  std::vector<std::string> texts;
  std::vector<uint8_t> aligns, colAligns;
  std::vector<int32_t> widths, heights;
  bool operator==(const Copy&) const = default;
};

Copy copyOf(const Grid& g) {
  Copy s{g.Rows(), g.Cols(), {}, {}, {}, {}, {}};
  for (int32_t r = 0; r < g.Rows(); ++r)
    for (int32_t c = 0; c < g.Cols(); ++c) {
      s.texts.push_back(g.TextMatrix(r, c));
      s.aligns.push_back(g.alignmentAt(r, c));
    }
  for (int32_t c = 0; c < g.Cols(); ++c) {
    s.colAligns.push_back(g.ColAlignment(c));
    s.widths.push_back(g.ColWidth(c));
  }
  for (int32_t r = 0; r < g.Rows(); ++r) s.heights.push_back(g.RowHeight(r));
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

// Two passes over the pending column alignments in one step, the second for the column next to
// the first, in a table of one data row: each row image of codes has its own tag, so the second
// may not be taken as more cells of the first one's row.
TEST(GridJournal, CodesOfAdjacentColumnsSettledApartAreTakenBackExactly) {
  Grid g;
  g.setRows(2);
  g.setCols(4);
  const uint8_t codes[] = {0, kAlignLeftCenter, kAlignCenterTop, kAlignLeftCenter};
  for (int32_t c = 1; c < 4; ++c) {
    g.setRow(1);
    g.setCol(c);
    g.setCellAlignment(codes[c]);
  }
  const Copy before = copyOf(g);
  GridJournal changes;
  g.setJournal(&changes);
  g.setColAlignment(1, g.ColAlignment(1));  // the same code: only the cell's own code goes
  g.settleAlignments();
  g.setColAlignment(2, g.ColAlignment(2));
  g.settleAlignments();
  g.setColAlignment(3, g.ColAlignment(3));
  g.settleAlignments();
  const Copy after = copyOf(g);
  GridJournal redo;
  g.setJournal(&redo);
  g.replay(changes);
  EXPECT_TRUE(copyOf(g) == before);
  g.setJournal(nullptr);
  g.replay(redo);
  EXPECT_TRUE(copyOf(g) == after);
}

// Texts at every length boundary of the image (one length byte, two, three; a chunk; a large
// page) with every byte value, written down a column, along a row and back up, the same cell
// twice, and as row blocks crossing chunks and pages: undo, redo, undo give exact copies.
TEST(GridJournal, BoundaryTextsAndTurningRunsAreTakenBackExactly) {
  std::vector<std::string> texts;
  for (size_t n : {size_t(0), size_t(1), size_t(2), size_t(15), size_t(16), size_t(17), size_t(127), size_t(128),
                   size_t(254), size_t(255), size_t(256), size_t(16383), size_t(16384), size_t(65535), size_t(65536),
                   size_t(65537), size_t(1) << 20, (size_t(2) << 20) - 5, (size_t(2) << 20) + 7}) {
    std::string t(n, '\0');
    for (size_t i = 0; i < n; ++i) t[i] = char((i * 131 + n) % 256);
    texts.push_back(std::move(t));
  }
  std::string all(256, '\0');
  for (int i = 0; i < 256; ++i) all[size_t(i)] = char(i);
  texts.push_back(all);
  texts.push_back(std::string("a\0b", 3));
  const auto pick = [&](size_t i) -> const std::string& { return texts[i % texts.size()]; };

  Grid g;
  g.setRows(24);
  g.setCols(14);
  for (int32_t r = 0; r < 24; ++r)
    for (int32_t c = 0; c < 14; ++c) g.setTextAt(r, c, pick(size_t(r * 7 + c * 3)));
  const Copy before = copyOf(g);
  GridJournal changes;
  g.setJournal(&changes);
  size_t k = 1;
  for (int32_t r = 0; r < 24; ++r) g.setTextAt(r, 2, pick(k++));           // down
  for (int32_t c = 3; c < 14; ++c) g.setTextAt(23, c, pick(k++));          // then along
  for (int32_t r = 22; r >= 0; --r) g.setTextAt(r, 13, pick(k++));         // then back up
  for (int32_t c = 0; c < 14; ++c) g.setTextAt(5, c, pick(k++));           // along again
  g.setTextAt(6, 0, pick(k++));                                            // down from its start
  g.setTextAt(6, 0, pick(k++));                                            // the same cell twice
  g.setTextAt(7, 0, pick(k++));
  for (int32_t r = 8; r < 20; ++r)
    g.writeRowTexts(r, 1, 13, [&](int32_t j, std::string& cell) { cell = pick(k + size_t(j * 5 + r)); });
  for (int32_t r = 8; r < 20; ++r)  // the same block twice
    g.writeRowTexts(r, 1, 13, [&](int32_t j, std::string& cell) { cell = pick(k + size_t(j * 3 + r * 2)); });
  changes.shrink();
  const Copy after = copyOf(g);
  ASSERT_FALSE(before == after);

  GridJournal redo;
  g.setJournal(&redo);
  g.replay(changes);
  ASSERT_TRUE(copyOf(g) == before);
  GridJournal undo;
  g.setJournal(&undo);
  g.replay(redo);
  ASSERT_TRUE(copyOf(g) == after);
  g.setJournal(nullptr);
  g.replay(undo);
  ASSERT_TRUE(copyOf(g) == before);
}

// Rows and columns inserted, removed and moved at the first and the last place, with cell codes,
// pending column alignments and sizes: each taken back, put back and taken back again exactly.
TEST(GridJournal, LinesChangedAtTheEdgesAreTakenBackExactly) {
  const auto fill = [](Grid& g) {
    g.resetEmpty(9, 6, kAlignLeftCenter, kAlignCenterTop);
    for (int32_t r = 0; r < 9; ++r) {
      g.setRowHeight(r, 200 + r);
      for (int32_t c = 0; c < 6; ++c) g.setTextAt(r, c, std::to_string(r) + "专" + std::to_string(c));
    }
    for (int32_t c = 0; c < 6; ++c) g.setColWidth(c, 900 + c);
    g.setRow(8);
    g.setCol(5);
    g.setCellAlignment(kAlignGeneral);
    g.setColAlignment(2, kAlignCenterTop);  // pending when the step starts
  };
  using Op = void (*)(Grid&);
  const Op ops[] = {
      [](Grid& g) { g.insertRows(1, 2); },        [](Grid& g) { g.insertRows(g.Rows(), 1); },
      [](Grid& g) { g.removeRows(1, 1); },        [](Grid& g) { g.removeRows(g.Rows() - 2, 2); },
      [](Grid& g) { g.setRowPosition(1, g.Rows() - 1); }, [](Grid& g) { g.setRowPosition(g.Rows() - 1, 1); },
      [](Grid& g) { g.setRowPosition(0, g.Rows() - 1); }, [](Grid& g) { g.insertCols(0, 1); },
      [](Grid& g) { g.insertCols(g.Cols(), 2); },  [](Grid& g) { g.removeCols(0, 1); },
      [](Grid& g) { g.removeCols(g.Cols() - 1, 1); }, [](Grid& g) { g.setColPosition(0, g.Cols() - 1); },
      [](Grid& g) { g.setColPosition(g.Cols() - 1, 1); },
      [](Grid& g) {  // a mixture in one step
        g.setColAlignment(g.Cols() - 1, kAlignLeftCenter);
        g.removeRows(g.Rows() - 1, 1);
        g.insertCols(1, 1);
        g.setTextAt(1, 1, "新");
        g.setRowPosition(1, g.Rows() - 1);
        g.removeCols(g.Cols() - 1, 1);
        g.insertRows(1, 1);
      },
  };
  for (size_t i = 0; i < std::size(ops); ++i) {
    SCOPED_TRACE(i);
    Grid g;
    fill(g);
    const Copy before = copyOf(g);
    GridJournal changes;
    g.setJournal(&changes);
    ops[i](g);
    g.settleAlignments();
    const Copy after = copyOf(g);
    GridJournal redo;
    g.setJournal(&redo);
    g.replay(changes);
    ASSERT_TRUE(copyOf(g) == before);
    GridJournal undo;
    g.setJournal(&undo);
    g.replay(redo);
    ASSERT_TRUE(copyOf(g) == after);
    GridJournal redo2;
    g.setJournal(&redo2);
    g.replay(undo);
    ASSERT_TRUE(copyOf(g) == before);
    g.setJournal(nullptr);
    g.replay(redo2);
    ASSERT_TRUE(copyOf(g) == after);
  }
}

void setCode(Grid& g, int32_t r, int32_t c, uint8_t code) {
  g.setRow(r);
  g.setCol(c);
  g.setCellAlignment(code);
}

// Undo writes the codes of a recorded alignment pass without reading the ones they replace when
// it knows a column's code. After every way a cell's own code can change, such a pass is replayed
// over the columns and taken back, and then put back: the cells' own codes (also those the
// painted alignment hides) must come back exactly each time.
TEST(GridJournal, KnownColumnCodesFollowEveryWayCellCodesChange) {
  constexpr int32_t kRows = 20, kCols = 6;
  using testing::ownCodes;
  using Way = void (*)(Grid&);
  const std::pair<const char*, Way> ways[] = {
      {"a cell's code", [](Grid& g) { setCode(g, 4, 2, kAlignCenterTop); }},
      {"a fixed row cell's code", [](Grid& g) { setCode(g, 0, 2, kAlignGeneral); }},
      {"a cell's code taken back and put back",
       [](Grid& g) {
         GridJournal set, back;
         g.setJournal(&set);
         setCode(g, 5, 3, kAlignCenterTop);
         g.setJournal(&back);
         g.replay(set);
         g.setJournal(nullptr);
         g.setColAlignment(3, g.ColAlignment(3));  // the column's code known again
         g.settleAlignments();
         g.replay(back);
       }},
      {"rows inserted above the first", [](Grid& g) { g.insertRows(0, 1); }},
      {"a row added above the first", [](Grid& g) { g.AddItem("a\tb", 0); }},
      {"the fixed row moved down", [](Grid& g) { g.setRowPosition(0, 7); }},
      {"a row moved to the top", [](Grid& g) { g.setRowPosition(7, 0); }},
      {"rows added below codes", [](Grid& g) {
         g.resetEmpty(12, kCols, kAlignCenterTop, kAlignGeneral);
         g.setRows(kRows);
       }},
      {"rows shrunk and grown", [](Grid& g) {
         g.resetEmpty(kRows, kCols, kAlignCenterTop, kAlignGeneral);
         g.setRows(10);
         g.setRows(kRows);
       }},
      {"rows inserted among codes", [](Grid& g) {
         g.resetEmpty(17, kCols, kAlignCenterTop, kAlignGeneral);
         g.insertRows(3, 3);
       }},
      {"a row added among codes", [](Grid& g) {
         g.resetEmpty(kRows - 1, kCols, kAlignCenterTop, kAlignGeneral);
         g.AddItem("x", 5);
       }},
      {"a new table", [](Grid& g) { g.resetEmpty(kRows, kCols, kAlignCenterTop, kAlignGeneral); }},
      {"a removed row with a code put back",
       [](Grid& g) {
         setCode(g, 6, 2, kAlignCenterTop);
         GridJournal removed;
         g.setJournal(&removed);
         g.removeRows(6, 1);
         g.setJournal(nullptr);
         g.setColAlignment(2, g.ColAlignment(2));
         g.settleAlignments();
         g.replay(removed);
       }},
      {"a removed column with a code put back",
       [](Grid& g) {
         setCode(g, 4, 2, kAlignCenterTop);
         GridJournal removed;
         g.setJournal(&removed);
         g.removeCols(2, 1);
         g.setJournal(nullptr);
         for (int32_t c = 0; c < g.Cols(); ++c) g.setColAlignment(c, g.ColAlignment(c));
         g.settleAlignments();
         g.replay(removed);
       }},
      {"a column moved right", [](Grid& g) {
         setCode(g, 4, 2, kAlignCenterTop);
         g.setColPosition(2, 4);
       }},
      {"a column moved left", [](Grid& g) {
         setCode(g, 4, 4, kAlignCenterTop);
         g.setColPosition(4, 1);
       }},
      {"a column inserted before", [](Grid& g) {
         setCode(g, 4, 2, kAlignCenterTop);
         g.insertCols(1, 1);
       }},
      {"a column removed before", [](Grid& g) {
         setCode(g, 4, 3, kAlignCenterTop);
         g.removeCols(1, 1);
       }},
      {"a table taken back",
       [](Grid& g) {
         setCode(g, 4, 2, kAlignCenterTop);
         GridJournal table;
         g.setJournal(&table);
         g.resetEmpty(kRows, kCols, kAlignGeneral, kAlignGeneral);
         g.setJournal(nullptr);
         g.replay(table);
       }},
      {"codes put back over some rows",
       [](Grid& g) {
         setCode(g, 4, 2, kAlignCenterTop);
         setCode(g, 9, 2, kAlignCenterTop);
         GridJournal pass;
         g.setJournal(&pass);
         g.setColAlignment(2, g.ColAlignment(2));
         g.settleAlignments();
         g.setJournal(nullptr);
         g.replay(pass);
       }},
      {"codes put back over every row, one differing",
       [](Grid& g) {
         for (int32_t r = 1; r < g.Rows(); ++r) setCode(g, r, 2, r == 10 ? kAlignLeftCenter : kAlignCenterTop);
         GridJournal pass;
         g.setJournal(&pass);
         g.setColAlignment(2, g.ColAlignment(2));
         g.settleAlignments();
         g.setJournal(nullptr);
         g.replay(pass);
       }},
      {"codes put back over every row, all alike",
       [](Grid& g) {
         for (int32_t r = 1; r < g.Rows(); ++r) setCode(g, r, 2, kAlignCenterTop);
         GridJournal pass;
         g.setJournal(&pass);
         g.setColAlignment(2, g.ColAlignment(2));
         g.settleAlignments();
         g.setJournal(nullptr);
         g.replay(pass);
       }},
  };
  for (const auto& [name, way] : ways) {
    SCOPED_TRACE(name);
    Grid g;
    g.resetEmpty(kRows, kCols, kAlignLeftCenter, kAlignCenterTop);
    for (int32_t r = 0; r < kRows; ++r)
      for (int32_t c = 0; c < kCols; ++c) g.setTextAt(r, c, std::to_string(r * kCols + c));
    // Alignment passes over columns 0..4, recorded: their images hold every scrollable row's
    // codes. One pass a column, so that each column's known code is put to use on its own.
    GridJournal pass;
    g.setJournal(&pass);
    for (int32_t c = 0; c < 5; ++c) {
      g.setColAlignment(c, kAlignLeftCenter);
      g.settleAlignments();
    }
    g.setJournal(nullptr);

    way(g);
    const Copy before = copyOf(g);
    const std::vector<uint8_t> ownBefore = ownCodes(g);
    GridJournal back, again;
    g.setJournal(&back);
    g.replay(pass);  // the pass's codes over what the way left
    const Copy during = copyOf(g);
    const std::vector<uint8_t> ownDuring = ownCodes(g);
    g.setJournal(&again);
    g.replay(back);
    EXPECT_EQ(ownCodes(g), ownBefore);
    EXPECT_TRUE(copyOf(g) == before);
    g.setJournal(nullptr);
    g.replay(again);
    EXPECT_EQ(ownCodes(g), ownDuring);
    EXPECT_TRUE(copyOf(g) == during);
  }
}

// The memory a journal counts is the memory it holds: what the allocator and the mapped images
// give back when it goes, within the allocator's own overhead.
TEST(GridJournal, TheMemoryCountedIsTheMemoryHeld) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's allocator keeps no mallinfo";
#endif
  const auto held = [] {
    const struct mallinfo2 m = mallinfo2();
    return int64_t(m.uordblks + m.hblkhd + detail::mappedImageBytes());
  };
  using Op = void (*)(Grid&);
  const Op ops[] = {
      [](Grid& g) { for (int32_t r = 1; r < g.Rows(); ++r) g.setTextAt(r, 1, "x"); },
      [](Grid& g) {
        for (int32_t r = 1; r < g.Rows(); ++r)
          g.writeRowTexts(r, 0, g.Cols(), [](int32_t, std::string& t) { t = "y"; });
      },
      [](Grid& g) { g.setTextAt(3, 3, "z"); },
      [](Grid& g) { g.removeRows(1, g.Rows() - 2); },
      [](Grid& g) { g.removeCols(1, 3); },
  };
  for (size_t i = 0; i < std::size(ops); ++i) {
    SCOPED_TRACE(i);
    Grid g;
    g.resetEmpty(3000, 8, kAlignLeftCenter, kAlignCenterTop);
    for (int32_t r = 1; r < 3000; ++r)
      for (int32_t c = 0; c < 8; ++c) g.setTextAt(r, c, std::string(size_t(r % 7 == 0 ? 3000 : r % 40), char('a' + c)));
    g.setTextAt(2, 2, std::string(3u << 20, 'L'));  // one text larger than a large page
    auto changes = std::make_unique<GridJournal>();
    g.setJournal(changes.get());
    ops[i](g);
    g.settleAlignments();
    g.setJournal(nullptr);
    changes->shrink();
    const auto counted = int64_t(changes->capacityBytes());
    const int64_t with = held();
    changes.reset();
    const int64_t freed = with - held();
    EXPECT_GE(counted, freed * 9 / 10) << "counted " << counted << ", freed " << freed;
    EXPECT_LE(counted, freed * 11 / 10 + 4096) << "counted " << counted << ", freed " << freed;
  }
}

// A large page of a finished step is kept for the next one (a new page costs a fault and its
// clearing); one at most half used gives its image to the heap and goes back for reuse.
TEST(GridJournal, LargePagesAreReusedAndAHalfUsedOneMovesItsImage) {
#if !defined(__linux__)
  GTEST_SKIP() << "large images are mapped on Linux only";
#endif
  const size_t base = detail::mappedImageBytes();
  void* inUse = detail::allocateImage(detail::kLargeImage);  // keeps the pool alive
  void* p = detail::allocateImage(detail::kLargeImage);
  detail::freeImage(p, detail::kLargeImage, true);
  EXPECT_EQ(detail::mappedImageBytes(), base + detail::kLargeImage);
  void* q = detail::allocateImage(detail::kLargeImage);
  EXPECT_EQ(q, p);

  size_t capacity = detail::kLargeImage;
  bool mapped = true;
  std::memset(q, 'h', 1000);
  void* half = detail::shrinkImage(q, capacity, 1000, mapped);
  EXPECT_FALSE(mapped);
  EXPECT_EQ(capacity, 1000u);
  EXPECT_EQ(std::string(static_cast<char*>(half), 1000), std::string(1000, 'h'));
  EXPECT_EQ(detail::mappedImageBytes(), base + detail::kLargeImage);
  EXPECT_EQ(detail::allocateImage(detail::kLargeImage), p);  // its page was kept

  capacity = detail::kLargeImage;
  mapped = true;
  std::memset(p, 'f', detail::kLargeImage / 2 + 1);
  EXPECT_EQ(detail::shrinkImage(p, capacity, detail::kLargeImage / 2 + 1, mapped), p);
  EXPECT_TRUE(mapped);
  EXPECT_EQ(capacity, detail::kLargeImage);
  EXPECT_EQ(static_cast<char*>(p)[detail::kLargeImage / 2], 'f');

  detail::freeImage(half, 1000, false);
  detail::freeImage(p, detail::kLargeImage, true);
  detail::freeImage(inUse, detail::kLargeImage, true);
  EXPECT_EQ(detail::mappedImageBytes(), base);
}

// Room taken for a row image that was not kept (the row did not change) is given back when the
// step is complete, not held and counted with it.
TEST(GridJournal, RoomForAnImageNotKeptIsGivenBack) {
  Grid g;
  g.setRows(5000);
  g.setCols(50);
  for (int32_t r = 1; r < 5000; ++r)
    g.writeRowTexts(r, 0, 50, [&](int32_t k, std::string& t) { t = std::to_string(r * 50 + k); });
  g.setTextAt(0, 1, std::string(600000, 'c'));
  GridJournal changes;
  g.setJournal(&changes);
  g.setTextAt(0, 1, "changed");  // its old text fills the first chunk
  for (int32_t r = 1; r < 5000; ++r)  // the same texts again: nothing to keep
    g.writeRowTexts(r, 0, 50, [&](int32_t k, std::string& t) { t = std::to_string(r * 50 + k); });
  changes.shrink();
  EXPECT_EQ(changes.changes.size(), 1u);
  EXPECT_LT(changes.capacityBytes(), 600000u + 1024u);
  g.setJournal(nullptr);
  g.replay(changes);
  EXPECT_EQ(g.TextMatrix(0, 1), std::string(600000, 'c'));
}

// Random writes mixed with rows and columns inserted, removed and moved and sizes set, in one
// journal: taken back, put back and taken back again exactly.
TEST(GridJournal, WritesMixedWithLineChangesAreTakenBackExactly) {
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    std::mt19937 rng(seed);
    Grid g;
    g.resetEmpty(30, 8, kAlignLeftCenter, kAlignCenterTop);
    randomChanges(g, rng, 10);
    const Copy before = copyOf(g);
    GridJournal changes;
    g.setJournal(&changes);
    for (int e = 0; e < 25; ++e) {
      const auto pick = [&](int32_t n) { return int32_t(rng() % uint32_t(n)); };
      switch (rng() % 8) {
        case 0: g.insertRows(1 + pick(g.Rows()), 1 + pick(3)); break;
        case 1: if (g.Rows() > 6) g.removeRows(1 + pick(g.Rows() - 4), 1 + pick(3)); break;
        case 2: g.setRowPosition(pick(g.Rows()), pick(g.Rows())); break;
        case 3: g.insertCols(pick(g.Cols() + 1), 1 + pick(2)); break;
        case 4: if (g.Cols() > 4) g.removeCols(pick(g.Cols() - 2), 1 + pick(2)); break;
        case 5: g.setColPosition(pick(g.Cols()), pick(g.Cols())); break;
        case 6: g.setColWidth(pick(g.Cols()), pick(3000)); g.setRowHeight(pick(g.Rows()), pick(900)); break;
        default: randomChanges(g, rng, 2); break;
      }
    }
    g.settleAlignments();
    const Copy after = copyOf(g);
    GridJournal redo;
    g.setJournal(&redo);
    g.replay(changes);
    ASSERT_TRUE(copyOf(g) == before) << "undo, seed " << seed;
    GridJournal undo;
    g.setJournal(&undo);
    g.replay(redo);
    ASSERT_TRUE(copyOf(g) == after) << "redo, seed " << seed;
    g.setJournal(nullptr);
    g.replay(undo);
    ASSERT_TRUE(copyOf(g) == before) << "undo again, seed " << seed;
  }
}

}  // namespace
}  // namespace tablique
