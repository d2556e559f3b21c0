// A user's session on a real X window: click, type and Enter; a drag past the view's edge; the
// popup menu chosen with the mouse; Ctrl+C / Ctrl+V through the X clipboard shared with another
// program; a modal message box answered. Checked by the control's state and grabbed pixels;
// waits are on conditions, never on time.
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QScreen>

#include "qt/qt_fixture.h"

namespace tablique::qt_test {
namespace {

// Without a window manager the window is given the X input focus itself once it is mapped.
class XWindowTest : public WidgetTest {
protected:
  void SetUp() override {
    window.resize(900, 600);
    w.setGeometry(0, 0, 900, 600);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    settle();
  }
};

// The window as the X server shows it.
QImage screenPixels(QWidget* widget, const QRect& r) {
  const QPoint at = widget->mapToGlobal(r.topLeft());
  return widget->screen()->grabWindow(0, at.x(), at.y(), r.width(), r.height()).toImage();
}

TEST_F(XWindowTest, ClickTypeAndEnter) {
  ASSERT_EQ(QGuiApplication::platformName(), "xcb");
  ASSERT_TRUE(window.isActiveWindow());
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(2, 2));
  WAIT_UNTIL(w.editorBox()->hasFocus());
  QTest::keyClicks(w.editorBox(), QStringLiteral("gy12"));
  EXPECT_EQ(c().gettext(2, 2), "gy12");
  QTest::keyClick(w.editorBox(), Qt::Key_Return);
  WAIT_UNTIL(w.gridView()->hasFocus());
  EXPECT_FALSE(w.editorBox()->isVisible());
  // The text is on the screen, inside its cell.
  const QRect cell = w.cellRect(2, 2);
  WAIT_UNTIL(darkPixels(screenPixels(viewport(), cell), QRect(QPoint(1, 1), cell.size() - QSize(3, 3))) > 15);
  // Enter again: one row down, the editor open there.
  QTest::keyClick(w.gridView(), Qt::Key_Return);
  WAIT_UNTIL(w.editorBox()->hasFocus());
  EXPECT_EQ(c().grid().Row(), 3);
}

TEST_F(XWindowTest, DragPastTheBottomEdgeScrollsAndSelects) {
  QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(5, 1));
  QTest::mouseMove(viewport(), centreOf(8, 2));
  WAIT_UNTIL(c().RR() == 8);
  // Held below the view: it scrolls on its own and the selection's end goes along.
  QTest::mouseMove(viewport(), QPoint(centreOf(8, 2).x(), viewport()->height() + 30));
  WAIT_UNTIL(c().grid().TopRow() >= 12);
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, QPoint(centreOf(8, 2).x(), viewport()->height() + 30));
  const int32_t end = c().RR();
  EXPECT_EQ(c().rr0(), 5);
  EXPECT_EQ(c().cc(), 2);
  EXPECT_GT(end, 27);
  EXPECT_LE(end, c().grid().TopRow() + c().grid().pageRows() - 1);  // a row the user sees
  EXPECT_GE(end, c().grid().TopRow());
  const QImage image = grabGrid();
  EXPECT_EQ(image.pixel(centreOf(end, 2)), qRgb(0xCC, 0xE4, 0xFF));
  EXPECT_EQ(w.gridView()->verticalScrollBar()->value(), c().grid().TopRow() - 1);
}

// Ctrl + middle drag held below the view: the fill goes on as the view scrolls, one row per step.
TEST_F(XWindowTest, FillDragPastTheBottomEdgeScrollsAndFills) {
  c().settext(1, 1, "1");
  c().settext(2, 1, "2");
  QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(1, 1));
  QTest::mouseMove(viewport(), centreOf(2, 1));
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOf(2, 1));
  WAIT_UNTIL(c().RR() == 2);
  QTest::keyPress(w.gridView(), Qt::Key_Control, Qt::ControlModifier);
  QTest::mousePress(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(2, 1));
  WAIT_UNTIL(c().grid().fillMarker == 2);
  const QPoint below(centreOf(2, 1).x(), viewport()->height() + 30);
  // Ctrl stays held while the mouse moves.
  QTest::mouseEvent(QTest::MouseMove, viewport(), Qt::NoButton, Qt::ControlModifier, centreOf(6, 1));
  WAIT_UNTIL(c().gettext(6, 1) == "6");
  QTest::mouseEvent(QTest::MouseMove, viewport(), Qt::NoButton, Qt::ControlModifier, below);
  WAIT_UNTIL(c().grid().TopRow() >= 12);
  QTest::mouseRelease(viewport(), Qt::MiddleButton, Qt::ControlModifier, below);
  QTest::keyRelease(w.gridView(), Qt::Key_Control);
  WAIT_UNTIL(c().grid().fillMarker == 0);
  int32_t last = 2;
  while (!c().gettext(last + 1, 1).empty()) ++last;
  EXPECT_GT(last, 30);
  for (int32_t r = 1; r <= last; ++r) EXPECT_EQ(c().gettext(r, 1), std::to_string(r)) << "row " << r;
  EXPECT_EQ(c().rr0(), 1);  // the selection as it was before the fill
  EXPECT_EQ(c().RR(), 2);
}

