// Array built-ins: Array Split Join UBound LBound Filter.
#include "script/builtins.h"

namespace tablique::script {

namespace {
const Value& arrayArg(const Value& v) {
  if (!v.isArray()) raise(err::TypeMismatch);
  return v;
}

int dimensionArg(const Value& arr, const Value* a, int n, int i) {
  int32_t d = has(a, n, i) ? lng(a[i]) : 1;
  if (d < 1 || size_t(d) > arr.upperBounds().size()) raise(err::SubscriptOutOfRange);
  return d;
}
}  // namespace

TQ_BUILTIN(fnArray) { return Value::array(std::vector<Value>(a, a + n)); }

// Split(expression [, delimiter [, count [, compare]]])
TQ_BUILTIN(fnSplit) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  std::u16string s = toUtf16(text(a[0]));
  std::u16string d = has(a, n, 1) ? toUtf16(text(a[1])) : u" ";
  int64_t count = has(a, n, 2) ? lng(a[2]) : -1;
  if (count < -1) raise(err::InvalidCall);
  int mode = compareMode(a, n, 3);
  std::vector<Value> parts;
  if (s.empty() || count == 0) return Value::array(std::move(parts));
  if (d.empty()) {
    parts.push_back(makeString(toUtf8(s)));
    return Value::array(std::move(parts));
  }
  std::u16string hay = mode ? foldCase(s) : s, needle = mode ? foldCase(d) : d;
  size_t pos = 0;
  for (;;) {
    if (count > 0 && int64_t(parts.size()) == count - 1) break;
    size_t p = hay.find(needle, pos);
    if (p == std::u16string::npos) break;
    parts.push_back(makeString(toUtf8(std::u16string_view(s).substr(pos, p - pos))));
    pos = p + d.size();
  }
  parts.push_back(makeString(toUtf8(std::u16string_view(s).substr(pos))));
  return Value::array(std::move(parts));
}

// Join(list [, delimiter])
TQ_BUILTIN(fnJoin) {
  const Value& arr = arrayArg(a[0]);
  if (arr.upperBounds().size() != 1) raise(err::SubscriptOutOfRange);
  std::string d = has(a, n, 1) ? text(a[1]) : " ";
  std::string out;
  bool first = true;
  for (const Value& v : arr.items()) {
    if (!first) out += d;
    first = false;
    if (!v.isNull()) out += text(v);
    checkLength(out.size());
  }
  return makeString(std::move(out));
}

TQ_BUILTIN(fnUBound) {
  const Value& arr = arrayArg(a[0]);
  int d = dimensionArg(arr, a, n, 1);
  return Value::longValue(arr.upperBounds()[size_t(d - 1)]);
}

TQ_BUILTIN(fnLBound) {
  const Value& arr = arrayArg(a[0]);
  dimensionArg(arr, a, n, 1);
  return Value::longValue(0);
}

// Filter(strings, value [, include [, compare]])
TQ_BUILTIN(fnFilter) {
  const Value& arr = arrayArg(a[0]);
  if (arr.upperBounds().size() != 1) raise(err::SubscriptOutOfRange);
  if (a[1].isNull()) raise(err::InvalidUseOfNull);
  std::u16string what = toUtf16(text(a[1]));
  bool include = has(a, n, 2) ? toBoolean(a[2]) : true;
  int mode = compareMode(a, n, 3);
  if (mode) what = foldCase(what);
  std::vector<Value> out;
  for (const Value& v : arr.items()) {
    if (v.isNull()) raise(err::TypeMismatch);
    std::u16string s = toUtf16(text(v));
    if (mode) s = foldCase(s);
    bool found = s.find(what) != std::u16string::npos;
    if (found == include) out.push_back(makeString(text(v)));
  }
  return Value::array(std::move(out));
}

}  // namespace tablique::script
