// The Value module: construction, CStr, TypeName and every coercion rule.
#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <limits>

#include "script/dates.h"
#include "script/text.h"
#include "script/value_ops.h"

namespace tablique::script {

// ---- construction ---------------------------------------------------------------------------

void detail::Heap::charge() {
  size_t bytes = sizeof(Heap) + 16 + text.capacity() + items.capacity() * sizeof(Value) + upper.capacity() * 4;
  if (metered && heapBytes + bytes > kMemoryBudget) raise(err::OutOfMemory);
  heapBytes += bytes;
  charged = bytes;
}

Value ValueAccess::string(std::string s) {
  checkLength(s.size());
  Value v;
  v.type_ = Type::String;
  if (s.empty()) {  // one shared empty text: an array of empty strings costs only its slots
    static const std::shared_ptr<detail::Heap> empty = std::make_shared<detail::Heap>();
    v.heap_ = empty;
    return v;
  }
  v.heap_ = std::make_shared<detail::Heap>();
  v.heap_->text = joinSurrogates(std::move(s));
  v.heap_->charge();
  return v;
}

Value ValueAccess::array(std::vector<Value> items, std::vector<int32_t> upper) {
  if (items.size() > kMaxArrayElements) raise(err::OutOfMemory);
  Value v;
  v.type_ = Type::Array;
  v.heap_ = std::make_shared<detail::Heap>();
  v.heap_->items = std::move(items);
  v.heap_->upper = std::move(upper);
  v.heap_->charge();
  return v;
}

Value ValueAccess::stringArray(std::vector<Value> items) {
  int32_t upper = int32_t(items.size()) - 1;
  Value v = array(std::move(items), {upper});
  v.heap_->strings = true;
  return v;
}

detail::Heap& ValueAccess::mutableArray(Value& v) {
  if (v.heap_.use_count() > 1) v.heap_ = std::make_shared<detail::Heap>(*v.heap_);
  return *v.heap_;
}

Value::Value(std::string s) : Value(ValueAccess::string(std::move(s))) {}
Value::Value(std::string_view s) : Value(ValueAccess::string(std::string(s))) {}
Value::Value(const char* s) : Value(ValueAccess::string(std::string(s ? s : ""))) {}

Value Value::array(std::vector<Value> items) {
  int32_t upper = int32_t(items.size()) - 1;
  return ValueAccess::array(std::move(items), {upper});
}

const std::string& Value::str() const {
  static const std::string empty;
  return type_ == Type::String ? heap_->text : empty;
}

const std::vector<Value>& Value::items() const {
  static const std::vector<Value> none;
  return type_ == Type::Array ? heap_->items : none;
}

const std::vector<int32_t>& Value::upperBounds() const {
  static const std::vector<int32_t> none;
  return type_ == Type::Array ? heap_->upper : none;
}

bool Value::isNumber() const noexcept {
  switch (type_) {
    case Type::Byte: case Type::Integer: case Type::Long: case Type::Single:
    case Type::Double: case Type::Currency:
      return true;
    default:
      return false;
  }
}

bool Value::isNumeric() const {
  if (isNumber() || type_ == Type::Boolean || type_ == Type::Empty) return true;
  double d;
  return type_ == Type::String && coerceText(str(), d) == 1;
}

double Value::toDouble() const { return toNumber(*this); }

std::string Value::typeName() const {
  switch (type_) {
    case Type::Empty: return "Empty";
    case Type::Null: return "Null";
    case Type::Integer: return "Integer";
    case Type::Long: return "Long";
    case Type::Single: return "Single";
    case Type::Double: return "Double";
    case Type::Currency: return "Currency";
    case Type::Date: return "Date";
    case Type::String: return "String";
    case Type::Object: return "Nothing";
    case Type::Boolean: return "Boolean";
    case Type::Byte: return "Byte";
    case Type::Array: return heap_->strings ? "String()" : "Variant()";
  }
  return "Unknown";
}

std::string Value::toString() const {
  switch (type_) {
    case Type::Empty: return {};
    case Type::Null: raise(err::InvalidUseOfNull);
    case Type::Boolean: return num_.i ? "True" : "False";
    case Type::Byte: case Type::Integer: case Type::Long: return std::to_string(num_.i);
    case Type::Single: return realText(num_.d, 7);
    case Type::Double: return realText(num_.d, 15);
    case Type::Currency: return currencyText(num_.i);
    case Type::Date: return dateText(num_.d);
    case Type::String: return heap_->text;
    case Type::Object: raise(err::ObjectRequired);
    case Type::Array: raise(err::TypeMismatch);
  }
  raise(err::TypeMismatch);
}

// ---- number text ----------------------------------------------------------------------------

// Rounds to `digits` significant digits; the exponent form is used when the decimal exponent
// reaches `digits`, or when the fixed form of a small number would need more than `digits`
// decimal places (0.000000000056789 stays fixed, 5.6789E-12 does not).
namespace {

using u128 = unsigned __int128;

constexpr uint64_t kPow10u[20] = {1ull,
                                  10ull,
                                  100ull,
                                  1000ull,
                                  10000ull,
                                  100000ull,
                                  1000000ull,
                                  10000000ull,
                                  100000000ull,
                                  1000000000ull,
                                  10000000000ull,
                                  100000000000ull,
                                  1000000000000ull,
                                  10000000000000ull,
                                  100000000000000ull,
                                  1000000000000000ull,
                                  10000000000000000ull,
                                  100000000000000000ull,
                                  1000000000000000000ull,
                                  10000000000000000000ull};

constexpr uint64_t kPow5u[20] = {1ull,           5ull,           25ull,           125ull,
                                 625ull,         3125ull,        15625ull,        78125ull,
                                 390625ull,      1953125ull,     9765625ull,      48828125ull,
                                 244140625ull,   1220703125ull,  6103515625ull,   30517578125ull,
                                 152587890625ull, 762939453125ull, 3814697265625ull, 19073486328125ull};

// round(mant * 2^e2 * 10^k), ties to even, exactly (k <= 19, the result below 2^64).
uint64_t roundedScaled(uint64_t mant, int e2, int k) {
  const u128 n = u128(mant) * kPow5u[k];  // mant * 5^k < 2^98
  const int shift = -(e2 + k);
  if (shift <= 0) return uint64_t(n << -shift);
  if (shift >= 127) return 0;
  const u128 q = n >> shift;
  const u128 rem = n - (q << shift);
  const u128 half = u128(1) << (shift - 1);
  return uint64_t(q + ((rem > half || (rem == half && (q & 1))) ? 1 : 0));
}

// 1e-6 .. 1e16 as doubles (nearest for the negative powers).
constexpr double kPowers10[23] = {1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,
                                  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16};

// x < 10^8 as eight ASCII digits, the first in the lowest byte (in registers: each step splits
// every lane into a quotient and a remainder lane).
uint64_t eightDigits(uint64_t x) {
  const uint64_t high4 = (x * 109951163) >> 40;  // x / 10000
  uint64_t v = high4 | ((x - high4 * 10000) << 32);
  uint64_t u = ((v * 10486) >> 20) & 0x0000007F0000007Full;  // / 100 in each 32-bit lane
  v = u | ((v - u * 100) << 16);
  u = ((v * 103) >> 10) & 0x000F000F000F000Full;  // / 10 in each 16-bit lane
  v = u | ((v - u * 10) << 8);
  return v + 0x3030303030303030ull;
}

// The parts of a finite, non-zero double's magnitude: |d| = mant * 2^e2.
struct Binary {
  uint64_t mant;
  int e2;
};
Binary binaryOf(double d) {
  const uint64_t bits = std::bit_cast<uint64_t>(d) & ~(uint64_t(1) << 63);
  const int biased = int(bits >> 52);
  const uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
  if (biased == 0) return {frac, -1074};
  return {frac | (uint64_t(1) << 52), biased - 1075};
}

bool isWhole(Binary b) {
  if (b.e2 >= 0) return true;
  if (b.e2 < -52) return false;
  return (b.mant & ((uint64_t(1) << -b.e2) - 1)) == 0;
}

// The 15-digit text of a finite d that is not whole, when it is written without exponent and
// 1e-5 <= |d| < 1e15: d rounded to 15 significant digits (exactly, ties to even, which is what
// realText's digit rounding gives), trailing zeros dropped. Writes into buf (room for 40) and
// returns the length, or 0 for a value outside that range (realText's general path applies).
size_t fixedText15(double d, Binary b, char* buf) {
  if constexpr (std::endian::native != std::endian::little) return 0;  // digits laid out as bytes
  const double a = std::fabs(d);
  if (!(a >= 1e-5 && a < 1e15)) return 0;
  // floor(log10(a)) is floor(log10(2^(e2+52))) or one more (decided on the nearest doubles
  // of the powers of ten; the checks below correct a miss at the boundary); k decimals give
  // 15 digits.
  int p = ((b.e2 + 52) * 78913) >> 18;
  if (p >= -6 && p <= 14 && a >= kPowers10[p + 1 + 6]) ++p;
  int k = 14 - p;
  uint64_t q = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (k < 0 || k > 19) return 0;
    q = roundedScaled(b.mant, b.e2, k);
    if (q < kPow10u[14]) {
      ++k;
    } else if (q > kPow10u[15]) {
      --k;
    } else {
      break;
    }
  }
  if (q < kPow10u[14] || q > kPow10u[15]) return 0;
  // The digits of q (15, or 16 for 10^15) as bytes of one 128-bit value, built in registers.
  const uint64_t hiDigits = eightDigits(q / 100000000), loDigits = eightDigits(q % 100000000);
  const int len = q == kPow10u[15] ? 16 : 15;
  const u128 sig = (u128(hiDigits) | (u128(loDigits) << 64)) >> (8 * (16 - len));  // digit i in byte i
  const int whole = len - k;  // digits before the point (none or negative: leading zeros after it)
  // Digits kept: trailing zeros of the fraction dropped (the last nonzero digit found by bits).
  auto nonZeroDigits = [](uint64_t w) {  // top bit of every byte that is not '0'
    const uint64_t x = w ^ 0x3030303030303030ull;
    return (((x & 0x7f7f7f7f7f7f7f7full) + 0x7f7f7f7f7f7f7f7full) | x) & 0x8080808080808080ull;
  };
  const uint64_t m2 = nonZeroDigits(loDigits), m1 = nonZeroDigits(hiDigits);
  const int zeros = m2 != 0 ? std::countl_zero(m2) / 8 : 8 + (m1 != 0 ? std::countl_zero(m1) / 8 : 8);
  const int last = std::max(len - zeros, std::max(whole, 0));
  const int decimals = last - whole;
  if (decimals > 15 || whole > 15) return 0;  // the exponent form
  char* out = buf;
  if (d < 0) *out++ = '-';
  if (whole > 0) {
    std::memcpy(out, &sig, 16);  // whole stores; only the digits kept count
    out += whole;
    if (decimals > 0) {
      *out++ = '.';
      const u128 fraction = sig >> (8 * whole);
      std::memcpy(out, &fraction, 16);
      out += decimals;
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    std::memset(out, '0', 8);  // -whole <= 5 leading zeros
    out += -whole;
    std::memcpy(out, &sig, 16);
    out += last;
  }
  return size_t(out - buf);
}

}  // namespace

std::string realText(double d, int digits) {
  if (d == 0 || !std::isfinite(d)) return "0";
  if (digits == 15) {
    char fixed[40];
    const Binary b = binaryOf(d);
    if (!isWhole(b))
      if (const size_t n = fixedText15(d, b, fixed)) return std::string(fixed, n);
  }
  if (digits == 15 && std::fabs(d) < 1e15 && d == std::trunc(d)) {  // whole numbers: as integers
    char whole[24];
    return std::string(whole, std::to_chars(whole, whole + sizeof whole, int64_t(d)).ptr);
  }
  // Significant digits and decimal exponent of d rounded to `digits` digits, from the shortest
  // round-trip form D of a normal double: when D has at most `digits` digits it is the rounded
  // value itself; when it has more, rounding D's digits gives the same result as rounding the
  // binary value, unless D's dropped digits are exactly one half (then no shorter or closer
  // decimal lies between the two, so they cannot straddle any other midpoint). Subnormals and
  // exact halves are rounded by the library from the binary value.
  char buf[64];
  char* end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific).ptr;
  const char* e = std::find(buf, end, 'e');
  const bool negative = buf[0] == '-';
  char mant[32];
  int n = 0;
  for (const char* p = buf + negative; p < e; ++p)
    if (*p != '.') mant[n++] = *p;
  int exp10 = 0;
  std::from_chars(e + 1 + (e[1] == '+'), end, exp10);
  const bool normal = std::fabs(d) >= std::numeric_limits<double>::min();
  // A Single's digits round half away from zero: 654322.25 gives 654322.3.
  const bool halfUp = digits < 15;
  bool exactHalf = false;
  if (n > digits && normal && !halfUp) {
    exactHalf = mant[digits] == '5';
    for (int i = digits + 1; i < n && exactHalf; ++i) exactHalf = mant[i] == '0';
  }
  if (n > digits && normal && !exactHalf) {
    const bool up = mant[digits] >= '5';
    n = digits;
    if (up) {
      int i = n - 1;
      while (i >= 0 && mant[i] == '9') mant[i--] = '0';
      if (i >= 0) {
        ++mant[i];
      } else {  // 9.99..9 rounds to 10: one digit, one more in the exponent
        mant[0] = '1';
        n = 1;
        ++exp10;
      }
    }
  } else if (n > digits || !normal) {
    end = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific, digits - 1).ptr;
    e = std::find(buf, end, 'e');
    n = 0;
    for (const char* p = buf + negative; p < e; ++p)
      if (*p != '.') mant[n++] = *p;
    std::from_chars(e + 1 + (e[1] == '+'), end, exp10);
  }
  while (n > 1 && mant[n - 1] == '0') --n;

  std::string out;
  out.reserve(size_t(n) + 24);
  if (negative) out += '-';
  const bool exponentForm = exp10 >= digits || (exp10 < 0 && (-exp10 - 1 + n) > digits);
  if (exponentForm) {
    out += mant[0];
    if (n > 1) {
      out += '.';
      out.append(mant + 1, size_t(n - 1));
    }
    const int a = exp10 < 0 ? -exp10 : exp10;
    out += 'E';
    out += exp10 < 0 ? '-' : '+';
    if (a < 10) out += '0';
    out += std::to_string(a);
  } else if (exp10 < 0) {
    out += "0.";
    out.append(size_t(-exp10 - 1), '0');
    out.append(mant, size_t(n));
  } else if (n <= exp10 + 1) {
    out.append(mant, size_t(n));
    out.append(size_t(exp10 + 1 - n), '0');
  } else {
    out.append(mant, size_t(exp10 + 1));
    out += '.';
    out.append(mant + exp10 + 1, size_t(n - exp10 - 1));
  }
  return out;
}

