// Shared helpers of the formula tests: a headless control, table filling and the invariants.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <tablique/control.h>

namespace tablique::testing {

// Fills column c from row 1 with the given texts.
inline void fillColumn(Control& c, int32_t col, const std::vector<std::string>& texts) {
  for (size_t i = 0; i < texts.size(); ++i) c.settext(int32_t(i) + 1, col, texts[i]);
}

inline std::vector<std::string> column(const Control& c, int32_t col, int32_t rows) {
  std::vector<std::string> out;
  for (int32_t r = 1; r <= rows; ++r) out.push_back(c.gettext(r, col));
  return out;
}

// Runs the formula command at (r, k) with the user's answer (nullopt: Cancel).
inline void enterFormula(Control& c, int32_t r, int32_t k, std::optional<std::string> answer) {
  c.mouseset(r, k);
  c.headless().queueInput(std::move(answer));
  c.m_focal();
}

// One formula record per data column, headers labelled, modes at rest.
inline void expectInvariants(const Control& c) {
  const Grid& g = c.grid();
  EXPECT_EQ(c.state().colFormula.size(), size_t(g.Cols()));
  for (int32_t j = 1; j < g.Cols(); ++j) EXPECT_EQ(g.TextMatrix(0, j), "C" + std::to_string(j));
  for (int32_t i = 1; i < g.Rows(); ++i) EXPECT_EQ(g.TextMatrix(i, 0), std::to_string(i));
  EXPECT_EQ(c.state().formuMode, FormuMode::Prompt);
  EXPECT_EQ(c.state().pasteMode, PasteMode::None);
  EXPECT_EQ(c.state().depGuard, DepGuard::None);
  EXPECT_EQ(g.FocusRect, 1);
  EXPECT_EQ(g.HighLight, 1);
}

}  // namespace tablique::testing
