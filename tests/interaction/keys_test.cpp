// Grid keys (Enter, Ctrl+C/V/X, Delete, Ctrl release), the scroll notification and the wheel.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

TEST(GridKeys, EnterMovesDownAndOpensTheEditor) {
  Control c;
  c.settext(8, 3, "eight");
  click(c, 7, 3);
  c.pressKey(13);  // in the editor: ends the edit, the current cell stays
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.grid().Row(), 7);
  c.pressKey(13);  // in the grid
  EXPECT_EQ(c.grid().Row(), 8);
  EXPECT_EQ(c.grid().Col(), 3);
  EXPECT_TRUE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Editor);
  EXPECT_EQ(c.editor().text(), "eight");
  EXPECT_EQ(c.editor().width(), c.grid().ColWidth(3));
  EXPECT_EQ(c.editor().height(), c.grid().RowHeight(8));
  EXPECT_EQ(c.editor().top(), c.grid().Top + c.grid().CellTop());
  // Enter does not touch the selection.
  EXPECT_EQ(c.rr0(), 7);
  EXPECT_EQ(c.RR(), 7);
}

TEST(GridKeys, EnterOnTheLastRowStaysThere) {
  Control c;
  c.rowcol(3, 2);
  c.mouseset(3, 2);
  c.pressKey(13);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 2);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST(GridKeys, ArrowsAndPageKeysMoveTheCurrentCellOnly) {
  Control c;
  click(c, 5, 5);
  c.pressKey(13);  // leave the editor
  c.pressKey(40);
  c.pressKey(39);
  EXPECT_EQ(c.grid().Row(), 6);
  EXPECT_EQ(c.grid().Col(), 6);
  c.pressKey(33);
  EXPECT_EQ(c.grid().Row(), 1);
  EXPECT_EQ(c.rr0(), 5);
  EXPECT_EQ(c.cc(), 5);
}

TEST(GridKeys, CtrlCCopiesTheSelectionOnlyWithCtrlAlone) {
  Control c;
  c.settext(2, 2, "a");
  c.settext(2, 3, "b");
  c.settext(3, 2, "c");
  c.settext(3, 3, "d");
  select(c, 3, 3, 2, 2);
  c.pressKey(17, kCtrl);  // Ctrl goes down in the editor: the grid takes the keyboard
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.editor().width(), 0);
  EXPECT_EQ(c.editor().height(), 0);
  c.pressKey(67, kCtrl | 1);  // Ctrl+Shift+C
  EXPECT_EQ(c.headless().clipboardText(), "");
  c.pressKey(67, kCtrl);
  EXPECT_EQ(c.headless().clipboardText(), "a\tb\r\nc\td\r\n");
}

TEST(GridKeys, DeleteEmptiesTheSelectionAndTheEditorText) {
  //    C1  C2  C3
  //  1| a | b | x |      rows 1-3, columns 1-2 selected: six cells emptied, C3 kept
  //  2| c | d | x |
  //  3| e | f | x |
  Control c;
  const char* texts[3][2] = {{"a", "b"}, {"c", "d"}, {"e", "f"}};
  for (int r = 1; r <= 3; ++r) {
    for (int j = 1; j <= 2; ++j) c.settext(r, j, texts[r - 1][j - 1]);
    c.settext(r, 3, "x");
  }
  select(c, 1, 1, 3, 2);
  c.pressKey(13);  // leave the editor
  ASSERT_EQ(c.editor().text(), "a");
  c.pressKey(46);
  EXPECT_EQ(c.editor().text(), "");
  for (int r = 1; r <= 3; ++r) {
    EXPECT_EQ(c.gettext(r, 1), "") << r;
    EXPECT_EQ(c.gettext(r, 2), "") << r;
    EXPECT_EQ(c.gettext(r, 3), "x") << r;
  }
}

