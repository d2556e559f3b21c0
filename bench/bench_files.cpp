// The file commands against plain C++ writing, reading and splitting the same bytes.
//
//   BM_TbqBaseline    the bytes of the tbq export written with fwrite, read back with fread and
//                     split at "," and CR LF into a reserved vector of strings
//   BM_TbqRoundTrip   m_daexp then m_dainp of that table (the file dialog answered at once)
//   BM_TxtBaseline    the text table's bytes written, read back and split at TAB and CR LF
//   BM_TxtRoundTrip   savetxt then opentxt of the same table
//   BM_XlsxVsXls      savexls then savexlsx of the same table, each timed on its own
//
// The table is the largest the cell budget allows: 6998 x 49 data cells (6999 x 50 with the
// headers), short numbers and texts, five formula columns, a few non-default sizes. The export
// adds the two spare columns once (the last column holds data). After the run the medians of
// the thread's CPU time and the ratios are printed.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "bench_support.h"
#include "files/file_io.h"

using tablique::Control;
using namespace tablique::bench;

namespace {

constexpr int32_t kRows = kFullRows, kCols = kFullCols;

const std::filesystem::path& benchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("tablique-bench-files-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    return d;
  }();
  return dir;
}

// The full table; built once.
Control& fullTable() {
  static std::unique_ptr<Control> c = [] {
    auto t = std::make_unique<Control>();
    t->rowcol(kRows, kCols);
    std::mt19937 rng(11);
    for (int32_t i = 1; i <= kRows; ++i)
      for (int32_t j = 1; j <= kCols; ++j)
        t->settext(i, j, j % 3 == 0 ? "t " + std::to_string(rng() % 1000) + ",x"
                                    : std::to_string(rng() % 10000) + "." + std::to_string(rng() % 100));
    t->formuset(2, "C1*2");
    t->formuset(5, "C4+Exp(C1)");
    t->formuset(8, "=C7/3");
    t->formuset(11, "C10-C9");
    t->formuset(14, "Power(C13,2)");
    t->setcolw(3, 30.0f);
    t->setrowh(100, 9.0f);
    return t;
  }();
  return *c;
}

std::vector<std::string> writeReadSplit(const std::string& path, const std::string& bytes, char sep) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  f = std::fopen(path.c_str(), "rb");
  std::string text(bytes.size(), '\0');
  const size_t got = std::fread(text.data(), 1, text.size(), f);
  std::fclose(f);
  text.resize(got);
  std::vector<std::string> cells;
  cells.reserve(size_t(kRows + 2) * (kCols + 3));
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == sep) {
      cells.emplace_back(text, start, i - start);
      start = i + 1;
    } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      cells.emplace_back(text, start, i - start);
      start = i + 2;
      ++i;
    }
  }
  return cells;
}

// One file format as the control reads and writes it: the save and open commands, the names its
// times are kept under and the separator of its cells.
struct Format {
  const char* kind;
  const char* saveName;
  const char* openName;
  void (Control::*save)();
  void (Control::*open)();
  char separator;
};
const Format kTbq{"tbq", "export", "import", &Control::m_daexp, &Control::m_dainp, ','};
const Format kTxt{"txt", "save", "open", &Control::savetxt, &Control::opentxt, '\t'};

void roundTrip(benchmark::State& state, const Format& f) {
  Control& c = fullTable();
  const std::string kind = f.kind;
  const std::string path = (benchDir() / ("t." + kind)).string();
  for (auto _ : state) {
    const double t0 = threadMs();
    c.headless().queueFile(path);
    (c.*f.save)();
    const double t1 = threadMs();
    c.headless().queueFile(path);
    (c.*f.open)();
    const double t2 = threadMs();
    g_ms.add(kind + " " + f.saveName, t1 - t0);
    g_ms.add(kind + " " + f.openName, t2 - t1);
    g_ms.add(kind + " round trip", t2 - t0);
  }
}

// The bytes the control saves, written, read back and split by plain C++.
void baseline(benchmark::State& state, const Format& f) {
  Control& c = fullTable();
  const std::string kind = f.kind;
  const std::string path = (benchDir() / ("t." + kind)).string();
  c.headless().queueFile(path);
  (c.*f.save)();
  const std::string bytes = tablique::files::readWholeFile(path);
  const std::string copy = (benchDir() / ("plain." + kind)).string();
  timed(state, kind + " baseline", [&] {
    auto cells = writeReadSplit(copy, bytes, f.separator);
    benchmark::DoNotOptimize(cells.data());
  });
}

void BM_TbqRoundTrip(benchmark::State& state) { roundTrip(state, kTbq); }
void BM_TbqBaseline(benchmark::State& state) { baseline(state, kTbq); }
void BM_TxtRoundTrip(benchmark::State& state) { roundTrip(state, kTxt); }
void BM_TxtBaseline(benchmark::State& state) { baseline(state, kTxt); }

// The workbook beside the text table of the same cells.
void BM_XlsxVsXls(benchmark::State& state) {
  Control& c = fullTable();
  const std::string xls = (benchDir() / "t.xls").string(), xlsx = (benchDir() / "t.xlsx").string();
  using Clock = std::chrono::steady_clock;
  const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };
  for (auto _ : state) {
    const double t0 = threadMs();
    const auto w0 = Clock::now();
    c.headless().queueFile(xls);
    c.savexls();
    const double t1 = threadMs();
    const auto w1 = Clock::now();
    c.headless().queueFile(xlsx);
    c.savexlsx();
    const double t2 = threadMs();
    const auto w2 = Clock::now();
    g_ms.add("xls save", t1 - t0);
    g_ms.add("xlsx save", t2 - t1);
    g_ms.add("xls save wall", ms(w1 - w0));  // the disk's flush included
    g_ms.add("xlsx save wall", ms(w2 - w1));
  }
}

}  // namespace

BENCHMARK(BM_TbqBaseline)->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TbqRoundTrip)->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TxtBaseline)->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TxtRoundTrip)->Iterations(7)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_XlsxVsXls)->Iterations(5)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  g_ms.printMedians("\nmedians of thread CPU time (ms):\n", 16, 2);
  std::printf("ratios (limit 3): tbq round trip / baseline = %.2f, txt round trip / baseline = %.2f\n",
              g_ms.ratio("tbq round trip", "tbq baseline"), g_ms.ratio("txt round trip", "txt baseline"));
  std::printf("xlsx save / xls save = %.2f\n", g_ms.ratio("xlsx save", "xls save"));
  std::error_code ec;
  std::filesystem::remove_all(benchDir(), ec);
  return 0;
}
