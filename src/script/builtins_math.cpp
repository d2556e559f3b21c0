// Math built-ins: Abs Atn Cos Exp Fix Int Log Rnd Round Sgn Sin Sqr Tan (and RGB).
#include <cfloat>
#include <cmath>

#include "script/builtins.h"

namespace tablique::script {

namespace {
// Abs, Fix and Int keep the subtype of their argument; strings become Double.
Value keepType(const Value& v, double (*f)(double)) {
  switch (v.type()) {
    case Type::Null: return v;
    case Type::Empty: return Value::integer(0);
    case Type::Boolean: return fitIntegral(int64_t(f(double(v.integral()))), Type::Integer);
    case Type::Byte: return v;
    case Type::Integer: return fitIntegral(int64_t(f(double(v.integral()))), Type::Integer);
    case Type::Long: {
      double r = f(double(v.integral()));
      if (r > INT32_MAX) raise(err::Overflow);
      return Value::longValue(int32_t(r));
    }
    case Type::Single: return Value::single(float(f(v.real())));
    case Type::Double: return Value(f(v.real()));
    case Type::Currency: return Value::currency(int64_t(f(double(v.integral()) / 10000.0) * 10000.0));
    case Type::Date: return Value::date(f(v.real()));
    default: return Value(f(num(v)));
  }
}

// Currency (ten-thousandths) rounded to `digits` decimals, ties to even, exactly.
int64_t roundCurrency(int64_t c, int32_t digits) {
  if (digits >= 4) return c;
  const int64_t unit = digits == 0 ? 10000 : digits == 1 ? 1000 : digits == 2 ? 100 : 10;
  int64_t q = c / unit;
  const int64_t twice = 2 * (c % unit < 0 ? -(c % unit) : c % unit);
  if (twice > unit || (twice == unit && (q & 1))) q += c < 0 ? -1 : 1;
  int64_t r;
  if (__builtin_mul_overflow(q, unit, &r)) raise(err::Overflow);
  return r;
}

double real(const Value& v) {
  if (v.isNull()) raise(err::InvalidUseOfNull);
  return num(v);
}
}  // namespace

TQ_BUILTIN(fnAbs) {
  if (a[0].type() == Type::Currency) {
    if (a[0].integral() == INT64_MIN) raise(err::Overflow);
    return Value::currency(std::llabs(a[0].integral()));
  }
  return keepType(a[0], [](double d) { return std::fabs(d); });
}
TQ_BUILTIN(fnFix) {
  if (a[0].type() == Type::Currency) return Value::currency(a[0].integral() / 10000 * 10000);
  return keepType(a[0], [](double d) { return std::trunc(d); });
}
TQ_BUILTIN(fnInt) {
  if (a[0].type() == Type::Currency) {
    int64_t c = a[0].integral(), q = c / 10000;
    if (c < 0 && c % 10000) --q;
    if (q < INT64_MIN / 10000) raise(err::Overflow);  // below the least Currency
    return Value::currency(q * 10000);
  }
  return keepType(a[0], [](double d) { return std::floor(d); });
}

TQ_BUILTIN(fnAtn) { return Value(std::atan(real(a[0]))); }
TQ_BUILTIN(fnCos) { return Value(std::cos(real(a[0]))); }
TQ_BUILTIN(fnSin) { return Value(std::sin(real(a[0]))); }
TQ_BUILTIN(fnTan) { return Value(std::tan(real(a[0]))); }
TQ_BUILTIN(fnExp) { return checkedDouble(std::exp(real(a[0]))); }
TQ_BUILTIN(fnLog) {
  double x = real(a[0]);
  if (!(x > 0)) raise(err::InvalidCall);
  return Value(std::log(x));
}
TQ_BUILTIN(fnSqr) {
  double x = real(a[0]);
  if (x < 0) raise(err::InvalidCall);
  return Value(std::sqrt(x));
}
TQ_BUILTIN(fnSgn) {
  double x = real(a[0]);
  return Value::integer(int16_t(x > 0 ? 1 : x < 0 ? -1 : 0));
}

TQ_BUILTIN(fnRnd) { return Value::single(in.nextRandom(has(a, n, 0) ? &a[0] : nullptr)); }

// Round(x [, decimals]): ties to even, the subtype of x kept (strings become Double).
TQ_BUILTIN(fnRound) {
  const Value& v = a[0];
  if (v.isNull()) return v;
  int32_t digits = has(a, n, 1) ? lng(a[1]) : 0;
  if (digits < 0) raise(err::InvalidCall);
  auto round = [digits](double x) {
    if (digits > 22) return x;
    double p = std::pow(10.0, digits);
    double scaled = x * p;
    if (!std::isfinite(scaled)) return x;
    return std::nearbyint(scaled) / p;
  };
  switch (v.type()) {
    case Type::Empty: return Value::integer(0);
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long: return v;
    case Type::Single: return Value::single(float(round(v.real())));
    case Type::Currency: return Value::currency(roundCurrency(v.integral(), digits));
    case Type::Date: return Value::date(round(v.real()));
    default: return Value(round(num(v)));
  }
}

TQ_BUILTIN(fnRGB) {
  auto part = [](const Value& v) {
    int32_t c = lng(v);
    if (c < 0) raise(err::InvalidCall);
    return c > 255 ? 255 : c;
  };
  return Value::longValue(part(a[0]) + part(a[1]) * 256 + part(a[2]) * 65536);
}

}  // namespace tablique::script
