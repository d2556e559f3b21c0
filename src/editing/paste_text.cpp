// The paste's splitting rules (see paste_text.h). One scan over the source text; cells are
// spans of it (only cells with marks or quotes get text of their own).
#include "editing/paste_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "editing/copy_text.h"

namespace tablique::editing {

namespace {

// The numeric test's classes: 0 anything else, 1 a digit, 2 disregarded, 3 disregarded and a
// cell or row separator of numeric text (which bounds the number of cells).
constexpr std::array<uint8_t, 256> kNumericClass = [] {
  std::array<uint8_t, 256> t{};
  for (unsigned char ch = '0'; ch <= '9'; ++ch) t[ch] = 1;
  for (unsigned char ch : {'.', '-', '+', 'e', 'E'}) t[ch] = 2;
  for (unsigned char ch : {' ', ',', '\t', '\r', '\n'}) t[ch] = 3;
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

// text == the clipboard text of copyText, i.e. the control's own last copy
bool isOwnClipboardText(std::string_view text, std::string_view copyText) {
  size_t i = 0;
  for (size_t k = 0; k < copyText.size(); ++k) {
    char ch = copyText[k];
    if (ch == kLiteralNext && k + 1 < copyText.size()) {
      ch = copyText[++k];
      if (ch == kCellMark || ch == ' ') continue;  // left out of the clipboard text
      ch = plainChar(ch);
    } else if (ch == kCellMark) {
      continue;
    } else if (const char cell = unmark(ch)) {
      ch = cell;
    }
    if (i == text.size() || text[i] != ch) return false;
    ++i;
  }
  return i == text.size();
}

PasteSource classify(std::string_view text, std::string_view copyText, size_t& separators) {
  // The marked copy itself only when the text is exactly it: another program's text that merely
  // begins with U+0008 is that program's text.
  if (!copyText.empty() && text == copyText) return PasteSource::OwnCopy;
  if (!text.empty() && isOwnClipboardText(text, copyText)) return PasteSource::OwnCopy;
  return isNumericText(text, separators) ? PasteSource::Numeric : PasteSource::Text;
}

// Eight bytes at a time: a mask with the top bit set in each byte that may stop a cell (bytes
// below `below`, and "," when asked), exact for the lowest flagged byte.
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

// Finds the next character of a stop set in a text. Every stop character is below `below`,
// or "," when comma is set.
class StopScan {
public:
  StopScan(std::string_view s, std::initializer_list<char> stops, unsigned below, bool comma)
      : data_(s.data()), n_(s.size()), finder_{StopFinder::kOnes * below, comma} {
    for (char ch : stops) stop_[static_cast<unsigned char>(ch)] = true;
  }
  // The first index from p on that holds a stop character, or the text's size.
  size_t next(size_t p) const {
    if constexpr (std::endian::native == std::endian::little) {
      while (p + 8 <= n_) {
        uint64_t w;
        std::memcpy(&w, data_ + p, 8);
        const uint64_t m = finder_.mask(w);
        if (m == 0) {
          p += 8;
          continue;
        }
        p += size_t(std::countr_zero(m)) / 8;
        if (stop_[static_cast<unsigned char>(data_[p])]) return p;
        ++p;
      }
    }
    while (p < n_ && !stop_[static_cast<unsigned char>(data_[p])]) ++p;
    return p;
  }

private:
  const char* data_;
  size_t n_;
  StopFinder finder_;
  std::array<bool, 256> stop_{};
};

// A block under construction over a source text. A cell is a span of the source, or a text of
// its own in `made` (spans counted from the end of the source), trimmed of spaces unless asked.
// A row without cells stands for an empty line and becomes `width` empty cells at the end.
class BlockBuilder {
public:
  BlockBuilder(std::string_view source, size_t cellBound) : source_(source) {
    block_.cells.reserve(cellBound);
    block_.lines = 1;
  }
  void addSpan(size_t from, size_t to, bool trim = true) {
    while (trim && from < to && source_[from] == ' ') ++from;
    while (trim && to > from && source_[to - 1] == ' ') --to;
    block_.cells.push_back({from, to - from});
  }
  // A made cell: open it, append its characters to made(), close it.
  size_t openMade() const { return made_.size(); }
  std::string& made() { return made_; }
  void closeMade(size_t start, bool trim = true) {
    size_t b = start, e = made_.size();
    while (trim && b < e && made_[b] == ' ') ++b;
    while (trim && e > b && made_[e - 1] == ' ') --e;
    made_.erase(e);
    made_.erase(start, b - start);
    block_.cells.push_back({source_.size() + start, made_.size() - start});
  }
  uint32_t cellCount() const { return uint32_t(block_.cells.size()); }
  void dropCellsFrom(uint32_t first) { block_.cells.resize(first); }
  // Ends a row made of the cells from firstCell on.
  void endRow(uint32_t firstCell) {
    block_.rowStart.push_back(cellCount());
    block_.width = std::max(block_.width, int32_t(cellCount() - firstCell));
  }
  // A row for an empty line, placed before any cells added since the last row ended.
  void emptyRow() {
    block_.rowStart.push_back(block_.rowStart.back());
    placeholders_ = true;
  }
  void lineEnd() { ++block_.lines; }
  int32_t rows() const { return block_.rows(); }

  // The block, its characters the source followed by the made cells.
  PasteBlock finish(std::string chars) {
    if (placeholders_) widenEmptyRows();
    chars += made_;
    block_.chars = std::move(chars);
    return std::move(block_);
  }

private:
  void widenEmptyRows() {
    std::vector<PasteBlock::Span> cells;
    std::vector<uint32_t> starts{0};
    for (int32_t k = 0; k < block_.rows(); ++k) {
      const uint32_t b = block_.rowStart[size_t(k)], e = block_.rowStart[size_t(k) + 1];
      if (b == e)
        cells.resize(cells.size() + size_t(block_.width));
      else
        cells.insert(cells.end(), block_.cells.begin() + b, block_.cells.begin() + e);
      starts.push_back(uint32_t(cells.size()));
    }
    block_.cells = std::move(cells);
    block_.rowStart = std::move(starts);
  }

  std::string_view source_;
  PasteBlock block_;
  std::string made_;
  bool placeholders_ = false;
};

// The control's own copy: every row as copied, each cell exactly as it was.
void splitOwnCopy(std::string_view s, BlockBuilder& out) {
  const StopScan scan(s, {'\t', '\r', kCellMark, kLiteralNext, kCommaInCell, kSpaceInCell, kTabInCell,
                          kCrInCell, kLfInCell},
                      0x20, false);
  const size_t n = s.size();
  size_t p = 0;
  while (p < n) {
    const uint32_t firstCell = out.cellCount();
    while (true) {  // the cells of one row
      if (p < n && s[p] == kCellMark) ++p;  // the mark in front of the cell
      const size_t start = p;
      bool marked = false;
      p = scan.next(p);
      while (p < n && s[p] != '\t' && !(s[p] == '\r' && p + 1 < n && s[p + 1] == '\n')) {
        marked = true;  // a mark inside the cell
        p = scan.next(p + (s[p] == kLiteralNext ? 2 : 1));
      }
      p = std::min(p, n);
      if (marked) {
        const size_t at = out.openMade();
        std::string& made = out.made();
        for (size_t k = start; k < p; ++k) {
          const char ch = s[k];
          if (ch == kLiteralNext && k + 1 < p) made += s[++k];
          else if (const char cell = unmark(ch)) made += cell;
          else if (ch != kCellMark) made += ch;
        }
        out.closeMade(at, false);  // the copy keeps a cell's edge spaces
      } else {
        out.addSpan(start, p, false);
      }
      if (p < n && s[p] == '\t') {
        ++p;
        continue;
      }
      if (p < n) {  // CR LF
        p += 2;
        out.lineEnd();
      }
      break;
    }
    out.endRow(firstCell);
  }
}

// The end of the quoted field that opens at s[p] (a double quote): the index of its closing
// quote, which a TAB, a line end or the end of the text follows; npos when the field is not
// quoted that way (no closing quote, or one followed by anything else).
size_t closingQuote(std::string_view s, size_t p) {
  for (size_t q = p + 1;; q += 2) {
    q = s.find('"', q);
    if (q == std::string_view::npos) return q;
    if (q + 1 < s.size() && s[q + 1] == '"') continue;  // "" inside the field
    if (q + 1 == s.size() || s[q + 1] == '\t' || s[q + 1] == '\r' || s[q + 1] == '\n') return q;
    return std::string_view::npos;
  }
}

// Text from outside: CR LF, LF and CR end rows; quoted fields in text (not numeric) mode.
void splitOutside(std::string_view whole, bool numeric, const ForeignTextOptions& options, BlockBuilder& out) {
  const bool keepEmptyLines = options.keepEmptyLines, trim = numeric || options.trimSpaces;
  std::string_view s = whole;
  if (numeric) {  // numeric text is trimmed of spaces as a whole
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  }
  const size_t base = size_t(s.data() - whole.data()), n = base + s.size();
  const StopScan scan = numeric ? StopScan(whole, {'\t', '\r', '\n', ',', ' '}, 0x21, true)
                                : StopScan(whole, {'\t', '\r', '\n'}, 0x20, false);
  int32_t pendingEmpty = 0;  // empty lines not yet taken (dropped unless a non-empty one follows)
  size_t p = base;
  if (p == n) return;
  while (true) {  // one line
    const size_t lineStart = p;
    const uint32_t firstCell = out.cellCount();
    while (true) {  // one cell
      const size_t q = !numeric && p < n && whole[p] == '"' ? closingQuote(whole, p)
                                                           : std::string_view::npos;
      if (q != std::string_view::npos) {
        const size_t at = out.openMade();
        std::string& made = out.made();
        for (size_t k = p + 1; k < q; ++k) {
          made += whole[k];
          if (whole[k] == '"') ++k;  // "" is one "
        }
        out.closeMade(at, trim);
        p = q + 1;
      } else {
        const size_t start = p;
        p = std::min(scan.next(p), n);
        out.addSpan(start, p, trim);
      }
      if (p < n && whole[p] != '\r' && whole[p] != '\n') {  // a cell separator
        ++p;
        continue;
      }
      break;
    }
    const bool empty = p == lineStart;
    if (p < n) {
      p += whole[p] == '\r' && p + 1 < n && whole[p + 1] == '\n' ? 2 : 1;
      out.lineEnd();
    }
    if (empty) {
      out.dropCellsFrom(firstCell);
      if (keepEmptyLines) out.emptyRow();
      else pendingEmpty += out.rows() > 0;
    } else {
      for (; pendingEmpty > 0; --pendingEmpty) out.emptyRow();
      out.endRow(firstCell);
    }
    if (p >= n) break;  // a final line end adds no row
  }
}

// Upper bound for the cells of a text: every cell ends at a separator, a line end or the end.
size_t cellBound(std::string_view s, PasteSource source, size_t numericSeparators) {
  if (source == PasteSource::Numeric) return numericSeparators + 1;
  size_t count = size_t(std::count(s.begin(), s.end(), '\t') + std::count(s.begin(), s.end(), '\n'));
  if (source == PasteSource::Text) count += size_t(std::count(s.begin(), s.end(), '\r'));
  return count + 1;
}

// Splits the source of the given kind; `chars` becomes the block's storage afterwards (it holds
// the source, or is the very string `text` views).
PasteBlock splitAs(PasteSource source, std::string_view text, std::string&& chars, size_t separators,
                   const ForeignTextOptions& options) {
  BlockBuilder out(text, cellBound(text, source, separators));
  if (source == PasteSource::OwnCopy)
    splitOwnCopy(text, out);
  else
    splitOutside(text, source == PasteSource::Numeric, options, out);
  return out.finish(std::move(chars));
}

}  // namespace

PasteSource classifyPasteText(std::string_view text, std::string_view copyText) {
  size_t separators = 0;
  return classify(text, copyText, separators);
}

PasteBlock splitPasteText(std::string_view text, std::string_view copyText) {
  size_t separators = 0;
  const PasteSource source = classify(text, copyText, separators);
  const std::string_view s = source == PasteSource::OwnCopy ? copyText : text;
  return splitAs(source, s, std::string(s), separators, {});
}

PasteBlock splitOwnedPasteText(std::string text, std::string_view copyText) {
  size_t separators = 0;
  const PasteSource source = classify(text, copyText, separators);
  if (source == PasteSource::OwnCopy) return splitAs(source, copyText, std::string(copyText), 0, {});
  const std::string_view s = text;
  return splitAs(source, s, std::move(text), separators, {});
}

PasteBlock splitForeignText(std::string text, const ForeignTextOptions& options) {
  size_t separators = 0;
  const PasteSource source =
      options.numericRule && isNumericText(text, separators) ? PasteSource::Numeric : PasteSource::Text;
  const std::string_view s = text;
  return splitAs(source, s, std::move(text), separators, options);
}

}  // namespace tablique::editing
