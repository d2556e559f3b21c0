// tablique::ControlState: the control's one state record. Every member is named as the
// behaviour names it; the grid holds the cells, this record holds the rest.
#pragma once

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

struct ControlState {
  bool pmenu = true;
  // Formula record of data column j in element j; element 0 is unused. Size = data columns + 1.
  std::vector<std::string> colFormula = std::vector<std::string>(51);
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
