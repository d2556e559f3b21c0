#include "harness/models.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace tablique::harness {

Snapshot snapshot(const Control& c) {
  const Grid& g = c.grid();
  Snapshot s;
  s.rows = c.rows();
  s.cols = c.cols();
  s.row = g.Row();
  s.col = g.Col();
  if (c.editor().visible()) {
    s.editorRow = g.rowAt(float(c.editor().top() - g.Top + 1));
    s.editorCol = g.colAt(float(c.editor().left() - g.Left + 1));
  }
  const ControlState& st = c.state();
  s.rr0 = st.rr0;
  s.cc0 = st.cc0;
  s.RR = st.RR;
  s.cc = st.cc;
  s.r0 = std::min(st.rr0, st.RR);
  s.r1 = std::max(st.rr0, st.RR);
  s.c0 = std::min(st.cc0, st.cc);
  s.c1 = std::max(st.cc0, st.cc);
  s.editing = c.focus() == FocusTarget::Editor;
  s.fillPending = st.fillDone == FillDone::Filled;
  HeadlessPlatform& platform = const_cast<Control&>(c).headless();  // read only
  s.failuresTold = platform.failures().size();
  s.messagesShown = platform.messages().size();
  s.cells.reserve(size_t(s.rows) * size_t(s.cols));
  for (int32_t r = 1; r <= s.rows; ++r)
    for (int32_t col = 1; col <= s.cols; ++col) s.cells.push_back(g.TextMatrix(r, col));
  s.records = st.colFormula;
  return s;
}

namespace {

constexpr int64_t kBudget = 349950;  // cells, fixed row and column included
constexpr char kRowMark = '\x0b';

// ---- formula records, read plainly: pieces end in ";"; the first piece is the column formula
// unless it begins with "="; a piece "=" text <row mark> row is the cell formula of that row
// (the last one for a row wins); anything else (retired, empty) is not evaluated.

std::string decoded(const std::string& piece) {
  std::string out;
  for (char ch : piece) {
    if (ch == '\x04') continue;
    out += ch == '\x03' ? ',' : ch == '\x05' ? ';' : ch;
  }
  return out;
}

// A formula without the parentheses that enclose all of it (the formula command stores its
// formulas bracketed; the meaning is the same).
std::string unbracketed(std::string t) {
  while (t.size() >= 2 && t.front() == '(' && t.back() == ')') {
    int depth = 0;
    bool quoted = false;
    size_t close = std::string::npos;
    for (size_t i = 0; i < t.size() && close == std::string::npos; ++i) {
      if (t[i] == '"') quoted = !quoted;
      if (quoted) continue;
      if (t[i] == '(') ++depth;
      if (t[i] == ')' && --depth == 0) close = i;
    }
    if (close != t.size() - 1) break;
    t = t.substr(1, t.size() - 2);
  }
  return t;
}

struct Live {
  std::optional<std::string> column;
  std::map<int64_t, std::string> cells;
  bool operator==(const Live&) const = default;
};

Live liveOf(const std::string& record) {
  Live live;
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t semi; (semi = record.find(';', start)) != std::string::npos; start = semi + 1)
    pieces.push_back(record.substr(start, semi - start));
  if (start < record.size()) pieces.push_back(record.substr(start));
  for (size_t i = 0; i < pieces.size(); ++i) {
    const std::string& p = pieces[i];
    if (i == 0 && !p.empty() && p[0] != '=') {
      live.column = unbracketed(decoded(p));
      continue;
    }
    const size_t mark = p.rfind(kRowMark);
    if (p.empty() || p[0] != '=' || mark == std::string::npos || mark + 1 == p.size() || p.size() - mark > 10)
      continue;
    const std::string digits = p.substr(mark + 1);
    if (!std::all_of(digits.begin(), digits.end(), [](char ch) { return ch >= '0' && ch <= '9'; })) continue;
    live.cells[std::stoll(digits)] = "=" + unbracketed(decoded(p.substr(1, mark - 1)));
  }
  return live;
}

