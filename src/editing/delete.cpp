// Delete, cut and clear table: emptying cells and taking their formulas out of effect.
//
// For every emptied cell (i, j) the record of column j retires the cell formula of row i, and,
// when the selection starts in row 1, receives an empty piece in front (";" + record), which puts
// the column formula out of effect. Both edits are made in one pass per column.
#include <tablique/control.h>

#include <algorithm>

#include "editing/copy_text.h"
#include "editing/record_edit.h"
#include "editing/selection.h"

namespace tablique::editing {

namespace {

// The record edits for the emptied rectangle rows r0..r1, columns c0..c1.
void retireEmptied(ControlState& st, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  for (int32_t j = c0; j <= c1 && j < int32_t(st.colFormula.size()); ++j) {
    std::string& record = st.colFormula[size_t(j)];
    if (record.empty()) continue;
    st.recordWrites.touch(size_t(j));
    rewriteRowTags(record, [&](int32_t t) { return t >= r0 && t <= r1 ? kRetire : kKeep; });
    if (r0 == 1) record.insert(0, size_t(r1 - r0 + 1), ';');  // one empty piece per cell
  }
}

void emptyCells(Grid& grid, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  for (int32_t i = r0; i <= r1; ++i)
    for (int32_t j = c0; j <= c1; ++j) grid.moveTextAt(i, j, std::string());
}

}  // namespace

}  // namespace tablique::editing

namespace tablique {

// Silent by design: a failure ends the command quietly. A selection reaching past the grid
// (rows or columns deleted since it was made) empties the part inside the grid.
void Control::delsel() {
  try {
    editing::CellRect r;
    if (!editing::selectedCells(st_, grid_, r)) return;
    const int32_t r1 = std::min(r.r1, grid_.Rows() - 1), c1 = std::min(r.c1, grid_.Cols() - 1);
    if (r.r0 > r1 || r.c0 > c1) return;
    editing::emptyCells(grid_, r.r0, r.c0, r1, c1);
    editing::retireEmptied(st_, r.r0, r.c0, r1, c1);
  } catch (const std::exception&) {
  }
}

// Copy's texts, then the cells emptied. A selection outside the grid fails before any change.
void Control::cutsel() {
  editing::CellRect r;
  if (!editing::selectedCells(st_, grid_, r)) return;
  editing::requireInside(grid_, r);
  editing::CopyTexts texts = editing::buildCopyTexts(grid_, r.r0, r.c0, r.r1, r.c1);
  editing::emptyCells(grid_, r.r0, r.c0, r.r1, r.c1);
  editing::retireEmptied(st_, r.r0, r.c0, r.r1, r.c1);
  focusGrid();
  st_.copyText = std::move(texts.marked);
  platform_->clearClipboard();
  platform_->setClipboardText(std::move(texts.clipboard));
}

// Every data cell and every formula record emptied (the confirmation is the menu's). Headers,
// counts, sizes and the selection stay; the current cell gets left alignment.
void Control::cleartab() {
  const int32_t rows = grid_.Rows(), cols = grid_.Cols();
  for (int32_t c = 1; c < cols; ++c) {
    for (int32_t r = 1; r < rows; ++r) grid_.moveTextAt(r, c, std::string());
    // Only where it shows: a code that looks the same would make an undo step of nothing.
    if (rows > 1 && grid_.CellAlignment() != kAlignLeftCenter) grid_.setCellAlignment(kAlignLeftCenter);
    if (size_t(c) < st_.colFormula.size() && !st_.colFormula[size_t(c)].empty()) {
      st_.recordWrites.touch(size_t(c));
      st_.colFormula[size_t(c)].clear();
    }
  }
}

}  // namespace tablique
