// The grid's journal: while one is attached, every change to the grid's table (texts,
// alignments, sizes, counts, moved and removed rows and columns) is written to it as the change
// that takes it back. Grid::apply runs such a change, and while doing so writes the change that
// takes it back in turn, so undoing a list of changes yields the list that redoes them.
//
// A change stores only what it replaces: a text change the old text, a row removal the removed
// rows, a new table the old one. The current cell and the scroll position are not recorded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <tablique/grid.h>

namespace tablique {

namespace journal {

struct Text { int32_t r, c; std::string text; };            // cell (r, c) had this text
// Cells (r, c) .. (r, c + n - 1) had these texts: per cell its length (4 bytes) and its bytes.
struct Run { int32_t r, c, n; std::unique_ptr<std::string> image; };
struct Align { int32_t r, c; uint8_t code; };               // the cell's own alignment code
struct ColAlign { int32_t c; uint8_t code; };               // the column's alignment code
struct Size { bool column; int32_t index, twips; };         // a column width or row height
struct Inserted { bool columns; int32_t at, n; };           // n rows/columns were inserted at
struct Moved { bool column; int32_t from, to; };            // apply: move from -> to
// n rows (columns) at `at` were removed; their cells (row-major), sizes and column alignments.
struct Lines {
  Grid::CellStore cells;
  std::vector<int32_t> sizes;
  std::vector<uint8_t> colAlign;
};
struct Removed {
  bool columns;
  int32_t at, n;
  std::unique_ptr<Lines> lines;
};
// The whole table was replaced; the old one.
struct TableImage {
  int32_t rows, cols;
  Grid::CellStore cells;
  std::vector<uint8_t> colAlign;
  std::vector<int32_t> colWidth, rowHeight;
};
struct Table {
  std::unique_ptr<TableImage> image;
};

}  // namespace journal

using GridChange = std::variant<journal::Text, journal::Run, journal::Align, journal::ColAlign, journal::Size,
                                journal::Inserted, journal::Moved, journal::Removed, journal::Table>;

// Changes in fixed chunks: adding never moves the earlier ones, and the chunks are small enough
// to be reused by the allocator when old steps go.
class ChangeList {
public:
  static constexpr size_t kChunk = 1024;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  GridChange& operator[](size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  const GridChange& operator[](size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  GridChange& back() { return chunks_.back().back(); }
  // A chunk grows as a vector does up to kChunk changes, so that a step of one change holds
  // room for a few, not for a whole chunk.
  void reserveOne() {
    if (chunks_.empty() || chunks_.back().size() == kChunk) {
      chunks_.reserve(chunks_.size() + 1);
      std::vector<GridChange> chunk;
      chunk.reserve(chunks_.empty() ? 4 : kChunk);
      chunks_.push_back(std::move(chunk));
    } else if (std::vector<GridChange>& last = chunks_.back(); last.size() == last.capacity()) {
      last.reserve(std::min(kChunk, 2 * last.capacity()));
    }
  }
  // The memory the changes take themselves, their texts not counted.
  size_t capacityBytes() const {
    size_t slots = chunks_.capacity() * sizeof(std::vector<GridChange>);
    for (const std::vector<GridChange>& chunk : chunks_) slots += chunk.capacity() * sizeof(GridChange);
    return slots;
  }
  template <typename... Args>
  void emplace_back(Args&&... args) {  // after reserveOne: cannot fail
    chunks_.back().emplace_back(std::forward<Args>(args)...);
    ++size_;
  }
  void pop_back() {
    chunks_.back().pop_back();
    --size_;
    if (chunks_.back().empty()) chunks_.pop_back();
  }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

private:
  std::vector<std::vector<GridChange>> chunks_;
  size_t size_ = 0;
};

class GridJournal {
public:
  ChangeList changes;
  size_t bytes = 0;  // memory held by the changes, estimated

  bool empty() const { return changes.empty(); }
  // Room for one more change, so that adding it cannot fail once the grid has changed (or has
  // moved a text into it).
  void reserveOne() { changes.reserveOne(); }
  template <typename Change>
  void add(Change&& change) {
    reserveOne();
    bytes += sizeof(GridChange) + payloadBytes(change);
    changes.emplace_back(std::forward<Change>(change));
  }
  // Moves the old text of cell (r, c) in; the cell is left empty.
  void text(int32_t r, int32_t c, std::string& cell) {
    reserveOne();
    bytes += sizeof(GridChange) + heapBytes(cell);
    changes.emplace_back(journal::Text{r, c, std::move(cell)});
  }
  // Appends another journal's changes after these.
  void append(GridJournal&& other) {
    for (size_t i = 0; i < other.changes.size(); ++i) {
      reserveOne();
      changes.emplace_back(std::move(other.changes[i]));
    }
    bytes += other.bytes;
    other.clear();
  }
  void clear() {
    changes.clear();
    bytes = 0;
  }

  static size_t payloadBytes(const journal::Text& t) { return heapBytes(t.text); }
  static size_t payloadBytes(const journal::Run& r) { return r.image ? sizeof(std::string) + r.image->capacity() : 0; }
  static size_t payloadBytes(const journal::Removed& r) {
    if (!r.lines) return 0;
    return sizeof(journal::Lines) + storeBytes(r.lines->cells) + r.lines->sizes.size() * sizeof(int32_t) +
           r.lines->colAlign.size();
  }
  static size_t payloadBytes(const journal::Table& t) {
    if (!t.image) return 0;
    const journal::TableImage& i = *t.image;
    return sizeof(i) + storeBytes(i.cells) + i.colAlign.size() + (i.colWidth.size() + i.rowHeight.size()) * sizeof(int32_t);
  }
  template <typename Other>
  static size_t payloadBytes(const Other&) { return 0; }

private:
  static size_t heapBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }
  static size_t storeBytes(const Grid::CellStore& cells) {
    size_t n = cells.capacity() * sizeof(Grid::Cell);
    for (const Grid::Cell& cell : cells) n += heapBytes(cell.text);
    return n;
  }
};

}  // namespace tablique
