// Reference models of the commands that rebuild the table (row and column commands, clear,
// transpose, sort and rank, statistics, the dimension methods, opening a text file, importing a
// data file): from the table before the event, a slow and plain computation of the table the
// command must leave, compared cell by cell and formula by formula with the table it left.
// The models are written from the commands' rules, not from the control's code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "harness/session.h"

namespace tablique::harness {

// The table and the selection between two events, as the checks compare them.
struct Snapshot {
  int32_t rows = 0, cols = 0, row = 0, col = 0, editorRow = -1, editorCol = -1;
  int32_t r0 = 0, c0 = 0, r1 = 0, c1 = 0;    // the selection's lower and upper ends
  int32_t rr0 = 0, cc0 = 0, RR = 0, cc = 0;  // the selection members as they stand
  bool editing = false;      // the editor has the focus: the next command ends that edit first
  bool fillPending = false;  // a fill drag whose release has not come (the next press ends it)
  size_t failuresTold = 0;   // refusals told to the user so far
  size_t messagesShown = 0;  // message boxes shown so far
  std::vector<std::string> cells;  // data cells row by row
  std::vector<std::string> records;
  std::string at(int32_t r, int32_t col) const { return cells[size_t(r - 1) * size_t(cols) + size_t(col - 1)]; }
};
Snapshot snapshot(const Control& c);

// What the session knows of the event besides the two snapshots.
struct ModelContext {
  bool threw = false;      // the event ended with a tablique::Error
  bool menuShown = false;  // a Menu event's popup menu opened
  const Runner::File* txt = nullptr;  // session.txt, read by OpenTxt
  const Runner::File* tbq = nullptr;  // menu.tbq, read by m_dainp
  const Runner::Copied* copied = nullptr;  // the last copy, read by a paste
  std::string clipboard;                   // the clipboard's text before the event
};

// The cells a copy of the selection in `s` takes (whole rows or columns selected over their
// headers, else the selected rectangle), when they are data cells none of which the ended edit
// may recompute; false otherwise.
bool copiedBlock(const Snapshot& s, const std::vector<bool>& wild, Runner::Copied& out);

// The command an event runs when it has a model ("" when it has none): the m_ method name or
// the host method.
std::string modelledCommand(const Event& e);

// Compares the table after the event with the model of its command; `wild` marks the cells (of
// the table before) that the edit the command ends may recompute. A failure is named
// "model-" + the command. Events without a model: only a refusal is checked (it changes
// nothing), named "refusal-changed".
// `count` (when given) counts the events checked against a model and those that changed the table.
Failure checkModel(const Snapshot& before, const Snapshot& after, const Event& e, const ModelContext& ctx,
                   const std::vector<bool>& wild, std::map<std::string, Runner::Count>* count = nullptr);

}  // namespace tablique::harness
