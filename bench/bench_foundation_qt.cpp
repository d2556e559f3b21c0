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
#include <sys/wait.h>
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

// Bytes per cell from the growth of the resident size while `fill` builds a table, measured in
// a child process, so that memory freed by earlier cases cannot be reused and hide the cost.
template <typename Fill>
double residentBytesPerCell(Fill fill) {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    const double before = residentBytes();
    const double cells = fill();
    const double perCell = (residentBytes() - before) / cells;
    if (write(fds[1], &perCell, sizeof perCell) != sizeof perCell) _exit(1);
    _exit(0);
  }
  close(fds[1]);
  double perCell = -1;
  if (read(fds[0], &perCell, sizeof perCell) != sizeof perCell) perCell = -1;
  close(fds[0]);
  waitpid(child, nullptr, 0);
  return perCell;
}

// Memory of the full table with short texts.
void BM_MemoryPerCell(benchmark::State& state) {
  for (auto _ : state) {
    state.counters["bytes_per_cell"] = residentBytesPerCell([] {
      auto* control = new tablique::Control;  // left to the child's exit
      control->rowcol(kRows - 1, kCols - 1);  // 6999 x 50 cells in the grid, headers included
      for (int r = 1; r < kRows; ++r)
        for (int c = 1; c < kCols; ++c) control->settext(r, c, shortNumber(r, c));
      return double(kRows) * kCols;
    });
  }
}
BENCHMARK(BM_MemoryPerCell)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

void BM_QStandardItemModelMemoryPerCell(benchmark::State& state) {
  for (auto _ : state) {
    state.counters["bytes_per_cell"] = residentBytesPerCell([] {
      auto* model = new QStandardItemModel(kRows, kCols);
      for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
          model->setItem(r, c, new QStandardItem(QString::fromStdString(shortNumber(r, c))));
      return double(kRows) * kCols;
    });
  }
}
BENCHMARK(BM_QStandardItemModelMemoryPerCell)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
