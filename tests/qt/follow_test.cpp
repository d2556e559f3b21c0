// The view follows the table; keys that move by pages and to the ends; failures shown and
// signalled; every dialog in Chinese.
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

const QRgb kOutside = qRgb(0xAB, 0xAB, 0xAB);  // the view's colour beyond the last row

// Height of the grey band below the last row (pixel rows counted up from the view's bottom).
int greyBelowTheTable(const QImage& image, int x) {
  int n = 0;
  for (int y = image.height() - 1; y >= 0 && image.pixel(x, y) == kOutside; --y) ++n;
  return n;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

void scrollToTheEnd(QAbstractScrollArea* view) {
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
  QApplication::processEvents();
}

TEST_F(WidgetTest, RemovedRowsAndSmallerRowsKeepTheViewOnTheTable) {
  scrollToTheEnd(w.gridView());
  ASSERT_GT(c().grid().TopRow(), 450);
  // Smaller rows at the bottom: the scroll position moves back so that row 500 ends the view.
  for (int32_t r = 480; r <= 500; ++r) c().setrowh(r, 2.0f);
  const int rowPx = w.toPixelsY(Grid::kDefaultRowHeight), x = centreOf(1, 1).x();
  QImage image = grabGrid();
  // Less grey than the row above the top one, which no longer fits.
  EXPECT_EQ(c().grid().TopRow(), c().grid().lastTopRow());
  EXPECT_LT(greyBelowTheTable(image, x), w.toPixelsY(c().grid().RowHeight(c().grid().TopRow() - 1)));
  EXPECT_EQ(w.gridView()->verticalScrollBar()->value(), c().grid().TopRow() - 1);
  // 删除行 on the last rows, chosen from the menu.
  c().settext(470, 1, "last");
  drag(471, 1, 500, 1);
  ASSERT_EQ(c().RR(), 500);
  whenShown([] { return QApplication::activePopupWidget(); }, [](QWidget* shown) {
    auto* menu = qobject_cast<QMenu*>(shown);
    for (QAction* a : menu->actions())
      if (a->text() == "删除行") QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
  });
  click(480, 1, Qt::RightButton);
  ASSERT_EQ(c().rows(), 470);
  image = grabGrid();
  EXPECT_LT(greyBelowTheTable(image, x), rowPx);
  EXPECT_GT(darkPixels(image, w.cellRect(470, 1).adjusted(2, 2, -2, -2)), 5);  // "last" in view
  // rowcol to fewer rows than a page: no scrolling at all.
  c().rowcol(10, 5);
  settle();
  EXPECT_EQ(c().grid().TopRow(), 1);
  EXPECT_EQ(w.gridView()->verticalScrollBar()->maximum(), 0);
}

TEST_F(WidgetTest, AFileJustOpenedShowsItsFirstRows) {
  QTemporaryDir dir;
  writeFile(dir.filePath(QStringLiteral("数据.txt")), "first\tx\r\nsecond\ty\r\n");
  // The user scrolled far down with the bar; the current cell stayed on (1, 1).
  scrollToTheEnd(w.gridView());
  ASSERT_EQ(c().grid().Row(), 1);
  ASSERT_GT(c().grid().TopRow(), 450);
  whenShown([] { return QApplication::activeModalWidget(); }, [&](QWidget* shown) {
    chooseFile(qobject_cast<QFileDialog*>(shown), dir.path(), QStringLiteral("数据.txt"));
  });
  c().opentxt();
  ASSERT_EQ(c().gettext(1, 1), "first");
  const QImage image = grabGrid();
  EXPECT_EQ(c().grid().TopRow(), 1);
  EXPECT_EQ(w.gridView()->verticalScrollBar()->value(), 0);
  EXPECT_GT(darkPixels(image, w.cellRect(1, 1).adjusted(2, 2, -2, -2)), 10);
  // The same after a host's mouseset far away, then rowcol.
  c().mouseset(300, 40);
  settle();
  EXPECT_GE(c().grid().TopRow(), 270);
  EXPECT_GE(c().grid().LeftCol(), 30);
  c().rowcol(600, 50);
  settle();
  EXPECT_EQ(c().grid().TopRow(), 1);
  EXPECT_EQ(c().grid().LeftCol(), 1);
}

TEST_F(WidgetTest, ScrollingAwayFromAnEditStaysWhereTheUserScrolled) {
  c().settext(1, 1, "5");
  c().formuset(2, "C1*2");
  c().update(2);
  ASSERT_EQ(c().gettext(1, 2), "10");
  click(1, 1);
  ASSERT_TRUE(w.editorBox()->hasFocus());
  w.editorBox()->selectAll();
  type("7");
  // The bar ends the edit; its recalculation sets the current cell on (1, 1) again.
  w.gridView()->verticalScrollBar()->setValue(100);
  settle();
  EXPECT_EQ(c().gettext(1, 2), "14");
  EXPECT_EQ(c().grid().TopRow(), 101);
  EXPECT_EQ(w.gridView()->verticalScrollBar()->value(), 100);
}

TEST_F(WidgetTest, HomeEndAndPageKeysOnTheGrid) {
  c().focusGrid();
  settle();
  ASSERT_EQ(QApplication::focusWidget(), w.gridView());
  QScrollBar* bar = w.gridView()->verticalScrollBar();
  key(Qt::Key_End, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c().grid().Row(), 500);
  EXPECT_EQ(c().grid().Col(), 50);
  EXPECT_EQ(bar->value(), bar->maximum());
  EXPECT_EQ(w.gridView()->horizontalScrollBar()->value(), w.gridView()->horizontalScrollBar()->maximum());
  key(Qt::Key_Home);
  settle();
  EXPECT_EQ(c().grid().Col(), 1);
  EXPECT_EQ(w.gridView()->horizontalScrollBar()->value(), 0);
  key(Qt::Key_Home, Qt::ControlModifier);
  settle();
  EXPECT_EQ(c().grid().Row(), 1);
  EXPECT_EQ(bar->value(), 0);
  // A page is what the view shows: the row that was first below the view becomes the top row.
  const int32_t shown = c().grid().pageRows();
  EXPECT_EQ(w.cellRect(shown + 1, 1).top(), w.cellRect(shown, 1).bottom() + 1);
  EXPECT_GT(w.cellRect(shown + 1, 1).bottom(), viewport()->height() - 1);  // partly hidden
  key(Qt::Key_PageDown);
  settle();
  EXPECT_EQ(c().grid().TopRow(), 1 + shown);
  EXPECT_EQ(c().grid().Row(), 1 + shown);
  EXPECT_EQ(bar->value(), shown);
  key(Qt::Key_PageUp);
  settle();
  EXPECT_EQ(c().grid().Row(), 1);
  EXPECT_EQ(bar->value(), 0);
}

TEST_F(WidgetTest, AFailingMenuCommandIsShownAndSignalled) {
  QTemporaryDir dir;
  writeFile(dir.filePath(QStringLiteral("坏.tbq")), "\x01\x02 not a data file");
  c().settext(2, 2, "keep");
  QSignalSpy failed(&w, &Widget::commandFailed);
  QString text, title, okText;
  whenShown([] { return QApplication::activePopupWidget(); }, [](QWidget* shown) {
    auto* menu = qobject_cast<QMenu*>(shown);
    for (QAction* a : menu->actions())
      if (a->text() == "数据导入") QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
  });
  whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }, [&](QWidget* shown) {
    chooseFile(qobject_cast<QFileDialog*>(shown), dir.path(), QStringLiteral("坏.tbq"));
    // The refusal follows as soon as the dialog has closed.
    whenShown([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, [&](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      text = message->text();
      title = message->windowTitle();
      okText = message->button(QMessageBox::Ok)->text();
      message->button(QMessageBox::Ok)->click();
    });
  });
  click(3, 3, Qt::RightButton);
  WAIT_UNTIL(failed.count() == 1);
  EXPECT_EQ(failed.at(0).at(0).toString(), text);
  EXPECT_FALSE(text.isEmpty());
  EXPECT_EQ(title, "温馨提示");
  EXPECT_EQ(okText, "确定");
  EXPECT_EQ(c().gettext(2, 2), "keep");
  EXPECT_EQ(c().rows(), 500);
}

