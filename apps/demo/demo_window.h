// The demo host: the control filling a main window, menus for every public method, a log of
// the MouseDown events and a status line with the table size and the selection.
#pragma once

#include <QMainWindow>

#include <functional>

#include <tablique/widget.h>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

class DemoWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit DemoWindow(QWidget* parent = nullptr);

  tablique::Widget* grid() const { return grid_; }
  tablique::Control& control() { return grid_->control(); }
  // Runs a public method; a failure is shown to the user and logged.
  void run(const QString& what, const std::function<void()>& call);
  void updateStatus();

private:
  void buildMenus();
  void buildCellBox();
  void log(const QString& line);

  tablique::Widget* grid_ = nullptr;
  QPlainTextEdit* log_ = nullptr;
  QLabel* status_ = nullptr;
  QSpinBox* cellRow_ = nullptr;
  QSpinBox* cellCol_ = nullptr;
  QLineEdit* cellText_ = nullptr;
  bool toldFailure_ = false;  // the control told a failure during the running method
};
