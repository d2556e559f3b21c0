// Copy: the selection to the clipboard and a marked copy kept for the paste.
#include <tablique/control.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "editing/copy_text.h"
#include "editing/selection.h"

namespace tablique::editing {

namespace {

// Characters that change between a cell's text and its marked or plain form.
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> t{};
  for (unsigned char ch : {' ', ',', '\t', '\r', '\n', '\x01', '\x02', '\x08', '\x10', '\x11', '\x12', '\x13'})
    t[ch] = true;
  return t;
}();

// The mark that stands for ch inside a cell of the marked text, or 0 when ch stays as it is.
constexpr char markOf(char ch) {
  switch (ch) {
    case ',': return kCommaInCell;
    case ' ': return kSpaceInCell;
    case '\t': return kTabInCell;
    case '\r': return kCrInCell;
    case '\n': return kLfInCell;
    default: return 0;
  }
}

// Characters of a cell that are marks themselves: kept behind kLiteralNext.
constexpr bool isMarkChar(char ch) { return ch == kCellMark || ch == kLiteralNext || unmark(ch) != 0; }

std::string_view trimSpaces(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

// Both texts are written through raw pointers into buffers sized for the usual case (every cell
// plus its marker and separator, 16 bytes of slack; the marked buffer grows for a cell with
// marks): a short cell is copied as one 16-byte block, which a std::string always has readable
// (its buffer holds at least 15 characters and the terminator).
CopyTexts buildCopyTexts(const Grid& grid, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  const bool lineEnds = r1 != r0;
  size_t total = 16;
  for (int32_t i = r0; i <= r1; ++i)
    for (int32_t j = c0; j <= c1; ++j) total += grid.textAt(i, j).size() + 2;
  total += size_t(r1 - r0 + 1) * 2;
  CopyTexts out;
  out.marked.resize(total);
  out.clipboard.resize(total);
  char* pm = out.marked.data();
  char* pc = out.clipboard.data();
  size_t ahead = total;  // what the cells not yet written take by the usual size, slack included
  for (int32_t i = r0; i <= r1; ++i) {
    for (int32_t j = c0; j <= c1; ++j) {
      const std::string& text = grid.textAt(i, j);
      *pm++ = kCellMark;
      const size_t n = text.size();
      ahead -= n + 2;
      bool plain = n == 0 || (text.front() != ' ' && text.back() != ' ');
      for (size_t k = 0; k < n && plain; ++k) plain = !kSpecial[static_cast<unsigned char>(text[k])];
      if (plain && n <= 16) {
        std::memcpy(pm, text.data(), 16);
        std::memcpy(pc, text.data(), 16);
        pm += n;
        pc += n;
      } else if (plain) {
        std::memcpy(pm, text.data(), n);
        std::memcpy(pc, text.data(), n);
        pm += n;
        pc += n;
      } else {
        // A character kept behind kLiteralNext takes two bytes: room for the cell doubled.
        const size_t used = size_t(pm - out.marked.data()), need = used + 2 * n + 1 + ahead;
        if (out.marked.size() < need) {
          out.marked.resize(std::max(2 * out.marked.size(), need));
          pm = out.marked.data() + used;
        }
        // The clipboard text is trimmed; the marked text keeps the edge spaces, each behind
        // kLiteralNext (which an inner space, marked U+0002, never is), so the own copy gives the
        // cell back exactly.
        const std::string_view inner = trimSpaces(text);
        const size_t lead = size_t(inner.data() - text.data()), trail = n - lead - inner.size();
        for (size_t k = 0; k < lead; ++k) *pm++ = kLiteralNext, *pm++ = ' ';
        for (char ch : inner) {
          if (const char mark = markOf(ch)) {
            *pm++ = mark;
          } else {
            if (isMarkChar(ch)) *pm++ = kLiteralNext;
            *pm++ = ch;
          }
          if (ch != kCellMark) *pc++ = plainChar(ch);
        }
        for (size_t k = 0; k < trail; ++k) *pm++ = kLiteralNext, *pm++ = ' ';
      }
      if (j != c1) {
        *pm++ = '\t';
        *pc++ = '\t';
      }
    }
    ahead -= 2;
    if (lineEnds) {
      *pm++ = '\r';
      *pm++ = '\n';
      *pc++ = '\r';
      *pc++ = '\n';
    }
  }
  out.marked.resize(size_t(pm - out.marked.data()));
  out.clipboard.resize(size_t(pc - out.clipboard.data()));
  return out;
}

}  // namespace tablique::editing

namespace tablique {

// Without a usable selection nothing happens. The selection is normalised in place first; rows
// or columns selected over their headers are copied whole.
void Control::copysel() {
  editing::CellRect r;
  if (!editing::selectedCells(st_, grid_, r)) return;
  editing::requireInside(grid_, r);
  editing::CopyTexts texts = editing::buildCopyTexts(grid_, r.r0, r.c0, r.r1, r.c1);
  st_.copyText = std::move(texts.marked);
  platform_->clearClipboard();
  platform_->setClipboardText(std::move(texts.clipboard));
}

}  // namespace tablique
