// Formula evaluation cost per evaluated cell, translation and writing included, against the bare
// engine Eval of the same translated texts measured in the same run, at 51 and 695 columns.
//
//   BM_BareEval/<cols>   Eval of every translated text of the formula columns (no writing)
//   BM_NumberText/<cols> numberText (CStr) of the same results, the writing's largest part
//   BM_Update/<cols>     update(c) of one column formula (no column depends on it) over every row
//   BM_Recalc/<cols>     the formula command on a referenced column: its own run, then recalc
//                        with 6 passes over 10 formula columns (chains looking left and right)
//
// Table: numbers in columns 1..40, column formulas in 41..50; with 695 columns a text in the
// last column makes the used extent span all of them. After the run the medians per cell and
// the ratios are printed. Times are the thread's CPU time (the machine may be shared).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "bench_support.h"
#include "formula/record.h"
#include "formula/translate.h"

using tablique::Control;
using namespace tablique::bench;

namespace {

constexpr int32_t kBigRows = 6860;  // 6861 x 51 cells: the largest table of 50 data columns
constexpr int32_t kWideRows = 500;  // 501 x 695 cells: within the cell budget at 695 columns

// cols counts the grid's columns, the header column included (data columns = cols - 1).
int32_t rowsFor(int32_t cols) { return cols <= 51 ? kBigRows : kWideRows; }

// Column formula of column 40 + k. Odd k below 9 look right to the next formula column (4
// columns, so recalc runs 2 + 4 = 6 passes); the others look left. No column uses column 50.
std::string formulaOf(int32_t k) {
  const int32_t col = 40 + k;
  if (k % 2 == 1 && k < 9)
    return "C" + std::to_string(k) + "*C" + std::to_string(k + 1) + "+C" + std::to_string(col + 1);
  return "C" + std::to_string(col - 1) + "-C" + std::to_string(k + 2) + "/3";
}

struct Table {
  Control control;
  int32_t rows = 0, cols = 0;
};

std::unique_ptr<Table> makeTable(int32_t cols) {
  auto t = std::make_unique<Table>();
  t->rows = rowsFor(cols);
  t->cols = cols;
  Control& c = t->control;
  c.rowcol(t->rows, cols - 1);
  std::mt19937 rng(42);
  for (int32_t r = 1; r <= t->rows; ++r) {
    for (int32_t j = 1; j <= 40; ++j) c.settext(r, j, std::to_string(int(rng() % 2000) - 1000) + "." + std::to_string(rng() % 100));
    for (int32_t j = 41; j <= 50; ++j) c.settext(r, j, "0");
  }
  if (cols > 51) c.settext(1, cols - 1, "end");
  for (int32_t k = 1; k <= 10; ++k) c.formuset(40 + k, formulaOf(k));
  // One full recalculation, so that every benchmark (and the bare Eval texts) starts from
  // computed values.
  c.mouseset(1, 41);
  c.headless().queueInput(formulaOf(1));
  c.m_focal();
  return t;
}

Samples g_perCell;  // ns of this thread's CPU time per evaluated cell, per iteration

template <typename Fn>
void timedPerCell(benchmark::State& state, const std::string& name, int64_t cells, Fn fn) {
  timed(state, name, fn, g_perCell, 1e6 / double(cells));
  state.counters["cells"] = double(cells);
  state.counters["ns_per_cell"] = g_perCell.median(name);
}

void BM_BareEval(benchmark::State& state) {
  const int32_t cols = int32_t(state.range(0));
  auto t = makeTable(cols);
  Control& c = t->control;
  std::vector<std::string> texts;
  std::string expr;
  for (int32_t k = 1; k <= 10; ++k) {
    tablique::formula::Translation tr(formulaOf(k), cols - 1, false);
    for (int32_t r = 1; r <= t->rows; ++r)
      if (tr.forRow(c.grid(), r, expr)) texts.push_back(expr);
  }
  timedPerCell(state, "bare/" + std::to_string(cols), int64_t(texts.size()), [&] {
    for (const auto& s : texts) benchmark::DoNotOptimize(c.engine().Eval(s));
  });
}

// CStr of the same results (numberText): part of writing every cell, shown on its own.
void BM_NumberText(benchmark::State& state) {
  const int32_t cols = int32_t(state.range(0));
  auto t = makeTable(cols);
  Control& c = t->control;
  std::vector<double> values;
  std::string expr;
  for (int32_t k = 1; k <= 10; ++k) {
    tablique::formula::Translation tr(formulaOf(k), cols - 1, false);
    for (int32_t r = 1; r <= t->rows; ++r)
      if (tr.forRow(c.grid(), r, expr)) values.push_back(c.engine().Eval(expr).toDouble());
  }
  timedPerCell(state, "numbertext/" + std::to_string(cols), int64_t(values.size()), [&] {
    for (double d : values) benchmark::DoNotOptimize(tablique::script::numberText(d));
  });
}

void BM_Update(benchmark::State& state) {
  const int32_t cols = int32_t(state.range(0));
  auto t = makeTable(cols);
  timedPerCell(state, "update/" + std::to_string(cols), t->rows, [&] { t->control.update(50); });
}

void BM_Recalc(benchmark::State& state) {
  const int32_t cols = int32_t(state.range(0));
  auto t = makeTable(cols);
  Control& c = t->control;
  const int64_t passes = 6;
  const int64_t cells = int64_t(t->rows) * (1 + passes * 10);
  timedPerCell(state, "recalc/" + std::to_string(cols), cells, [&] {
    c.mouseset(1, 41);
    c.headless().queueInput(formulaOf(1));
    c.m_focal();
  });
}

BENCHMARK(BM_BareEval)->Arg(51)->Arg(695)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_NumberText)->Arg(51)->Arg(695)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Update)->Arg(51)->Arg(695)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Recalc)->Arg(51)->Arg(695)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  auto m = [](const std::string& k) { return g_perCell.median(k); };
  std::printf("\nmedian ns per evaluated cell\n");
  for (const char* cols : {"51", "695"}) {
    const double bare = m(std::string("bare/") + cols);
    const double upd = m(std::string("update/") + cols);
    const double rec = m(std::string("recalc/") + cols);
    const double text = m(std::string("numbertext/") + cols);
    std::printf("  %4s columns: bare Eval %6.1f  numberText %6.1f  update %6.1f (x%.2f)  recalc %6.1f (x%.2f)\n",
                cols, bare, text, upd, bare > 0 ? upd / bare : 0, rec, bare > 0 ? rec / bare : 0);
    std::printf("               without numberText: update x%.2f  recalc x%.2f\n",
                bare > 0 ? (upd - text) / bare : 0, bare > 0 ? (rec - text) / bare : 0);
  }
  if (m("update/51") > 0 && m("recalc/51") > 0)
    std::printf("  695 vs 51 columns: update x%.2f  recalc x%.2f\n", m("update/695") / m("update/51"),
                m("recalc/695") / m("recalc/51"));
  return 0;
}
