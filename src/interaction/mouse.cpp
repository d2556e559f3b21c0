// Mouse selection and the fill drag: the grid's press, move and release handlers.
//
// A left press sets the anchor (rr0, cc0) and the end (RR, cc) to the pressed cell and opens the
// editor there; a left drag moves the end with the mouse; a release never changes the selection.
// A right press on a data cell opens popmu (when pmenu is on), as does one on the header of a
// row or column selected over the headers. A Ctrl + middle press on the selection's end cell
// arms the fill drag (fill marker 2); each middle move at or below the block's last row then
// fills every row not yet filled down to the mouse row, and the release copies the filled rows
// and pastes them back in place, which recalculates formula columns.
#include <tablique/control.h>

#include <algorithm>

#include "interaction/fill.h"

namespace tablique {

namespace {
constexpr int16_t kLeft = 1, kRight = 2, kMiddle = 4;
constexpr int16_t kCtrlOnly = 2;
constexpr float kHeaderBand = 320;    // twips: a move this near the top hides the editor
constexpr float kTextCursorX = 1000;  // twips: beyond this the pointer is the text cursor
}  // namespace

// Raised to the host with the arguments by reference. A host exception ends the press: the
// editor is enabled again and the exception leaves as a tablique::Error.
void Control::raiseMouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y) {
  if (!MouseDown) return;
  try {
    MouseDown(Button, Shift, X, Y);
  } catch (...) {
    editor_.setEnabled(true);
    rethrowAsError();
  }
}

// A point right of the last column or below the last row (or not a number) is no cell.
bool Control::outsideCells(float X, float Y) const {
  return !(X < float(grid_.visibleColLeft(grid_.Cols())) && Y < float(grid_.visibleRowTop(grid_.Rows())));
}

void Control::MSFlexGrid1_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
  const StepScope scope(*this);
  // A fill whose release never came (another button pressed during the drag) ends here, on its
  // own block, before this press changes the selection the release works on.
  if (st_.fillDone == FillDone::Filled) MSFlexGrid1_MouseUp(kMiddle, kCtrlOnly, X, Y);
  // What the grid does itself: the mouse cell, the focus, a left press makes the cell current.
  grid_.setMousePosition(X, Y);
  focusGrid();  // a pending edit ends before the press changes anything
  pressOutside_ = outsideCells(X, Y);
  if (pressOutside_) {
    hideEditor();
    return;
  }
  const int32_t mouseRow = grid_.MouseRow(), mouseCol = grid_.MouseCol();
  const bool onData = mouseRow != 0 && mouseCol != 0;
  if (Button == kLeft && onData) {
    grid_.setRow(mouseRow);
    grid_.setCol(mouseCol);
  }

  hideEditor();
  if (Button == kLeft) {
    st_.rr0 = mouseRow;
    st_.cc0 = mouseCol;
    // A plain click selects the pressed cell: the end follows the anchor until a drag moves it.
    st_.RR = mouseRow;
    st_.cc = mouseCol;
  }
  if (onData) raiseMouseDown(Button, Shift, X, Y);
  // (The grid's wheel watcher is started by the platform layer, which owns the real window.)
  placeEditorOverCurrentCell(false);  // the view does not scroll for a press

  // Whole rows or columns selected over their headers also open the menu: from a data cell and
  // from the header of one of the selected lines.
  const bool wholeRows = st_.cc0 == 0 && st_.cc == 0 && st_.rr0 >= 1 && st_.RR >= 1;
  const bool wholeCols = st_.rr0 == 0 && st_.RR == 0 && st_.cc0 >= 1 && st_.cc >= 1;
  const auto within = [](int32_t v, int32_t a, int32_t b) { return std::min(a, b) <= v && v <= std::max(a, b); };
  const bool onSelectedHeader = (wholeRows && mouseCol == 0 && within(mouseRow, st_.rr0, st_.RR)) ||
                                (wholeCols && mouseRow == 0 && within(mouseCol, st_.cc0, st_.cc));
  if (onData) {
    if (Button == kRight && st_.pmenu) {
      hideEditor();
      editor_.setEnabled(false);
      if ((st_.rr0 == 0 || st_.cc0 == 0) && !wholeRows && !wholeCols) {
        editor_.setEnabled(true);
        return;
      }
      showPopupMenu(X, Y);
      editor_.setEnabled(true);
    }
    if (Button == kLeft) openEditorOverCurrentCell();
  } else {
    editor_.setWidth(1);
    blankEditor();
    if (Button == kRight && st_.pmenu && onSelectedHeader) {
      editor_.setEnabled(false);
      showPopupMenu(X, Y);
      editor_.setEnabled(true);
    }
  }

  if (Button == kMiddle) {
    focusGrid();
    hideEditor();
    st_.fillStartRow = mouseRow;
    if (Shift == kCtrlOnly && st_.cc == mouseCol && st_.RR == mouseRow) {
      const bool usable = st_.rr0 != 0 && st_.cc0 != 0 && st_.RR != 0 && st_.cc != 0;
      grid_.fillMarker = usable ? 2 : 0;
    }
  }
}

