// The paste's splitting rules (see paste_text.h). One scan over the source text; cells are
// built straight from slices of it.
#include "editing/paste_text.h"

#include <algorithm>
#include <array>

#include "editing/copy_text.h"

namespace tablique::editing {

namespace {

// The numeric test's classes: 0 anything else, 1 a digit, 2 disregarded, 3 disregarded and a
// cell separator of numeric text (which also bounds the number of cells).
constexpr std::array<uint8_t, 256> kNumericClass = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned char ch = '0'; ch <= '9'; ++ch) t[ch] = 1;
  for (unsigned char ch : {'\r', '.', '-', '+', 'e', 'E'}) t[ch] = 2;
  for (unsigned char ch : {' ', ',', '\t', '\n'}) t[ch] = 3;
  return t;
}();

// Whether text is numeric; separators counts the numeric separators when it is.
bool isNumericText(std::string_view text, size_t& separators) {
  bool digit = false;
  size_t count = 0;
  for (char ch : text) {
    const uint8_t k = kNumericClass[static_cast<unsigned char>(ch)];
    if (k == 0) return false;
    digit |= k == 1;
    count += k == 3;
  }
  separators = count;
  return digit;
}

PasteSource classify(std::string_view text, std::string_view copyText, size_t& separators);

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

std::string cellText(std::string_view raw);

// A cell's final text appended to cells.
void addCell(std::vector<std::string>& cells, std::string_view raw, bool marked) {
  if (!marked) {
    const std::string_view t = trimSpaces(raw);
    cells.emplace_back(t.data(), t.size());
    return;
  }
  cells.push_back(cellText(raw));
}

std::string cellText(std::string_view raw) {
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
  size_t separators = 0;
  return classify(text, copyText, separators);
}

namespace {

// separators: when numeric, the count of numeric separators in text.
PasteSource classify(std::string_view text, std::string_view copyText, size_t& separators) {
  if (!copyText.empty() && !text.empty() && text[0] == kCellMark) return PasteSource::OwnCopy;
  if (isOwnClipboardText(text, copyText)) return PasteSource::OwnCopy;
  return isNumericText(text, separators) ? PasteSource::Numeric : PasteSource::Text;
}

}  // namespace

PasteBlock splitPasteText(std::string_view text, std::string_view copyText) {
  size_t separators = 0;
  const PasteSource source = classify(text, copyText, separators);
  std::string_view s = source == PasteSource::OwnCopy ? copyText : text;
  if (source == PasteSource::Numeric) {  // numeric text is trimmed of spaces as a whole
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  }
  const Rules rules = rulesFor(source);

  PasteBlock block;
  block.lines = 1;
  // Every cell ends at a separator, a line end or the end: an upper bound for the cells.
  if (source == PasteSource::Text)
    separators = size_t(std::count(s.begin(), s.end(), '\t') + std::count(s.begin(), s.end(), '\n'));
  else if (source == PasteSource::OwnCopy)
    for (char ch : s) separators += rules.sep[static_cast<unsigned char>(ch)] | (ch == '\n');
  block.cells.reserve(separators + 1);
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
        addCell(block.cells, s.substr(cellStart, p - cellStart), marked);
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
