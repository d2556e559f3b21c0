// tablique::ControlState: the control's one state record. Every member is named as the
// behaviour names it; the grid holds the cells, this record holds the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tablique {

// Mode flags keep their fixed code values.
enum class FormuMode : int16_t { Silent = 0, Prompt = 111 };
enum class PasteMode : int16_t { None = 0, Restricted = 333 };
enum class DepGuard : int16_t { None = 0, Running = 33 };
enum class EditLock : int16_t { None = 0, Deleting = 22, EditorFocused = 66 };
enum class FillDone : int16_t { None = 0, Filled = 66 };

// The colFormula entries written since the undo history last took the records in, so that it
// compares only those. Every writer of colFormula names what it writes, before writing it:
// touch(j) for entry j; touchFrom(j) when entries j and up may change, move or go (a resize
// that shrinks, an insert or erase at j, an assignment of the whole vector: touchFrom(0)).
// Growing the vector at its end needs nothing: the history compares the entries between its
// own size and the current one.
struct RecordWrites {
  static constexpr size_t kMostListed = 4096;  // beyond that the history compares all
  std::vector<size_t> entries;                 // in the order written; may repeat
  size_t from = SIZE_MAX;                      // entries from here on may all have changed

  void touch(size_t j) noexcept {
    if (j >= from || (!entries.empty() && entries.back() == j)) return;
    if (entries.size() >= kMostListed) return touchFrom(0);
    try {
      entries.push_back(j);
    } catch (...) {
      touchFrom(0);
    }
  }
  void touchFrom(size_t j) noexcept {
    if (j < from) from = j;
    if (from == 0) entries.clear();
  }
  bool any() const noexcept { return from != SIZE_MAX || !entries.empty(); }
  void clear() noexcept {
    from = SIZE_MAX;
    entries.clear();
  }
};

struct ControlState {
  bool pmenu = true;
  // Formula record of data column j in element j; element 0 is unused. Size = data columns + 1.
  std::vector<std::string> colFormula = std::vector<std::string>(51);
  RecordWrites recordWrites;  // what of colFormula was written since the last step boundary
  int32_t rr0 = 1, cc0 = 1, RR = 1, cc = 1;  // selection anchor and end
  int32_t pasteRows = 0;
  int32_t fillMaxRow = 0;
  int32_t fillStartRow = 0;
  std::string tbqFileName;
  std::string copyText;
  std::string txtFileName;
  std::string xlsFileName;
  std::string xlsxFileName;
  std::string editOrig;
  FormuMode formuMode = FormuMode::Prompt;
  EditLock editLock = EditLock::None;
  PasteMode pasteMode = PasteMode::None;
  DepGuard depGuard = DepGuard::None;
  FillDone fillDone = FillDone::None;

  // Number of data columns that have a formula record entry.
  int32_t formulaColumns() const { return int32_t(colFormula.size()) - 1; }
};

}  // namespace tablique
