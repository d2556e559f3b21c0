// Column operations: insert, delete, move left, move right. The cells move with the grid's own
// column operations, the formula records move with their columns, and the column references
// inside every record are renumbered so that each formula still names the same data.
//
// Insert and delete act on the selected columns (see selectedLines). References follow what is
// actually inserted or removed: inserting n columns at column C moves every reference t >= C to
// t + n; removing columns a..b (refused while any record references one of them) moves every
// reference t > b to t - n.
#include <tablique/control.h>

#include <algorithm>

#include "editing/record_edit.h"
#include "editing/selection.h"
#include "editing/texts.h"
#include "formula/references.h"

namespace tablique::editing {

namespace {

// References are read as they were written: maxCol is the highest column before the change.
template <typename Map>
void rewriteAllColumnRefs(ControlState& st, int32_t cols, int32_t maxCol, Map map) {
  for (int32_t c = 1; c < cols && c < int32_t(st.colFormula.size()); ++c)
    if (!st.colFormula[size_t(c)].empty()) {
      st.recordWrites.touch(size_t(c));
      formula::renumberReferences(st.colFormula[size_t(c)], maxCol, map);
    }
}

std::string columnHeader(int32_t c) {
  std::string s(1, 'C');
  s += std::to_string(c);
  return s;
}

void rewriteColumnHeaders(Grid& grid) {
  for (int32_t c = 1; c < grid.Cols(); ++c) grid.setTextAt(0, c, columnHeader(c));
}

// The row the current cell keeps after a column insert or delete: the current data row.
int32_t rowAfterColumnCommand(const Grid& grid) { return grid.Row() >= 1 ? grid.Row() : 1; }

}  // namespace

}  // namespace tablique::editing

