// The in-cell editor Text1 as a QLineEdit: mirrors the control's Editor (WidgetPrivate::
// syncEditor) and reports what the user does in it. Typing reaches the control through
// textEdited, which also carries input-method commits, so composing Chinese text works.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <cstdlib>

#include "widget_private.h"

namespace tablique::qt {

CellEditor::CellEditor(WidgetPrivate& d, QWidget* parent) : QLineEdit(parent), d_(d) {
  setFrame(false);
  setTextMargins(1, 0, 1, 0);
  // The right button opens the control's own menu (Text1_MouseDown), not the box's.
  setContextMenuPolicy(Qt::NoContextMenu);
  setFocusPolicy(Qt::ClickFocus);
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    d_.deliver([&] { d_.control->setEditorText(text.toStdString()); });
  });
}

// The box covers its cell with the cell's grid lines: a frame of its own shows which cell is
// being edited.
void CellEditor::paintEvent(QPaintEvent* e) {
  QLineEdit::paintEvent(e);
  QPainter p(this);
  QPen pen(QColor(0x20, 0x20, 0x20), 0);
  pen.setCosmetic(true);
  p.setPen(pen);
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

bool CellEditor::event(QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    auto* k = static_cast<QKeyEvent*>(e);
    if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {  // Text1_KeyDown handles Tab
      keyPressEvent(k);
      return true;
    }
  }
  return QLineEdit::event(e);
}

// The control sees the key first; the box then edits its text with it, unless the control
// ended the editing (moved the focus to the grid or hid the box).
void CellEditor::keyPressEvent(QKeyEvent* e) {
  const int16_t code = virtualKeyCode(e->key());
  if (code != 0) {
    const int16_t shift = keyShiftState(e);
    d_.deliver([&] { d_.control->Text1_KeyDown(code, shift); });
  }
  if (!d_.dying && isVisible() && isEnabled() && hasFocus() &&
      d_.control->focus() == FocusTarget::Editor && e->key() != Qt::Key_Tab && e->key() != Qt::Key_Backtab)
    QLineEdit::keyPressEvent(e);
  else
    e->accept();
}

void CellEditor::keyReleaseEvent(QKeyEvent* e) {
  const int16_t code = virtualKeyCode(e->key());
  if (code != 0 && !e->isAutoRepeat()) {
    const int16_t shift = keyShiftState(e);
    d_.deliver([&] { d_.control->Text1_KeyUp(code, shift); });
  }
  QLineEdit::keyReleaseEvent(e);
}

void CellEditor::mousePressEvent(QMouseEvent* e) {
  d_.lastMouseGlobal = e->globalPosition().toPoint();
  d_.haveMousePosition = true;
  const int16_t button = buttonCode(e->button());
  const int16_t shift = shiftState(e->modifiers());
  const float x = d_.q->toTwipsX(e->position().x()), y = d_.q->toTwipsY(e->position().y());
  if (button != 0) d_.deliver([&] { d_.control->Text1_MouseDown(button, shift, x, y); });
  if (button == 1 && !d_.dying && isVisible()) QLineEdit::mousePressEvent(e);
  else e->accept();
}

void CellEditor::mouseReleaseEvent(QMouseEvent* e) {
  const int16_t button = buttonCode(e->button());
  const int16_t shift = shiftState(e->modifiers());
  const float x = d_.q->toTwipsX(e->position().x()), y = d_.q->toTwipsY(e->position().y());
  if (button != 0) d_.deliver([&] { d_.control->Text1_MouseUp(button, shift, x, y); });
  if (button == 1 && !d_.dying && isVisible()) QLineEdit::mouseReleaseEvent(e);
  else e->accept();
}

// The second press of a double click selects a word in the box; the control is not told of
// it (only the first press is a MouseDown).
void CellEditor::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) QLineEdit::mouseDoubleClickEvent(e);
  else e->accept();
}

void CellEditor::wheelEvent(QWheelEvent* e) {
  wheelRemainder_ += e->angleDelta().y();
  while (std::abs(wheelRemainder_) >= 120) {
    const int16_t amount = wheelRemainder_ > 0 ? 120 : -120;
    wheelRemainder_ -= amount;
    d_.deliver([&] { d_.control->glidbar1_Wheel(amount); });
  }
  e->accept();
}

void CellEditor::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  if (d_.userFocusEvent(e)) d_.deliver([&] { d_.control->focusEditor(); });
}

void CellEditor::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  if (d_.userFocusEvent(e) && !d_.focusInsideControl(QApplication::focusWidget()))
    d_.deliver([&] { d_.control->focusOut(); });
}

}  // namespace tablique::qt
