// Transpose: the selected rectangle turned about its top-left corner.
//   a b c        a d
//   d e f   ->   b e
//                c f
#include <tablique/control.h>

#include <vector>

#include "editing/selection.h"
#include "editing/texts.h"

namespace tablique::editing {

namespace {

// Transposes the normalised selection in place; a result that would not fit in the grid is
// refused before any cell changes.
void transposeSelection(Grid& grid, ControlState& st) {
  CellRect r;
  if (!selectedCells(st, grid, r)) return;
  const int32_t r0 = r.r0, c0 = r.c0;
  const int32_t h = r.r1 - r0 + 1, w = r.c1 - c0 + 1;
  const bool fits = cellsInside(grid, r) && int64_t(r0) + w - 1 <= grid.Rows() - 1 &&
                    int64_t(c0) + h - 1 <= grid.Cols() - 1;
  if (!fits)
    throw Error(ErrorCode::Refused,
                "transpose refused: " + std::to_string(h) + " x " + std::to_string(w) + " block at (" +
                    std::to_string(r0) + ", " + std::to_string(c0) + ") does not fit the grid once turned",
                texts::kTransposeTooBig);
  std::vector<std::string> buffer;
  buffer.reserve(size_t(h) * size_t(w));
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j) buffer.push_back(grid.textAt(r0 + i, c0 + j));
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j) grid.moveTextAt(r0 + i, c0 + j, std::string());
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j)
      grid.moveTextAt(r0 + j, c0 + i, std::move(buffer[size_t(i) * size_t(w) + size_t(j)]));
}

}  // namespace

}  // namespace tablique::editing

namespace tablique {

// A result that would not fit is told to the user and thrown to the host, no cell changed.
// Other failures end the method quietly.
void Control::trans() {
  const StepScope scope(*this);
  endEdit();
  try {
    editing::transposeSelection(grid_, st_);
  } catch (const Error& e) {
    hideEditor();
    focusGrid();
    if (e.code() != ErrorCode::Refused) return;
    tellFailure(e);
    throw;
  } catch (const std::exception&) {
  }
  hideEditor();
  focusGrid();
}

}  // namespace tablique
