// Undo and redo per kind of step, what makes no step, the editor's Ctrl+Z, and the bound.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/undo_snapshot.h"
#include "support/driver.h"
#include "support/own_codes.h"

namespace tablique::testing {
namespace {

namespace fs = std::filesystem;

// A small table with numbers, texts, a formula column, a cell alignment from rowcol and sizes.
void prepare(Control& c) {
  c.rowcol(8, 5);
  const char* column1[] = {"3", "1", "2", "5", "4"};
  for (int r = 1; r <= 5; ++r) c.settext(r, 1, column1[r - 1]);
  c.settext(1, 2, "中文");
  c.settext(2, 2, "a\tb");
  c.formuset(3, "C1*2");
  c.update(3);
  c.formuset(4, "C1+C3");  // not yet computed
  c.setcolw(2, 30);
  c.clearUndo();
}

struct Kind {
  const char* name;
  std::function<void(Control&, const fs::path&)> run;
};

// One of every kind of command that changes the table.
std::vector<Kind> commandKinds() {
  return {
      {"edit", [](Control& c, const fs::path&) { click(c, 2, 2); c.typeText("x"); c.pressKey(13); }},
      {"paste", [](Control& c, const fs::path&) {
         c.headless().setClipboardText("p\tq\r\nr\ts\r\n");
         c.mouseset(7, 4);
         c.m_paste();  // grows the table by rows and columns
       }},
      {"delete", [](Control& c, const fs::path&) { select(c, 1, 1, 3, 3); c.m_delete(); }},
      {"cut", [](Control& c, const fs::path&) { select(c, 1, 1, 2, 2); c.m_cut(); }},
      {"clear", [](Control& c, const fs::path&) { c.m_clc(); }},
      {"row insert", [](Control& c, const fs::path&) { c.mouseset(2, 1); c.m_rowins(); }},
      {"row delete", [](Control& c, const fs::path&) { click(c, 2, 1); c.focusGrid(); c.m_rowdel(); }},
      {"rows up and down", [](Control& c, const fs::path&) { click(c, 3, 1); c.focusGrid(); c.m_rowup(); }},
      {"column insert", [](Control& c, const fs::path&) { c.mouseset(1, 2); c.m_colins(); }},
      {"column delete", [](Control& c, const fs::path&) { click(c, 1, 2); c.focusGrid(); c.m_coldel(); }},
      {"column move", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.m_colrig(); }},
      {"transpose", [](Control& c, const fs::path&) { select(c, 1, 1, 2, 3); c.focusGrid(); c.trans(); }},
      {"fill drag", [](Control& c, const fs::path&) {
         click(c, 4, 1);
         c.focusGrid();
         press(c, 4, 1, kMiddle, kCtrl);
         move(c, 8, 1, kMiddle, kCtrl);
         release(c, 8, 1, kMiddle, kCtrl);
       }},
      {"sort", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.psort(0); }},
      {"rank", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.psort("C4"); }},
      {"statistics", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.statis(5); }},
      {"formula command", [](Control& c, const fs::path&) {
         c.mouseset(1, 4);
         c.headless().queueInput("C1+1");
         c.m_focal();
       }},
      {"formuset", [](Control& c, const fs::path&) { c.formuset(5, "C1+C3"); }},
      {"update", [](Control& c, const fs::path&) { c.update(4); }},
      {"rowcol", [](Control& c, const fs::path&) { c.rowcol(3, 2); }},
      {"addrow", [](Control& c, const fs::path&) { c.addrow(4); }},
      {"addcol", [](Control& c, const fs::path&) { c.addcol(2); }},
      {"setcolw", [](Control& c, const fs::path&) { c.setcolw(3, 12.5f); }},
      {"setrowh", [](Control& c, const fs::path&) { c.setrowh(3, 9); }},
      {"settext", [](Control& c, const fs::path&) { c.settext(8, 5, "😀"); }},
      {"opentxt", [](Control& c, const fs::path& dir) {
         const std::string path = (dir / "other.txt").string();
         { std::ofstream(path, std::ios::binary) << "1\t2\t3\t4\t5\t6\t7\r\nx\r\n"; }
         c.headless().queueFile(path);
         c.opentxt();
       }},
      {"datainp", [](Control& c, const fs::path& dir) {
         Control other;
         other.rowcol(20, 3);
         other.settext(15, 3, "far");
         other.formuset(2, "C3+1");
         const std::string path = (dir / "other.tbq").string();
         other.headless().queueFile(path);
         other.m_daexp();
         c.headless().queueFile(path);
         c.m_dainp();
       }},
  };
}

