// tablique::Widget: the grid control on a Qt 6 Widgets window.
//
// The widget owns a tablique::Control wired to real Qt services (QMessageBox, QInputDialog,
// QFileDialog, QClipboard, QMenu, key delivery). It paints the control's grid, shows the in-cell
// editor as a QLineEdit and translates Qt's mouse, key, wheel, focus and resize events into the
// control's handlers. All behaviour and all state live in the control:
//
//   auto* w = new tablique::Widget(window);
//   w->control().rowcol(100, 5);
//   w->control().settext(1, 1, "12.5");
//
// A failing command's message is also emitted as commandFailed. The control's MouseDown event is re-emitted as the signal mouseDown with the values the
// control raised. A host that needs to change Button or Shift before the control goes on
// assigns control().MouseDown itself, which replaces the signal.
#pragma once

#include <QWidget>

#include <memory>

#include <tablique/control.h>

class QAbstractScrollArea;
class QAction;
class QLineEdit;

namespace tablique {

namespace qt {
struct WidgetPrivate;
}

class Widget : public QWidget {
  Q_OBJECT
  // Designer's property editor and generated form code (setPmenu, setInitialRows, ...).
  // initialRows and initialCols set up an empty table of that many data rows and columns, as
  // rowcol does, each with the other size the form gave (a size over the cell budget is told
  // when the widget shows); the getters read the current size.
  Q_PROPERTY(bool pmenu READ pmenu WRITE setPmenu)
  Q_PROPERTY(int initialRows READ initialRows WRITE setInitialRows)
  Q_PROPERTY(int initialCols READ initialCols WRITE setInitialCols)

public:
  explicit Widget(QWidget* parent = nullptr);
  ~Widget() override;

  Control& control();
  const Control& control() const;

  // The children that show the grid and the editor Text1 (for hosts and tests that need to
  // address them, e.g. to send events or grab pixels).
  QAbstractScrollArea* gridView() const;
  QLineEdit* editorBox() const;

  // Rectangle of cell (row, col) at the current scroll, in the grid view's viewport pixels,
  // computed from the control's twips at this widget's logical DPI.
  QRect cellRect(int32_t row, int32_t col) const;
  // Twips <-> pixels at this widget's logical DPI (px = twips * dpi / 1440).
  int toPixelsX(double twips) const;
  int toPixelsY(double twips) const;
  float toTwipsX(double pixels) const;
  float toTwipsY(double pixels) const;

  // Undo and redo for the host's menus and tool bars ("撤销", "重做"); enabled while the control
  // has a step to take back (put back). The keys Ctrl+Z, Ctrl+Y and Ctrl+Shift+Z work in the
  // grid and the editor without them.
  QAction* undoAction() const;
  QAction* redoAction() const;

  QSize sizeHint() const override;

  bool pmenu() const;
  void setPmenu(bool on);
  int initialRows() const;
  void setInitialRows(int rows);
  int initialCols() const;
  void setInitialCols(int cols);

signals:
  // The control's MouseDown event: button 1 left, 2 right, 4 middle; shift bits 1 Shift,
  // 2 Ctrl, 4 Alt; x, y in twips relative to the grid (or the editor, for a press on it).
  void mouseDown(int button, int shift, float x, float y);
  // A command the user chose (popup menu, key, a file dialog) failed and changed nothing; the
  // text is the Chinese message the user was just shown in the "温馨提示" box.
  void commandFailed(const QString& text);

protected:
  void resizeEvent(QResizeEvent* event) override;
  bool focusNextPrevChild(bool next) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  friend struct qt::WidgetPrivate;
  std::unique_ptr<qt::WidgetPrivate> d;
};

}  // namespace tablique
