// Commands that leave the table as it was add no step (a new table like the one there, lines
// alike exchanged, a file reopened that holds the table), while one difference still makes one;
// and the bound gives up redo steps that cannot be kept before any undo step.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/history.h"
#include "control/journal_net.h"
#include "control/undo_snapshot.h"
#include "support/driver.h"

namespace tablique::testing {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  explicit TempDir(const std::string& name) : path(fs::temp_directory_path() / name) {
    fs::remove_all(path);
    fs::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string file(const std::string& name) const { return (path / name).string(); }
};

// `mark` is a real change (one step); `noop` then leaves the table as it is and adds no step,
// and Ctrl+Z still takes back the mark, exactly.
void expectNoStep(Control& c, const std::function<void()>& mark, const std::function<void()>& noop) {
  const Snapshot before = snap(c);
  const size_t steps = c.undoSteps();
  mark();
  ASSERT_EQ(c.undoSteps(), steps + 1) << "the mark is a step";
  const Snapshot marked = snap(c);
  noop();
  EXPECT_TRUE(snap(c).sameTable(marked)) << describe(snap(c), marked);
  EXPECT_EQ(c.undoSteps(), steps + 1) << "a command that changed nothing added a step";
  c.focusGrid();
  c.pressKey(90, 2);  // Ctrl+Z
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  EXPECT_EQ(c.undoSteps(), steps);
}

TEST(UndoNoop, ANewTableLikeTheOneThereIsNoStep) {
  {
    Control c;  // starts as 500 x 50
    c.rowcol(500, 50);
    EXPECT_EQ(c.undoSteps(), 0u);
  }
  Control c;
  c.rowcol(9, 8);
  EXPECT_EQ(c.undoSteps(), 1u) << "a new size is a step";
  c.rowcol(9, 8);
  EXPECT_EQ(c.undoSteps(), 1u) << "twice the same";
  // A new table keeps the widths: one set before it stays the step undone.
  expectNoStep(c, [&] { c.setcolw(3, 25); }, [&] { c.rowcol(9, 8); });
  expectNoStep(c, [&] { c.setcolw(8, 5); }, [&] { c.rowcol(9, 8); c.rowcol(9, 8); });

  // One difference: a cell, a formula record, the counts, the cells' own alignment codes (the
  // column alignments of addrow replace them; a new table sets them again).
  c.settext(9, 8, "一");
  expectOneStep(c, [&] { c.rowcol(9, 8); });
  c.rowcol(9, 8);
  c.formuset(2, "C1+1");
  expectOneStep(c, [&] { c.rowcol(9, 8); });
  c.rowcol(9, 8);
  expectOneStep(c, [&] { c.rowcol(9, 9); });
  expectOneStep(c, [&] { c.rowcol(10, 8); });
  c.addrow(1);
  c.addrow(-1);
  ASSERT_EQ(c.rows(), 9);
  expectOneStep(c, [&] { c.rowcol(9, 8); });
}

// Rows 3 and 4 alike in texts (Chinese, emoji, marks), heights and the column formula's
// results; columns 2 and 3 alike in texts and widths; column 7 empty.
void prepareLines(Control& c, int32_t rows = 8) {
  c.rowcol(rows, 7);
  for (int r : {3, 4}) {
    c.settext(r, 1, "一 专业");
    c.settext(r, 2, "😀\"$;@?");
    c.settext(r, 3, "😀\"$;@?");
    c.setrowh(r, 9);
  }
  for (int r : {1, 2, 5}) {
    c.settext(r, 2, std::to_string(r));
    c.settext(r, 3, std::to_string(r));
  }
  c.setcolw(2, 21);
  c.setcolw(3, 21);
  c.formuset(6, "C1&\"为什么\"");
  c.update(6);
  c.clearUndo();
}

TEST(UndoNoop, ExchangingRowsOrColumnsAlikeIsNoStep) {
  Control c;
  prepareLines(c);
  const auto mark = [&] { c.settext(7, 1, c.gettext(7, 1) + "标"); };
  expectNoStep(c, mark, [&] {
    click(c, 3, 2);
    c.focusGrid();
    c.m_rowdow();
    EXPECT_EQ(c.grid().Row(), 4) << "the current cell moves with the row";
    c.m_rowup();
    c.m_rowdow();
  });
  expectNoStep(c, mark, [&] {
    click(c, 2, 2);
    c.focusGrid();
    c.m_colrig();
    EXPECT_EQ(c.grid().Col(), 3);
    c.m_collef();
  });
  // From the popup menu.
  expectNoStep(c, mark, [&] {
    c.headless().queueMenuChoice("CommandAA11m");  // row up
    press(c, 4, 1, kRight);
    release(c, 4, 1, kRight);
    c.headless().queueMenuChoice("CommandAA9m");  // column right
    press(c, 3, 2, kRight);
    release(c, 3, 2, kRight);
  });

  // One difference: a cell, a height, a cell formula of one of the rows, a width, a column
  // formula on one of the columns.
  const auto rowDown = [&] {
    click(c, 3, 1);
    c.focusGrid();
    c.m_rowdow();
  };
  const auto colRight = [&] {
    click(c, 1, 2);
    c.focusGrid();
    c.m_colrig();
  };
  c.settext(4, 5, "x");
  expectOneStep(c, rowDown);
  c.settext(4, 5, "");
  c.setrowh(3, 12);
  expectOneStep(c, rowDown);
  c.setrowh(3, 9);
  c.mouseset(4, 5);
  c.formuset(5, "=C1&\"@\"");
  expectOneStep(c, rowDown);
  c.formuset(5, "");
  c.settext(8, 3, "y");
  expectOneStep(c, colRight);
  c.settext(8, 3, "");
  c.setcolw(3, 30);
  expectOneStep(c, colRight);
  c.setcolw(3, 21);
  c.formuset(3, "C1+1");
  expectOneStep(c, colRight);
}

// The table as it is, written to a text file or a data file and opened again.
TEST(UndoNoop, ReopeningAFileThatHoldsTheTableIsNoStep) {
  const TempDir dir("tablique-undo-noop-files");
  const std::string txt = dir.file("table.txt"), tbq = dir.file("table.tbq");
  Control c;
  prepareLines(c);
  c.formuset(6, "");  // a text file keeps no formulas
  c.addrow(1);        // data columns aligned as opening a file aligns them
  c.clearUndo();
  const auto mark = [&] { c.settext(2, 1, c.gettext(2, 1) + "标"); };
  expectNoStep(c, mark, [&] {
    c.headless().queueFile(txt);
    c.savetxt();
    c.headless().queueFile(txt);
    c.opentxt();
  });

  // The file differs from the table in one cell: a step.
  c.settext(3, 1, "二 专业");
  expectOneStep(c, [&] {
    c.headless().queueFile(txt);
    c.opentxt();
  });

  // The data file, with a column formula, a cell formula and the heights of many rows.
  prepareLines(c, 400);
  for (int r = 10; r <= 390; ++r) {
    c.settext(r, 1, std::to_string(r % 11));
    c.setrowh(r, 5 + float(r % 7));
  }
  c.mouseset(7, 4);
  c.formuset(4, "=C1&\"?\"");
  c.update(6);
  c.headless().queueFile(tbq);
  c.m_daexp();
  c.headless().queueFile(tbq);
  c.m_dainp();  // the import aligns the data columns
  c.clearUndo();
  expectNoStep(c, mark, [&] {
    c.headless().queueFile(tbq);
    c.m_daexp();
    c.headless().queueFile(tbq);
    c.m_dainp();
  });
  // A file that differs from the table in a cell, a height or a formula record: a step.
  int k = 0;
  for (const auto& differ : std::vector<std::function<void()>>{
           [&] { c.settext(5, 5, "五"); }, [&] { c.setrowh(200, 30.5f); }, [&] { c.formuset(5, "C1*3"); }}) {
    SCOPED_TRACE(++k);
    c.headless().queueFile(tbq);
    c.m_daexp();
    differ();
    expectOneStep(c, [&] {
      c.headless().queueFile(tbq);
      c.m_dainp();
    });
  }
}

// Exporting writes the records compacted (formulas stored over others, retired cell formulas
// dropped): the same formulas, so no step. Ctrl+Z then takes back the change before, and undo
// further back still gives the records as they were written.
TEST(UndoNoop, ExportingTheTableIsNoStepAlsoWhereItCompactsTheRecords) {
  const TempDir dir("tablique-undo-noop-export");
  const std::string tbq = dir.file("table.tbq");
  Control c;
  prepareLines(c);
  c.formuset(6, "C1&\"专业\"");  // stored in front of the other: one piece to drop
  c.mouseset(2, 5);
  c.formuset(5, "=C2*2");
  c.update(5);
  c.mouseset(2, 5);
  c.m_delete();  // retires the cell formula of (2, 5)
  const Snapshot written = snap(c);
  const std::string column6 = c.formuget(6), column5 = c.formuget(5);
  c.clearUndo();
  ASSERT_NE(c.state().colFormula, written.records) << "formuget compacted them, no step";
  const auto mark = [&] { c.settext(2, 1, "标 😀"); };
  expectNoStep(c, mark, [&] {
    c.headless().queueFile(tbq);
    c.m_daexp();
    ASSERT_TRUE(fs::exists(tbq));
  });
  EXPECT_EQ(c.formuget(6), column6);
  EXPECT_EQ(c.formuget(5), column5);

  // Not compacted by formuget first: the export compacts them itself, still no step, and undo
  // all the way gives the records exactly as they were.
  Control d;
  prepareLines(d);
  const Snapshot start = snap(d);
  d.formuset(6, "C1&\"专业\"");
  d.mouseset(2, 5);
  d.formuset(5, "=C2*2");
  d.update(5);
  d.mouseset(2, 5);
  d.m_delete();
  const Snapshot before = snap(d);
  const size_t steps = d.undoSteps();
  d.headless().queueFile(tbq);
  d.m_daexp();
  EXPECT_EQ(d.undoSteps(), steps) << "the export added a step";
  EXPECT_NE(d.state().colFormula, before.records) << "nothing was compacted";
  d.focusGrid();
  for (size_t k = 0; k < steps; ++k) d.pressKey(90, 2);  // Ctrl+Z
  EXPECT_TRUE(snap(d).sameTable(start)) << describe(snap(d), start);
  EXPECT_FALSE(d.canUndo());
}

// The formula command cancelled stores nothing but compacts the column's record: the same
// formulas, no step; Ctrl+Z takes back the change before it.
TEST(UndoNoop, TheFormulaCommandCancelledIsNoStepAlsoWhereItCompactsTheRecord) {
  Control c;
  prepareLines(c);
  c.formuset(6, "C1&\"专业\"");  // stored in front of the other, which compaction drops
  c.clearUndo();
  const std::string stacked = c.state().colFormula[6];
  const Snapshot before = meant(c);
  c.settext(5, 1, "为什么");
  const Snapshot marked = meant(c);
  enterFormula(c, 2, 6, std::nullopt);
  c.focusGrid();
  EXPECT_TRUE(meant(c).sameTable(marked)) << describe(meant(c), marked);
  EXPECT_EQ(c.undoSteps(), 1u) << "a command that changed no formula added a step";
  c.pressKey(90, 2);  // Ctrl+Z
  EXPECT_TRUE(meant(c).sameTable(before)) << describe(meant(c), before);
  EXPECT_FALSE(c.canUndo());
  const std::string compacted = c.formuget(6);
  EXPECT_NE(c.state().colFormula[6], stacked) << "nothing was compacted";
  EXPECT_NE(compacted.find("专业"), std::string::npos);
  EXPECT_EQ(compacted.find("为什么"), std::string::npos);
}

// A host's MouseDown handler runs within the press's step: a text, a width, a height or a
// column alignment written there to lines the handler then takes off makes one step (no
// comparison with lines the table no longer has), the older steps stay, and undo and redo
// are exact.
TEST(UndoNoop, ChangesToLinesTakenOffLaterInTheSameStepAreOneStep) {
  using Handler = std::function<void(Control&)>;
  const std::vector<std::pair<const char*, Handler>> handlers = {
      {"a width, the column taken off", [](Control& c) { c.setcolw(7, 30); c.addcol(-3); }},
      {"a height, the rows taken off", [](Control& c) { c.setrowh(40, 12); c.addrow(-30); }},
      {"texts, the rows taken off", [](Control& c) {
         for (int r = 30; r <= 40; ++r) c.settext(r, 6, "专业 😀 " + std::to_string(r));
         c.addrow(-30);
       }},
      {"a column alignment, the columns taken off", [](Control& c) {
         c.settext(40, 7, "x");
         c.mouseset(3, 6);
         c.m_colins();
         c.addcol(-4);
       }},
  };
  for (const auto& [name, handler] : handlers) {
    SCOPED_TRACE(name);
    [&, &handler = handler] {
      Control c;
      prepareLines(c, 40);
      const std::string old = c.gettext(2, 1);
      c.settext(2, 1, "早");  // an older step that must stay
      ASSERT_EQ(c.undoSteps(), 1u);
      const Snapshot before = snap(c);
      c.MouseDown = [&](int16_t&, int16_t&, float&, float&) { handler(c); };
      click(c, 2, 2);
      c.MouseDown = nullptr;
      c.focusGrid();
      const Snapshot after = snap(c);
      ASSERT_FALSE(after.sameTable(before));
      ASSERT_EQ(c.undoSteps(), 2u) << "the history was lost";
      ASSERT_TRUE(c.undo());
      EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
      ASSERT_TRUE(c.redo());
      EXPECT_TRUE(snap(c).sameTable(after)) << describe(snap(c), after);
      ASSERT_TRUE(c.undo());
      ASSERT_TRUE(c.undo());
      EXPECT_EQ(c.gettext(2, 1), old);
    }();
  }
}

// The same at the grid: a journal whose texts, codes or sizes went to lines taken off later is
// a change, decided without reading outside the table.
TEST(UndoNoop, AJournalThatTakesOffTheLinesItWroteIsAChange) {
  using Write = void (*)(Grid&);
  const std::pair<const char*, Write> writes[] = {
      {"a text", [](Grid& g) { g.setTextAt(30, 4, "一"); }},
      {"a cell's code", [](Grid& g) { g.setRow(30); g.setCol(4); g.setCellAlignment(kAlignCenterTop); }},
      {"a height", [](Grid& g) { g.setRowHeight(30, 500); }},
      {"a width", [](Grid& g) { g.setColWidth(4, 500); }},
      {"a column alignment", [](Grid& g) { g.setColAlignment(4, kAlignCenterTop); }},
  };
  for (const auto& [name, write] : writes) {
    for (const bool rows : {true, false}) {
      SCOPED_TRACE(std::string(name) + (rows ? ", rows taken off" : ", columns taken off"));
      Grid g;
      g.resetEmpty(40, 6, kAlignLeftCenter, kAlignCenterTop);
      GridJournal j;
      g.setJournal(&j);
      write(g);
      if (rows) g.setRows(3); else g.setCols(2);
      g.settleAlignments();
      g.setJournal(nullptr);
      EXPECT_FALSE(leavesTableAsItIs(g, j));
    }
  }
}

// The largest table: a new table like the one there, rows alike exchanged and the table
// reopened add no step.
TEST(UndoNoop, TheLargestTableRenewedReopenedOrWithRowsExchangedAddsNoStep) {
  const TempDir dir("tablique-undo-noop-large");
  Control c;
  c.rowcol(6998, 49);
  const auto mark = [&] { c.setcolw(4, c.grid().ColWidth(4) == 900 ? 20.f : 30.f); };
  expectNoStep(c, mark, [&] { c.rowcol(6998, 49); });
  std::string block;
  for (int r = 0; r < 6998; ++r) {
    for (int j = 0; j < 49; ++j) block += (j ? "\t" : "") + std::to_string((r / 2 * 7919 + j * 31) % 10007);
    block += "\r\n";
  }
  c.headless().setClipboardText(block);
  c.mouseset(1, 1);
  c.m_paste();
  c.addrow(1);
  c.addrow(-1);
  c.clearUndo();
  expectNoStep(c, mark, [&] {
    click(c, 6001, 3);  // rows 6001 and 6002 are alike
    c.focusGrid();
    c.m_rowdow();
    c.m_rowup();
  });
  expectNoStep(c, mark, [&] {
    c.headless().queueFile(dir.file("full.txt"));
    c.savetxt();
    c.headless().queueFile(dir.file("full.txt"));
    c.opentxt();
  });
}

// ---- the journal's net effect against a plain copy of the table, on the grid itself

struct RawTable {
  int32_t rows = 0, cols = 0;
  std::vector<std::string> texts;
  std::vector<uint8_t> owns, colAligns;
  std::vector<int32_t> widths, heights;
  bool operator==(const RawTable&) const = default;
};

RawTable raw(const Grid& g) {
  g.alignmentAt(0, 0);  // settles column alignments
  RawTable t{g.Rows(), g.Cols(), {}, {}, {}, {}, {}};
  for (int32_t r = 0; r < g.Rows(); ++r)
    for (int32_t c = 0; c < g.Cols(); ++c) {
      t.texts.push_back(g.textAt(r, c));
      t.owns.push_back(g.ownAlignmentAt(r, c));
    }
  for (int32_t c = 0; c < g.Cols(); ++c) {
    t.colAligns.push_back(g.ColAlignment(c));
    t.widths.push_back(g.ColWidth(c));
  }
  for (int32_t r = 0; r < g.Rows(); ++r) t.heights.push_back(g.RowHeight(r));
  return t;
}

// Random steps of writes, alignments, sizes and moves, many of them undoing each other or
// moving lines alike: a step exactly when the table differs from the copy taken before, and
// undo and redo give the copies back.
TEST(UndoNoop, AStepIsMadeExactlyWhenTheTableDiffers) {
  const std::vector<std::string> texts = {"", "a", "一", "😀", std::string(40, 'z')};
  int noSteps = 0, steps = 0;
  for (uint32_t seed = 1; seed <= 300; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    const auto text = [&] { return texts[size_t(pick(0, 4))]; };
    Grid g;
    g.resetEmpty(pick(3, 7), pick(3, 6), kAlignLeftCenter, kAlignCenterTop);
    // Few distinct values, so that lines are often alike.
    for (int32_t r = 0; r < g.Rows(); ++r)
      for (int32_t c = 0; c < g.Cols(); ++c) g.setTextAt(r, c, pick(0, 2) ? std::string() : text());
    ControlState st;
    History h(g, st, [] { return false; });
    for (int round = 0; round < 25; ++round) {
      const RawTable before = raw(g);
      const size_t had = h.steps();
      h.open();
      const int n = pick(1, 5);
      for (int i = 0; i < n; ++i) {
        const int32_t r = pick(0, g.Rows() - 1), c = pick(0, g.Cols() - 1);
        const int32_t r2 = std::min(g.Rows() - 1, r + 1), c2 = std::min(g.Cols() - 1, c + 1);
        switch (pick(0, 11)) {
          case 0: g.setTextAt(r, c, text()); break;
          case 1: {  // a write taken back
            const std::string old = g.textAt(r, c);
            g.setTextAt(r, c, text());
            g.setTextAt(r, c, old);
            break;
          }
          case 2:
            g.setRow(r);
            g.setCol(c);
            g.setCellAlignment(uint8_t(pick(0, 1) ? kAlignLeftCenter : kAlignGeneral));
            break;
          case 3: g.setColAlignment(c, uint8_t(pick(0, 2) ? kAlignLeftCenter : kAlignGeneral)); break;
          case 4: g.setRowHeight(r, pick(0, 1) ? Grid::kDefaultRowHeight : 300); break;
          case 5: g.setColWidth(c, pick(0, 1) ? Grid::kDefaultColWidth : 900); break;
          case 6: g.setRowPosition(r, r2); break;
          case 7: g.setColPosition(c, c2); break;
          case 8: g.setRowPosition(r, pick(0, g.Rows() - 1)); break;
          case 9: g.setColPosition(pick(0, g.Cols() - 1), c); break;
          case 10: {  // rows exchanged and their headers written back, as the row moves do
            const std::string a = g.textAt(r, 0), b = g.textAt(r2, 0);
            g.setRowPosition(r2, r);
            g.setTextAt(r, 0, a);
            g.setTextAt(r2, 0, b);
            break;
          }
          case 11: {
            const std::string a = g.textAt(0, c), b = g.textAt(0, c2);
            g.setColPosition(c2, c);
            g.setTextAt(0, c, a);
            g.setTextAt(0, c2, b);
            break;
          }
        }
      }
      h.close();
      const RawTable after = raw(g);
      if (after == before) {
        ASSERT_EQ(h.steps(), had) << "round " << round << ": no change, but a step";
        ++noSteps;
        continue;
      }
      ASSERT_EQ(h.steps(), had + 1) << "round " << round;
      ++steps;
      ASSERT_TRUE(h.undo());
      ASSERT_TRUE(raw(g) == before) << "round " << round;
      ASSERT_TRUE(h.redo());
      ASSERT_TRUE(raw(g) == after) << "round " << round;
    }
  }
  EXPECT_GT(noSteps, 500);  // both kinds are common
  EXPECT_GT(steps, 1000);
}

// ---- the bound

std::string longBlock(int rows, int cols, size_t textBytes, const std::string& piece) {
  std::string text;
  while (text.size() < textBytes) text += piece;
  std::string block;
  for (int r = 0; r < rows; ++r) {
    for (int j = 0; j < cols; ++j) block += (j ? "\t" : "") + text + std::to_string(r * cols + j);
    block += "\r\n";
  }
  return block;
}

void pasteAt(Control& c, int32_t r, int32_t col, const std::string& block) {
  c.headless().setClipboardText(block);
  c.mouseset(r, col);
  c.m_paste();
  c.focusGrid();
}

// Undoing a paste of long texts over empty cells gives a redo step larger than the bound: it is
// not kept, and the older undo steps stay (they were dropped for it, and it went after them).
TEST(UndoBound, AnUndoWhoseInverseDoesNotFitKeepsTheOlderSteps) {
  Control c;
  c.rowcol(60, 6);
  c.setUndoLimit(256 << 10);
  std::vector<Snapshot> states{snap(c)};
  for (int k = 1; k <= 3; ++k) {
    c.settext(k, 1, "专业" + std::to_string(k));
    states.push_back(snap(c));
  }
  int calls = 0;
  c.setHistoryListener([&] { ++calls; });
  pasteAt(c, 10, 1, longBlock(40, 5, 2000, "一二三"));  // 400 KB over empty cells: a small step
  ASSERT_EQ(c.undoSteps(), 4u);
  calls = 0;
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(states[3])) << describe(snap(c), states[3]);
  EXPECT_FALSE(c.canRedo()) << "the pasted texts do not fit the bound";
  EXPECT_EQ(c.undoSteps(), 3u) << "the older steps stay";
  EXPECT_GE(calls, 1);
  for (int k = 2; k >= 0; --k) {
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(states[size_t(k)])) << k << ": " << describe(snap(c), states[size_t(k)]);
  }
  for (int k = 1; k <= 3; ++k) {
    ASSERT_TRUE(c.redo());
    EXPECT_TRUE(snap(c).sameTable(states[size_t(k)])) << k;
  }
  EXPECT_FALSE(c.redo());
}

