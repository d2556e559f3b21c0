#include "harness/session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <set>
#include <sstream>

#include "control/budget.h"
#include "formula/record.h"

namespace tablique::harness {

const std::vector<KnownFault>& knownFaults() {
  static const std::vector<KnownFault> faults = {
  };
  return faults;
}

bool isKnownFault(std::string_view check) {
  for (const KnownFault& f : knownFaults())
    if (f.check == check) return true;
  return false;
}

namespace {

// ---- the commands of the popup menu and their m_ methods

enum class Asks { Nothing, Confirmation, Formula, File };
enum class Reach { Local, Selection, Everything };

struct Command {
  const char* method;
  const char* entry;
  void (Control::*run)();
  Asks asks;
  Reach reach;
};

const Command kCommands[] = {
    {"m_delete", "CommandAA1m", &Control::m_delete, Asks::Nothing, Reach::Selection},
    {"m_copy", "CommandAA2m", &Control::m_copy, Asks::Nothing, Reach::Local},
    {"m_paste", "CommandAA3m", &Control::m_paste, Asks::Nothing, Reach::Everything},
    {"m_rowins", "CommandAA4m", &Control::m_rowins, Asks::Nothing, Reach::Everything},
    {"m_rowdel", "CommandAA5m", &Control::m_rowdel, Asks::Nothing, Reach::Everything},
    {"m_colins", "CommandAA6m", &Control::m_colins, Asks::Nothing, Reach::Everything},
    {"m_coldel", "CommandAA7m", &Control::m_coldel, Asks::Nothing, Reach::Everything},
    {"m_collef", "CommandAA8m", &Control::m_collef, Asks::Nothing, Reach::Everything},
    {"m_colrig", "CommandAA9m", &Control::m_colrig, Asks::Nothing, Reach::Everything},
    {"m_rowdow", "CommandAA10m", &Control::m_rowdow, Asks::Nothing, Reach::Everything},
    {"m_rowup", "CommandAA11m", &Control::m_rowup, Asks::Nothing, Reach::Everything},
    {"m_clc", "CommandAA12m", &Control::m_clc, Asks::Confirmation, Reach::Everything},
    {"m_cut", "CommandAA13m", &Control::m_cut, Asks::Nothing, Reach::Selection},
    {"m_focal", "CommandAA14m", &Control::m_focal, Asks::Formula, Reach::Everything},
    {"m_daexp", "CommandAA16m", &Control::m_daexp, Asks::File, Reach::Local},
    {"m_dainp", "CommandAA17m", &Control::m_dainp, Asks::File, Reach::Everything},
};
constexpr int32_t kCommandCount = int32_t(std::size(kCommands));

const char* const kKinds[] = {"Press", "Move", "Release", "GridKey", "EditorKey", "Type",
                              "FocusGrid", "FocusEditor", "FocusOut", "Wheel", "Menu", "Method",
                              "RowCol", "AddRow", "AddCol", "SetText", "MouseSet", "FormuSet",
                              "Update", "Focal", "Psort", "Statis", "Trans", "SaveOpen",
                              "ExportImport"};

// Texts that break formats: the marks the formats use, Chinese whose GB18030 bytes are valid
// UTF-8, emoji, CR LF, quotes, numbers at the edges.
const char* const kTexts[] = {
    "", "1", "2.5", "-3", "007", "1.50", "1e2", "1,000", "1e308", "-0", "1e-170", "abc",
    "一", "专业", "为什么", "中文 文本", "😀", "a\tb", "x\r\ny", "line\n", "\"q\"", "\"", "$", ";",
    "@", "=", "?", ",", "a b", " ", "=C1", "C1", "\x01", "\x08", "\x07", "\x03\x04", "\x0b",
    "Chr(0)", "1;2", "@@", "C1+C2", "é", "\xef\xbf\xbd"};

const char* const kFormulas[] = {
    "C1+C2", "C1*C2", "C2-C1", "Len(C1)", "C1&C2", "C1+1", "=C1+C2", "=C2*2", "Mid(C1,1,2)",
    "\"$\"&C1", "C1&\";\"", "C1&\"@\"", "C1&\"?\"", "C1/C2", "C1 Mod 3", "C1^2", "Abs(C2)",
    "C3+C1", "C5&C4", "=Len(C3)", "Sqr(C1)", "C1&vbCrLf&C2", "C1&Chr(9)", "Int(C2)", "C10+C1",
    "Round(C2,1)", "UCase(C1)", "C1=C2", "=C1&\"=\"", "C2+C2+C2+C2", "1/0", "C1&\"一\""};

// Keys: arrows, page keys, Home, End, Enter, Delete, Backspace, Escape, Tab, F2, C, V, X, A.
const int16_t kKeys[] = {37, 38, 39, 40, 33, 34, 36, 35, 13, 46, 8, 27, 9, 113, 67, 86, 88, 65, 17};

std::string literal(std::string_view s) {
  std::string out = "\"";
  for (unsigned char ch : s) {
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += char(ch);
    } else if (ch < 0x20 || ch == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x\"\"", ch);  // "" ends the escape before a hex digit
      out += buf;
    } else {
      out += char(ch);
    }
  }
  return out + "\"";
}

