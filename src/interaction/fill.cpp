// The fill drag's rule and the rows it writes.
#include "interaction/fill.h"

#include <vector>

#include <tablique/script.h>

namespace tablique::interaction {

namespace {

bool numeric(const std::string& text) {
  double ignored = 0;
  return script::parseNumber(text, ignored);
}

}  // namespace

FillRule fillRule(const Grid& grid, const FillBlock& b) {
  const int32_t firstSampleRow = b.bottom == 1 ? 1 : b.bottom - 1;
  bool empty = true;
  for (int32_t r = firstSampleRow; r <= b.bottom && empty; ++r)
    for (int32_t c = b.left; c <= b.right; ++c)
      if (!grid.TextMatrix(r, c).empty()) {
        empty = false;
        break;
      }
  if (empty) return FillRule::None;
  if (b.top == b.bottom) return FillRule::Copy;
  for (int32_t r = b.bottom - 1; r <= b.bottom; ++r)
    for (int32_t c = b.left; c <= b.right; ++c)
      if (!numeric(grid.TextMatrix(r, c))) return FillRule::Copy;
  return FillRule::Series;
}

void fillRows(Grid& grid, const FillBlock& b, FillRule rule, int32_t first, int32_t last) {
  if (rule == FillRule::None || first > last) return;
  grid.TextMatrix(last, b.right);  // an index outside the grid fails before anything is written
  if (rule == FillRule::Copy) {
    for (int32_t r = first; r <= last; ++r)
      for (int32_t c = b.left; c <= b.right; ++c) grid.setTextAt(r, c, grid.textAt(b.bottom, c));
    return;
  }
  // Series: per column, the step between the last two rows of the block.
  std::vector<double> lastValue, step;
  for (int32_t c = b.left; c <= b.right; ++c) {
    double prev = 0, value = 0;
    script::parseNumber(grid.textAt(b.bottom - 1, c), prev);
    script::parseNumber(grid.textAt(b.bottom, c), value);
    lastValue.push_back(value);
    step.push_back(value - prev);
  }
  for (int32_t r = first; r <= last; ++r)
    for (int32_t c = b.left; c <= b.right; ++c) {
      const size_t k = size_t(c - b.left);
      grid.setTextAt(r, c, script::numberText(lastValue[k] + double(r - b.bottom) * step[k]));
    }
}

}  // namespace tablique::interaction