std::string numberText(double d) { return realText(d, 15); }

std::string_view numberText(double d, NumberBuffer& buf) {
  char* const out = buf.chars;
  if (d != 0 && std::isfinite(d) && std::fabs(d) < 1e15) {
    const Binary b = binaryOf(d);
    if (isWhole(b)) return {out, size_t(std::to_chars(out, out + sizeof buf.chars, int64_t(d)).ptr - out)};
    if (const size_t n = fixedText15(d, b, out)) return {out, n};
  }
  const std::string text = realText(d, 15);
  const size_t n = std::min(text.size(), sizeof buf.chars);
  std::memcpy(out, text.data(), n);
  return {out, n};
}

std::string currencyText(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t u = negative ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
  std::string out = std::to_string(u / 10000);
  uint64_t frac = u % 10000;
  if (frac) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ".%04u", unsigned(frac));
    std::string f = buf;
    while (f.back() == '0') f.pop_back();
    out += f;
  }
  return negative ? "-" + out : out;
}

// ---- string to number -----------------------------------------------------------------------

namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// &H / &O text: up to 16 (hex) significant bits give an Integer, else a Long.
bool parseRadix(std::string_view s, double& out) {
  int radix = 8;
  size_t i = 1;
  if (i < s.size() && (s[i] == 'h' || s[i] == 'H')) { radix = 16; ++i; }
  else if (i < s.size() && (s[i] == 'o' || s[i] == 'O')) ++i;
  if (i >= s.size()) return false;
  uint64_t v = 0;
  for (; i < s.size(); ++i) {
    char c = s[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (radix == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (radix == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    if (digit >= radix) return false;
    v = v * radix + digit;
    if (v > 0xFFFFFFFFull) return false;
  }
  if (v <= 0xFFFF) out = double(int16_t(uint16_t(v)));
  else out = double(int32_t(uint32_t(v)));
  return true;
}
}  // namespace

namespace {
enum Scan { kNotNumber = 0, kNumber = 1, kOutOfRange = 6 };

// The number in s: sign, digits ("," between whole-part digits when `grouped`), a point, an
// exponent with e or d; blanks around. `plain` receives the unsigned decimal text without
// grouping ("1234.5e3") for exact readers.
Scan scanNumber(std::string_view s, bool grouped, double& out, std::string* plain = nullptr) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  if (s.empty()) return kNotNumber;
  if (s[0] == '&') return parseRadix(s, out) ? kNumber : kNotNumber;
  size_t i = 0;
  bool negative = false;
  if (s[i] == '+' || s[i] == '-') {
    negative = s[i] == '-';
    ++i;
    while (i < s.size() && isBlank(s[i])) ++i;
  }
  std::string text;
  size_t digits = 0;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      text += s[i];
      ++digits;
    } else if (!(grouped && s[i] == ',' && digits > 0)) {
      break;
    }
  }
  if (i < s.size() && s[i] == '.') {
    text += s[i++];
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') { text += s[i++]; ++digits; }
  }
  if (digits == 0) return kNotNumber;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    size_t expStart = j;
    while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
    if (j == expStart) return kNotNumber;
    text += 'e';
    text.append(s.substr(i + 1, j - i - 1));
    i = j;
  }
  if (i != s.size()) return kNotNumber;
  double v = 0;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // underflow reads as 0; overflow is out of range
    if (text.find('-') == std::string::npos) return kOutOfRange;
    v = 0;
  } else if (res.ec != std::errc() || res.ptr != text.data() + text.size()) {
    return kNotNumber;
  }
  if (!std::isfinite(v)) return kOutOfRange;
  out = negative ? -v : v;
  if (plain) *plain = std::move(text);
  return kNumber;
}
}  // namespace

