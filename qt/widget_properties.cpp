// The widget's properties: thin views of the control's pmenu and size.
#include <tablique/widget.h>

namespace tablique {

bool Widget::pmenu() const { return control().pmenu(); }
void Widget::setPmenu(bool on) { control().setPmenu(on); }

int Widget::initialRows() const { return control().rows(); }
int Widget::initialCols() const { return control().cols(); }

namespace {
// A size the control refuses (over the cell budget) is told by rowcol and changes nothing. The
// table a form sets up is where the history starts: on a control with nothing to undo or redo
// (as it is when the form is built) it adds no step, so that Ctrl+Z cannot take the form's table
// back to the default one.
void setUpTable(Control& c, int rows, int cols) {
  const bool fresh = !c.canUndo() && !c.canRedo();
  c.rowcol(rows, cols);
  if (fresh) c.clearUndo();
}
}  // namespace

void Widget::setInitialRows(int rows) {
  if (rows != initialRows()) setUpTable(control(), rows, initialCols());
}
void Widget::setInitialCols(int cols) {
  if (cols != initialCols()) setUpTable(control(), initialRows(), cols);
}

}  // namespace tablique