TEST(UndoSteps, EveryKindOfCommandIsOneStepThatUndoAndRedoPutBackExactly) {
  const fs::path folder = fs::temp_directory_path() / "tablique-undo-steps";
  fs::create_directories(folder);
  const std::vector<Kind> kinds = commandKinds();
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Control c;
    prepare(c);
    const Snapshot before = snap(c);
    kind.run(c, folder);
    c.focusGrid();
    const Snapshot after = snap(c);
    ASSERT_FALSE(after.sameTable(before)) << "the command changed nothing";
    ASSERT_EQ(c.undoSteps(), 1u);
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
    EXPECT_FALSE(c.canUndo());
    ASSERT_TRUE(c.redo());
    EXPECT_TRUE(snap(c).sameTable(after)) << describe(snap(c), after);
    // Twice round: what redo recorded takes back as well.
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  }
  std::error_code ec;
  fs::remove_all(folder, ec);
}

// Undo of a row delete writes the cells' own alignment codes back without reading the ones it
// replaces wherever it knows a column's code. After every kind of command, a row delete and the
// command are taken back and put back twice, each time with every cell's own code (also those
// the painted alignment hides) as it was.
TEST(UndoSteps, ARowDeleteAfterEveryKindOfCommandComesBackWithTheCellsOwnCodes) {
  const fs::path folder = fs::temp_directory_path() / "tablique-undo-codes";
  fs::create_directories(folder);
  struct Table {
    Snapshot snapshot;
    std::vector<uint8_t> codes;
    bool operator==(const Table& o) const { return snapshot.sameTable(o.snapshot) && codes == o.codes; }
  };
  const auto table = [](const Control& c) { return Table{snap(c), ownCodes(c.grid())}; };
  std::vector<Kind> kinds = commandKinds();
  kinds.push_back({"rowcol to a larger table", [](Control& c, const fs::path&) { c.rowcol(12, 4); }});
  int deletes = 0;
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Control c;
    prepare(c);
    c.addrow(6);  // room for a row delete after most commands
    c.clearUndo();
    const Table start = table(c);
    kind.run(c, folder);
    c.focusGrid();
    if (c.grid().Rows() < 5) continue;  // rowcol(3, 2): no row may be deleted
    ++deletes;
    const Table commanded = table(c);
    click(c, 2, 1);
    c.focusGrid();
    c.m_rowdel();
    c.focusGrid();
    const Table deleted = table(c);
    ASSERT_EQ(c.undoSteps(), 2u);
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(c.undo());
      EXPECT_TRUE(table(c) == commanded) << describe(snap(c), commanded.snapshot);
      ASSERT_TRUE(c.undo());
      EXPECT_TRUE(table(c) == start) << describe(snap(c), start.snapshot);
      ASSERT_TRUE(c.redo());
      EXPECT_TRUE(table(c) == commanded) << describe(snap(c), commanded.snapshot);
      ASSERT_TRUE(c.redo());
      EXPECT_TRUE(table(c) == deleted) << describe(snap(c), deleted.snapshot);
    }
  }
  EXPECT_EQ(deletes, int(kinds.size()) - 1);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

TEST(UndoSteps, CommandsThatChangeNothingAddNoStepAndANewChangeDropsTheRedo) {
  Control c;
  prepare(c);
  c.m_copy();
  c.mouseset(1, 1);
  EXPECT_THROW(c.m_rowdel(), Error);  // row 1 is never deleted: refused and told
  c.formuget(3);
  click(c, 2, 2);
  c.typeText("zz");
  c.pressKey(8);
  c.pressKey(8);
  c.focusGrid();  // the typing taken back by hand
  c.mouseset(0, 1);
  c.headless().setClipboardText("x");
  EXPECT_THROW(c.m_paste(), Error);  // refused in the header row
  EXPECT_FALSE(c.canUndo());

  c.settext(1, 1, "a");
  c.settext(1, 1, "b");
  ASSERT_EQ(c.undoSteps(), 2u);
  c.undo();
  EXPECT_TRUE(c.canRedo());
  c.settext(2, 1, "c");
  EXPECT_FALSE(c.canRedo());
  EXPECT_EQ(c.gettext(1, 1), "a");
  c.clearUndo();
  EXPECT_FALSE(c.canUndo());
  EXPECT_FALSE(c.undo());
}

