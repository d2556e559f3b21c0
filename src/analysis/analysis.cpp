// Heapsort, ranks and the descriptive statistics.
#include "analysis/analysis.h"

#include <algorithm>
#include <cmath>

#include <tablique/grid.h>
#include <tablique/script.h>

namespace tablique::analysis {

const std::array<const char*, kStatCount> kStatLabels = {
    "平均值=", "标准误差=", "中位数=", "众数=",   "标准差=",   "方差=",   "峰度=",
    "偏度=",   "极差=",     "最小值=", "最大值=", "求和=",     "观测数=", "平均误差=",
};

// v(1..n) is a[0..n-1]. l walks down while the heap is built, r shrinks while it is emptied.
void heapSort(std::vector<double>& a) {
  const size_t n = a.size();
  if (n < 2) return;
  auto v = [&a](size_t i) -> double& { return a[i - 1]; };
  size_t l = n / 2 + 1, r = n;
  for (;;) {
    double t;
    if (l > 1) {
      --l;
      t = v(l);
    } else {
      t = v(r);
      v(r) = v(1);
      --r;
      if (r == 1) {
        v(1) = t;
        return;
      }
    }
    size_t i = l, j = 2 * l;
    while (j <= r) {
      if (j < r && v(j) < v(j + 1)) ++j;
      if (t < v(j)) {
        v(i) = v(j);
        i = j;
        j = 2 * j;
      } else {
        break;
      }
    }
    v(i) = t;
  }
}

std::vector<int32_t> descendingRanks(const std::vector<double>& values,
                                     const std::vector<double>& sortedAscending) {
  const auto n = int32_t(sortedAscending.size());
  std::vector<int32_t> ranks;
  ranks.reserve(values.size());
  for (double x : values) {
    // j = the last position (1-based) holding x; rank = n - j + 1.
    const auto j = int32_t(std::upper_bound(sortedAscending.begin(), sortedAscending.end(), x) -
                           sortedAscending.begin());
    ranks.push_back(n - j + 1);
  }
  return ranks;
}

std::optional<std::vector<double>> readColumnRun(const Grid& grid, int32_t c) {
  std::vector<double> values;
  const int32_t rows = grid.Rows();
  for (int32_t i = 1; i < rows; ++i) {
    const std::string& text = grid.textAt(i, c);
    if (text.empty()) break;
    double d = 0;
    if (!script::parseNumber(text, d)) return std::nullopt;
    values.push_back(d);
  }
  return values;
}

Statistics statcalc(std::vector<double>& x) {
  Statistics S;
  const size_t count = x.size();
  if (count == 0) return S;
  const double n = double(count);
  auto defined = [](double d) { return std::isfinite(d) ? std::optional<double>(d) : std::nullopt; };

  double mn = x[0], mx = x[0];
  for (double d : x) {
    if (d > mx) mx = d;
    if (d < mn) mn = d;
  }
  double sum = 0;
  for (double d : x) sum += d;
  const double m = sum / n;
  double absDev = 0;
  for (double d : x) absDev += std::fabs(d - m);
  const double meanAbsDev = absDev / n;

  heapSort(x);
  const size_t h = count / 2;
  const double median = count % 2 == 1 ? x[h] : (x[h] + x[h - 1]) / 2;

  // Mode: the smallest of the most frequent values; none when no value repeats.
  std::optional<double> mode;
  size_t best = 1;
  for (size_t i = 0, k = 1; i + 1 < count; k = i + 1) {
    size_t run = 1;
    while (k < count && x[k] == x[i]) {
      ++run;
      if (run > best) mode = x[i];
      ++k;
    }
    if (run > best) best = run;
    i = k;
  }

  double squares = 0;
  for (double d : x) squares += (d - m) * (d - m);
  const double s = count > 1 ? std::sqrt(squares / (n - 1)) : NAN;
  if (std::isfinite(s) && s != 0) {
    double z3 = 0, z4 = 0;
    for (double d : x) {
      const double z = (d - m) / s;
      z3 += z * z * z;
      z4 += z * z * z * z;
    }
    if (count >= 4)
      S[6] = defined(n / (n - 1) * (n + 1) / (n - 2) / (n - 3) * z4 -
                     3 * (n - 1) / (n - 2) * (n - 1) / (n - 3));
    if (count >= 3) S[7] = defined(n * z3 / (n - 1) / (n - 2));
  }

  S[0] = defined(m);
  S[1] = defined(s / std::sqrt(n));
  S[2] = defined(median);
  S[3] = mode;
  S[4] = defined(s);
  S[5] = defined(s * s);
  S[8] = defined(mx - mn);
  S[9] = defined(mn);
  S[10] = defined(mx);
  S[11] = defined(n * m);
  S[12] = n;
  S[13] = defined(meanAbsDev);
  return S;
}

std::string statisticLine(int i, const std::optional<double>& value) {
  std::string line = kStatLabels[size_t(i)];
  line += value ? script::numberText(*value) : std::string(kNotAvailable);
  return line;
}

}  // namespace tablique::analysis
