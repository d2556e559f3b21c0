// Drives a headless control for the editing tests: selections with the mouse, blocks of cells,
// formulas through the formula command, and the invariants every command keeps.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tablique/control.h>

namespace tablique::editing_test {

constexpr int16_t kLeft = 1;

inline float cellX(const Control& c, int32_t col) { return float(c.grid().visibleColLeft(col) + 10); }
inline float cellY(const Control& c, int32_t row) { return float(c.grid().visibleRowTop(row) + 10); }

// Scrolls (r, col) into view as a user does with the arrow keys, when it is out of view.
inline void reveal(Control& c, int32_t r, int32_t col) {
  const Grid& g = c.grid();
  const bool visible = g.visibleColLeft(col) >= g.colLeft(1) && g.visibleColLeft(col + 1) <= g.Width &&
                       g.visibleRowTop(r) >= g.rowTop(1) && g.visibleRowTop(r + 1) <= g.Height;
  if (visible) return;
  const bool last = col == g.Cols() - 1;
  c.mouseset(r, last ? col - 1 : col + 1);
  c.pressKey(last ? 39 : 37);  // Right / Left: the grid scrolls the current cell into view
}

// A left press on (r0, c0), a drag to (r1, c1) and the release, as a user selects.
inline void select(Control& c, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  reveal(c, r0, c0);
  c.MSFlexGrid1_MouseDown(kLeft, 0, cellX(c, c0), cellY(c, r0));
  c.MSFlexGrid1_MouseMove(kLeft, 0, cellX(c, c1), cellY(c, r1));
  c.MSFlexGrid1_MouseUp(kLeft, 0, cellX(c, c1), cellY(c, r1));
}
inline void click(Control& c, int32_t r, int32_t col) { select(c, r, col, r, col); }

// Writes rows of texts from (r, col) on.
inline void put(Control& c, int32_t r, int32_t col, const std::vector<std::vector<std::string>>& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[i].size(); ++j) c.settext(r + int32_t(i), col + int32_t(j), rows[i][j]);
}

// The block of texts at (r, col), h rows by w columns.
inline std::vector<std::vector<std::string>> block(const Control& c, int32_t r, int32_t col, int32_t h, int32_t w) {
  auto out = std::vector<std::vector<std::string>>(size_t(h), std::vector<std::string>(size_t(w)));
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j) out[size_t(i)][size_t(j)] = c.gettext(r + i, col + j);
  return out;
}

// A formula entered with the formula command at (r, col); "=..." is a cell formula of row r.
inline void enterFormula(Control& c, int32_t r, int32_t col, const std::string& formula) {
  click(c, r, col);
  c.headless().queueInput(formula);
  c.m_focal();
}

// Pastes a text at (r, col) through the clipboard.
inline void pasteAt(Control& c, int32_t r, int32_t col, const std::string& text) {
  click(c, r, col);
  c.headless().setClipboardText(text);
  c.m_paste();
}

// A record with its marks visible: <3> comma mark, <4> reference mark, <B> row mark.
inline std::string shown(const std::string& record) {
  std::string out;
  for (char ch : record) {
    if (ch == '\x03') out += "<3>";
    else if (ch == '\x04') out += "<4>";
    else if (ch == '\x0B') out += "<B>";
    else out += ch;
  }
  return out;
}
inline std::string record(const Control& c, int32_t col) { return shown(c.state().colFormula[size_t(col)]); }

// One formula record per data column, headers labelled, modes back at rest.
inline void expectConsistent(const Control& c) {
  const Grid& g = c.grid();
  EXPECT_EQ(c.state().colFormula.size(), size_t(g.Cols()));
  for (int32_t j = 1; j < g.Cols(); ++j) EXPECT_EQ(g.TextMatrix(0, j), "C" + std::to_string(j));
  for (int32_t i = 1; i < g.Rows(); ++i) EXPECT_EQ(g.TextMatrix(i, 0), std::to_string(i));
  EXPECT_EQ(c.state().pasteMode, PasteMode::None);
  EXPECT_EQ(c.state().pasteRows, 0);
  EXPECT_EQ(c.state().editLock, EditLock::None);
}

}  // namespace tablique::editing_test
