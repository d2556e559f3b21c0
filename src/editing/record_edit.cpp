#include "editing/record_edit.h"

namespace tablique::editing {

// Each "C" is followed by a run of digits; "C"m is a substring exactly when m's digits are a
// prefix of that run, so the prefixes of every run are checked against the range.
bool mentionsColumnText(std::string_view record, int32_t lo, int32_t hi) {
  if (hi < lo || hi < 1) return false;
  for (size_t pos = record.find('C'); pos != std::string_view::npos; pos = record.find('C', pos + 1)) {
    size_t i = pos + 1;
    if (i >= record.size() || record[i] == '0') continue;
    int64_t m = 0;
    while (i < record.size() && detail::isDigit(record[i])) {
      m = m * 10 + (record[i] - '0');
      if (m > hi) break;
      if (m >= lo) return true;
      ++i;
    }
  }
  return false;
}

}  // namespace tablique::editing