// ---- positions: a cell's centre, a header (0) or a point beyond the table (-1)

float xOf(const Control& c, int32_t col) {
  const Grid& g = c.grid();
  if (col < 0 || col >= g.Cols()) return float(g.visibleColLeft(g.Cols() - 1) + g.ColWidth(g.Cols() - 1) + 300);
  return float(g.visibleColLeft(col) + g.ColWidth(col) / 2);
}
float yOf(const Control& c, int32_t row) {
  const Grid& g = c.grid();
  if (row < 0 || row >= g.Rows()) return float(g.visibleRowTop(g.Rows() - 1) + g.RowHeight(g.Rows() - 1) + 300);
  return float(g.visibleRowTop(row) + g.RowHeight(row) / 2);
}

void queueAnswers(Control& c, const Command& cmd, const Event& e, const std::string& folder) {
  HeadlessPlatform& p = c.headless();
  switch (cmd.asks) {
    case Asks::Nothing: break;
    case Asks::Confirmation: p.queueMessageAnswer(e.c == 1 ? MessageAnswer::Cancel : MessageAnswer::Ok); break;
    case Asks::Formula: p.queueInput(e.text2); break;
    case Asks::File: p.queueFile(folder + "/menu.tbq"); break;
  }
}

// ---- snapshots and comparisons

struct Snapshot {
  int32_t rows = 0, cols = 0, row = 0, col = 0, editorRow = -1, editorCol = -1;
  int32_t r0 = 0, c0 = 0, r1 = 0, c1 = 0;
  std::vector<std::string> cells;  // data cells row by row
  std::vector<std::string> records;
  std::string at(int32_t r, int32_t col) const { return cells[size_t(r - 1) * size_t(cols) + size_t(col - 1)]; }
};

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
  s.r0 = std::min(st.rr0, st.RR);
  s.r1 = std::max(st.rr0, st.RR);
  s.c0 = std::min(st.cc0, st.cc);
  s.c1 = std::max(st.cc0, st.cc);
  s.cells.reserve(size_t(s.rows) * size_t(s.cols));
  for (int32_t r = 1; r <= s.rows; ++r)
    for (int32_t col = 1; col <= s.cols; ++col) s.cells.push_back(g.TextMatrix(r, col));
  s.records = st.colFormula;
  return s;
}

// Cells an event of reach Local or Selection may change: the cells being edited and the cells
// that formulas derive from them (their rows in formula columns, every cell formula), and the
// selection for delete and cut.
std::vector<bool> reachable(const Snapshot& before, const Snapshot& after, Reach reach, const Event& e) {
  const int32_t rows = before.rows, cols = before.cols;
  std::vector<bool> may(size_t(rows) * size_t(cols), false);
  auto mark = [&](int32_t r, int32_t col) {
    if (r >= 1 && r <= rows && col >= 1 && col <= cols) may[size_t(r - 1) * size_t(cols) + size_t(col - 1)] = true;
  };
  std::set<int32_t> editRows = {before.row, after.row, before.editorRow, after.editorRow};
  std::vector<int32_t> formulaCols;
  for (int32_t col = 1; col <= cols; ++col) {
    const std::string& a = col < int32_t(before.records.size()) ? before.records[size_t(col)] : std::string();
    const std::string& b = col < int32_t(after.records.size()) ? after.records[size_t(col)] : std::string();
    if (!a.empty() || !b.empty()) formulaCols.push_back(col);
    for (const std::string* rec : {&a, &b})
      for (const auto& [r, text] : formula::cellFormulas(formula::decode(*rec))) mark(r, col);
  }
  for (int32_t r : editRows)
    for (int32_t col : formulaCols) mark(r, col);
  mark(before.row, before.col);
  mark(after.row, after.col);
  mark(before.editorRow, before.editorCol);
  mark(after.editorRow, after.editorCol);
  if (e.kind == Kind::SetText) mark(e.a, e.b);
  // A selection made over the headers (a 0 end) is whole rows or whole columns.
  if (reach == Reach::Selection) {
    const int32_t r1 = before.r0 == 0 ? rows : before.r1, c1 = before.c0 == 0 ? cols : before.c1;
    for (int32_t r = std::max(1, before.r0); r <= r1; ++r)
      for (int32_t col = std::max(1, before.c0); col <= c1; ++col) mark(r, col);
  }
  // A fill drag writes down the current column; mouse events may arm and run one.
  if (e.kind == Kind::Press || e.kind == Kind::Move || e.kind == Kind::Release)
    for (int32_t r = 1; r <= rows; ++r) {
      mark(r, before.col);
      mark(r, after.col);
      for (int32_t col : formulaCols) mark(r, col);
    }
  return may;
}

