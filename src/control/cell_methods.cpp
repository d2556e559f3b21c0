// Cell and selection access: rowcol, gettext, settext, mouseset.
#include <tablique/control.h>

#include "control/budget.h"
#include "control/texts.h"

namespace tablique {

// New empty table of rw data rows and cl data columns. Over the cell budget: a message and no
// change. A failing step ends the method quietly with the editor hidden.
void Control::rowcol(int32_t rw, int32_t cl) {
  const int32_t cells = checkedMul(checkedAdd(rw, 1), checkedAdd(cl, 1));
  if (cells > kCellBudget) {
    platform_->messageBox(texts::kSizeExceeded, texts::kNoticeTitle, false);
    return;
  }
  try {
    if (cl <= 0) throw Error(ErrorCode::InvalidArgument, "no data columns");
    st_.colFormula.assign(size_t(cl) + 1, std::string());
    grid_.setCols(cl + 1);
    grid_.setRows(rw + 1);
    grid_.setColWidth(0, 660);
    for (int32_t i = 1; i <= rw; ++i)
      for (int32_t j = 1; j <= cl; ++j) {
        grid_.setTextAt(i, j, {});
        grid_.setRow(i);
        grid_.setCol(j);
        grid_.setCellAlignment(kAlignLeftCenter);
      }
    for (int32_t i = 1; i <= rw; ++i) grid_.setTextAt(i, 0, std::to_string(i));
    for (int32_t j = 1; j <= cl; ++j) {
      grid_.setRow(0);
      grid_.setCol(j);
      grid_.setText("C" + std::to_string(j));
      grid_.setCellAlignment(kAlignCenterTop);
    }
    grid_.setCol(1);
    grid_.setRow(1);
    st_.rr0 = st_.cc0 = st_.RR = st_.cc = 1;
    hideEditor();
  } catch (const Error&) {
    hideEditor();
  }
}

std::string Control::gettext(int32_t r, int32_t c) const { return grid_.TextMatrix(r, c); }

// Header cells are never written; the focus moves to the grid in any case.
void Control::settext(int32_t r, int32_t c, std::string_view txt) {
  focusGrid();
  if (r == 0 || c == 0) {
    grid_.TextMatrix(r, c);  // an index outside the grid still fails
    return;
  }
  grid_.setTextMatrix(r, c, txt);
}

void Control::mouseset(int32_t r, int32_t c) {
  focusGrid();
  grid_.setRow(r);
  grid_.setCol(c);
}

}  // namespace tablique
