// Table editing against plain C++ in the same run.
//
//   BM_SplitBaseline/<kind>  the pasted text split at TAB and CR LF into a reserved vector
//   BM_Paste/<kind>          m_paste of that text at (1, 1): splitting, writing, no formulas
//   BM_JoinBaseline          the block's cells joined with TAB and CR LF into a reserved string
//   BM_Copy                  m_copy of the block (marked text and clipboard text)
//   BM_RowInsDel/<rows>      m_rowins then m_rowdel at row 2, 10 formula columns
//   BM_ColInsDel/<rows>      m_colins then m_coldel at column 2, 10 formula columns
//   BM_TableCopy             a copy of the full table's grid (every cell of 6999 x 50)
//   BM_BulkRowIns            m_rowins of 3300 rows selected over their headers, into a table of
//                            3300 x 49 filled data cells (6600 data rows afterwards, in budget)
//   BM_BulkRowDel            m_rowdel of rows 2..6998 selected over their headers, from the full
//                            filled table (6997 rows at once)
//
// The block is the largest the cell budget allows in a 49-column table: 6998 x 49 data cells
// (6999 x 50 with the headers). kind 0: short numbers; kind 1: short texts with a letter.
// After the run the medians of the thread's CPU time and the ratios are printed.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

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
    std::mt19937 rng(7);
    t.reserve(size_t(kRows) * kCols * 7);
    for (int32_t r = 0; r < kRows; ++r) {
      for (int32_t c = 0; c < kCols; ++c) {
        if (c) t += '\t';
        t += kind == 0 ? std::to_string(rng() % 10000) + "." + std::to_string(rng() % 100)
                       : "x" + std::to_string(rng() % 100000);
      }
      t += "\r\n";
    }
  }
  return t;
}

std::vector<std::string> splitPlain(const std::string& text) {
  std::vector<std::string> cells;
  cells.reserve(size_t(kRows) * kCols);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\t') {
      cells.emplace_back(text, start, i - start);
      start = i + 1;
    } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      cells.emplace_back(text, start, i - start);
      start = ++i + 1;
    }
  }
  return cells;
}

std::unique_ptr<Control> blockTable(int kind) {
  auto c = std::make_unique<Control>();
  c->rowcol(kRows, kCols);
  c->headless().setClipboardText(blockText(kind));
  c->mouseset(1, 1);
  c->m_paste();
  return c;
}

const char* kindName(int64_t kind) { return kind == 0 ? "numeric" : "text"; }

void BM_SplitBaseline(benchmark::State& state) {
  const std::string& text = blockText(int(state.range(0)));
  timed(state, std::string("split/") + kindName(state.range(0)), [&] {
    auto cells = splitPlain(text);
    benchmark::DoNotOptimize(cells.data());
  });
}

void BM_Paste(benchmark::State& state) {
  auto c = std::make_unique<Control>();
  c->rowcol(kRows, kCols);
  c->headless().setClipboardText(blockText(int(state.range(0))));
  timed(state, std::string("paste/") + kindName(state.range(0)), [&] {
    c->mouseset(1, 1);
    c->m_paste();
  });
  if (c->gettext(kRows, kCols).empty() || !c->headless().messages().empty()) state.SkipWithError("paste incomplete");
}

void BM_JoinBaseline(benchmark::State& state) {
  const std::vector<std::string> cells = splitPlain(blockText(0));
  timed(state, "join", [&] {
    size_t total = 0;
    for (const auto& s : cells) total += s.size() + 2;
    std::string out;
    out.reserve(total);
    for (int32_t r = 0; r < kRows; ++r) {
      for (int32_t c = 0; c < kCols; ++c) {
        if (c) out += '\t';
        out += cells[size_t(r) * kCols + size_t(c)];
      }
      out += "\r\n";
    }
    benchmark::DoNotOptimize(out.data());
  });
}

void BM_Copy(benchmark::State& state) {
  auto c = blockTable(0);
  const tablique::Grid& g = c->grid();
  c->MSFlexGrid1_MouseDown(1, 0, float(g.visibleColLeft(1) + 10), float(g.visibleRowTop(1) + 10));
  c->MSFlexGrid1_MouseMove(1, 0, float(g.visibleColLeft(kCols) + 10), float(g.visibleRowTop(kRows) + 10));
  timed(state, "copy", [&] { c->m_copy(); });
  if (c->headless().clipboardText() != blockText(0)) state.SkipWithError("copy differs");
}

// A table of `rows` data rows and 49 columns: numbers in 1..39, column formulas in 40..49 and a
// cell formula in every tenth row of each formula column.
std::unique_ptr<Control> formulaTable(int32_t rows) {
  auto c = std::make_unique<Control>();
  c->rowcol(rows, kCols);
  for (int32_t r = 1; r <= rows; ++r)
    for (int32_t j = 1; j <= 39; ++j) c->settext(r, j, std::to_string(r * j % 997));
  for (int32_t k = 0; k < 10; ++k) {
    const int32_t col = 40 + k;
    for (int32_t r = 10; r <= rows; r += 10) {
      c->mouseset(r, col);
      c->formuset(col, "=C" + std::to_string(k + 1) + "*2+C" + std::to_string(k + 20) + ";");
    }
    c->formuset(col, "C" + std::to_string(k + 1) + "+C" + std::to_string(col - 1) + "*3-C39");
  }
  return c;
}

