// The in-cell editor: write-through, focus, keys handed back to the grid, Tab, Delete over a
// wider selection, the mouse on the editor, and the restricted recalc at the end of an edit.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

TEST(Editor, TypingWritesThroughKeyByKey) {
  Control c;
  click(c, 4, 2);
  c.typeText("1");
  EXPECT_EQ(c.gettext(4, 2), "1");
  c.typeText("2");
  EXPECT_EQ(c.gettext(4, 2), "12");
  c.pressKey(8);  // Backspace
  EXPECT_EQ(c.gettext(4, 2), "1");
  c.typeText("中文");
  c.pressKey(8);
  EXPECT_EQ(c.gettext(4, 2), "1中");
  c.pressKey(13);
  EXPECT_EQ(c.gettext(4, 2), "1中");
  EXPECT_EQ(c.grid().Row(), 4);  // Enter in the editor only ends the edit
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST(Editor, FocusLoadsTheCellAndTypingNeedsTheFocus) {
  Control c;
  c.settext(2, 5, "abc");
  click(c, 2, 5);
  EXPECT_EQ(c.editor().text(), "abc");
  EXPECT_EQ(c.state().editOrig, "abc");
  c.focusGrid();
  c.typeText("x");  // the grid has the focus: nothing is typed into the editor
  EXPECT_EQ(c.gettext(2, 5), "abc");
  // A click on the visible editor gives it the focus again and reloads the cell.
  c.Text1_MouseDown(kLeft, 0, 50, 50);
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  c.typeText("d");
  EXPECT_EQ(c.gettext(2, 5), "abcd");
}

TEST(Editor, EndingKeysHideTheEditorWithoutMovingTheCell) {
  for (int16_t key : {13, 33, 34, 38, 40}) {
    Control c;
    click(c, 5, 5);
    c.pressKey(key);
    EXPECT_EQ(c.focus(), FocusTarget::Grid) << key;
    EXPECT_FALSE(c.editor().visible()) << key;
    EXPECT_EQ(c.grid().Row(), 5) << key;
  }
}

TEST(Editor, TabMovesRightAndStaysInTheLastColumn) {
  Control c;
  c.rowcol(5, 3);
  c.settext(2, 2, "two");
  click(c, 2, 1);
  c.typeText("one");
  c.pressKey(9);
  EXPECT_EQ(c.gettext(2, 1), "one");
  EXPECT_EQ(c.grid().Col(), 2);
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  EXPECT_TRUE(c.editor().visible());
  EXPECT_EQ(c.editor().text(), "two");
  EXPECT_EQ(c.editor().left(), c.grid().Left + c.grid().CellLeft());
  c.pressKey(9);
  c.typeText("3");
  EXPECT_EQ(c.gettext(2, 3), "3");
  c.pressKey(9);  // last column
  EXPECT_EQ(c.grid().Row(), 2);
  EXPECT_EQ(c.grid().Col(), 3);
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  EXPECT_EQ(c.editor().text(), "3");
  c.typeText("4");
  EXPECT_EQ(c.gettext(2, 3), "34");
  EXPECT_EQ(c.gettext(2, 2), "two");
  // The selection is not moved by Tab.
  EXPECT_EQ(c.rr0(), 2);
  EXPECT_EQ(c.cc0(), 1);
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST(Editor, DeleteWorksInTheTextForOneCell) {
  Control c;
  c.settext(2, 2, "keep");
  c.settext(3, 3, "abc");
  click(c, 3, 3);
  c.pressKey(46);
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  EXPECT_EQ(c.gettext(2, 2), "keep");
  EXPECT_EQ(c.gettext(3, 3), "abc");  // the caret is at the end: nothing after it
}

TEST(Editor, DeleteOverAWiderSelectionEmptiesIt) {
  //    C1  C2  C3
  //  1| a | b |   |
  //  2| c | d |   |      (2,1)-(4,2): six cells
  //  3| e | f |   |
  //  4| g | h | i |
  Control c;
  const char* texts[4][2] = {{"a", "b"}, {"c", "d"}, {"e", "f"}, {"g", "h"}};
  for (int r = 1; r <= 4; ++r)
    for (int j = 1; j <= 2; ++j) c.settext(r, j, texts[r - 1][j - 1]);
  c.settext(4, 3, "i");
  select(c, 2, 1, 4, 2);
  ASSERT_EQ(c.focus(), FocusTarget::Editor);
  c.pressKey(46);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.editor().text(), "");
  EXPECT_EQ(column(c, 1, 1, 4), (std::vector<std::string>{"a", "", "", ""}));
  EXPECT_EQ(column(c, 2, 1, 4), (std::vector<std::string>{"b", "", "", ""}));
  EXPECT_EQ(c.gettext(4, 3), "i");
}

TEST(Editor, RightClickRaisesTheEventAndShowsTheMenuOnlyWithPmenu) {
  Control c;
  std::vector<float> xs;
  c.MouseDown = [&](int16_t& b, int16_t&, float& x, float&) {
    if (b == 2) xs.push_back(x);
  };
  click(c, 3, 3);
  c.setPmenu(false);
  c.Text1_MouseDown(kRight, 0, 40, 60);
  ASSERT_EQ(xs.size(), 1u);
  EXPECT_FLOAT_EQ(xs[0], 40);
  EXPECT_TRUE(c.headless().menus().empty());
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_FALSE(c.editor().visible());
  c.Text1_MouseUp(kRight, 0, 40, 60);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);

  c.setPmenu(true);
  click(c, 3, 3);
  c.Text1_MouseDown(kRight, 0, 40, 60);
  ASSERT_EQ(c.headless().menus().size(), 1u);
  EXPECT_FLOAT_EQ(c.headless().menus()[0].x, float(c.editor().left() - c.grid().Left) + 40);
  EXPECT_TRUE(c.editor().enabled());
}