// Column references of a decoded formula: "C" and the longest run of digits (no leading zero)
// naming a column 1..maxCol. Each is rewritten as "C" map(column).
std::string mapReferences(const std::string& text, int32_t maxCol, const std::function<int32_t(int32_t)>& map) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != 'C') {
      out += text[i++];
      continue;
    }
    int64_t value = 0;
    int32_t col = 0;
    size_t end = i + 1;
    for (size_t j = i + 1; j < text.size() && text[j] >= '0' && text[j] <= '9'; ++j) {
      if (value == 0 && text[j] == '0') break;
      value = value * 10 + (text[j] - '0');
      if (value > maxCol) break;
      col = int32_t(value);
      end = j + 1;
    }
    if (col == 0) {
      out += text[i++];
      continue;
    }
    out += "C" + std::to_string(map(col));
    i = end;
  }
  return out;
}

bool referencesAny(const Live& live, int32_t maxCol, int32_t lo, int32_t hi) {
  bool found = false;
  auto scan = [&](const std::string& text) {
    mapReferences(text, maxCol, [&](int32_t t) {
      found = found || (t >= lo && t <= hi);
      return t;
    });
  };
  if (live.column) scan(*live.column);
  for (const auto& [r, text] : live.cells) scan(text);
  return found;
}

// ---- numbers: a plain decimal text ("-12", "007", "1.50", "3e-5") and its value; nothing
// else is taken as surely a number by the models.

std::optional<double> plainNumber(const std::string& t) {
  size_t i = 0;
  auto digits = [&] {
    const size_t from = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    return i > from;
  };
  if (i < t.size() && t[i] == '-') ++i;
  if (!digits()) return std::nullopt;
  if (i < t.size() && t[i] == '.') {
    ++i;
    if (!digits()) return std::nullopt;
  }
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    if (!digits()) return std::nullopt;
  }
  if (i != t.size()) return std::nullopt;
  errno = 0;
  const double v = std::strtod(t.c_str(), nullptr);
  if (errno != 0 || !std::isfinite(v)) return std::nullopt;
  return v;
}

// A written number against its value: the text holds at most 15 significant digits.
bool closeTo(double x, double v) { return x == v || std::fabs(x - v) <= 1e-14 * std::fabs(v); }

// ---- the expected table

struct Want {
  enum Kind : uint8_t { Exact, Any, Number, Label } kind = Exact;
  std::string text;             // Exact: the text; Label: the label the text begins with
  std::optional<double> value;  // Number; Label: the number after the label
  std::optional<std::string> rest;  // Label: the exact text after the label
};

// A text as it reads in a message: control characters as \xNN.
std::string shown(const std::string& t) {
  std::string out = "\"";
  for (unsigned char ch : t) {
    if (ch < 0x20 || ch == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", ch);
      out += buf;
    } else {
      out += char(ch);
    }
  }
  return out + "\"";
}

std::string describe(const Want& w) {
  switch (w.kind) {
    case Want::Exact: return shown(w.text);
    case Want::Any: return "any text";
    case Want::Number: return "the number " + std::to_string(*w.value);
    case Want::Label:
      return shown(w.text) + " followed by " +
             (w.rest ? shown(*w.rest) : w.value ? "the number " + std::to_string(*w.value) : "a value");
  }
  return "";
}

bool matches(const Want& w, const std::string& got) {
  switch (w.kind) {
    case Want::Exact: return got == w.text;
    case Want::Any: return true;
    case Want::Number: {
      const std::optional<double> x = plainNumber(got);
      return x && closeTo(*x, *w.value);
    }
    case Want::Label: {
      if (got.rfind(w.text, 0) != 0) return false;
      const std::string rest = got.substr(w.text.size());
      if (w.rest) return rest == *w.rest;
      if (!w.value) return true;
      const std::optional<double> x = plainNumber(rest);
      return x && closeTo(*x, *w.value);
    }
  }
  return false;
}

struct Model {
  int32_t rows = 0, cols = 0;
  std::vector<Want> cells;
  std::vector<Live> live;  // 1..cols
  bool atLeast = false;    // the table may be larger; cells beyond the model are empty
  Want& at(int32_t r, int32_t c) { return cells[size_t(r - 1) * size_t(cols) + size_t(c - 1)]; }
  const Want& at(int32_t r, int32_t c) const { return cells[size_t(r - 1) * size_t(cols) + size_t(c - 1)]; }
};