void BM_RowInsDel(benchmark::State& state) {
  auto c = formulaTable(int32_t(state.range(0)));
  timed(state, "rows/" + std::to_string(state.range(0)), [&] {
    c->mouseset(2, 1);
    c->m_rowins();
    c->mouseset(2, 1);
    c->m_rowdel();
  });
  if (c->rows() != state.range(0)) state.SkipWithError("row count changed");
}

void BM_ColInsDel(benchmark::State& state) {
  auto c = formulaTable(int32_t(state.range(0)));
  timed(state, "cols/" + std::to_string(state.range(0)), [&] {
    c->mouseset(1, 2);
    c->m_colins();
    c->mouseset(1, 2);
    c->m_coldel();
  });
  if (c->cols() != kCols) state.SkipWithError("column count changed");
}

// A filled table of `rows` x 49 data cells (the first rows of the block).
std::unique_ptr<Control> filledTable(int32_t rows) {
  const std::string& text = blockText(0);
  size_t end = 0;
  for (int32_t r = 0; r < rows; ++r) end = text.find("\r\n", end) + 2;
  auto c = std::make_unique<Control>();
  c->rowcol(rows, kCols);
  c->headless().setClipboardText(text.substr(0, end));
  c->mouseset(1, 1);
  c->m_paste();
  c->addrow(rows - c->rows());  // the rows the paste's growth added
  return c;
}

// A drag over the row headers from row `from` to the last row.
void selectRowsToEnd(Control& c, int32_t from) {
  const tablique::Grid& g = c.grid();
  const float x = float(g.ColWidth(0) / 2), y = float(g.visibleRowTop(from) + g.RowHeight(from) / 2);
  c.MSFlexGrid1_MouseDown(1, 0, x, y);
  c.MSFlexGrid1_MouseMove(1, 0, x, 1e9f);
  c.MSFlexGrid1_MouseUp(1, 0, x, 1e9f);
}

void BM_TableCopy(benchmark::State& state) {
  auto c = filledTable(kRows);
  for (auto _ : state) {
    const double t0 = threadMs();
    auto copy = std::make_unique<tablique::Grid>(c->grid());
    g_ms.add("table copy", threadMs() - t0);  // the copy's release is not timed
    benchmark::DoNotOptimize(copy.get());
  }
}

// Each iteration times the command alone on a fresh table.
template <typename Prepare, typename Command>
void timedOnFresh(benchmark::State& state, const std::string& name, Prepare prepare, Command command) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<Control> c = prepare();
    state.ResumeTiming();
    const double t0 = threadMs();
    command(*c);
    g_ms.add(name, threadMs() - t0);
    state.PauseTiming();
    c.reset();
    state.ResumeTiming();
  }
}

constexpr int32_t kInsRows = 3300;

void BM_BulkRowIns(benchmark::State& state) {
  timedOnFresh(
      state, "bulk row ins",
      [] {
        auto c = filledTable(kInsRows);
        selectRowsToEnd(*c, 1);
        return c;
      },
      [&](Control& c) {
        c.m_rowins();
        if (c.rows() != 2 * kInsRows || c.gettext(kInsRows + 1, 1).empty()) state.SkipWithError("insert incomplete");
      });
}

void BM_BulkRowDel(benchmark::State& state) {
  timedOnFresh(
      state, "bulk row del",
      [] {
        auto c = filledTable(kRows);
        selectRowsToEnd(*c, 2);
        return c;
      },
      [&](Control& c) {
        c.m_rowdel();
        if (c.rows() != 1) state.SkipWithError("delete incomplete");
      });
}

}  // namespace

BENCHMARK(BM_SplitBaseline)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_Paste)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_JoinBaseline)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_Copy)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_RowInsDel)->Arg(1715)->Arg(3430)->Arg(6860)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ColInsDel)->Arg(1715)->Arg(3430)->Arg(6860)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_TableCopy)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_BulkRowIns)->Unit(benchmark::kMillisecond)->Iterations(9);
BENCHMARK(BM_BulkRowDel)->Unit(benchmark::kMillisecond)->Iterations(9);

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  auto m = [](const std::string& k) { return g_ms.median(k); };
  auto ratio = [](const std::string& a, const std::string& b) { return g_ms.ratio(a, b); };
  std::printf("\nmedians (ms of CPU time) and ratios, %d x %d block\n", kRows, kCols);
  for (const char* kind : {"numeric", "text"})
    std::printf("  paste %-7s %8.2f   split baseline %8.2f   ratio %.2f\n", kind, m(std::string("paste/") + kind),
                m(std::string("split/") + kind), ratio(std::string("paste/") + kind, std::string("split/") + kind));
  std::printf("  copy          %8.2f   join baseline  %8.2f   ratio %.2f\n", m("copy"), m("join"), ratio("copy", "join"));
  for (const char* op : {"rows", "cols"})
    std::printf("  %s ins+del    1715: %7.2f   3430: %7.2f   6860: %7.2f   6860/1715 = %.2f (4 = linear)\n", op,
                m(std::string(op) + "/1715"), m(std::string(op) + "/3430"), m(std::string(op) + "/6860"),
                ratio(std::string(op) + "/6860", std::string(op) + "/1715"));
  std::printf("  table copy %8.2f   bulk row ins %8.2f (ratio %.2f)   bulk row del %8.2f (ratio %.2f), limit 3\n",
              m("table copy"), m("bulk row ins"), ratio("bulk row ins", "table copy"), m("bulk row del"),
              ratio("bulk row del", "table copy"));
  return 0;
}
