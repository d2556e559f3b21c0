// The native data file: writing, reading and the layout piece.
#include "files/tbq.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <tablique/grid.h>
#include <tablique/script.h>

#include "files/file_error.h"
#include "files/text_table.h"
#include "formula/record.h"

namespace tablique::files {

namespace {

constexpr int64_t kDefaultWidthHundredths = 2011;  // 1140 twips
constexpr int64_t kDefaultHeightHundredths = 503;  // 285 twips

[[noreturn]] void fail(std::string_view what, const std::string& reason) {
  failFile(what, reason, "不是数据文件或已经损坏，无法导入！");
}

// Splits at `sep` as the control's records are split: "a;b;" gives "a", "b", "".
std::vector<std::string_view> splitAt(std::string_view s, char sep) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    if (at == std::string_view::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, at - start));
    start = at + 1;
  }
}

// "=" W "?" H: one list of entries size<7>index joined by "$".
void appendEntries(std::string& out, const std::vector<std::pair<int32_t, int32_t>>& sizes,
                   int64_t defaultHundredths) {
  bool first = true;
  for (const auto& [index, twips] : sizes) {
    if (hundredthsOfMillimetre(twips) == defaultHundredths) continue;
    if (!first) out += '$';
    first = false;
    out += millimetreText(twips);
    out += kSizeIndexSeparator;
    out += std::to_string(index);
  }
}

// A layout list up to its first malformed entry.
std::vector<SizeEntry> parseEntries(const std::vector<std::string_view>& entries) {
  std::vector<SizeEntry> out;
  for (std::string_view e : entries) {
    const size_t bel = e.find(kSizeIndexSeparator);
    if (bel == std::string_view::npos) break;
    std::string_view sizePart = e.substr(0, bel), indexPart = e.substr(bel + 1);
    const size_t more = indexPart.find(kSizeIndexSeparator);
    if (more != std::string_view::npos) indexPart = indexPart.substr(0, more);
    double size = 0, index = 0;
    if (!script::parseNumber(sizePart, size) || !script::parseNumber(indexPart, index)) break;
    const double twips = std::round(size * kTwipsPerMillimetre);
    if (!(twips >= 0)) break;
    const double n = std::nearbyint(index);
    if (n < double(std::numeric_limits<int32_t>::min()) || n > double(std::numeric_limits<int32_t>::max())) break;
    out.push_back({int32_t(n), int32_t(std::min(twips, double(std::numeric_limits<int32_t>::max())))});
  }
  return out;
}

// Bit k set when data[k] is "," or CR, for the n <= 64 bytes at data.
uint64_t fieldStopBits(const char* data, size_t n) {
#if defined(__SSE2__)
  if (n == 64) {
    const __m128i comma = _mm_set1_epi8(','), cr = _mm_set1_epi8('\r');
    uint64_t bits = 0;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * k));
      const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, cr)));
      bits |= uint64_t(uint16_t(m)) << (16 * k);
    }
    return bits;
  }
#endif
  uint64_t bits = 0;
  for (size_t k = 0; k < n; ++k)
    if (data[k] == ',' || data[k] == '\r') bits |= uint64_t(1) << k;
  return bits;
}

// Byte -> as written in a field: the byte, or kEscaped | the byte for one written after
// kMarkerEscape. In a cell "," is SOH, a space STX, CR and LF their markers; a record keeps its
// spaces.
constexpr uint16_t kEscaped = 0x100;
constexpr std::array<uint16_t, 256> encodeTable(bool cell) {
  std::array<uint16_t, 256> t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = uint16_t(i);
  for (char m : {kCommaInCell, kSpaceInCell, kCellStart, kCrInCell, kLfInCell, kMarkerEscape})
    t[size_t(m)] = uint16_t(kEscaped | uint8_t(m));
  t[size_t(',')] = uint8_t(kCommaInCell);
  if (cell) t[size_t(' ')] = uint8_t(kSpaceInCell);
  t[size_t('\r')] = uint8_t(kCrInCell);
  t[size_t('\n')] = uint8_t(kLfInCell);
  return t;
}
constexpr std::array<uint16_t, 256> kEncodeCell = encodeTable(true), kEncodeRecord = encodeTable(false);