void Control::MSFlexGrid1_MouseMove(int16_t Button, int16_t Shift, float X, float Y) {
  const StepScope scope(*this);
  grid_.setMousePosition(X, Y);
  const int32_t mouseRow = grid_.MouseRow(), mouseCol = grid_.MouseCol();

  if (Y < kHeaderBand) hideEditor();
  grid_.MousePointer = (X >= kTextCursorX || Y >= kHeaderBand) ? 3 : 0;
  if (Button == kLeft && !pressOutside_) {
    st_.cc = mouseCol;
    st_.RR = mouseRow;
    // A drag that began on a row header selects whole rows wherever the mouse goes across the
    // table; one that began on a column header, whole columns.
    if (st_.cc0 == 0 && st_.rr0 >= 1) {
      st_.cc = 0;
      st_.RR = std::max(1, mouseRow);
    } else if (st_.rr0 == 0 && st_.cc0 >= 1) {
      st_.RR = 0;
      st_.cc = std::max(1, mouseCol);
    }
  }
  if (mouseRow == 0 || mouseCol == 0) blankEditor();

  if (grid_.fillMarker == 2 && Button == kMiddle && Shift == kCtrlOnly) {
    try {
      fillStep(mouseRow);
    } catch (const std::exception&) {
    }
  }
}

// One move of an armed fill drag. Every row from the one after the last filled row down to the
// mouse row is written, so a fast drag that skips rows leaves no gaps. fillMaxRow is the last
// row written (0 before the first); a step that writes nothing leaves it where it was.
void Control::fillStep(int32_t mouseRow) {
  const int32_t filledTo = st_.fillMaxRow;

  const interaction::FillBlock block{std::min(st_.rr0, st_.RR), std::max(st_.rr0, st_.RR),
                                     std::min(st_.cc0, st_.cc), std::max(st_.cc0, st_.cc)};
  const bool usable = st_.rr0 != 0 && st_.cc0 != 0 && st_.RR != 0 && st_.cc != 0;
  if (mouseRow < block.bottom || !usable) {
    grid_.fillMarker = 0;
    return;
  }
  grid_.fillMarker = 2;

  const interaction::FillRule rule = interaction::fillRule(grid_, block);
  if (rule == interaction::FillRule::None) return;
  if (!interaction::fillRows(grid_, block, rule, std::max(block.bottom, filledTo) + 1, mouseRow))
    return;
  if (mouseRow > std::max(block.bottom, filledTo)) st_.fillMaxRow = mouseRow;
  st_.fillDone = FillDone::Filled;
}

void Control::MSFlexGrid1_MouseUp(int16_t, int16_t, float X, float Y) {
  const StepScope scope(*this);
  grid_.setMousePosition(X, Y);
  const int32_t keptRr0 = st_.rr0, keptCc0 = st_.cc0, keptRR = st_.RR, keptCc = st_.cc;

  if (st_.fillDone == FillDone::Filled) {
    try {
      // The filled rows in the block's own columns, wherever the mouse is now.
      st_.rr0 = std::max(st_.rr0, st_.RR) + 1;  // the first row below the source block
      st_.RR = st_.fillMaxRow;
      if (st_.RR >= st_.rr0 && st_.RR != 0 && st_.rr0 != 0 && st_.cc != 0 && st_.cc0 != 0 && st_.RR > keptRR &&
          st_.fillMaxRow > st_.fillStartRow) {
        grid_.FocusRect = 0;
        grid_.HighLight = 0;
        m_copy();
        grid_.setRow(st_.rr0);
        grid_.setCol(st_.cc0);
        m_paste();
      }
    } catch (const std::exception&) {
    }
  }

  grid_.FocusRect = 1;
  grid_.HighLight = 1;
  if (st_.fillDone == FillDone::Filled) {
    st_.fillDone = FillDone::None;
    try {
      grid_.setRow(st_.RR > keptRR ? st_.rr0 : keptRr0);
      grid_.setCol(st_.cc0);
    } catch (const std::exception&) {
    }
  }
  grid_.fillMarker = 0;
  st_.rr0 = keptRr0;
  st_.cc0 = keptCc0;
  st_.RR = keptRR;
  st_.cc = keptCc;
  st_.fillMaxRow = 0;
}

}  // namespace tablique
