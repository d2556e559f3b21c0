// The widget's properties: thin views of the control's pmenu and size.
#include <tablique/widget.h>

namespace tablique {

bool Widget::pmenu() const { return control().pmenu(); }
void Widget::setPmenu(bool on) { control().setPmenu(on); }

int Widget::initialRows() const { return control().rows(); }
int Widget::initialCols() const { return control().cols(); }

// A size the control refuses (over the cell budget) is told by rowcol and changes nothing.
void Widget::setInitialRows(int rows) {
  if (rows != initialRows()) control().rowcol(rows, initialCols());
}
void Widget::setInitialCols(int cols) {
  if (cols != initialCols()) control().rowcol(initialRows(), cols);
}

}  // namespace tablique