bool parseNumber(std::string_view s, double& out) { return scanNumber(s, false, out) == kNumber; }

int coerceText(std::string_view s, double& out) { return scanNumber(s, true, out); }

// ---- coercions ------------------------------------------------------------------------------

double numericValue(const Value& v) {
  switch (v.type()) {
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long:
      return double(v.integral());
    case Type::Currency: return double(v.integral()) / 10000.0;
    case Type::Single: case Type::Double: case Type::Date: return v.real();
    default: return 0;
  }
}

double toNumber(const Value& v) {
  switch (v.type()) {
    case Type::Empty: return 0;
    case Type::Null: raise(err::InvalidUseOfNull);
    case Type::String: {
      double d;
      const int scan = coerceText(v.str(), d);
      if (scan == kNumber) return d;
      raise(scan == kOutOfRange ? err::Overflow : err::TypeMismatch);
    }
    case Type::Object: raise(err::ObjectRequired);
    case Type::Array: raise(err::TypeMismatch);
    default: return numericValue(v);
  }
}

bool toBoolean(const Value& v) {
  switch (v.type()) {
    case Type::String: {
      const std::string& s = v.str();
      if (equalsNoCase(s, "true") || equalsNoCase(s, "#true#")) return true;
      if (equalsNoCase(s, "false") || equalsNoCase(s, "#false#")) return false;
      return toNumber(v) != 0;
    }
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long: case Type::Currency:
      return v.integral() != 0;
    default:
      return toNumber(v) != 0;
  }
}

