// Dimensions: addrow, addcol, setcolw, setrowh.
#include <tablique/control.h>

#include <cmath>

#include "control/budget.h"

namespace tablique {

namespace {
constexpr double kTwipsPerMillimetre = 56.693;
}

// Grows (or, with a negative count, shrinks) the table by rows; over the budget: silently
// nothing. The budget counts rows x (columns + 3).
void Control::addrow(int32_t rows) {
  const int32_t n = checkedAdd(grid_.Rows(), rows);
  if (checkedMul(n, checkedAdd(grid_.Cols(), 3)) > kCellBudget) return;
  grid_.setRows(n);
  for (int32_t i = n - rows; i <= n - 1; ++i) grid_.setTextAt(i, 0, std::to_string(i));
  for (int32_t j = 1; j <= grid_.Cols() - 1; ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  grid_.setCol(1);
  grid_.setRow(1);
  focusGrid();
  hideEditor();
}

// Grows the table by columns; the budget counts (columns + 3) x rows.
void Control::addcol(int32_t cols) {
  const int32_t n = checkedAdd(grid_.Cols(), cols);
  if (checkedMul(checkedAdd(n, 3), grid_.Rows()) > kCellBudget) return;
  grid_.setCols(n);
  st_.colFormula.resize(size_t(n));
  for (int32_t j = n - cols; j <= n - 1; ++j) {
    grid_.setRow(0);
    grid_.setCol(j);
    grid_.setText("C" + std::to_string(j));
    grid_.setCellAlignment(kAlignCenterTop);
  }
  for (int32_t j = 1; j <= n - 1; ++j) grid_.setColAlignment(j, kAlignLeftCenter);
  grid_.setCol(1);
  grid_.setRow(1);
  focusGrid();
  hideEditor();
}

// Width in millimetres; a size the grid refuses is dropped quietly.
void Control::setcolw(int32_t coll, float w) {
  if (coll < 1 || coll > grid_.Cols() - 1) return;
  const double twips = std::floor(double(w) * kTwipsPerMillimetre);
  if (twips < 0 || twips > 2147483647.0) return;
  grid_.setColWidth(coll, int32_t(twips));
}

void Control::setrowh(int32_t roww, float h) {
  if (roww < 1 || roww > grid_.Rows() - 1) return;
  const double twips = std::floor(double(h) * kTwipsPerMillimetre);
  if (twips < 0 || twips > 2147483647.0) return;
  grid_.setRowHeight(roww, int32_t(twips));
}

}  // namespace tablique
