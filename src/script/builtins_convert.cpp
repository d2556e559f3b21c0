// Conversion (CBool .. CStr, Hex, Oct), tests (IsArray .. VarType) and formatting
// (FormatNumber, FormatCurrency, FormatPercent, FormatDateTime).
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "script/builtins.h"
#include "script/dates.h"

namespace tablique::script {

double toDate(const Value& v) {
  switch (v.type()) {
    case Type::Date: return v.real();
    case Type::Null: raise(err::InvalidUseOfNull);
    case Type::String: {
      double d;
      if (parseDate(v.str(), d)) return d;
      raise(err::TypeMismatch);
    }
    default: {
      double d = num(v);
      if (!dateInRange(d)) raise(err::Overflow);
      return d;
    }
  }
}

namespace {
void notNull(const Value& v) {
  if (v.isNull()) raise(err::InvalidUseOfNull);
}
}  // namespace

TQ_BUILTIN(fnCBool) {
  notNull(a[0]);
  return Value(toBoolean(a[0]));
}
TQ_BUILTIN(fnCByte) {
  notNull(a[0]);
  if (a[0].type() == Type::Boolean) return Value::byte(uint8_t(a[0].integral()));  // True is 255
  double d = roundHalfEven(num(a[0]));
  if (!(d >= 0 && d <= 255)) raise(err::Overflow);
  return Value::byte(uint8_t(d));
}
TQ_BUILTIN(fnCCur) {
  notNull(a[0]);
  return Value::currency(toCurrencyScaled(a[0]));
}
TQ_BUILTIN(fnCDate) { return Value::date(toDate(a[0])); }
TQ_BUILTIN(fnCDbl) { return Value(num(a[0])); }
TQ_BUILTIN(fnCInt) { notNull(a[0]); return Value::integer(toInteger(a[0])); }
TQ_BUILTIN(fnCLng) { notNull(a[0]); return Value::longValue(toLong(a[0])); }
TQ_BUILTIN(fnCSng) {
  double d = num(a[0]);
  if (std::fabs(d) > FLT_MAX) raise(err::Overflow);
  return Value::single(float(d));
}
TQ_BUILTIN(fnCStr) { return makeString(text(a[0])); }

namespace {
// Hex and Oct: Integer-sized values as 16-bit two's complement, others as 32-bit.
Value radixText(const Value& v, bool hex) {
  if (v.isNull()) return v;
  uint32_t bits;
  switch (v.type()) {
    case Type::Empty: bits = 0; break;
    case Type::Byte: case Type::Integer: case Type::Boolean: bits = uint16_t(int16_t(v.integral())); break;
    default: bits = uint32_t(toLong(v)); break;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, hex ? "%X" : "%o", bits);
  return makeString(buf);
}
}  // namespace

TQ_BUILTIN(fnHex) { return radixText(a[0], true); }
TQ_BUILTIN(fnOct) { return radixText(a[0], false); }

TQ_BUILTIN(fnIsArray) { return Value(a[0].isArray()); }
TQ_BUILTIN(fnIsDate) {
  double d;
  if (a[0].type() == Type::Date) return Value(true);
  return Value(a[0].isString() && parseDate(a[0].str(), d));
}
TQ_BUILTIN(fnIsEmpty) { return Value(a[0].isEmpty()); }
TQ_BUILTIN(fnIsNull) { return Value(a[0].isNull()); }
TQ_BUILTIN(fnIsNumeric) { return Value(a[0].isNumeric()); }
TQ_BUILTIN(fnIsObject) { return Value(a[0].isObject()); }
TQ_BUILTIN(fnTypeName) { return makeString(a[0].typeName()); }
TQ_BUILTIN(fnVarType) {
  bool strings = a[0].isArray() && ValueAccess::heap(a[0])->strings;  // String(): vbArray + vbString
  return Value::integer(int16_t(strings ? 8200 : a[0].varType()));
}

TQ_BUILTIN(fnScriptEngine) { return Value("VBScript"); }
TQ_BUILTIN(fnScriptEngineMajorVersion) { return Value::longValue(5); }
TQ_BUILTIN(fnScriptEngineMinorVersion) { return Value::longValue(8); }
TQ_BUILTIN(fnScriptEngineBuildVersion) { return Value::longValue(16384); }

// ---- formatting -----------------------------------------------------------------------------

// A number given as decimal text ("-1.25e+03", "922337203685477.5807") with `digits` decimals,
// rounded half away from zero on those digits, grouped in thousands with ",", "." as decimal
// point (US English).
std::string formatNumber(std::string_view number, int digits, int leadingZero, int parens, int group,
                         std::string_view prefix, std::string_view suffix) {
  if (digits > 255) raise(err::InvalidCall);
  bool negative = !number.empty() && number[0] == '-';
  if (negative) number.remove_prefix(1);
  std::string intPart, fracPart;
  const size_t e = number.find_first_of("eE");
  std::string mant;  // every digit; the decimal point after the first pointPos of them
  int pointPos = int(std::min(number.find('.'), e == std::string_view::npos ? number.size() : e));
  for (char c : number.substr(0, e))
    if (c != '.') mant += c;
  if (e != std::string_view::npos) pointPos += std::atoi(std::string(number.substr(e + 1)).c_str());
  if (mant.find_first_not_of('0') == std::string::npos) {
    intPart = "0";
  } else {
    std::string all = mant;
    if (pointPos > int(all.size())) all.append(size_t(pointPos) - all.size(), '0');
    if (pointPos < 1) {
      all.insert(0, size_t(1 - pointPos), '0');
      pointPos = 1;
    }
    // round at pointPos + digits
    size_t cut = size_t(pointPos + digits);
    if (cut < all.size()) {
      bool up = all[cut] >= '5';
      all.resize(cut);
      if (up) {
        int i = int(cut) - 1;
        while (i >= 0 && all[size_t(i)] == '9') all[size_t(i--)] = '0';
        if (i >= 0) ++all[size_t(i)];
        else { all.insert(all.begin(), '1'); ++pointPos; }
      }
    }
    intPart = all.substr(0, size_t(pointPos));
    fracPart = all.substr(size_t(pointPos));
    size_t nz = intPart.find_first_not_of('0');
    intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
  }
  if (int(fracPart.size()) < digits) fracPart.append(size_t(digits - int(fracPart.size())), '0');
  if (fracPart.find_first_not_of('0') == std::string::npos && intPart == "0") negative = false;
  if (group != 0) {
    std::string g;
    int count = 0;
    for (size_t i = intPart.size(); i-- > 0;) {
      g.insert(g.begin(), intPart[i]);
      if (++count % 3 == 0 && i > 0) g.insert(g.begin(), ',');
    }
    intPart = g;
  }
  if (intPart == "0" && digits > 0 && leadingZero == 0) intPart.clear();
  std::string body = std::string(prefix) + intPart + (digits > 0 ? "." + fracPart : "") + std::string(suffix);
  if (!negative) return body;
  return parens == -1 || (parens == -2 && prefix == "$") ? "(" + body + ")" : "-" + body;
}

namespace {
int optInt(const Value* a, int n, int i, int dflt) {
  if (!has(a, n, i)) return dflt;
  return lng(a[i]);
}

// The value as decimal text: 15 significant digits, every digit of a Currency.
std::string numberDigits(const Value& v, double scale) {
  if (v.type() == Type::Currency && scale == 1) return currencyText(v.integral());
  const double x = num(v) * scale;
  if (!std::isfinite(x)) raise(err::Overflow);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", x);
  return buf;
}

Value formatted(const Value* a, int n, double scale, std::string_view prefix, std::string_view suffix) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  const std::string number = numberDigits(a[0], scale);
  int digits = optInt(a, n, 1, -1);
  if (digits == -1) digits = 2;
  if (digits < -1) raise(err::InvalidCall);
  return makeString(formatNumber(number, digits, optInt(a, n, 2, -2), optInt(a, n, 3, -2), optInt(a, n, 4, -2), prefix, suffix));
}
}  // namespace

TQ_BUILTIN(fnFormatNumber) { return formatted(a, n, 1, "", ""); }
TQ_BUILTIN(fnFormatCurrency) { return formatted(a, n, 1, "$", ""); }
TQ_BUILTIN(fnFormatPercent) { return formatted(a, n, 100, "", "%"); }

TQ_BUILTIN(fnFormatDateTime) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  double d = toDate(a[0]);
  int format = has(a, n, 1) ? lng(a[1]) : 0;
  DateParts p = splitDate(d);
  char buf[64];
  switch (format) {
    case 0: return makeString(dateText(d));
    case 1:
      std::snprintf(buf, sizeof buf, "%.*s, %.*s %d, %04d", int(weekdayName(p.weekday, false).size()),
                    weekdayName(p.weekday, false).data(), int(monthName(p.month, false).size()),
                    monthName(p.month, false).data(), p.day, p.year);
      return makeString(buf);
    case 2: return makeString(shortDateText(p));
    case 3: return makeString(longTimeText(p));
    case 4:
      std::snprintf(buf, sizeof buf, "%02d:%02d", p.hour, p.minute);
      return makeString(buf);
    default: raise(err::InvalidCall);
  }
}

}  // namespace tablique::script
