// The undo history: steps from the grid's journal and the formula records, bounded in memory.
#include "control/history.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string_view>

#include "control/journal_net.h"

namespace tablique {

History::History(Grid& grid, ControlState& st, std::function<bool()> holding)
    : grid_(grid), st_(st), holding_(std::move(holding)), records_(st.colFormula), before_(cursor()) {
  grid_.setJournal(&pending_);
}

History::~History() {
  if (grid_.journal() == &pending_) grid_.setJournal(nullptr);
}

History::Cursor History::cursor() const {
  return {grid_.Row(), grid_.Col(), st_.rr0, st_.cc0, st_.RR, st_.cc};
}

void History::setCursor(const Cursor& c) {
  grid_.setRow(std::clamp(c.row, 0, grid_.Rows() - 1));
  grid_.setCol(std::clamp(c.col, 0, grid_.Cols() - 1));
  st_.rr0 = c.rr0;
  st_.cc0 = c.cc0;
  st_.RR = c.RR;
  st_.cc = c.cc;
}

bool History::recordsChanged() const { return st_.colFormula != records_; }

// A journal that cancels out (typing taken back, a paste that a column formula wrote back, a new
// table like the old one, identical lines exchanged, a file reopened) makes no step.
bool History::netUnchanged() const { return leavesTableAsItIs(grid_, pending_); }

void History::open() {
  if (depth_++ > 0) return;
  // Changes made outside any scope (a handler a host called directly) are a step of their own.
  if (!holding_() && (!pending_.empty() || recordsChanged())) commit();
  if (pending_.empty()) before_ = cursor();
}

void History::close() noexcept {
  if (depth_ > 0 && --depth_ > 0) return;
  if (!holding_()) commit();
}

void History::commit() noexcept {
  try {
    commitNow();
  } catch (...) {
    // No memory for the step: the history can no longer take the table back consistently.
    clear();
  }
}

void History::commitNow() {
  if (limit_ == 0) {  // recording is off
    records_ = st_.colFormula;
    return;
  }
  grid_.settleAlignments();  // cell codes that column alignments replaced belong to this step
  const bool records = recordsChanged();
  if (!records && (pending_.empty() || netUnchanged())) {
    pending_.clear();
    before_ = cursor();
    return;
  }
  Step s;
  if (records) {
    const std::vector<std::string>& now = st_.colFormula;
    s.recordsBefore = records_.size();
    s.recordsAfter = now.size();
    static const std::string none;
    for (size_t i = 0; i < std::max(records_.size(), now.size()); ++i) {
      const std::string& b = i < records_.size() ? records_[i] : none;
      const std::string& a = i < now.size() ? now[i] : none;
      if (b != a) s.records.push_back({i, b, a});
    }
    records_ = now;
  } else {
    s.recordsBefore = s.recordsAfter = st_.colFormula.size();
  }
  s.changes = std::move(pending_);
  pending_.clear();
  s.changes.shrink();
  s.before = before_;
  s.after = cursor();
  before_ = s.after;
  dropRedo();
  push(undo_, std::move(s));
  notify();
}

void History::measure(Step& s) const {
  s.bytes = sizeof(Step) + s.changes.capacityBytes() + s.records.capacity() * sizeof(RecordChange);
  for (const RecordChange& r : s.records) s.bytes += r.before.capacity() + r.after.capacity();
}

void History::push(std::deque<Step>& stack, Step s) {
  measure(s);
  bytes_ += s.bytes;
  if (&stack == &redo_) redoBytes_ += s.bytes;
  stack.push_back(std::move(s));
  trim();
}

// A new step: the steps undone can no longer be put back.
void History::dropRedo() noexcept {
  bytes_ -= redoBytes_;
  redoBytes_ = 0;
  redo_.clear();
}

// Oldest first: the far end of the undo stack, then the far end of the redo stack. But redo
// steps that do not fit even alone (an undo whose inverse is larger than the bound) go first,
// from the far end: no undo step is given up for a redo step that cannot be kept anyway.
void History::trim() noexcept {
  while (redoBytes_ > limit_) {
    bytes_ -= redo_.front().bytes;
    redoBytes_ -= redo_.front().bytes;
    redo_.pop_front();
  }
  while (bytes_ > limit_ && !undo_.empty()) {
    bytes_ -= undo_.front().bytes;
    undo_.pop_front();
  }
  while (bytes_ > limit_ && !redo_.empty()) {
    bytes_ -= redo_.front().bytes;
    redoBytes_ -= redo_.front().bytes;
    redo_.pop_front();
  }
}

bool History::undo() { return step(undo_, redo_, true); }
bool History::redo() { return step(redo_, undo_, false); }

// Replays the step's changes with the journal writing their inverse; a failure part-way puts
// back what was replayed and keeps the step where it was.
bool History::step(std::deque<Step>& from, std::deque<Step>& to, bool backwards) {
  commit();
  if (from.empty()) return false;
  Step s = std::move(from.back());
  from.pop_back();
  bytes_ -= s.bytes;
  if (&from == &redo_) redoBytes_ -= s.bytes;
  GridJournal inverse;
  grid_.setJournal(&inverse);
  try {
    grid_.replay(s.changes);
  } catch (...) {
    try {
      GridJournal again;
      grid_.setJournal(&again);
      grid_.replay(inverse);
      grid_.setJournal(&pending_);
      s.changes.append(std::move(again));
      push(from, std::move(s));
    } catch (...) {
      grid_.setJournal(&pending_);
      pending_.clear();
      clear();
    }
    throw;
  }
  grid_.setJournal(&pending_);
  std::vector<std::string>& records = st_.colFormula;
  records.resize(backwards ? s.recordsBefore : s.recordsAfter);
  for (const RecordChange& r : s.records)
    if (r.index < records.size()) records[r.index] = backwards ? r.before : r.after;
  records_ = records;
  setCursor(backwards ? s.before : s.after);
  before_ = cursor();
  inverse.shrink();
  s.changes = std::move(inverse);
  push(to, std::move(s));
  notify();
  return true;
}

void History::clear() noexcept {
  const bool had = !undo_.empty() || !redo_.empty();
  pending_.clear();
  undo_.clear();
  redo_.clear();
  bytes_ = redoBytes_ = 0;
  try {
    records_ = st_.colFormula;
  } catch (...) {
  }
  before_ = cursor();
  if (had) notify();
}

// A bound of 0 turns recording off (the grid keeps no journal); any other bound turns it on.
void History::setLimit(size_t bytes) {
  commit();
  limit_ = bytes;
  grid_.setJournal(bytes == 0 ? nullptr : &pending_);
  trim();
  notify();
}

void History::acceptRecords(const std::vector<std::string>& before) {
  const std::vector<std::string>& now = st_.colFormula;
  if (records_.size() == before.size()) records_.resize(now.size());
  for (size_t i = 0; i < records_.size(); ++i) {
    const bool was = i < before.size() ? records_[i] == before[i] : records_[i].empty();
    if (was && i < now.size()) records_[i] = now[i];
  }
}

void History::notify() noexcept {
  if (!changed) return;
  try {
    changed();
  } catch (...) {
  }
}

}  // namespace tablique
