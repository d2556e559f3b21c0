// String built-ins. Positions and lengths count UTF-16 code units, as VBScript's strings do.
#include <algorithm>

#include "script/builtins.h"
#include "script/operators.h"

namespace tablique::script {

namespace {
// Windows-1252 code points 128..159 (the US English code page of Asc and Chr).
constexpr char16_t kCp1252[32] = {0x20AC, 0x81, 0x201A, 0x192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x2C6, 0x2030, 0x160, 0x2039, 0x152, 0x8D, 0x17D, 0x8F,
                                  0x90, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x2DC, 0x2122, 0x161, 0x203A, 0x153, 0x9D, 0x17E, 0x178};

Value u16(std::u16string_view s) { return makeString(toUtf8(s)); }

// A string argument; Null gives Null from the caller (checked first).
std::u16string wide(const Value& v) { return toUtf16(text(v)); }

std::u16string_view trimSpaces(std::u16string_view s, bool left, bool right) {
  while (left && !s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (right && !s.empty() && s.back() == u' ') s.remove_suffix(1);
  return s;
}

// Finds `what` in `in` from position `from` (0-based), in linear time.
size_t find(const std::u16string& in, const std::u16string& what, size_t from, int mode) {
  if (mode == 0) return Searcher(what).find(in, from);
  std::u16string folded = foldCase(what);
  return Searcher(folded).find(foldCase(in), from);
}
}  // namespace

TQ_BUILTIN(fnAsc) {
  std::u16string s = wide(a[0]);
  if (s.empty()) raise(err::InvalidCall);
  char16_t c = s[0];
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return Value::integer(int16_t(c));
  for (int i = 0; i < 32; ++i)
    if (kCp1252[i] == c) return Value::integer(int16_t(128 + i));
  return Value::integer(63);  // '?': no single-byte form
}

TQ_BUILTIN(fnAscW) {
  std::u16string s = wide(a[0]);
  if (s.empty()) raise(err::InvalidCall);
  return Value::integer(int16_t(s[0]));
}

TQ_BUILTIN(fnChr) {
  int32_t c = lng(a[0]);
  if (c < 0 || c > 255) raise(err::InvalidCall);
  char16_t w = c >= 128 && c < 160 ? kCp1252[c - 128] : char16_t(c);
  return u16(std::u16string(1, w));
}

TQ_BUILTIN(fnChrW) {
  int32_t c = lng(a[0]);
  if (c < -32768 || c > 65535) raise(err::InvalidCall);
  return u16(std::u16string(1, char16_t(c < 0 ? c + 65536 : c)));
}

// InStr([start,] string1, string2 [, compare])
TQ_BUILTIN(fnInStr) {
  int base = n >= 3 ? 1 : 0;
  int64_t start = 1;
  if (base) {
    if (a[0].isNull()) raise(err::InvalidUseOfNull);
    start = lng(a[0]);
    if (start < 1) raise(err::InvalidCall);
  }
  int mode = compareMode(a, n, 3);
  if (a[base].isNull() || a[base + 1].isNull()) return Value::null();
  std::u16string s = wide(a[base]), t = wide(a[base + 1]);
  if (size_t(start) > s.size()) return Value::longValue(0);
  if (t.empty()) return Value::longValue(int32_t(start));
  size_t p = find(s, t, size_t(start - 1), mode);
  return Value::longValue(p == std::u16string::npos ? 0 : int32_t(p + 1));
}

// InStrRev(string1, string2 [, start [, compare]]): Null strings are error 94, as the
// engine's String parameters make them.
TQ_BUILTIN(fnInStrRev) {
  if (a[0].isNull() || a[1].isNull()) raise(err::InvalidUseOfNull);
  int64_t start = has(a, n, 2) ? lng(a[2]) : -1;
  if (start == 0 || start < -1) raise(err::InvalidCall);
  int mode = compareMode(a, n, 3);
  std::u16string s = wide(a[0]), t = wide(a[1]);
  if (start == -1) start = int64_t(s.size());
  if (size_t(start) > s.size()) return Value::longValue(0);
  if (t.empty()) return Value::longValue(int32_t(start));
  size_t p = mode ? findLast(foldCase(s), foldCase(t), size_t(start)) : findLast(s, t, size_t(start));
  return Value::longValue(p == std::u16string::npos ? 0 : int32_t(p + 1));
}

TQ_BUILTIN(fnLCase) {
  if (a[0].isNull()) return a[0];
  return makeString(lowerText(text(a[0])));
}

TQ_BUILTIN(fnUCase) {
  if (a[0].isNull()) return a[0];
  return makeString(upperText(text(a[0])));
}

TQ_BUILTIN(fnLeft) {
  int64_t k = countArg(a[1]);
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  return u16(std::u16string_view(s).substr(0, size_t(k)));
}

TQ_BUILTIN(fnRight) {
  int64_t k = countArg(a[1]);
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  size_t len = std::min(s.size(), size_t(k));
  return u16(std::u16string_view(s).substr(s.size() - len));
}

// Mid(string, start [, length])
TQ_BUILTIN(fnMid) {
  int64_t start = lng(a[1]);
  if (start < 1) raise(err::InvalidCall);
  int64_t len = has(a, n, 2) ? countArg(a[2]) : -1;
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  if (size_t(start) > s.size()) return makeString("");
  return u16(std::u16string_view(s).substr(size_t(start - 1), len < 0 ? std::u16string::npos : size_t(len)));
}

TQ_BUILTIN(fnLen) {
  if (a[0].isNull()) return a[0];
  std::string s = text(a[0]);
  if (isAscii(s)) return Value::longValue(int32_t(s.size()));
  return Value::longValue(int32_t(toUtf16(s).size()));
}

TQ_BUILTIN(fnLTrim) {
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  return u16(trimSpaces(s, true, false));
}
TQ_BUILTIN(fnRTrim) {
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  return u16(trimSpaces(s, false, true));
}
TQ_BUILTIN(fnTrim) {
  if (a[0].isNull()) return a[0];
  std::u16string s = wide(a[0]);
  return u16(trimSpaces(s, true, true));
}

// Replace(expression, find, replacewith [, start [, count [, compare]]]): the result begins at
// `start`.
TQ_BUILTIN(fnReplace) {
  for (int i = 0; i < n; ++i)
    if (a[i].isNull()) raise(err::InvalidUseOfNull);
  std::u16string s = wide(a[0]), f = wide(a[1]), r = wide(a[2]);
  int64_t start = has(a, n, 3) ? lng(a[3]) : 1;
  if (start < 1) raise(err::InvalidCall);
  int64_t count = has(a, n, 4) ? lng(a[4]) : -1;
  if (count < -1) raise(err::InvalidCall);
  int mode = compareMode(a, n, 5);
  if (size_t(start) > s.size()) return makeString("");
  s.erase(0, size_t(start - 1));
  if (f.empty() || count == 0) return u16(s);
  std::u16string folded = mode ? foldCase(s) : std::u16string(), ff = mode ? foldCase(f) : std::u16string();
  const std::u16string& hay = mode ? folded : s;
  Searcher needle(mode ? ff : f);
  std::u16string out;
  size_t pos = 0;
  int64_t done = 0;
  while (count < 0 || done < count) {
    size_t p = needle.find(hay, pos);
    if (p == std::u16string::npos) break;
    out.append(s, pos, p - pos);
    out += r;
    checkLength(out.size() * 2);
    pos = p + f.size();
    ++done;
  }
  out.append(s, pos, std::u16string::npos);
  return u16(out);
}

TQ_BUILTIN(fnSpace) {
  int64_t k = countArg(a[0]);
  checkLength(size_t(k));
  return makeString(std::string(size_t(k), ' '));
}

// StrComp(string1, string2 [, compare]): -1, 0 or 1.
TQ_BUILTIN(fnStrComp) {
  int mode = compareMode(a, n, 2);
  if (a[0].isNull() || a[1].isNull()) return Value::null();
  return Value::integer(int16_t(compareText(text(a[0]), text(a[1]), mode)));
}

// String(number, character): the character as a code or as the first character of a string.
TQ_BUILTIN(fnString) {
  if (a[0].isNull() || a[1].isNull()) return Value::null();
  int64_t k = countArg(a[0]);
  std::u16string c;
  if (a[1].isString()) {
    c = wide(a[1]);
    if (c.empty()) raise(err::InvalidCall);
    c.resize(1);
  } else {
    int32_t code = lng(a[1]);
    c = std::u16string(1, char16_t(((code % 256) + 256) % 256));
  }
  std::string one = toUtf8(c);
  checkLength(size_t(k) * one.size());
  std::string out;
  out.reserve(size_t(k) * one.size());
  for (int64_t i = 0; i < k; ++i) out += one;
  return makeString(std::move(out));
}

TQ_BUILTIN(fnStrReverse) {
  if (a[0].isNull()) raise(err::InvalidUseOfNull);
  std::u16string s = wide(a[0]);
  std::reverse(s.begin(), s.end());
  for (size_t i = 0; i + 1 < s.size(); ++i)  // keep surrogate pairs in order
    if (s[i] >= 0xDC00 && s[i] < 0xE000 && s[i + 1] >= 0xD800 && s[i + 1] < 0xDC00) std::swap(s[i], s[i + 1]), ++i;
  return u16(s);
}

}  // namespace tablique::script
