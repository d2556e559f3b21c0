// The text table file's layout.
#include "files/text_table.h"

#include <algorithm>
#include <array>
#include <cstring>

#include <tablique/grid.h>

#include "editing/paste_text.h"
#include "files/file_error.h"

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

namespace {

// Bytes that make a cell quoted: 1 in any text file, 2 only where the file would be numeric.
// NUL is 3 (refused).
constexpr std::array<uint8_t, 256> kQuoteClass = [] {
  std::array<uint8_t, 256> t{};
  t['\t'] = t['\r'] = t['\n'] = 1;
  t[','] = t[' '] = 2;
  t[0] = 3;
  return t;
}();

// 0: as it stands; 1: quoted; 3: holds NUL.
int cellClass(std::string_view text, int quoteLevel) {
  if (text.empty()) return 0;
  int worst = text.front() == '"' ? 1 : 0;
  for (char ch : text) {
    const int k = kQuoteClass[static_cast<unsigned char>(ch)];
    if (k == 3) return 3;
    if (k != 0 && k <= quoteLevel) worst = 1;
  }
  return worst;
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

// The table with cells quoted by `quoteLevel` (1: TAB, CR, LF; 2: also "," and space).
std::string build(const Grid& grid, const UsedArea& a, int quoteLevel, std::string_view what) {
  std::string out;
  out.reserve(size_t(a.lastRow) * size_t(a.lastCol) * 8 + 2);
  for (int32_t i = 1; i <= a.lastRow; ++i) {
    for (int32_t j = 1; j <= a.lastCol; ++j) {
      const std::string& text = grid.textAt(i, j);
      switch (cellClass(text, quoteLevel)) {
        case 0: out += text; break;
        case 1: appendQuoted(out, text); break;
        default: {
          const std::string cell = "(" + std::to_string(i) + "," + std::to_string(j) + ")";
          failFile(what, "cell " + cell + " holds U+0000, which a text file cannot carry",
                   "无法保存：单元格" + cell + "含有字符U+0000，文本文件不能保存它！");
        }
      }
      out += j < a.lastCol ? "\t" : "\r\n";
    }
  }
  out += "\r\n";
  return out;
}

}  // namespace

std::string buildTextTable(const Grid& grid, std::string_view what) {
  const UsedArea a = usedArea(grid);
  std::string out = build(grid, a, 1, what);
  if (out.find_first_of(", ") != std::string::npos &&
      editing::classifyPasteText(out, std::string_view()) == editing::PasteSource::Numeric)
    out = build(grid, a, 2, what);
  return out;
}

}  // namespace tablique::files