// Byte -> byte as read from a field (an escaped byte is taken as it stands).
constexpr std::array<char, 256> kDecodeByte = [] {
  std::array<char, 256> t{};
  for (int i = 0; i < 256; ++i) t[size_t(i)] = char(i);
  t[size_t(kCommaInCell)] = ',';
  t[size_t(kSpaceInCell)] = ' ';
  t[size_t(kCrInCell)] = '\r';
  t[size_t(kLfInCell)] = '\n';
  return t;
}();

// Writes `text` encoded by `table` at p (room for twice its size); returns the end.
char* writeEncoded(char* p, std::string_view text, const std::array<uint16_t, 256>& table) {
  for (char ch : text) {
    const uint16_t e = table[static_cast<unsigned char>(ch)];
    if (e & kEscaped) *p++ = kMarkerEscape;
    *p++ = char(e);
  }
  return p;
}

// A record as written in the formula line.
void appendRecord(std::string& out, std::string_view record) {
  const size_t at = out.size();
  out.resize(at + 2 * record.size());
  out.resize(size_t(writeEncoded(out.data() + at, record, kEncodeRecord) - out.data()));
}

}  // namespace

std::string encodeCellText(std::string_view text) {
  std::string out(2 * text.size(), '\0');
  out.resize(size_t(writeEncoded(out.data(), text, kEncodeCell) - out.data()));
  return out;
}

std::string decodeField(std::string_view field) {
  std::string out;
  decodeFieldInto(field, out);
  return out;
}

void decodeFieldInto(std::string_view field, std::string& out) {
  if (field.size() == 1 && field[0] == kFieldEmpty) {
    out.clear();
    return;
  }
  out.resize(field.size());
  char* p = out.data();
  const size_t n = field.size();
  for (size_t k = 0; k < n; ++k) {
    const char ch = field[k];
    if (ch == kMarkerEscape && k + 1 < n) {
      *p++ = field[++k];
      continue;
    }
    *p = kDecodeByte[static_cast<unsigned char>(ch)];  // every byte stored, BS overwritten by the next
    p += ch != kCellStart;
  }
  out.resize(size_t(p - out.data()));
}

RecordAndLayout splitLayoutPiece(std::string_view field1) {
  const size_t semi = field1.rfind(';');
  const size_t start = semi == std::string_view::npos ? 0 : semi + 1;
  const std::string_view last = field1.substr(start);
  if (last.empty() || last.front() != '=' || last.find('?') == std::string_view::npos) return {field1, {}};
  return {field1.substr(0, start), last};
}

std::string importedRecord(std::string_view record, int32_t rows) {
  std::string out;
  out.reserve(record.size());
  for (size_t start = 0, end; (end = record.find(';', start)) != std::string_view::npos; start = end + 1) {
    const std::string_view piece = record.substr(start, end - start);
    const size_t mark = piece.find(formula::kRowMark);
    bool keep;
    if (mark != std::string_view::npos) {
      // The row as the control writes it: decimal digits without a leading zero.
      const std::string_view number = piece.substr(mark + 1);
      int64_t row = 0;
      keep = piece.front() == '=' && !number.empty() && number.size() <= 10 && number.front() != '0';
      for (size_t k = 0; keep && k < number.size(); ++k) {
        keep = number[k] >= '0' && number[k] <= '9';
        row = row * 10 + (number[k] - '0');
      }
      keep = keep && row >= 1 && row <= rows;
    } else {
      keep = piece.empty() || piece.front() != '=' || piece.back() == '@';
    }
    if (keep) {
      out.append(piece);
      out.push_back(';');
    }
  }
  return out;
}

int64_t hundredthsOfMillimetre(int32_t twips) {
  // Round(x, 2): the hundredths rounded to the nearest, halves to even (the default mode).
  return int64_t(std::nearbyint(double(twips) / kTwipsPerMillimetre * 100.0));
}

std::string millimetreText(int32_t twips) {
  int64_t h = hundredthsOfMillimetre(twips);
  std::string out;
  if (h < 0) {
    out += '-';
    h = -h;
  }
  out += std::to_string(h / 100);
  const int64_t frac = h % 100;
  if (frac != 0) {
    out += '.';
    out += char('0' + frac / 10);
    if (frac % 10 != 0) out += char('0' + frac % 10);
  }
  return out;
}

