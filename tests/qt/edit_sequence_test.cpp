// The real widget: a menu command from the editor ends the edit first, the reopened editor is
// readable, and a drag held past the view's edge keeps scrolling and selecting or filling.
#include <QMenu>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

void chooseFromMenu(const QString& caption) {
  whenShown([] { return QApplication::activePopupWidget(); },
            [caption](QWidget* shown) {
              auto* menu = qobject_cast<QMenu*>(shown);
              ASSERT_NE(menu, nullptr);
              for (QAction* a : menu->actions())
                if (a->text() == caption) QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
            });
}

// A move with buttons held, as Qt reports it during a drag.
void dragTo(QWidget* viewport, QPoint at, Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = {}) {
  QMouseEvent e(QEvent::MouseMove, at, viewport->mapToGlobal(at), Qt::NoButton, held, modifiers);
  QApplication::sendEvent(viewport, &e);
}

TEST_F(WidgetTest, DeleteRowChosenOnTheEditorKeepsTheUsersTexts) {
  for (int r = 1; r <= 8; ++r) c().settext(r, 1, QString::number(r).toStdString());
  c().formuset(3, "C1*10");
  c().update(3);
  c().settext(3, 3, "keep3");
  c().settext(7, 3, "keep7");
  click(4, 1);
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  w.editorBox()->end(false);
  type("9");
  chooseFromMenu("删除行");
  QTest::mouseClick(w.editorBox(), Qt::RightButton, {}, QPoint(5, 5));
  settle();
  EXPECT_EQ(c().gettext(3, 3), "keep3");
  EXPECT_EQ(c().gettext(6, 3), "keep7");
  EXPECT_EQ(c().gettext(4, 1), "5");
  EXPECT_EQ(c().focus(), FocusTarget::Grid);
  EXPECT_FALSE(w.editorBox()->isVisible());
  // Keys reach the grid now (whether the offscreen window is active again after the popup or
  // not): Down moves the current cell at once.
  const int32_t row = c().grid().Row();
  QTest::keyClick(w.gridView(), Qt::Key_Down);
  EXPECT_EQ(c().grid().Row(), row + 1);
}

TEST_F(WidgetTest, EditorReopenedAfterCtrlOrAHeaderPressIsReadable) {
  c().settext(3, 2, "abc");
  click(2, 2);
  ctrlKey(Qt::Key_C);
  settle();
  key(Qt::Key_Return);  // the grid moves to (3, 2) and opens the editor
  settle();
  QLineEdit* box = w.editorBox();
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ(box->text(), "abc");
  EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));
  EXPECT_GT(box->height(), 5);

  click(0, 3);  // a header press blanks the editor; the selection now starts on the header
  key(Qt::Key_Return);
  settle();
  // Such a selection edits nothing: no box is left over (4, 2) showing "abc", not its text.
  EXPECT_FALSE(box->isVisible());
  EXPECT_EQ(c().focus(), FocusTarget::Grid);
  click(5, 2);
  settle();
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ(box->palette().color(QPalette::Text), QColor(Qt::black));
}

TEST_F(WidgetTest, DragHeldBelowTheViewKeepsScrollingAndSelecting) {
  QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(2, 1));
  const QPoint below(centreOf(2, 1).x(), viewport()->height() + 20);
  dragTo(viewport(), below, Qt::LeftButton);
  const int32_t firstEnd = c().RR();
  QTest::qWait(600);
  dragTo(viewport(), below, Qt::LeftButton);  // still held there
  EXPECT_GT(c().grid().TopRow(), 3);
  EXPECT_GT(c().RR(), firstEnd + 3);
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, below);
  const int32_t top = c().grid().TopRow();
  QTest::qWait(200);
  EXPECT_EQ(c().grid().TopRow(), top);  // released: the scrolling stops
  EXPECT_EQ(c().rr0(), 2);
}

TEST_F(WidgetTest, FillHeldBelowTheViewFillsPastOneScreen) {
  c().settext(1, 1, "1");
  c().settext(2, 1, "3");
  QTest::mousePress(viewport(), Qt::LeftButton, {}, centreOf(1, 1));
  dragTo(viewport(), centreOf(2, 1), Qt::LeftButton);
  QTest::mouseRelease(viewport(), Qt::LeftButton, {}, centreOf(2, 1));
  QTest::mousePress(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(2, 1));
  ASSERT_EQ(c().grid().fillMarker, 2);
  const QPoint below(centreOf(2, 1).x(), viewport()->height() + 20);
  dragTo(viewport(), below, Qt::MiddleButton, Qt::ControlModifier);
  QTest::qWait(600);
  QTest::mouseRelease(viewport(), Qt::MiddleButton, Qt::ControlModifier, below);
  settle();
  int32_t last = 2;
  while (!c().gettext(last + 1, 1).empty()) ++last;
  const int32_t visibleRows = viewport()->height() / w.cellRect(2, 1).height();
  EXPECT_GT(last, visibleRows + 3);
  for (int32_t r = 1; r <= last; ++r) EXPECT_EQ(c().gettext(r, 1), std::to_string(2 * r - 1)) << r;
}

}  // namespace
}  // namespace tablique::qt_test
