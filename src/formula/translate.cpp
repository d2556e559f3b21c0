#include "formula/translate.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <tablique/grid.h>

#include "formula/record.h"
#include "formula/references.h"

namespace tablique::formula {

namespace {

// Walks the text once, reporting literal stretches and references (formula/references.h).
template <typename Literal, typename Reference>
void scanReferences(std::string_view text, int32_t maxCol, Literal literal, Reference reference) {
  size_t litStart = 0;
  forEachReference(text, maxCol, false, [&](size_t at, size_t end, int32_t col) {
    literal(text.substr(litStart, at - litStart));
    reference(col);
    litStart = end;
  });
  literal(text.substr(litStart));
}

// The top bit of every byte of w that is kRefBracket (any set bit: one is there).
inline uint64_t bracketBytes(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ull;
  const uint64_t x = w ^ (kOnes * uint64_t(uint8_t(kRefBracket)));
  return (x - kOnes) & ~x & 0x8080808080808080ull;
}

// Copies n bytes, the short texts of a row's expression without a library call; `marks`
// becomes non-zero when the bytes hold kRefBracket.
inline char* copyShort(char* to, const char* from, size_t n, uint64_t& marks) {
  if (n > 16) {
    std::memcpy(to, from, n);
    size_t i = 0;
    for (; i + 8 < n; i += 8) {
      uint64_t w;
      std::memcpy(&w, from + i, 8);
      marks |= bracketBytes(w);
    }
    uint64_t w;
    std::memcpy(&w, from + n - 8, 8);
    marks |= bracketBytes(w);
  } else if (n >= 8) {  // two overlapping eight-byte moves
    uint64_t a, b;
    std::memcpy(&a, from, 8);
    std::memcpy(&b, from + n - 8, 8);
    std::memcpy(to, &a, 8);
    std::memcpy(to + n - 8, &b, 8);
    marks |= bracketBytes(a) | bracketBytes(b);
  } else if (n >= 4) {
    uint32_t a, b;
    std::memcpy(&a, from, 4);
    std::memcpy(&b, from + n - 4, 4);
    std::memcpy(to, &a, 4);
    std::memcpy(to + n - 4, &b, 4);
    marks |= bracketBytes(uint64_t(a) | (uint64_t(b) << 32));
  } else {
    for (size_t i = 0; i < n; ++i) {
      to[i] = from[i];
      marks |= from[i] == kRefBracket;
    }
  }
  return to + n;
}

void replaceAll(std::string& s, std::string_view what, std::string_view with) {
  std::string out;
  size_t from = 0;
  for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, from)) {
    out.append(s, from, at - from);
    out.append(with);
    from = at + what.size();
  }
  if (from == 0) return;
  out.append(s, from, std::string::npos);
  s = std::move(out);
}

}  // namespace

bool bracketedClass(std::string_view text) {
  return text.find_first_of("*/^\\") != std::string_view::npos ||
         text.find("Mod") != std::string_view::npos || text.find("mod") != std::string_view::npos;
}

std::string bracketReferences(std::string_view text, int32_t maxCol) {
  std::string out;
  out.reserve(text.size() + 8);
  scanReferences(
      text, maxCol, [&](std::string_view lit) { out.append(lit); },
      [&](int32_t n) {
        out.push_back('C');
        out.push_back(kRefBracket);
        out += std::to_string(n);
        out.push_back(kRefBracket);
      });
  return out;
}

int32_t highestReference(std::string_view text, int32_t maxCol) {
  int32_t h = 0;
  scanReferences(text, maxCol, [](std::string_view) {}, [&](int32_t n) { h = std::max(h, n); });
  return h;
}

