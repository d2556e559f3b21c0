// The formula record of a data column: its pieces, marks, encoding, reference test and the two
// compaction rules. Everything here works on plain strings; the control keeps one record per
// data column in ControlState::colFormula.
//
// A record is a sequence of pieces, each followed by ";":
//   column formula   encoded expression, first character not "="      (counts only when first)
//   cell formula     "=" encoded expression, kRowMark, row number       (that row only)
//   retired piece    "=" encoded expression, "@"                        (ignored, dropped later)
// Encoding replaces "," by kCommaMark and ";" by kSemicolonMark, and puts kRefMark right after
// the digits of a reference "C"n that is directly followed by an operator, ")", ";", a comma or
// kRowMark. A piece is retired only by the "@" that ends it; "@" elsewhere is formula text.
//
// Sample (column 4 after "C1+C2" and "=C2" at row 3), marks shown as <3> <4> <B>:
//   C1<4>+C2<4>;=C2<4><B>3;
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tablique::formula {

inline constexpr char kCommaMark = '\x03';
inline constexpr char kRefMark = '\x04';
inline constexpr char kSemicolonMark = '\x05';
inline constexpr char kRowMark = '\x0B';
inline constexpr char kRefBracket = '\x01';

// Decoded form: every kRefMark removed, every kCommaMark and kSemicolonMark turned back into
// "," and ";". Decode a piece, not a record, where its formula is needed: a decoded record can
// no longer be split at its ";".
std::string decode(std::string_view record);

// The storage encoding of an expression for a grid whose highest data column is highestCol.
// endMarking also marks a reference that ends the text (the formula command does; formuset
// does not). The result equals the column-by-column replacement from highestCol down to 1.
std::string encode(std::string_view text, int32_t highestCol, bool endMarking);

// Calls fn(piece) for every piece whose formula is evaluated: the first piece when it does not
// begin with "=" (the column formula), and every cell formula piece (row mark, row, ";") that is
// the last one of its row.
void forEachLivePiece(std::string_view record, const std::function<void(std::string_view)>& fn);

// formuget's compaction: drop pieces ending in "@", pieces after the first that do not begin
// with "=", and empty pieces; every kept piece followed by ";". Stored form in and out.
std::string compactForFormuget(std::string_view record);

// The formula command's compaction: keep the first piece unless it ends in "@", and after it
// only cell formulas (pieces beginning with "=" that carry a row mark and do not end in "@");
// every kept piece followed by ";". Stored form in and out.
std::string compactForCommand(std::string_view record);

// The cell formula of row r in a stored record, decoded: the text of the piece whose row number
// is exactly r, before its row mark (leading "=" included). With several pieces for the same
// row (formuset does not retire), the last one, the newest, wins.
std::optional<std::string> cellFormulaForRow(std::string_view record, int32_t r);

// Every cell formula piece of a stored record as (row, decoded text before the row mark); for
// a row that occurs more than once only the last piece is kept. Sorted by row.
std::vector<std::pair<int32_t, std::string>> cellFormulas(std::string_view record);

// The first piece of a record (text before the first ";"; the whole record when there is none).
std::string_view firstPiece(std::string_view record);

// Retires the cell formula of row r: every kRowMark r ";" becomes "@;". Returns whether any did.
bool retireRow(std::string& record, int32_t r);

// retireRow for every row first..last, in one scan.
void retireRows(std::string& record, int32_t first, int32_t last);

// The piece text of a cell formula for row r: text kRowMark r ";".
std::string cellPiece(std::string_view encodedText, int32_t r);

}  // namespace tablique::formula