int32_t toLong(const Value& v) {
  switch (v.type()) {
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long:
      return int32_t(v.integral());
    default: break;
  }
  double d = roundHalfEven(toNumber(v));
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) raise(err::Overflow);
  return int32_t(d);
}

int16_t toInteger(const Value& v) {
  int32_t l;
  if (v.type() == Type::Long) l = int32_t(v.integral());
  else {
    double d = roundHalfEven(toNumber(v));
    if (!(d >= -32768.0 && d <= 32767.0)) raise(err::Overflow);
    l = int32_t(d);
  }
  if (l < -32768 || l > 32767) raise(err::Overflow);
  return int16_t(l);
}

Value fitIntegral(int64_t i, Type atLeast) {
  if (atLeast == Type::Byte && i >= 0 && i <= 255) return Value::byte(uint8_t(i));
  if ((atLeast == Type::Byte || atLeast == Type::Integer) && i >= -32768 && i <= 32767)
    return Value::integer(int16_t(i));
  if (atLeast != Type::Double && i >= INT32_MIN && i <= INT32_MAX) return Value::longValue(int32_t(i));
  return Value(double(i));
}

Value checkedDouble(double d) {
  if (!std::isfinite(d)) raise(err::Overflow);
  return Value(d);
}

namespace {
// Plain decimal text ("1234.5e3", no sign) times 10^4, rounded to a whole number with ties to
// even; false when the result leaves [-2^63, 2^63 - 1].
bool scaledDecimal(std::string_view t, bool negative, int64_t& out) {
  std::string digits;
  int exp10 = 4;
  size_t i = 0;
  for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) digits += t[i];
  if (i < t.size() && t[i] == '.')
    for (++i; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i, --exp10) digits += t[i];
  if (i < t.size() && t[i] == 'e') {
    int e = 0;
    const char* from = t.data() + i + 1 + (t[i + 1] == '+');
    if (std::from_chars(from, t.data() + t.size(), e).ec != std::errc()) e = t[i + 1] == '-' ? -9999 : 9999;
    exp10 += std::clamp(e, -9999, 9999);
  }
  digits.erase(0, std::min(digits.size(), digits.find_first_not_of('0')));
  u128 v = 0;
  if (exp10 >= 0) {
    if (digits.size() + size_t(exp10) > 19) return digits.empty() ? (out = 0, true) : false;
    for (char c : digits) v = v * 10 + u128(c - '0');
    for (int k = 0; k < exp10; ++k) v *= 10;
  } else {
    const size_t drop = size_t(-exp10);
    if (drop > digits.size()) digits.insert(0, drop - digits.size(), '0');
    const size_t keep = digits.size() - drop;
    if (keep > 19) return false;
    for (size_t k = 0; k < keep; ++k) v = v * 10 + u128(digits[k] - '0');
    const std::string_view rest = std::string_view(digits).substr(keep);
    const bool moreThanHalf = rest[0] > '5' || (rest[0] == '5' && rest.find_first_not_of('0', 1) != std::string_view::npos);
    if (moreThanHalf || (rest[0] == '5' && (v & 1))) ++v;
  }
  if (v > (negative ? u128(1) << 63 : u128(INT64_MAX))) return false;
  out = negative ? int64_t(uint64_t(0) - uint64_t(v)) : int64_t(v);
  return true;
}
}  // namespace

