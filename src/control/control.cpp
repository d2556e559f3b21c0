// Control construction, start-up, the layout rule, focus and the editor helpers.
//
// Start-up (UserControl_Initialize) fills the grid with 500 x 50 empty data cells, the headers
// C1.. and the row numbers, sets the selection to (1, 1), sizes colFormula to 50 empty records
// and hands the function library to the engine. After that the control only reacts.
#include <tablique/control.h>

#include <algorithm>
#include <limits>
#include <new>

#include "control/history.h"
#include "control/texts.h"
#include "formula/function_library.h"

namespace tablique {

namespace {
constexpr float kEditorFontSize = 10.5f;
constexpr float kBlankFontSize = 1.0f;

int32_t saturated(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
}  // namespace

Control::Control() : ScriptControl1(std::make_unique<script::Engine>()),
                     ownedPlatform_(std::make_unique<HeadlessPlatform>()) {
  platform_ = ownedPlatform_.get();
  platform_->attach(this);
  UserControl_Initialize();
  startHistory();
}

Control::Control(Platform& platform) : ScriptControl1(std::make_unique<script::Engine>()),
                                       platform_(&platform) {
  platform_->attach(this);
  UserControl_Initialize();
  startHistory();
}

// Changes are recorded from here on; an edit or an armed fill drag holds a step open.
void Control::startHistory() {
  history_ = std::make_unique<History>(grid_, st_, [this] {
    return focus_ == FocusTarget::Editor || grid_.fillMarker == 2;
  });
}

Control::~Control() {
  if (platform_ && platform_->control() == this) platform_->attach(nullptr);
}

HeadlessPlatform& Control::headless() {
  if (!ownedPlatform_)
    throw Error(ErrorCode::NoPlatform, "this control runs on a host platform, not a headless one");
  return *ownedPlatform_;
}

// Each step from the third on is skipped when it fails, so a control is always created.
void Control::UserControl_Initialize() {
  auto step = [](auto&& f) {
    try {
      f();
    } catch (const std::exception&) {
    }
  };
  // 1. the wheel watchers are invisible by construction; 2.-3.
  st_.formuMode = FormuMode::Prompt;
  st_.editLock = EditLock::None;
  st_.depGuard = DepGuard::None;
  st_.pmenu = true;
  st_.tbqFileName.clear();
  // 4. fifty empty formula records
  st_.recordWrites.touchFrom(0);
  st_.colFormula.assign(51, std::string());
  // 5.
  step([&] {
    grid_.setCols(51);
    grid_.setRows(501);
    grid_.setColWidth(0, 660);
  });
  // 6. every data cell left-aligned
  step([&] {
    for (int32_t i = 1; i <= 500; ++i)
      for (int32_t j = 1; j <= 50; ++j) {
        grid_.setRow(i);
        grid_.setCol(j);
        grid_.setCellAlignment(kAlignLeftCenter);
      }
  });
  // 7.
  editor_.setVisible(false);
  // 8. row numbers
  step([&] {
    for (int32_t i = 1; i <= 500; ++i) grid_.setTextAt(i, 0, std::to_string(i));
  });
  // 9. column headers
  step([&] {
    for (int32_t j = 1; j <= 50; ++j) {
      grid_.setRow(0);
      grid_.setCol(j);
      grid_.setText("C" + std::to_string(j));
      grid_.setCellAlignment(kAlignCenterTop);
    }
  });
  // 10.-11.
  step([&] {
    grid_.setCol(1);
    grid_.setRow(1);
  });
  st_.rr0 = st_.cc0 = st_.RR = st_.cc = 1;
  // 12. the function library
  step([&] { ScriptControl1->AddCode(formula::functionLibraryText()); });
  // 13.-14.
  width_ = 10000;
  height_ = 8000;
  grid_.Left = 5;
  grid_.Top = 5;
  grid_.Width = width_ - 10;
  grid_.Height = height_ - 10;
  // 15.
  editor_.setFontSize(kEditorFontSize);
  editor_.setAlignment(0);
}

void Control::resize(int32_t width, int32_t height) {
  width_ = width;
  height_ = height;
  UserControl_Resize();
}

// Layout rule: the grid follows the control only when it is at least 3000 x 3000 twips.
void Control::UserControl_Resize() {
  if (width_ < 3000 || height_ < 3000) return;
  grid_.Left = 5;
  grid_.Top = 5;
  grid_.Width = width_ - 10;
  grid_.Height = height_ - 10;
  if (grid_.changed) grid_.changed();
}

// ---- the platform's view

void Control::setChangeListeners(std::function<void()> gridChanged, std::function<void()> editorChanged) {
  grid_.changed = std::move(gridChanged);
  editor_.changed = std::move(editorChanged);
}

void Control::scrollTo(int32_t topRow, int32_t leftCol) {
  grid_.setTopRow(topRow);
  grid_.setLeftCol(leftCol);
}

void Control::setClientSize(int32_t widthTwips, int32_t heightTwips) {
  grid_.ClientWidth = std::max(0, widthTwips);
  grid_.ClientHeight = std::max(0, heightTwips);
}

// ---- focus

void Control::focusGrid() {
  const StepScope scope(*this);
  if (focus_ == FocusTarget::Grid) return;
  const FocusTarget previous = focus_;
  const bool typed = editChangedCell();
  focus_ = FocusTarget::Grid;
  platform_->focusChanged(focus_);
  if (previous == FocusTarget::Editor) endEditStep(typed);
}

// An edit is a step of its own. One whose typing ended up changing nothing (a recalc wrote the
// cell back) adds none, yet the listener was told that it could be taken back.
void Control::endEditStep(bool typed) {
  Text1_LostFocus();
  if (!history_) return;
  const size_t steps = history_->steps(), redoSteps = history_->redoSteps();
  history_->commit();
  if (typed && history_->steps() == steps && history_->redoSteps() == redoSteps) tellHistoryListener();
}

void Control::focusEditor() {
  const StepScope scope(*this);
  if (focus_ == FocusTarget::Editor) return;
  if (!editor_.visible() || !editor_.enabled()) return;  // a hidden box cannot take the focus
  focus_ = FocusTarget::Editor;
  platform_->focusChanged(focus_);
  Text1_GotFocus();
}

void Control::focusOut() {
  const StepScope scope(*this);
  if (focus_ == FocusTarget::None) return;
  const FocusTarget previous = focus_;
  const bool typed = editChangedCell();
  focus_ = FocusTarget::None;
  platform_->focusChanged(focus_);
  if (previous == FocusTarget::Editor) endEditStep(typed);
}

void Control::typeText(std::string_view text) {
  if (focus_ != FocusTarget::Editor) return;
  setEditorText(editor_.text() + std::string(text));
}

void Control::setEditorText(std::string text) {
  const StepScope scope(*this);  // a program writing through the hidden editor makes a step
  if (text == editor_.text()) return;
  editor_.setTextRaw(std::move(text));
  Text1_Change();
}

// A key where the focus is: the KeyUp goes wherever the KeyDown left the focus. In the editor
// the text box handles the key itself between KeyDown and KeyUp: Backspace removes the last
// character (the caret is at the end of the text).
void Control::pressKey(int16_t keyCode, int16_t shift) {
  if (focus_ == FocusTarget::Editor) {
    Text1_KeyDown(keyCode, shift);
    if (focus_ == FocusTarget::Editor && keyCode == 8 && !editor_.text().empty()) {
      std::string text = editor_.text();
      size_t cut = text.size() - 1;
      while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
      text.erase(cut);
      setEditorText(std::move(text));
    }
  } else {
    MSFlexGrid1_KeyDown(keyCode, shift);
  }
  if (focus_ == FocusTarget::Editor)
    Text1_KeyUp(keyCode, shift);
  else
    MSFlexGrid1_KeyUp(keyCode, shift);
}

// ---- commands and the pending edit

void Control::endEdit() {
  if (focus_ == FocusTarget::Editor) focusGrid();
}

void Control::rethrowAsError() {
  try {
    throw;
  } catch (const Error&) {
    throw;
  } catch (const std::bad_alloc&) {
    throw Error(ErrorCode::OutOfMemory, "out of memory", texts::kOutOfMemory);
  } catch (const std::length_error&) {
    throw Error(ErrorCode::OutOfMemory, "out of memory", texts::kOutOfMemory);
  } catch (const std::exception& e) {
    throw Error(ErrorCode::Refused, e.what());
  } catch (...) {
    throw Error(ErrorCode::Refused, "unknown failure");
  }
}

// ---- editor helpers

// A hidden box cannot keep the focus: the grid takes it, which ends the edit at once.
void Control::hideEditor() {
  editor_.setVisible(false);
  endEdit();
}

void Control::hideEditorOffItsCell() {
  if (!editor_.visible() || focus_ == FocusTarget::Editor) return;
  const bool moved = grid_.Row() != editorRow_ || grid_.Col() != editorCol_;
  // A blanked box has no size; a sized one must still cover its cell exactly.
  const bool shifted = editor_.width() > 0 &&
                       (editor_.top() != saturated(int64_t(grid_.Top) + grid_.CellTop()) ||
                        editor_.left() != saturated(int64_t(grid_.Left) + grid_.CellLeft()) ||
                        editor_.width() != grid_.CellWidth() || editor_.height() != grid_.CellHeight());
  if (moved || shifted || editor_.text() != grid_.Text()) hideEditor();
}

// Blanking: hidden, unreadable and empty-sized.
void Control::blankEditor() {
  hideEditor();
  editor_.setAlignment(0);
  editor_.setForeColor(grid_.BackColor);
  editor_.setFontSize(kBlankFontSize);
  editor_.setWidth(0);
  editor_.setHeight(0);
}

// Puts the editor over the current cell; without width when the caller sizes it later. The
// view does not scroll for it: only opening the editor brings the cell into view.
void Control::placeEditorOverCurrentCell(bool withWidth) {
  editorRow_ = grid_.Row();
  editorCol_ = grid_.Col();
  editor_.setTop(saturated(int64_t(grid_.Top) + grid_.CellTop()));
  editor_.setLeft(saturated(int64_t(grid_.Left) + grid_.CellLeft()));
  editor_.setHeight(grid_.CellHeight());
  editor_.setWidth(withWidth ? grid_.CellWidth() : 0);
}

// The grid's own handling of cursor keys: arrows and page keys move the current cell.
void Control::gridMoveByKey(int16_t keyCode, int16_t shift) {
  const int32_t lastRow = grid_.Rows() - 1, lastCol = grid_.Cols() - 1;
  if (lastRow < 1 || lastCol < 1) return;
  const bool ctrl = (shift & 2) != 0;
  int32_t r = grid_.Row(), c = grid_.Col();
  // Page keys scroll the view by a page and move the current row as far.
  const int32_t page = grid_.pageRows(keyCode == 33);
  switch (keyCode) {
    case 38: r = std::max(1, r - 1); break;        // Up
    case 40: r = std::min(lastRow, r + 1); break;  // Down
    case 37: c = std::max(1, c - 1); break;        // Left
    case 39: c = std::min(lastCol, c + 1); break;  // Right
    case 33:                                       // Page Up
      r = std::max(1, r - page);
      grid_.setTopRow(grid_.TopRow() - page);
      break;
    case 34:                                       // Page Down
      r = std::min(lastRow, r + page);
      grid_.setTopRow(grid_.TopRow() + page);
      break;
    case 36: c = 1; if (ctrl) r = 1; break;                // Home, Ctrl+Home
    case 35: c = lastCol; if (ctrl) r = lastRow; break;    // End, Ctrl+End
    default: return;
  }
  // A page key or a table end lands on a row the user sees: hidden (zero-height) rows are passed
  // over in the key's direction, or back against it at the table's end.
  if (keyCode == 33 || keyCode == 34 || ((keyCode == 35 || keyCode == 36) && ctrl)) {
    const int32_t step = keyCode == 33 || keyCode == 36 ? -1 : 1;
    auto shown = [&](int32_t from, int32_t by) {
      for (int32_t i = from; i >= 1 && i <= lastRow; i += by)
        if (grid_.RowHeight(i) > 0) return i;
      return 0;
    };
    if (grid_.RowHeight(r) == 0) {
      if (const int32_t found = shown(r, step)) r = found;
      else if (const int32_t back = shown(r, -step)) r = back;
    }
  }
  grid_.setRow(r);
  grid_.setCol(c);
  grid_.ensureCurrentVisible();
  hideEditorOffItsCell();
}

}  // namespace tablique