// The file dialog's own questions are the control's, in Chinese with 确定/取消 (Qt's would follow
// the system's language); 取消 keeps the dialog open for another name.
TEST_F(WidgetTest, TheFileDialogAsksInChineseBeforeReplacingAndWhenAFileIsMissing) {
  QTemporaryDir dir;
  writeFile(dir.filePath(QStringLiteral("旧.txt")), "old");
  c().settext(1, 1, "new");
  QStringList asked;
  auto answer = [&](QMessageBox::StandardButton button) {
    whenShown([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }, [&, button](QWidget* box) {
      auto* m = qobject_cast<QMessageBox*>(box);
      QStringList buttons;
      for (QAbstractButton* b : m->buttons()) buttons << b->text();
      buttons.sort();
      asked << m->windowTitle() + "|" + m->text() + "|" + buttons.join(',');
      if (QAbstractButton* b = m->button(button)) b->click(); else m->reject();
    });
  };
  whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }, [&](QWidget* shown) {
    auto* dialog = qobject_cast<QFileDialog*>(shown);
    answer(QMessageBox::Cancel);
    chooseFile(dialog, dir.path(), QStringLiteral("旧.txt"));
    EXPECT_TRUE(dialog->isVisible());  // still open: the user picks another name
    chooseFile(dialog, dir.path(), QStringLiteral("新.txt"));
  });
  c().savetxt();
  ASSERT_EQ(asked.join("\n").toStdString(), "温馨提示|文件“旧.txt”已存在，要替换它吗？|取消,确定");
  QFile old(dir.filePath(QStringLiteral("旧.txt")));
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_EQ(old.readAll(), "old");
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("新.txt"))));
  // 确定 replaces.
  asked.clear();
  whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }, [&](QWidget* shown) {
    answer(QMessageBox::Ok);
    chooseFile(qobject_cast<QFileDialog*>(shown), dir.path(), QStringLiteral("旧.txt"));
  });
  c().savetxt();
  EXPECT_EQ(asked.size(), 1);
  old.close();
  ASSERT_TRUE(old.open(QIODevice::ReadOnly));
  EXPECT_TRUE(old.readAll().startsWith("new"));
  // A name that does not exist, given to 打开文本: told, the dialog stays; then 取消.
  asked.clear();
  whenShown([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()); }, [&](QWidget* shown) {
    auto* dialog = qobject_cast<QFileDialog*>(shown);
    answer(QMessageBox::Ok);
    chooseFile(dialog, dir.path(), QStringLiteral("没有.txt"));
    EXPECT_TRUE(dialog->isVisible());
    dialog->reject();
  });
  c().opentxt();
  EXPECT_EQ(asked.join("\n").toStdString(), "温馨提示|找不到文件“没有.txt”，请检查文件名。|确定");
  EXPECT_EQ(c().gettext(1, 1), "new");
}

