// Drives a headless control as a user does: mouse presses, moves and releases at cell centres
// (twips relative to the grid, at the current scroll), an off-screen cell scrolled into view
// first, blocks of texts, formulas through the formula command, pastes through the clipboard,
// and the invariants every command keeps.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <tablique/control.h>

namespace tablique::testing {

constexpr int16_t kLeft = 1, kRight = 2, kMiddle = 4;
constexpr int16_t kCtrl = 2;

using Texts = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

inline float cellX(const Control& c, int32_t col) {
  const Grid& g = c.grid();
  return float(g.visibleColLeft(col) + g.ColWidth(col) / 2);
}
inline float cellY(const Control& c, int32_t row) {
  const Grid& g = c.grid();
  return float(g.visibleRowTop(row) + g.RowHeight(row) / 2);
}

// Scrolls the data cell (r, col) into view as a user does with the arrow keys, when it is out
// of view. Header cells never scroll along their own axis; they are left alone.
inline void reveal(Control& c, int32_t r, int32_t col) {
  const Grid& g = c.grid();
  if (r < 1 || col < 1) return;
  const bool visible = g.visibleColLeft(col) >= g.colLeft(1) && g.visibleColLeft(col + 1) <= g.Width &&
                       g.visibleRowTop(r) >= g.rowTop(1) && g.visibleRowTop(r + 1) <= g.Height;
  if (visible) return;
  const bool last = col == g.Cols() - 1;
  c.mouseset(r, last ? col - 1 : col + 1);
  c.pressKey(last ? 39 : 37);  // Right / Left: the grid scrolls the current cell into view
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

// A left press and release on (r, col).
inline void click(Control& c, int32_t r, int32_t col) {
  reveal(c, r, col);
  press(c, r, col);
  release(c, r, col);
}

// Selects a rectangle with the mouse: a left press on the anchor (r0, c0), a move to the end
// (r1, c1) and the release there.
inline void select(Control& c, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  reveal(c, r0, c0);
  press(c, r0, c0);
  move(c, r1, c1);
  release(c, r1, c1);
}

// Fills column col from row 1 with the texts.
inline void fillColumn(Control& c, int32_t col, const Texts& texts) {
  for (size_t i = 0; i < texts.size(); ++i) c.settext(int32_t(i) + 1, col, texts[i]);
}

// Writes rows of texts from (r, col) on.
inline void put(Control& c, int32_t r, int32_t col, const Rows& rows) {
  for (size_t i = 0; i < rows.size(); ++i)
    for (size_t j = 0; j < rows[i].size(); ++j) c.settext(r + int32_t(i), col + int32_t(j), rows[i][j]);
}

// The texts of column col, rows first..last.
inline Texts column(const Control& c, int32_t col, int32_t first, int32_t last) {
  Texts out;
  for (int32_t r = first; r <= last; ++r) out.push_back(c.gettext(r, col));
  return out;
}
// The texts of column col, rows 1..rows.
inline Texts column(const Control& c, int32_t col, int32_t rows) { return column(c, col, 1, rows); }

// The block of texts at (r, col), h rows by w columns.
inline Rows block(const Control& c, int32_t r, int32_t col, int32_t h, int32_t w) {
  auto out = Rows(size_t(h), Texts(size_t(w)));
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j) out[size_t(i)][size_t(j)] = c.gettext(r + i, col + j);
  return out;
}

// Clicks (r, col) and runs the formula command with the user's answer (nullopt: Cancel);
// "=..." is a cell formula of row r.
inline void enterFormula(Control& c, int32_t r, int32_t col, std::optional<std::string> answer) {
  click(c, r, col);
  c.headless().queueInput(std::move(answer));
  c.m_focal();
}

// The user clicks cell (r, col), replaces its text in the editor and gives the grid the focus.
inline void editCell(Control& c, int32_t r, int32_t col, const std::string& text) {
  click(c, r, col);
  ASSERT_EQ(c.focus(), FocusTarget::Editor);
  c.setEditorText(text);
  c.focusGrid();
}

// Clicks (r, col) and pastes the text through the clipboard.
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

// What holds after every command: one formula record per data column, headers labelled, the
// modes back at rest, the grid's focus rectangle and highlight at their defaults.
inline void expectConsistent(const Control& c) {
  const Grid& g = c.grid();
  const ControlState& st = c.state();
  EXPECT_EQ(st.colFormula.size(), size_t(g.Cols()));
  for (int32_t j = 1; j < g.Cols(); ++j) EXPECT_EQ(g.TextMatrix(0, j), "C" + std::to_string(j)) << j;
  for (int32_t i = 1; i < g.Rows(); ++i) EXPECT_EQ(g.TextMatrix(i, 0), std::to_string(i)) << i;
  EXPECT_EQ(st.formuMode, FormuMode::Prompt);
  EXPECT_EQ(st.pasteMode, PasteMode::None);
  EXPECT_EQ(st.pasteRows, 0);
  EXPECT_EQ(st.depGuard, DepGuard::None);
  EXPECT_EQ(st.editLock, EditLock::None);
  EXPECT_EQ(g.FocusRect, 1);
  EXPECT_EQ(g.HighLight, 1);
}

// The selection's anchor and end members name cells of the grid.
inline void expectSelectionInGrid(const Control& c) {
  const Grid& g = c.grid();
  for (int32_t v : {c.rr0(), c.RR()}) EXPECT_TRUE(v >= 0 && v < g.Rows()) << v;
  for (int32_t v : {c.cc0(), c.cc()}) EXPECT_TRUE(v >= 0 && v < g.Cols()) << v;
}

}  // namespace tablique::testing
