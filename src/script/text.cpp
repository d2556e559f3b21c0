#include "script/text.h"

#include <algorithm>

#include "script/case_table.h"

namespace tablique::script {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
  char32_t cp;
  int len;  // bytes used
  bool ok;  // false: one byte that is no UTF-8
};

bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// One character at s[i]; a surrogate's three-byte form counts as a character here.
Decoded decode(std::string_view s, size_t i) {
  unsigned char c = (unsigned char)s[i];
  if (c < 0x80) return {c, 1, true};
  int len = c >= 0xF0 && c < 0xF5 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
  if (len == 0 || i + size_t(len) > s.size()) return {c, 1, false};
  char32_t cp = len == 4 ? c & 0x07 : len == 3 ? c & 0x0F : c & 0x1F;
  for (int k = 1; k < len; ++k) {
    unsigned char d = (unsigned char)s[i + size_t(k)];
    if (!continuation(d)) return {c, 1, false};
    cp = (cp << 6) | (d & 0x3F);
  }
  if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))) return {c, 1, false};
  return {cp, len, true};
}

bool isSurrogate(char32_t c) { return c >= 0xD800 && c < 0xE000; }
bool isHigh(char32_t c) { return c >= 0xD800 && c < 0xDC00; }
bool isLow(char32_t c) { return c >= 0xDC00 && c < 0xE000; }

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

template <class Map>
std::string mapText(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    Decoded d = decode(s, i);
    if (d.ok) appendUtf8(out, map(d.cp));
    else out += s[i];
    i += size_t(d.len);
  }
  return out;
}

char32_t fold(char32_t c) { return lowerCase(upperCase(c)); }
}  // namespace

bool isAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

std::u16string toUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    Decoded d = decode(s, i);
    i += size_t(d.len);
    if (!d.ok) {
      out += char16_t(kReplacement);
    } else if (d.cp >= 0x10000) {
      out += char16_t(0xD800 + ((d.cp - 0x10000) >> 10));
      out += char16_t(0xDC00 + ((d.cp - 0x10000) & 0x3FF));
    } else {
      out += char16_t(d.cp);
    }
  }
  return out;
}

std::string toUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (isHigh(c) && i + 1 < s.size() && isLow(s[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    }
    appendUtf8(out, c);  // a lone surrogate keeps its three-byte form
  }
  return out;
}

std::string upperText(std::string_view s) { return mapText(s, upperCase); }
std::string lowerText(std::string_view s) { return mapText(s, lowerCase); }

std::u16string foldCase(std::u16string s) {
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (isHigh(c) && i + 1 < s.size() && isLow(s[i + 1])) {
      char32_t f = fold(0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00)) - 0x10000;
      s[i] = char16_t(0xD800 + (f >> 10));
      s[++i] = char16_t(0xDC00 + (f & 0x3FF));
    } else if (!isSurrogate(c)) {
      s[i] = char16_t(fold(c));
    }
  }
  return s;
}

std::string joinSurrogates(std::string s) {
  size_t i = s.find('\xED');
  if (i == std::string::npos) return s;
  std::string out(s, 0, i);
  while (i < s.size()) {
    Decoded hi = decode(s, i);
    if (hi.ok && isHigh(hi.cp) && i + 6 <= s.size()) {
      Decoded lo = decode(s, i + 3);
      if (lo.ok && isLow(lo.cp)) {
        appendUtf8(out, 0x10000 + ((hi.cp - 0xD800) << 10) + (lo.cp - 0xDC00));
        i += 6;
        continue;
      }
    }
    out.append(s, i, size_t(hi.len));
    i += size_t(hi.len);
  }
  return out;
}

int compareUnits(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size()), i = 0;
  while (i < n && a[i] == b[i]) ++i;
  if (i == n) return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
  unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
  auto pairLead = [](unsigned char c) { return c >= 0xF0; };       // U+10000 and above
  auto highBmpLead = [](unsigned char c) { return c == 0xEE || c == 0xEF; };  // U+E000..U+FFFF
  if ((pairLead(x) && highBmpLead(y)) || (highBmpLead(x) && pairLead(y))) return x < y ? 1 : -1;
  return x < y ? -1 : 1;
}

std::string validText(std::string_view s) {
  std::string joined = joinSurrogates(std::string(s));
  std::string out;
  out.reserve(joined.size());
  for (size_t i = 0; i < joined.size();) {
    Decoded d = decode(joined, i);
    if (d.ok && !isSurrogate(d.cp)) out.append(joined, i, size_t(d.len));
    else appendUtf8(out, kReplacement);
    i += size_t(d.len);
  }
  return out;
}

// ---- search ---------------------------------------------------------------------------------

namespace {
constexpr size_t kShortNeedle = 32;
}

Searcher::Searcher(std::u16string_view needle) : needle_(needle) {
  if (needle.size() <= kShortNeedle) return;
  // border_[i]: length of the longest proper border of needle[0..i]
  border_.assign(needle.size(), 0);
  uint32_t k = 0;
  for (size_t i = 1; i < needle.size(); ++i) {
    while (k && needle[i] != needle[k]) k = border_[k - 1];
    if (needle[i] == needle[k]) ++k;
    border_[i] = k;
  }
}

size_t Searcher::find(std::u16string_view hay, size_t from) const {
  if (border_.empty()) return hay.find(needle_, from);
  const size_t m = needle_.size();
  size_t k = 0;
  for (size_t i = from; i < hay.size(); ++i) {
    while (k && hay[i] != needle_[k]) k = border_[k - 1];
    if (hay[i] == needle_[k] && ++k == m) return i + 1 - m;
  }
  return std::u16string_view::npos;
}

size_t findLast(std::u16string_view hay, std::u16string_view needle, size_t end) {
  const size_t m = needle.size();
  if (m > end || end > hay.size()) return std::u16string_view::npos;
  if (m <= kShortNeedle) return hay.rfind(needle, end - m);
  std::u16string h(hay.substr(0, end).rbegin(), hay.substr(0, end).rend());
  std::u16string n(needle.rbegin(), needle.rend());
  size_t p = Searcher(n).find(h);
  return p == std::u16string_view::npos ? p : end - p - m;
}

}  // namespace tablique::script
