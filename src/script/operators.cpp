// Operators. Every coercion goes through value_ops.h.
#include "script/operators.h"

#include <cfloat>
#include <cmath>

#include "script/dates.h"
#include "script/text.h"
#include "script/value_ops.h"

namespace tablique::script {

namespace {

// Numeric rank of an operand; the result of + - * is the higher rank.
enum class Rank : uint8_t { Byte, Integer, Long, Single, Double, Currency, Date, Null, String, Bad };

Rank rankOf(const Value& v) {
  switch (v.type()) {
    case Type::Empty: case Type::Boolean: case Type::Integer: return Rank::Integer;
    case Type::Byte: return Rank::Byte;
    case Type::Long: return Rank::Long;
    case Type::Single: return Rank::Single;
    case Type::Double: return Rank::Double;
    case Type::Currency: return Rank::Currency;
    case Type::Date: return Rank::Date;
    case Type::Null: return Rank::Null;
    case Type::String: return Rank::String;
    default: return Rank::Bad;
  }
}

[[noreturn]] void badOperand(const Value& v) {
  raise(v.isObject() ? err::ObjectRequired : err::TypeMismatch);
}

// Operand value for arithmetic (strings parsed: 13 when not numeric).
double operand(const Value& v) { return v.isString() ? toNumber(v) : numericValue(v); }

Type integralType(Rank r) {
  return r == Rank::Byte ? Type::Byte : r == Rank::Integer ? Type::Integer : Type::Long;
}

Value singleOrDouble(double r) {
  if (std::fabs(r) <= FLT_MAX) return Value::single(float(r));
  return checkedDouble(r);
}

// + - * on numbers (strings already known to be numeric text or concatenated).
Value arithmetic(Op op, const Value& a, const Value& b) {
  Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == Rank::Null || rb == Rank::Null) return Value::null();
  if (ra == Rank::Bad) badOperand(a);
  if (rb == Rank::Bad) badOperand(b);
  if (ra == Rank::String) ra = Rank::Double;
  if (rb == Rank::String) rb = Rank::Double;
  if (ra == Rank::Date || rb == Rank::Date) {
    double x = operand(a), y = operand(b);
    if (op == Op::Mul) return checkedDouble(x * y);
    double r = op == Op::Add ? x + y : x - y;
    if (op == Op::Sub && ra == Rank::Date && rb == Rank::Date) return checkedDouble(r);
    if (!std::isfinite(r) || r < kMinDate - 1 || r >= 2958466.0) raise(err::Overflow);
    return Value::date(r);
  }
  Rank r = std::max(ra, rb);
  if ((ra == Rank::Long && rb == Rank::Single) || (ra == Rank::Single && rb == Rank::Long)) r = Rank::Double;
  switch (r) {
    case Rank::Byte: case Rank::Integer: case Rank::Long: {
      int64_t x = a.isEmpty() ? 0 : a.integral(), y = b.isEmpty() ? 0 : b.integral();
      int64_t v = op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y;
      return fitIntegral(v, integralType(r));
    }
    case Rank::Single: {
      double x = operand(a), y = operand(b);
      return singleOrDouble(op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y);
    }
    case Rank::Currency: {
      int64_t x = toCurrencyScaled(a), y = toCurrencyScaled(b), v;
      if (op == Op::Add) {
        if (__builtin_add_overflow(x, y, &v)) raise(err::Overflow);
      } else if (op == Op::Sub) {
        if (__builtin_sub_overflow(x, y, &v)) raise(err::Overflow);
      } else {
        __int128 p = (__int128)x * y;
        __int128 q = p / 10000, rem = p % 10000;
        if (rem < 0) rem = -rem;
        if (rem > 5000 || (rem == 5000 && (q & 1))) q += p < 0 ? -1 : 1;
        if (q > INT64_MAX || q < INT64_MIN) raise(err::Overflow);
        v = int64_t(q);
      }
      return Value::currency(v);
    }
    default: {
      double x = operand(a), y = operand(b);
      return checkedDouble(op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y);
    }
  }
}

Value add(const Value& a, const Value& b) {
  bool sa = a.isString(), sb = b.isString();
  if ((sa && (sb || b.isEmpty())) || (sb && a.isEmpty())) {
    std::string s;
    s.reserve(a.str().size() + b.str().size());
    s += a.str();
    s += b.str();
    return makeString(std::move(s));
  }
  return arithmetic(Op::Add, a, b);
}

Value divide(const Value& a, const Value& b) {
  Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == Rank::Null || rb == Rank::Null) return Value::null();
  if (ra == Rank::Bad) badOperand(a);
  if (rb == Rank::Bad) badOperand(b);
  double x = operand(a), y = operand(b);
  if (y == 0) raise(x == 0 ? err::Overflow : err::DivisionByZero);
  double r = x / y;
  bool single = (ra == Rank::Single || rb == Rank::Single) && ra <= Rank::Single && rb <= Rank::Single &&
                ra != Rank::Long && rb != Rank::Long;
  return single ? singleOrDouble(r) : checkedDouble(r);
}

