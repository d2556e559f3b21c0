// The selection rectangle as the editing commands use it.
#pragma once

#include <algorithm>
#include <string>

#include <tablique/control_state.h>
#include <tablique/error.h>
#include <tablique/grid.h>

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

// Number of rows (or columns) a command acts on: |end - anchor| + 1.
inline int32_t spanOf(int32_t anchor, int32_t end) { return (anchor > end ? anchor - end : end - anchor) + 1; }

// An index kept inside 0..count-1, for the current cell a command leaves behind.
inline int32_t clampIndex(int32_t v, int32_t count) { return std::clamp(v, 0, std::max(0, count - 1)); }

}  // namespace tablique::editing
