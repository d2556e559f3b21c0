// Grid keys, the grid's scroll notification and the two wheel watchers.
//
// The grid moves its current cell on arrow and page keys by itself; the control adds Enter
// (one row down and the editor opened there), Ctrl+C, Ctrl+V, Ctrl+X, Delete, Ctrl+Z (undo),
// Ctrl+Y and Ctrl+Shift+Z (redo), and the Ctrl
// release that disarms a fill drag. A wheel notch over the grid becomes three arrow presses; a
// notch over the editor closes it.
#include <tablique/control.h>

namespace tablique {

namespace {
constexpr int16_t kEnter = 13, kDelete = 46, kCtrl = 17, kKeyC = 67, kKeyV = 86, kKeyX = 88;
constexpr int16_t kKeyY = 89, kKeyZ = 90;
constexpr int16_t kUp = 38, kDown = 40;
constexpr int16_t kCtrlOnly = 2, kCtrlShift = 3;
constexpr int16_t kNotchAway = 120, kNotchTowards = -120;
constexpr float kEditorFontSize = 10.5f;
}  // namespace

// The editor placed over the current cell (scrolled into view) with its width, shown readable
// and given the focus.
void Control::openEditorOverCurrentCell() {
  grid_.ensureCurrentVisible();
  placeEditorOverCurrentCell(true);
  editor_.setVisible(true);
  editor_.setForeColor(grid_.ForeColor);
  editor_.setFontSize(kEditorFontSize);
  editor_.setAlignment(0);
  focusEditor();
}

// A failing step ends the handling of the key; the steps before it stay done. A shortcut whose
// command fails is told to the user, as a menu choice is.
void Control::MSFlexGrid1_KeyDown(int16_t KeyCode, int16_t Shift) {
  const StepScope scope(*this);
  try {
    endEdit();
    gridMoveByKey(KeyCode, Shift);
    // Enter moves one row down and opens the editor there; on the last row it keeps the
    // current cell and opens nothing, as there is no row below.
    if (KeyCode == kEnter && grid_.Row() < grid_.Rows() - 1) {
      grid_.setRow(grid_.Row() + 1);
      openEditorOverCurrentCell();
    }
    if (KeyCode == kKeyC && Shift == kCtrlOnly) {
      focusGrid();
      copysel();
    }
    if (KeyCode == kKeyV && Shift == kCtrlOnly) {
      focusGrid();
      pastesel();
    }
    // Cut and Delete empty the editor without writing through: the hidden editor may still hold
    // the text of a cell the current cell has moved away from, and only the selection is cut.
    if (KeyCode == kKeyX && Shift == kCtrlOnly) {
      focusGrid();
      cutsel();
      editor_.setTextRaw(std::string());
    }
    if (KeyCode == kDelete) {
      editor_.setTextRaw(std::string());
      focusGrid();
      delsel();
    }
    // undo() and redo() have told their failure themselves.
    try {
      if (KeyCode == kKeyZ && Shift == kCtrlOnly) undo();
      if ((KeyCode == kKeyY && Shift == kCtrlOnly) || (KeyCode == kKeyZ && Shift == kCtrlShift)) redo();
    } catch (const Error&) {
      return;
    }
    hideEditorOffItsCell();  // an emptied box over a cell outside the selection
  } catch (...) {
    tellFailureInFlight();
  }
}

void Control::MSFlexGrid1_KeyUp(int16_t KeyCode, int16_t) {
  const StepScope scope(*this);
  if (KeyCode == kCtrl) grid_.fillMarker = 0;
}

void Control::MSFlexGrid1_Scroll() {
  const StepScope scope(*this);
  hideEditor();
  focusGrid();
}

// Three arrow presses per notch, delivered by the platform to the focused window. Away from
// the user only when the mouse row lies strictly between row 1 and the last row; towards the
// user only when it lies above the last two rows.
void Control::glidbar2_Wheel(int16_t amount) {
  const StepScope scope(*this);
  int32_t n = grid_.Rows(), m = grid_.MouseRow();
  if (m < n - 1 && m > 1 && amount == kNotchAway)
    for (int i = 0; i < 3; ++i) platform_->synthesizeKey(kUp);
  n = grid_.Rows();
  m = grid_.MouseRow();
  if (m < n - 2 && m > 0 && amount == kNotchTowards)
    for (int i = 0; i < 3; ++i) platform_->synthesizeKey(kDown);
}

void Control::glidbar1_Wheel(int16_t amount) {
  const StepScope scope(*this);
  if (amount != kNotchAway && amount != kNotchTowards) return;
  focusGrid();
  hideEditor();
}

}  // namespace tablique
