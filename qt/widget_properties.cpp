// The widget's properties: thin views of the control's pmenu and size.
#include <tablique/widget.h>

#include <QMetaObject>

#include "widget_private.h"

namespace tablique {

bool Widget::pmenu() const { return control().pmenu(); }
void Widget::setPmenu(bool on) { control().setPmenu(on); }

int Widget::initialRows() const { return control().rows(); }
int Widget::initialCols() const { return control().cols(); }

// Generated code sets initialRows before initialCols, so each setter sets up the table with the
// other size the form gave. While the widget is hidden (a form being built), a size the control
// refuses with the current other size (over the cell budget) waits for the form's other size;
// a refusal that stands is shown with the widget. A shown widget (Designer's form) is told at once.
void Widget::setInitialRows(int rows) { d->setInitialSize(rows, std::nullopt); }
void Widget::setInitialCols(int cols) { d->setInitialSize(std::nullopt, cols); }

void Widget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  d->showHeldRefusal();
}

namespace qt {

void WidgetPrivate::setInitialSize(std::optional<int> rows, std::optional<int> cols) {
  const int r = rows ? *rows : heldRows.value_or(control->rows());
  const int c = cols ? *cols : heldCols.value_or(control->cols());
  heldRows.reset();
  heldCols.reset();
  heldRefusal.reset();
  if (r == control->rows() && c == control->cols()) return;
  // The table a form sets up is where the history starts: on a control with nothing to undo or
  // redo (as it is when the form is built) it adds no step, so that Ctrl+Z cannot take the
  // form's table back to the default one.
  const bool fresh = !control->canUndo() && !control->canRedo();
  struct Release {
    Control& control;
    bool fresh;
    bool& flag;
    ~Release() {
      flag = false;
      if (fresh) control.clearUndo();
    }
  } release{*control, fresh, holdingRefusal};
  holdingRefusal = !q->isVisible();
  control->rowcol(r, c);
  if (holdingRefusal && heldRefusal) heldRows = r, heldCols = c, heldOver = {control->rows(), control->cols()};
}

void WidgetPrivate::showHeldRefusal() {
  // A table sized since (the host set it up itself) makes the refusal moot.
  const bool made = heldOver != std::pair(control->rows(), control->cols());
  heldRows.reset();
  heldCols.reset();
  if (!heldRefusal || made) return heldRefusal.reset();
  // After the show: the box is modal and needs the widget on screen as its parent.
  QMetaObject::invokeMethod(
      q, [this, refusal = *heldRefusal] { platform.messageBox(refusal.first, refusal.second, false); },
      Qt::QueuedConnection);
  heldRefusal.reset();
}

}  // namespace qt

}  // namespace tablique
