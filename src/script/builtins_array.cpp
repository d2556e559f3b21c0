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

// Split(expression [, delimiter [, count [, compare]]]): a String() array; more pieces than
// an array may hold are error 7 before they are built.
TQ_BUILTIN(fnSplit) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  std::u16string s = toUtf16(text(a[0]));
  std::u16string d = has(a, n, 1) ? toUtf16(text(a[1])) : u" ";
  int64_t count = has(a, n, 2) ? lng(a[2]) : -1;
  if (count < -1) raise(err::InvalidCall);
  int mode = compareMode(a, n, 3);
  std::vector<Value> parts;
  if (s.empty() || count == 0) return ValueAccess::stringArray(std::move(parts));
  if (d.empty()) {
    parts.push_back(makeString(toUtf8(s)));
    return ValueAccess::stringArray(std::move(parts));
  }
  std::u16string hay = mode ? foldCase(s) : std::u16string(), needle = mode ? foldCase(d) : d;
  Searcher search(needle);
  std::vector<size_t> starts{0};  // where each piece begins
  for (;;) {
    if (count > 0 && int64_t(starts.size()) == count) break;
    size_t p = search.find(mode ? hay : s, starts.back());
    if (p == std::u16string::npos) break;
    if (starts.size() == kMaxArrayElements) raise(err::OutOfMemory);
    starts.push_back(p + d.size());
  }
  in.charge(0, starts.size());
  parts.reserve(starts.size());
  for (size_t i = 0; i < starts.size(); ++i) {
    size_t end = i + 1 < starts.size() ? starts[i + 1] - d.size() : s.size();
    parts.push_back(makeString(toUtf8(std::u16string_view(s).substr(starts[i], end - starts[i]))));
  }
  return ValueAccess::stringArray(std::move(parts));
}

// Join(list [, delimiter]): a Null list, delimiter or element is error 94.
TQ_BUILTIN(fnJoin) {
  if (a[0].isNull() || (has(a, n, 1) && a[1].isNull())) raise(err::InvalidUseOfNull);
  const Value& arr = arrayArg(a[0]);
  if (arr.upperBounds().size() != 1) raise(err::SubscriptOutOfRange);
  std::string d = has(a, n, 1) ? text(a[1]) : " ";
  in.charge(0, arr.items().size());
  std::string out;
  bool first = true;
  for (const Value& v : arr.items()) {
    if (v.isNull()) raise(err::InvalidUseOfNull);
    if (!first) out += d;
    first = false;
    out += text(v);
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
  Searcher search(what);
  std::vector<Value> out;
  for (const Value& v : arr.items()) {
    if (v.isNull()) raise(err::TypeMismatch);
    std::u16string s = toUtf16(text(v));
    in.charge(s.size(), 1);
    if (mode) s = foldCase(s);
    bool found = search.find(s) != std::u16string::npos;
    if (found == include) out.push_back(makeString(text(v)));
  }
  return ValueAccess::stringArray(std::move(out));
}

}  // namespace tablique::script
