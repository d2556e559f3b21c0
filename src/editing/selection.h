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

inline bool selectionInside(const Grid& grid, const ControlState& st) {
  return st.rr0 >= 0 && st.cc0 >= 0 && st.RR <= grid.Rows() - 1 && st.cc <= grid.Cols() - 1;
}

// A normalised selection reaching outside the grid fails the command before anything changes.
inline void requireInside(const Grid& grid, const ControlState& st) {
  if (!selectionInside(grid, st))
    throw Error(ErrorCode::IndexOutOfRange,
                "selection (" + std::to_string(st.rr0) + ", " + std::to_string(st.cc0) + ") - (" +
                    std::to_string(st.RR) + ", " + std::to_string(st.cc) + ") is outside the grid");
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
