// The text table file's layout.
#include "files/text_table.h"

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
  size_t size = 2;
  for (int32_t i = 1; i <= a.lastRow; ++i)
    for (int32_t j = 1; j <= a.lastCol; ++j) size += grid.textAt(i, j).size() + 1;
  size += size_t(a.lastRow);
  std::string out;
  out.reserve(size);
  for (int32_t i = 1; i <= a.lastRow; ++i) {
    for (int32_t j = 1; j < a.lastCol; ++j) {
      out += grid.textAt(i, j);
      out += '\t';
    }
    out += grid.textAt(i, a.lastCol);
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

std::string joinLinesCrLf(std::string text) {
  // Already CR LF throughout: only a missing last line end is added.
  bool plain = true;
  const size_t n = text.size();
  for (size_t i = 0; i < n && plain; ++i) {
    const char ch = text[i];
    if (ch == '\r') plain = i + 1 < n && text[++i] == '\n';
    else if (ch == '\n') plain = false;
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
