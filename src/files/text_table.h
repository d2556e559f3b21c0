// The text table file (also written under an "xls" name): the used area of the table, one line
// per row, cells separated by TAB, every line ending in CR LF, one more CR LF at the end.
//
//   (3, 2) holding "x", everything else empty:   "\t\r\n\t\r\n\tx\r\n\r\n"
//   an empty table:                               "\r\n\r\n"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tablique {
class Grid;
}

namespace tablique::files {

// The largest row and column index in 1..Rows-1 / 1..Cols-1 that hold a non-empty cell; both
// are 1 for an empty table.
struct UsedArea {
  int32_t lastRow = 1, lastCol = 1;
};
UsedArea usedArea(const Grid& grid);

// The text table of the used area, as UTF-8. A cell is written as it stands, or in double quotes
// (a `"` inside doubled) when it holds a TAB, CR or LF or begins with `"`, as spreadsheet programs
// write tab-separated text. Where the table would otherwise read back as numeric text (which
// splits at "," and spaces too), the cells holding "," or a space are quoted as well. Throws
// tablique::Error(File) naming `what` and the cell when a cell holds NUL, which a text file
// cannot carry.
std::string buildTextTable(const Grid& grid, std::string_view what);

}  // namespace tablique::files
