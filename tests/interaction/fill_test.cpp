// The fill drag: arming, the series and copy rules, rows skipped by a fast drag, disarming,
// and the release's copy and paste of the filled rows.
#include <tuple>

#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// Arms a fill on the selection's end cell (r, col) with Ctrl + middle press.
void arm(Control& c, int32_t r, int32_t col) { press(c, r, col, kMiddle, kCtrl); }
void fillMove(Control& c, int32_t r, int32_t col) { move(c, r, col, kMiddle, kCtrl); }
void fillRelease(Control& c, int32_t r, int32_t col) { release(c, r, col, kMiddle, kCtrl); }

//    C1            C1
//  1| 1 |        1| 1 |
//  2| 3 |  -->   2| 3 |
//  3|   |        3| 5 |
//  4|   |        4| 7 |
//  5|   |        5| 9 |
TEST(FillDrag, SeriesWrittenAsTheMousePassesEachRow) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  EXPECT_EQ(c.grid().fillMarker, 2);
  EXPECT_EQ(c.state().fillStartRow, 2);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  fillMove(c, 3, 1);
  EXPECT_EQ(c.gettext(3, 1), "5");
  EXPECT_EQ(c.gettext(4, 1), "");
  fillMove(c, 4, 1);
  fillMove(c, 5, 1);
  EXPECT_EQ(column(c, 1, 1, 6), (std::vector<std::string>{"1", "3", "5", "7", "9", ""}));
  EXPECT_EQ(c.state().fillDone, FillDone::Filled);
  EXPECT_EQ(c.state().fillMaxRow, 5);
  fillRelease(c, 5, 1);
  EXPECT_EQ(c.grid().fillMarker, 0);
  EXPECT_EQ(c.state().fillDone, FillDone::None);
  EXPECT_EQ(c.state().fillMaxRow, 0);
  EXPECT_EQ(c.grid().FocusRect, 1);
  EXPECT_EQ(c.grid().HighLight, 1);
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.cc0(), 1);
  EXPECT_EQ(c.RR(), 2);
  EXPECT_EQ(c.cc(), 1);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 1);
  EXPECT_EQ(column(c, 1, 1, 6), (std::vector<std::string>{"1", "3", "5", "7", "9", ""}));
  expectConsistent(c);
  expectSelectionInGrid(c);
}

TEST(FillDrag, ReleaseCopiesTheFilledRowsToTheClipboard) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  for (int r = 3; r <= 5; ++r) fillMove(c, r, 1);
  fillRelease(c, 5, 1);
  EXPECT_EQ(c.headless().clipboardText(), "5\r\n7\r\n9\r\n");
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.RR(), 2);
}

// The release pastes the filled rows back in place, which recomputes the formula columns that
// use them.
//    C1  C2  C3=C1*2
//  1| 1 |   | 2 |
//  2| 3 |   | 6 |
//  3| 5 |   |10 |   <- filled, then computed by the release's paste
//  4| 7 |   |14 |
TEST(FillDrag, ReleaseRecomputesFormulaColumnsOfTheFilledRows) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  c.formuset(3, "C1*2");
  c.update(3);
  ASSERT_EQ(column(c, 3, 1, 3), (std::vector<std::string>{"2", "6", ""}));
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 4, 1);
  EXPECT_EQ(column(c, 3, 3, 4), (std::vector<std::string>{"", ""}));
  fillRelease(c, 4, 1);
  EXPECT_EQ(column(c, 3, 1, 5), (std::vector<std::string>{"2", "6", "10", "14", ""}));
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.RR(), 2);
  expectConsistent(c);
  expectSelectionInGrid(c);
}

// A fast drag reports row 6 right after row 2: rows 3 to 6 are all written, each by the series.
TEST(FillDrag, FastDragLeavesNoGaps) {
  Control c;
  c.settext(1, 1, "10");
  c.settext(2, 1, "7.5");
  c.settext(1, 2, "0.1");
  c.settext(2, 2, "0.2");
  select(c, 1, 1, 2, 2);
  arm(c, 2, 2);
  fillMove(c, 6, 2);
  EXPECT_EQ(column(c, 1, 3, 7), (std::vector<std::string>{"5", "2.5", "0", "-2.5", ""}));
  EXPECT_EQ(column(c, 2, 3, 7), (std::vector<std::string>{"0.3", "0.4", "0.5", "0.6", ""}));
  // Moving back up and down again writes the same values; nothing beyond the mouse row.
  fillMove(c, 4, 2);
  fillMove(c, 8, 1);
  EXPECT_EQ(column(c, 1, 3, 9), (std::vector<std::string>{"5", "2.5", "0", "-2.5", "-5", "-7.5", ""}));
  EXPECT_EQ(c.gettext(8, 2), "0.8");
  fillRelease(c, 8, 1);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 1);
  EXPECT_EQ(c.RR(), 2);
  EXPECT_EQ(c.cc(), 2);
}

