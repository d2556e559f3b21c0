// The fill drag's rule: what a drag below a selected block writes into the rows it passes.
//
//   block rows 1-2 of column 1      drag down to row 5
//   +---+                           +---+
//   | 1 |  <- bottom - 1            | 1 |
//   | 3 |  <- bottom                | 3 |
//   +---+                           | 5 |  series: last + (row - bottom) * (last - prev)
//                                   | 7 |
//                                   | 9 |
//
// A block whose last two rows are all numeric continues as a linear series per column; any
// other block (one row, or a non-numeric cell among its last two rows) repeats its last row.
#pragma once

#include <cstdint>

#include <tablique/grid.h>

namespace tablique::interaction {

// The block in normalised form: top <= bottom, left <= right, all data cells.
struct FillBlock {
  int32_t top, bottom, left, right;
};

enum class FillRule { None, Copy, Series };

// The rule for the block: None when the sample (row 1 for a block ending on row 1, else the
// last two rows, columns left to right) is all empty, so nothing is written.
FillRule fillRule(const Grid& grid, const FillBlock& block);

// Writes rows first..last (inclusive, all below the block) by the rule. A series value that is
// not finite fails the whole step: false, and nothing is written.
bool fillRows(Grid& grid, const FillBlock& block, FillRule rule, int32_t first, int32_t last);

}  // namespace tablique::interaction
