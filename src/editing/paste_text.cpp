// The paste's splitting rules (see paste_text.h). One scan over the source text; cells are
// spans of it (only cells with markers inside get text of their own).
#include "editing/paste_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

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

// A marked cell's final text (markers resolved, U+0008 removed, spaces trimmed) appended to
// out; returns its length.
size_t appendMarkedCell(std::string& out, std::string_view raw) {
  const size_t start = out.size();
  for (char ch : raw) {
    if (ch == kCellMark) continue;
    out += ch == kCommaInCell ? ',' : ch == kSpaceInCell ? ' ' : ch;
  }
  size_t b = start, e = out.size();
  while (b < e && out[b] == ' ') ++b;
  while (e > b && out[e - 1] == ' ') --e;
  out.erase(e);
  out.erase(start, b - start);
  return out.size() - start;
}

// Eight bytes at a time: a mask with the top bit set in each byte that may stop a cell under
// the rules (bytes below 0x20 or 0x21, and ","), exact for the lowest flagged byte.
struct StopFinder {
  uint64_t below;  // bytes below this value (repeated) may stop
  bool comma;

  static constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
  uint64_t mask(uint64_t w) const {
    uint64_t m = (w - below) & ~w & kHigh;
    if (comma) {
      const uint64_t x = w ^ (kOnes * uint64_t(','));
      m |= (x - kOnes) & ~x & kHigh;
    }
    return m;
  }
};

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

namespace {

// Splits text (or copyText for an own copy) into spans; the cells whose markers have to be
// resolved go to `made`, their spans counted from the end of the source.
PasteBlock split(std::string_view text, std::string_view copyText, std::string& made,
                 bool& fromCopy) {
  size_t separators = 0;
  const PasteSource source = classify(text, copyText, separators);
  fromCopy = source == PasteSource::OwnCopy;
  const std::string_view whole = fromCopy ? copyText : text;
  std::string_view s = whole;
  if (source == PasteSource::Numeric) {  // numeric text is trimmed of spaces as a whole
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  }
  const Rules rules = rulesFor(source);
  // Every stop character is below 0x20 but the separators "," and (numeric) " ".
  const StopFinder finder{StopFinder::kOnes * (source == PasteSource::Numeric ? 0x21u : 0x20u),
                          source != PasteSource::Text};
  const size_t base = size_t(s.data() - whole.data());  // offset of s in the source
  const size_t madeBase = whole.size();                 // spans of `made` follow the source

  PasteBlock block;
  block.lines = 1;
  // Every cell ends at a separator, a line end or the end: an upper bound for the cells.
  if (source == PasteSource::Text)
    separators = size_t(std::count(s.begin(), s.end(), '\t') + std::count(s.begin(), s.end(), '\n'));
  else if (source == PasteSource::OwnCopy)
    for (char ch : s) separators += rules.sep[static_cast<unsigned char>(ch)] | (ch == '\n');
  block.cells.reserve(separators + 1);
  auto addCell = [&](size_t from, size_t to, bool marked) {
    if (marked) {
      const size_t at = made.size();
      block.cells.push_back({madeBase + at, appendMarkedCell(made, s.substr(from, to - from))});
      return;
    }
    while (from < to && s[from] == ' ') ++from;
    while (to > from && s[to - 1] == ' ') --to;
    block.cells.push_back({base + from, to - from});
  };
  const char* const data = s.data();
  const size_t n = s.size();
  // The first index from p on that holds a stop character, or n.
  auto nextStop = [&](size_t p) {
    if constexpr (std::endian::native == std::endian::little) {
      while (p + 8 <= n) {
        uint64_t w;
        std::memcpy(&w, data + p, 8);
        const uint64_t m = finder.mask(w);
        if (m == 0) {
          p += 8;
          continue;
        }
        p += size_t(std::countr_zero(m)) / 8;
        if (rules.stop[static_cast<unsigned char>(data[p])]) return p;
        ++p;
      }
    }
    while (p < n && !rules.stop[static_cast<unsigned char>(data[p])]) ++p;
    return p;
  };

  std::vector<int32_t> emptyRows;  // rows that stand for empty lines between others
  int32_t pendingEmpty = 0;        // empty lines seen since the last non-empty one
  bool seenLine = false;           // a non-empty line has been taken
  size_t p = 0;
  while (true) {
    // One line: s[p, lineEnd), lineEnd at CR LF or the end of the text.
    uint32_t cellsBefore = uint32_t(block.cells.size());
    bool lineEmpty = true;  // nothing but U+0008 so far
    size_t cellStart = p;
    bool marked = false;
    bool endOfText = false;
    while (true) {
      const size_t runStart = p;
      p = nextStop(p);
      if (p > runStart) lineEmpty = false;
      const bool atEnd = p >= n;
      const bool atLineEnd = !atEnd && data[p] == '\r' && p + 1 < n && data[p + 1] == '\n';
      if (atEnd || atLineEnd || rules.sep[static_cast<unsigned char>(data[p])]) {
        if (!atEnd && !atLineEnd) lineEmpty = false;  // a separator is a character of the line
        addCell(cellStart, p, marked);
        marked = false;
        if (atEnd) { endOfText = true; break; }
        if (atLineEnd) { p += 2; ++block.lines; break; }
        cellStart = ++p;
        continue;
      }
      // a marker or a lone CR inside the cell; the usual U+0008 in front of a cell is skipped
      if (data[p] == kCellMark && p == cellStart) {
        cellStart = ++p;
        continue;
      }
      if (data[p] != kCellMark) lineEmpty = false;
      if (data[p] != '\r') marked = true;
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
    std::vector<PasteBlock::Span> cells;
    std::vector<uint32_t> starts{0};
    cells.reserve(block.cells.size() + emptyRows.size() * size_t(block.width));
    for (int32_t k = 0; k < block.rows(); ++k) {
      const uint32_t b = block.rowStart[size_t(k)], e = block.rowStart[size_t(k) + 1];
      if (b == e)
        cells.resize(cells.size() + size_t(block.width));
      else
        cells.insert(cells.end(), block.cells.begin() + b, block.cells.begin() + e);
      starts.push_back(uint32_t(cells.size()));
    }
    block.cells = std::move(cells);
    block.rowStart = std::move(starts);
  }
  return block;
}

}  // namespace

PasteBlock splitPasteText(std::string_view text, std::string_view copyText) {
  std::string made;
  bool fromCopy = false;
  PasteBlock block = split(text, copyText, made, fromCopy);
  const std::string_view source = fromCopy ? copyText : text;
  block.chars.reserve(source.size() + made.size());
  block.chars.append(source);
  block.chars += made;
  return block;
}

PasteBlock splitOwnedPasteText(std::string text, std::string_view copyText) {
  std::string made;
  bool fromCopy = false;
  PasteBlock block = split(text, copyText, made, fromCopy);
  if (fromCopy) {
    block.chars.reserve(copyText.size() + made.size());
    block.chars.append(copyText);
  } else {
    block.chars = std::move(text);
  }
  block.chars += made;
  return block;
}

}  // namespace tablique::editing
