// Inside of tablique::Widget: the grid view, the editor box, the Qt platform services and the
// shared state that keeps the Qt side in step with the control.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QLineEdit>
#include <QPoint>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <tablique/control.h>
#include <tablique/widget.h>

namespace tablique::qt {

struct WidgetPrivate;

// The platform services of a control that lives on a Qt window.
class QtPlatform : public Platform {
public:
  explicit QtPlatform(WidgetPrivate& d) : d_(d) {}

  MessageAnswer messageBox(std::string_view text, std::string_view title, bool okCancel) override;
  std::optional<std::string> inputBox(std::string_view prompt, std::string_view title,
                                      std::string_view defaultText) override;
  std::optional<std::string> fileDialog(const FileDialogCall& call) override;
  std::string clipboardText() const override;
  void clearClipboard() override;
  void setClipboardText(std::string text) override;
  std::optional<std::string> popupMenu(const std::string& caption,
                                       const std::vector<MenuEntry>& entries, float x,
                                       float y) override;
  void focusChanged(FocusTarget target) override;
  void synthesizeKey(int keyCode) override;
  void commandFailed(std::string_view text) override;

private:
  WidgetPrivate& d_;
};

// "描述|*.txt|其他|*.a;*.b" -> {"描述 (*.txt)", "其他 (*.a *.b)"}
QStringList nameFiltersFromPattern(const std::string& filter);

// The grid, painted straight from the control's Grid: fixed header row and column, cell texts
// with their alignments, grid lines, the current cell and the selection. Scrolls by whole rows
// and columns, like the grid it shows.
class GridView : public QAbstractScrollArea {
  Q_OBJECT
public:
  explicit GridView(WidgetPrivate& d, QWidget* parent);
  void syncScrollBars();  // ranges and values from the grid's counts, sizes and scroll position

  struct Ink {
    int top, height;  // device pixel rows of the font's ink, top relative to the baseline
  };

protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void scrollContentsBy(int, int) override {}

private:
  void scrolledByUser(Qt::Orientation orientation, int value);
  void reportScroll();
  void deliverMove(QPointF at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);
  // A left or middle-button drag held beyond the viewport's edge scrolls one row or column per step and
  // takes the selection's end along to the last cell shown on that side.
  void autoScrollStep();
  WidgetPrivate& d_;
  QTimer autoScroll_;
  QPoint dragPos_;
  Qt::KeyboardModifiers dragModifiers_;
  Qt::MouseButtons dragButtons_;
  int wheelRemainder_ = 0;
  int syncingScrollBars_ = 0;  // > 0 while the bars are set from the grid, not by the user
  // The grid font's ink as last measured, for the font and pixel ratio it was measured at.
  Ink ink_{0, 0}, inkAccents_{0, 0};
  QFont inkFont_;
  qreal inkRatio_ = 0;
};

// The in-cell editor Text1: a QLineEdit that mirrors the control's Editor and reports the
// user's typing, keys, mouse buttons and wheel to the control.
class CellEditor : public QLineEdit {
  Q_OBJECT
public:
  explicit CellEditor(WidgetPrivate& d, QWidget* parent);

protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void paintEvent(QPaintEvent* e) override;

private:
  WidgetPrivate& d_;
  int wheelRemainder_ = 0;
};

struct WidgetPrivate {
  explicit WidgetPrivate(Widget* widget);

  Widget* q;
  QtPlatform platform{*this};
  std::unique_ptr<Control> control;
  GridView* view = nullptr;
  CellEditor* editor = nullptr;
  QAction* undoAction = nullptr;  // enabled while the control can undo (redo)
  QAction* redoAction = nullptr;
  QFont gridFont;
  // > 0 while the Qt side applies a change the control asked for (focus, editor visibility):
  // the focus events that follow must not reach the control again.
  int applyingCore = 0;
  bool syncPending = false;   // one queued sync after any number of grid changes
  uint32_t shownCurrentCellSets = 0;  // the grid's count of current-cell sets last shown
  bool dying = false;
  // A form's size (initialRows, initialCols) the control refused while the widget was hidden:
  // it waits for the form's other size, and the refusal is shown with the widget.
  std::optional<int> heldRows, heldCols;
  std::pair<int, int> heldOver;  // the table's size when the refusal was held
  std::optional<std::pair<std::string, std::string>> heldRefusal;  // text, title
  bool holdingRefusal = false;  // a message box now is the refusal to hold
  QPoint lastMouseGlobal;     // where the last mouse press over the control happened
  bool haveMousePosition = false;

  // The view is the grid's display: it scrolls it and listens to its changes. The control
  // hands out the grid read-only, so the view takes the writable reference here.

  double pxPerTwipX() const;
  double pxPerTwipY() const;

  // Runs a control handler for a Qt event; a failure inside the core must not unwind through
  // Qt's event loop. The view repaints when the selection or a display setting changed (they
  // live outside the grid's change notification); grid changes schedule their own repaint.
  void deliver(const std::function<void()>& call);

  void gridChanged();    // Grid::changed: coalesced into one queued sync
  void syncFromCore();   // placement, scroll bars, repaint
  void syncEditor();     // Editor::changed: mirror onto the QLineEdit at once
  void layoutGrid();     // the grid view's geometry from the grid's Left/Top/Width/Height
  void applyFocus(FocusTarget target);
  // A focus change the user caused (not one the control asked for).
  bool userFocusEvent(QFocusEvent* e) const;
  bool focusInsideControl(QWidget* w) const;
  QPoint menuPosition(float x, float y) const;
  QWidget* dialogParent() const;
  // rowcol with the form's sizes; an unset one is the one held, else the current.
  void setInitialSize(std::optional<int> rows, std::optional<int> cols);
  void showHeldRefusal();
};

// Windows virtual key code of a Qt key (0 when the control has no code for it), and the shift
// state bits (1 Shift, 2 Ctrl, 4 Alt) of a key or mouse event.
int16_t virtualKeyCode(int qtKey);
int16_t shiftState(Qt::KeyboardModifiers modifiers);
int16_t keyShiftState(const QKeyEvent* e);
int16_t buttonCode(Qt::MouseButton button);
int16_t buttonState(Qt::MouseButtons buttons);
// Qt key for a synthesised virtual key (38 Up, 40 Down, ...).
int qtKeyForVirtualKey(int code);

}  // namespace tablique::qt