Model emptyModel(int32_t rows, int32_t cols) {
  Model m;
  m.rows = std::max(0, rows);
  m.cols = std::max(0, cols);
  m.cells.assign(size_t(m.rows) * size_t(m.cols), Want{});
  m.live.assign(size_t(m.cols) + 1, Live{});
  return m;
}

// The table before the event; the cells the ended edit may recompute hold any text.
Model modelOf(const Snapshot& s, const std::vector<bool>& wild) {
  Model m = emptyModel(s.rows, s.cols);
  for (size_t i = 0; i < m.cells.size(); ++i) {
    m.cells[i].text = s.cells[i];
    if (i < wild.size() && wild[i]) m.cells[i].kind = Want::Any;
  }
  for (int32_t c = 1; c <= s.cols; ++c)
    m.live[size_t(c)] = c < int32_t(s.records.size()) ? liveOf(s.records[size_t(c)]) : Live{};
  return m;
}

Model modelOf(const TableCopy& t) {
  Model m = emptyModel(t.rows, t.cols);
  for (size_t i = 0; i < m.cells.size(); ++i) m.cells[i].text = t.cells[i];
  for (int32_t c = 1; c <= t.cols; ++c)
    m.live[size_t(c)] = c < int32_t(t.records.size()) ? liveOf(t.records[size_t(c)]) : Live{};
  return m;
}

// The table rebuilt: row r of the new table is row rowFrom(r) of the old one, column c column
// colFrom(c) (0: a new, empty line); records go with their columns.
Model rebuilt(const Model& old, int32_t rows, int32_t cols, const std::function<int32_t(int32_t)>& rowFrom,
              const std::function<int32_t(int32_t)>& colFrom) {
  Model m = emptyModel(rows, cols);
  for (int32_t c = 1; c <= cols; ++c) {
    const int32_t oc = colFrom(c);
    if (oc >= 1 && oc <= old.cols) m.live[size_t(c)] = old.live[size_t(oc)];
    for (int32_t r = 1; r <= rows; ++r) {
      const int32_t orow = rowFrom(r);
      if (oc >= 1 && oc <= old.cols && orow >= 1 && orow <= old.rows) m.at(r, c) = old.at(orow, oc);
    }
  }
  return m;
}

int32_t same(int32_t v) { return v; }

// Row tags through map (0: the cell formula is retired).
void mapRows(Model& m, const std::function<int64_t(int64_t)>& map) {
  for (Live& live : m.live) {
    std::map<int64_t, std::string> cells;
    for (auto& [r, text] : live.cells)
      if (const int64_t to = map(r); to > 0) cells[to] = text;
    live.cells = std::move(cells);
  }
}

// Column references through map, read with the old highest column.
void mapColumns(Model& m, int32_t maxCol, const std::function<int32_t(int32_t)>& map) {
  for (Live& live : m.live) {
    if (live.column) live.column = mapReferences(*live.column, maxCol, map);
    for (auto& [r, text] : live.cells) text = mapReferences(text, maxCol, map);
  }
}

// The lines a row (column) command acts on, from the selection's ends along its axis, across
// it, and the current line: whole lines selected over their headers; the selected lines when
// the current line is among them; else the current line alone.
struct Lines {
  int32_t first, count;
  bool whole;
};
Lines linesOf(int32_t anchor, int32_t end, int32_t across0, int32_t across1, int32_t current) {
  const int32_t lo = std::min(anchor, end), hi = std::max(anchor, end);
  if (lo >= 1 && across0 == 0 && across1 == 0) return {lo, hi - lo + 1, true};
  if (lo >= 1 && lo <= current && current <= hi) return {lo, hi - lo + 1, false};
  return {current, 1, false};
}

// ---- one candidate outcome: the model, whether the user must have been told (a refusal)

struct Candidate {
  Model model;
  bool mustTell = false;
};