Reach reachOf(const Event& e) {
  switch (e.kind) {
    case Kind::Press:
    case Kind::Move:
    case Kind::Release:
      return e.c == 2 && !e.text.empty() ? Reach::Everything : Reach::Local;
    case Kind::GridKey:
    case Kind::EditorKey:
      if (e.a == 86 && e.d == 2) return Reach::Everything;   // Ctrl+V
      if (e.a == 46 || (e.a == 88 && e.d == 2)) return Reach::Selection;  // Delete, Ctrl+X
      return Reach::Local;
    case Kind::Type:
    case Kind::FocusGrid:
    case Kind::FocusEditor:
    case Kind::FocusOut:
    case Kind::Wheel:
    case Kind::SetText:
    case Kind::MouseSet:
    case Kind::SaveOpen:
    case Kind::ExportImport:
      return Reach::Local;
    case Kind::Menu:
    case Kind::Method:
      return kCommands[e.a].reach;
    default:
      return Reach::Everything;
  }
}

// "every record decodes": pieces end in ";" and are a column formula (first only), a cell
// formula ending in a row mark and the number of a data row, or a retired piece ending in "@".
Failure badRecord(const std::string& record, int32_t col, int32_t rows) {
  const std::string where = "column " + std::to_string(col) + ", record " + literal(record) + ": ";
  size_t start = 0;
  for (int piece = 0; start < record.size(); ++piece) {
    const size_t end = record.find(';', start);
    if (end == std::string::npos) return {"record-unterminated", where + "a piece without its \";\""};
    const std::string_view p(record.data() + start, end - start);
    start = end + 1;
    if (p.empty()) continue;
    const size_t mark = p.find(formula::kRowMark);
    if (mark == std::string_view::npos) {
      if (p[0] == '=' && p.back() != '@') return {"record-decodes", where + "a cell formula piece without a row"};
      continue;
    }
    const std::string_view number = p.substr(mark + 1);
    if (p[0] != '=' || number.empty() || number.size() > 9 ||
        !std::all_of(number.begin(), number.end(), [](char ch) { return ch >= '0' && ch <= '9'; }))
      return {"record-row-mark", where + "a piece with a row mark but no row number after it"};
    const int32_t r = std::stoi(std::string(number));
    if (r == 0) return {"record-header-row", where + "a cell formula for the header row"};
    if (r > rows) return {"record-removed-row", where + "a cell formula for row " + std::to_string(r) + " of " + std::to_string(rows)};
  }
  return {};
}

}  // namespace

Failure checkInvariants(const Control& c) {
  const ControlState& st = c.state();
  if (st.editLock != EditLock::None || st.formuMode != FormuMode::Prompt || st.pasteMode != PasteMode::None ||
      st.depGuard != DepGuard::None || st.pasteRows != 0)
    return {"mode-flags", "editLock " + std::to_string(int(st.editLock)) + ", formuMode " +
                              std::to_string(int(st.formuMode)) + ", pasteMode " + std::to_string(int(st.pasteMode)) +
                              ", depGuard " + std::to_string(int(st.depGuard)) + ", pasteRows " +
                              std::to_string(st.pasteRows)};
  if (!c.editor().enabled()) return {"editor-enabled", "the editor is left disabled"};
  const Grid& g = c.grid();
  if (c.editor().visible() && c.editor().width() > 0 &&
      (c.editor().left() != g.Left + g.CellLeft() || c.editor().top() != g.Top + g.CellTop()))
    return {"editor-over-cell", "a visible editor at (" + std::to_string(c.editor().left()) + ", " +
                                    std::to_string(c.editor().top()) + ") is not over the current cell (" +
                                    std::to_string(g.Row()) + ", " + std::to_string(g.Col()) + ")"};
  if (g.Rows() > 1 && g.Cols() > 1 && (g.Row() < 1 || g.Col() < 1))
    return {"current-cell", "the current cell (" + std::to_string(g.Row()) + ", " + std::to_string(g.Col()) +
                                ") is a header cell"};
  if (st.formulaColumns() != c.cols())
    return {"record-count", std::to_string(st.formulaColumns()) + " formula records for " + std::to_string(c.cols()) +
                                " columns"};
  for (int32_t col = 1; col <= st.formulaColumns(); ++col)
    if (Failure f = badRecord(st.colFormula[size_t(col)], col, c.rows())) return f;
  // The budget leaves room for the two spare columns an export adds.
  if (int64_t(c.rows()) * std::max(c.cols() - 2, 1) > kCellBudget)
    return {"cell-budget", std::to_string(c.rows()) + " x " + std::to_string(c.cols())};
  for (int32_t col = 1; col < g.Cols(); ++col)
    if (g.TextMatrix(0, col) != "C" + std::to_string(col))
      return {"headers", "column header " + std::to_string(col) + " reads " + literal(g.TextMatrix(0, col))};
  return {};
}

