// Sequences around a pending edit: a command, a host method or a hidden editor ends the edit
// before anything else changes the table; the editor stays over the cell it edits and readable;
// Delete in the editor empties only the selection; a press beside the table selects nothing; a
// failing host handler leaves nothing stuck.
#include <limits>
#include <new>
#include <stdexcept>
#include <tuple>

#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// Column 3 computes C1*10; the user's own texts stand in rows 3 and 7 of column 3, where a
// recalc of the wrong row would overwrite them.
//    C1  C3=C1*10
//  1| 1 | 10  |
//  3| 3 | keep3
//  4| 4 | 40  |   <- edited to 49
//  7| 7 | keep7
//  8| 8 | 80  |
class EditThenCommand : public ::testing::Test {
protected:
  void SetUp() override {
    for (int r = 1; r <= 8; ++r) c.settext(r, 1, std::to_string(r));
    c.formuset(3, "C1*10");
    c.update(3);
    c.settext(3, 3, "keep3");
    c.settext(7, 3, "keep7");
    click(c, 4, 1);
    c.typeText("9");  // (4, 1) = "49", not yet recomputed
    ASSERT_EQ(c.gettext(4, 3), "40");
  }
  // The right button on the editor and a choice from its menu.
  void chooseFromEditorMenu(const char* entry) {
    c.headless().queueMenuChoice(entry);
    c.Text1_MouseDown(kRight, 0, 10, 10);
    c.Text1_MouseUp(kRight, 0, 10, 10);
  }
  Control c;
};

TEST_F(EditThenCommand, DeleteRowFromTheEditorMenuKeepsEveryOtherCell) {
  chooseFromEditorMenu("CommandAA5m");  // 删除行
  EXPECT_EQ(c.gettext(6, 3), "keep7");
  EXPECT_EQ(column(c, 1, 1, 7), (Texts{"1", "2", "3", "5", "6", "7", "8"}));
  EXPECT_EQ(column(c, 3, 1, 7), (Texts{"10", "20", "keep3", "50", "60", "keep7", "80"}));
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  expectConsistent(c);
}

TEST_F(EditThenCommand, InsertRowFromTheEditorMenuRecomputesTheEditedRowFirst) {
  chooseFromEditorMenu("CommandAA4m");  // 插入行
  EXPECT_EQ(column(c, 1, 4, 5), (Texts{"", "49"}));
  EXPECT_EQ(column(c, 3, 3, 9), (Texts{"keep3", "", "490", "50", "60", "keep7", "80"}));
  expectConsistent(c);
}

TEST_F(EditThenCommand, HostMethodsEndTheEditFirst) {
  c.m_rowdel();  // from the host's own menu bar, the editor still focused
  EXPECT_EQ(c.gettext(6, 3), "keep7");
  EXPECT_EQ(column(c, 3, 1, 4), (Texts{"10", "20", "keep3", "50"}));
  expectConsistent(c);

  Control d;  // the same through a public method that changes sizes
  d.settext(1, 1, "1");
  d.formuset(3, "C1*10");
  d.update(3);
  click(d, 1, 1);
  d.typeText("2");
  d.setcolw(2, 10);
  EXPECT_EQ(d.gettext(1, 3), "120");
  EXPECT_EQ(d.focus(), FocusTarget::Grid);
}

// A host may run a menu entry's click handler itself, without runMenuEntry or an m_ method.
TEST_F(EditThenCommand, ClickHandlersCalledByTheHostEndTheEditFirst) {
  c.CommandAA5m_Click();  // 删除行
  EXPECT_EQ(column(c, 3, 1, 7), (Texts{"10", "20", "keep3", "50", "60", "keep7", "80"}));
  expectConsistent(c);
  click(c, 4, 1);
  c.typeText("9");  // (4, 1) = "59"
  c.CommandAA4m_Click();  // 插入行
  EXPECT_EQ(column(c, 3, 3, 9), (Texts{"keep3", "", "590", "60", "keep7", "80", ""}));
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  expectConsistent(c);
}

TEST_F(EditThenCommand, AGridShortcutAfterTheEditorHandsOverEndsTheEdit) {
  c.headless().setClipboardText("x");
  c.pressKey(17, 2);  // Ctrl in the editor: the grid takes the keys
  EXPECT_EQ(c.gettext(4, 3), "490");
  c.pressKey(86, 2);  // Ctrl+V
  EXPECT_EQ(c.gettext(4, 1), "x");
  expectConsistent(c);
}

// A move over the header band hides the editor: the edit ends at that moment, and keys go to
// the grid, not to the hidden editor.
TEST_F(EditThenCommand, HidingTheEditorEndsTheEditAndKeysReachTheGrid) {
  c.MSFlexGrid1_MouseMove(0, 0, cellX(c, 2), 100);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.gettext(4, 3), "490");
  c.typeText("z");  // lost on purpose: nothing is typed into a hidden editor
  EXPECT_EQ(c.gettext(4, 1), "49");
  c.pressKey(40);
  EXPECT_EQ(c.grid().Row(), 5);
  expectConsistent(c);
}