namespace tablique {

// Empty columns go in before the columns the command acts on (selectedLines): before the first
// of whole columns selected by their headers, otherwise at the current column; as many as are
// selected. Refused with the size message when the table would exceed the cell budget.
void Control::colins() {
  using namespace editing;
  const Lines lines = selectedLines(st_.cc0, st_.cc, st_.rr0, st_.RR, grid_.Col());
  const int32_t at = lines.whole ? lines.first : grid_.Col();
  if (at < 1 || at >= grid_.Cols()) return;  // never before the fixed column
  const int32_t n = lines.count;
  requireWithinBudget(grid_.Rows(), int64_t(grid_.Cols()) + n);
  grid_.setCol(at);
  const int32_t oldCols = grid_.Cols();
  grid_.insertCols(at, n);
  if (int32_t(st_.colFormula.size()) < oldCols) st_.colFormula.resize(size_t(oldCols));
  st_.recordWrites.touchFrom(size_t(at));  // the records from `at` on move
  st_.colFormula.insert(st_.colFormula.begin() + at, size_t(n), std::string());
  const int32_t row = rowAfterColumnCommand(grid_);
  for (int32_t c = 1; c < grid_.Cols(); ++c) {
    grid_.setRow(0);
    grid_.setCol(c);
    grid_.setCellAlignment(kAlignCenterTop);
    grid_.setTextAt(0, c, columnHeader(c));
  }
  for (int32_t c = 1; c < grid_.Cols(); ++c) grid_.setColAlignment(c, kAlignLeftCenter);
  grid_.setCol(clampIndex(at + 1, grid_.Cols()));
  grid_.setRow(clampIndex(row, grid_.Rows()));
  rewriteAllColumnRefs(st_, grid_.Cols(), oldCols - 1, [&](int32_t t) { return t >= at ? t + n : kKeep; });
}

// Removes the columns the command acts on (selectedLines), whatever the table's size; refused
// with a message while a formula references one of them. Column 1 and the last two columns are
// never the first of them (refused and told); one data column always stays.
void Control::coldel() {
  using namespace editing;
  const Lines lines = selectedLines(st_.cc0, st_.cc, st_.rr0, st_.RR, grid_.Col());
  const int32_t first = lines.first;
  const int32_t oldCols = grid_.Cols();
  if (!(1 < first && first < oldCols - 2))
    throw Error(ErrorCode::Refused,
                "delete columns refused: column " + std::to_string(first) +
                    " is column 1, a header or one of the last two columns",
                texts::kColsNotDeletable);
  const int32_t last = std::min(oldCols - 1, first + lines.count - 1);
  const int32_t n = last - first + 1;

  const int32_t records = std::min(oldCols, int32_t(st_.colFormula.size()));
  for (int32_t c = first; c <= last; ++c)
    for (int32_t k = 1; k < records; ++k) {
      const std::string& record = st_.colFormula[size_t(k)];
      if (!record.empty() && formula::referencesColumn(record, c, oldCols - 1))
        throw Error(ErrorCode::Refused,
                    "delete columns refused: column " + std::to_string(c) + " is referenced by the formulas of column " +
                        std::to_string(k),
                    texts::kColumnReferenced);
    }

  const int32_t row = rowAfterColumnCommand(grid_);
  hideEditor();
  grid_.setCol(first);
  grid_.removeCols(first, n);
  if (int32_t(st_.colFormula.size()) < oldCols) st_.colFormula.resize(size_t(oldCols));
  st_.recordWrites.touchFrom(size_t(first));  // the records after the removed ones move
  st_.colFormula.erase(st_.colFormula.begin() + first, st_.colFormula.begin() + first + n);
  st_.colFormula.resize(size_t(grid_.Cols()));
  rewriteColumnHeaders(grid_);
  grid_.setRow(clampIndex(row, grid_.Rows()));
  grid_.setCol(clampIndex(first - 1, grid_.Cols()));
  rewriteAllColumnRefs(st_, grid_.Cols(), oldCols - 1, [&](int32_t t) { return t > last ? t - n : kKeep; });
}

// Exchanges the current column with its left neighbour, records and references included. The
// current cell moves with the column, in its own data row, as the row moves do.
void Control::colleft() {
  using namespace editing;
  const int32_t a = grid_.Col(), b = a - 1;
  if (!(grid_.Row() < grid_.Rows() - 1 && 2 <= a && a <= grid_.Cols() - 2)) return;
  grid_.setColPosition(a, b);
  if (int32_t(st_.colFormula.size()) <= a) st_.colFormula.resize(size_t(a) + 1);
  st_.recordWrites.touch(size_t(a));
  st_.recordWrites.touch(size_t(b));
  std::swap(st_.colFormula[size_t(a)], st_.colFormula[size_t(b)]);
  rewriteAllColumnRefs(st_, grid_.Cols(), grid_.Cols() - 1, [&](int32_t t) { return t == a ? b : t == b ? a : kKeep; });
  hideEditor();
  rewriteColumnHeaders(grid_);
  grid_.setCol(b);
  grid_.setRow(rowAfterColumnCommand(grid_));
}

// Exchanges the current column with its right neighbour, records and references included; the
// current cell moves with it.
void Control::colright() {
  using namespace editing;
  const int32_t a = grid_.Col(), b = a + 1;
  if (!(grid_.Row() < grid_.Rows() - 1 && 1 <= a && a < grid_.Cols() - 2)) return;
  grid_.setColPosition(b, a);
  if (int32_t(st_.colFormula.size()) <= b) st_.colFormula.resize(size_t(b) + 1);
  st_.recordWrites.touch(size_t(a));
  st_.recordWrites.touch(size_t(b));
  std::swap(st_.colFormula[size_t(a)], st_.colFormula[size_t(b)]);
  rewriteAllColumnRefs(st_, grid_.Cols(), grid_.Cols() - 1, [&](int32_t t) { return t == a ? b : t == b ? a : kKeep; });
  hideEditor();
  rewriteColumnHeaders(grid_);
  grid_.setCol(b);
  grid_.setRow(rowAfterColumnCommand(grid_));
}

}  // namespace tablique
