// Byte functions (LenB AscB ChrB MidB LeftB RightB InStrB) and Escape / Unescape.
//
// A string's bytes are its UTF-16 code units, low byte first, as VBScript lays them out: LenB
// is twice Len and AscB reads the low byte of the first unit. Strings here hold whole code
// units, so a byte range selects the units whose low byte lies in it (LeftB(s, 3) is two
// characters, MidB(s, 2, 2) the second) and ChrB(b) is the character with code unit b.
#include <algorithm>

#include "script/builtins.h"

namespace tablique::script {

namespace {
Value u16(std::u16string_view s) { return makeString(toUtf8(s)); }

// Code units [ceil(from / 2), ceil(to / 2)) of s for the byte range [from, to).
Value byteRange(const std::u16string& s, int64_t from, int64_t to) {
  const size_t first = size_t(std::min<int64_t>((from + 1) / 2, int64_t(s.size())));
  const size_t last = size_t(std::min<int64_t>((to + 1) / 2, int64_t(s.size())));
  return u16(std::u16string_view(s).substr(first, last > first ? last - first : 0));
}

// A byte count: 5 when negative, 94 for Null.
int64_t byteCount(const Value& v) { return countArg(v); }
}  // namespace

TQ_BUILTIN(fnLenB) {
  if (a[0].isNull()) return a[0];
  return Value::longValue(int32_t(2 * toUtf16(text(a[0])).size()));
}

TQ_BUILTIN(fnAscB) {
  const std::u16string s = toUtf16(text(a[0]));
  if (s.empty()) raise(err::InvalidCall);
  return Value::byte(uint8_t(s[0] & 0xFF));
}

TQ_BUILTIN(fnChrB) {
  const int32_t b = lng(a[0]);
  if (b < 0 || b > 255) raise(err::InvalidCall);
  return u16(std::u16string(1, char16_t(b)));
}

TQ_BUILTIN(fnMidB) {
  if (a[0].isNull()) return a[0];
  const int64_t start = lng(a[1]);
  if (start < 1) raise(err::InvalidCall);
  const std::u16string s = toUtf16(text(a[0]));
  const int64_t bytes = int64_t(2 * s.size());
  const int64_t count = has(a, n, 2) ? byteCount(a[2]) : bytes;
  return byteRange(s, start - 1, start - 1 + std::min(count, bytes));
}

TQ_BUILTIN(fnLeftB) {
  if (a[0].isNull()) return a[0];
  const int64_t count = byteCount(a[1]);
  const std::u16string s = toUtf16(text(a[0]));
  return byteRange(s, 0, std::min(count, int64_t(2 * s.size())));
}

TQ_BUILTIN(fnRightB) {
  if (a[0].isNull()) return a[0];
  const int64_t count = byteCount(a[1]);
  const std::u16string s = toUtf16(text(a[0]));
  const int64_t bytes = int64_t(2 * s.size());
  return byteRange(s, bytes - std::min(count, bytes), bytes);
}

// InStrB([start,] s1, s2 [, compare]): the byte position of s2 in s1, always odd; 0 if absent.
// InStr searches from the first unit whose low byte is at or after start.
TQ_BUILTIN(fnInStrB) {
  Value args[4];
  std::copy(a, a + n, args);
  if (n >= 3 && !a[0].isNull()) {
    const int64_t start = lng(a[0]);
    if (start < 1) raise(err::InvalidCall);
    args[0] = Value::longValue(int32_t(start / 2 + 1));
  }
  const Value at = fnInStr(in, args, n);
  if (at.isNull() || at.integral() == 0) return at;
  return Value::longValue(int32_t(2 * at.integral() - 1));
}

// Escape: letters, digits and @*_+-./ stay; other units below 256 become %XX, the rest %uXXXX.
TQ_BUILTIN(fnEscape) {
  if (a[0].isNull()) return a[0];
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char16_t c : toUtf16(text(a[0]))) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                       std::u16string_view(u"@*_+-./").find(c) != std::u16string_view::npos;
    if (plain) {
      out += char(c);
    } else if (c < 256) {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    } else {
      out += {'%', 'u', kHex[c >> 12], kHex[(c >> 8) & 15], kHex[(c >> 4) & 15], kHex[c & 15]};
    }
    checkLength(out.size());
  }
  return makeString(std::move(out));
}

// Unescape: %XX and %uXXXX become their code units; any other "%" stays as it is.
TQ_BUILTIN(fnUnescape) {
  if (a[0].isNull()) return a[0];
  const std::u16string s = toUtf16(text(a[0]));
  auto hexAt = [&s](size_t i, size_t digits, char16_t& out) {
    if (i + digits > s.size()) return false;
    out = 0;
    for (size_t k = i; k < i + digits; ++k) {
      const char16_t c = s[k];
      const int d = c >= u'0' && c <= u'9' ? c - u'0' : (c | 0x20) >= u'a' && (c | 0x20) <= u'f' ? (c | 0x20) - u'a' + 10 : -1;
      if (d < 0) return false;
      out = char16_t(out * 16 + d);
    }
    return true;
  };
  std::u16string out;
  for (size_t i = 0; i < s.size(); ++i) {
    char16_t c;
    if (s[i] == u'%' && i + 1 < s.size() && s[i + 1] == u'u' && hexAt(i + 2, 4, c)) {
      out += c;
      i += 5;
    } else if (s[i] == u'%' && hexAt(i + 1, 2, c)) {
      out += c;
      i += 2;
    } else {
      out += s[i];
    }
  }
  return u16(out);
}

}  // namespace tablique::script
