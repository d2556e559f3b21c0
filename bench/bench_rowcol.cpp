// rowcol between the largest tall, wide and start-up shapes, in every order, next to the plain
// cost of allocating and filling a store of the larger shape's cells. Each transition should
// stay within a small multiple of that baseline (the new table is built once, straight to its
// shape).
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <tablique/control.h>

#include "bench_support.h"

namespace {

using Shape = std::pair<int32_t, int32_t>;  // data rows, data columns
const std::pair<const char*, Shape> kShapes[] = {
    {"tall", {174974, 1}}, {"wide", {1, 174974}}, {"start", {500, 50}}};

size_t cellsOf(Shape s) { return size_t(s.first + 1) * size_t(s.second + 1); }

// The baseline: a cell store of n cells allocated the way the grid allocates its store, and
// every cell's alignment written.
struct PlainCell {
  std::string text;
  uint8_t align = 0;
};
void allocateAndFill(size_t n) {
  std::vector<PlainCell, tablique::detail::StoreAllocator<PlainCell>> store(n);
  for (PlainCell& cell : store) cell.align = 1;
  benchmark::DoNotOptimize(store.data());
}

void Transitions(benchmark::State& state) {
  using tablique::bench::g_ms;
  using tablique::bench::threadMs;
  tablique::Control c;
  for (auto _ : state)
    for (const auto& [fromName, from] : kShapes)
      for (const auto& [toName, to] : kShapes) {
        if (fromName == toName) continue;
        c.rowcol(from.first, from.second);
        const std::string name = std::string(fromName) + "->" + toName;
        double t0 = threadMs();
        c.rowcol(to.first, to.second);
        g_ms.add(name, threadMs() - t0);
        t0 = threadMs();
        allocateAndFill(std::max(cellsOf(from), cellsOf(to)));
        g_ms.add(name + " baseline", threadMs() - t0);
      }
}
BENCHMARK(Transitions)->Iterations(9)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  using tablique::bench::g_ms;
  tablique::bench::runBenchmarks(argc, argv);
  g_ms.printMedians("rowcol transitions, median CPU ms:\n", 22, 2);
  std::printf("ratio to allocating and filling the larger store:\n");
  for (const auto& [fromName, from] : kShapes)
    for (const auto& [toName, to] : kShapes) {
      if (fromName == toName) continue;
      const std::string name = std::string(fromName) + "->" + toName;
      std::printf("  %-22s %6.2f\n", name.c_str(), g_ms.ratio(name, name + " baseline"));
    }
}
