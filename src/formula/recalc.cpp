// recalc: every formula result of the table brought up to date, in passes.
//
//   used extent (last used row and column; the grid counts filled cells per column)
//   passes = 2 + the columns that reference a used column to their right
//   each pass, columns 1..last used column left to right:
//     the column's cell formulas, rows 1..last used row, translated as the formula command
//     translates them, then update(c) when the record starts with a column formula
//
// A formula sees the new values of columns to its left in the same pass and those to its right
// one pass later. Cycles are not detected; they stop after the last pass.
#include <tablique/control.h>

#include "formula/record.h"
#include "formula/references.h"
#include "formula/result.h"
#include "formula/translate.h"

namespace tablique {

namespace {

struct Extent {
  int32_t lastRow = 0, lastCol = 0;
};

// The highest row and the highest column holding a non-empty data cell: the column from the
// grid's counts, the row by a scan from the bottom that stops at the first filled row.
Extent usedExtent(const Grid& grid) {
  Extent e;
  const int32_t lastCol = grid.lastFilledCol();
  if (lastCol == 0) return e;
  for (int32_t r = grid.Rows() - 1; r >= 1; --r)
    for (int32_t c = 1; c <= lastCol; ++c)
      if (!grid.textAt(r, c).empty()) {
        e.lastRow = r;
        e.lastCol = lastCol;
        return e;
      }
  return e;
}

}  // namespace

// Reruns the column formula of column c. A paste or an edit covers its own rows; otherwise
// every row, and either way a row's own cell formula stays (the pass has just computed it).
void Control::updateColumnFormula(int32_t c) {
  if (st_.pasteMode == PasteMode::Restricted) {
    update(c);
    return;
  }
  const int32_t row = grid_.Row(), rows = st_.pasteRows;
  st_.pasteMode = PasteMode::Restricted;
  st_.pasteRows = grid_.Rows();
  grid_.setRow(1);
  update(c);
  st_.pasteMode = PasteMode::None;
  st_.pasteRows = rows;
  grid_.setRow(row);
}

void Control::recalc() {
  grid_.FocusRect = 0;
  grid_.HighLight = 0;
  hideEditor();
  try {
    const int32_t cols = grid_.Cols() - 1;
    if (int32_t(st_.colFormula.size()) - 1 < cols) throw Error(ErrorCode::IndexOutOfRange, "formula records");
    int32_t formulaColumns = 0;
    for (int32_t c = 1; c <= cols; ++c)
      if (!st_.colFormula[size_t(c)].empty()) ++formulaColumns;

    const Extent used = formulaColumns > 0 ? usedExtent(grid_) : Extent{};
    if (used.lastRow > 0 && used.lastCol > 0) {
      int32_t passes = 2;
      for (int32_t i = 1; i <= used.lastCol; ++i) {
        for (int32_t j : formula::referencedColumns(st_.colFormula[size_t(i)], cols)) {
          if (j > i && j <= used.lastCol) {
            ++passes;
            break;
          }
        }
      }

      std::string expr;
      for (int32_t pass = 0; pass < passes; ++pass) {
        for (int32_t c = 1; c <= used.lastCol; ++c) {
          if (c >= int32_t(st_.colFormula.size())) break;
          const std::string& record = st_.colFormula[size_t(c)];
          if (record.empty()) continue;
          for (const auto& [r, text] : formula::cellFormulas(record)) {
            if (r > used.lastRow) break;
            formula::Translation t(text, cols, true);
            if (t.forRow(grid_, r, expr)) formula::evaluateInto(*ScriptControl1, grid_, expr, r, c);
          }
          if (st_.colFormula[size_t(c)][0] != '=') updateColumnFormula(c);
        }
      }
    }
  } catch (const std::exception&) {
  }
  grid_.FocusRect = 1;
  grid_.HighLight = 1;
}

}  // namespace tablique