namespace {

Failure compareReach(const Snapshot& before, const Snapshot& after, Reach reach, const Event& e) {
  if (reach == Reach::Everything) return {};
  // The export adds two columns when the last one holds data; nothing else local grows.
  const bool exports = e.kind == Kind::ExportImport ||
                       ((e.kind == Kind::Menu || e.kind == Kind::Method) && kCommands[e.a].run == &Control::m_daexp);
  const bool grewByExport = exports && after.rows == before.rows && after.cols == before.cols + 2;
  if (reach == Reach::Local && !grewByExport && (before.rows != after.rows || before.cols != after.cols))
    return {"shape", "the table changed from " + std::to_string(before.rows) + " x " + std::to_string(before.cols) +
                         " to " + std::to_string(after.rows) + " x " + std::to_string(after.cols)};
  const std::vector<bool> may = reachable(before, after, reach, e);
  for (int32_t r = 1; r <= std::min(before.rows, after.rows); ++r)
    for (int32_t col = 1; col <= std::min(before.cols, after.cols); ++col)
      if (!may[size_t(r - 1) * size_t(before.cols) + size_t(col - 1)] && before.at(r, col) != after.at(r, col))
        return {"out-of-reach", "cell (" + std::to_string(r) + ", " + std::to_string(col) + ") changed from " +
                                    literal(before.at(r, col)) + " to " + literal(after.at(r, col))};
  return {};
}

}  // namespace

// Why a cell did not come back, as the name of a check: the causes are fixed separately.
static std::string causeOf(const char* check, const std::string& was, const std::string& back) {
  const std::string text = was + back;
  const bool controls = std::any_of(text.begin(), text.end(), [](char ch) { return (unsigned char)ch < 0x20; });
  const bool wide = std::any_of(text.begin(), text.end(), [](char ch) { return (unsigned char)ch >= 0x80; });
  const bool spaces = !was.empty() && (was.front() == ' ' || was.back() == ' ');
  return std::string(check) + (controls ? "-controls" : wide ? "-encoding" : spaces ? "-spaces" : "-cells");
}

// Cells of a and b over the larger of the two shapes, a missing cell reading "".
Failure compareCells(const Control& a, const Control& b, const char* check) {
  const int32_t rows = std::max(a.rows(), b.rows()), cols = std::max(a.cols(), b.cols());
  auto text = [](const Control& c, int32_t r, int32_t col) {
    return r <= c.rows() && col <= c.cols() ? c.grid().TextMatrix(r, col) : std::string();
  };
  for (int32_t r = 1; r <= rows; ++r)
    for (int32_t col = 1; col <= cols; ++col)
      if (text(a, r, col) != text(b, r, col))
        return {causeOf(check, text(a, r, col), text(b, r, col)),
                "cell (" + std::to_string(r) + ", " + std::to_string(col) + ") was " + literal(text(a, r, col)) +
                    ", came back " + literal(text(b, r, col))};
  return {};
}

// A command run while an edit is pending must see the edit ended first (its recalc done); a
// difference then is named apart.
static Failure pendingEdit(Failure f, bool editing) {
  if (f && editing) f.check = f.check.substr(0, f.check.rfind('-')) + "-pending-edit";
  return f;
}

TableCopy tableOf(const Control& c) {
  TableCopy t{c.rows(), c.cols(), {}, c.state().colFormula};
  for (int32_t r = 1; r <= c.rows(); ++r)
    for (int32_t col = 1; col <= c.cols(); ++col) t.cells.push_back(c.grid().TextMatrix(r, col));
  return t;
}

Failure openFailure(const Control& a, const char* check, const std::string& what, const Control* into) {
  if (into && int64_t(a.rows()) * int64_t(into->cols()) > kCellBudget)
    return {std::string(check) + "-opens-budget", "the file does not open: " + what};
  bool controls = false;
  for (int32_t r = 1; r <= a.rows() && !controls; ++r)
    for (int32_t col = 1; col <= a.cols() && !controls; ++col)
      for (char ch : a.grid().TextMatrix(r, col)) controls = controls || (unsigned char)ch < 0x20;
  for (const std::string& record : a.state().colFormula)  // beyond the record's own marks
    for (char ch : record)
      controls = controls || ((unsigned char)ch < 0x20 && ch != formula::kCommaMark && ch != formula::kRefMark &&
                              ch != formula::kRowMark);
  return {std::string(check) + "-opens" + (controls ? "-controls" : ""), "the file does not open: " + what};
}

