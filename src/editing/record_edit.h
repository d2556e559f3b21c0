// Renumbering inside formula records, one scan per record.
//
// Row tags: a cell formula piece ends with kRowMark, the row number and ";" (e.g. <B>12;). The
// whole sequence is matched, so row 1 never matches row 11. A tag is kept, renumbered, or
// retired ("@;", the piece then is a retired piece).
//
// Column references are rewritten by formula::renumberReferences (formula/references.h).
//
// Every rewrite maps each number once, so moving a range of numbers up or down, or exchanging two
// numbers, needs no ordering and no placeholders.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "formula/record.h"

namespace tablique::editing {

inline constexpr int32_t kKeep = 0;     // row tag / reference map: leave this one as it is
inline constexpr int32_t kRetire = -1;  // row tag map: retire the piece

namespace detail {

// A decimal number as the records write it (no sign, no leading zero, fits 32 bits); -1 if not.
inline int32_t parseTagNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 9 || (digits[0] == '0' && digits.size() > 1)) return -1;
  int32_t v = 0;
  for (char ch : digits) v = v * 10 + (ch - '0');
  return v;
}

inline bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

}  // namespace detail

// Rewrites every row tag kRowMark t ";" of `record` through map(t): kKeep, kRetire or the new
// row number. Returns whether the record changed.
template <typename Map>
bool rewriteRowTags(std::string& record, Map map) {
  std::string out;
  bool changed = false;
  size_t copied = 0;  // record[copied, ...) not yet appended to out
  size_t pos = record.find(formula::kRowMark);
  while (pos != std::string::npos) {
    size_t end = pos + 1;
    while (end < record.size() && detail::isDigit(record[end])) ++end;
    if (end < record.size() && record[end] == ';') {
      const int32_t t = detail::parseTagNumber(std::string_view(record).substr(pos + 1, end - pos - 1));
      const int32_t to = t > 0 ? int32_t(map(t)) : kKeep;
      if (to != kKeep && to != t) {
        if (!changed) out.reserve(record.size() + 16);
        changed = true;
        out.append(record, copied, pos - copied);
        if (to == kRetire) {
          out += "@;";
        } else {
          out += formula::kRowMark;
          out += std::to_string(to);
          out += ';';
        }
        copied = end + 1;
      }
      pos = record.find(formula::kRowMark, end + 1);
    } else {
      pos = record.find(formula::kRowMark, pos + 1);
    }
  }
  if (!changed) return false;
  out.append(record, copied, std::string::npos);
  record = std::move(out);
  return true;
}

// Whether the record holds "C" followed by the decimal digits of some m in [lo, hi] anywhere
// (a plain substring test: m = 1 also matches C10). This is the paste's recalculation test.
bool mentionsColumnText(std::string_view record, int32_t lo, int32_t hi);

}  // namespace tablique::editing
