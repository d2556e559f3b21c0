// Dimensions: addrow, addcol, setcolw, setrowh.
#include <tablique/control.h>

#include <cmath>
#include <optional>

#include "control/budget.h"
#include "editing/record_edit.h"

namespace tablique {

namespace {

constexpr double kTwipsPerMillimetre = 56.693;

// A size in millimetres as twips; nullopt for a size the grid refuses (negative, too large or
// not a number), which the callers drop quietly.
std::optional<int32_t> twipsOf(float millimetres) {
  const double twips = std::floor(double(millimetres) * kTwipsPerMillimetre);
  if (!(twips >= 0 && twips <= 2147483647.0)) return std::nullopt;
  return int32_t(twips);
}

}  // namespace

// (1, 1) becomes current, as far as the table has it: a table shrunk to its header row or
// column keeps the header cell the grid left current (and the change is not reported as a
// failure after it was made).
void Control::currentCellToFirst() {
  if (grid_.Cols() > 1) grid_.setCol(1);
  if (grid_.Rows() > 1) grid_.setRow(1);
  focusGrid();
  hideEditor();
}

// Grows (or, with a negative count, shrinks) the table by rows; over the budget: silently
// nothing. The budget counts rows x (columns + 3).
void Control::addrow(int32_t rows) try {
  const StepScope scope(*this);
  endEdit();
  const int32_t n = checkedAdd(grid_.Rows(), rows);
  if (checkedMul(n, checkedAdd(grid_.Cols(), 3)) > kCellBudget) return;
  grid_.setRows(n);
  for (int32_t i = n - rows; i <= n - 1; ++i) grid_.setTextAt(i, 0, std::to_string(i));
  // (Nothing added: the column alignments would only replace cell codes that show the same.)
  if (rows != 0)
    for (int32_t j = 1; j <= grid_.Cols() - 1; ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  // The cell formulas of rows taken off go with them, so that rows added later start empty.
  if (rows < 0)
    for (size_t j = 0; j < st_.colFormula.size(); ++j) {
      if (st_.colFormula[j].empty()) continue;
      st_.recordWrites.touch(j);
      editing::rewriteRowTags(st_.colFormula[j], [&](int32_t t) { return t >= n ? editing::kRetire : editing::kKeep; });
    }
  currentCellToFirst();
} catch (...) {
  rethrowAsError();
}

// Grows the table by columns; the budget counts (columns + 3) x rows.
void Control::addcol(int32_t cols) try {
  const StepScope scope(*this);
  endEdit();
  const int32_t n = checkedAdd(grid_.Cols(), cols);
  if (checkedMul(checkedAdd(n, 3), grid_.Rows()) > kCellBudget) return;
  grid_.setCols(n);
  st_.recordWrites.touchFrom(size_t(n));
  st_.colFormula.resize(size_t(n));
  for (int32_t j = n - cols; j <= n - 1; ++j) {
    grid_.setRow(0);
    grid_.setCol(j);
    grid_.setText("C" + std::to_string(j));
    grid_.setCellAlignment(kAlignCenterTop);
  }
  if (cols != 0)
    for (int32_t j = 1; j <= n - 1; ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  currentCellToFirst();
} catch (...) {
  rethrowAsError();
}

// Width in millimetres; a size the grid refuses is dropped quietly.
void Control::setcolw(int32_t coll, float w) {
  const StepScope scope(*this);
  endEdit();
  if (coll < 1 || coll > grid_.Cols() - 1) return;
  if (const auto twips = twipsOf(w)) grid_.setColWidth(coll, *twips);
  hideEditorOffItsCell();
}

void Control::setrowh(int32_t roww, float h) {
  const StepScope scope(*this);
  endEdit();
  if (roww < 1 || roww > grid_.Rows() - 1) return;
  if (const auto twips = twipsOf(h)) grid_.setRowHeight(roww, *twips);
  hideEditorOffItsCell();
}

}  // namespace tablique