std::string difference(const Model& m, const Snapshot& after) {
  if (m.atLeast ? (after.rows < m.rows || after.cols < m.cols) : (after.rows != m.rows || after.cols != m.cols))
    return "the table is " + std::to_string(after.rows) + " x " + std::to_string(after.cols) + ", the model " +
           (m.atLeast ? "at least " : "") + std::to_string(m.rows) + " x " + std::to_string(m.cols);
  const Want empty{};
  for (int32_t r = 1; r <= after.rows; ++r)
    for (int32_t c = 1; c <= after.cols; ++c) {
      const Want& w = r <= m.rows && c <= m.cols ? m.at(r, c) : empty;
      if (!matches(w, after.at(r, c)))
        return "cell (" + std::to_string(r) + ", " + std::to_string(c) + ") holds " + shown(after.at(r, c)) +
               ", the model " + describe(w);
    }
  const Live none{};
  for (int32_t c = 1; c <= after.cols; ++c) {
    const Live& want = c <= m.cols ? m.live[size_t(c)] : none;
    const Live got = c < int32_t(after.records.size()) ? liveOf(after.records[size_t(c)]) : Live{};
    if (want.column != got.column)
      return "column formula of column " + std::to_string(c) + " is " + shown(got.column.value_or("(none)")) +
             ", the model " + shown(want.column.value_or("(none)"));
    if (want.cells != got.cells) {
      std::string w, g;
      for (const auto& [r, t] : want.cells) w += " " + std::to_string(r) + ":" + shown(t);
      for (const auto& [r, t] : got.cells) g += " " + std::to_string(r) + ":" + shown(t);
      return "cell formulas of column " + std::to_string(c) + " are {" + g + " }, the model {" + w + " }";
    }
  }
  return "";
}

// ---- the models, one per command; each gives its possible outcomes, the first the usual one.

using Candidates = std::vector<Candidate>;

Candidates refused(const Model& before) { return {{before, true}}; }
Candidates unchanged(const Model& before) { return {{before, false}}; }

Candidates rowins(const Snapshot& s, const Model& b) {
  const Lines l = linesOf(s.rr0, s.RR, s.cc0, s.cc, s.row);
  const int32_t at = l.whole ? l.first : s.row, n = l.count;
  if (at < 1 || at > s.rows) return unchanged(b);
  if ((int64_t(s.rows) + 1 + n) * (int64_t(s.cols) + 1) > kBudget) return refused(b);
  Model m = rebuilt(b, s.rows + n, s.cols, [&](int32_t r) { return r < at ? r : r < at + n ? 0 : r - n; }, same);
  mapRows(m, [&](int64_t t) { return t >= at ? t + n : t; });
  return {{m}};
}

Candidates rowdel(const Snapshot& s, const Model& b) {
  const Lines l = linesOf(s.rr0, s.RR, s.cc0, s.cc, s.row);
  const int32_t first = l.first;
  if (!(1 < first && first < s.rows - 1)) return refused(b);  // row 1 and the last two rows stay
  const int32_t n = std::min(l.count, s.rows - first + 1), last = first + n - 1;
  Model m = rebuilt(b, s.rows - n, s.cols, [&](int32_t r) { return r < first ? r : r + n; }, same);
  mapRows(m, [&](int64_t t) { return t < first ? t : t <= last ? 0 : t - n; });
  return {{m}};
}

Candidates rowMove(const Snapshot& s, const Model& b, bool down) {
  const int32_t k = s.row;
  const bool can = s.col < s.cols && (down ? 1 <= k && k < s.rows - 1 : 2 <= k && k <= s.rows - 1);
  if (!can) return unchanged(b);
  const int32_t x = down ? k : k - 1, y = x + 1;
  Model m = rebuilt(b, s.rows, s.cols, [&](int32_t r) { return r == x ? y : r == y ? x : r; }, same);
  mapRows(m, [&](int64_t t) { return t == x ? y : t == y ? x : t; });
  return {{m}};
}

Candidates colins(const Snapshot& s, const Model& b) {
  const Lines l = linesOf(s.cc0, s.cc, s.rr0, s.RR, s.col);
  const int32_t at = l.whole ? l.first : s.col, n = l.count;
  if (at < 1 || at > s.cols) return unchanged(b);
  if ((int64_t(s.rows) + 1) * (int64_t(s.cols) + 1 + n) > kBudget) return refused(b);
  Model m = rebuilt(b, s.rows, s.cols + n, same, [&](int32_t c) { return c < at ? c : c < at + n ? 0 : c - n; });
  mapColumns(m, s.cols, [&](int32_t t) { return t >= at ? t + n : t; });
  return {{m}};
}

