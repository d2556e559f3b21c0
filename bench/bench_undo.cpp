// What recording for undo adds to commands on the full table, and what undo and redo cost.
//
//   BM_Paste/<on>     m_paste of a 6998 x 49 block at (1, 1), two blocks in turn so that every
//                     cell changes; on = 1 records (default bound), 0 with recording off
//   BM_RowDel/<on>    m_rowdel of row 2 of the full filled table (every row number below moves)
//   BM_Sort/<on>      psort ascending and descending in turn on a column of 6998 numbers
//   BM_Recalc/<on>    update of column 49 from a formula over 6998 rows, two formulas in turn
//   BM_UndoRedo       undo then redo of the full-table paste step (each timed on its own)
//
// After the run the medians of this thread's CPU time and the ratios recording / off are
// printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include <tablique/control.h>

#include "bench_support.h"

using tablique::Control;
using namespace tablique::bench;

namespace {

constexpr int32_t kRows = kFullRows, kCols = kFullCols;

const std::string& blockText(int kind) {
  static std::string texts[2];
  std::string& t = texts[kind];
  if (t.empty()) {
    std::mt19937 rng(11 + kind);
    for (int32_t r = 0; r < kRows; ++r) {
      for (int32_t c = 0; c < kCols; ++c) {
        if (c) t += '\t';
        t += std::to_string(rng() % 10000) + (kind ? "x" : ".5");
      }
      t += "\r\n";
    }
  }
  return t;
}

std::unique_ptr<Control> fullTable(bool recording) {
  auto c = std::make_unique<Control>();
  c->rowcol(kRows, kCols);
  if (!recording) c->setUndoLimit(0);
  c->headless().setClipboardText(blockText(0));
  c->mouseset(1, 1);
  c->m_paste();
  c->clearUndo();
  return c;
}

std::string name(const char* what, bool on) { return std::string(what) + (on ? " recording" : " off"); }

void BM_Paste(benchmark::State& state) {
  const bool on = state.range(0) != 0;
  auto c = fullTable(on);
  int k = 1;
  for (auto _ : state) {
    c->headless().setClipboardText(blockText(k));
    c->mouseset(1, 1);
    const double t0 = threadMs();
    c->m_paste();
    g_ms.add(name("paste", on), threadMs() - t0);
    k ^= 1;
  }
}

void BM_RowDel(benchmark::State& state) {
  const bool on = state.range(0) != 0;
  auto c = fullTable(on);
  for (auto _ : state) {
    c->mouseset(2, 1);
    const double t0 = threadMs();
    c->m_rowdel();
    g_ms.add(name("rowdel", on), threadMs() - t0);
  }
}

void BM_Sort(benchmark::State& state) {
  const bool on = state.range(0) != 0;
  auto c = fullTable(on);
  c->mouseset(1, 1);
  int k = 0;
  for (auto _ : state) {
    const double t0 = threadMs();
    c->psort(k ? -1 : 0);
    g_ms.add(name("sort", on), threadMs() - t0);
    k ^= 1;
  }
}

void BM_Recalc(benchmark::State& state) {
  const bool on = state.range(0) != 0;
  auto c = fullTable(on);
  int k = 0;
  for (auto _ : state) {
    c->formuset(kCols, "");
    c->formuset(kCols, k ? "C1*3" : "C1*2");
    const double t0 = threadMs();
    c->update(kCols);
    g_ms.add(name("recalc", on), threadMs() - t0);
    k ^= 1;
  }
}

void BM_UndoRedo(benchmark::State& state) {
  auto c = fullTable(true);
  c->headless().setClipboardText(blockText(1));
  c->mouseset(1, 1);
  c->m_paste();
  for (auto _ : state) {
    double t0 = threadMs();
    c->undo();
    g_ms.add("paste undo", threadMs() - t0);
    t0 = threadMs();
    c->redo();
    g_ms.add("paste redo", threadMs() - t0);
  }
}

}  // namespace

BENCHMARK(BM_Paste)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowDel)->Arg(0)->Arg(1)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->Arg(0)->Arg(1)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recalc)->Arg(0)->Arg(1)->Iterations(9)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo)->Iterations(9)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  g_ms.printMedians("\nmedian CPU ms per command:\n", 20, 3);
  for (const char* what : {"paste", "rowdel", "sort", "recalc"})
    std::printf("  %-8s recording / off  %.3f\n", what, g_ms.ratio(name(what, true), name(what, false)));
  std::printf("  undo / paste %.3f   redo / paste %.3f\n", g_ms.ratio("paste undo", "paste recording"),
              g_ms.ratio("paste redo", "paste recording"));
  return 0;
}