Failure compareRecordsAndSizes(const Control& a, const Control& b) {
  for (int32_t col = 1; col <= a.cols(); ++col) {
    const std::string& x = a.state().colFormula[size_t(col)];
    const std::string& y = col <= b.cols() ? b.state().colFormula[size_t(col)] : std::string();
    if (formula::decode(x) != formula::decode(y))
      return {"roundtrip-tbq-records", "formula record of column " + std::to_string(col) + " was " + literal(x) +
                                           ", came back " + literal(y)};
    if (col <= b.cols() && a.grid().ColWidth(col) != b.grid().ColWidth(col))
      return {"roundtrip-tbq-sizes", "width of column " + std::to_string(col) + " was " +
                                         std::to_string(a.grid().ColWidth(col)) + ", came back " +
                                         std::to_string(b.grid().ColWidth(col))};
  }
  for (int32_t r = 1; r <= std::min(a.rows(), b.rows()); ++r)
    if (a.grid().RowHeight(r) != b.grid().RowHeight(r))
      return {"roundtrip-tbq-sizes", "height of row " + std::to_string(r) + " was " +
                                         std::to_string(a.grid().RowHeight(r)) + ", came back " +
                                         std::to_string(b.grid().RowHeight(r))};
  return {};
}

namespace {

Failure saveOpen(Control& c, const std::string& folder) {
  const bool editing = c.focus() == FocusTarget::Editor;
  const std::string path = folder + "/session.txt";
  std::remove(path.c_str());
  c.headless().queueFile(path);
  try {
    c.savetxt();
  } catch (const Error&) {
    return {};  // a refusal is told; nothing to compare
  }
  Control fresh;
  fresh.headless().queueFile(path);
  try {
    fresh.opentxt();
  } catch (const Error& e) {
    return openFailure(c, "roundtrip-txt", e.what(), &fresh);
  }
  return pendingEdit(compareCells(c, fresh, "roundtrip-txt"), editing);
}

Failure exportImport(Control& c, const std::string& folder) {
  const bool editing = c.focus() == FocusTarget::Editor;
  const std::string path = folder + "/session.tbq";
  std::remove(path.c_str());
  c.headless().queueFile(path);
  try {
    c.m_daexp();
  } catch (const Error&) {
    return {};
  }
  Control fresh;
  fresh.headless().queueFile(path);
  try {
    fresh.m_dainp();
  } catch (const Error& e) {
    return openFailure(c, "roundtrip-tbq", e.what(), &fresh);
  }
  if (Failure f = compareCells(c, fresh, "roundtrip-tbq")) return pendingEdit(f, editing);
  return compareRecordsAndSizes(c, fresh);
}

// Answers an event queued but no dialog asked for (a menu that did not open) must not answer a
// later event's dialogs.
void drainAnswers(Control& c) {
  HeadlessPlatform& p = c.headless();
  for (int i = 0; i < 8 && p.popupMenu("", {}, 0, 0); ++i) {}
  for (int i = 0; i < 8 && p.inputBox("", "", ""); ++i) {}
  for (int i = 0; i < 8 && p.fileDialog({}); ++i) {}
}

// Runs the event itself; a round trip's comparison comes back as a Failure.
Failure run(Control& c, const Event& e, const std::string& folder) {
  switch (e.kind) {
    case Kind::Press:
      if (e.c == 2 && !e.text.empty()) c.headless().queueMenuChoice(e.text);
      c.MSFlexGrid1_MouseDown(int16_t(e.c), int16_t(e.d), xOf(c, e.b), yOf(c, e.a));
      break;
    case Kind::Move: c.MSFlexGrid1_MouseMove(int16_t(e.c), int16_t(e.d), xOf(c, e.b), yOf(c, e.a)); break;
    case Kind::Release: c.MSFlexGrid1_MouseUp(int16_t(e.c), int16_t(e.d), xOf(c, e.b), yOf(c, e.a)); break;
    case Kind::GridKey: c.focusGrid(); c.pressKey(int16_t(e.a), int16_t(e.d)); break;
    case Kind::EditorKey: c.pressKey(int16_t(e.a), int16_t(e.d)); break;
    case Kind::Type: c.typeText(e.text); break;
    case Kind::FocusGrid: c.focusGrid(); break;
    case Kind::FocusEditor: c.focusEditor(); break;
    case Kind::FocusOut: c.focusOut(); break;
    case Kind::Wheel: e.a == 1 ? c.glidbar1_Wheel(int16_t(e.b)) : c.glidbar2_Wheel(int16_t(e.b)); break;
    case Kind::Menu: {
      const Command& cmd = kCommands[e.a];
      queueAnswers(c, cmd, e, folder);
      c.headless().queueMenuChoice(std::string(cmd.entry));
      c.MSFlexGrid1_MouseDown(2, 0, xOf(c, c.grid().Col()), yOf(c, c.grid().Row()));
      break;
    }
    case Kind::Method: {
      const Command& cmd = kCommands[e.a];
      queueAnswers(c, cmd, e, folder);
      (c.*cmd.run)();
      break;
    }
    case Kind::RowCol: c.rowcol(e.a, e.b); break;
    case Kind::AddRow: c.addrow(e.a); break;
    case Kind::AddCol: c.addcol(e.a); break;
    case Kind::SetText: c.settext(e.a, e.b, e.text); break;
    case Kind::MouseSet: c.mouseset(e.a, e.b); break;
    case Kind::FormuSet: c.formuset(e.a, e.text); break;
    case Kind::Update: c.update(e.a); break;
    case Kind::Focal: c.headless().queueInput(e.text); c.m_focal(); break;
    case Kind::Psort: c.psort(); break;
    case Kind::Statis: c.statis(e.a); break;
    case Kind::Trans: c.trans(); break;
    case Kind::SaveOpen: return saveOpen(c, folder);
    case Kind::ExportImport: return exportImport(c, folder);
  }
  return {};
}

}  // namespace