// The hidden editor still holds the text of the cell edited last; Delete after the current
// cell moved away empties the selection, not the cell the current cell moved to.
TEST(GridKeys, DeleteLeavesTheCurrentCellOutsideTheSelection) {
  Control c;
  c.settext(3, 1, "below");
  click(c, 2, 1);
  c.typeText("typed");
  c.pressKey(13);  // end the edit
  c.pressKey(40);  // current cell (3, 1); the selection stays (2, 1)
  c.pressKey(46);
  EXPECT_EQ(c.gettext(3, 1), "below");
  EXPECT_EQ(c.editor().text(), "");

  // The same for Ctrl+X: the cut empties the selection (2, 1) only.
  click(c, 2, 1);
  c.typeText("again");
  c.pressKey(13);
  c.pressKey(40);
  c.pressKey(88, kCtrl);
  EXPECT_EQ(c.gettext(2, 1), "");
  EXPECT_EQ(c.gettext(3, 1), "below");
  EXPECT_EQ(c.headless().clipboardText(), "again");
  EXPECT_EQ(c.editor().text(), "");
}

TEST(GridKeys, CtrlReleaseDisarmsAndScrollHidesTheEditor) {
  Control c;
  click(c, 4, 4);
  ASSERT_TRUE(c.editor().visible());
  c.MSFlexGrid1_Scroll();
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  c.MSFlexGrid1_KeyUp(17, 0);
  EXPECT_EQ(c.grid().fillMarker, 0);
}

// The wheel over the grid: n = 501 rows, m = the mouse row. Away (+120) needs 1 < m < 500,
// towards (-120) needs 0 < m < 499.
TEST(Wheel, ThresholdsOverAFiveHundredRowGrid) {
  Control c;
  ASSERT_EQ(c.grid().Rows(), 501);
  auto hover = [&](int32_t r) { c.MSFlexGrid1_MouseMove(0, 0, cellX(c, 2), cellY(c, r)); };

  c.mouseset(13, 2);
  hover(10);
  ASSERT_EQ(c.grid().MouseRow(), 10);
  c.glidbar2_Wheel(120);
  EXPECT_EQ(c.headless().synthesizedKeys(), (std::vector<int>{38, 38, 38}));
  EXPECT_EQ(c.grid().Row(), 10);
  c.mouseset(2, 2);
  c.glidbar2_Wheel(120);
  EXPECT_EQ(c.grid().Row(), 1);  // stops at row 1
  hover(1);
  c.glidbar2_Wheel(120);
  EXPECT_EQ(c.headless().synthesizedKeys().size(), 6u);

  // Scroll to the end of the table so that rows 498 and 499 are under the mouse.
  c.mouseset(499, 2);
  c.pressKey(40);
  ASSERT_EQ(c.grid().Row(), 500);
  c.mouseset(490, 2);
  hover(498);
  ASSERT_EQ(c.grid().MouseRow(), 498);
  c.glidbar2_Wheel(-120);
  EXPECT_EQ(c.headless().synthesizedKeys().size(), 9u);
  EXPECT_EQ(c.headless().synthesizedKeys().back(), 40);
  EXPECT_EQ(c.grid().Row(), 493);
  hover(499);
  c.glidbar2_Wheel(-120);
  EXPECT_EQ(c.headless().synthesizedKeys().size(), 9u);
  c.glidbar2_Wheel(120);  // away over row 499 still works
  EXPECT_EQ(c.headless().synthesizedKeys().size(), 12u);
  c.glidbar2_Wheel(60);  // not a whole notch
  EXPECT_EQ(c.headless().synthesizedKeys().size(), 12u);
}

TEST(Wheel, NotchesOverTheEditorCloseIt) {
  Control c;
  click(c, 6, 2);
  c.typeText("w");
  c.glidbar1_Wheel(-120);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.gettext(6, 2), "w");

  // A notch over the grid while the editor has the focus: the arrows end the edit first.
  click(c, 6, 2);
  c.glidbar2_Wheel(120);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.grid().Row(), 4);  // the first arrow ended the edit, the other two moved
}

}  // namespace
}  // namespace tablique
