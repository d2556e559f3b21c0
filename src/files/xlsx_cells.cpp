// Number or text, and texts a workbook can carry.
#include "files/xlsx_cells.h"

#include <cmath>

#include <tablique/script.h>

namespace tablique::files {

bool isExactNumberText(std::string_view text, double& value) {
  double d = 0;
  if (text.empty() || !script::parseNumber(text, d) || !std::isfinite(d)) return false;
  script::NumberBuffer buf;
  if (script::numberText(d, buf) != text) return false;
  value = d;
  return true;
}

namespace {

// Length of the well-formed UTF-8 sequence at the start of `s`, 0 when it is not one.
size_t sequenceLength(std::string_view s, char32_t& cp) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char c = b(0);
  if (c < 0x80) {
    cp = c;
    return 1;
  }
  size_t n;
  char32_t min;
  if ((c & 0xE0) == 0xC0) n = 2, cp = c & 0x1F, min = 0x80;
  else if ((c & 0xF0) == 0xE0) n = 3, cp = c & 0x0F, min = 0x800;
  else if ((c & 0xF8) == 0xF0) n = 4, cp = c & 0x07, min = 0x10000;
  else return 0;
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((b(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// "_xHHHH_" at the start of `s`.
bool startsEscape(std::string_view s) {
  return s.size() >= 7 && s[0] == '_' && (s[1] == 'x' || s[1] == 'X') && isHex(s[2]) && isHex(s[3]) &&
         isHex(s[4]) && isHex(s[5]) && s[6] == '_';
}

}  // namespace

std::string workbookText(std::string_view text, size_t& units) {
  std::string out;
  out.reserve(text.size());
  units = 0;
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const size_t n = sequenceLength(text.substr(i), cp);
    if (n == 0 || cp == 0xFFFE || cp == 0xFFFF) {
      out += "\xEF\xBF\xBD";
      ++units;
      i += n == 0 ? 1 : n;
      continue;
    }
    if (cp == '_' && startsEscape(text.substr(i))) {
      out += "_x005F_";
      units += 7;
      ++i;
      continue;
    }
    out.append(text, i, n);
    units += cp >= 0x10000 ? 2 : 1;
    i += n;
  }
  return out;
}

}  // namespace tablique::files
