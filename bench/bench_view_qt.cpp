// Repaint of the grid view against QTableView over a QStandardItemModel holding the same texts,
// in the same run: a full repaint of a 1000 x 800 viewport of the 6999 x 50 table, and a
// repaint after scrolling down one page. Also the cost of a bulk change with the widget
// attached (the view only marks itself dirty per change) next to the headless control.
// The ratios ours / QTableView are printed at the end.
#include <benchmark/benchmark.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include <tablique/widget.h>

namespace {

constexpr int kRows = 6999, kCols = 50;  // grid rows and columns, headers included
const QSize kViewport(1000, 800);

std::string shortNumber(int r, int c) { return std::to_string((r * 31 + c * 7) % 1000) + ".45"; }

void settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// Our widget with the full table, its grid view exactly kViewport in size.
struct Ours {
  tablique::Widget widget;
  QImage image{kViewport, QImage::Format_ARGB32_Premultiplied};
  Ours() {
    tablique::Control& c = widget.control();
    c.rowcol(kRows - 1, kCols - 1);
    for (int r = 1; r < kRows; ++r)
      for (int col = 1; col < kCols; ++col) c.settext(r, col, shortNumber(r, col));
    widget.resize(kViewport);
    widget.show();
    settle();
    // The grid sits 5 twips inside the control: grow the control until the view has the size.
    const QSize missing = kViewport - widget.gridView()->size();
    widget.resize(widget.size() + missing);
    settle();
  }
  QAbstractScrollArea* view() { return widget.gridView(); }
};

struct Theirs {
  QStandardItemModel model{kRows - 1, kCols - 1};
  QTableView view;
  QImage image{kViewport, QImage::Format_ARGB32_Premultiplied};
  Theirs() {
    for (int r = 0; r < kRows - 1; ++r)
      for (int c = 0; c < kCols - 1; ++c)
        model.setItem(r, c, new QStandardItem(QString::fromStdString(shortNumber(r + 1, c + 1))));
    view.setModel(&model);
    view.setFont(tablique::Widget().font());
    const int rowPx = qRound(285 * view.logicalDpiY() / 1440.0), colPx = qRound(1140 * view.logicalDpiX() / 1440.0);
    view.verticalHeader()->setDefaultSectionSize(rowPx);
    view.verticalHeader()->setMinimumSectionSize(1);
    view.horizontalHeader()->setDefaultSectionSize(colPx);
    view.resize(kViewport);
    view.show();
    settle();
  }
};

Ours* ours() {
  static Ours* o = new Ours;
  return o;
}
Theirs* theirs() {
  static Theirs* t = new Theirs;
  return t;
}

void BM_RepaintFull_Ours(benchmark::State& state) {
  Ours& o = *ours();
  o.view()->verticalScrollBar()->setValue(0);
  settle();
  for (auto _ : state) {
    o.view()->render(&o.image);
    benchmark::DoNotOptimize(o.image.constBits());
  }
}
BENCHMARK(BM_RepaintFull_Ours)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_RepaintFull_QTableView(benchmark::State& state) {
  Theirs& t = *theirs();
  t.view.verticalScrollBar()->setValue(0);
  settle();
  for (auto _ : state) {
    t.view.render(&t.image);
    benchmark::DoNotOptimize(t.image.constBits());
  }
}
BENCHMARK(BM_RepaintFull_QTableView)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Scroll down one page as the scroll bar does, then repaint the viewport.
void BM_ScrollPage_Ours(benchmark::State& state) {
  Ours& o = *ours();
  QScrollBar* bar = o.view()->verticalScrollBar();
  bar->setValue(0);
  settle();
  for (auto _ : state) {
    bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
    o.view()->render(&o.image);
    benchmark::DoNotOptimize(o.image.constBits());
  }
}
BENCHMARK(BM_ScrollPage_Ours)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_ScrollPage_QTableView(benchmark::State& state) {
  Theirs& t = *theirs();
  QScrollBar* bar = t.view.verticalScrollBar();
  bar->setValue(0);
  settle();
  for (auto _ : state) {
    bar->setValue(bar->value() + bar->pageStep() > bar->maximum() ? 0 : bar->value() + bar->pageStep());
    t.view.render(&t.image);
    benchmark::DoNotOptimize(t.image.constBits());
  }
}
BENCHMARK(BM_ScrollPage_QTableView)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// settext of every cell of the largest table, with the widget attached and without.
void settextEveryCell(tablique::Control& c, benchmark::State& state) {
  for (auto _ : state) {
    for (int r = 1; r < kRows; ++r)
      for (int col = 1; col < kCols; ++col) c.settext(r, col, (r + col) % 2 ? "1.5" : "2.5");
    state.PauseTiming();
    settle();
    c.rowcol(kRows - 1, kCols - 1);
    state.ResumeTiming();
  }
}

void BM_SettextEveryCell_Widget(benchmark::State& state) {
  tablique::Widget widget;
  widget.control().rowcol(kRows - 1, kCols - 1);
  widget.resize(kViewport);
  widget.show();
  settle();
  settextEveryCell(widget.control(), state);
}
BENCHMARK(BM_SettextEveryCell_Widget)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_SettextEveryCell_Headless(benchmark::State& state) {
  tablique::Control c;
  c.rowcol(kRows - 1, kCols - 1);
  settextEveryCell(c, state);
}
BENCHMARK(BM_SettextEveryCell_Headless)->Unit(benchmark::kMillisecond)->Iterations(5);

// Remembers each benchmark's time (the median when repetitions are aggregated).
class RatioReporter : public benchmark::ConsoleReporter {
public:
  std::map<std::string, double> times, cpuTimes;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      std::string name = run.benchmark_name();
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      if (auto slash = name.find('/'); slash != std::string::npos) name.resize(slash);
      if (auto median = name.rfind("_median"); median != std::string::npos) name.resize(median);
      times[name] = run.GetAdjustedRealTime();
      cpuTimes[name] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void ratio(const char* what, const std::string& a, const std::string& b) const {
    auto ia = times.find(a), ib = times.find(b);
    if (ia == times.end() || ib == times.end() || ib->second <= 0) return;
    // Wall time and CPU time: on a loaded machine the CPU time is the steadier of the two.
    std::printf("ratio %-24s %s / %s = %.3f (wall), %.3f (cpu)\n", what, a.c_str(), b.c_str(),
                ia->second / ib->second, cpuTimes.at(a) / cpuTimes.at(b));
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.ratio("full repaint", "BM_RepaintFull_Ours", "BM_RepaintFull_QTableView");
  reporter.ratio("scroll a page + repaint", "BM_ScrollPage_Ours", "BM_ScrollPage_QTableView");
  reporter.ratio("settext with widget", "BM_SettextEveryCell_Widget", "BM_SettextEveryCell_Headless");
  benchmark::Shutdown();
  return 0;
}
