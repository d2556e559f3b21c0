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

namespace {

// A sum in extended precision with Neumaier's compensation.
class PreciseSum {
public:
  void add(long double v) {
    const long double t = sum_ + v;
    carry_ += std::fabs(sum_) >= std::fabs(v) ? (sum_ - t) + v : (v - t) + sum_;
    sum_ = t;
  }
  long double value() const { return sum_ + carry_; }

private:
  long double sum_ = 0, carry_ = 0;
};

std::optional<double> defined(long double v) {
  const double d = double(v);
  return std::isfinite(d) ? std::optional<double>(d) : std::nullopt;
}

}  // namespace

// The definitions of the table, computed so that they keep their digits: deviations are taken
// from a pivot inside the data (offsets cancel exactly), scaled by a power of two so that their
// powers neither overflow nor underflow, and summed with compensation in extended precision.
Statistics statcalc(std::vector<double>& x) {
  Statistics S;
  const size_t count = x.size();
  if (count == 0) return S;
  const long double n = count;

  heapSort(x);
  const double mn = x.front(), mx = x.back();
  const size_t h = count / 2;
  // The midpoint in extended precision (no overflow), rounded once.
  const double median = count % 2 == 1 ? x[h] : double(((long double)x[h - 1] + x[h]) / 2);

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

  // u = (x - pivot) * 2^-e with every |u| below 1.
  const long double pivot = x[h];
  long double widest = 0;
  for (double d : x) widest = std::max(widest, std::fabs(d - pivot));
  int e = 0;
  if (widest > 0) std::frexp(widest, &e);
  std::vector<long double> u(count);
  PreciseSum su;
  for (size_t i = 0; i < count; ++i) {
    // The subtraction's rounding error joins the sum (values at both ends of the range).
    const long double a = x[i], b = -pivot, hi = a + b, bb = hi - a;
    const long double lo = (a - (hi - bb)) + (b - bb);
    u[i] = std::ldexp(hi, -e);
    su.add(u[i]);
    su.add(std::ldexp(lo, -e));
  }
  const long double meanU = su.value() / n;
  // The sum and the mean from the values themselves: where they nearly cancel, n * pivot and the
  // deviations' sum would each carry a rounding error larger than the result.
  PreciseSum total;
  for (double d : x) total.add(d);
  PreciseSum s1, s2, s3, s4;
  for (long double v : u) {
    const long double d = v - meanU, d2 = d * d;
    s1.add(std::fabs(d));
    s2.add(d2);
    s3.add(d2 * d);
    s4.add(d2 * d2);
  }
  const auto unscaled = [e](long double v) { return std::ldexp(v, e); };
  const long double sU = count > 1 ? std::sqrt(s2.value() / (n - 1)) : NAN;
  if (std::isfinite(sU) && sU != 0) {
    const long double z3 = s3.value() / (sU * sU * sU), z4 = s4.value() / (sU * sU * sU * sU);
    if (count >= 4)
      S[6] = defined(n / (n - 1) * (n + 1) / (n - 2) / (n - 3) * z4 - 3 * (n - 1) / (n - 2) * (n - 1) / (n - 3));
    if (count >= 3) S[7] = defined(n * z3 / (n - 1) / (n - 2));
  }

  const long double s = unscaled(sU);
  S[0] = defined(total.value() / n);
  S[1] = defined(s / std::sqrt(n));
  S[2] = median;
  S[3] = mode;
  S[4] = defined(s);
  S[5] = defined(s * s);
  S[8] = defined((long double)mx - mn);
  S[9] = mn;
  S[10] = mx;
  S[11] = defined(total.value());
  S[12] = double(count);
  S[13] = defined(unscaled(s1.value()) / n);
  return S;
}

std::string statisticLine(int i, const std::optional<double>& value) {
  std::string line = kStatLabels[size_t(i)];
  line += value ? script::numberText(*value) : std::string(kNotAvailable);
  return line;
}

}  // namespace tablique::analysis