Candidates coldel(const Snapshot& s, const Model& b) {
  const Lines l = linesOf(s.cc0, s.cc, s.rr0, s.RR, s.col);
  const int32_t first = l.first;
  if (!(1 < first && first < s.cols - 1)) return refused(b);  // column 1 and the last two stay
  const int32_t last = std::min(s.cols, first + l.count - 1), n = last - first + 1;
  for (int32_t c = 1; c <= s.cols; ++c)
    if (referencesAny(b.live[size_t(c)], s.cols, first, last)) return refused(b);
  Model m = rebuilt(b, s.rows, s.cols - n, same, [&](int32_t c) { return c < first ? c : c + n; });
  mapColumns(m, s.cols, [&](int32_t t) { return t > last ? t - n : t; });
  return {{m}};
}

Candidates colMove(const Snapshot& s, const Model& b, bool right) {
  const int32_t a = s.col;
  const bool can = s.row < s.rows && (right ? 1 <= a && a < s.cols - 1 : 2 <= a && a <= s.cols - 1);
  if (!can) return unchanged(b);
  const int32_t x = right ? a : a - 1, y = x + 1;
  Model m = rebuilt(b, s.rows, s.cols, same, [&](int32_t c) { return c == x ? y : c == y ? x : c; });
  mapColumns(m, s.cols, [&](int32_t t) { return t == x ? y : t == y ? x : t; });
  return {{m}};
}

Candidates cleartab(const Snapshot& s, const Model& b, bool cancelled) {
  if (cancelled) return unchanged(b);
  return {{emptyModel(s.rows, s.cols)}};
}

// The selected cells of a cell command: whole rows or columns selected over their headers, else
// the selected rectangle; false when there is no usable selection.
bool selectedRect(const Snapshot& s, int32_t& r0, int32_t& c0, int32_t& r1, int32_t& c1) {
  if (s.cc0 == 0 && s.cc == 0 && s.rr0 >= 1 && s.RR >= 1) {  // whole rows
    r0 = s.r0, r1 = s.r1, c0 = 1, c1 = s.cols;
  } else if (s.rr0 == 0 && s.RR == 0 && s.cc0 >= 1 && s.cc >= 1) {  // whole columns
    r0 = 1, r1 = s.rows, c0 = s.c0, c1 = s.c1;
  } else if (s.rr0 == 0 || s.cc0 == 0 || s.RR == 0 || s.cc == 0) {
    return false;
  } else {
    r0 = s.r0, r1 = s.r1, c0 = s.c0, c1 = s.c1;
  }
  return s.rows >= 1 && s.cols >= 1;
}

Candidates transpose(const Snapshot& s, const Model& b) {
  int32_t r0, c0, r1, c1;
  if (!selectedRect(s, r0, c0, r1, c1)) return unchanged(b);
  const int32_t h = r1 - r0 + 1, w = c1 - c0 + 1;
  if (r1 > s.rows || c1 > s.cols || r0 + w - 1 > s.rows || c0 + h - 1 > s.cols) return refused(b);
  Model m = b;
  for (int32_t r = r0; r <= r1; ++r)
    for (int32_t c = c0; c <= c1; ++c) m.at(r, c) = Want{};
  for (int32_t r = r0; r <= r1; ++r)
    for (int32_t c = c0; c <= c1; ++c) m.at(r0 + (c - c0), c0 + (r - r0)) = b.at(r, c);
  return {{m}};
}

// The run of a column: its cells from row 1 down to the first empty one. nullopt when a cell of
// the run is one the ended edit may recompute (no model then).
struct Run {
  int32_t n = 0;
  bool plain = true;  // every value is a plain decimal number (surely a number)
  std::vector<double> values;
};
std::optional<Run> runOf(const Model& b, int32_t c) {
  Run run;
  for (int32_t r = 1; r <= b.rows && !b.at(r, c).text.empty(); ++r) {
    if (b.at(r, c).kind == Want::Any) return std::nullopt;
    const std::optional<double> v = plainNumber(b.at(r, c).text);
    run.plain = run.plain && v.has_value();
    run.values.push_back(v.value_or(0));
    ++run.n;
  }
  if (run.n < b.rows && b.at(run.n + 1, c).kind == Want::Any) return std::nullopt;
  return run;
}

