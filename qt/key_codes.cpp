// Qt keys, buttons and modifiers as the control's virtual key codes, button codes and shift bits.
#include <QKeyEvent>

#include "widget_private.h"

namespace tablique::qt {

namespace {

struct KeyPair {
  int qt;
  int16_t code;
};

constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, 8},  {Qt::Key_Tab, 9},        {Qt::Key_Backtab, 9},
    {Qt::Key_Return, 13},    {Qt::Key_Enter, 13},     {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},   {Qt::Key_Alt, 18},       {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},  {Qt::Key_Escape, 27},    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},    {Qt::Key_PageDown, 34},  {Qt::Key_End, 35},
    {Qt::Key_Home, 36},      {Qt::Key_Left, 37},      {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},     {Qt::Key_Down, 40},      {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
};

}  // namespace

int16_t virtualKeyCode(int qtKey) {
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return int16_t(65 + (qtKey - Qt::Key_A));
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return int16_t(48 + (qtKey - Qt::Key_0));
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return int16_t(112 + (qtKey - Qt::Key_F1));
  for (const KeyPair& k : kKeys)
    if (k.qt == qtKey) return k.code;
  return 0;
}

int qtKeyForVirtualKey(int code) {
  if (code >= 65 && code <= 90) return Qt::Key_A + (code - 65);
  if (code >= 48 && code <= 57) return Qt::Key_0 + (code - 48);
  for (const KeyPair& k : kKeys)
    if (k.code == code) return k.qt;
  return 0;
}

int16_t shiftState(Qt::KeyboardModifiers modifiers) {
  int16_t s = 0;
  if (modifiers & Qt::ShiftModifier) s |= 1;
  if (modifiers & Qt::ControlModifier) s |= 2;
  if (modifiers & Qt::AltModifier) s |= 4;
  return s;
}

// A modifier key counts as held while it goes down and as released when it goes up, whatever
// the platform reports in the event's own modifiers.
int16_t keyShiftState(const QKeyEvent* e) {
  int16_t s = shiftState(e->modifiers());
  int16_t own = 0;
  switch (e->key()) {
    case Qt::Key_Shift: own = 1; break;
    case Qt::Key_Control: own = 2; break;
    case Qt::Key_Alt: own = 4; break;
    default: return s;
  }
  return e->type() == QEvent::KeyPress ? int16_t(s | own) : int16_t(s & ~own);
}

int16_t buttonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
  }
}

int16_t buttonState(Qt::MouseButtons buttons) {
  int16_t b = 0;
  if (buttons & Qt::LeftButton) b |= 1;
  if (buttons & Qt::RightButton) b |= 2;
  if (buttons & Qt::MiddleButton) b |= 4;
  return b;
}

}  // namespace tablique::qt
