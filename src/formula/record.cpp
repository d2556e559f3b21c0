#include "formula/record.h"

#include <algorithm>
#include <unordered_map>

namespace tablique::formula {

namespace {

bool isDigit(char ch) { return ch >= '0' && ch <= '9'; }

// Length of the digit run starting at i.
size_t digitRun(std::string_view s, size_t i) {
  size_t j = i;
  while (j < s.size() && isDigit(s[j])) ++j;
  return j - i;
}

// The column number written by a digit run, when it is one a reference can name: no leading
// zero, at least 1, at most limit. Returns 0 otherwise.
int32_t columnNumber(std::string_view digits, int32_t limit) {
  if (digits.empty() || digits[0] == '0' || digits.size() > 10) return 0;
  int64_t v = 0;
  for (char ch : digits) v = v * 10 + (ch - '0');
  return v >= 1 && v <= limit ? int32_t(v) : 0;
}

// Characters after which a reference is marked (the comma is already a comma mark then).
bool marksReference(char ch) {
  switch (ch) {
    case '+': case '-': case '*': case '/': case '\\': case ')': case '^': case ';':
    case kCommaMark: case kRowMark:
      return true;
    default:
      return false;
  }
}

template <typename Fn>
void forEachPiece(std::string_view record, Fn fn) {
  size_t start = 0;
  while (start < record.size()) {
    size_t end = record.find(';', start);
    if (end == std::string_view::npos) end = record.size();
    fn(record.substr(start, end - start), start == 0);
    start = end + 1;
  }
}

// Row number of a cell formula piece (the text after its first row mark), when that text is a
// row number written as a row number is written: canonical decimal digits.
std::optional<int32_t> pieceRow(std::string_view piece, size_t& markAt) {
  markAt = piece.find(kRowMark);
  if (markAt == std::string_view::npos) return std::nullopt;
  std::string_view digits = piece.substr(markAt + 1);
  int32_t r = columnNumber(digits, INT32_MAX);
  if (r == 0 || digitRun(digits, 0) != digits.size()) return std::nullopt;
  return r;
}

}  // namespace

std::string decode(std::string_view record) {
  std::string out;
  out.reserve(record.size());
  for (char ch : record) {
    if (ch == kRefMark) continue;
    out.push_back(ch == kCommaMark ? ',' : ch == kSemicolonMark ? ';' : ch);
  }
  return out;
}

// One scan equal to the replacement loop over n = highestCol..1: a reference is "C" followed by
// a digit run that names a column 1..highestCol (a longer or shorter run never matches "C"n
// directly followed by a non-digit), marked when the next character (commas counted as comma
// marks, the end as ";" with end marking) is one that marks it.
std::string encode(std::string_view text, int32_t highestCol, bool endMarking) {
  if (highestCol < 1) return std::string(text);
  std::string out;
  out.reserve(text.size() + 8);
  for (size_t i = 0; i < text.size();) {
    char ch = text[i];
    if (ch == 'C') {
      size_t len = digitRun(text, i + 1);
      out.push_back('C');
      out.append(text.substr(i + 1, len));
      size_t next = i + 1 + len;
      if (len > 0 && columnNumber(text.substr(i + 1, len), highestCol) != 0) {
        bool mark = next < text.size() ? (text[next] == ',' || marksReference(text[next]))
                                       : endMarking;
        if (mark) out.push_back(kRefMark);
      }
      i = next;
      continue;
    }
    out.push_back(ch == ',' ? kCommaMark : ch == ';' ? kSemicolonMark : ch);
    ++i;
  }
  return out;
}

void forEachLivePiece(std::string_view record, const std::function<void(std::string_view)>& fn) {
  // A cell formula counts only when ";" follows it, as the row lookup asks for, and only the
  // last piece of its row: an earlier one is never evaluated again.
  const size_t last = record.rfind(';');
  const auto terminated = [&](std::string_view piece) {
    return last != std::string_view::npos && size_t(piece.data() - record.data()) + piece.size() <= last;
  };
  std::unordered_map<int32_t, const char*> newest;  // row -> its last piece
  if (record.find(kRowMark) != std::string_view::npos)
    forEachPiece(record, [&](std::string_view piece, bool) {
      size_t markAt;
      if (!terminated(piece)) return;
      if (auto row = pieceRow(piece, markAt)) newest[*row] = piece.data();
    });
  forEachPiece(record, [&](std::string_view piece, bool first) {
    size_t markAt;
    if (first && !piece.empty() && piece[0] != '=') {
      fn(piece);
    } else if (terminated(piece)) {
      if (auto row = pieceRow(piece, markAt); row && newest[*row] == piece.data()) fn(piece.substr(0, markAt));
    }
  });
}

namespace {

// Keeps the first piece unless it is empty or ends in "@", and after it the pieces that begin
// with "=" and do not end in "@" (with cellOnly, only those that carry a row mark).
std::string compact(std::string_view record, bool cellOnly) {
  std::string out;
  forEachPiece(record, [&](std::string_view piece, bool first) {
    if (piece.empty() || piece.back() == '@') return;
    if (!first && (piece.front() != '=' ||
                   (cellOnly && piece.find(kRowMark) == std::string_view::npos)))
      return;
    out.append(piece);
    out.push_back(';');
  });
  return out;
}

}  // namespace

std::string compactForFormuget(std::string_view record) { return compact(record, false); }

std::string compactForCommand(std::string_view record) { return compact(record, true); }

std::optional<std::string> cellFormulaForRow(std::string_view record, int32_t r) {
  std::string key(1, kRowMark);
  key += std::to_string(r);
  key.push_back(';');
  if (record.find(key) == std::string_view::npos) return std::nullopt;
  std::optional<std::string> found;
  forEachPiece(record.substr(0, record.rfind(';') + 1), [&](std::string_view piece, bool) {
    size_t markAt;
    if (auto row = pieceRow(piece, markAt); row && *row == r)
      found = decode(piece.substr(0, markAt));
  });
  return found;
}

std::vector<std::pair<int32_t, std::string>> cellFormulas(std::string_view record) {
  std::vector<std::pair<int32_t, std::string>> out;
  if (record.find(kRowMark) == std::string_view::npos) return out;
  // Only pieces followed by ";" count, as the row lookup asks for mark, row and ";".
  size_t last = record.rfind(';');
  if (last == std::string_view::npos) return out;
  forEachPiece(record.substr(0, last + 1), [&](std::string_view piece, bool) {
    size_t markAt;
    if (auto row = pieceRow(piece, markAt)) out.emplace_back(*row, decode(piece.substr(0, markAt)));
  });
  // Keep the last piece of each row.
  std::stable_sort(out.begin(), out.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::pair<int32_t, std::string>> unique;
  for (auto& p : out) {
    if (!unique.empty() && unique.back().first == p.first)
      unique.back() = std::move(p);
    else
      unique.push_back(std::move(p));
  }
  return unique;
}

std::string_view firstPiece(std::string_view record) {
  return record.substr(0, record.find(';'));
}

bool retireRow(std::string& record, int32_t r) {
  if (record.find(kRowMark) == std::string::npos) return false;
  std::string key(1, kRowMark);
  key += std::to_string(r);
  key.push_back(';');
  bool any = false;
  for (size_t at = record.find(key); at != std::string::npos; at = record.find(key, at + 2)) {
    record.replace(at, key.size(), "@;");
    any = true;
  }
  return any;
}

void retireRows(std::string& record, int32_t first, int32_t last) {
  if (first > last || record.find(kRowMark) == std::string::npos) return;
  std::string out;
  out.reserve(record.size());
  size_t i = 0;
  while (i < record.size()) {
    if (record[i] == kRowMark) {
      size_t len = digitRun(record, i + 1);
      size_t end = i + 1 + len;
      int32_t r = columnNumber(std::string_view(record).substr(i + 1, len), INT32_MAX);
      if (r != 0 && end < record.size() && record[end] == ';' && r >= first && r <= last) {
        out += "@;";
        i = end + 1;
        continue;
      }
    }
    out.push_back(record[i]);
    ++i;
  }
  record = std::move(out);
}

std::string cellPiece(std::string_view encodedText, int32_t r) {
  std::string out(encodedText);
  out.push_back(kRowMark);
  out += std::to_string(r);
  out.push_back(';');
  return out;
}

}  // namespace tablique::formula