//    C1  C2             C1  C2
//  1| a | 1 |         1| a | 1 |
//  2| b | 2 |  -->    2| b | 2 |   (a text among the last two rows: the last row is repeated)
//  3|   |   |         3| b | 2 |
//  4|   |   |         4| b | 2 |
TEST(FillDrag, TextsRepeatTheLastRow) {
  Control c;
  c.settext(1, 1, "a");
  c.settext(2, 1, "b");
  c.settext(1, 2, "1");
  c.settext(2, 2, "2");
  select(c, 1, 1, 2, 2);
  arm(c, 2, 2);
  fillMove(c, 4, 2);
  EXPECT_EQ(column(c, 1, 3, 5), (std::vector<std::string>{"b", "b", ""}));
  EXPECT_EQ(column(c, 2, 3, 5), (std::vector<std::string>{"2", "2", ""}));
  fillRelease(c, 4, 2);
  EXPECT_EQ(c.headless().clipboardText(), "b\t2\r\nb\t2\r\n");
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.cc0(), 1);
  EXPECT_EQ(c.RR(), 2);
  EXPECT_EQ(c.cc(), 2);
}

TEST(FillDrag, OneRowIsCopiedAndAnEmptyCellMakesACopy) {
  Control c;
  c.settext(4, 3, "x");
  click(c, 4, 3);
  arm(c, 4, 3);
  fillMove(c, 6, 3);
  EXPECT_EQ(column(c, 3, 4, 7), (std::vector<std::string>{"x", "x", "x", ""}));
  fillRelease(c, 6, 3);

  // 1 above an empty cell: not all numeric, so row 2 (empty) is copied.
  Control d;
  d.settext(1, 1, "1");
  d.settext(3, 1, "old");
  select(d, 1, 1, 2, 1);
  arm(d, 2, 1);
  fillMove(d, 3, 1);
  EXPECT_EQ(d.gettext(3, 1), "");
  EXPECT_EQ(d.state().fillDone, FillDone::Filled);
}

TEST(FillDrag, EmptySampleWritesNothing) {
  Control c;
  c.settext(4, 1, "below");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 4, 1);
  EXPECT_EQ(c.gettext(4, 1), "below");
  EXPECT_EQ(c.state().fillDone, FillDone::None);
}

// A selection made upwards (anchor below the end) still continues from the block's last row
// and never writes into the block itself.
TEST(FillDrag, UpwardSelectionContinuesBelowTheBlock) {
  Control c;
  c.settext(1, 1, "0");
  c.settext(2, 1, "1");
  c.settext(3, 1, "3");
  select(c, 3, 1, 2, 1);  // rr0 = 3, RR = 2
  arm(c, 2, 1);           // the end cell
  ASSERT_EQ(c.grid().fillMarker, 2);
  fillMove(c, 3, 1);
  fillMove(c, 5, 1);
  EXPECT_EQ(column(c, 1, 1, 6), (std::vector<std::string>{"0", "1", "3", "5", "7", ""}));
  fillRelease(c, 5, 1);
  EXPECT_EQ(c.rr0(), 3);
  EXPECT_EQ(c.RR(), 2);
}

TEST(FillDrag, ArmingNeedsCtrlAloneOnTheEndCell) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  select(c, 1, 1, 2, 1);
  arm(c, 1, 1);  // not the end cell
  EXPECT_EQ(c.grid().fillMarker, 0);
  EXPECT_EQ(c.state().fillStartRow, 1);
  release(c, 1, 1, kMiddle, kCtrl);
  press(c, 2, 1, kMiddle, kCtrl | 1);  // Ctrl + Shift
  EXPECT_EQ(c.grid().fillMarker, 0);
  move(c, 4, 1, kMiddle, kCtrl | 1);
  EXPECT_EQ(c.gettext(3, 1), "");
  release(c, 4, 1, kMiddle);
  // The selection stays as it was after middle presses.
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.RR(), 2);
}

TEST(FillDrag, CtrlReleaseAndMovesAboveTheBlockDisarm) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 3, 1);
  ASSERT_EQ(c.gettext(3, 1), "5");
  c.pressKey(17, kCtrl);  // Ctrl goes up over the grid
  EXPECT_EQ(c.grid().fillMarker, 0);
  fillMove(c, 5, 1);
  EXPECT_EQ(c.gettext(4, 1), "");
  EXPECT_EQ(c.gettext(5, 1), "");
  fillRelease(c, 5, 1);

  arm(c, 2, 1);
  fillMove(c, 1, 1);  // above the block's last row
  EXPECT_EQ(c.grid().fillMarker, 0);
  fillMove(c, 4, 1);
  EXPECT_EQ(c.gettext(4, 1), "");
  fillRelease(c, 4, 1);
  EXPECT_EQ(c.state().fillMaxRow, 0);
}

