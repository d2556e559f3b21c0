// Sorting, ranking and statistics of one column, against std::sort of the same numbers.
//
//   BM_Rank/<n>       psort("C2") on n values in column 1 (read, sort, rank by binary search,
//                     write n ranks)
//   BM_SortAsc/<n>    psort(0) on the same column (read, sort, write back)
//   BM_StdSort/<n>    std::sort of n doubles copied from the same values (plain C++)
//   BM_Statis/49000   statis(2) on 49000 values
//
// After the run the medians of the thread's CPU time are printed, with the growth of the rank
// mode from 10000 to 40000 values: n log n predicts 4.6, n squared 16.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
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

std::vector<std::string> valueTexts(int32_t n) {
  std::mt19937 rng{uint32_t(n)};
  std::vector<std::string> out;
  out.reserve(size_t(n));
  for (int32_t i = 0; i < n; ++i) out.push_back(std::to_string(rng() % 100000) + "." + std::to_string(rng() % 1000));
  return out;
}

// A control of n rows whose column 1 holds n numbers; (1, 1) is the anchor of the selection.
std::unique_ptr<Control> columnOf(int32_t n) {
  auto c = std::make_unique<Control>();
  c->rowcol(n, 3);
  const auto texts = valueTexts(n);
  for (int32_t i = 0; i < n; ++i) c->settext(i + 1, 1, texts[size_t(i)]);
  return c;
}

void BM_Rank(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  auto c = columnOf(n);
  timed(state, "rank " + std::to_string(n), [&] { c->psort("C2"); });
  if (c->gettext(1, 2).empty()) state.SkipWithError("no ranks written");
}

void BM_SortAsc(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  auto c = columnOf(n);
  timed(state, "sort " + std::to_string(n), [&] { c->psort(0); });
}

void BM_StdSort(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  std::vector<double> values;
  for (const auto& t : valueTexts(n)) values.push_back(std::stod(t));
  timed(state, "std::sort " + std::to_string(n), [&] {
    std::vector<double> v = values;
    std::sort(v.begin(), v.end());
    benchmark::DoNotOptimize(v.data());
  });
}

void BM_Statis(benchmark::State& state) {
  const auto n = int32_t(state.range(0));
  auto c = columnOf(n);
  timed(state, "statis " + std::to_string(n), [&] { c->statis(2); });
  if (c->gettext(13, 2) != "观测数=" + std::to_string(n)) state.SkipWithError("wrong count");
}

}  // namespace

BENCHMARK(BM_Rank)->Arg(10000)->Arg(20000)->Arg(40000)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortAsc)->Arg(10000)->Arg(40000)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSort)->Arg(10000)->Arg(40000)->Iterations(15)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Statis)->Arg(49000)->Iterations(15)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  runBenchmarks(argc, argv);
  g_ms.printMedians("\nmedians of thread CPU time (ms):\n", 18, 3);
  const double r10 = g_ms.median("rank 10000"), r40 = g_ms.median("rank 40000");
  if (r10 > 0)
    std::printf("rank growth 10000 -> 40000: x%.2f (n log n: x%.2f, n^2: x16)\n", r40 / r10,
                40000 * std::log2(40000.0) / (10000 * std::log2(10000.0)));
  return 0;
}
