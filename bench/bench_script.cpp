// Eval of a fresh expression text (parse plus evaluation) for the five typical shapes of a
// translated formula, over 10,000 distinct texts so that nothing is cached by accident.
// Baselines in the same run: muParser (SetExpr + Eval of a fresh text) and a minimal
// recursive-descent evaluator of plain doubles (the floor). The summary printed at the end
// gives the ratios: engine / muParser (target <= 1/20) and engine / floor (target <= 4).
// Worst/...: the bounded cases, each one Eval that must end within 1 s of CPU and 256 MiB
// (the InStr near miss within 50 ms); the result or error number is printed as its label.
#include <benchmark/benchmark.h>
#include <tablique/script.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "formula/function_library.h"

#ifdef TABLIQUE_HAVE_MUPARSER
#include <muParser.h>
#endif

namespace {

constexpr int kTexts = 10000;

struct Shape {
  const char* name;
  bool numeric;
  std::string (*make)(int i, bool forMuParser);
};

std::string num(int i, const char* frac) { return std::to_string(i) + frac; }

const Shape kShapes[] = {
    {"mul_exp", true, [](int i, bool mu) {
       return "(" + num(i, ".5") + ")*(3)+" + (mu ? "exp" : "Exp") + "(2)";
     }},
    {"neg", true, [](int i, bool) { return std::to_string(i) + "+-3"; }},
    {"div_pow", true, [](int i, bool) { return "(" + std::to_string(i) + ")/(2)+(1.5)^(2)"; }},
    {"sqr", true, [](int i, bool mu) {
       return std::string(mu ? "sqrt" : "Sqr") + "(2)*(" + num(i, ".25") + ")-(1)";
     }},
    {"concat", false, [](int i, bool) { return "\"ab" + std::to_string(i) + "\" & \"cd\""; }},
};

std::vector<std::string> texts(const Shape& s, bool mu) {
  std::vector<std::string> out;
  out.reserve(kTexts);
  for (int i = 0; i < kTexts; ++i) out.push_back(s.make(i + 1, mu));
  return out;
}

// ---- the floor: a minimal recursive-descent evaluator of doubles ----------------------------
class Floor {
public:
  double eval(const std::string& text) {
    p_ = text.c_str();
    return sum();
  }

private:
  void blanks() { while (*p_ == ' ') ++p_; }
  double sum() {
    double v = product();
    for (;;) {
      blanks();
      if (*p_ == '+') { ++p_; v += product(); }
      else if (*p_ == '-') { ++p_; v -= product(); }
      else return v;
    }
  }
  double product() {
    double v = power();
    for (;;) {
      blanks();
      if (*p_ == '*') { ++p_; v *= power(); }
      else if (*p_ == '/') { ++p_; v /= power(); }
      else return v;
    }
  }
  double power() {
    double v = unary();
    while (blanks(), *p_ == '^') { ++p_; v = std::pow(v, unary()); }
    return v;
  }
  double unary() {
    blanks();
    if (*p_ == '-') { ++p_; return -unary(); }
    return primary();
  }
  double primary() {
    blanks();
    if (*p_ == '(') {
      ++p_;
      double v = sum();
      blanks();
      ++p_;  // ')'
      return v;
    }
    if ((*p_ >= 'A' && *p_ <= 'Z') || (*p_ >= 'a' && *p_ <= 'z')) {
      const char* start = p_;
      while ((*p_ >= 'A' && *p_ <= 'Z') || (*p_ >= 'a' && *p_ <= 'z')) ++p_;
      std::string_view name(start, size_t(p_ - start));
      double arg = primary();
      return name == "Exp" ? std::exp(arg) : std::sqrt(arg);
    }
    char* end;
    double v = std::strtod(p_, &end);
    p_ = end;
    return v;
  }
  const char* p_ = nullptr;
};

// ---- benchmarks -----------------------------------------------------------------------------

void BM_Engine(benchmark::State& state, const Shape* shape) {
  std::vector<std::string> t = texts(*shape, false);
  tablique::script::Engine engine;
  engine.AddCode(tablique::formula::functionLibraryText());
  size_t i = 0;
  for (auto _ : state) {
    tablique::script::Value v = engine.Eval(t[i]);
    benchmark::DoNotOptimize(v);
    if (++i == t.size()) i = 0;
  }
}

void BM_Floor(benchmark::State& state, const Shape* shape) {
  std::vector<std::string> t = texts(*shape, false);
  Floor floor;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(floor.eval(t[i]));
    if (++i == t.size()) i = 0;
  }
}

#ifdef TABLIQUE_HAVE_MUPARSER
void BM_MuParser(benchmark::State& state, const Shape* shape) {
  std::vector<std::string> t = texts(*shape, true);
  mu::Parser parser;
  size_t i = 0;
  for (auto _ : state) {
    parser.SetExpr(t[i]);
    benchmark::DoNotOptimize(parser.Eval());
    if (++i == t.size()) i = 0;
  }
}
#endif

// ---- worst cases: searches, work, memory and parsing at their bounds ---------------------------

std::string repeat(int n, const std::string& term, const std::string& op) {
  std::string s = term;
  for (int i = 1; i < n; ++i) s += op + term;
  return s;
}

struct WorstCase {
  const char* name;
  std::string (*make)();
  const char* code = nullptr;  // a program added before the Eval
};

