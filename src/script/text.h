// Strings are UTF-8 in the engine and UTF-16 code units inside the string functions, as
// VBScript counts them (Len("中文") is 2, Len("😀") is 2). A lone surrogate is held as its
// three-byte form (ED A0..BF xx) while inside the engine; validText turns it into U+FFFD where
// a string leaves the engine.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tablique::script {

bool isAscii(std::string_view s);
// Bytes that are no UTF-8 become U+FFFD; lone surrogates stay single units.
std::u16string toUtf16(std::string_view s);
std::string toUtf8(std::u16string_view s);
// Unicode's simple case mappings, code point by code point; lengths in UTF-16 units stay.
std::string upperText(std::string_view s);
std::string lowerText(std::string_view s);
std::u16string foldCase(std::u16string s);  // for text comparison
// A high and a low surrogate written one after the other become one four-byte character.
std::string joinSurrogates(std::string s);
// -1, 0 or 1 in the order of UTF-16 code units (a character beyond U+FFFF sorts before
// U+E000..U+FFFF, unlike in UTF-8).
int compareUnits(std::string_view a, std::string_view b);
// Valid UTF-8: every lone surrogate and every byte that is no UTF-8 becomes U+FFFD.
std::string validText(std::string_view s);

// Finds a needle in linear time (n + m): the Knuth-Morris-Pratt table for long needles,
// the library's search for short ones, where n x m stays small.
class Searcher {
public:
  explicit Searcher(std::u16string_view needle);
  // First position >= from, or npos.
  size_t find(std::u16string_view hay, size_t from = 0) const;

private:
  std::u16string_view needle_;
  std::vector<uint32_t> border_;  // empty: the needle is short
};

// Last occurrence of `needle` that ends at or before `end` (0-based), or npos; linear time.
size_t findLast(std::u16string_view hay, std::u16string_view needle, size_t end);

}  // namespace tablique::script
