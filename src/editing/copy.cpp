// Copy: the selection to the clipboard and a marked copy kept for the paste.
#include <tablique/control.h>

#include <array>

#include "editing/copy_text.h"
#include "editing/selection.h"

namespace tablique::editing {

namespace {

// Characters that change between a cell's text and its marked or plain form.
constexpr std::array<bool, 256> kSpecial = [] {
  std::array<bool, 256> t{};
  for (unsigned char ch : {' ', ',', '\x01', '\x02', '\x08'}) t[ch] = true;
  return t;
}();

std::string_view trimSpaces(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

CopyTexts buildCopyTexts(const Grid& grid, int32_t r0, int32_t c0, int32_t r1, int32_t c1) {
  const bool lineEnds = r1 != r0;
  size_t total = 0;
  for (int32_t i = r0; i <= r1; ++i)
    for (int32_t j = c0; j <= c1; ++j) total += grid.textAt(i, j).size() + 2;
  total += size_t(r1 - r0 + 1) * 2;
  CopyTexts out;
  out.marked.reserve(total);
  out.clipboard.reserve(total);
  for (int32_t i = r0; i <= r1; ++i) {
    for (int32_t j = c0; j <= c1; ++j) {
      const std::string_view cell = trimSpaces(grid.textAt(i, j));
      out.marked += kCellMark;
      bool plain = true;
      for (char ch : cell)
        if (kSpecial[static_cast<unsigned char>(ch)]) { plain = false; break; }
      if (plain) {
        out.marked.append(cell);
        out.clipboard.append(cell);
      } else {
        for (char ch : cell) {
          // marked: "," and " " protected; plain: markers resolved, U+0008 dropped
          out.marked += ch == ',' ? kCommaInCell : ch == ' ' ? kSpaceInCell : ch;
          if (ch == kCellMark) continue;
          out.clipboard += ch == kCommaInCell ? ',' : ch == kSpaceInCell ? ' ' : ch;
        }
      }
      if (j != c1) {
        out.marked += '\t';
        out.clipboard += '\t';
      }
    }
    if (lineEnds) {
      out.marked += "\r\n";
      out.clipboard += "\r\n";
    }
  }
  return out;
}

}  // namespace tablique::editing

namespace tablique {

// A selection with a 0 member is ignored. The selection is normalised in place first.
void Control::copysel() {
  if (!editing::normaliseSelection(st_)) return;
  editing::requireInside(grid_, st_);
  editing::CopyTexts texts = editing::buildCopyTexts(grid_, st_.rr0, st_.cc0, st_.RR, st_.cc);
  st_.copyText = std::move(texts.marked);
  platform_->clearClipboard();
  platform_->setClipboardText(std::move(texts.clipboard));
}

}  // namespace tablique
