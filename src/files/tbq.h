// The native data file "tbq": cells, formula records and non-default sizes.
//
// A comma-separated field stream of N data lines of M fields and one formula line, every line
// ending in CR LF. Markers (shown as <0> <1> <2> <7> <8>, formula marks as <3> <4> <B>):
//   <0>          an empty cell, or an empty formula record
//   <8>text      a non-empty cell: "," written as <1>, every space (also at either end) as <2>
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
inline constexpr char kCrInCell = '\x0E';
inline constexpr char kLfInCell = '\x0F';
inline constexpr char kMarkerEscape = '\x10';

// Cell text -> its encoded form (see above; without the leading <8>).
std::string encodeCellText(std::string_view text);
// A field as read -> the text it stands for: <10> x -> x, <1> -> ",", <2> -> space, <E> -> CR,
// <F> -> LF, <8> removed, a field of <0> alone -> empty.
std::string decodeField(std::string_view field);
// decodeField written into out (its old text replaced), without a temporary.
void decodeFieldInto(std::string_view field, std::string& out);

// Column 1's field of the formula line -> its record and the layout piece the export put after
// it. The piece is known by its place: the text after the record's last ";", when it has the
// form "=" W "?" H. A field without one (a single-column export of an earlier version, a file
// made by hand) gives an empty layout.
struct RecordAndLayout {
  std::string_view record, layout;
};
RecordAndLayout splitLayoutPiece(std::string_view field1);

// A record read from a file, reduced to the pieces the control can hold for a table of `rows`
// data rows: every piece ends in ";", and a piece with a row mark or beginning with "=" is a
// cell formula ("=" text, row mark, row 1..rows) or a retired piece (ending in "@"). Other
// pieces, and text after the last ";", are dropped; a record the export writes is kept whole.
std::string importedRecord(std::string_view record, int32_t rows);

// Size in millimetres, rounded to hundredths (halves to even), as an integer count of hundredths.
int64_t hundredthsOfMillimetre(int32_t twips);
// That size written shortest, "." as decimal point, no exponent: 1500 -> "26.46", 1701 -> "30".
std::string millimetreText(int32_t twips);
// The layout piece "=" W "?" H for columns 1..M and rows 1..N (no trailing ";").
std::string layoutPiece(const Grid& grid, int32_t N, int32_t M);

// The export. Builds the file text (UTF-8) for `grid` and the records `colFormula` (indexed by
// data column, element 0 unused). The columns reach two beyond the last that holds a cell or a
// record, within the grid. The records of the exported columns are compacted as formuget does,
// in the file and in `colFormula`; column 1's field is followed by the layout piece.
std::string buildTbq(const Grid& grid, std::vector<std::string>& colFormula);

// The import's view of a file: L lines of F fields, row-major. Throws tablique::Error(File)
// naming `what` when the text is not such a file: empty, no formula line (a file cut at a line
// end ends in a data line, whose last field begins with <8>), a line with another number of
// fields than the first, a data field that is neither <0> nor begins with <8>.
struct TbqShape {
  int32_t lines = 0;   // L: data lines + the formula line
  int32_t fields = 0;  // F: fields per line, counted at commas in the first line
};
TbqShape scanTbq(std::string_view text, std::string_view what);
// Splits and checks the text of shape `shape`; returns the L x F fields as read (views into
// `text`, to be decoded with decodeField).
std::vector<std::string_view> readTbqFields(std::string_view text, TbqShape shape,
                                            std::string_view what);

// One size entry of the layout piece: size in millimetres and the row or column index.
struct SizeEntry {
  int32_t index;
  int32_t twips;
};
// The entries of a layout piece, each list up to its first malformed entry (not numeric, without
// BEL, a negative size). Sizes are rounded to the nearest twip; a size beyond the grid's range
// is capped (see capSizes).
struct LayoutSizes {
  std::vector<SizeEntry> widths, heights;
};
LayoutSizes parseLayoutPiece(std::string_view layout);

// The sizes of `entries` (indexes within 1..count-1) cut so that the sum of all sizes, `current`
// with the entries applied in order, stays within the grid's geometry (2^31 - 1 twips).
void capSizes(std::vector<SizeEntry>& entries, std::vector<int32_t> current);

}  // namespace tablique::files
