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
struct Align { int32_t r, c; uint8_t code; };               // the cell's own alignment code
struct ColAlign { int32_t c; uint8_t code; };               // the column's alignment code
struct Size { bool column; int32_t index, twips; };         // a column width or row height
struct Inserted { bool columns; int32_t at, n; };           // n rows/columns were inserted at
struct Moved { bool column; int32_t from, to; };            // apply: move from -> to
// n rows (columns) at `at` were removed; their cells (row-major), sizes and column alignments.
struct Removed {
  bool columns;
  int32_t at, n;
  std::unique_ptr<Grid::CellStore> cells;
  std::vector<int32_t> sizes;
  std::vector<uint8_t> colAlign;
};
// The whole table was replaced; the old one.
struct Table {
  int32_t rows, cols;
  std::unique_ptr<Grid::CellStore> cells;
  std::vector<uint8_t> colAlign;
  std::vector<int32_t> colWidth, rowHeight;
};

}  // namespace journal

using GridChange = std::variant<journal::Text, journal::Align, journal::ColAlign, journal::Size,
                                journal::Inserted, journal::Moved, journal::Removed, journal::Table>;

class GridJournal {
public:
  std::vector<GridChange> changes;
  size_t bytes = 0;  // memory held by the changes, estimated

  bool empty() const { return changes.empty(); }
  // Room for one more change, so that adding it cannot fail once the grid has changed (or has
  // moved a text into it).
  void reserveOne() {
    if (changes.size() == changes.capacity()) changes.reserve(std::max<size_t>(64, changes.capacity() * 2));
  }
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
  void clear() {
    changes.clear();
    bytes = 0;
  }

  static size_t payloadBytes(const journal::Text& t) { return heapBytes(t.text); }
  static size_t payloadBytes(const journal::Removed& r) {
    return storeBytes(r.cells.get()) + r.sizes.size() * sizeof(int32_t) + r.colAlign.size();
  }
  static size_t payloadBytes(const journal::Table& t) {
    return storeBytes(t.cells.get()) + t.colAlign.size() + (t.colWidth.size() + t.rowHeight.size()) * sizeof(int32_t);
  }
  template <typename Other>
  static size_t payloadBytes(const Other&) { return 0; }

private:
  static size_t heapBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }
  static size_t storeBytes(const Grid::CellStore* cells) {
    if (!cells) return 0;
    size_t n = cells->capacity() * sizeof(Grid::Cell);
    for (const Grid::Cell& cell : *cells) n += heapBytes(cell.text);
    return n;
  }
};

}  // namespace tablique
