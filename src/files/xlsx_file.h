// The workbook file: the used area of the table (files/text_table.h) as an Office Open XML
// workbook with one sheet "Sheet1". Data cell (i, j) goes to sheet cell (i - 1, j - 1), so (1, 1)
// is A1; empty cells are left out. A cell whose text is an exact number (xlsx_cells.h) is a
// number, any other a text. Column widths and row heights follow the grid: a width of w twips is
// (w / 15 - 5) / 7 characters, a height h twips is h / 20 points, at most the sheet's widest
// (255 characters) and highest (409 points); a size of 0 hides the column or row. Data beyond
// the sheet's last column (16384) is refused.
//
//   (1, 1) "12.5", (1, 2) "007", (2, 1) "苹果":   A1 = 12.5 (number), B1 = "007", A2 = "苹果"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tablique {
class Grid;
}

namespace tablique::files {

// Width in characters of a column `twips` wide.
double workbookColumnWidth(int32_t twips);

// The bytes of the workbook. Numbers are written in the "C" locale whatever the program's
// locale. Throws tablique::Error(File) naming `what` (and the cell where one is the cause: NUL,
// a text longer than a workbook cell holds) when the workbook cannot be made.
std::string buildWorkbook(const Grid& grid, std::string_view what);

}  // namespace tablique::files
