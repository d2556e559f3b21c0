// Random user sessions against a headless control: a seeded generator of ordinary events
// (mouse, keys, typing, focus, wheel, popup menu, host methods, formulas, file round trips),
// the invariants checked after every event, and shrinking of a failing session to a short
// replay that can be pasted into a regression test.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <tablique/control.h>

namespace tablique::harness {

enum class Kind : uint8_t {
  Press, Move, Release,    // a = row, b = column (0 = header, -1 = beyond the table), c = button, d = shift
  GridKey, EditorKey,      // a = key code, d = shift; the focus is moved there first
  Type,                    // text typed where the focus is
  FocusGrid, FocusEditor, FocusOut,
  Wheel,                   // a = watcher 1 or 2, b = +120 or -120
  Menu,                    // text = entry name; c = 1 answers Cancel to a confirmation, text2 = input
  Method,                  // text = m_ method name; as Menu
  RowCol, AddRow, AddCol,  // a, b
  SetText, MouseSet,       // a = row, b = column, text
  FormuSet, Update,        // a = column, text = formula
  Focal,                   // the formula command at the current cell with input text
  Psort, Statis, Trans,    // psort: a = 0 ascending, 1 descending, 2 ranks into column b; statis: a = column
  SaveOpen, ExportImport,  // the table saved and opened (exported and imported) in a fresh control
  OpenTxt,                 // the text file of the last SaveOpen opened in this control
  Column,                  // settext of each line of text (ended by "\n") into rows 1, 2, ... of column a
};

struct Event {
  Kind kind;
  int32_t a = 0, b = 0, c = 0, d = 0;
  std::string text, text2;
};

// The m_ method of the popup menu's command number i (Kind::Menu, Kind::Method).
const char* commandMethod(int32_t i);

// One C++ expression that rebuilds the event: `{Kind::SetText, 3, 2, 0, 0, "x", ""}`.
std::string toCode(const Event& e);

// A failed invariant: its name (as in knownFaults) and what was seen.
struct Failure {
  std::string check, detail;
  explicit operator bool() const { return !check.empty(); }
};

// Invariants that the current code violates because of a fault fixed on another branch; each
// names the issue item. They are still evaluated, counted and reported as suppressed.
struct KnownFault {
  std::string_view check, issueItem;
};
const std::vector<KnownFault>& knownFaults();
bool isKnownFault(std::string_view check);

// The invariants that hold between any two events (mode flags, editor, formula records, cell
// budget, headers, current cell); the first one violated.
Failure checkInvariants(const Control& c);

// Cells of a and b over the larger of the two shapes, a missing cell reading ""; a difference is
// named check + "-" + its likely cause (encoding, controls, spaces, cells).
Failure compareCells(const Control& a, const Control& b, const char* check);

// A file the control wrote that it cannot read back: check + "-opens", then "-budget" when a's
// rows times the columns of the control it opens into exceed the cell budget, or "-controls"
// when a cell or a formula of a holds a control character (the likely causes).
Failure openFailure(const Control& a, const char* check, const std::string& what, const Control* into = nullptr);

// What an import must give back besides the cells: formula records and sizes of a's columns and
// rows (b may be larger).
Failure compareRecordsAndSizes(const Control& a, const Control& b);

// Every data cell and formula record, to tell whether a command changed the table.
struct TableCopy {
  int32_t rows, cols;
  std::vector<std::string> cells, records;
  bool operator==(const TableCopy&) const = default;
};
TableCopy tableOf(const Control& c);

// A failure that is not a known fault.
inline bool unexpected(const Failure& f) { return f && !isKnownFault(f.check); }

class Generator {
public:
  explicit Generator(uint64_t seed) : rng_(seed) {}
  Event next(const Control& c);
  int32_t pick(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng_); }
  std::string text();
  std::string formula();

private:
  std::mt19937_64 rng_;
  std::vector<Event> queued_;  // the rest of a sequence begun by the last event
};

// The start of every session: a small table with numbers, texts and formulas.
void prepare(Control& c);

// Runs the event as the user or the host would; exceptions other than tablique::Error and
// violated invariants come back as a Failure (the first one not in knownFaults, or a known one
// when reportKnown). `suppressed` counts violations of known faults.
struct Runner {
  Runner();
  ~Runner();
  Runner(const Runner&) = delete;
  Failure step(Control& c, const Event& e);
  std::string folder;  // scratch folder of the file round trips
  bool reportKnown = false;
  std::function<Failure(const Control&)> probe;  // an extra check after every event
  void begin();  // a new session: no file written yet

  // The files the session wrote that later events read: the text file, the menu's data file.
  struct File {
    enum class State { Missing, Known, Unknown } state = State::Missing;
    TableCopy table;  // Known: the table the file was written from
  } txt, tbq;
  // The block the last copy or cut put on the clipboard, with the clipboard's text then.
  struct Copied {
    bool known = false;
    std::string clipboard;
    int32_t rows = 0, cols = 0;
    std::vector<std::string> cells;
  } copied;

  int64_t suppressed = 0;
  int64_t events = 0;
  // Per modelled command: events checked against its model, and those that changed the table.
  struct Count {
    int64_t checked = 0, changed = 0;
  };
  std::map<std::string, Count> modelled;
};

// A whole session from a fresh control; the first failure and the index of its event.
struct Outcome {
  Failure failure;
  size_t at = 0;
};
Outcome replay(const std::vector<Event>& events, Runner& runner);

// Removes events while the same check still fails; the shortest list found.
std::vector<Event> shrink(std::vector<Event> events, const std::string& check, Runner& runner);

// A regression test for the events, ready to paste.
std::string regressionTest(const std::vector<Event>& events, const Failure& f, uint64_t seed);

// Runs `count` events of the seed's session; on a failure returns a report with the shrunk
// replay, else "". Adds the number of events run to runner.events.
std::string runSeed(uint64_t seed, int count, Runner& runner);

}  // namespace tablique::harness
