// The real widget driven as a user drives it: clicks, typing, Enter, the right-button menu,
// Ctrl+C / Ctrl+V through the system clipboard, message boxes, the wheel and input methods.
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QDialogButtonBox>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

TEST_F(WidgetTest, ClickTypeEnterWritesTheCellAndRecomputesItsFormulaColumn) {
  //      C1    C2    C3 = C1*2
  //  1   5           10
  //  2   7           14
  c().settext(1, 1, "5");
  c().settext(2, 1, "7");
  c().formuset(3, "C1*2");
  c().update(3);
  ASSERT_EQ(c().gettext(1, 3), "10");

  click(1, 1);
  QLineEdit* box = w.editorBox();
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), box);
  EXPECT_EQ(box->text(), "5");
  EXPECT_EQ(box->geometry().topLeft(), w.gridView()->geometry().topLeft() + w.cellRect(1, 1).topLeft());
  box->selectAll();
  type("1");
  EXPECT_EQ(c().gettext(1, 1), "1");  // written through at every key
  type("2");
  EXPECT_EQ(c().gettext(1, 1), "12");
  key(Qt::Key_Return);
  settle();
  EXPECT_EQ(c().gettext(1, 3), "24");  // the edited row only
  EXPECT_EQ(c().gettext(2, 3), "14");
  // Enter in the grid then moves down and opens the editor on (2, 1).
  EXPECT_EQ(c().grid().Row(), 1);
  key(Qt::Key_Return);
  settle();
  EXPECT_EQ(c().grid().Row(), 2);
  EXPECT_TRUE(box->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), box);
  EXPECT_EQ(box->text(), "7");
}

TEST_F(WidgetTest, InputMethodCommitsReachTheCell) {
  click(3, 2);
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  QInputMethodEvent preedit(QStringLiteral("zhong"), {});
  QApplication::sendEvent(w.editorBox(), &preedit);
  EXPECT_EQ(c().gettext(3, 2), "");  // composing is not typing yet
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("中文"));
  QApplication::sendEvent(w.editorBox(), &commit);
  EXPECT_EQ(c().gettext(3, 2), "中文");
}

TEST_F(WidgetTest, RightClickShowsTheSixteenCommands) {
  QStringList captions;
  int separators = 0;
  QString title;
  whenShown([] { return QApplication::activePopupWidget(); },
            [&](QWidget* shown) {
              auto* menu = qobject_cast<QMenu*>(shown);
              ASSERT_NE(menu, nullptr);
              title = menu->title();
              for (QAction* a : menu->actions()) {
                if (a->isSeparator()) ++separators;
                else captions << a->text();
              }
              menu->close();
            });
  std::vector<std::string> events;
  QObject::connect(&w, &tablique::Widget::mouseDown, [&](int button, int, float, float) { events.push_back(std::to_string(button)); });
  click(4, 2, Qt::RightButton);
  EXPECT_EQ(title, "弹出菜单");
  EXPECT_EQ(captions, (QStringList{"复制  Ctrl+C", "粘贴  Ctrl+V", "剪切  Ctrl+X", "删除  Del",
                                   "插入行", "删除行", "行上移", "行下移",
                                   "插入列", "删除列", "列左移", "列右移",
                                   "计算公式", "清空表格", "数据导出", "数据导入"}));
  EXPECT_EQ(separators, 3);
  EXPECT_EQ(events, std::vector<std::string>{"2"});  // MouseDown re-emitted as the Qt signal
  EXPECT_FALSE(w.editorBox()->isVisible());

  // A right click on the open editor raises the event and shows the same menu.
  click(4, 2);
  ASSERT_TRUE(w.editorBox()->isVisible());
  captions.clear();
  whenShown([] { return QApplication::activePopupWidget(); }, [&](QWidget* shown) {
    for (QAction* a : shown->actions())
      if (!a->isSeparator()) captions << a->text();
    static_cast<QMenu*>(shown)->close();
  });
  QTest::mouseClick(w.editorBox(), Qt::RightButton, {}, QPoint(4, 4));
  settle();
  EXPECT_EQ(captions.size(), 16);
  EXPECT_EQ(events, (std::vector<std::string>{"2", "1", "2"}));
  EXPECT_TRUE(w.editorBox()->isEnabled());  // enabled again after the menu
}

