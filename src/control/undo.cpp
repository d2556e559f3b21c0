// Undo and redo: the public methods over the history, and the dispatch scopes that end steps.
#include <tablique/control.h>

#include "control/history.h"

namespace tablique {

Control::StepScope::StepScope(Control& c) : history_(c.history_.get()) {
  if (history_) history_->open();
}
Control::StepScope::~StepScope() {
  if (history_) history_->close();
}

// A fill drag going on ends: the rows it filled so far are a step of their own (taken back by
// undo), and the rest of the drag fills nothing, so that it cannot leave a gap of taken-back rows.
namespace {
void endFillDrag(Grid& grid, ControlState& st) {
  grid.fillMarker = 0;
  st.fillDone = FillDone::None;
  st.fillMaxRow = 0;
}
}  // namespace

// An edit in progress ends first (a step of its own); the editor is hidden, the grid has the
// focus and shows the current cell. A failure (no memory for the replay) leaves the table and the
// history as they were; it is told, then thrown on.
bool Control::undo() try {
  const StepScope scope(*this);
  endEdit();
  hideEditor();
  endFillDrag(grid_, st_);
  const bool done = history_->undo();
  if (done) grid_.ensureCurrentVisible();
  return done;
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

bool Control::redo() try {
  const StepScope scope(*this);
  endEdit();
  hideEditor();
  endFillDrag(grid_, st_);
  const bool done = history_->redo();
  if (done) grid_.ensureCurrentVisible();
  return done;
} catch (...) {
  tellFailureInFlight();
  rethrowAsError();
}

bool Control::editChangedCell() const {
  return focus_ == FocusTarget::Editor && grid_.Row() >= 1 && grid_.Col() >= 1 && grid_.Text() != st_.editOrig;
}

void Control::tellHistoryListener() {
  if (!history_ || !history_->changed) return;
  try {
    history_->changed();
  } catch (...) {
  }
}

bool Control::canUndo() const { return history_->canUndo() || (history_->limit() > 0 && editChangedCell()); }
bool Control::canRedo() const { return history_->canRedo() && !editChangedCell(); }
size_t Control::undoSteps() const { return history_->steps(); }
size_t Control::redoSteps() const { return history_->redoSteps(); }

void Control::clearUndo() {
  history_->commit();
  history_->clear();
}

void Control::setUndoLimit(size_t bytes) { history_->setLimit(bytes); }
size_t Control::undoLimit() const { return history_->limit(); }

void Control::setHistoryListener(std::function<void()> listener) { history_->changed = std::move(listener); }

}  // namespace tablique
