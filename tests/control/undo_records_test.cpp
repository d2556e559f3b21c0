// The formula records in the undo history: the history compares only the records their writers
// named, so a writer that names nothing must be caught; records that go and come back within one
// step, recording turned off and on again, and the widest table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/history.h"
#include "control/undo_snapshot.h"
#include "support/driver.h"

namespace tablique::testing {
namespace {

constexpr int16_t kRightKey = 39, kLeftKey = 37, kEnter = 13;

// Every test program reports unnamed writes as failures (tests/support/record_writes_check.cpp);
// here a write that names nothing is made on purpose, and must be reported.
std::vector<size_t> g_reported;
void collect(size_t index) { g_reported.push_back(index); }

TEST(UndoRecords, ARecordChangedWithoutNamingItIsReportedAtTheNextBoundary) {
  ASSERT_NE(History::unnamedRecordWrite, nullptr) << "the test programs check every boundary";
  Control c;
  c.formuset(3, "C1*2");
  auto* const failing = History::unnamedRecordWrite;
  History::unnamedRecordWrite = &collect;
  g_reported.clear();
  const_cast<ControlState&>(c.state()).colFormula[5] = "C1";  // a writer that names nothing
  c.pressKey(kRightKey);
  const std::vector<size_t> reported = g_reported;
  c.pressKey(kLeftKey);  // the copy was taken again: nothing more to report
  History::unnamedRecordWrite = failing;
  EXPECT_EQ(reported, std::vector<size_t>{5});
  EXPECT_EQ(g_reported, std::vector<size_t>{5});
}

// A host's handler of the MouseDown event runs within the press's step: records taken off the
// end and the vector grown back to its size in the same step must still be in the step.
TEST(UndoRecords, RecordsTakenOffAndGrownBackInOneStepComeBackOnUndo) {
  Control c;
  c.rowcol(3, 10);
  c.formuset(8, "C1*2");
  c.formuset(10, "C1+C2");
  c.mouseset(1, 9);
  c.formuset(9, "=C1-1");
  c.clearUndo();
  const Snapshot before = snap(c);
  c.MouseDown = [&](int16_t&, int16_t&, float&, float&) {
    c.addcol(-4);
    c.addcol(4);
  };
  click(c, 2, 1);
  c.MouseDown = nullptr;
  c.focusGrid();
  ASSERT_EQ(c.grid().Cols(), 11);
  EXPECT_EQ(c.state().colFormula, std::vector<std::string>(11));
  const Snapshot after = snap(c);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  ASSERT_TRUE(c.redo());
  EXPECT_TRUE(snap(c).sameTable(after)) << describe(snap(c), after);
}

// While recording is off the history keeps no copy; turned on again it starts from the records
// as they are then, and what changed while it was off is no step.
TEST(UndoRecords, RecordingTurnedOnAgainStartsFromTheRecordsAsTheyAre) {
  Control c;
  c.rowcol(5, 6);
  c.formuset(2, "C1*3");
  c.setUndoLimit(0);
  c.formuset(2, "");
  c.formuset(4, "C1+1");
  c.mouseset(1, 3);
  c.m_colins();  // the records from column 3 on move; the column alignments are set again
  c.formuset(6, "C4*2");
  c.setUndoLimit(History::kDefaultLimit);
  const Snapshot on = snap(c);
  c.pressKey(kRightKey);
  EXPECT_FALSE(c.canUndo()) << "the changes made while off (records, alignments) are no step";

  c.formuset(5, "");  // was "C1+1", moved from column 4
  c.formuset(3, "C1-1");
  c.mouseset(1, 2);
  c.m_coldel();
  const Snapshot last = snap(c);
  while (c.undo()) {
  }
  EXPECT_TRUE(snap(c).sameTable(on)) << describe(snap(c), on);
  while (c.redo()) {
  }
  EXPECT_TRUE(snap(c).sameTable(last)) << describe(snap(c), last);
}

// The widest table, 174975 records: an edit whose recalc rewrites the records of the formula
// columns, a cell formula, a column delete that moves them all; undo all the way and redo.
TEST(UndoRecords, TheWidestTableComesBackExactly) {
  Control c;
  c.rowcol(1, 174974);
  c.settext(1, 1, "3");
  c.formuset(174974, "C1*2");
  c.update(174974);
  c.formuset(2, "C1+1");
  c.update(2);
  ASSERT_EQ(c.gettext(1, 174974), "6");
  const std::string lastRecord = c.state().colFormula[174974];
  c.clearUndo();
  const Snapshot start = snap(c);

  click(c, 1, 1);
  ASSERT_EQ(c.focus(), FocusTarget::Editor);
  c.pressKey(8);  // Backspace
  c.typeText("7");
  c.pressKey(kEnter);
  EXPECT_EQ(c.gettext(1, 2), "8");
  EXPECT_EQ(c.gettext(1, 174974), "14");
  c.mouseset(1, 174973);
  c.formuset(174973, "=C1*10");
  c.update(174973);
  EXPECT_EQ(c.gettext(1, 174973), "70");
  c.mouseset(1, 3);
  c.m_coldel();  // every record from column 3 on moves
  EXPECT_EQ(c.state().colFormula.size(), 174974u);
  EXPECT_EQ(c.state().colFormula[174973], lastRecord) << "the column formula moved with its column";
  for (int i = 0; i < 20; ++i) c.pressKey(i % 2 ? kLeftKey : kRightKey);
  const Snapshot end = snap(c);
  EXPECT_EQ(c.undoSteps(), 4u);

  while (c.undo()) {
  }
  EXPECT_TRUE(snap(c).sameTable(start)) << describe(snap(c), start);
  while (c.redo()) {
  }
  EXPECT_TRUE(snap(c).sameTable(end)) << describe(snap(c), end);
}

}  // namespace
}  // namespace tablique::testing
