// The in-cell editor Text1: focus, write-through, keys, mouse and the end of an edit.
//
// Typical edit: a left press on a cell opens the editor there; Text1_GotFocus loads the cell's
// text and remembers it in editOrig; every change is written straight into the current cell
// (Text1_Change); when the editor loses the focus with a text other than editOrig and a formula
// record references the edited column, Text1_LostFocus runs the restricted recalc (pasteMode
// 333, formuMode 0: column formulas for the edited row only) and makes the edited cell current
// again.
#include <tablique/control.h>

#include <algorithm>

#include "formula/references.h"

namespace tablique {

namespace {
constexpr int16_t kEnter = 13, kPageUp = 33, kPageDown = 34, kUp = 38, kDown = 40;
constexpr int16_t kTab = 9, kDelete = 46, kCtrl = 17;
constexpr int16_t kLeft = 1, kRight = 2, kMiddle = 4;
constexpr int16_t kCtrlOnly = 2, kCtrlShift = 3;
constexpr int16_t kKeyY = 89, kKeyZ = 90;
constexpr float kBlankFontSize = 1.0f;
}  // namespace

// The editor is placed over the current cell whenever it gets the focus, so that it never
// edits one cell over another.
void Control::Text1_GotFocus() {
  if (st_.editLock == EditLock::Deleting) {
    st_.editLock = EditLock::EditorFocused;
    hideEditor();
    return;
  }
  // A header cell (made current by a host's mouseset or a shrunken table) is never edited: the
  // box would take typing that no cell keeps.
  if (grid_.Row() < 1 || grid_.Col() < 1) {
    editor_.setTextRaw(std::string());
    st_.editOrig.clear();
    hideEditor();
    return;
  }
  editor_.setEnabled(true);
  editor_.setVisible(true);
  // (The editor's wheel watcher is started by the platform layer, which owns the real window.)
  try {
    grid_.ensureCurrentVisible();
    placeEditorOverCurrentCell(true);
    editor_.setForeColor(grid_.ForeColor);
    if (st_.rr0 != 0 && st_.cc0 != 0) {
      setEditorText(grid_.Text());
      st_.editOrig = editor_.text();
    } else {
      // A selection with a header member edits nothing: no box is left over the cell
      // showing a text that is not its own.
      st_.editOrig = editor_.text();
      hideEditor();
    }
  } catch (const std::exception&) {
  }
}

// Write-through: the current cell always holds what the editor shows. Header cells are never
// written (a host may have made one current with mouseset).
void Control::Text1_Change() {
  if (st_.rr0 == 0 || st_.cc0 == 0) {
    focusGrid();
    return;
  }
  if (st_.editLock == EditLock::EditorFocused) hideEditor();
  const bool changed = editChangedCell();
  if (grid_.Row() >= 1 && grid_.Col() >= 1) grid_.setText(editor_.text());
  if (editChangedCell() != changed) tellHistoryListener();  // the typing can be taken back (or not)
}

void Control::Text1_KeyDown(int16_t KeyCode, int16_t Shift) {
  const StepScope scope(*this);
  try {
    // Enter, the page keys and Up/Down end the edit; the grid does not move for them here.
    if (KeyCode == kEnter || KeyCode == kPageUp || KeyCode == kPageDown || KeyCode == kUp ||
        KeyCode == kDown) {
      focusGrid();
      hideEditor();
    }
    // Ctrl (also the Ctrl key itself) hands the keyboard to the grid for its Ctrl keys.
    if (Shift == kCtrlOnly) {
      focusGrid();
      editor_.setAlignment(0);
      editor_.setForeColor(grid_.BackColor);
      editor_.setFontSize(kBlankFontSize);
      editor_.setWidth(0);
      editor_.setHeight(0);
    }
    // Undo and redo end the edit (the Ctrl above already has): Ctrl+Z first takes back the
    // edit's own typing, which is the last step then.
    // undo() and redo() have told their failure themselves.
    try {
      if (KeyCode == kKeyZ && Shift == kCtrlOnly) undo();
      if ((KeyCode == kKeyY && Shift == kCtrlOnly) || (KeyCode == kKeyZ && Shift == kCtrlShift)) redo();
    } catch (const Error&) {
      return;
    }
    // Delete over a wider selection empties it; over one cell it works in the text. The edit
    // ends as typed first: the editor's own cell is emptied only when it lies in the selection.
    if (KeyCode == kDelete && (st_.RR != st_.rr0 || st_.cc != st_.cc0)) {
      focusGrid();
      editor_.setTextRaw(std::string());
      delsel();
      hideEditor();
    }
    // Tab: the edit ends and the editor opens on the next cell to the right; in the last
    // column it opens again on the same cell.
    if (KeyCode == kTab) {
      focusGrid();
      if (grid_.Col() < grid_.Cols() - 1) grid_.setCol(grid_.Col() + 1);
      hideEditor();
      setEditorText(grid_.Text());
      openEditorOverCurrentCell();
    }
  } catch (...) {
    tellFailureInFlight();
  }
}

void Control::Text1_KeyUp(int16_t KeyCode, int16_t) {
  const StepScope scope(*this);
  if (KeyCode == kCtrl) grid_.fillMarker = 0;
}

// Positions are twips relative to the editor; the grid's mouse cell is the one under them (the
// editor lies over the current cell).
void Control::Text1_MouseDown(int16_t Button, int16_t Shift, float X, float Y) {
  const StepScope scope(*this);
  const float gridX = float(editor_.left() - grid_.Left) + X;
  const float gridY = float(editor_.top() - grid_.Top) + Y;
  grid_.setMousePosition(gridX, gridY);
  if (Button == kLeft) focusEditor();  // what a click on a text box does itself

  if (Button == kRight) {
    hideEditor();  // the edit ends here, before the host or a menu command sees the table
    editor_.setEnabled(false);
    raiseMouseDown(Button, Shift, X, Y);
    hideEditor();
    editor_.setEnabled(false);
    if (st_.pmenu) showPopupMenu(gridX, gridY);
    editor_.setEnabled(true);
  }
  if (Button == kMiddle) {
    focusGrid();
    hideEditor();
  }
  if (Button == kMiddle && Shift == kCtrlOnly && grid_.MouseRow() == st_.RR &&
      grid_.MouseCol() == st_.cc) {
    focusGrid();
    const bool usable = st_.rr0 != 0 && st_.cc0 != 0 && st_.RR != 0 && st_.cc != 0;
    grid_.fillMarker = usable ? 2 : 0;
    hideEditor();
  }
}

void Control::Text1_MouseUp(int16_t Button, int16_t, float, float) {
  const StepScope scope(*this);
  if (Button == kRight) focusGrid();
  grid_.fillMarker = 0;
}

// The end of an edit. A changed text in a column that a live formula references runs the
// restricted recalc; the modes and the current cell are restored whatever
// happens inside it.
// The editor that got the focus while rows or columns were being deleted loaded nothing: there
// is no edit to end.
void Control::Text1_LostFocus() {
  if (st_.editLock == EditLock::EditorFocused) {
    hideEditor();
    st_.editLock = EditLock::None;
    return;
  }
  const int32_t R = grid_.Row(), K = grid_.Col();
  if (editor_.text() == st_.editOrig) return;

  bool referenced = false;
  const int32_t last = std::min<int32_t>(grid_.Cols() - 1, st_.formulaColumns());
  for (int32_t n = 1; n <= last && !referenced; ++n) {
    const std::string& record = st_.colFormula[size_t(n)];
    referenced = !record.empty() && formula::referencesColumn(record, K, grid_.Cols() - 1);
  }
  if (!referenced) return;

  try {
    st_.pasteMode = PasteMode::Restricted;
    st_.formuMode = FormuMode::Silent;
    recalc();
  } catch (const std::exception&) {
  }
  st_.formuMode = FormuMode::Prompt;
  st_.pasteMode = PasteMode::None;
  try {
    mouseset(R, K);
  } catch (const std::exception&) {
  }
  focusGrid();
}

}  // namespace tablique
