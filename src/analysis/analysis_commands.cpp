// psort (ascending, descending, rank) and statis on the anchor column's run of numbers.
//
// The run is rows 1..n of column cc0, n + 1 being the first empty cell (or every row). A cell of
// the run that is not a number ends the command before anything is written.
#include <tablique/control.h>

#include <cmath>

#include "analysis/analysis.h"

namespace tablique {

namespace {

enum class SortMode { None, Ascending, Descending, Rank };

// Mode of psort's argument: numeric 0 (Empty, a missing argument, the text "0") ascending;
// numeric -1 (True) descending; a text "C"k or "c"k rank into column k; anything else nothing.
SortMode sortMode(const script::Value& p, std::string& rankColumn) {
  double d = 0;
  bool numeric = false;
  switch (p.type()) {
    case script::Type::Null:
    case script::Type::Object:
    case script::Type::Array:
      return SortMode::None;
    case script::Type::String:
      numeric = script::parseNumber(p.str(), d);
      break;
    default:
      d = p.toDouble();
      numeric = true;
      break;
  }
  if (numeric) {
    if (d == 0) return SortMode::Ascending;
    if (d == -1) return SortMode::Descending;
    return SortMode::None;
  }
  const std::string& text = p.str();
  if (text.empty() || (text[0] != 'C' && text[0] != 'c')) return SortMode::None;
  rankColumn = text.substr(1);
  return SortMode::Rank;
}

}  // namespace

void Control::hsort(std::vector<double>& v) { analysis::heapSort(v); }

void Control::psort(const script::Value& p) try {
  const StepScope scope(*this);
  endEdit();
  std::string rankText;
  const SortMode mode = sortMode(p, rankText);
  if (mode == SortMode::None) return;
  int32_t k = 0;
  if (mode == SortMode::Rank) {
    double d = 0;
    if (!script::parseNumber(rankText, d)) return;
    d = std::nearbyint(d);  // halves to even
    if (d < 1 || d > grid_.Cols() - 1) return;
    k = int32_t(d);
  }
  const int32_t c = st_.cc0;
  if (c < 1 || c > grid_.Cols() - 1) return;
  std::optional<std::vector<double>> values = analysis::readColumnRun(grid_, c);
  if (!values || values->size() < 2) return;
  const auto n = int32_t(values->size());

  if (mode == SortMode::Rank) {
    std::vector<double> sorted = *values;
    hsort(sorted);
    const std::vector<int32_t> ranks = analysis::descendingRanks(*values, sorted);
    for (int32_t i = 1; i <= n; ++i) grid_.setTextAt(i, k, std::to_string(ranks[size_t(i - 1)]));
    hideEditorOffItsCell();
    return;
  }
  std::vector<double>& v = *values;
  hsort(v);
  for (int32_t i = 1; i <= n; ++i) {
    const double value = mode == SortMode::Ascending ? v[size_t(i - 1)] : v[size_t(n - i)];
    grid_.setTextAt(i, c, script::numberText(value));
  }
  hideEditorOffItsCell();
} catch (...) {
  rethrowAsError();
}

// Fourteen lines "label value" into rows 1..14 of column col; short columns get rows first.
void Control::statis(int32_t col) try {
  const StepScope scope(*this);
  endEdit();
  const int32_t c = st_.cc0;
  if (c < 1 || c > grid_.Cols() - 1) return;
  std::optional<std::vector<double>> values = analysis::readColumnRun(grid_, c);
  if (!values || values->size() < 3) return;
  const auto n = int32_t(values->size());
  const analysis::Statistics S = analysis::statcalc(*values);
  if (n < 14) addrow(15 - n);
  if (col < 1 || col > grid_.Cols() - 1) return;
  for (int i = 0; i < analysis::kStatCount; ++i) {
    if (i + 1 > grid_.Rows() - 1) return;
    grid_.setTextAt(i + 1, col, analysis::statisticLine(i, S[size_t(i)]));
  }
  hideEditorOffItsCell();
} catch (...) {
  rethrowAsError();
}

}  // namespace tablique
