// The public formula methods: formuset, formuget, update.
#include <tablique/control.h>

#include <utility>

#include "control/history.h"
#include "formula/record.h"
#include "formula/texts.h"

namespace tablique {

// Stores a formula without evaluating or checking it: a text beginning with "=" becomes the
// cell formula of the current row (appended), any other text the column formula (in front);
// the empty text removes every formula of the column. A text holding the row mark is refused:
// it could not be read back from the record.
void Control::formuset(int32_t coll, std::string_view formu) {
  const StepScope scope(*this);
  endEdit();
  if (formu.find(formula::kRowMark) != std::string_view::npos)
    throw Error(ErrorCode::Refused, "a formula holding U+000B cannot be stored",
                formula::texts::kRowMarkInFormula);
  if (!formu.empty() && formu[0] == '=' && grid_.Row() < 1)
    throw Error(ErrorCode::Refused, "a cell formula needs a current data row", formula::texts::kNoDataRow);
  try {
    if (coll < 1 || coll > grid_.Cols() - 1 || coll >= int32_t(st_.colFormula.size())) return;
    st_.recordWrites.touch(size_t(coll));
    std::string& record = st_.colFormula[size_t(coll)];
    if (formu.empty()) {
      record.clear();
      return;
    }
    const std::string text = formula::encode(formu, grid_.Cols() - 1, false);
    if (text[0] == '=')
      record += formula::cellPiece(text, grid_.Row());
    else
      record = text + ";" + record;
  } catch (const std::exception&) {
  }
}

// Compacts the column's record (formuget's rule) and returns it decoded.
std::string Control::formuget(int32_t coll) {
  try {
    if (coll < 1 || coll >= int32_t(st_.colFormula.size())) return {};
    std::string& record = st_.colFormula[size_t(coll)];
    std::string compacted = formula::compactForFormuget(record);
    if (compacted != record) {
      st_.recordWrites.touch(size_t(coll));
      const std::string before = std::exchange(record, std::move(compacted));
      history_->acceptRecord(size_t(coll), before);  // compacted, not changed
    }
    return formula::decode(record);
  } catch (const std::exception&) {
    return {};
  }
}

// Runs the formula command for column coll without prompting. The current column stays coll.
void Control::update(int32_t coll) {
  const StepScope scope(*this);
  endEdit();
  try {
    grid_.setCol(coll);
    st_.formuMode = FormuMode::Silent;
    focal();
  } catch (const std::exception&) {
  }
  st_.formuMode = FormuMode::Prompt;
  hideEditorOffItsCell();
}

}  // namespace tablique
