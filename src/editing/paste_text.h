// Splitting a pasted text into a block of cells, by the paste's rules, without the clipboard.
//
// Three kinds of source text:
//   own copy  the control's last marked copy (see copy_text.h): TAB separates cells, CR LF ends
//             a row, every row is kept (empty ones too), the marks give back every cell exactly
//   numeric   only digits, spaces, ",", TAB, CR, LF, ".", "-", "+", "e", "E" with at least one
//             digit: space, "," and TAB all separate cells ("1 2,3" is three cells)
//   text      anything else: only TAB separates cells ("a b\tc" is "a b" and "c"); a cell that
//             begins with a double quote whose closing quote is followed by a TAB, a line end or
//             the end of the text is unquoted ("" inside it is one "), TABs and line breaks
//             inside the quotes staying in the cell
// Text from outside (numeric or text) is taken as it stands: CR LF, LF alone and CR alone each
// end a row, a final line end adds no row; empty lines at the start and the end are dropped and
// an empty line between others is a row of `width` empty cells. Cell texts are trimmed of spaces
// (text from outside keeps them when ForeignTextOptions::trimSpaces is off).
//
//   "a, b\tc\r\n\r\n1\t2\n"  ->  {"a, b", "c"} / {"", ""} / {"1", "2"}, width 2, lines 4
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablique::editing {

enum class PasteSource { OwnCopy, Numeric, Text };

// A block of cell texts, row-major and ragged: row k holds cells[rowStart[k] .. rowStart[k+1]).
// The texts are stretches of `chars` (the source text, then the cells whose markers had to be
// resolved), so splitting copies no cell text.
struct PasteBlock {
  struct Span {
    size_t begin = 0, size = 0;  // in chars
  };
  std::string chars;
  std::vector<Span> cells;
  std::vector<uint32_t> rowStart{0};  // rows() + 1 entries
  int32_t width = 0;                  // the most cells in one row
  int32_t lines = 0;                  // line ends in the source text plus one (growth allowance)

  int32_t rows() const { return int32_t(rowStart.size()) - 1; }
  bool empty() const { return rows() == 0; }
  int32_t rowLength(int32_t k) const { return int32_t(rowStart[size_t(k) + 1] - rowStart[size_t(k)]); }
  std::string_view at(int32_t k, int32_t j) const {
    const Span& s = cells[rowStart[size_t(k)] + size_t(j)];
    return std::string_view(chars).substr(s.begin, s.size);
  }
};

// Which rules apply to `text`, given the control's last marked copy `copyText`.
PasteSource classifyPasteText(std::string_view text, std::string_view copyText);

// Splits `text` into a block by the paste's rules. For the own-copy rule the block is taken from
// `copyText` (pass the control's ControlState::copyText; an empty one disables the rule).
PasteBlock splitPasteText(std::string_view text, std::string_view copyText);
// The same, taking the text over as the block's storage instead of copying it.
PasteBlock splitOwnedPasteText(std::string text, std::string_view copyText);

struct ForeignTextOptions {
  bool keepEmptyLines = false;  // every line is a row, empty lines at the start and end too
  bool numericRule = true;      // numeric text splits at spaces and commas as well
  bool trimSpaces = true;       // cell texts are trimmed of spaces (text mode; numeric text always)
};

// Splits text from outside the control (another program, a text file) by the rules above,
// without the own-copy rule: the text is never taken for the control's last copy. With
// keepEmptyLines, line k of the text is row k of the block (only a final line end adds no row)
// and an empty line is a row of `width` empty cells.
PasteBlock splitForeignText(std::string text, const ForeignTextOptions& options = {});

}  // namespace tablique::editing

// The control side (private members of tablique::Control, callable from other folders' members):
//   void pasteText(std::string_view text);       everything the paste does after reading the
//                                                clipboard: split `text`, write it at the current
//                                                cell with growth, overflow messages, retirement
//                                                of cell formulas, restricted recalc, and the
//                                                current cell put back to the origin
//   void pasteBlock(editing::PasteBlock block);   the same from an already split block; a
//                                                non-empty block with the current cell in the
//                                                fixed row or column is refused (Error Refused)
