// Foundation figures: start-up, rowcol(6998, 49), settext of every cell, and the memory of the
// full table, each next to the Qt item-view baseline measured in the same run
// (QTableWidget filled with the same number of cells; QStandardItemModel's bytes per cell).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QStandardItemModel>
#include <QTableWidget>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>

#include <tablique/control.h>

namespace {

constexpr int kRows = 6999, kCols = 50;  // 349950 cells, the largest table

// Resident set size in bytes, from /proc/self/statm.
double residentBytes() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return double(resident) * double(sysconf(_SC_PAGESIZE));
}

std::string shortNumber(int r, int c) { return std::to_string((r * 31 + c * 7) % 1000) + ".45"; }

void BM_StartUp(benchmark::State& state) {
  for (auto _ : state) {
    tablique::Control control;
    benchmark::DoNotOptimize(control.grid().Rows());
  }
}
BENCHMARK(BM_StartUp)->Unit(benchmark::kMillisecond);

void BM_RowcolLargest(benchmark::State& state) {
  tablique::Control control;
  for (auto _ : state) {
    control.rowcol(kRows - 1, kCols - 1);
    state.PauseTiming();
    control.rowcol(500, 50);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RowcolLargest)->Unit(benchmark::kMillisecond);

void BM_SettextEveryCell(benchmark::State& state) {
  tablique::Control control;
  control.rowcol(kRows - 1, kCols - 1);
  std::vector<std::string> texts;
  for (int c = 1; c < kCols; ++c) texts.push_back(shortNumber(1, c));
  for (auto _ : state)
    for (int r = 1; r < kRows; ++r)
      for (int c = 1; c < kCols; ++c) control.settext(r, c, texts[size_t(c - 1)]);
  state.counters["cells"] = double(kRows - 1) * (kCols - 1);
}
BENCHMARK(BM_SettextEveryCell)->Unit(benchmark::kMillisecond);

// Baseline: QTableWidget filled with the same number of cells.
void BM_QTableWidgetFill(benchmark::State& state) {
  for (auto _ : state) {
    QTableWidget table(kRows, kCols);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c)
        table.setItem(r, c, new QTableWidgetItem(QString::fromStdString(shortNumber(r, c))));
    benchmark::DoNotOptimize(table.rowCount());
  }
}
BENCHMARK(BM_QTableWidgetFill)->Unit(benchmark::kMillisecond)->Iterations(3);

// Memory of the full table with short texts, bytes per cell from the resident size.
void BM_MemoryPerCell(benchmark::State& state) {
  for (auto _ : state) {
    const double before = residentBytes();
    auto control = std::make_unique<tablique::Control>();
    control->rowcol(kRows - 1, kCols - 1);  // 6999 x 50 cells in the grid, headers included
    for (int r = 1; r < kRows; ++r)
      for (int c = 1; c < kCols; ++c) control->settext(r, c, shortNumber(r, c));
    const double after = residentBytes();
    state.counters["bytes_per_cell"] = (after - before) / (double(kRows) * kCols);
    benchmark::DoNotOptimize(control->grid().Rows());
  }
}
BENCHMARK(BM_MemoryPerCell)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_QStandardItemModelMemoryPerCell(benchmark::State& state) {
  for (auto _ : state) {
    const double before = residentBytes();
    auto model = std::make_unique<QStandardItemModel>(kRows, kCols);
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kCols; ++c)
        model->setItem(r, c, new QStandardItem(QString::fromStdString(shortNumber(r, c))));
    const double after = residentBytes();
    state.counters["bytes_per_cell"] = (after - before) / (double(kRows) * kCols);
    benchmark::DoNotOptimize(model->rowCount());
  }
}
BENCHMARK(BM_QStandardItemModelMemoryPerCell)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
