// What the benchmark programs share: this thread's CPU time (the machine is shared, so wall time
// says more about the neighbours), per-case samples with their medians, and the run itself.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace tablique::bench {

// The largest table of 49 data columns the cell budget allows: 6998 x 49 data cells
// (6999 x 50 with the headers).
constexpr int32_t kFullRows = 6998, kFullCols = 49;

inline double median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// CPU time of this thread in milliseconds.
inline double threadMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

// Samples per case, in the order of the case names.
class Samples {
public:
  void add(const std::string& name, double value) { data_[name].push_back(value); }
  const std::vector<double>& of(const std::string& name) { return data_[name]; }
  double median(const std::string& name) const {
    const auto it = data_.find(name);
    return it == data_.end() ? 0 : bench::median(it->second);
  }
  // median(a) / median(b); 0 while b has no time.
  double ratio(const std::string& a, const std::string& b) const {
    const double den = median(b);
    return den > 0 ? median(a) / den : 0.0;
  }
  // One line per case: its name left-aligned in nameWidth, its median with the decimals.
  void printMedians(const char* heading, int nameWidth, int decimals) const {
    std::printf("%s", heading);
    for (const auto& [name, v] : data_)
      std::printf("  %-*s %8.*f\n", nameWidth, name.c_str(), decimals, bench::median(v));
  }

private:
  std::map<std::string, std::vector<double>> data_;
};

// Milliseconds of this thread's CPU time per iteration, per case.
inline Samples g_ms;

// Runs f once per iteration and records its CPU time in milliseconds times `scale` (1e6 / cells
// gives nanoseconds per cell) under name.
template <typename F>
void timed(benchmark::State& state, const std::string& name, F f, Samples& into = g_ms, double scale = 1.0) {
  for (auto _ : state) {
    const double t0 = threadMs();
    f();
    into.add(name, (threadMs() - t0) * scale);
  }
}

// Runs the benchmarks named on the command line; the caller prints its summary afterwards.
inline void runBenchmarks(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}

}  // namespace tablique::bench