Translation::Translation(std::string_view text, int32_t maxCol, bool cellFormula)
    : text_(text), maxCol_(maxCol), cellFormula_(cellFormula), bracketed_(bracketedClass(text)) {
  literalOnly_ = text.find(kRefBracket) != std::string_view::npos ||
                 (cellFormula && (text.empty() || text[0] != '='));
  scanReferences(
      text, maxCol, [&](std::string_view lit) { literals_.emplace_back(lit); },
      [&](int32_t n) { refs_.push_back(n); });
  if (cellFormula && !literals_.front().empty()) literals_.front().erase(0, 1);
  if (bracketed_) {
    for (size_t k = 0; k + 1 < literals_.size(); ++k) {
      literals_[k].push_back('(');
      literals_[k + 1].insert(0, 1, ')');
    }
  } else {
    bool inString = false;
    for (size_t k = 0; k + 1 < literals_.size(); ++k) {
      for (char ch : literals_[k]) inString ^= ch == '"';
      if (!inString && !literals_[k].empty() && literals_[k].back() == '&') literals_[k].push_back(' ');
    }
  }
  for (const auto& lit : literals_) literalSize_ += lit.size();
  columns_ = refs_;
  std::sort(columns_.begin(), columns_.end());
  columns_.erase(std::unique(columns_.begin(), columns_.end()), columns_.end());
}

bool Translation::forRow(const Grid& grid, int32_t r, std::string& out) const {
  if (literalOnly_ || maxCol_ >= grid.Cols() || r < 0 || r >= grid.Rows())
    return literalForRow(grid, r, out);
  // Literal segments already carry the parentheses of the bracketed class. A cell text
  // holding a bracket could be matched by a later replacement (the formula has none): such a
  // row takes the literal path. The cell texts are checked as they are copied.
  size_t total = literalSize_;
  for (int32_t n : refs_) total += grid.textAt(r, n).size();
  out.resize(total);
  char* p = out.data();
  uint64_t marks = 0, literalMarks = 0;
  p = copyShort(p, literals_[0].data(), literals_[0].size(), literalMarks);
  for (size_t k = 0; k < refs_.size(); ++k) {
    const std::string& text = grid.textAt(r, refs_[k]);
    p = copyShort(p, text.data(), text.size(), marks);
    p = copyShort(p, literals_[k + 1].data(), literals_[k + 1].size(), literalMarks);
  }
  const bool bracket = marks != 0;
  if (bracket) return literalForRow(grid, r, out);
  return total != 0;
}

void Translation::prefetchCells(const Grid& grid, int32_t r, int32_t target) const {
  if (r < 1 || r >= grid.Rows() || maxCol_ >= grid.Cols() || target >= grid.Cols()) return;
  // A cell may straddle two cache lines: both ends of the string object.
  auto cell = [](const std::string& s) {
    __builtin_prefetch(&s);
    __builtin_prefetch(reinterpret_cast<const char*>(&s) + sizeof(std::string) - 1);
  };
  for (int32_t n : refs_) cell(grid.textAt(r, n));
  cell(grid.textAt(r, target));
}

void Translation::prefetchTexts(const Grid& grid, int32_t r, int32_t target) const {
  if (r < 1 || r >= grid.Rows() || maxCol_ >= grid.Cols() || target >= grid.Cols()) return;
  for (int32_t n : refs_) __builtin_prefetch(grid.textAt(r, n).data());
  __builtin_prefetch(grid.textAt(r, target).data());
}

// The replacement sequence step by step; only texts that hold kRefBracket come here.
bool Translation::literalForRow(const Grid& grid, int32_t r, std::string& out) const {
  std::string s;
  bool inString = false;
  scanReferences(
      text_, maxCol_,
      [&](std::string_view lit) {
        s.append(lit);
        for (char ch : lit) inString ^= ch == '"';
      },
      [&](int32_t n) {
        if (!bracketed_ && !inString && !s.empty() && s.back() == '&') s.push_back(' ');
        s.push_back('C');
        s.push_back(kRefBracket);
        s += std::to_string(n);
        s.push_back(kRefBracket);
      });
  std::string ref = "C";
  ref.push_back(kRefBracket);
  for (int32_t n = maxCol_; n >= 1; --n) {
    ref.resize(2);
    ref += std::to_string(n);
    ref.push_back(kRefBracket);
    if (s.find(ref) == std::string::npos) continue;
    const std::string& cell = grid.TextMatrix(r, n);
    replaceAll(s, ref, bracketed_ ? "(" + cell + ")" : cell);
  }
  if (cellFormula_ && !s.empty()) s.erase(0, 1);
  if (s.empty()) {
    out.clear();
    return false;
  }
  std::erase(s, kRefBracket);
  out = std::move(s);
  return true;
}

}  // namespace tablique::formula