// psort: mode 0 ascending, 1 descending, 2 ranks into column k. The sorted column (the anchor
// column cc0) keeps its multiset of numbers in order; ranks are competition ranks, the largest
// value first. A run that is not surely numbers: nothing, or a column of numbers in order
// (ranks 1..n).
Candidates psort(const Snapshot& s, const Model& b, int32_t mode, int32_t k) {
  if (mode == 2 && (k < 1 || k > s.cols)) return unchanged(b);
  const int32_t c = s.cc0;
  if (c < 1 || c > s.cols) return unchanged(b);
  const std::optional<Run> run = runOf(b, c);
  if (!run) return {};
  const int32_t n = run->n;
  if (n < 2) return unchanged(b);
  Model m = b;
  if (mode == 2) {
    for (int32_t i = 1; i <= n; ++i) {
      if (run->plain) {
        int32_t rank = 1;
        for (double y : run->values) rank += y > run->values[size_t(i - 1)] ? 1 : 0;
        m.at(i, k) = Want{Want::Exact, std::to_string(rank)};
      } else {
        m.at(i, k) = Want{Want::Any};
      }
    }
  } else {
    std::vector<double> v = run->values;
    std::sort(v.begin(), v.end());
    if (mode == 1) std::reverse(v.begin(), v.end());
    for (int32_t i = 1; i <= n; ++i) m.at(i, c) = run->plain ? Want{Want::Number, "", v[size_t(i - 1)]} : Want{Want::Any};
  }
  if (run->plain) return {{m}};
  return {{m}, {b}};
}

const char* const kStatLabels[14] = {"平均值=", "标准误差=", "中位数=", "众数=", "标准差=", "方差=", "峰度=",
                                     "偏度=", "极差=", "最小值=", "最大值=", "求和=", "观测数=", "平均误差="};

// statis(col): rows added first when the run is shorter than 14 (addrow(15 - n), within its
// budget), then the fourteen lines "label value" in rows 1..14 of col; the count, the smallest
// and the largest value are checked, the others by their labels.
Candidates statis(const Snapshot& s, const Model& b, int32_t col) {
  const int32_t c = s.cc0;
  if (c < 1 || c > s.cols) return unchanged(b);
  const std::optional<Run> run = runOf(b, c);
  if (!run) return {};
  const int32_t n = run->n;
  if (n < 3) return unchanged(b);
  int32_t rows = s.rows;
  if (n < 14 && (int64_t(s.rows) + 1 + 15 - n) * (int64_t(s.cols) + 1 + 3) <= kBudget) rows += 15 - n;
  Model m = rebuilt(b, rows, s.cols, [&](int32_t r) { return r <= s.rows ? r : 0; }, same);
  if (col >= 1 && col <= s.cols)
    for (int32_t i = 1; i <= 14 && i <= rows; ++i) {
      Want w{Want::Label, kStatLabels[i - 1]};
      if (i == 13) w.rest = std::to_string(n);
      if (run->plain && (i == 10 || i == 11))
        w.value = i == 10 ? *std::min_element(run->values.begin(), run->values.end())
                          : *std::max_element(run->values.begin(), run->values.end());
      m.at(i, col) = w;
    }
  if (run->plain) return {{m}};
  return {{m}, {b}};
}

Candidates rowcol(const Snapshot&, const Model& b, int64_t rw, int64_t cl) {
  if ((rw + 1) * (cl + 1) > kBudget || cl <= 0 || rw < 0) return unchanged(b);
  return {{emptyModel(int32_t(rw), int32_t(cl))}};
}

Candidates addrow(const Snapshot& s, const Model& b, int64_t k) {
  const int64_t n = s.rows + 1 + k;  // the new row count, fixed row included
  if (n * (s.cols + 1 + 3) > kBudget || n < 1) return unchanged(b);
  Model m = rebuilt(b, int32_t(n - 1), s.cols, same, same);
  mapRows(m, [&](int64_t t) { return t < n ? t : 0; });
  return {{m}};
}

Candidates addcol(const Snapshot& s, const Model& b, int64_t k) {
  const int64_t n = s.cols + 1 + k;
  if ((n + 3) * (s.rows + 1) > kBudget || n < 1) return unchanged(b);
  return {{rebuilt(b, s.rows, int32_t(n - 1), same, same)}};
}