TEST(UndoSteps, CtrlZInTheEditorFirstTakesBackTheEditThenThePreviousStep) {
  Control c;
  prepare(c);
  c.settext(5, 2, "first");
  click(c, 4, 2);
  c.typeText("typed");
  c.pressKey(90, 2);  // Ctrl+Z with the editor focused
  EXPECT_EQ(c.gettext(4, 2), "");
  EXPECT_EQ(c.gettext(5, 2), "first");
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.grid().Row(), 4);
  c.pressKey(90, 2);
  EXPECT_EQ(c.gettext(5, 2), "");
  c.pressKey(90, 3);  // Ctrl+Shift+Z
  EXPECT_EQ(c.gettext(5, 2), "first");
  c.pressKey(89, 2);  // Ctrl+Y
  EXPECT_EQ(c.gettext(4, 2), "typed");

  // The recalc an edit causes is part of the edit's step.
  click(c, 2, 1);
  c.typeText("0");
  c.pressKey(13);
  ASSERT_EQ(c.gettext(2, 3), "20");
  c.undo();
  EXPECT_EQ(c.gettext(2, 1), "1");
  EXPECT_EQ(c.gettext(2, 3), "2");
}

TEST(UndoSteps, TypingIntoTheFullTableCostsBytesAndTheBoundDropsTheOldestSteps) {
  Control c;
  c.rowcol(6998, 49);
  c.mouseset(1, 1);
  std::string block;
  for (int r = 0; r < 2000; ++r) block += "1234567890123456789012345678901234567890\t2\t3\r\n";
  c.headless().setClipboardText(block);
  c.m_paste();
  c.clearUndo();

  c.setUndoLimit(4096);  // a typed cell fits many times over
  click(c, 3000, 3);
  c.typeText("x");
  c.pressKey(13);
  ASSERT_TRUE(c.canUndo());
  c.settext(3001, 3, "y");
  EXPECT_EQ(c.undoSteps(), 2u);

  // A paste over 2000 x 3 cells of 90 KB does not fit: kept no step of it; the table is as
  // pasted. Over empty cells the same paste stores a few bytes a cell and fits.
  c.setUndoLimit(64 * 1024);
  c.headless().setClipboardText("a\r\n");
  c.mouseset(10, 10);
  c.m_paste();
  EXPECT_EQ(c.undoSteps(), 3u);
  c.headless().setClipboardText(block);
  c.mouseset(1, 20);
  c.m_paste();
  EXPECT_EQ(c.undoSteps(), 4u);
  std::string other;
  for (int r = 0; r < 2000; ++r) other += "x\ty\tz\r\n";
  c.headless().setClipboardText(other);
  c.mouseset(1, 1);
  c.m_paste();
  EXPECT_EQ(c.undoSteps(), 0u);
  EXPECT_EQ(c.gettext(2000, 1), "x");
  EXPECT_EQ(c.gettext(2000, 20), "1234567890123456789012345678901234567890");

  // Steps of 100 pasted cells: the oldest go, the newest stay undoable.
  for (int k = 0; k < 40; ++k) {
    std::string small;
    for (int r = 0; r < 100; ++r) small += "abcdefghijklmnopqrstuvwxyz" + std::to_string(k) + "\r\n";
    c.headless().setClipboardText(small);
    c.mouseset(1, 30);
    c.m_paste();
  }
  EXPECT_GT(c.undoSteps(), 2u);
  EXPECT_LT(c.undoSteps(), 40u);
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(1, 30), "abcdefghijklmnopqrstuvwxyz38");

  // A bound of 0 records nothing.
  c.setUndoLimit(0);
  EXPECT_FALSE(c.canUndo());
  c.settext(5, 5, "z");
  EXPECT_FALSE(c.canUndo());
}

}  // namespace
}  // namespace tablique::testing
