// The paste's splitting rules (see paste_text.h). One scan over the source text; cells are
// built straight from slices of it.
#include "editing/paste_text.h"

#include <algorithm>
#include <array>

#include "editing/copy_text.h"

namespace tablique::editing {

namespace {

// Characters that the numeric test disregards.
constexpr std::array<bool, 256> kNumericNoise = [] {
  std::array<bool, 256> t{};
  for (unsigned char ch : {' ', ',', '\t', '\r', '\n', '.', '-', '+', 'e', 'E'}) t[ch] = true;
  return t;
}();

bool isNumericText(std::string_view text) {
  bool digit = false;
  for (char ch : text) {
    const auto u = static_cast<unsigned char>(ch);
    if (kNumericNoise[u]) continue;
    if (u < '0' || u > '9') return false;
    digit = true;
  }
  return digit;
}

// text == the clipboard text of copyText (markers resolved), i.e. the control's own last copy
bool isOwnClipboardText(std::string_view text, std::string_view copyText) {
  size_t i = 0;
  for (char ch : copyText) {
    if (ch == kCellMark) continue;
    const char plain = ch == kCommaInCell ? ',' : ch == kSpaceInCell ? ' ' : ch;
    if (i == text.size() || text[i] != plain) return false;
    ++i;
  }
  return i == text.size();
}

// Per rule: which characters end a cell, and which need the slow path (markers inside a cell).
struct Rules {
  std::array<bool, 256> stop{};  // separators, CR, markers
  std::array<bool, 256> sep{};   // cell separators
};

Rules rulesFor(PasteSource source) {
  Rules r;
  auto both = [&](char ch) { r.stop[static_cast<unsigned char>(ch)] = r.sep[static_cast<unsigned char>(ch)] = true; };
  both('\t');
  if (source != PasteSource::Text) both(',');   // text: commas belong to the cell
  if (source == PasteSource::Numeric) both(' ');  // numeric: spaces separate too
  for (char ch : {'\r', kCellMark, kCommaInCell, kSpaceInCell}) r.stop[static_cast<unsigned char>(ch)] = true;
  return r;
}

// A cell's final text: markers resolved, U+0008 removed, spaces trimmed.
std::string_view trimSpaces(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

std::string cellText(std::string_view raw, bool marked) {
  if (!marked) return std::string(trimSpaces(raw));
  std::string s;
  s.reserve(raw.size());
  for (char ch : raw) {
    if (ch == kCellMark) continue;
    s += ch == kCommaInCell ? ',' : ch == kSpaceInCell ? ' ' : ch;
  }
  const std::string_view t = trimSpaces(s);
  if (t.size() == s.size()) return s;
  return std::string(t);
}

}  // namespace

PasteSource classifyPasteText(std::string_view text, std::string_view copyText) {
  if (!copyText.empty() && !text.empty() && text[0] == kCellMark) return PasteSource::OwnCopy;
  if (isOwnClipboardText(text, copyText)) return PasteSource::OwnCopy;
  return isNumericText(text) ? PasteSource::Numeric : PasteSource::Text;
}

PasteBlock splitPasteText(std::string_view text, std::string_view copyText) {
  const PasteSource source = classifyPasteText(text, copyText);
  std::string_view s = source == PasteSource::OwnCopy ? copyText : text;
  if (source == PasteSource::Numeric) {  // numeric text is trimmed of spaces as a whole
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  }
  const Rules rules = rulesFor(source);

  PasteBlock block;
  block.lines = 1;
  std::vector<int32_t> emptyRows;  // rows that stand for empty lines between others
  int32_t pendingEmpty = 0;        // empty lines seen since the last non-empty one
  bool seenLine = false;           // a non-empty line has been taken
  size_t p = 0;
  const size_t n = s.size();
  while (true) {
    // One line: s[p, lineEnd), lineEnd at CR LF or the end of the text.
    uint32_t cellsBefore = uint32_t(block.cells.size());
    bool lineEmpty = true;  // nothing but U+0008 so far
    size_t cellStart = p;
    bool marked = false;
    bool endOfText = false;
    while (true) {
      const size_t runStart = p;
      while (p < n && !rules.stop[static_cast<unsigned char>(s[p])]) ++p;
      if (p > runStart) lineEmpty = false;
      const bool atEnd = p >= n;
      const bool atLineEnd = !atEnd && s[p] == '\r' && p + 1 < n && s[p + 1] == '\n';
      if (atEnd || atLineEnd || rules.sep[static_cast<unsigned char>(s[p])]) {
        if (!atEnd && !atLineEnd) lineEmpty = false;  // a separator is a character of the line
        block.cells.push_back(cellText(s.substr(cellStart, p - cellStart), marked));
        marked = false;
        if (atEnd) { endOfText = true; break; }
        if (atLineEnd) { p += 2; ++block.lines; break; }
        cellStart = ++p;
        continue;
      }
      // a marker or a lone CR inside the cell; the usual U+0008 in front of a cell is skipped
      if (s[p] == kCellMark && p == cellStart) {
        cellStart = ++p;
        continue;
      }
      if (s[p] != kCellMark) lineEmpty = false;
      if (s[p] != '\r') marked = true;
      ++p;
    }
    if (lineEmpty) {
      block.cells.resize(cellsBefore);
      if (seenLine) ++pendingEmpty;
    } else {
      for (; pendingEmpty > 0; --pendingEmpty) {  // empty lines between non-empty ones
        emptyRows.push_back(block.rows());
        block.rowStart.push_back(cellsBefore);
      }
      // the line's cells were appended after the placeholder rows' (empty) ranges
      block.rowStart.push_back(uint32_t(block.cells.size()));
      block.width = std::max(block.width, int32_t(block.cells.size() - cellsBefore));
      seenLine = true;
    }
    if (endOfText) break;
  }
  // Empty lines between non-empty ones become rows of `width` empty cells.
  if (!emptyRows.empty()) {
    std::vector<std::string> cells;
    std::vector<uint32_t> starts{0};
    cells.reserve(block.cells.size() + emptyRows.size() * size_t(block.width));
    for (int32_t k = 0; k < block.rows(); ++k) {
      const uint32_t b = block.rowStart[size_t(k)], e = block.rowStart[size_t(k) + 1];
      if (b == e) {
        cells.resize(cells.size() + size_t(block.width));
      } else {
        for (uint32_t i = b; i < e; ++i) cells.push_back(std::move(block.cells[i]));
      }
      starts.push_back(uint32_t(cells.size()));
    }
    block.cells = std::move(cells);
    block.rowStart = std::move(starts);
  }
  return block;
}

}  // namespace tablique::editing
