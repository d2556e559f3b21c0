// Drives a headless control as a user does: mouse presses, moves and releases at cell centres
// (twips relative to the grid, at the current scroll), keys where the focus is, typed text.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tablique/control.h>

namespace tablique::testing {

constexpr int16_t kLeft = 1, kRight = 2, kMiddle = 4;
constexpr int16_t kCtrl = 2;

inline float cellX(const Control& c, int32_t col) {
  const Grid& g = c.grid();
  return float(g.visibleColLeft(col) + g.ColWidth(col) / 2);
}
inline float cellY(const Control& c, int32_t row) {
  const Grid& g = c.grid();
  return float(g.visibleRowTop(row) + g.RowHeight(row) / 2);
}

inline void press(Control& c, int32_t r, int32_t col, int16_t button = kLeft, int16_t shift = 0) {
  c.MSFlexGrid1_MouseDown(button, shift, cellX(c, col), cellY(c, r));
}
inline void move(Control& c, int32_t r, int32_t col, int16_t button = kLeft, int16_t shift = 0) {
  c.MSFlexGrid1_MouseMove(button, shift, cellX(c, col), cellY(c, r));
}
inline void release(Control& c, int32_t r, int32_t col, int16_t button = kLeft, int16_t shift = 0) {
  c.MSFlexGrid1_MouseUp(button, shift, cellX(c, col), cellY(c, r));
}
inline void click(Control& c, int32_t r, int32_t col) {
  press(c, r, col);
  release(c, r, col);
}
// A left drag from one cell to another, reporting a move over every cell of the way's rows.
inline void drag(Control& c, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  press(c, r0, c0);
  move(c, r1, c1);
  release(c, r1, c1);
}
// Selects a rectangle with the mouse: anchor (r0, c0), end (r1, c1).
inline void select(Control& c, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  drag(c, r0, c0, r1, c1);
}

// Column j of rows first.. as a list.
inline std::vector<std::string> column(const Control& c, int32_t col, int32_t first, int32_t last) {
  std::vector<std::string> out;
  for (int32_t r = first; r <= last; ++r) out.push_back(c.gettext(r, col));
  return out;
}

// Invariants that hold after every interaction: one formula record per data column, headers
// labelled, a selection member never outside the grid.
inline void expectConsistent(const Control& c) {
  const Grid& g = c.grid();
  EXPECT_EQ(c.state().colFormula.size(), size_t(g.Cols()));
  for (int32_t j = 1; j < g.Cols(); ++j) EXPECT_EQ(g.TextMatrix(0, j), "C" + std::to_string(j));
  for (int32_t i = 1; i < g.Rows(); ++i) EXPECT_EQ(g.TextMatrix(i, 0), std::to_string(i));
  for (int32_t v : {c.rr0(), c.RR()}) EXPECT_TRUE(v >= 0 && v < g.Rows());
  for (int32_t v : {c.cc0(), c.cc()}) EXPECT_TRUE(v >= 0 && v < g.Cols());
}

}  // namespace tablique::testing
