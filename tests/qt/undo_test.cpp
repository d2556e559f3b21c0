// Undo and redo on the widget: the keys in the editor and the grid, and the actions a host puts
// in its menus, whose enabled states follow the history.
#include <QAction>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

TEST_F(WidgetTest, CtrlZInTheEditorTakesBackItsTypingThenCtrlYPutsItBack) {
  c().settext(2, 1, "old");
  c().clearUndo();
  settle();
  EXPECT_FALSE(w.undoAction()->isEnabled());
  EXPECT_FALSE(w.redoAction()->isEnabled());

  click(2, 1);
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  w.editorBox()->selectAll();
  type("ab");
  ASSERT_EQ(c().gettext(2, 1), "ab");
  ctrlKey(Qt::Key_Z);  // still in the editor: the edit's typing goes
  settle();
  EXPECT_EQ(c().gettext(2, 1), "old");
  EXPECT_EQ(c().grid().Row(), 2);
  EXPECT_FALSE(w.undoAction()->isEnabled());
  EXPECT_TRUE(w.redoAction()->isEnabled());

  ctrlKey(Qt::Key_Y);
  settle();
  EXPECT_EQ(c().gettext(2, 1), "ab");
  EXPECT_TRUE(w.undoAction()->isEnabled());
  EXPECT_FALSE(w.redoAction()->isEnabled());

  // Ctrl+Shift+Z redoes as well; the grid shows the cell again.
  ctrlKey(Qt::Key_Z);
  settle();
  EXPECT_EQ(c().gettext(2, 1), "old");
  QWidget* target = QApplication::focusWidget();
  QKeyEvent ctrl(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
  QApplication::sendEvent(target, &ctrl);
  key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  settle();
  EXPECT_EQ(c().gettext(2, 1), "ab");
}

TEST_F(WidgetTest, TheActionsUndoAPasteAndARowDeleteAndTheViewFollows) {
  c().rowcol(300, 4);
  c().settext(250, 2, "far");
  c().clearUndo();
  c().mouseset(250, 2);
  c().m_rowdel();
  settle();
  ASSERT_NE(c().gettext(250, 2), "far");
  ASSERT_TRUE(w.undoAction()->isEnabled());
  c().mouseset(1, 1);
  c().pressKey(36, 2);  // Ctrl+Home: the view at the top
  settle();
  ASSERT_EQ(c().grid().TopRow(), 1);

  w.undoAction()->trigger();
  settle();
  EXPECT_EQ(c().gettext(250, 2), "far");
  EXPECT_EQ(c().rows(), 300);
  EXPECT_EQ(c().grid().Row(), 250);
  EXPECT_LE(c().grid().TopRow(), 250);  // the current cell is shown
  EXPECT_GT(c().grid().TopRow(), 1);
  EXPECT_FALSE(w.undoAction()->isEnabled());
  EXPECT_TRUE(w.redoAction()->isEnabled());

  w.redoAction()->trigger();
  settle();
  EXPECT_EQ(c().rows(), 299);
  EXPECT_TRUE(w.undoAction()->isEnabled());
  EXPECT_FALSE(w.redoAction()->isEnabled());
}

}  // namespace
}  // namespace tablique::qt_test
