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

// Bits of the bytes that decide how a cell is written: 1 TAB, CR, LF (quoted); 2 "," and space
// (quoted where the file would be numeric); 4 NUL (refused).
constexpr std::array<uint8_t, 256> kQuoteBits = [] {
  std::array<uint8_t, 256> t{};
  t['\t'] = t['\r'] = t['\n'] = 1;
  t[','] = t[' '] = 2;
  t[0] = 4;
  return t;
}();

// True when a byte of `text` is below 0x20 (TAB, CR, LF and NUL among them), 8 bytes at a time.
bool hasControlByte(std::string_view text) {
  constexpr uint64_t kLow = 0x2020202020202020ull, kHigh = 0x8080808080808080ull;
  const auto below = [](uint64_t w) { return ((w - kLow) & ~w & kHigh) != 0; };
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    if (below(w)) return true;
  }
  for (; i < text.size(); ++i)
    if (static_cast<unsigned char>(text[i]) < 0x20) return true;
  return false;
}

// 0: as it stands; 1: quoted; 3: holds NUL. quoteBits: the bits that make a cell quoted.
int cellClass(std::string_view text, uint8_t quoteBits) {
  if (text.empty()) return 0;
  if (quoteBits == 1 && !hasControlByte(text)) return text.front() == '"' ? 1 : 0;
  uint8_t seen = 0;
  for (char ch : text) seen |= kQuoteBits[static_cast<unsigned char>(ch)];
  if (seen & 4) return 3;
  return (seen & quoteBits) || text.front() == '"' ? 1 : 0;
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char ch : text) {
    if (ch == '"') out += '"';
    out += ch;
  }
  out += '"';
}

[[noreturn]] void failNul(std::string_view what, int32_t i, int32_t j) {
  const std::string cell = "(" + std::to_string(i) + "," + std::to_string(j) + ")";
  failFile(what, "cell " + cell + " holds U+0000, which a text file cannot carry",
           "无法保存：单元格" + cell + "含有字符U+0000，文本文件不能保存它！");
}

// The table with cells quoted by `quoteBits` (see kQuoteBits). Row by row: a row without a
// quoted cell is sized first and its bytes copied in place.
std::string build(const Grid& grid, const UsedArea& a, uint8_t quoteBits, std::string_view what) {
  std::string out;
  out.reserve(size_t(a.lastRow) * size_t(a.lastCol) * 8 + 2);
  for (int32_t i = 1; i <= a.lastRow; ++i) {
    size_t size = size_t(a.lastCol) + 1;  // TABs and CR LF
    bool plain = true;
    for (int32_t j = 1; j <= a.lastCol; ++j) {
      const std::string& text = grid.textAt(i, j);
      const int k = cellClass(text, quoteBits);
      if (k == 3) failNul(what, i, j);
      plain = plain && k == 0;
      size += text.size();
    }
    if (!plain) {
      for (int32_t j = 1; j <= a.lastCol; ++j) {
        const std::string& text = grid.textAt(i, j);
        if (cellClass(text, quoteBits) == 1) appendQuoted(out, text);
        else out += text;
        out += j < a.lastCol ? '\t' : '\r';
      }
      out += '\n';
      continue;
    }
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

}  // namespace

std::string buildTextTable(const Grid& grid, std::string_view what) {
  if (grid.Rows() < 2 || grid.Cols() < 2) return "\r\n\r\n";  // no data cell: an empty table
  const UsedArea a = usedArea(grid);
  std::string out = build(grid, a, 1, what);
  if (out.find_first_of(", ") != std::string::npos &&
      editing::classifyPasteText(out, std::string_view()) == editing::PasteSource::Numeric)
    out = build(grid, a, 1 | 2, what);
  return out;
}

}  // namespace tablique::files
