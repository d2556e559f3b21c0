// Column references as the translation reads them, in a formula text or a stored record.
//
// A reference is "C" followed by the longest digit prefix that names a column 1..maxCol (no
// leading zero): "C12" is column 12 when maxCol >= 12, column 1 and a literal "2" otherwise.
// This is the replacement from the highest column down to 1, done in one scan. Marked or not,
// whatever follows it: C2 + C3, C2>C3, "C4x" and a reference that ends the text all count.
//
// In a stored record the reference marks are not part of the text the translation sees, so a
// stored scan reads through them ("C1<4>2" decodes to "C12"); the marks themselves are kept by
// every rewrite. Pieces are scanned whole; ";" and the row mark end every reference.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formula/record.h"

namespace tablique::formula {

// Calls fn(at, end, column) for each reference in text order: text[at] is its "C", its digits
// end before `end`. stored: kRefMark inside the digits is read through.
template <typename Fn>
void forEachReference(std::string_view text, int32_t maxCol, bool stored, Fn fn) {
  for (size_t at = text.find('C'); at != std::string_view::npos;) {
    int64_t value = 0;
    int32_t col = 0;
    size_t end = at + 1;
    for (size_t j = at + 1; j < text.size(); ++j) {
      const char ch = text[j];
      if (stored && ch == kRefMark) continue;
      if (ch < '0' || ch > '9' || (value == 0 && ch == '0')) break;
      value = value * 10 + (ch - '0');
      if (value > maxCol) break;
      col = int32_t(value);
      end = j + 1;
    }
    if (col > 0) fn(at, end, col);
    at = text.find('C', col > 0 ? end : at + 1);
  }
}

// The columns that the live formulas of a stored record reference (the column formula when
// the record starts with one, and every cell formula), ascending, no duplicates. Retired
// pieces and older column formulas count for nothing: nothing evaluates them.
std::vector<int32_t> referencedColumns(std::string_view record, int32_t maxCol);

// Whether the live formulas of the record reference column n.
bool referencesColumn(std::string_view record, int32_t n, int32_t maxCol);

// Rewrites every reference t of the record, live or not, through map(t): 0 keeps it, any
// other value is its new column number. Returns whether the record changed.
template <typename Map>
bool renumberReferences(std::string& record, int32_t maxCol, Map map) {
  std::string out;
  size_t copied = 0;
  forEachReference(record, maxCol, true, [&](size_t at, size_t end, int32_t t) {
    const int32_t to = int32_t(map(t));
    if (to <= 0 || to == t) return;
    out.append(record, copied, at + 1 - copied);
    out += std::to_string(to);
    for (size_t j = at + 1; j < end; ++j)
      if (record[j] == kRefMark) out.push_back(kRefMark);
    copied = end;
  });
  if (copied == 0) return false;
  out.append(record, copied, std::string::npos);
  record = std::move(out);
  return true;
}

}  // namespace tablique::formula