// Pasting the control's own copy at the current cell: the copied block comes back cell for cell
// from there, the table grown to hold it (new cells empty), the cell formulas of the written
// cells retired; formula columns may be recomputed. A block that needs more than addrow and
// addcol may add has no model (the paste then stops part way, as documented).
Candidates paste(const Snapshot& s, const Model& b, const Runner::Copied& copy) {
  const int32_t r0 = s.row, c0 = s.col, h = copy.rows, w = copy.cols;
  if (h < 1 || w < 1) return {};
  if (r0 < 1 || c0 < 1) return refused(b);
  const int64_t rows = std::max<int64_t>(s.rows, int64_t(r0) + h), cols = std::max<int64_t>(s.cols, int64_t(c0) + w);
  if ((rows + 1) * (cols + 1 + 3) > kBudget || (rows + 1 + 3) * (cols + 1) > kBudget) return {};
  Model m = rebuilt(b, int32_t(std::max<int64_t>(s.rows, int64_t(r0) + h - 1)),
                    int32_t(std::max<int64_t>(s.cols, int64_t(c0) + w - 1)), same, same);
  m.atLeast = true;
  for (int32_t i = 0; i < h; ++i)
    for (int32_t j = 0; j < w; ++j) m.at(r0 + i, c0 + j) = Want{Want::Exact, copy.cells[size_t(i) * size_t(w) + size_t(j)]};
  for (int32_t c = c0; c < c0 + w; ++c)
    for (int32_t r = r0; r < r0 + h; ++r) m.live[size_t(c)].cells.erase(r);
  for (int32_t c = 1; c <= m.cols; ++c) {
    const bool formulas = (c <= b.cols && b.live[size_t(c)] != Live{}) ||
                          (c < int32_t(s.records.size()) && !s.records[size_t(c)].empty());
    if (formulas)
      for (int32_t r = 1; r <= m.rows; ++r) m.at(r, c) = Want{Want::Any};
  }
  return {{m}};
}

// Opening a file the session wrote: its cells, every other cell empty, its records (none for a
// text file), the table at least as large as the file's.
Candidates opened(const Model& b, const Runner::File* file, bool records) {
  if (!file || file->state == Runner::File::State::Unknown) return {};
  if (file->state == Runner::File::State::Missing) return refused(b);
  // The used area: the last row and column holding a cell.
  const TableCopy& t = file->table;
  int32_t lastRow = 0, lastCol = 0;
  for (int32_t r = 1; r <= t.rows; ++r)
    for (int32_t c = 1; c <= t.cols; ++c)
      if (!t.cells[size_t(r - 1) * size_t(t.cols) + size_t(c - 1)].empty()) {
        lastRow = std::max(lastRow, r);
        lastCol = std::max(lastCol, c);
      }
  Model m = modelOf(t);
  if (records) {  // a column with a formula is part of the file too
    for (int32_t c = 1; c <= t.cols; ++c)
      if (m.live[size_t(c)] != Live{}) lastCol = std::max(lastCol, c), lastRow = std::max(lastRow, 1);
  }
  m = rebuilt(m, std::min(lastRow, t.rows), std::min(lastCol, t.cols), same, same);
  if (!records)
    for (Live& live : m.live) live = Live{};
  m.atLeast = true;
  return {{m}, {b, true}};  // or refused and told (a table too large to take it)
}

}  // namespace

bool copiedBlock(const Snapshot& s, const std::vector<bool>& wild, Runner::Copied& out) {
  int32_t r0, c0, r1, c1;
  if (!selectedRect(s, r0, c0, r1, c1) || r0 < 1 || c0 < 1 || r1 > s.rows || c1 > s.cols) return false;
  out.rows = r1 - r0 + 1;
  out.cols = c1 - c0 + 1;
  out.cells.clear();
  for (int32_t r = r0; r <= r1; ++r)
    for (int32_t c = c0; c <= c1; ++c) {
      const size_t i = size_t(r - 1) * size_t(s.cols) + size_t(c - 1);
      if (i < wild.size() && wild[i]) return false;
      out.cells.push_back(s.cells[i]);  // exactly, edge spaces included
    }
  return true;
}

