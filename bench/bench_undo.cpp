// What recording for undo adds to commands on the full table, and what undo and redo cost.
//
// Each command runs on two full tables, one without recording and one with it (default bound),
// in turn within every iteration, so that both see the same load of the machine:
//   BM_Paste          m_paste of a 6998 x 49 block at (1, 1), two blocks in turn so that every
//                     cell changes
//   BM_RowDel         m_rowdel of row 2 of the full filled table (every row number below moves)
//   BM_RowDelFirst    the first m_rowdel after the table was filled, on a fresh table: the data
//                     columns' alignments replace every cell's own code
//   BM_Sort           psort ascending and descending in turn on a column of 6998 numbers
//   BM_Recalc         update of column 49 from a formula over 6998 rows, two formulas in turn
//   BM_UndoRedo/<k>   a step with recording, then its undo, then its redo (each timed on its own):
//                     the full-table paste, the row delete, the sort, the recalc of column 49, the
//                     first row delete
//   BM_Wide<event>    cheap events on the widest table (2 x 174975 grid: one data row, 174974
//                     data columns, as many formula records), where the history's work at a step
//                     boundary must follow what changed, not the columns: an arrow key press
//                     (Right and Left in turn), a mouse move over the grid, and an edit (a click
//                     on a cell opens the editor, Backspace and one character, Enter leaves it)
//
// After the run the medians of this thread's CPU time (for the lines of both ways, of two commands in a
// row, one of each kind), the ratios recording / off and the
// ratios undo (redo) / the step they take back (put back) are printed.
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

// The widest table: one data row, 174974 data columns.
std::unique_ptr<Control> widestTable(bool recording) {
  auto c = std::make_unique<Control>();
  c->rowcol(1, 174974);
  if (!recording) c->setUndoLimit(0);
  c->mouseset(1, 2);
  c->clearUndo();
  return c;
}

std::string name(const char* what, bool on) { return std::string(what) + (on ? " recording" : " off"); }

// Runs `command` on a control without and one with recording in turn, each timed on its own,
// the order swapped every iteration, so that both see the same load of the machine.
// `prepare` runs untimed before each command. The command alternates between two kinds (k);
// a sample is the time of both, as the kinds may differ in cost.
template <typename Prepare, typename Command>
void bothWays(benchmark::State& state, const char* what, Prepare prepare, Command command,
              std::unique_ptr<Control> (*table)(bool) = fullTable) {
  std::unique_ptr<Control> controls[2] = {table(false), table(true)};
  double pair[2] = {0, 0};
  int k = 0;
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      const bool on = (i ^ k) & 1;
      Control& c = *controls[on];
      prepare(c, k);
      const double t0 = threadMs();
      command(c, k);
      pair[on] += threadMs() - t0;
      if (k == 1) {
        g_ms.add(name(what, on), pair[on]);
        pair[on] = 0;
      }
    }
    k ^= 1;
  }
}

void BM_Paste(benchmark::State& state) {
  bothWays(
      state, "paste",
      [](Control& c, int k) {
        c.headless().setClipboardText(blockText(k ^ 1));
        c.mouseset(1, 1);
      },
      [](Control& c, int) { c.m_paste(); });
}

void BM_RowDel(benchmark::State& state) {
  bothWays(
      state, "rowdel", [](Control& c, int) { c.mouseset(2, 1); }, [](Control& c, int) { c.m_rowdel(); });
}

// The first row delete after the table was filled: the data columns' alignments replace the
// cells' own codes, which recording keeps. The alignment is read after the command so that
// both ways apply them in the timed part.
void BM_RowDelFirst(benchmark::State& state) {
  std::unique_ptr<Control> controls[2];
  int k = 0;
  for (auto _ : state) {
    for (int i = 0; i < 2; ++i) {
      const bool on = (i ^ k) & 1;
      state.PauseTiming();
      controls[on].reset();
      controls[on] = fullTable(on);
      controls[on]->mouseset(2, 1);
      state.ResumeTiming();
      Control& c = *controls[on];
      const double t0 = threadMs();
      c.m_rowdel();
      benchmark::DoNotOptimize(c.grid().alignmentAt(1, 1));
      g_ms.add(name("rowdel 1st", on), threadMs() - t0);
    }
    k ^= 1;
  }
}

void BM_Sort(benchmark::State& state) {
  bothWays(
      state, "sort", [](Control& c, int) { c.mouseset(1, 1); }, [](Control& c, int k) { c.psort(k ? -1 : 0); });
}

void BM_Recalc(benchmark::State& state) {
  bothWays(
      state, "recalc",
      [](Control& c, int k) {
        c.formuset(kCols, "");
        c.formuset(kCols, k ? "C1*3" : "C1*2");
      },
      [](Control& c, int) { c.update(kCols); });
}

