// Row operations: insert, delete, move up, move down. The cells move with the grid's own row
// operations; the cell formulas stay with their rows through their row tags.
//
// Insert and delete act on the selected rows (see selectedLines). Tags follow what is actually
// inserted or removed: inserting n rows at row R moves every tag t >= R to t + n; removing rows
// a..b retires their tags and moves every tag t > b to t - n.
#include <tablique/control.h>

#include <algorithm>

#include "editing/record_edit.h"
#include "editing/selection.h"
#include "editing/texts.h"

namespace tablique::editing {

namespace {

template <typename Map>
void rewriteAllRowTags(ControlState& st, int32_t cols, Map map) {
  for (int32_t c = 1; c < cols && c < int32_t(st.colFormula.size()); ++c)
    if (!st.colFormula[size_t(c)].empty()) {
      st.recordWrites.touch(size_t(c));
      rewriteRowTags(st.colFormula[size_t(c)], map);
    }
}

void rewriteRowHeaders(Grid& grid) {
  for (int32_t r = 1; r < grid.Rows(); ++r) grid.setTextAt(r, 0, std::to_string(r));
}

void leftAlignDataColumns(Grid& grid) {
  for (int32_t c = 1; c < grid.Cols(); ++c) grid.setColAlignment(c, kAlignLeftCenter);
}

}  // namespace

}  // namespace tablique::editing

namespace tablique {

// Empty rows go in before the rows the command acts on (selectedLines): before the first of
// whole rows selected by their headers, otherwise at the current row; as many as are selected.
// Refused with the size message when the table would exceed the cell budget.
void Control::rowins() {
  using namespace editing;
  const Lines lines = selectedLines(st_.rr0, st_.RR, st_.cc0, st_.cc, grid_.Row());
  const int32_t at = lines.whole ? lines.first : grid_.Row();
  if (at < 1 || at >= grid_.Rows()) {  // never above the fixed row
    focusGrid();
    return;
  }
  const int32_t n = lines.count;
  requireWithinBudget(int64_t(grid_.Rows()) + n, grid_.Cols());
  grid_.setRow(at);
  const int32_t oldLast = grid_.Rows() - 1;
  grid_.insertRows(at, n);
  rewriteRowHeaders(grid_);
  leftAlignDataColumns(grid_);
  hideEditor();
  if (grid_.Col() == 0) grid_.setCol(clampIndex(st_.cc0 + 1, grid_.Cols()));
  grid_.setRow(clampIndex(at + 1, grid_.Rows()));
  focusGrid();
  rewriteAllRowTags(st_, grid_.Cols(), [&](int32_t t) { return t >= at && t <= oldLast ? t + n : kKeep; });
}

// Removes the rows the command acts on (selectedLines), whatever the table's size. Row 1 and
// the last two rows are never the first of them (refused and told); one data row always stays.
void Control::rowdel() {
  using namespace editing;
  const Lines lines = selectedLines(st_.rr0, st_.RR, st_.cc0, st_.cc, grid_.Row());
  const int32_t first = lines.first;
  if (!(1 < first && first < grid_.Rows() - 2)) {
    focusGrid();
    throw Error(ErrorCode::Refused,
                "delete rows refused: row " + std::to_string(first) + " is row 1, a header or one of the last two rows",
                texts::kRowsNotDeletable);
  }
  const int32_t oldLast = grid_.Rows() - 1;
  const int32_t n = std::min(lines.count, oldLast - first + 1);
  grid_.setRow(first);
  grid_.removeRows(first, n);
  rewriteRowHeaders(grid_);
  leftAlignDataColumns(grid_);
  if (grid_.Col() == 0) grid_.setCol(clampIndex(st_.cc0 + 1, grid_.Cols()));
  grid_.setRow(clampIndex(first - 1, grid_.Rows()));
  focusGrid();
  const int32_t last = first + n - 1;
  rewriteAllRowTags(st_, grid_.Cols(), [&](int32_t t) {
    if (t >= first && t <= last) return kRetire;
    return t > last && t <= oldLast ? t - n : kKeep;
  });
}

// Exchanges the current row k with row k + 1, tags included. The current cell moves with the
// row, in its own column (a data column): repeated moves carry the same row on, also when the
// current cell was moved away from the selection's anchor.
void Control::rowdown() {
  using namespace editing;
  const int32_t k = grid_.Row();
  if (!(grid_.Col() < grid_.Cols() - 1 && 1 <= k && k < grid_.Rows() - 2)) {
    focusGrid();
    return;
  }
  grid_.setRowPosition(k + 1, k);
  hideEditor();
  rewriteRowHeaders(grid_);
  if (grid_.Col() == 0) grid_.setCol(1);
  grid_.setRow(k + 1);
  rewriteAllRowTags(st_, grid_.Cols(), [&](int32_t t) { return t == k ? k + 1 : t == k + 1 ? k : kKeep; });
  focusGrid();
}

// Exchanges the current row k with row k - 1, tags included; the current cell moves with it.
void Control::rowup() {
  using namespace editing;
  const int32_t k = grid_.Row();
  if (!(grid_.Col() < grid_.Cols() - 1 && 2 <= k && k <= grid_.Rows() - 2)) {
    focusGrid();
    return;
  }
  grid_.setRowPosition(k - 1, k);
  hideEditor();
  rewriteRowHeaders(grid_);
  if (grid_.Col() == 0) grid_.setCol(1);
  grid_.setRow(k - 1);
  rewriteAllRowTags(st_, grid_.Cols(), [&](int32_t t) { return t == k ? k - 1 : t == k - 1 ? k : kKeep; });
  focusGrid();
}

}  // namespace tablique
