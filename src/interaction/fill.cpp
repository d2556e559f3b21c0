// The fill drag's rule and the rows it writes.
#include "interaction/fill.h"

#include <cmath>
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

bool fillRows(Grid& grid, const FillBlock& b, FillRule rule, int32_t first, int32_t last) {
  if (rule == FillRule::None || first > last) return true;
  grid.TextMatrix(last, b.right);  // an index outside the grid fails before anything is written
  if (rule == FillRule::Copy) {
    for (int32_t r = first; r <= last; ++r)
      for (int32_t c = b.left; c <= b.right; ++c) grid.setTextAt(r, c, grid.textAt(b.bottom, c));
    return true;
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
  // The step runs linearly, so the rows' values are finite when both ends are.
  const auto value = [&](int32_t r, size_t k) { return lastValue[k] + double(r - b.bottom) * step[k]; };
  for (size_t k = 0; k < step.size(); ++k)
    if (!std::isfinite(value(first, k)) || !std::isfinite(value(last, k))) return false;
  for (int32_t r = first; r <= last; ++r)
    for (int32_t c = b.left; c <= b.right; ++c)
      grid.setTextAt(r, c, script::numberText(value(r, size_t(c - b.left))));
  return true;
}

}  // namespace tablique::interaction
