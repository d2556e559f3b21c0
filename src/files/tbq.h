// The native data file "tbq": cells, formula records and non-default sizes.
//
// A comma-separated field stream of N data lines of M fields and one formula line, every line
// ending in CR LF. Markers (shown as <0> <1> <2> <7> <8>, formula marks as <3> <4> <B>):
//   <0>          an empty cell, or an empty formula record
//   <8>text      a non-empty cell: trimmed, "," written as <1>, a space as <2>
//   <8>text      the last field of a data line (also <8> alone when that cell is empty)
// The formula line holds the compacted records of columns 1..M-1, the record of column 1
// followed by the layout piece "=" W "?" H (entries size<7>index joined by "$", sizes in
// millimetres with two decimals), and the record of column M as stored.
//
//   a 2 x 1 table "a, b" / "007" in a grid of 10 x 5, record C2+C3 in column 1, column 3 at
//   1500 twips, row 2 at 500 twips (N = 3, M = 3):
//     <8>a<1><2>b,<0>,<8>\r\n
//     <8>007,<0>,<8>\r\n
//     <0>,<0>,<8>\r\n
//     C2<4>+C3;=26.46<7>3?8.82<7>2,<0>,\r\n
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablique {
class Grid;
}

namespace tablique::files {

inline constexpr double kTwipsPerMillimetre = 56.693;
inline constexpr char kFieldEmpty = '\0';
inline constexpr char kCommaInCell = '\x01';
inline constexpr char kSpaceInCell = '\x02';
inline constexpr char kSizeIndexSeparator = '\x07';
inline constexpr char kCellStart = '\x08';

// Cell text -> its encoded form (trimmed of spaces, "," -> SOH, space -> STX).
std::string encodeCellText(std::string_view text);
// A field as read -> the text it stands for (SOH -> ",", STX -> space, BS removed, a field of
// NUL alone -> empty).
std::string decodeField(std::string_view field);
// decodeField written into out (its old text replaced), without a temporary.
void decodeFieldInto(std::string_view field, std::string& out);
// True for a cell field that decodes to itself without its leading BS (no marker inside).
bool isPlainCellField(std::string_view field);

// The export compaction of a formula record: drop pieces ending in "@", pieces after the first
// not beginning with "=", pieces holding "$" or "?", and empty pieces; each kept piece + ";".
std::string compactForExport(std::string_view record);
// Drops every piece holding "?" (the layout piece); each kept piece + ";", an empty last piece
// included (so "X;" becomes "X;;", which the next compaction drops).
std::string dropLayoutPiece(std::string_view record);

// Size in millimetres, rounded to hundredths (halves to even), as an integer count of hundredths.
int64_t hundredthsOfMillimetre(int32_t twips);
// That size written shortest, "." as decimal point, no exponent: 1500 -> "26.46", 1701 -> "30".
std::string millimetreText(int32_t twips);
// The layout piece "=" W "?" H for columns 1..M and rows 1..N (no trailing ";").
std::string layoutPiece(const Grid& grid, int32_t N, int32_t M);

// The export. Builds the file text (UTF-8) for `grid` and the records `colFormula` (indexed by
// data column, element 0 unused). `colFormula` is updated as the export leaves it: records of
// columns 1..M-1 compacted, column 1's followed by the layout piece (removed later with
// dropLayoutPiece).
std::string buildTbq(const Grid& grid, std::vector<std::string>& colFormula);

// The import's view of a file: L lines of F fields, row-major; the last field of the file is
// not kept (left empty). Throws tablique::Error(File) naming `what` when the text is not such a
// file: empty, no formula line (its first field holds the layout piece), a line with another
// number of fields than the first, a data field that is neither <0> nor begins with <8>.
struct TbqShape {
  int32_t lines = 0;   // L: data lines + the formula line
  int32_t fields = 0;  // F: fields per line, counted at commas in the first line
};
TbqShape scanTbq(std::string_view text, std::string_view what);
// Splits and checks the text of shape `shape`; returns the L x F fields as read (views into
// `text`, to be decoded with decodeField), the last one empty.
std::vector<std::string_view> readTbqFields(std::string_view text, TbqShape shape,
                                            std::string_view what);

// One size entry of the layout piece: size in millimetres and the row or column index.
struct SizeEntry {
  int32_t index;
  int32_t twips;
};
// The entries of the layout piece at the end of column 1's record, each list up to its first
// malformed entry (not numeric, without BEL, a size the grid cannot take).
struct LayoutSizes {
  std::vector<SizeEntry> widths, heights;
};
LayoutSizes parseLayoutPiece(std::string_view record1);

}  // namespace tablique::files
