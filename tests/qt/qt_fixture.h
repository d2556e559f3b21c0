// A shown, active tablique::Widget and the user's hands: clicks, keys and the wheel as real Qt
// events, sent where Qt would send them.
#pragma once

#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>

#include <gtest/gtest.h>

#include <tablique/widget.h>

// Waits, with events processed meanwhile, until `cond` holds; a test failure after five
// seconds. (QTRY_ macros report to QtTest, which GoogleTest does not hear.)
#define WAIT_UNTIL(cond) \
  ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, 5000)) << "still false: " #cond

namespace tablique::qt_test {

class WidgetTest : public ::testing::Test {
protected:
  void SetUp() override {
    window.resize(900, 600);
    w.setGeometry(0, 0, 900, 600);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    settle();
  }

  Control& c() { return w.control(); }
  QWidget* viewport() { return w.gridView()->viewport(); }
  QPoint centreOf(int32_t row, int32_t col) { return w.cellRect(row, col).center(); }

  // Lets queued repaints and syncs run.
  static void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
  }

  void click(int32_t row, int32_t col, Qt::MouseButton button = Qt::LeftButton,
             Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(viewport(), button, modifiers, centreOf(row, col));
    settle();
  }

  // A left-button drag from one cell to another, as a user makes it.
  void drag(int32_t fromRow, int32_t fromCol, int32_t toRow, int32_t toCol) {
    const QPoint from = centreOf(fromRow, fromCol), to = centreOf(toRow, toCol);
    QTest::mousePress(viewport(), Qt::LeftButton, {}, from);
    QMouseEvent move(QEvent::MouseMove, to, viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(viewport(), &move);
    QTest::mouseRelease(viewport(), Qt::LeftButton, {}, to);
    settle();
  }

  // A key press and release delivered to whichever widget has the focus at that moment.
  static void key(int qtKey, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
    QWidget* target = QApplication::focusWidget();
    ASSERT_NE(target, nullptr);
    QKeyEvent press(QEvent::KeyPress, qtKey, modifiers, text);
    QApplication::sendEvent(target, &press);
    target = QApplication::focusWidget();
    QKeyEvent release(QEvent::KeyRelease, qtKey, modifiers, text);
    QApplication::sendEvent(target, &release);
  }

  static void type(const QString& text) {
    for (QChar ch : text) key(ch.isDigit() ? Qt::Key_0 + ch.digitValue() : Qt::Key_A + (ch.toUpper().unicode() - 'A'), {}, QString(ch));
  }

  // Ctrl held down while `qtKey` is pressed, as a keyboard delivers it.
  static void ctrlKey(int qtKey) {
    QWidget* target = QApplication::focusWidget();
    QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QApplication::sendEvent(target, &ctrl);
    key(qtKey, Qt::ControlModifier);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &up);
  }

  void wheel(QWidget* target, QPoint at, int delta) {
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
    settle();
  }

  QImage grabGrid() {
    settle();
    return w.gridView()->viewport()->grab().toImage();
  }

  QWidget window;  // the host's window; the control covers it
  tablique::Widget& w{*new tablique::Widget(&window)};
};

// Number of pixels darker than mid grey inside a rectangle.
inline int darkPixels(const QImage& image, const QRect& r) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (qGray(image.pixel(x, y)) < 100) ++n;
  return n;
}

// Runs `answer` on the next modal or popup widget as soon as it appears (the control waits
// inside exec() meanwhile). A widget that the answer leaves open is closed after a while and
// the test fails, so that a wrong answer ends as a failure, never as a hang.
inline void whenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  auto* elapsed = new QElapsedTimer;
  auto* answered = new QPointer<QWidget>;
  auto* answeredAt = new qint64(-1);
  auto finish = [=] {
    timer->stop();
    timer->deleteLater();
    delete elapsed;
    delete answered;
    delete answeredAt;
  };
  elapsed->start();
  QObject::connect(timer, &QTimer::timeout, [=] {
    if (*answeredAt >= 0) {  // answered: wait for the widget to close
      QWidget* shown = answered->data();
      if (!shown || !shown->isVisible()) return finish();
      if (elapsed->elapsed() - *answeredAt > 3000) {
        ADD_FAILURE() << "the answer left " << shown->metaObject()->className() << " open";
        if (auto* dialog = qobject_cast<QDialog*>(shown)) dialog->reject(); else shown->close();
        finish();
      }
      return;
    }
    if (QWidget* shown = find()) {
      *answered = shown;
      *answeredAt = elapsed->elapsed();
      answer(shown);
    } else if (elapsed->elapsed() > 5000) {
      ADD_FAILURE() << "nothing was shown";
      finish();
    }
  });
  timer->start(10);
}

// Types a file name into the dialog, in the folder given, and presses its Save or Open button.
inline void chooseFile(QFileDialog* dialog, const QString& folder, const QString& name) {
  dialog->setDirectory(folder);
  // selectFile() leaves a focused name box alone; a user types into it.
  if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
    QApplication::setActiveWindow(dialog);
    edit->setFocus();  // the list then follows the typed name, as it does for a user
    edit->setText(name);
  } else {
    dialog->selectFile(name);
  }
  static_cast<QDialog*>(dialog)->accept();
}

}  // namespace tablique::qt_test
