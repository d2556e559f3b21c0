// Translation of a formula for one row: its column references replaced by the row's cell texts.
//
// The rule, as a sequence of replacements over the text (maxCol = the highest column number
// recognised, the grid's Cols-1):
//   1. bracketed class when the text holds "*", "/", "Mod", "mod", "^" or "\"; bare otherwise;
//   2. n = maxCol..1: every "C"n becomes "C" kRefBracket n kRefBracket;
//   3. n = maxCol..1: every bracketed reference of n becomes the text of cell (r, n), in
//      parentheses for the bracketed class;
//   4. a cell formula loses its leading "=";  5. an empty text is not evaluated;
//   6. every kRefBracket left is removed.
// In the bare class a reference right after an operator "&" (outside a string) is preceded by
// a space: the engine reads "&" and octal digits, or "&H" and hexadecimal digits, as a number,
// so "1&3.5" would not be a concatenation; "1& 3.5" is.
// Going from the highest number down makes a reference the longest digit prefix after "C" that
// names a column 1..maxCol ("C12" is column 12 when maxCol >= 12, column 1 and "2" otherwise).
// Compiled: the text is scanned once into literal segments and column numbers, and a row's
// expression is their concatenation with the cell texts. Texts holding kRefBracket themselves
// (in the formula or a referenced cell) take the literal replacement path, which gives the
// same result for every input.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tablique {
class Grid;
}

namespace tablique::formula {

// True when the formula text puts its references in parentheses (step 1).
bool bracketedClass(std::string_view text);

// Step 2 alone: every reference bracketed. Used by the self-reference check.
std::string bracketReferences(std::string_view text, int32_t maxCol);

// The highest column n <= maxCol for which "C"n occurs in the text; 0 when none does.
int32_t highestReference(std::string_view text, int32_t maxCol);

class Translation {
public:
  // text: decoded formula (a cell formula still carries its "="); maxCol as above.
  Translation(std::string_view text, int32_t maxCol, bool cellFormula);

  // Writes the expression for row r into out (steps 2 to 6). Returns false when there is
  // nothing to evaluate (step 5).
  bool forRow(const Grid& grid, int32_t r, std::string& out) const;

  // For loops over rows: starts loading what row r will read (its referenced cells and the
  // cell of column `target`) into the cache, the cells themselves (prefetchCells, a few rows
  // ahead) or the texts they point to (prefetchTexts, closer). No effect on any result.
  void prefetchCells(const Grid& grid, int32_t r, int32_t target) const;
  void prefetchTexts(const Grid& grid, int32_t r, int32_t target) const;

  // Columns referenced, ascending, without duplicates.
  const std::vector<int32_t>& columns() const { return columns_; }
  int32_t highest() const { return columns_.empty() ? 0 : columns_.back(); }
  bool bracketed() const { return bracketed_; }

private:
  bool literalForRow(const Grid& grid, int32_t r, std::string& out) const;

  std::string text_;                 // the formula as given
  int32_t maxCol_;
  bool cellFormula_;
  bool bracketed_;
  bool literalOnly_;                 // the formula itself holds kRefBracket
  std::vector<std::string> literals_;  // refs_.size() + 1 segments, "=" already dropped
  std::vector<int32_t> refs_;          // column of each reference, in text order
  std::vector<int32_t> columns_;
  size_t literalSize_ = 0;
};

}  // namespace tablique::formula