TEST_F(XWindowTest, PopupMenuChosenWithTheMouse) {
  c().settext(3, 1, "moves down");
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(3, 1));
  bool chosen = false;
  whenShown([] { return QApplication::activePopupWidget(); }, [&](QWidget* shown) {
    auto* menu = qobject_cast<QMenu*>(shown);
    for (QAction* a : menu->actions())
      if (a->text() == "插入行") {
        QTest::mouseMove(menu, menu->actionGeometry(a).center());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
        chosen = true;
      }
  });
  QTest::mouseClick(viewport(), Qt::RightButton, {}, centreOf(3, 1));
  WAIT_UNTIL(chosen);
  WAIT_UNTIL(c().gettext(4, 1) == "moves down");
  EXPECT_EQ(c().gettext(3, 1), "");
  EXPECT_EQ(c().rows(), 501);
  const QImage image = grabGrid();
  EXPECT_EQ(darkPixels(image, w.cellRect(3, 1).adjusted(2, 2, -3, -3)), 0);
  EXPECT_GT(darkPixels(image, w.cellRect(4, 1).adjusted(2, 2, -3, -3)), 15);
}

// Another X client of the clipboard: this program run in one of its helper modes.
struct OtherProgram {
  QProcess process;
  explicit OtherProgram(const QStringList& arguments) {
    process.start(QCoreApplication::applicationFilePath(), arguments);
  }
  ~OtherProgram() {
    if (process.state() != QProcess::NotRunning) {
      process.kill();
      process.waitForFinished(3000);
    }
  }
};

TEST_F(XWindowTest, CtrlCAndCtrlVThroughTheXClipboard) {
  c().settext(2, 1, "甲");
  c().settext(2, 2, "b c");
  QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(2, 1));
  QTest::mouseMove(viewport(), centreOf(2, 2));
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOf(2, 2));
  WAIT_UNTIL(c().cc() == 2);
  QTest::keyPress(QApplication::focusWidget(), Qt::Key_Control, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
  QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Control);
  const QString copied = QGuiApplication::clipboard()->text();
  ASSERT_TRUE(copied.startsWith(QStringLiteral("甲\tb c"))) << copied.toStdString();
  // Another program reads the copy from the X server.
  OtherProgram reader({QStringLiteral("--print-clipboard")});
  WAIT_UNTIL(reader.process.state() == QProcess::NotRunning);  // our event loop serves it
  EXPECT_EQ(QString::fromUtf8(reader.process.readAllStandardOutput()), copied);

  // Another program's text, pasted at (6, 3).
  OtherProgram writer({QStringLiteral("--serve-clipboard"), QStringLiteral("x\t数\r\ny\tz\r\n")});
  WAIT_UNTIL(writer.process.canReadLine());  // it owns the clipboard now
  WAIT_UNTIL(QGuiApplication::clipboard()->text() == "x\t数\r\ny\tz\r\n");
  QTest::mouseClick(viewport(), Qt::LeftButton, {}, centreOf(6, 3));
  QTest::keyPress(QApplication::focusWidget(), Qt::Key_Control, Qt::ControlModifier);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
  QTest::keyRelease(QApplication::focusWidget(), Qt::Key_Control);
  WAIT_UNTIL(c().gettext(6, 3) == "x");
  EXPECT_EQ(c().gettext(6, 4), "数");
  EXPECT_EQ(c().gettext(7, 3), "y");
  EXPECT_EQ(c().gettext(7, 4), "z");
  EXPECT_GT(darkPixels(grabGrid(), w.cellRect(7, 4).adjusted(2, 2, -3, -3)), 5);
}

TEST_F(XWindowTest, AModalMessageBoxAnsweredWithTheMouse) {
  c().settext(2, 2, "kept");
  QString text;
  QImage shownBox;
  whenShown([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, [&](QWidget* shown) {
    auto* box = qobject_cast<QMessageBox*>(shown);
    text = box->text();
    shownBox = box->grab().toImage();
    QPushButton* cancel = qobject_cast<QPushButton*>(box->button(QMessageBox::Cancel));
    QTest::mouseClick(cancel, Qt::LeftButton);
  });
  c().m_clc();  // 表格内容将被清除，确定？ answered 取消
  EXPECT_EQ(text, "表格内容将被清除，确定？");
  EXPECT_EQ(c().gettext(2, 2), "kept");
  ASSERT_FALSE(shownBox.isNull());
  EXPECT_GT(darkPixels(shownBox, shownBox.rect()), 50);  // the question and its buttons drawn
}

}  // namespace
}  // namespace tablique::qt_test