// The centre of data cell (1, col) in twips, relative to the grid.
float cellX(const Control& c, int32_t col) { return float(c.grid().visibleColLeft(col) + c.grid().ColWidth(col) / 2); }
float cellY(const Control& c) { return float(c.grid().visibleRowTop(1) + c.grid().RowHeight(1) / 2); }

void BM_WideKey(benchmark::State& state) {
  bothWays(
      state, "wide key", [](Control&, int) {}, [](Control& c, int k) { c.pressKey(k ? 37 : 39); }, widestTable);
}

void BM_WideMove(benchmark::State& state) {
  bothWays(
      state, "wide move", [](Control&, int) {},
      [](Control& c, int k) { c.MSFlexGrid1_MouseMove(0, 0, cellX(c, 2 + k), cellY(c)); }, widestTable);
}

void BM_WideEdit(benchmark::State& state) {
  bothWays(
      state, "wide edit", [](Control&, int) {},
      [](Control& c, int k) {
        const float x = cellX(c, 2), y = cellY(c);
        c.MSFlexGrid1_MouseDown(1, 0, x, y);
        c.MSFlexGrid1_MouseUp(1, 0, x, y);
        c.pressKey(8);  // Backspace
        c.typeText(k ? "7" : "8");
        c.pressKey(13);
      },
      widestTable);
}

// The step with recording, its undo and its redo, each timed on its own in every iteration, so
// that the three see the same load of the machine. `prepare` runs untimed before the step.
template <typename Prepare, typename Command>
void undoRedo(benchmark::State& state, const char* what, Prepare prepare, Command command) {
  auto c = fullTable(true);
  int k = 0;
  for (auto _ : state) {
    prepare(c, k);
    double t0 = threadMs();
    command(*c, k);
    g_ms.add(std::string(what) + " step", threadMs() - t0);
    t0 = threadMs();
    c->undo();
    g_ms.add(std::string(what) + " undo", threadMs() - t0);
    t0 = threadMs();
    c->redo();
    g_ms.add(std::string(what) + " redo", threadMs() - t0);
    k ^= 1;
  }
}

void BM_UndoRedo(benchmark::State& state) {
  switch (state.range(0)) {
    case 0:
      undoRedo(
          state, "paste",
          [](std::unique_ptr<Control>& c, int k) {
            c->headless().setClipboardText(blockText(k ^ 1));
            c->mouseset(1, 1);
          },
          [](Control& c, int) { c.m_paste(); });
      break;
    case 1:
      undoRedo(
          state, "rowdel", [](std::unique_ptr<Control>& c, int) { c->mouseset(2, 1); },
          [](Control& c, int) { c.m_rowdel(); });
      break;
    case 2:
      undoRedo(
          state, "sort", [](std::unique_ptr<Control>& c, int) { c->mouseset(1, 1); },
          [](Control& c, int k) { c.psort(k ? -1 : 0); });
      break;
    case 3:
      undoRedo(
          state, "recalc",
          [](std::unique_ptr<Control>& c, int k) {
            c->formuset(kCols, "");
            c->formuset(kCols, k ? "C1*3" : "C1*2");
          },
          [](Control& c, int) { c.update(kCols); });
      break;
    case 4:  // on a fresh table each time
      undoRedo(
          state, "rowdel 1st",
          [](std::unique_ptr<Control>& c, int) {
            c.reset();
            c = fullTable(true);
            c->mouseset(2, 1);
          },
          [](Control& c, int) { c.m_rowdel(); });
      break;
  }
}

}  // namespace

BENCHMARK(BM_Paste)->Iterations(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowDel)->Iterations(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RowDelFirst)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sort)->Iterations(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Recalc)->Iterations(16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedo)->DenseRange(0, 4)->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideKey)->Iterations(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideMove)->Iterations(64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WideEdit)->Iterations(64)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  g_ms.printMedians("\nmedian CPU ms per command:\n", 20, 3);
  for (const char* what : {"paste", "rowdel", "rowdel 1st", "sort", "recalc", "wide key", "wide move", "wide edit"})
    std::printf("  %-10s recording / off  %.3f\n", what, g_ms.ratio(name(what, true), name(what, false)));
  for (const char* what : {"wide key", "wide move", "wide edit"})
    std::printf("  %-10s off %8.1f us   recording %8.1f us\n", what, g_ms.median(name(what, false)) * 1e3,
                g_ms.median(name(what, true)) * 1e3);
  for (const char* what : {"paste", "rowdel", "rowdel 1st", "sort", "recalc"})
    std::printf("  %-10s undo / step %.3f   redo / step %.3f\n", what,
                g_ms.ratio(std::string(what) + " undo", std::string(what) + " step"),
                g_ms.ratio(std::string(what) + " redo", std::string(what) + " step"));
  return 0;
}