std::string modelledCommand(const Event& e) {
  switch (e.kind) {
    case Kind::Menu:
    case Kind::Method: {
      const std::string m = commandMethod(e.a);
      return m == "m_focal" || m == "m_copy" || m == "m_delete" || m == "m_cut" || m == "m_daexp" ? "" : m;
    }
    case Kind::GridKey: return e.a == 86 && e.d == 2 ? "m_paste" : "";  // Ctrl+V
    case Kind::RowCol: return "rowcol";
    case Kind::AddRow: return "addrow";
    case Kind::AddCol: return "addcol";
    case Kind::Psort: return "psort";
    case Kind::Statis: return "statis";
    case Kind::Trans: return "trans";
    case Kind::OpenTxt: return "opentxt";
    default: return "";
  }
}

Failure checkModel(const Snapshot& before, const Snapshot& after, const Event& e, const ModelContext& ctx,
                   const std::vector<bool>& wild, std::map<std::string, Runner::Count>* count) {
  const bool told = ctx.threw || after.failuresTold > before.failuresTold;
  std::string command = modelledCommand(e);
  if (command.empty() && !told && e.kind != Kind::Menu) return {};
  const Model b = modelOf(before, wild);
  Candidates outcomes;
  if (e.kind == Kind::Menu && (before.fillPending || !ctx.menuShown)) {
    // The press that opens the menu ends a pending fill first (no model); a menu that did not
    // open runs nothing.
    if (before.fillPending) return {};
    outcomes = unchanged(b);
  } else if (command == "m_rowins") {
    outcomes = rowins(before, b);
  } else if (command == "m_rowdel") {
    outcomes = rowdel(before, b);
  } else if (command == "m_rowdow" || command == "m_rowup") {
    outcomes = rowMove(before, b, command == "m_rowdow");
  } else if (command == "m_colins") {
    outcomes = colins(before, b);
  } else if (command == "m_coldel") {
    outcomes = coldel(before, b);
  } else if (command == "m_collef" || command == "m_colrig") {
    outcomes = colMove(before, b, command == "m_colrig");
  } else if (command == "m_clc") {
    outcomes = cleartab(before, b, e.c == 1);
    // Another message box (shown by the edit the command ended) may have taken the answer.
    if (after.messagesShown > before.messagesShown + 1) outcomes.push_back(cleartab(before, b, e.c != 1).front());
  } else if (command == "m_paste") {
    // Only while the clipboard holds that copy: an empty text (a copy of one empty cell) is the
    // empty clipboard, which pastes nothing.
    if (!ctx.copied || !ctx.copied->known || ctx.copied->clipboard.empty() || ctx.copied->clipboard != ctx.clipboard)
      return {};
    outcomes = paste(before, b, *ctx.copied);
  } else if (command == "m_dainp") {
    outcomes = opened(b, ctx.tbq, true);
  } else if (command == "trans") {
    outcomes = transpose(before, b);
  } else if (command == "psort") {
    outcomes = psort(before, b, e.a, e.b);
  } else if (command == "statis") {
    outcomes = statis(before, b, e.a);
  } else if (command == "rowcol") {
    outcomes = rowcol(before, b, e.a, e.b);
  } else if (command == "addrow") {
    outcomes = addrow(before, b, e.a);
  } else if (command == "addcol") {
    outcomes = addcol(before, b, e.a);
  } else if (command == "opentxt") {
    outcomes = opened(b, ctx.txt, false);
  } else if (told) {
    // No model: a refusal changes nothing.
    command = "";
    outcomes = unchanged(b);
  }
  if (outcomes.empty()) return {};
  if (count && !command.empty()) {
    Runner::Count& n = (*count)[command];
    ++n.checked;
    if (difference(b, after) != "") ++n.changed;
  }
  // The first outcome that the table matches; a refusal must have been told.
  std::string first;
  bool untold = false;
  for (const Candidate& o : outcomes) {
    const std::string d = difference(o.model, after);
    if (d.empty() && (!o.mustTell || told)) return {};
    untold = untold || d.empty();
    if (first.empty()) first = d;
  }
  if (untold) return {"model-" + command + "-untold", "the command refused without telling the user"};
  return {command.empty() ? "refusal-changed" : "model-" + command, first};
}

}  // namespace tablique::harness