std::string layoutPiece(const Grid& grid, int32_t N, int32_t M) {
  std::vector<std::pair<int32_t, int32_t>> heights, widths;
  for (int32_t i = 1; i <= N; ++i) heights.emplace_back(i, grid.RowHeight(i));
  for (int32_t j = 1; j <= M; ++j) widths.emplace_back(j, grid.ColWidth(j));
  std::string out = "=";
  appendEntries(out, widths, kDefaultWidthHundredths);
  out += '?';
  appendEntries(out, heights, kDefaultHeightHundredths);
  return out;
}

std::string buildTbq(const Grid& grid, std::vector<std::string>& colFormula) {
  const UsedArea a = usedArea(grid);
  int32_t lastRecord = 0;
  for (size_t j = 1; j < colFormula.size() && j < size_t(grid.Cols()); ++j)
    if (!colFormula[j].empty()) lastRecord = int32_t(j);
  // The lines reach the last row with a cell formula too, so that an import keeps its row.
  int32_t lastFormulaRow = 0;
  for (size_t j = 1; j < colFormula.size() && j < size_t(grid.Cols()); ++j)
    if (colFormula[j].find(formula::kRowMark) != std::string::npos)
      for (const auto& [r, text] : formula::cellFormulas(formula::decode(colFormula[j])))
        if (r < grid.Rows()) lastFormulaRow = std::max(lastFormulaRow, r);
  const int32_t N = std::min(std::max(a.lastRow, lastFormulaRow) + 2, grid.Rows() - 1);
  const int32_t M = std::min(std::max(a.lastCol, lastRecord) + 2, grid.Cols() - 1);
  if (colFormula.size() < size_t(std::max(M, 1)) + 1) colFormula.resize(size_t(std::max(M, 1)) + 1);

  const std::string layout = layoutPiece(grid, N, M);

  std::string out;
  out.reserve(size_t(N) * size_t(M) * 10 + 256);

  // Data lines, row by row: room for the row (every field at most its text, a marker and a
  // comma), then its bytes written in place.
  for (int32_t i = 1; i <= N; ++i) {
    size_t most = 2 * size_t(std::max(M, 0)) + 2;
    for (int32_t j = 1; j <= M; ++j) most += 2 * grid.textAt(i, j).size();
    const size_t at = out.size();
    if (out.capacity() < at + most) out.reserve(std::max(out.capacity() * 2, at + most));
    out.resize(at + most);
    char* const start = out.data() + at;
    char* p = start;
    for (int32_t j = 1; j < M; ++j) {
      const std::string& text = grid.textAt(i, j);
      if (text.empty()) {
        *p++ = kFieldEmpty;
      } else {
        *p++ = kCellStart;
        p = writeEncoded(p, text, kEncodeCell);
      }
      *p++ = ',';
    }
    if (M >= 1) {
      *p++ = kCellStart;
      p = writeEncoded(p, grid.textAt(i, M), kEncodeCell);
    }
    *p++ = '\r';
    *p++ = '\n';
    out.resize(at + size_t(p - start));
  }

  // The formula line: the compacted records, column 1's followed by the layout piece; an empty
  // record as <0>, nothing at all in the last field.
  for (int32_t j = 1; j <= M; ++j) {
    std::string& record = colFormula[size_t(j)];
    record = formula::compactForFormuget(record);
    if (record.empty() && j > 1 && j < M) out += kFieldEmpty;
    appendRecord(out, record);
    if (j == 1) out += layout;
    out += j < M ? "," : "\r\n";
  }
  return out;
}