// \ and Mod: operands rounded to whole numbers (ties to even); Integer when both operands are
// Byte/Integer/Boolean/Empty, Byte when both are Byte, Long otherwise.
Value integerDivide(Op op, const Value& a, const Value& b) {
  Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == Rank::Null || rb == Rank::Null) return Value::null();
  if (ra == Rank::Bad) badOperand(a);
  if (rb == Rank::Bad) badOperand(b);
  int64_t x = toLong(a), y = toLong(b);
  if (y == 0) raise(err::DivisionByZero);
  int64_t r = op == Op::IntDiv ? x / y : x % y;
  Type t = ra <= Rank::Integer && rb <= Rank::Integer ? integralType(std::max(ra, rb)) : Type::Long;
  if (t == Type::Long && (r > INT32_MAX || r < INT32_MIN)) raise(err::Overflow);
  return fitIntegral(r, t);
}

Value power(const Value& a, const Value& b) {
  Rank ra = rankOf(a), rb = rankOf(b);
  if (ra == Rank::Null || rb == Rank::Null) return Value::null();
  if (ra == Rank::Bad) badOperand(a);
  if (rb == Rank::Bad) badOperand(b);
  double x = operand(a), y = operand(b);
  if (x == 0 && y < 0) raise(err::InvalidCall);
  double r = std::pow(x, y);
  if (std::isnan(r)) raise(err::InvalidCall);
  return checkedDouble(r);
}

std::string concatText(const Value& v) {
  if (v.isNull()) return {};
  return v.toString();
}

Value concat(const Value& a, const Value& b) {
  if (a.isNull() && b.isNull()) return Value::null();
  if (a.isString() && b.isString()) {
    checkLength(a.str().size() + b.str().size());
    std::string s;
    s.reserve(a.str().size() + b.str().size());
    s += a.str();
    s += b.str();
    return makeString(std::move(s));
  }
  std::string s = concatText(a);
  std::string t = concatText(b);
  checkLength(s.size() + t.size());
  return makeString(s + t);
}

bool isNumberLike(const Value& v) {
  switch (v.type()) {
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long: case Type::Single:
    case Type::Double: case Type::Currency: case Type::Date:
      return true;
    default:
      return false;
  }
}

Value comparison(Op op, const Value& a, const Value& b, unsigned literalFlags) {
  int c = compareValues(a, b, literalFlags & 1, literalFlags & 2);
  if (c == 2) return Value::null();
  switch (op) {
    case Op::Eq: return Value(c == 0);
    case Op::Ne: return Value(c != 0);
    case Op::Lt: return Value(c < 0);
    case Op::Gt: return Value(c > 0);
    case Op::Le: return Value(c <= 0);
    default: return Value(c >= 0);
  }
}

// Bitwise operand: Boolean and integral subtypes as they are, others rounded to Long.
int64_t bits(const Value& v) {
  switch (v.type()) {
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long: return v.integral();
    case Type::Empty: return 0;
    default: return toLong(v);
  }
}

Type logicalType(const Value& a, const Value& b) {
  auto small = [](const Value& v) {
    Type t = v.type();
    return t == Type::Byte || t == Type::Integer || t == Type::Boolean || t == Type::Empty || t == Type::Null;
  };
  if ((a.type() == Type::Byte || a.isNull()) && (b.type() == Type::Byte || b.isNull()) && !(a.isNull() && b.isNull()))
    return Type::Byte;
  if (small(a) && small(b)) return Type::Integer;
  return Type::Long;
}

Value logicalResult(int64_t r, Type t, bool boolean) {
  if (boolean) return Value(r != 0);
  if (t == Type::Byte) return Value::byte(uint8_t(r & 0xFF));
  if (t == Type::Integer) return Value::integer(int16_t(r));
  return Value::longValue(int32_t(r));
}

Value logical(Op op, const Value& a, const Value& b) {
  if (a.isArray() || a.isObject()) badOperand(a);
  if (b.isArray() || b.isObject()) badOperand(b);
  bool an = a.isNull(), bn = b.isNull();
  bool boolean = (a.type() == Type::Boolean || an) && (b.type() == Type::Boolean || bn);
  Type t = logicalType(a, b);
  if (an || bn) {
    if (an && bn) return Value::null();
    const Value& other = an ? b : a;
    int64_t x = bits(other);
    switch (op) {
      case Op::And: return x == 0 ? logicalResult(0, t, boolean) : Value::null();
      case Op::Or: return x == -1 ? logicalResult(-1, t, boolean) : Value::null();
      case Op::Imp:
        if (an) return x == -1 ? logicalResult(-1, t, boolean) : Value::null();
        return x == 0 ? logicalResult(-1, t, boolean) : Value::null();
      default: return Value::null();
    }
  }
  int64_t x = bits(a), y = bits(b), r;
  switch (op) {
    case Op::And: r = x & y; break;
    case Op::Or: r = x | y; break;
    case Op::Xor: r = x ^ y; break;
    case Op::Eqv: r = ~(x ^ y); break;
    default: r = ~x | y; break;  // Imp
  }
  return logicalResult(r, t, boolean);
}

}  // namespace