TEST_F(WidgetTest, MenuChoiceRunsItsCommandAndItsMessageBoxIsAnswered) {
  c().settext(2, 2, "keep");
  // 清空表格 asks first; Cancel keeps the table.
  auto chooseClear = [](QWidget* shown) {
    auto* menu = qobject_cast<QMenu*>(shown);
    for (QAction* a : menu->actions())
      if (a->text() == "清空表格") QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
  };
  QString text, title;
  auto answer = [&](QMessageBox::StandardButton button) {
    return [&text, &title, button](QWidget* shown) {
      auto* box = qobject_cast<QMessageBox*>(shown);
      ASSERT_NE(box, nullptr);
      text = box->text();
      title = box->windowTitle();
      box->button(button)->click();
    };
  };
  whenShown([] { return QApplication::activePopupWidget(); }, chooseClear);
  whenShown([] { return QApplication::activeModalWidget(); }, answer(QMessageBox::Cancel));
  click(4, 2, Qt::RightButton);
  EXPECT_EQ(text, "表格内容将被清除，确定？");
  EXPECT_EQ(title, "温馨提示");
  EXPECT_EQ(c().gettext(2, 2), "keep");

  // The same question through the public method, answered OK.
  text.clear();
  whenShown([] { return QApplication::activeModalWidget(); }, answer(QMessageBox::Ok));
  c().m_clc();
  EXPECT_EQ(text, "表格内容将被清除，确定？");
  EXPECT_EQ(c().gettext(2, 2), "");
}

TEST_F(WidgetTest, SizeMessageIsAModalBoxWithOneButton) {
  QString text;
  int buttons = 0;
  whenShown([] { return QApplication::activeModalWidget(); }, [&](QWidget* shown) {
    auto* box = qobject_cast<QMessageBox*>(shown);
    ASSERT_NE(box, nullptr);
    text = box->text();
    buttons = int(box->buttons().size());
    box->button(QMessageBox::Ok)->click();
  });
  c().rowcol(350, 1000);
  EXPECT_EQ(text, "行或列数超出，请重新设置！");
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(c().rows(), 500);
}

TEST_F(WidgetTest, CtrlCAndCtrlVGoThroughTheSystemClipboard) {
  //      C1  C2
  //  2   a   b
  //  3   c   d
  c().settext(2, 1, "a");
  c().settext(2, 2, "b");
  c().settext(3, 1, "c");
  c().settext(3, 2, "d");
  // Drag from (2, 1) to (3, 2) with the left button.
  drag(2, 1, 3, 2);
  ASSERT_EQ(c().rr0(), 2);
  ASSERT_EQ(c().RR(), 3);
  ASSERT_EQ(c().cc(), 2);
  QGuiApplication::clipboard()->setText("stale");
  ctrlKey(Qt::Key_C);  // the Ctrl press hands the keys from the editor to the grid
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "a\tb\r\nc\td\r\n");

  click(6, 1);
  ctrlKey(Qt::Key_V);
  settle();
  EXPECT_EQ(c().gettext(6, 1), "a");
  EXPECT_EQ(c().gettext(7, 2), "d");

  // Text another program put on the clipboard.
  QGuiApplication::clipboard()->setText("x\ty\r\n");
  click(9, 1);
  ctrlKey(Qt::Key_V);
  settle();
  EXPECT_EQ(c().gettext(9, 1), "x");
  EXPECT_EQ(c().gettext(9, 2), "y");
}

TEST_F(WidgetTest, WheelNotchesArriveAsArrowKeysAtTheFocusedWidget) {
  click(12, 2);  // the editor opens over (12, 2) and has the focus
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  // The mouse rests over row 10, then one notch away from the user: three Up presses; the
  // first ends the editing, the other two move the grid's current cell.
  QMouseEvent hover(QEvent::MouseMove, centreOf(10, 2), viewport()->mapToGlobal(centreOf(10, 2)), Qt::NoButton,
                    Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(viewport(), &hover);
  wheel(viewport(), centreOf(10, 2), 120);
  EXPECT_EQ(c().grid().Row(), 10);
  EXPECT_EQ(QApplication::focusWidget(), w.gridView());
  EXPECT_FALSE(w.editorBox()->isVisible());
  // Over the editor the wheel only ends the editing.
  click(5, 3);
  ASSERT_TRUE(w.editorBox()->isVisible());
  wheel(w.editorBox(), QPoint(5, 5), -120);
  EXPECT_FALSE(w.editorBox()->isVisible());
  EXPECT_EQ(c().grid().Row(), 5);
  EXPECT_EQ(QApplication::focusWidget(), w.gridView());
}

TEST_F(WidgetTest, FocusMovingToAnotherHostWidgetEndsTheEdit) {
  QLineEdit other(&window);  // another input of the host, outside the control
  other.setGeometry(0, 0, 1, 1);
  other.show();
  // An edit no formula uses: the control lets the focus go.
  click(2, 5);
  type("9");
  ASSERT_EQ(c().focus(), FocusTarget::Editor);
  other.setFocus(Qt::MouseFocusReason);
  settle();
  EXPECT_EQ(c().focus(), FocusTarget::None);
  EXPECT_EQ(QApplication::focusWidget(), &other);
  EXPECT_EQ(c().gettext(2, 5), "9");

  // An edit of a column a formula uses: the restricted recalc runs as the edit ends, and the
  // control then gives its grid the focus, which the Qt side follows.
  c().settext(1, 1, "3");
  c().formuset(2, "C1*2");
  c().update(2);
  click(1, 1);
  w.editorBox()->selectAll();
  type("4");
  ASSERT_EQ(QApplication::focusWidget(), w.editorBox());
  other.setFocus(Qt::MouseFocusReason);
  settle();
  EXPECT_EQ(c().gettext(1, 2), "8");
  EXPECT_EQ(c().focus(), FocusTarget::Grid);
  EXPECT_EQ(QApplication::focusWidget(), w.gridView());
}

TEST_F(WidgetTest, CtrlMiddleDragFillsASeriesBelowTheSelection) {
  //      C1
  //  1   1   <- selection (1, 1)-(2, 1)
  //  2   3
  //  3..5    <- filled 5, 7, 9 by the drag
  c().settext(1, 1, "1");
  c().settext(2, 1, "3");
  drag(1, 1, 2, 1);
  ASSERT_EQ(c().RR(), 2);
  QTest::mousePress(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(2, 1));
  EXPECT_EQ(c().grid().fillMarker, 2);
  for (int32_t row = 3; row <= 5; ++row) {
    QMouseEvent move(QEvent::MouseMove, centreOf(row, 1), viewport()->mapToGlobal(centreOf(row, 1)), Qt::NoButton,
                     Qt::MiddleButton, Qt::ControlModifier);
    QApplication::sendEvent(viewport(), &move);
  }
  QTest::mouseRelease(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(5, 1));
  settle();
  EXPECT_EQ(c().gettext(3, 1), "5");
  EXPECT_EQ(c().gettext(4, 1), "7");
  EXPECT_EQ(c().gettext(5, 1), "9");
  EXPECT_EQ(c().rr0(), 1);  // the selection is restored
  EXPECT_EQ(c().RR(), 2);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), "5\r\n7\r\n9\r\n");
}

