// Cell and selection access: rowcol, gettext, settext, mouseset.
#include <tablique/control.h>

#include "control/budget.h"
#include "control/texts.h"

namespace tablique {

// New empty table of rw data rows and cl data columns, built in one step straight to the new
// shape. Over the cell budget: a message and no change. Without a data column or with a
// negative row count only the editor is hidden. Out of memory: an Error, the table as it was.
void Control::rowcol(int32_t rw, int32_t cl) try {
  const StepScope scope(*this);
  endEdit();
  const int32_t cells = checkedMul(checkedAdd(rw, 1), checkedAdd(cl, 1));
  if (cells > kCellBudget) {
    platform_->messageBox(texts::kSizeExceeded, texts::kNoticeTitle, false);
    return;
  }
  if (cl <= 0 || rw < 0) {
    hideEditor();
    return;
  }
  std::vector<std::string> formulas(size_t(cl) + 1);
  grid_.resetEmpty(rw + 1, cl + 1, kAlignLeftCenter, kAlignCenterTop);
  st_.recordWrites.touchFrom(0);
  st_.colFormula.swap(formulas);
  grid_.setColWidth(0, 660);
  for (int32_t i = 1; i <= rw; ++i) grid_.setTextAt(i, 0, std::to_string(i));
  grid_.writeRowTexts(0, 1, cl, [](int32_t k, std::string& text) { text = "C" + std::to_string(k + 1); });
  grid_.setCol(1);
  if (rw >= 1) {  // a table of the header row alone has no cell (1, 1): the selection stays
    grid_.setRow(1);
    st_.rr0 = st_.cc0 = st_.RR = st_.cc = 1;
  }
  hideEditor();
} catch (...) {
  rethrowAsError();
}

std::string Control::gettext(int32_t r, int32_t c) const { return grid_.TextMatrix(r, c); }

// Header cells are never written; the focus moves to the grid in any case.
void Control::settext(int32_t r, int32_t c, std::string_view txt) try {
  const StepScope scope(*this);
  focusGrid();
  if (r == 0 || c == 0) {
    grid_.TextMatrix(r, c);  // an index outside the grid still fails
    return;
  }
  grid_.setTextMatrix(r, c, txt);
  hideEditorOffItsCell();
} catch (...) {
  rethrowAsError();
}

// The editor left over the old current cell is hidden when the cell moves.
void Control::mouseset(int32_t r, int32_t c) {
  focusGrid();
  grid_.setRow(r);
  grid_.setCol(c);
  hideEditorOffItsCell();
}

}  // namespace tablique
