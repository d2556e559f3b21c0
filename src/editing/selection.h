// The selection rectangle as the editing commands use it.
#pragma once

#include <algorithm>
#include <string>

#include <tablique/control_state.h>
#include <tablique/error.h>
#include <tablique/grid.h>

#include "control/budget.h"
#include "editing/texts.h"

namespace tablique::editing {

// False when any member is 0 (no usable selection); otherwise exchanges the members so that the
// anchor (rr0, cc0) is the top-left corner.
inline bool normaliseSelection(ControlState& st) {
  if (st.rr0 == 0 || st.cc0 == 0 || st.RR == 0 || st.cc == 0) return false;
  if (st.rr0 > st.RR) std::swap(st.rr0, st.RR);
  if (st.cc0 > st.cc) std::swap(st.cc0, st.cc);
  return true;
}

// The data cells a cell command (copy, cut, delete, transpose) acts on, top-left to
// bottom-right.
struct CellRect {
  int32_t r0 = 0, c0 = 0, r1 = 0, c1 = 0;
};

// The selected cells: the selection normalised in place, or, for rows (columns) selected over
// their headers, every data cell of those rows (columns); the members then keep their 0s, so
// that the row and column commands still see whole lines. False when there is no usable
// selection.
inline bool selectedCells(ControlState& st, const Grid& grid, CellRect& out) {
  const bool wholeRows = st.cc0 == 0 && st.cc == 0 && st.rr0 >= 1 && st.RR >= 1;
  const bool wholeCols = st.rr0 == 0 && st.RR == 0 && st.cc0 >= 1 && st.cc >= 1;
  if (wholeRows || wholeCols) {
    if (st.rr0 > st.RR) std::swap(st.rr0, st.RR);
    if (st.cc0 > st.cc) std::swap(st.cc0, st.cc);
    if (grid.Rows() < 2 || grid.Cols() < 2) return false;
    out = wholeRows ? CellRect{st.rr0, 1, st.RR, grid.Cols() - 1} : CellRect{1, st.cc0, grid.Rows() - 1, st.cc};
    return true;
  }
  if (!normaliseSelection(st)) return false;
  out = CellRect{st.rr0, st.cc0, st.RR, st.cc};
  return true;
}

inline bool cellsInside(const Grid& grid, const CellRect& r) {
  return r.r0 >= 0 && r.c0 >= 0 && r.r1 <= grid.Rows() - 1 && r.c1 <= grid.Cols() - 1;
}

// Selected cells reaching outside the grid fail the command before anything changes.
inline void requireInside(const Grid& grid, const CellRect& r) {
  if (!cellsInside(grid, r))
    throw Error(ErrorCode::IndexOutOfRange,
                "selection (" + std::to_string(r.r0) + ", " + std::to_string(r.c0) + ") - (" +
                    std::to_string(r.r1) + ", " + std::to_string(r.c1) + ") is outside the grid");
}

// The rows (or columns) a row (column) command acts on: `count` of them from `first`.
struct Lines {
  int32_t first = 0, count = 0;
  bool whole = false;  // selected by their headers: the current cell is to move to `first`
};

// Lines of a row command from the selection's rows (anchor, end), its columns (acrossAnchor,
// acrossEnd) and the current row; for a column command the same with the axes exchanged.
//  - whole rows, selected over the row headers (both columns 0): exactly those rows;
//  - the current row lies within the selected rows: exactly those rows;
//  - otherwise (the current row moved away after the selection was made): the current row.
inline Lines selectedLines(int32_t anchor, int32_t end, int32_t acrossAnchor, int32_t acrossEnd,
                           int32_t current) {
  const int32_t lo = std::min(anchor, end), hi = std::max(anchor, end);
  if (lo >= 1 && acrossAnchor == 0 && acrossEnd == 0) return {lo, hi - lo + 1, true};
  if (lo >= 1 && lo <= current && current <= hi) return {lo, hi - lo + 1, false};
  return {current, 1, false};
}

// An insert that would take the table past the cell budget (rows x columns, fixed ones
// included) is refused before anything changes, with the size message.
inline void requireWithinBudget(int64_t rows, int64_t cols) {
  if (rows * cols > kCellBudget)
    throw Error(ErrorCode::Refused,
                "a table of " + std::to_string(rows) + " x " + std::to_string(cols) + " cells exceeds the cell budget",
                texts::kSizeExceeded);
}

// An index kept inside 0..count-1, for the current cell a command leaves behind.
inline int32_t clampIndex(int32_t v, int32_t count) { return std::clamp(v, 0, std::max(0, count - 1)); }

}  // namespace tablique::editing