TEST(EditorPlace, HostMovesAndWheelHideTheEditorLeftOverAnotherCell) {
  Control c;
  c.settext(2, 2, "two");
  c.settext(5, 3, "five");
  click(c, 2, 2);
  c.mouseset(5, 3);
  EXPECT_FALSE(c.editor().visible());
  // A click where the box was cannot edit (5, 3) under the box of (2, 2).
  c.Text1_MouseDown(kLeft, 0, 10, 10);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.gettext(2, 2), "two");

  click(c, 10, 2);
  c.focusOut();
  EXPECT_TRUE(c.editor().visible());  // left over its cell while the focus is elsewhere
  c.MSFlexGrid1_MouseMove(0, 0, cellX(c, 2), cellY(c, 10));
  c.glidbar2_Wheel(120);
  EXPECT_EQ(c.grid().Row(), 7);
  EXPECT_FALSE(c.editor().visible());
}

TEST(EditorPlace, FocusPlacesTheEditorOverTheCurrentCellInView) {
  Control c;
  click(c, 2, 2);
  c.focusGrid();
  c.scrollTo(200, 1);  // the view scrolled without a notification
  c.focusEditor();
  const Grid& g = c.grid();
  EXPECT_EQ(g.TopRow(), 2);
  EXPECT_EQ(c.editor().top(), g.Top + g.CellTop());
  EXPECT_EQ(c.editor().left(), g.Left + g.CellLeft());
  EXPECT_EQ(c.editor().width(), g.CellWidth());
}

// A host may make a header cell current; Enter and a click on the box then open no editor
// whose typing no cell would keep.
TEST(EditorPlace, NeverOverAHeaderCell) {
  Control c;
  c.mouseset(7, 0);
  c.pressKey(13);  // Enter: one row down, still in the row numbers
  EXPECT_EQ(c.grid().Row(), 8);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  c.pressKey(8);
  EXPECT_EQ(c.gettext(8, 0), "8");
  expectConsistent(c);
}

// A box left visible once the focus has gone shows its own cell as it is, or nothing: a host
// call that moves the current cell, moves the cell under the box or rewrites its text hides it.
TEST(EditorPlace, ABoxWithoutTheFocusShowsItsCellOrNothing) {
  Control c;
  c.settext(2, 2, "two");
  const auto leaveOver = [&](int32_t r, int32_t col) {
    click(c, r, col);
    c.focusOut();
    ASSERT_TRUE(c.editor().visible());
  };
  leaveOver(2, 2);
  c.update(3);  // the current column becomes 3
  EXPECT_FALSE(c.editor().visible());
  leaveOver(2, 2);
  c.setcolw(1, 50);  // the cell moves right under the box
  EXPECT_FALSE(c.editor().visible());
  leaveOver(2, 2);
  c.settext(2, 2, "new");
  EXPECT_FALSE(c.editor().visible());
  leaveOver(2, 2);
  c.settext(9, 9, "elsewhere");
  EXPECT_TRUE(c.editor().visible());
  expectConsistent(c);
}

// With a header cell as the selection's anchor, Enter edits nothing and leaves no box over the
// cell below (it showed the previous edit's text over the cell's own).
TEST(EditorPlace, NoBoxWhenTheSelectionStartsOnAHeader) {
  Control c;
  c.settext(3, 2, "twenty");
  editCell(c, 5, 5, "typed");
  press(c, 0, 2);  // a column header: rr0 = 0
  release(c, 0, 2);
  c.mouseset(2, 2);
  c.pressKey(13);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.gettext(3, 2), "twenty");
  expectConsistent(c);
}

// Shrinking to the header row or column is no failure after the change; the box goes.
TEST(EditorPlace, ShrinkingToTheHeadersEndsCleanly) {
  Control c;
  c.rowcol(3, 3);
  click(c, 2, 2);
  c.typeText("x");
  EXPECT_NO_THROW(c.addrow(-3));
  EXPECT_EQ(c.rows(), 0);
  EXPECT_FALSE(c.editor().visible());
  c.addrow(2);
  EXPECT_EQ(c.rows(), 2);
  EXPECT_NO_THROW(c.addcol(-3));
  EXPECT_EQ(c.cols(), 0);
  c.addcol(1);
  EXPECT_EQ(c.gettext(0, 1), "C1");
  expectConsistent(c);
}

