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


// A host's toolbar button follows the typing: enabled while the open edit has changed its cell,
// and triggering it takes that typing back.
TEST_F(WidgetTest, TheUndoActionIsEnabledWhileAnEditHasTypingToTakeBack) {
  c().clearUndo();
  settle();
  click(3, 2);
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  EXPECT_FALSE(w.undoAction()->isEnabled());
  type("ab");
  EXPECT_TRUE(w.undoAction()->isEnabled());
  w.undoAction()->trigger();
  settle();
  EXPECT_EQ(c().gettext(3, 2), "");
  EXPECT_FALSE(w.undoAction()->isEnabled());
  EXPECT_TRUE(w.redoAction()->isEnabled());
}

// The control's undo and redo keys win over a host's shortcuts for the same keys while the grid
// has the focus, as its clipboard keys do (the editor's box claims them itself).
TEST_F(WidgetTest, UndoAndRedoKeysInTheGridWinOverTheHostsShortcuts) {
  int hostUndo = 0, hostRedo = 0;
  QAction undo(&window), redo(&window);
  undo.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
  redo.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
  window.addAction(&undo);
  window.addAction(&redo);
  QObject::connect(&undo, &QAction::triggered, [&] { ++hostUndo; });
  QObject::connect(&redo, &QAction::triggered, [&] { ++hostRedo; });
  c().settext(2, 2, "kept");
  settle();
  w.gridView()->setFocus();
  settle();
  ASSERT_EQ(QApplication::focusWidget(), w.gridView());
  QTest::keyClick(w.gridView(), Qt::Key_Z, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c().gettext(2, 2), "");
  QTest::keyClick(w.gridView(), Qt::Key_Y, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c().gettext(2, 2), "kept");
  click(4, 2);
  type("ab");
  QTest::keyClick(w.editorBox(), Qt::Key_Z, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c().gettext(4, 2), "");
  EXPECT_EQ(c().gettext(2, 2), "kept");
  EXPECT_EQ(hostUndo, 0);
  EXPECT_EQ(hostRedo, 0);
}


// The form's table (Designer's initialRows and initialCols) is where the history starts; a change
// of the size after the user has worked is a step like any rowcol.
TEST_F(WidgetTest, TheTableAFormSetsUpIsNotAStep) {
  tablique::Widget fresh;
  fresh.setInitialRows(20);
  fresh.setInitialCols(6);
  EXPECT_EQ(fresh.control().rows(), 20);
  EXPECT_EQ(fresh.control().cols(), 6);
  EXPECT_FALSE(fresh.control().canUndo());
  EXPECT_FALSE(fresh.undoAction()->isEnabled());

  fresh.control().settext(1, 1, "x");
  fresh.setInitialRows(30);
  EXPECT_EQ(fresh.control().undoSteps(), 2u);
  ASSERT_TRUE(fresh.control().undo());
  EXPECT_EQ(fresh.control().rows(), 20);
  EXPECT_EQ(fresh.control().gettext(1, 1), "x");
}

}  // namespace
}  // namespace tablique::qt_test
