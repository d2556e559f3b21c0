// Literal, column-by-column versions of the record encoding and of the translation: the rules
// written as the sequence of text replacements they are defined by. The fast single-scan
// versions are checked against these over many generated inputs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tablique::formula::literal {

// Replaces every occurrence, left to right, without rescanning inserted text.
inline std::string replaceAll(std::string s, std::string_view what, std::string_view with) {
  std::string out;
  size_t from = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, from)) {
    out.append(s, from, at - from);
    out.append(with);
    from = at + what.size();
  }
  out.append(s, from, std::string::npos);
  return out;
}

inline std::string encode(std::string s, int32_t highestCol, bool endMarking) {
  if (highestCol < 1) return s;
  for (int32_t n = highestCol; n >= 1; --n) {
    const std::string ref = "C" + std::to_string(n);
    if (endMarking) s += ";";
    for (char op : std::string("+-*/\\)^;"))
      s = replaceAll(s, ref + op, ref + '\x04' + op);
    s = replaceAll(s, ",", "\x03");
    s = replaceAll(s, ref + '\x03', ref + "\x04\x03");
    s = replaceAll(s, ref + '\x0B', ref + "\x04\x0B");
    if (endMarking) s.pop_back();
  }
  return replaceAll(s, ";", "\x05");
}

// Returns false when nothing is to be evaluated; cell(n) gives the row's text of column n.
inline bool translate(std::string s, int32_t maxCol, bool cellFormula,
                      const std::function<std::string(int32_t)>& cell, std::string& out) {
  const bool bracketed = s.find_first_of("*/^\\") != std::string::npos ||
                         s.find("Mod") != std::string::npos || s.find("mod") != std::string::npos;
  for (int32_t n = maxCol; n >= 1; --n)
    s = replaceAll(s, "C" + std::to_string(n), "C\x01" + std::to_string(n) + "\x01");
  for (int32_t n = maxCol; n >= 1; --n) {
    const std::string text = cell(n);
    s = replaceAll(s, "C\x01" + std::to_string(n) + "\x01", bracketed ? "(" + text + ")" : text);
  }
  if (cellFormula && !s.empty()) s.erase(0, 1);
  if (s.empty()) return false;
  out.clear();
  for (char ch : s)
    if (ch != '\x01') out.push_back(ch);
  return true;
}

}  // namespace tablique::formula::literal