std::string toCode(const Event& e) {
  std::ostringstream out;
  out << "{Kind::" << kKinds[int(e.kind)] << ", " << e.a << ", " << e.b << ", " << e.c << ", " << e.d << ", "
      << literal(e.text) << ", " << literal(e.text2) << "}";
  return out.str();
}

std::string Generator::text() {
  const int32_t n = int32_t(std::size(kTexts));
  std::string t = kTexts[pick(0, n - 1)];
  if (pick(0, 3) == 0) t += kTexts[pick(0, n - 1)];
  return t;
}

std::string Generator::formula() { return kFormulas[pick(0, int32_t(std::size(kFormulas)) - 1)]; }

Event Generator::next(const Control& c) {
  const int32_t rows = c.rows(), cols = c.cols();
  auto row = [&] { int32_t k = pick(0, 19); return k == 0 ? 0 : k == 1 ? -1 : pick(1, std::max(1, rows)); };
  auto col = [&] { int32_t k = pick(0, 19); return k == 0 ? 0 : k == 1 ? -1 : pick(1, std::max(1, cols)); };
  auto button = [&] { int32_t k = pick(0, 9); return k < 7 ? 1 : k < 9 ? 2 : 4; };
  auto shift = [&] { return pick(0, 4) == 0 ? 2 : 0; };
  const int32_t k = pick(0, 99);
  if (k < 12) return {Kind::Press, row(), col(), button(), shift()};
  if (k < 20) return {Kind::Move, row(), col(), pick(0, 2) == 0 ? 0 : 1, shift()};
  if (k < 28) return {Kind::Release, row(), col(), 1, shift()};
  if (k < 34) return {Kind::GridKey, kKeys[pick(0, int32_t(std::size(kKeys)) - 1)], 0, 0, pick(0, 3) == 0 ? 2 : 0};
  if (k < 40) return {Kind::EditorKey, kKeys[pick(0, int32_t(std::size(kKeys)) - 1)], 0, 0, pick(0, 5) == 0 ? 2 : 0};
  if (k < 52) return {Kind::Type, 0, 0, 0, 0, text()};
  if (k < 54) return {Kind::FocusGrid};
  if (k < 57) return {Kind::FocusEditor};
  if (k < 59) return {Kind::FocusOut};
  if (k < 62) return {Kind::Wheel, pick(1, 2), pick(0, 1) ? 120 : -120};
  if (k < 67) {
    Event e{Kind::Menu, pick(0, kCommandCount - 1), 0, pick(0, 3) == 0 ? 1 : 0};
    e.text2 = formula();
    return e;
  }
  if (k < 72) {
    Event e{Kind::Method, pick(0, kCommandCount - 1), 0, pick(0, 3) == 0 ? 1 : 0};
    e.text2 = formula();
    return e;
  }
  if (k < 74) {
    // Mostly small tables (every event compares every cell); now and then a refused shape or,
    // rarely, a larger one (the largest tables are the hostile inputs' part).
    const int32_t shape = pick(0, 199);
    if (shape == 0) return {Kind::RowCol, pick(1000, 5000), pick(2, 12)};
    if (shape < 10) return {Kind::RowCol, pick(-2, 400000), pick(-2, 60)};
    return {Kind::RowCol, pick(1, 20), pick(1, 10)};
  }
  if (k < 75) return {Kind::AddRow, pick(-1, 4)};
  if (k < 76) return {Kind::AddCol, pick(-1, 3)};
  if (k < 83) return {Kind::SetText, pick(1, std::max(1, rows)), pick(1, std::max(1, cols)), 0, 0, text()};
  if (k < 86) return {Kind::MouseSet, pick(1, std::max(1, rows)), pick(1, std::max(1, cols))};
  if (k < 89) return {Kind::FormuSet, pick(1, std::max(1, cols)), 0, 0, 0, formula()};
  if (k < 90) return {Kind::Update, pick(1, std::max(1, cols))};
  if (k < 93) return {Kind::Focal, 0, 0, 0, 0, formula()};
  if (k < 94) return {Kind::Psort};
  if (k < 95) return {Kind::Statis, pick(1, std::max(1, cols))};
  if (k < 96) return {Kind::Trans};
  if (k < 98) return {Kind::SaveOpen};
  return {Kind::ExportImport};
}