const WorstCase kWorst[] = {
    {"instr_near_miss", [] { return std::string("InStr(Space(2E5) & \"x\", Space(1E5) & \"x\")"); }},
    {"instr_text_8mb", [] { return std::string("InStr(1, Space(8E6) & \"x\", Space(4E6) & \"X\", 1)"); }},
    {"instrrev_near_miss", [] { return std::string("InStrRev(\"x\" & Space(4E6), \"x\" & Space(2E6))"); }},
    {"replace_8mb", [] { return std::string("Len(Replace(Space(8E6), \" \", \"\"))"); }},
    {"split_8mb", [] { return std::string("Split(Space(8E6))"); }},
    {"split_million", [] { return std::string("UBound(Split(Space(999999)))"); }},
    {"arrays_budget", [] { return "UBound(Array(" + repeat(8, "Split(Space(999999))", ",") + "))"; }},
    {"concat_chain", [] { return "Len(Space(4E6)" + repeat(100000, " & \"\"", "") + ")"; }},
    {"ucase_chain", [] { return repeat(200, "Len(UCase(Space(8E6)))", "+"); }},
    {"sum_1mb", [] { return repeat(500000, "1", "+"); }},
    {"sum_10mb", [] { return repeat(5000000, "1", "+"); }},
    {"array_copies", [] { return std::string("CopyEach()"); },
     "Function CopyEach()\n Dim s, x, i\n s = Split(Space(999999))\n"
     " For i = 1 To 1000000: s(0) = \"a\": x = s: Next\nEnd Function\n"},
    {"filter_text_million", [] { return std::string("Filtered()"); },
     "Function Filtered()\n Dim s, x, i\n s = Split(String(999999, \"a\"), \"a\")\n"
     " For i = 1 To 100: x = Filter(s, \"\", True, 1): Next\nEnd Function\n"},
};

void BM_Worst(benchmark::State& state, const WorstCase* w) {
  std::string text = w->make();
  tablique::script::Engine engine;
  if (w->code) engine.AddCode(w->code);
  std::string outcome;
  for (auto _ : state) {
    try {
      tablique::script::Value v = engine.Eval(text);
      outcome = v.isArray() ? "array" : v.toString();
    } catch (const tablique::script::ScriptError& e) {
      outcome = "error " + std::to_string(e.number());
    }
  }
  state.SetLabel(outcome);
}

// Process CPU time: the ratios hold on a machine shared with other work.
double cpuNanos() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}

// Median over rounds of the mean CPU time per text, for the printed ratios.
template <class F>
double medianNanos(F&& evalAll) {
  std::vector<double> rounds;
  for (int r = 0; r < 7; ++r) {
    double t0 = cpuNanos();
    evalAll();
    rounds.push_back((cpuNanos() - t0) / kTexts);
  }
  std::sort(rounds.begin(), rounds.end());
  return rounds[rounds.size() / 2];
}

void printSummary() {
  std::printf("\nFresh-text Eval, median CPU ns per text (%d distinct texts per shape)\n", kTexts);
  std::printf("%-10s %10s %10s %10s %12s %12s\n", "shape", "engine", "floor", "muParser", "eng/floor", "eng/muParser");
  tablique::script::Engine engine;
  engine.AddCode(tablique::formula::functionLibraryText());
  double sumEngine = 0, sumFloor = 0, sumMu = 0;
  for (const Shape& s : kShapes) {
    std::vector<std::string> t = texts(s, false);
    double e = medianNanos([&] {
      for (const auto& x : t) benchmark::DoNotOptimize(engine.Eval(x));
    });
    double f = NAN, m = NAN;
    if (s.numeric) {
      Floor floor;
      f = medianNanos([&] {
        for (const auto& x : t) benchmark::DoNotOptimize(floor.eval(x));
      });
#ifdef TABLIQUE_HAVE_MUPARSER
      std::vector<std::string> tm = texts(s, true);
      mu::Parser parser;
      m = medianNanos([&] {
        for (const auto& x : tm) {
          parser.SetExpr(x);
          benchmark::DoNotOptimize(parser.Eval());
        }
      });
      sumMu += m;
#endif
      sumEngine += e;
      sumFloor += f;
    }
    std::printf("%-10s %10.1f %10.1f %10.1f %12.2f %12.4f\n", s.name, e, f, m, e / f, e / m);
  }
  std::printf("numeric shapes overall: engine/floor %.2f (target <= 4), engine/muParser %.4f (target <= 0.05)\n",
              sumEngine / sumFloor, sumMu > 0 ? sumEngine / sumMu : NAN);
}

}  // namespace

int main(int argc, char** argv) {
  for (const Shape& s : kShapes) {
    benchmark::RegisterBenchmark((std::string("Engine/") + s.name).c_str(), BM_Engine, &s);
    if (!s.numeric) continue;
    benchmark::RegisterBenchmark((std::string("Floor/") + s.name).c_str(), BM_Floor, &s);
#ifdef TABLIQUE_HAVE_MUPARSER
    benchmark::RegisterBenchmark((std::string("MuParser/") + s.name).c_str(), BM_MuParser, &s);
#endif
  }
  for (const WorstCase& w : kWorst)
    benchmark::RegisterBenchmark((std::string("Worst/") + w.name).c_str(), BM_Worst, &w)
        ->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->Iterations(3)->Repetitions(3)
        ->ReportAggregatesOnly(true);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  printSummary();
  return 0;
}
