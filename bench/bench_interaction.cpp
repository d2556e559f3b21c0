// Typing into a cell and leaving it, in the largest table (6999 x 50) with 10 formula columns,
// next to the same table with 1000 rows and to an edit in a column no formula uses. Leaving
// the edited cell runs the restricted recalc, whose column formulas run for the edited row
// only: its cost should follow the formula columns, not the rows.
//
// Each iteration is what a user does: Enter in the grid (one row down, the editor opens and
// loads the cell), Backspace and a digit (two changes, each written into the cell), Enter in the
// editor (the edit ends: the restricted recalc).
#include <benchmark/benchmark.h>

#include <string>

#include <tablique/control.h>

namespace {

constexpr int kCols = 50;  // grid columns, the header column included

// A grid of `rows` x 50 (header row and column included; 6999 x 50 is the largest table).
// The data columns before the last `formulas` hold numbers; each of the last `formulas`
// columns holds a column formula over column 1 and one other column, its results in place.
void buildTable(tablique::Control& c, int rows, int formulas) {
  c.rowcol(rows - 1, kCols - 1);
  const int lastData = kCols - 1, firstFormula = lastData - formulas + 1;
  for (int r = 1; r < rows; ++r)
    for (int j = 1; j < firstFormula; ++j) c.settext(r, j, std::to_string((r * 31 + j * 7) % 1000));
  for (int j = firstFormula; j <= lastData; ++j) {
    const int other = j - firstFormula + 2;
    c.formuset(j, "C1*2+C" + std::to_string(other));
    for (int r = 1; r < rows; ++r)
      c.settext(r, j, std::to_string(2 * ((r * 31 + 7) % 1000) + (r * 31 + other * 7) % 1000));
  }
}

// Arguments: grid rows, formula columns, and where the edits happen (0: rows 2 to 41 near the
// top, 1: from the middle of the table down).
void typeAndLeave(benchmark::State& state, int column) {
  const int rows = int(state.range(0)), formulas = int(state.range(1));
  const bool middle = state.range(2) != 0;
  tablique::Control c;
  buildTable(c, rows, formulas);
  const int firstRow = middle ? rows / 2 : 1;
  const int lastRow = middle ? rows - 2 : 40;
  c.mouseset(firstRow, column);
  int digit = 0;
  for (auto _ : state) {
    if (c.grid().Row() >= lastRow) {
      state.PauseTiming();
      c.mouseset(firstRow, column);
      state.ResumeTiming();
    }
    c.pressKey(13);  // grid: one row down, the editor opens
    c.pressKey(8);   // editor: Backspace
    c.typeText(std::to_string(digit));
    digit = (digit + 1) % 10;
    c.pressKey(13);  // editor: the edit ends
  }
}

// Column 1 is referenced by every formula: the restricted recalc runs.
void BM_TypeReferencedColumn(benchmark::State& state) { typeAndLeave(state, 1); }
// Column 30 is referenced by none (the formulas reference 1 and 2..11): nothing is recomputed.
void BM_TypeUnreferencedColumn(benchmark::State& state) { typeAndLeave(state, 30); }

BENCHMARK(BM_TypeReferencedColumn)
    ->ArgNames({"rows", "formulas", "middle"})
    ->Args({1000, 10, 1})
    ->Args({6999, 10, 1})
    ->Args({6999, 5, 1})
    ->Args({1000, 10, 0})
    ->Args({6999, 10, 0})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TypeUnreferencedColumn)
    ->ArgNames({"rows", "formulas", "middle"})
    ->Args({1000, 10, 1})
    ->Args({6999, 10, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