void prepare(Control& c) {
  c.rowcol(12, 6);
  for (int32_t r = 1; r <= 6; ++r) {
    c.settext(r, 1, std::to_string(r));
    c.settext(r, 2, std::to_string(r * 3) + ".5");
  }
  c.settext(7, 1, "专业");
  c.settext(8, 2, "a b");
  c.formuset(3, "C1*C2");
  c.mouseset(2, 4);
  c.formuset(4, "=C1+C3");
  c.update(3);
}

Runner::~Runner() {
  if (folder.rfind("/tmp/", 0) == 0 || folder.rfind("/dev/shm/", 0) == 0) std::filesystem::remove_all(folder);
}

Runner::Runner() {
  char shm[] = "/dev/shm/tablique-harness-XXXXXX";  // in memory: saves sync their files
  char tmp[] = "/tmp/tablique-harness-XXXXXX";
  folder = mkdtemp(shm) ? shm : mkdtemp(tmp) ? tmp : "/tmp";
}

Failure Runner::step(Control& c, const Event& e) {
  ++events;
  const Snapshot before = snapshot(c);
  const Reach reach = reachOf(e);
  Failure found;
  const auto start = std::chrono::steady_clock::now();
  try {
    found = run(c, e, folder);
  } catch (const Error&) {
  } catch (const std::exception& ex) {
    found = {"foreign-exception", ex.what()};
  } catch (...) {
    found = {"foreign-exception", "an exception that is not a std::exception"};
  }
  if (found.check == "foreign-exception" && (before.rows == 0 || before.cols == 0)) found.check += "-empty-table";
  drainAnswers(c);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::vector<Failure> all = {found};
  if (seconds > 10) all.push_back({"slow-event", std::to_string(seconds) + " s"});
  all.push_back(checkInvariants(c));
  all.push_back(compareReach(before, snapshot(c), reach, e));
  if (probe) all.push_back(probe(c));
  for (Failure& f : all) {
    if (!f) continue;
    if (isKnownFault(f.check) && !reportKnown) {
      ++suppressed;
      continue;
    }
    return f;
  }
  return {};
}

Outcome replay(const std::vector<Event>& events, Runner& runner) {
  Control c;
  prepare(c);
  for (size_t i = 0; i < events.size(); ++i)
    if (Failure f = runner.step(c, events[i])) return {f, i};
  return {};
}

namespace {

// Events and failures cross from a child process to its parent as lines of hex fields.
std::string hex(std::string_view s) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char ch : s) {
    out += digits[ch >> 4];
    out += digits[ch & 15];
  }
  return out + ".";  // never empty
}
std::string unhex(std::string_view s) {
  std::string out;
  for (size_t i = 0; i + 1 < s.size(); i += 2) out += char(std::stoi(std::string(s.substr(i, 2)), nullptr, 16));
  return out;
}
std::string serialize(const Event& e) {
  std::ostringstream out;
  out << "E " << int(e.kind) << ' ' << e.a << ' ' << e.b << ' ' << e.c << ' ' << e.d << ' ' << hex(e.text) << ' '
      << hex(e.text2) << '\n';
  return out.str();
}
std::string serialize(const Failure& f) { return "F " + hex(f.check) + ' ' + hex(f.detail) + '\n'; }

void send(int fd, const std::string& line) {
  for (size_t done = 0; done < line.size();) {
    const ssize_t n = write(fd, line.data() + done, line.size() - done);
    if (n <= 0) return;
    done += size_t(n);
  }
}

