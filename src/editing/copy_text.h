// The texts of a copy: the marked text kept in the control and the plain clipboard text.
//
// Marked text (copyText): U+0008 before every cell, a comma inside a cell as U+0001 and a space
// as U+0002, TAB between the cells of a row, CR LF after every row when more than one row is
// copied. The clipboard text is the same with the markers resolved:
//   cells a | b / c | d   ->  marked  <8>a<TAB><8>b<CR><LF><8>c<TAB><8>d<CR><LF>
//                             plain   a<TAB>b<CR><LF>c<TAB>d<CR><LF>
// Cell texts are trimmed of leading and trailing spaces; nothing is quoted.
#pragma once

#include <cstdint>
#include <string>

#include <tablique/grid.h>

namespace tablique::editing {

inline constexpr char kCellMark = '\x08';
inline constexpr char kCommaInCell = '\x01';
inline constexpr char kSpaceInCell = '\x02';

struct CopyTexts {
  std::string marked;     // for ControlState::copyText
  std::string clipboard;  // for the system clipboard
};

// Both texts of the rectangle rows r0..r1, columns c0..c1 (r0 <= r1, c0 <= c1, inside the grid).
CopyTexts buildCopyTexts(const Grid& grid, int32_t r0, int32_t c0, int32_t r1, int32_t c1);

}  // namespace tablique::editing
