// The undo history. The grid writes every change of its table to a journal (src/host/
// grid_journal.h); the formula records that their writers named (ControlState::recordWrites)
// are compared with a copy of the records at the end of the last step, so that a boundary costs
// what changed, not the number of columns. What changed between two step boundaries is one step:
// the grid changes, the records that differ, and the current cell and selection before and after.
//
// Boundaries: the outermost dispatch scope of a command, a key, a mouse event or a public method
// closes a step unless an edit (the editor holds the focus) or a fill drag (marker armed) is
// still going on; the end of an edit closes one itself. Undo runs a step's changes backwards
// with the journal writing what redoes them, and the other way round, so either costs what the
// step cost.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <tablique/control_state.h>
#include <tablique/grid.h>

#include "host/grid_journal.h"

namespace tablique {

class History {
public:
  static constexpr size_t kDefaultLimit = size_t(64) << 20;

  // `holding` says whether an edit or a drag that groups several events is still open.
  History(Grid& grid, ControlState& st, std::function<bool()> holding);
  ~History();
  History(const History&) = delete;
  History& operator=(const History&) = delete;

  // Dispatch scopes; the outermost close ends a step unless `holding`.
  void open();
  void close() noexcept;
  // Ends the step now (an edit ended, or before undo/redo and clearing).
  void commit() noexcept;

  bool canUndo() const { return !undo_.empty(); }
  bool canRedo() const { return !redo_.empty(); }
  // Take back / put back one step; false when there is none. The current cell and the selection
  // are those before (after) the step.
  bool undo();
  bool redo();
  void clear() noexcept;

  // Memory bound of the history in bytes; the oldest steps go first, except that redo steps
  // that do not fit even alone go before any undo step.
  void setLimit(size_t bytes);
  size_t limit() const { return limit_; }
  size_t bytes() const { return bytes_; }
  size_t steps() const { return undo_.size(); }
  size_t redoSteps() const { return redo_.size(); }

  // Record j was rewritten without changing what it means (compaction): `before` is what it
  // was; unless the step going on changed it, its new form is the reference for the next step.
  void acceptRecord(size_t j, const std::string& before) noexcept;

  // For tests: when set, all the records are compared with the history's copy at every step
  // boundary; a writer that changed a record without naming it in ControlState::recordWrites
  // is reported with the first such record's index (and the copy is taken again).
  static inline void (*unnamedRecordWrite)(size_t index) = nullptr;

  // Called when canUndo or canRedo may have changed.
  std::function<void()> changed;

private:
  struct Cursor {
    int32_t row = 0, col = 0, rr0 = 1, cc0 = 1, RR = 1, cc = 1;
  };
  struct RecordChange {
    size_t index;
    std::string before, after;
  };
  struct Step {
    GridJournal changes;
    size_t recordsBefore = 0, recordsAfter = 0;  // sizes of colFormula
    std::vector<RecordChange> records;
    Cursor before, after;
    size_t bytes = 0;
  };

  Cursor cursor() const;
  void setCursor(const Cursor& c);
  bool recordsChanged() const;
  std::vector<RecordChange> recordChanges() const;
  void takeRecords(const std::vector<RecordChange>& changes);
  void syncRecords() noexcept;
  void catchUpRecords() noexcept;
  void checkRecords() noexcept;
  bool netUnchanged() const;
  void commitNow();
  void push(std::deque<Step>& stack, Step step);
  void measure(Step& step) const;
  void dropRedo() noexcept;
  void trim() noexcept;
  bool step(std::deque<Step>& from, std::deque<Step>& to, bool backwards);
  void notify() noexcept;

  Grid& grid_;
  ControlState& st_;
  std::function<bool()> holding_;
  GridJournal pending_;
  // colFormula at the last boundary while recording; recordsKnown_ is false while recording is
  // off or when no copy could be taken (the next boundary takes it and makes no step).
  std::vector<std::string> records_;
  bool recordsKnown_ = true;
  Cursor before_;
  int depth_ = 0;
  std::deque<Step> undo_, redo_;  // back() is the next to take back / put back
  size_t bytes_ = 0, limit_ = kDefaultLimit;
  size_t redoBytes_ = 0;  // of bytes_, what the redo steps hold
};

}  // namespace tablique
