#include "formula/result.h"

#include <optional>

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tablique::formula {

namespace {

constexpr uint64_t kPow5[16] = {1ull,          5ull,          25ull,          125ull,
                                625ull,        3125ull,       15625ull,       78125ull,
                                390625ull,     1953125ull,    9765625ull,     48828125ull,
                                244140625ull,  1220703125ull, 6103515625ull,  30517578125ull};
constexpr double kPow10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                               1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr uint64_t kTwo53 = uint64_t(1) << 53;

using u128 = unsigned __int128;

struct Parts {
  uint64_t mant;  // 53-bit significand, implicit bit included
  int exp;        // value = mant * 2^exp
};

// A finite, non-zero, positive double as an integer times a power of two.
Parts split(double x) {
  const uint64_t bits = std::bit_cast<uint64_t>(x);
  const int biased = int((bits >> 52) & 0x7ff);
  const uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
  if (biased == 0) return {frac, -1074};  // subnormal
  return {frac | (uint64_t(1) << 52), biased - 1075};
}

// The double nearest to q / 10^k (ties to even), for q / 10^k below 2^53.
double nearestDouble(u128 q, int k) {
  if (q < kTwo53) return double(uint64_t(q)) / kPow10[k];
  const u128 p = kPow5[k] * (u128(1) << k);  // 10^k
  double x = double(q) / kPow10[k];           // within a few units in the last place
  for (int step = 0; step < 8; ++step) {
    const Parts xp = split(x);
    const int s = 1 - xp.exp;  // q * 2^s compares with the midpoints scaled by 10^k * 2^s
    if (s < 0 || s > 60) break;
    const u128 scaled = q << s;
    const u128 upper = (2 * u128(xp.mant) + 1) * p;
    if (scaled > upper || (scaled == upper && (xp.mant & 1))) {
      x = std::nextafter(x, HUGE_VAL);
      continue;
    }
    const bool powerOfTwo = xp.mant == (uint64_t(1) << 52);
    const u128 lower = powerOfTwo ? (4 * u128(xp.mant) - 1) * p : (2 * u128(xp.mant) - 1) * p;
    const u128 scaledLow = powerOfTwo ? q << (s + 1) : scaled;
    if (scaledLow < lower || (scaledLow == lower && (xp.mant & 1))) {
      x = std::nextafter(x, 0.0);
      continue;
    }
    return x;
  }
  // Not reached for the magnitudes rounded here; the library conversion as a safe answer.
  char buf[64];
  char* end = buf + sizeof buf;
  char* pch = end - 5;
  std::snprintf(pch, 5, "e-%02d", k);
  do {
    *--pch = char('0' + int(q % 10));
    q /= 10;
  } while (q != 0);
  return std::strtod(pch, nullptr);
}

// Reads the text numberText writes ([-]digits[.digits][E(+|-)dd], at most 15 significant
// digits) exactly and quickly; anything else goes to the engine's own coercion.
bool readNumber(std::string_view s, double& out) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  uint64_t mant = 0;
  int digits = 0, scale = 0;
  bool any = false, point = false;
  for (; i < s.size(); ++i) {
    const char ch = s[i];
    if (ch >= '0' && ch <= '9') {
      any = true;
      if (mant != 0 || ch != '0') ++digits;
      mant = mant * 10 + uint64_t(ch - '0');
      if (point) ++scale;
      if (digits > 15) return script::parseNumber(s, out);
    } else if (ch == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!any) return script::parseNumber(s, out);
  if (i < s.size()) {
    if (s[i] != 'E' || i + 4 != s.size() || (s[i + 1] != '+' && s[i + 1] != '-') ||
        s[i + 2] < '0' || s[i + 2] > '9' || s[i + 3] < '0' || s[i + 3] > '9')
      return script::parseNumber(s, out);
    const int e = (s[i + 2] - '0') * 10 + (s[i + 3] - '0');
    scale += s[i + 1] == '-' ? e : -e;
  }
  double v;
  if (scale >= 0 && scale <= 22) {
    v = double(mant) / kPow10[scale];
  } else if (scale < 0 && scale >= -22) {
    v = double(mant) * kPow10[-scale];  // both exact: one correctly rounded product
  } else {
    return script::parseNumber(s, out);
  }
  out = negative ? -v : v;
  return true;
}

// x * 10^k rounded to a whole number, ties to even, for x = p.mant * 2^p.exp with
// p.exp + k < 0 (a fraction is left to round).
u128 roundedUnits(Parts p, int k) {
  const int shift = -(p.exp + k);
  const u128 n = u128(p.mant) * kPow5[k];
  if (shift >= 127) return 0;
  u128 q = n >> shift;
  const u128 rem = n - (q << shift);
  const u128 half = u128(1) << (shift - 1);
  if (rem > half || (rem == half && (q & 1))) ++q;
  return q;
}

// Which value the clean-up writes for d > 0.0009, or nothing when the text stays.
//   d > 0.9 and R(d, 10) = R(d, 2): R(d, 2);  R(d, 10) = R(d, 12): R(d, 11)
std::optional<double> cleanedValue(double d) {
  // Below 2^18 two different decimals of 10 (below 2^12: of 12) places never round to the same
  // double, so the comparisons can be made on the decimals themselves.
  if (d < 4096.0) {
    const Parts p = split(d);
    const u128 q10 = roundedUnits(p, 10);
    if (d > 0.9) {
      const u128 q2 = roundedUnits(p, 2);
      if (q10 == q2 * 100000000u) return nearestDouble(q2, 2);
    }
    if (q10 * 100u == roundedUnits(p, 12)) return nearestDouble(roundedUnits(p, 11), 11);
    return std::nullopt;
  }
  const double r10 = roundDecimal(d, 10);
  if (d > 0.9) {
    const double r2 = roundDecimal(d, 2);
    if (r10 == r2) return r2;
  }
  if (r10 == roundDecimal(d, 12)) return roundDecimal(d, 11);
  return std::nullopt;
}


}  // namespace

double roundDecimal(double x, int k) {
  if (!std::isfinite(x) || x == 0.0 || k < 0 || k > 15) return x;
  const bool negative = x < 0;
  const Parts xp = split(std::fabs(x));
  if (xp.exp + k >= 0) return x;  // |x| * 10^k = mant * 5^k * 2^(exp+k) is already whole
  const double r = nearestDouble(roundedUnits(xp, k), k);
  return negative ? -r : r;
}

// The rule written with the rounded doubles themselves; resultText decides the same on the
// decimals where that is exact (checked against this in the tests).
std::string cleanNumberText(std::string text) {
  double d;
  if (!script::parseNumber(text, d) || !(d > 0.0009)) return text;
  const double r10 = roundDecimal(d, 10);
  if (d > 0.9) {
    const double r2 = roundDecimal(d, 2);
    if (r10 == r2) return script::numberText(r2);
  }
  if (r10 == roundDecimal(d, 12)) return script::numberText(roundDecimal(d, 11));
  return text;
}

namespace {

// The written text of a Double result, in buf.
std::string_view doubleResultText(double value, script::NumberBuffer& buf) {
  const std::string_view text = script::numberText(value, buf);
  // A plain decimal with at most ten decimals is its own R(d, 10): either R(d, 2) is that
  // same value or the second rule rewrites it as R(d, 11), which is again the same text.
  // numberText's exponent form ends in E and a sign with two or three digits.
  const size_t n = text.size();
  const bool exponent = n >= 5 && (text[n - 4] == 'E' || text[n - 5] == 'E');
  if (!exponent) {
    size_t i = n;
    while (i > 0 && text[i - 1] != '.') --i;
    if (i == 0 || n - i <= 10) return text;  // no point, or at most ten decimals
    // More than ten decimals, so |d| < 10^4 and the text is within 1e-12 of the value d it
    // reads as. The first rule needs d within 5e-11 of a multiple of 0.01: decimals 3 to 10 all
    // 0 or all 9. The second needs d within 1.5e-12 of a multiple of 1e-10 (R(d, 12) may be one
    // unit of the 12th decimal from R(d, 10) and still the same double): decimals 11 and 12
    // from 00 to 02 or from 97 to 99. Anything else keeps its text.
    const size_t point = i - 1;
    const std::string_view middle = text.substr(point + 3, 8);
    const bool zeros = middle == "00000000", nines = middle == "99999999";
    const char d11 = text[point + 11], d12 = point + 12 < n ? text[point + 12] : '0';
    const bool near10 = (d11 == '0' && d12 <= '2') || (d11 == '9' && d12 >= '7');
    if (!zeros && !nines && !near10) return text;
  }
  double d;
  if (!readNumber(text, d) || !(d > 0.0009)) return text;
  const std::optional<double> keep = cleanedValue(d);
  if (!keep || *keep == d) return text;  // the same value gives numberText's same text
  return script::numberText(*keep, buf);
}

}  // namespace

std::string resultText(const script::Value& v) {
  if (v.type() == script::Type::Double) {
    script::NumberBuffer buf;
    return std::string(doubleResultText(v.real(), buf));
  }
  return cleanNumberText(v.toString());
}

}  // namespace tablique::formula

#include <tablique/grid.h>

namespace tablique::formula {

bool evaluateInto(script::Engine& engine, Grid& grid, std::string_view expression, int32_t r,
                  int32_t c) {
  script::NumberBuffer buf;
  std::string other;
  std::string_view text;
  try {
    const script::Value v = engine.Eval(expression);
    if (v.type() == script::Type::Double) {
      text = doubleResultText(v.real(), buf);
    } else {
      other = cleanNumberText(v.toString());
      text = other;
    }
  } catch (const std::exception&) {  // ScriptError, or an engine limit
    return false;
  }
  if (r >= 0 && r < grid.Rows() && c >= 0 && c < grid.Cols())
    grid.setTextAt(r, c, text);
  else
    grid.setTextMatrix(r, c, text);  // reports the index
  return true;
}

}  // namespace tablique::formula
