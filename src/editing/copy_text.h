// The texts of a copy: the marked text kept in the control and the plain clipboard text.
//
// Marked text (copyText): U+0008 before every cell, TAB between the cells of a row, CR LF after
// every row when more than one row is copied. Inside a cell the characters that the splitting
// would take for its own are replaced by marks: a comma by U+0001, a space by U+0002, a TAB by
// U+0011, a CR by U+0012, a LF by U+0013; a character of the cell that is itself one of these
// marks (or U+0008, U+0010) is kept behind U+0010. The marked text thus gives back every cell
// exactly. The clipboard text is the cells as they are, U+0008 left out:
//   cells a | b / c | d   ->  marked  <8>a<TAB><8>b<CR><LF><8>c<TAB><8>d<CR><LF>
//                             plain   a<TAB>b<CR><LF>c<TAB>d<CR><LF>
// The clipboard text trims each cell of leading and trailing spaces and quotes nothing; the marked
// text keeps those spaces, each as U+0010 and a space.
#pragma once

#include <cstdint>
#include <string>

#include <tablique/grid.h>

namespace tablique::editing {

inline constexpr char kCellMark = '\x08';
inline constexpr char kCommaInCell = '\x01';
inline constexpr char kSpaceInCell = '\x02';
inline constexpr char kLiteralNext = '\x10';
inline constexpr char kTabInCell = '\x11';
inline constexpr char kCrInCell = '\x12';
inline constexpr char kLfInCell = '\x13';

// The cell character a mark stands for, or 0 when ch is no mark (U+0008 and U+0010 are marks of
// another kind and give 0 too).
constexpr char unmark(char ch) {
  switch (ch) {
    case kCommaInCell: return ',';
    case kSpaceInCell: return ' ';
    case kTabInCell: return '\t';
    case kCrInCell: return '\r';
    case kLfInCell: return '\n';
    default: return 0;
  }
}

// The clipboard form of a cell character other than U+0008 (which the clipboard text leaves
// out): U+0001 as "," and U+0002 as a space, every other character as it is.
constexpr char plainChar(char ch) { return ch == kCommaInCell ? ',' : ch == kSpaceInCell ? ' ' : ch; }

struct CopyTexts {
  std::string marked;     // for ControlState::copyText
  std::string clipboard;  // for the system clipboard
};

// Both texts of the rectangle rows r0..r1, columns c0..c1 (r0 <= r1, c0 <= c1, inside the grid).
CopyTexts buildCopyTexts(const Grid& grid, int32_t r0, int32_t c0, int32_t r1, int32_t c1);

}  // namespace tablique::editing
