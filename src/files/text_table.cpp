// The text table file's layout.
#include "files/text_table.h"

#include <algorithm>
#include <cstring>

#include <tablique/grid.h>

namespace tablique::files {

UsedArea usedArea(const Grid& grid) {
  UsedArea a;
  const int32_t rows = grid.Rows(), cols = grid.Cols();
  for (int32_t i = 1; i < rows; ++i)
    for (int32_t j = cols - 1; j > 0; --j) {
      if (grid.textAt(i, j).empty()) continue;
      if (j > a.lastCol) a.lastCol = j;
      a.lastRow = i;
      break;  // the rightmost non-empty cell of the row decides
    }
  return a;
}

std::string buildTextTable(const Grid& grid) {
  const UsedArea a = usedArea(grid);
  std::string out;
  // Row by row: the row's size, then its bytes written in place (one visit of the cells while
  // they are in the cache). The buffer grows geometrically.
  out.reserve(size_t(a.lastRow) * size_t(a.lastCol) * 8 + 2);
  for (int32_t i = 1; i <= a.lastRow; ++i) {
    size_t size = size_t(a.lastCol) + 1;  // TABs and CR LF
    for (int32_t j = 1; j <= a.lastCol; ++j) size += grid.textAt(i, j).size();
    const size_t at = out.size();
    if (out.capacity() < at + size + 2) out.reserve(std::max(out.capacity() * 2, at + size + 2));
    out.resize(at + size);
    char* p = out.data() + at;
    for (int32_t j = 1; j <= a.lastCol; ++j) {
      const std::string& text = grid.textAt(i, j);
      std::memcpy(p, text.data(), text.size());
      p += text.size();
      *p++ = '\t';
    }
    p[-1] = '\r';  // the last cell ends the line
    *p = '\n';
  }
  out += "\r\n";
  return out;
}

std::string joinLinesCrLf(std::string text) {
  // Already CR LF throughout (every CR before an LF, every LF after a CR): only a missing last
  // line end is added.
  bool plain = true;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (const char* p = begin; plain;) {
    const char* cr = static_cast<const char*>(std::memchr(p, '\r', size_t(end - p)));
    if (!cr) break;
    plain = cr + 1 < end && cr[1] == '\n';
    p = cr + 1;
  }
  for (const char* p = begin; plain;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    if (!lf) break;
    plain = lf > begin && lf[-1] == '\r';
    p = lf + 1;
  }
  if (plain) {
    if (!text.empty() && !(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0))
      text += "\r\n";
    return text;
  }
  std::string out;
  out.reserve(text.size() + 2);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      out.append(text, start);
      out += "\r\n";
      break;
    }
    out.append(text, start, end - start);
    out += "\r\n";
    start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
  }
  return out;
}

}  // namespace tablique::files