TEST(EditorText, ReadableWheneverShownOverACell) {
  Control c;
  click(c, 3, 3);
  c.pressKey(17, 2);  // Ctrl in the editor blanks it
  EXPECT_EQ(c.editor().foreColor(), c.grid().BackColor);
  c.pressKey(13);  // Enter in the grid opens the editor on (4, 3)
  EXPECT_TRUE(c.editor().visible());
  EXPECT_EQ(c.editor().foreColor(), c.grid().ForeColor);
  EXPECT_EQ(c.editor().fontSize(), 10.5f);
  EXPECT_GT(c.editor().height(), 0);

  press(c, 0, 2);  // a header press blanks it too
  c.pressKey(9);   // Tab in the grid: nothing
  c.pressKey(13);
  EXPECT_EQ(c.editor().foreColor(), c.grid().ForeColor);
  c.pressKey(13);  // Enter in the editor, then Tab opens the next cell readable
  c.focusEditor();
  c.pressKey(9);
  EXPECT_EQ(c.editor().foreColor(), c.grid().ForeColor);
}

// Delete in the editor empties the selection; the editor's own cell only when it is in it.
TEST(EditorDelete, EmptiesTheSelectionOnly) {
  Control c;
  put(c, 2, 2, {{"a", "b"}, {"c", "d"}});
  c.settext(6, 2, "keep");
  select(c, 2, 2, 3, 3);
  c.focusGrid();
  for (int i = 0; i < 3; ++i) c.pressKey(40);
  c.pressKey(13);  // the editor opens on (6, 2), outside the selection
  ASSERT_EQ(c.editor().text(), "keep");
  c.pressKey(46);
  EXPECT_EQ(block(c, 2, 2, 2, 2), (Rows{{"", ""}, {"", ""}}));
  EXPECT_EQ(c.gettext(6, 2), "keep");
  EXPECT_FALSE(c.editor().visible());

  // Inside the selection the editor's cell is emptied with the rest.
  put(c, 2, 2, {{"a", "b"}, {"c", "d"}});
  select(c, 2, 2, 3, 3);
  c.focusEditor();
  c.pressKey(46);
  EXPECT_EQ(block(c, 2, 2, 2, 2), (Rows{{"", ""}, {"", ""}}));
  expectConsistent(c);
}

TEST(PressBesideTheTable, SelectsNothingRaisesNothingOpensNothing) {
  Control c;
  c.rowcol(3, 2);
  int raised = 0;
  c.MouseDown = [&](int16_t&, int16_t&, float&, float&) { ++raised; };
  select(c, 1, 1, 2, 2);
  raised = 0;
  const Grid& g = c.grid();
  const float right = float(g.visibleColLeft(g.Cols())) + 200, below = float(g.visibleRowTop(g.Rows())) + 200;
  for (int16_t button : {kLeft, kRight, kMiddle})
    for (auto [x, y] : {std::pair{right, cellY(c, 1)}, {cellX(c, 1), below}, {right, below}}) {
      c.MSFlexGrid1_MouseDown(button, 0, x, y);
      c.MSFlexGrid1_MouseMove(button, 0, x, y);
      c.MSFlexGrid1_MouseUp(button, 0, x, y);
    }
  EXPECT_EQ(raised, 0);
  EXPECT_TRUE(c.headless().menus().empty());
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(std::tuple(c.rr0(), c.cc0(), c.RR(), c.cc()), std::tuple(1, 1, 2, 2));

  // A drag from a cell past the table's end clamps to the last row and column.
  press(c, 1, 1);
  c.MSFlexGrid1_MouseMove(kLeft, 0, right, below);
  EXPECT_EQ(std::tuple(c.RR(), c.cc()), std::tuple(3, 2));
  c.MSFlexGrid1_MouseMove(kLeft, 0, 1e30f, std::numeric_limits<float>::infinity());
  EXPECT_EQ(std::tuple(c.RR(), c.cc()), std::tuple(3, 2));
  // Not a number is no cell at all.
  c.MSFlexGrid1_MouseDown(kLeft, 0, std::numeric_limits<float>::quiet_NaN(), 100);
  EXPECT_EQ(c.rr0(), 1);
}

// A host handler that throws ends the press; the editor is usable and nothing stays set.
TEST(HostFailure, MouseDownExceptionLeavesNothingStuck) {
  Control c;
  click(c, 2, 2);
  c.MouseDown = [](int16_t&, int16_t&, float&, float&) { throw std::runtime_error("host"); };
  c.headless().queueMenuChoice("CommandAA4m");
  EXPECT_THROW(c.Text1_MouseDown(kRight, 0, 10, 10), Error);
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_TRUE(c.headless().menus().empty());
  EXPECT_THROW(press(c, 3, 3, kRight), Error);
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_THROW(press(c, 3, 3, kMiddle, kCtrl), Error);
  EXPECT_EQ(c.grid().fillMarker, 0);
  expectConsistent(c);

  c.MouseDown = [](int16_t&, int16_t&, float&, float&) { throw std::bad_alloc(); };
  try {
    press(c, 4, 4);
    ADD_FAILURE() << "no failure";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::OutOfMemory);
    EXPECT_EQ(e.userText(), "内存不足，表格未作改动！");
  }
  c.MouseDown = nullptr;
  click(c, 5, 5);
  c.typeText("ok");
  EXPECT_EQ(c.gettext(5, 5), "ok");
}

}  // namespace
}  // namespace tablique