// Redo steps that fit alone but not together: the far ones go, the nearest stays, and no undo
// step goes for them.
TEST(UndoBound, RedoStepsThatDoNotFitTogetherGoFromTheFarEnd) {
  Control c;
  c.rowcol(80, 6);
  c.setUndoLimit(256 << 10);
  c.settext(1, 1, "一");
  const Snapshot first = snap(c);
  pasteAt(c, 5, 1, longBlock(30, 5, 1000, "为什么"));  // about 150 KB of texts
  const Snapshot pasted1 = snap(c);
  pasteAt(c, 40, 1, longBlock(30, 5, 1000, "专业"));
  ASSERT_EQ(c.undoSteps(), 3u);
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.redoSteps(), 1u);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(first));
  EXPECT_EQ(c.redoSteps(), 1u) << "the far redo step went for the near one";
  EXPECT_EQ(c.undoSteps(), 1u) << "no undo step went for them";
  ASSERT_TRUE(c.redo());
  EXPECT_TRUE(snap(c).sameTable(pasted1)) << describe(snap(c), pasted1);
  EXPECT_FALSE(c.canRedo());
  ASSERT_TRUE(c.undo());
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(1, 1), "");
}

// A new step larger than the bound: older steps cannot be taken back without it, so the history
// is empty, consistently told, and records again from there.
TEST(UndoBound, ANewStepLargerThanTheBoundLeavesAnEmptyHistoryThatRecordsAgain) {
  Control c;
  c.rowcol(60, 6);
  c.setUndoLimit(64 << 10);
  c.settext(1, 1, "一");
  c.settext(2, 1, "二");
  ASSERT_TRUE(c.undo());  // a redo step too
  bool canUndo = true, canRedo = true;
  c.setHistoryListener([&] {
    canUndo = c.canUndo();
    canRedo = c.canRedo();
  });
  pasteAt(c, 10, 1, longBlock(10, 5, 2000, "😀"));
  pasteAt(c, 10, 1, longBlock(10, 5, 2000, "专"));  // its old texts are 100 KB
  EXPECT_FALSE(c.canUndo());
  EXPECT_FALSE(c.canRedo());
  EXPECT_FALSE(canUndo);
  EXPECT_FALSE(canRedo);
  EXPECT_FALSE(c.undo());
  const Snapshot before = snap(c);
  c.settext(3, 3, "三");
  EXPECT_TRUE(canUndo);
  ASSERT_EQ(c.undoSteps(), 1u);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(before));
}

// Redo steps dropped by a new change no longer count against the bound: a session of undo and
// new changes keeps recording (they used to fill the bound until no step was kept).
TEST(UndoBound, RedoStepsDroppedByANewChangeGiveBackTheirRoom) {
  Control c;
  c.rowcol(60, 6);
  c.setUndoLimit(64 << 10);
  const std::string big(20 << 10, 'x');
  for (int round = 0; round < 12; ++round) {
    SCOPED_TRACE(round);
    c.settext(1, 1, big + std::to_string(round));
    ASSERT_TRUE(c.undo());
    ASSERT_EQ(c.redoSteps(), 1u);
    const Snapshot before = snap(c);
    c.settext(2, 1, "一" + std::to_string(round));  // drops the redo step
    ASSERT_GE(c.undoSteps(), 1u);
    ASSERT_TRUE(c.undo());
    ASSERT_TRUE(snap(c).sameTable(before));
    ASSERT_TRUE(c.redo());
  }
  c.settext(3, 1, big);
  c.settext(4, 1, big);
  EXPECT_GE(c.undoSteps(), 2u) << "two 20 KB steps fit 64 KB";
}

}  // namespace
}  // namespace tablique::testing
