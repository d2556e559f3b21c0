#include "formula/result.h"

#include <cmath>
#include <cstdlib>

namespace tablique::formula {

namespace {

constexpr uint64_t kPow5[16] = {1ull,          5ull,          25ull,          125ull,
                                625ull,        3125ull,       15625ull,       78125ull,
                                390625ull,     1953125ull,    9765625ull,     48828125ull,
                                244140625ull,  1220703125ull, 6103515625ull,  30517578125ull};
constexpr double kPow10[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// The double nearest to q / 10^k.
double decimalToDouble(unsigned __int128 q, int k) {
  if (q < (unsigned __int128)1 << 53) return double(uint64_t(q)) / kPow10[k];
  char buf[64];
  char* p = buf + sizeof buf;
  *--p = '\0';
  p -= 4;
  p[0] = 'e';
  p[1] = '-';
  p[2] = char('0' + k / 10);
  p[3] = char('0' + k % 10);
  do {
    *--p = char('0' + int(q % 10));
    q /= 10;
  } while (q != 0);
  return std::strtod(p, nullptr);
}

}  // namespace

double roundDecimal(double x, int k) {
  if (!std::isfinite(x) || x == 0.0 || k < 0 || k > 15) return x;
  const bool negative = x < 0;
  int e2;
  const double m = std::frexp(std::fabs(x), &e2);  // |x| = m * 2^e2, m in [0.5, 1)
  const uint64_t mant = uint64_t(std::ldexp(m, 53));
  const int shift = 53 - e2 - k;  // |x| * 10^k = mant * 5^k / 2^shift
  if (shift <= 0) return x;      // already an integer number of 10^-k
  const unsigned __int128 n = (unsigned __int128)mant * kPow5[k];
  unsigned __int128 q;
  if (shift >= 127) {
    q = 0;  // n < 2^89: far below one half
  } else {
    q = n >> shift;
    const unsigned __int128 rem = n - (q << shift);
    const unsigned __int128 half = (unsigned __int128)1 << (shift - 1);
    if (rem > half || (rem == half && (q & 1))) ++q;
  }
  const double r = decimalToDouble(q, k);
  return negative ? -r : r;
}

std::string cleanNumberText(std::string text) {
  double d;
  if (!script::parseNumber(text, d)) return text;
  if (!(d > 0.0009)) return text;
  const double r10 = roundDecimal(d, 10);
  if (d > 0.9) {
    const double r2 = roundDecimal(d, 2);
    if (r10 == r2) return script::numberText(r2);
  }
  if (r10 == roundDecimal(d, 12)) return script::numberText(roundDecimal(d, 11));
  return text;
}

std::string resultText(const script::Value& v) { return cleanNumberText(v.toString()); }

}  // namespace tablique::formula

#include <tablique/grid.h>

namespace tablique::formula {

bool evaluateInto(script::Engine& engine, Grid& grid, std::string_view expression, int32_t r,
                  int32_t c) {
  std::string text;
  try {
    text = resultText(engine.Eval(expression));
  } catch (const std::exception&) {  // ScriptError, or an engine limit
    return false;
  }
  grid.setTextMatrix(r, c, text);
  return true;
}

}  // namespace tablique::formula
