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
  st_.recordWrites.clear();
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

// Whether a record may have changed since the last boundary: one was written, or the number of
// records differs from the copy's.
bool History::recordsChanged() const {
  return st_.recordWrites.any() || (limit_ > 0 && records_.size() != st_.colFormula.size());
}

// The records that differ from the copy: among those their writers named, and those between the
// two sizes. Ascending by index.
std::vector<History::RecordChange> History::recordChanges() const {
  const std::vector<std::string>& now = st_.colFormula;
  const RecordWrites& writes = st_.recordWrites;
  const size_t tail = std::min({writes.from, records_.size(), now.size()});
  const size_t end = std::max(records_.size(), now.size());
  std::vector<size_t> named;
  for (size_t i : writes.entries)
    if (i < tail) named.push_back(i);
  std::sort(named.begin(), named.end());
  named.erase(std::unique(named.begin(), named.end()), named.end());
  static const std::string none;
  std::vector<RecordChange> changes;
  const auto compare = [&](size_t i) {
    const std::string& b = i < records_.size() ? records_[i] : none;
    const std::string& a = i < now.size() ? now[i] : none;
    if (b != a) changes.push_back({i, b, a});
  };
  for (size_t i : named) compare(i);
  for (size_t i = tail; i < end; ++i) compare(i);
  return changes;
}

// The copy takes in the changes recordChanges found: it equals the records again.
void History::takeRecords(const std::vector<RecordChange>& changes) {
  records_.resize(st_.colFormula.size());
  for (const RecordChange& c : changes)
    if (c.index < records_.size()) records_[c.index] = c.after;
  st_.recordWrites.clear();
}

// A fresh copy of all the records; without memory for it, none is kept (recordsKnown_ false).
void History::syncRecords() noexcept {
  try {
    records_ = st_.colFormula;
    recordsKnown_ = true;
  } catch (...) {
    std::vector<std::string>().swap(records_);
    recordsKnown_ = false;
  }
  st_.recordWrites.clear();
}

// The copy catches up with the records without making a step of what changed.
void History::catchUpRecords() noexcept {
  if (limit_ == 0) return st_.recordWrites.clear();
  if (recordsKnown_) {
    try {
      takeRecords(recordChanges());
      return;
    } catch (...) {
    }
  }
  syncRecords();
}

void History::checkRecords() noexcept {
  if (!unnamedRecordWrite || !recordsKnown_ || records_ == st_.colFormula) return;
  const std::vector<std::string>& now = st_.colFormula;
  size_t i = 0;
  while (i < records_.size() && i < now.size() && records_[i] == now[i]) ++i;
  unnamedRecordWrite(i);
  syncRecords();
}

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
    recordsKnown_ = false;
    clear();
  }
}

void History::commitNow() {
  if (limit_ == 0) {  // recording is off: no copy of the records is kept
    st_.recordWrites.clear();
    return;
  }
  if (!recordsKnown_) {  // no copy to compare with: what changed since cannot be a step
    grid_.settleAlignments();
    pending_.clear();
    syncRecords();
    before_ = cursor();
    return;
  }
  grid_.settleAlignments();  // cell codes that column alignments replaced belong to this step
  const size_t recordsBefore = records_.size();
  std::vector<RecordChange> changes = recordChanges();
  const bool records = !changes.empty() || recordsBefore != st_.colFormula.size();
  takeRecords(changes);
  checkRecords();
  if (!records && (pending_.empty() || netUnchanged())) {
    pending_.clear();
    before_ = cursor();
    return;
  }
  Step s;
  s.recordsBefore = recordsBefore;
  s.recordsAfter = st_.colFormula.size();
  s.records = std::move(changes);
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
  // The records and the copy alike, entry by entry. Without memory part-way the step's records
  // are only half back: the history cannot go on from there.
  try {
    std::vector<std::string>& records = st_.colFormula;
    const size_t size = backwards ? s.recordsBefore : s.recordsAfter;
    records.resize(size);
    records_.resize(size);
    for (const RecordChange& r : s.records)
      if (r.index < size) records[r.index] = records_[r.index] = backwards ? r.before : r.after;
  } catch (...) {
    recordsKnown_ = false;
    clear();
    throw;
  }
  if (!recordsKnown_) syncRecords();
  checkRecords();
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
  catchUpRecords();
  before_ = cursor();
  if (had) notify();
}

// A bound of 0 turns recording off (the grid keeps no journal); any other bound turns it on.
void History::setLimit(size_t bytes) {
  commit();
  if (bytes == 0) {  // nothing to compare with while off
    std::vector<std::string>().swap(records_);
    recordsKnown_ = false;
  } else if (limit_ == 0) {  // on again: from the table as it is now
    grid_.settleAlignments();  // column alignments set while off are not the first step's
    syncRecords();
  }
  limit_ = bytes;
  grid_.setJournal(bytes == 0 ? nullptr : &pending_);
  trim();
  notify();
}

void History::acceptRecord(size_t j, const std::string& before) noexcept {
  if (limit_ == 0 || !recordsKnown_ || j >= records_.size() || j >= st_.colFormula.size()) return;
  try {
    if (records_[j] == before) records_[j] = st_.colFormula[j];
  } catch (...) {  // no memory for the copy: the compaction is then a step, which undo takes back
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