TbqShape scanTbq(std::string_view text, std::string_view what) {
  // Empty lines at the very end are no part of the table.
  while (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.remove_suffix(2);
  if (text.empty()) fail(what, "the file is empty");
  TbqShape shape;
  const size_t firstEnd = std::min(text.find("\r\n"), text.size());
  shape.fields = 1 + int32_t(std::count(text.begin(), text.begin() + std::ptrdiff_t(firstEnd), ','));
  size_t lines = 1;
  for (const char* p = text.data(), *end = text.data() + text.size();;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
    if (!lf) break;
    if (lf > text.data() && lf[-1] == '\r') ++lines;
    p = lf + 1;
  }
  if (lines > size_t(std::numeric_limits<int32_t>::max())) fail(what, "too many lines");
  shape.lines = int32_t(lines);
  if (shape.lines < 2) fail(what, "not a data file: no data lines before the formula line");
  return shape;
}

std::vector<std::string_view> readTbqFields(std::string_view text, TbqShape shape,
                                            std::string_view what) {
  while (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n") text.remove_suffix(2);
  std::vector<std::string_view> fields;
  fields.reserve(size_t(shape.lines) * size_t(shape.fields));
  const char* const data = text.data();
  const size_t n = text.size();
  int32_t line = 1, count = 0;
  size_t fieldStart = 0;
  auto tooMany = [&] {
    fail(what, "line " + std::to_string(line) + " has more fields than the first line (" +
                   std::to_string(shape.fields) + ")");
  };
  // Takes the field ending at i (a comma, a line end, or the end of the text at n).
  auto take = [&](size_t i, bool lineEnd) {
    const bool atEnd = i == n;
    const std::string_view field(data + fieldStart, i - fieldStart);
    if (++count > shape.fields) tooMany();
    if (line < shape.lines) {
      const bool cellField = (field.size() == 1 && field[0] == kFieldEmpty) ||
                             (!field.empty() && field[0] == kCellStart);
      if (!cellField)
        fail(what, "not a data file: line " + std::to_string(line) + ", field " +
                       std::to_string(count) + " is not a cell field");
    } else if (lineEnd && !field.empty() && field[0] == kCellStart) {
      // The last field of a data line: a file cut at a line end has no formula line.
      fail(what, "not a data file: the formula line is missing (the file may be cut short)");
    }
    fields.push_back(field);
    fieldStart = i + 1;
    if (lineEnd) {
      if (count < shape.fields)
        fail(what, "line " + std::to_string(line) + " has fewer fields (" + std::to_string(count) +
                       ") than the first line (" + std::to_string(shape.fields) + ")");
      if (atEnd) return;
      if (line == shape.lines) fail(what, "more lines than counted");
      ++line;
      count = 0;
      fieldStart = i + 2;  // past the LF
    }
  };
  // The commas and CRs of 64 bytes at a time, taken in order.
  for (size_t block = 0; block < n; block += 64) {
    for (uint64_t bits = fieldStopBits(data + block, std::min<size_t>(64, n - block)); bits != 0;
         bits &= bits - 1) {
      const size_t i = block + size_t(std::countr_zero(bits));
      if (data[i] == ',') {
        take(i, false);
      } else if (i + 1 < n && data[i + 1] == '\n') {
        take(i, true);
      }  // a lone CR belongs to the field
    }
  }
  take(n, true);
  if (line != shape.lines) fail(what, "fewer lines than counted");
  return fields;
}

LayoutSizes parseLayoutPiece(std::string_view layout) {
  LayoutSizes sizes;
  const size_t q = layout.find('?');
  if (layout.empty() || layout.front() != '=' || q == std::string_view::npos) return sizes;
  std::string_view A = layout.substr(1, q - 1), B = layout.substr(q + 1);
  const size_t q2 = B.find('?');
  if (q2 != std::string_view::npos) B = B.substr(0, q2);
  if (!B.empty()) sizes.heights = parseEntries(splitAt(B, '$'));
  if (!A.empty()) sizes.widths = parseEntries(splitAt(A, '$'));
  return sizes;
}

void capSizes(std::vector<SizeEntry>& entries, std::vector<int32_t> current) {
  constexpr int64_t kMost = std::numeric_limits<int32_t>::max();
  int64_t total = 0;
  for (int32_t size : current) total += size;
  for (SizeEntry& e : entries) {
    if (e.index <= 0 || size_t(e.index) >= current.size()) continue;
    const int64_t others = total - current[size_t(e.index)];
    e.twips = int32_t(std::min<int64_t>(e.twips, std::max<int64_t>(0, kMost - others)));
    current[size_t(e.index)] = e.twips;
    total = others + e.twips;
  }
}

}  // namespace tablique::files