TEST(FillDrag, ArmedFromTheEditorOverTheEndCell) {
  Control c;
  c.settext(1, 1, "2");
  c.settext(2, 1, "4");
  select(c, 1, 1, 2, 1);  // the editor is open over the anchor (1, 1)
  c.pressKey(13);         // Enter in the editor ends the edit
  c.pressKey(13);         // Enter in the grid: row 2, the editor opens over the end cell
  ASSERT_EQ(c.focus(), FocusTarget::Editor);
  ASSERT_EQ(c.grid().Row(), 2);
  c.Text1_MouseDown(kMiddle, kCtrl, 100, 100);
  EXPECT_EQ(c.grid().fillMarker, 2);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  c.Text1_MouseUp(kMiddle, kCtrl, 100, 100);
  EXPECT_EQ(c.grid().fillMarker, 0);
}

// The release pastes back the block's own columns only: a cell formula of the column under the
// mouse stays, and so does its text.
TEST(FillDrag, ReleaseOverAnotherColumnWritesOnlyTheBlock) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  c.settext(3, 3, "7");
  enterFormula(c, 3, 2, "=C3*2");
  ASSERT_EQ(c.gettext(3, 2), "14");
  const std::string before = record(c, 2);
  c.settext(3, 2, "mine");  // the user's text over the formula's result
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 3, 1);
  fillMove(c, 4, 1);
  fillRelease(c, 4, 2);
  EXPECT_EQ(column(c, 1, 1, 4), (Texts{"1", "3", "5", "7"}));
  EXPECT_EQ(record(c, 2), before);
  EXPECT_EQ(c.gettext(3, 2), "mine");
  EXPECT_EQ(c.headless().clipboardText(), "5\r\n7\r\n");
  expectConsistent(c);
}

TEST(FillDrag, ASeriesBeyondTheNumbersWritesNothing) {
  Control c;
  c.settext(1, 1, "1e308");
  c.settext(2, 1, "1.7e308");
  c.settext(4, 1, "keep");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 3, 1);
  fillMove(c, 4, 1);
  EXPECT_EQ(column(c, 1, 3, 4), (Texts{"", "keep"}));
  EXPECT_EQ(c.state().fillMaxRow, 0);
  fillRelease(c, 4, 1);
  EXPECT_EQ(column(c, 1, 3, 4), (Texts{"", "keep"}));
  EXPECT_TRUE(c.headless().clipboardText().empty());
  expectConsistent(c);
}

// Presses other than opening the editor leave the view where the user scrolled it, so a fill
// can start from an end cell whose anchor is out of view.
TEST(FillDrag, PressesDoNotScrollTheView) {
  Control c;
  c.settext(1, 1, "1");
  c.settext(2, 1, "3");
  select(c, 1, 1, 2, 1);
  c.focusGrid();
  for (auto [button, row, col] : {std::tuple{kRight, 5, 2}, {kMiddle, 5, 2}, {kLeft, 0, 2}}) {
    c.scrollTo(2, 1);
    press(c, row, col, button);
    release(c, row, col, button);
    EXPECT_EQ(c.grid().TopRow(), 2) << button;
  }
  select(c, 1, 1, 2, 1);
  c.scrollTo(2, 1);
  arm(c, 2, 1);
  EXPECT_EQ(c.grid().TopRow(), 2);
  fillMove(c, 3, 1);
  fillMove(c, 5, 1);
  fillRelease(c, 5, 1);
  EXPECT_EQ(column(c, 1, 1, 5), (Texts{"1", "3", "5", "7", "9"}));
}

// The middle release is lost when another button is pressed during the drag: the fill ends on
// its own block then, not on the selection the new press makes. A cell formula in the column
// clicked stays.
TEST(FillDrag, APressDuringTheDragEndsTheFillOnItsOwnBlock) {
  Control c;
  fillColumn(c, 1, {"1", "3"});
  fillColumn(c, 4, {"1", "2", "3", "4", "5", "6"});
  enterFormula(c, 4, 5, "=C4*100");
  ASSERT_EQ(c.gettext(4, 5), "400");
  select(c, 1, 1, 2, 1);
  arm(c, 2, 1);
  fillMove(c, 3, 1);
  fillMove(c, 4, 1);
  press(c, 2, 5);  // left press, then its release
  release(c, 2, 5);
  EXPECT_EQ(column(c, 1, 1, 5), (Texts{"1", "3", "5", "7", ""}));
  EXPECT_EQ(record(c, 5), "=C4<4>*100<B>4;");
  EXPECT_EQ(std::tuple(c.rr0(), c.cc0(), c.RR(), c.cc()), std::tuple(2, 5, 2, 5));
  EXPECT_EQ(c.state().fillDone, FillDone::None);
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