// A double converts through its shortest decimal form, the digits its text shows: 0.00015 is
// 0.0002 (a tie, to even), 922337203685477 stays whole.
int64_t toCurrencyScaled(double d) {
  if (!std::isfinite(d)) raise(err::Overflow);
  char buf[32];
  const char* end = std::to_chars(buf, buf + sizeof buf, std::fabs(d)).ptr;
  int64_t out;
  if (!scaledDecimal(std::string_view(buf, size_t(end - buf)), d < 0, out)) raise(err::Overflow);
  return out;
}

int64_t toCurrencyScaled(const Value& v) {
  switch (v.type()) {
    case Type::Currency: return v.integral();
    case Type::Boolean: case Type::Byte: case Type::Integer: case Type::Long: return v.integral() * 10000;
    case Type::String: {
      double d = 0;
      std::string plain;
      const Scan scan = scanNumber(v.str(), true, d, &plain);
      if (scan != kNumber) raise(scan == kOutOfRange ? err::Overflow : err::TypeMismatch);
      if (plain.empty()) return toCurrencyScaled(d);  // &H and &O forms
      int64_t out;
      if (!scaledDecimal(plain, std::signbit(d), out)) raise(err::Overflow);
      return out;
    }
    default: return toCurrencyScaled(toNumber(v));
  }
}

int compareNoCase(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = (unsigned char)asciiLower(a[i]), y = (unsigned char)asciiLower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace tablique::script