// Runs `child` in a forked process that reports through lines; the parent gets the events and
// the failure it reported, or a "crash" failure when it died.
struct ChildReport {
  std::vector<Event> events;
  Failure failure;
  int64_t suppressed = 0;
};
ChildReport inChild(const std::function<void(int fd)>& child) {
  int fds[2];
  ChildReport report;
  if (pipe(fds) != 0) return report;
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    child(fds[1]);
    _exit(0);
  }
  close(fds[1]);
  std::string data;
  char buf[65536];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) data.append(buf, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  std::istringstream in(data);
  for (std::string tag; in >> tag;) {
    if (tag == "E") {
      int kind;
      Event e{};
      std::string text, text2;
      in >> kind >> e.a >> e.b >> e.c >> e.d >> text >> text2;
      e.kind = Kind(kind);
      e.text = unhex(text);
      e.text2 = unhex(text2);
      report.events.push_back(std::move(e));
    } else if (tag == "F") {
      std::string check, detail;
      in >> check >> detail;
      report.failure = {unhex(check), unhex(detail)};
    } else if (tag == "S") {
      in >> report.suppressed;
    }
  }
  if (WIFSIGNALED(status))
    report.failure = {"crash", "the process died of signal " + std::to_string(WTERMSIG(status)) + " (" +
                                   strsignal(WTERMSIG(status)) + ")"};
  return report;
}

// A replay in a child process, so that a crash is a result like any other.
Failure isolatedReplay(const std::vector<Event>& events, Runner& runner) {
  return inChild([&](int fd) {
           const Outcome o = replay(events, runner);
           if (o.failure) send(fd, serialize(o.failure));
         })
      .failure;
}

}  // namespace

std::vector<Event> shrink(std::vector<Event> events, const std::string& check, Runner& runner) {
  auto fails = [&](const std::vector<Event>& list) { return isolatedReplay(list, runner).check == check; };
  // Remove chunks, halving the chunk size down to single events.
  for (size_t chunk = std::max<size_t>(1, events.size() / 2);; chunk /= 2) {
    for (size_t i = 0; i + chunk <= events.size();) {
      std::vector<Event> shorter(events.begin(), events.begin() + ptrdiff_t(i));
      shorter.insert(shorter.end(), events.begin() + ptrdiff_t(i + chunk), events.end());
      if (fails(shorter))
        events = std::move(shorter);
      else
        i += chunk;
    }
    if (chunk == 1) break;
  }
  return events;
}

std::string regressionTest(const std::vector<Event>& events, const Failure& f, uint64_t seed) {
  std::ostringstream out;
  out << "// " << f.check << ": " << f.detail << "\n";
  out << "TEST(SessionRegression, Seed" << seed << ") {\n  using namespace tablique::harness;\n"
      << "  Runner runner;\n  const Outcome o = replay({\n";
  for (const Event& e : events) out << "      " << toCode(e) << ",\n";
  out << "  }, runner);\n  EXPECT_FALSE(o.failure) << o.failure.check << \": \" << o.failure.detail;\n}\n";
  return out.str();
}

std::string runSeed(uint64_t seed, int count, Runner& runner) {
  // The session runs in a child that reports each event before running it, so that a crash
  // leaves the events that led to it.
  const int64_t suppressedBefore = runner.suppressed;
  const ChildReport report = inChild([&](int fd) {
    Generator gen(seed);
    Control c;
    prepare(c);
    for (int i = 0; i < count; ++i) {
      const Event e = gen.next(c);
      send(fd, serialize(e));
      if (Failure f = runner.step(c, e)) {
        send(fd, serialize(f));
        break;
      }
    }
    send(fd, "S " + std::to_string(runner.suppressed - suppressedBefore) + "\n");
  });
  runner.events += int64_t(report.events.size());
  runner.suppressed += report.suppressed;
  if (!report.failure) return "";
  Failure f = report.failure;
  if (f.check == "crash") {  // named apart when the table had no data cells before the fatal event
    const std::vector<Event> lead(report.events.begin(), report.events.end() - 1);
    const Failure empty = inChild([&](int fd) {
                            Control c;
                            prepare(c);
                            for (const Event& e : lead) runner.step(c, e);
                            if (c.rows() == 0 || c.cols() == 0) send(fd, serialize(Failure{"empty", "."}));
                          }).failure;
    if (empty) f.check = "crash-empty-table";
  }
  if (isKnownFault(f.check) && !runner.reportKnown) {
    ++runner.suppressed;
    return "";
  }
  const std::vector<Event> minimal = shrink(report.events, f.check, runner);
  const Failure seen = isolatedReplay(minimal, runner);
  return "seed " + std::to_string(seed) + ", event " + std::to_string(report.events.size() - 1) + ": " + f.check +
         ": " + f.detail + "\nminimal replay (" + std::to_string(minimal.size()) + " events):\n" +
         regressionTest(minimal, seen ? seen : f, seed);
}

}  // namespace tablique::harness
