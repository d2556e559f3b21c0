// A copy of everything undo promises to put back, for the undo tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "formula/record.h"

namespace tablique::testing {

// Everything undo promises to put back.
struct Snapshot {
  int32_t rows = 0, cols = 0;
  std::vector<std::string> cells;
  std::vector<uint8_t> aligns, owns, colAligns;  // effective codes, the cells' own codes
  std::vector<int32_t> widths, heights;
  std::vector<std::string> records;
  int32_t row = 0, col = 0, rr0 = 0, cc0 = 0, RR = 0, cc = 0;

  bool sameTable(const Snapshot& o) const {
    return rows == o.rows && cols == o.cols && cells == o.cells && aligns == o.aligns && owns == o.owns &&
           colAligns == o.colAligns && widths == o.widths && heights == o.heights && records == o.records;
  }
  bool operator==(const Snapshot&) const = default;
};

inline Snapshot snap(const Control& c) {
  const Grid& g = c.grid();
  Snapshot s;
  s.rows = g.Rows();
  s.cols = g.Cols();
  for (int32_t r = 0; r < g.Rows(); ++r)
    for (int32_t k = 0; k < g.Cols(); ++k) {
      s.cells.push_back(g.TextMatrix(r, k));
      s.aligns.push_back(g.alignmentAt(r, k));  // settles the column alignments
      s.owns.push_back(g.ownAlignmentAt(r, k));
    }
  for (int32_t k = 0; k < g.Cols(); ++k) {
    s.colAligns.push_back(g.ColAlignment(k));
    s.widths.push_back(g.ColWidth(k));
  }
  for (int32_t r = 0; r < g.Rows(); ++r) s.heights.push_back(g.RowHeight(r));
  s.records = c.state().colFormula;
  s.row = g.Row();
  s.col = g.Col();
  s.rr0 = c.rr0();
  s.cc0 = c.cc0();
  s.RR = c.RR();
  s.cc = c.cc();
  return s;
}

// The records as formuget reads them. formuget's and the export's compaction are the same
// formulas and no step: after one, undo and redo give back the formulas, and where the step
// itself wrote the record, its text before the compaction.
inline Snapshot meant(const Control& c) {
  Snapshot s = snap(c);
  for (std::string& record : s.records) record = formula::compactForFormuget(record);
  return s;
}

inline std::string describe(const Snapshot& a, const Snapshot& b) {
  std::string d;
  if (a.rows != b.rows || a.cols != b.cols)
    d += "counts " + std::to_string(a.rows) + "x" + std::to_string(a.cols) + " vs " + std::to_string(b.rows) +
         "x" + std::to_string(b.cols) + "; ";
  else {
    for (size_t i = 0; i < a.cells.size(); ++i) {
      if (a.cells[i] != b.cells[i]) {
        d += "cell " + std::to_string(i / size_t(a.cols)) + "," + std::to_string(i % size_t(a.cols)) + " '" +
             a.cells[i] + "' vs '" + b.cells[i] + "'; ";
        break;
      }
    }
    if (a.aligns != b.aligns) d += "alignments; ";
    if (a.owns != b.owns) d += "own alignment codes; ";
    if (a.colAligns != b.colAligns) d += "column alignments; ";
    if (a.widths != b.widths || a.heights != b.heights) d += "sizes; ";
  }
  if (a.records != b.records) d += "records; ";
  if (a.row != b.row || a.col != b.col)
    d += "current " + std::to_string(a.row) + "," + std::to_string(a.col) + " vs " + std::to_string(b.row) + "," +
         std::to_string(b.col) + "; ";
  if (a.rr0 != b.rr0 || a.cc0 != b.cc0 || a.RR != b.RR || a.cc != b.cc) d += "selection; ";
  return d;
}

// `change` changes the table: it makes one step, which undo takes back and redo puts back
// exactly, and undo takes back again.
inline void expectOneStep(Control& c, const std::function<void()>& change) {
  c.clearUndo();
  const Snapshot before = snap(c);
  change();
  c.focusGrid();
  const Snapshot after = snap(c);
  ASSERT_FALSE(after.sameTable(before));
  ASSERT_EQ(c.undoSteps(), 1u);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  ASSERT_TRUE(c.redo());
  EXPECT_TRUE(snap(c).sameTable(after)) << describe(snap(c), after);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
}

}  // namespace tablique::testing