TEST_F(WidgetTest, TabInTheEditorMovesItOneColumnRight) {
  c().settext(2, 3, "next");
  click(2, 2);
  key(Qt::Key_Tab);
  settle();
  EXPECT_EQ(c().grid().Col(), 3);
  EXPECT_TRUE(w.editorBox()->isVisible());
  EXPECT_EQ(QApplication::focusWidget(), w.editorBox());
  EXPECT_EQ(w.editorBox()->text(), "next");
  EXPECT_EQ(w.editorBox()->geometry().left(), w.gridView()->geometry().left() + w.cellRect(2, 3).left());
}

TEST_F(WidgetTest, TabOnTheGridMovesToTheHostsNextWidget) {
  QLineEdit other(&window);
  other.setGeometry(0, 0, 1, 1);
  other.show();
  QWidget::setTabOrder(&w, &other);
  c().focusGrid();
  settle();
  ASSERT_EQ(QApplication::focusWidget(), w.gridView());
  key(Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), &other);
  EXPECT_EQ(c().focus(), FocusTarget::None);
  // Tab back in: the grid has the focus again, in the control too.
  other.setFocus(Qt::OtherFocusReason);
  key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(QApplication::focusWidget(), w.gridView());
  EXPECT_EQ(c().focus(), FocusTarget::Grid);
}

TEST_F(WidgetTest, DataExportAndImportGoThroughTheQtFileDialog) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("表格"));
  QStringList filters;
  QString suffix, start;
  bool saving = false;
  auto answer = [&](QWidget* shown) {
    auto* dialog = qobject_cast<QFileDialog*>(shown);
    ASSERT_NE(dialog, nullptr);
    filters = dialog->nameFilters();
    suffix = dialog->defaultSuffix();
    start = dialog->directory().absolutePath();
    saving = dialog->acceptMode() == QFileDialog::AcceptSave;
    chooseFile(dialog, dir.path(), QStringLiteral("表格"));  // typed without the suffix
  };
  c().settext(3, 2, "导出");
  whenShown([] { return QApplication::activeModalWidget(); }, answer);
  c().m_daexp();
  EXPECT_EQ(filters, QStringList{"TBQ格式文件(*.tbq)"});
  EXPECT_EQ(suffix, "tbq");
  EXPECT_TRUE(saving);
  EXPECT_EQ(start, QFileInfo(QCoreApplication::applicationFilePath()).absolutePath());
  ASSERT_TRUE(QFileInfo::exists(path + ".tbq"));

  c().settext(3, 2, "changed");
  whenShown([] { return QApplication::activeModalWidget(); }, [&](QWidget* shown) {
    auto* dialog = qobject_cast<QFileDialog*>(shown);
    ASSERT_NE(dialog, nullptr);
    saving = dialog->acceptMode() == QFileDialog::AcceptSave;
    chooseFile(dialog, dir.path(), QStringLiteral("表格.tbq"));
  });
  c().m_dainp();
  EXPECT_FALSE(saving);
  EXPECT_EQ(c().gettext(3, 2), "导出");
}

}  // namespace
}  // namespace tablique::qt_test