int compareText(std::string_view a, std::string_view b, int mode) {
  if (mode == 0) return compareUnits(a, b);
  std::u16string x = foldCase(toUtf16(a)), y = foldCase(toUtf16(b));
  int c = x.compare(y);
  return c < 0 ? -1 : c > 0 ? 1 : 0;
}

// Numbers compare numerically, strings in binary order, Empty as 0 or "". A number (also a
// Boolean or a Date) and a string: a number written in the expression converts the string to a
// number (Type mismatch when it is not numeric); otherwise a string written there converts the
// number to its text; otherwise the number is the lesser.
int compareValues(const Value& a, const Value& b, bool aLiteral, bool bLiteral) {
  if (a.isNull() || b.isNull()) return 2;
  if (a.isArray() || a.isObject()) badOperand(a);
  if (b.isArray() || b.isObject()) badOperand(b);
  bool an = isNumberLike(a), bn = isNumberLike(b);
  if (an && bn) {
    auto real = [](Type t) { return t == Type::Single || t == Type::Double || t == Type::Date; };
    if (!real(a.type()) && !real(b.type())) {  // whole subtypes and Currency: exactly
      const bool currency = a.type() == Type::Currency || b.type() == Type::Currency;
      const int64_t x = a.type() != Type::Currency && currency ? a.integral() * 10000 : a.integral();
      const int64_t y = b.type() != Type::Currency && currency ? b.integral() * 10000 : b.integral();
      return x < y ? -1 : x > y ? 1 : 0;
    }
    const double x = numericValue(a), y = numericValue(b);
    return x < y ? -1 : x > y ? 1 : 0;
  }
  if (a.isEmpty() && b.isEmpty()) return 0;
  if (a.isEmpty()) return bn ? compareValues(Value::integer(0), b, false, false) : compareText("", b.str(), 0);
  if (b.isEmpty()) return an ? compareValues(a, Value::integer(0), false, false) : compareText(a.str(), "", 0);
  if (a.isString() && b.isString()) return compareText(a.str(), b.str(), 0);
  const bool numberFirst = an;
  const Value& number = numberFirst ? a : b;
  const Value& string = numberFirst ? b : a;
  int c = -1;
  if (numberFirst ? aLiteral : bLiteral) {
    const double x = numericValue(number), y = toNumber(string);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else if (numberFirst ? bLiteral : aLiteral) {
    c = compareText(number.toString(), string.str(), 0);
  }
  return numberFirst ? c : -c;
}

Value binaryOp(Op op, const Value& a, const Value& b, unsigned literalFlags) {
  switch (op) {
    case Op::Add: return add(a, b);
    case Op::Sub: case Op::Mul: return arithmetic(op, a, b);
    case Op::Div: return divide(a, b);
    case Op::IntDiv: case Op::Mod: return integerDivide(op, a, b);
    case Op::Pow: return power(a, b);
    case Op::Concat: return concat(a, b);
    case Op::Eq: case Op::Ne: case Op::Lt: case Op::Gt: case Op::Le: case Op::Ge:
      return comparison(op, a, b, literalFlags);
    case Op::Is:
      if (!a.isObject() || !b.isObject()) raise(err::ObjectRequired);
      return Value(true);  // Nothing Is Nothing
    case Op::And: case Op::Or: case Op::Xor: case Op::Eqv: case Op::Imp:
      return logical(op, a, b);
    default:
      raise(err::Syntax);
  }
}

Value unaryOp(Op op, const Value& a) {
  switch (op) {
    case Op::Plus:
      if (a.isArray()) raise(err::TypeMismatch);
      return a;
    case Op::Neg:
      switch (a.type()) {
        case Type::Null: return a;
        case Type::Empty: return Value::integer(0);
        case Type::Boolean: case Type::Byte: case Type::Integer:
          return fitIntegral(-a.integral(), Type::Integer);
        case Type::Long: return fitIntegral(-a.integral(), Type::Long);
        case Type::Single: return Value::single(-float(a.real()));
        case Type::Double: return Value(-a.real());
        case Type::Currency:
          if (a.integral() == INT64_MIN) raise(err::Overflow);
          return Value::currency(-a.integral());
        case Type::Date: {
          double r = -a.real();
          if (r < kMinDate - 1) raise(err::Overflow);
          return Value::date(r);
        }
        case Type::String: return Value(-toNumber(a));
        default: badOperand(a);
      }
    default:  // Not
      switch (a.type()) {
        case Type::Null: return a;
        case Type::Boolean: return Value(a.integral() == 0);
        case Type::Empty: return Value::integer(-1);
        case Type::Byte: return Value::byte(uint8_t(~a.integral() & 0xFF));
        case Type::Integer: return Value::integer(int16_t(~a.integral()));
        case Type::Long: return Value::longValue(int32_t(~a.integral()));
        case Type::Array: case Type::Object: badOperand(a);
        default: return Value::longValue(~toLong(a));
      }
  }
}

}  // namespace tablique::script