TEST_F(WidgetTest, EveryDialogHasChineseTitlesAndButtons) {
  struct Seen {
    QString title;
    QStringList buttons;
  };
  auto buttonsOf = [](QWidget* shown) {
    QStringList texts;
    for (QPushButton* b : shown->findChildren<QPushButton*>())
      if (b->isVisible() && !b->text().isEmpty()) texts << b->text();
    texts.sort();
    return texts;
  };
  auto cancelNext = [&](Seen& seen) {
    whenShown([] { return QApplication::activeModalWidget(); }, [&seen, buttonsOf](QWidget* shown) {
      seen = {shown->windowTitle(), buttonsOf(shown)};
      qobject_cast<QDialog*>(shown)->reject();
    });
  };
  const std::pair<QString, std::function<void()>> fileCommands[] = {
      {"保存文本文件", [&] { c().savetxt(); }}, {"打开文本文件", [&] { c().opentxt(); }},
      {"导出表格文件", [&] { c().savexls(); }}, {"导出表格文件", [&] { c().savexlsx(); }},
      {"导出数据", [&] { c().m_daexp(); }},
      {"导入数据", [&] { c().m_dainp(); }},
  };
  for (const auto& [title, command] : fileCommands) {
    Seen seen;
    cancelNext(seen);
    command();
    EXPECT_EQ(seen.title, title);
    EXPECT_TRUE(seen.buttons.contains("取消")) << seen.buttons.join(',').toStdString();
    EXPECT_TRUE(seen.buttons.contains(title.startsWith("打开") || title == "导入数据" ? "打开" : "保存"))
        << title.toStdString() << ": " << seen.buttons.join(',').toStdString();
  }
  // The formula prompt and the question of 清空表格.
  Seen prompt, question;
  c().mouseset(1, 3);
  cancelNext(prompt);
  c().m_focal();
  EXPECT_EQ(prompt.buttons, (QStringList{"取消", "确定"}));
  cancelNext(question);
  c().m_clc();
  EXPECT_EQ(question.title, "温馨提示");
  EXPECT_EQ(question.buttons, (QStringList{"取消", "确定"}));
}

}  // namespace
}  // namespace tablique::qt_test