TEST(Editor, MiddlePressOnTheEditorReturnsToTheGrid) {
  Control c;
  click(c, 3, 3);
  c.typeText("m");
  c.Text1_MouseDown(kMiddle, 0, 10, 10);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.grid().fillMarker, 0);
  EXPECT_EQ(c.gettext(3, 3), "m");
}

// Host mouseset onto a header cell while the editor is open: typing never writes a header.
TEST(Editor, HeaderCellsAreNeverWritten) {
  Control c;
  click(c, 2, 2);
  c.mouseset(0, 2);
  c.Text1_MouseDown(kLeft, 0, 10, 10);
  c.typeText("x");
  expectConsistent(c);
  expectSelectionInGrid(c);
}

// Formulas: column 3 holds C1*2 (a marked reference to column 1).
//    C1  C2  C3=C1*2
//  1| 1 |   | 2 |
//  2| 2 |   | 4 |
//  3| 3 |   | 6 |
class EditRecalc : public ::testing::Test {
protected:
  void SetUp() override {
    for (int r = 1; r <= 3; ++r) c.settext(r, 1, std::to_string(r));
    c.formuset(3, "C1*2");
    c.update(3);
    ASSERT_EQ(column(c, 3, 1, 3), (std::vector<std::string>{"2", "4", "6"}));
    // Stale inputs written behind the formula's back: only a recalc would pick them up.
    c.settext(1, 1, "10");
    c.settext(3, 1, "30");
  }
  Control c;
};

TEST_F(EditRecalc, EditInAReferencedColumnRecomputesThatRowOnly) {
  click(c, 2, 1);
  c.typeText("0");  // 20
  EXPECT_EQ(c.gettext(2, 3), "4");  // nothing recomputed while typing
  c.pressKey(13);
  EXPECT_EQ(column(c, 3, 1, 3), (std::vector<std::string>{"2", "40", "6"}));
  EXPECT_EQ(c.grid().Row(), 2);
  EXPECT_EQ(c.grid().Col(), 1);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.state().pasteMode, PasteMode::None);
  EXPECT_EQ(c.state().formuMode, FormuMode::Prompt);
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST_F(EditRecalc, EditInAnUnreferencedColumnOrWithoutChangeRecomputesNothing) {
  c.settext(2, 1, "7");  // row 2 stale too: even a recalc of the edited row would show
  click(c, 2, 2);
  c.typeText("5");
  c.pressKey(13);
  EXPECT_EQ(column(c, 3, 1, 3), (std::vector<std::string>{"2", "4", "6"}));
  // Typing and restoring the original text is no change either.
  click(c, 1, 1);
  c.typeText("1");
  c.pressKey(8);
  c.pressKey(13);
  EXPECT_EQ(c.gettext(1, 3), "2");
}

// The focus leaving the control ends the edit too. The recalc gives the grid the focus again
// (the formula command and the end of the edit both do).
TEST_F(EditRecalc, FocusLeavingTheControlEndsTheEdit) {
  click(c, 3, 1);
  c.typeText("1");  // 301
  c.focusOut();
  EXPECT_EQ(c.gettext(3, 3), "602");
  EXPECT_EQ(c.gettext(2, 3), "4");
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 1);
}

}  // namespace
}  // namespace tablique
