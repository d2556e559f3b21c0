// How a cell's text goes into a workbook: as a number or as a text, and the text made safe for
// the workbook's XML.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tablique::files {

// True when `text` is a number by the control's number rule (the engine's number text) and
// writing that number back as text gives `text` unchanged: "12.5", "-3", "1E+15" are numbers;
// "007", "1.50", " 5", "+5", "&H10", "1,000" stay texts. Sets `value` when true.
bool isExactNumberText(std::string_view text, double& value);

// Longest text a workbook cell holds, in UTF-16 code units.
inline constexpr size_t kMostCellUnits = 32767;

// `text` as well-formed UTF-8 that XML can carry: each invalid byte sequence (also an encoded
// surrogate or an overlong form) and the non-characters U+FFFE and U+FFFF become U+FFFD, and
// "_x" followed by four hex digits and "_" has its "_" escaped as "_x005F_" so that a reader
// does not decode it as an escaped character. Sets `units` to the UTF-16 length of the result.
std::string workbookText(std::string_view text, size_t& units);

}  // namespace tablique::files
