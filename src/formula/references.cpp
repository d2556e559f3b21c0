#include "formula/references.h"

#include <algorithm>

namespace tablique::formula {

std::vector<int32_t> referencedColumns(std::string_view record, int32_t maxCol) {
  std::vector<int32_t> out;
  forEachLivePiece(record, [&](std::string_view piece) {
    forEachReference(piece, maxCol, true, [&](size_t, size_t, int32_t col) { out.push_back(col); });
  });
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

bool referencesColumn(std::string_view record, int32_t n, int32_t maxCol) {
  bool found = false;
  forEachLivePiece(record, [&](std::string_view piece) {
    if (!found)
      forEachReference(piece, maxCol, true, [&](size_t, size_t, int32_t col) { found |= col == n; });
  });
  return found;
}

}  // namespace tablique::formula
