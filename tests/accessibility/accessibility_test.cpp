// The grid as screen readers see it, in process: the table interface, its cells and headers,
// the cache, and the events the view sends (recorded by an update handler; the run script
// starts an accessibility bus so that Qt's accessibility is active).
#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QClipboard>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <tablique/widget.h>

namespace {

using tablique::Widget;

#define WAIT_UNTIL(cond) \
  ASSERT_TRUE(QTest::qWaitFor([&] { return bool(cond); }, 5000)) << "still false: " #cond

// The events the view sends, as far as the tests compare them.
struct Seen {
  QAccessible::Event type;
  int child;
  QString name;  // the child's name (Focus, NameChanged)
  int modelChange = -1, firstRow = -1, firstColumn = -1;
};
std::vector<Seen> g_seen;

void record(QAccessibleEvent* e) {
  Seen s{e->type(), e->child(), {}};
  if (e->type() == QAccessible::TableModelChanged) {
    auto* m = static_cast<QAccessibleTableModelChangeEvent*>(e);
    s.modelChange = m->modelChangeType();
    s.firstRow = m->firstRow();
    s.firstColumn = m->firstColumn();
  } else if (QAccessibleInterface* iface = e->accessibleInterface()) {
    s.name = iface->text(QAccessible::Name);
  }
  g_seen.push_back(s);
}

int count(QAccessible::Event type) {
  return int(std::count_if(g_seen.begin(), g_seen.end(), [&](const Seen& s) { return s.type == type; }));
}
const Seen* last(QAccessible::Event type) {
  for (auto it = g_seen.rbegin(); it != g_seen.rend(); ++it)
    if (it->type == type) return &*it;
  return nullptr;
}

class Accessible : public ::testing::Test {
protected:
  void SetUp() override {
    w.control().rowcol(5, 3);
    w.control().settext(2, 1, "苹果");
    w.control().settext(1, 2, "12");
    w.resize(600, 400);
    w.show();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::processEvents();
    iface = QAccessible::queryAccessibleInterface(w.gridView());
    ASSERT_NE(iface, nullptr);
    table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
  }
  void settle() {
    QApplication::processEvents();
    QApplication::processEvents();
  }
  Widget w;
  QAccessibleInterface* iface = nullptr;
  QAccessibleTableInterface* table = nullptr;
};

TEST_F(Accessible, TableCellsAndHeadersWithAnExactIndexMapping) {
  EXPECT_EQ(iface->role(), QAccessible::Table);
  EXPECT_FALSE(iface->text(QAccessible::Name).isEmpty());
  EXPECT_EQ(table->rowCount(), 5);
  EXPECT_EQ(table->columnCount(), 3);
  QAccessibleInterface* apple = table->cellAt(1, 0);
  EXPECT_EQ(apple->text(QAccessible::Name), "苹果");
  EXPECT_EQ(apple->role(), QAccessible::Cell);
  EXPECT_EQ(apple, table->cellAt(1, 0));  // cached
  EXPECT_EQ(apple->parent(), iface);
  ASSERT_NE(apple->tableCellInterface(), nullptr);
  EXPECT_EQ(apple->tableCellInterface()->rowIndex(), 1);
  EXPECT_EQ(apple->tableCellInterface()->columnIndex(), 0);
  const auto headers = table->cellAt(0, 1)->tableCellInterface()->columnHeaderCells();
  ASSERT_EQ(headers.size(), 1);
  EXPECT_EQ(headers[0]->text(QAccessible::Name), "C2");
  EXPECT_EQ(headers[0], table->cellAt(3, 1)->tableCellInterface()->columnHeaderCells()[0]);  // not a new object each time
  EXPECT_EQ(table->cellAt(4, 2)->tableCellInterface()->rowHeaderCells()[0]->text(QAccessible::Name), "5");
  EXPECT_EQ(table->columnDescription(2), "C3");
  // Cells row-major (as the screen reader bridge computes row and column), then the headers.
  EXPECT_EQ(iface->childCount(), 5 * 3 + 3 + 5);
  for (int i = 0; i < iface->childCount(); ++i) EXPECT_EQ(iface->indexOfChild(iface->child(i)), i) << i;
  EXPECT_EQ(iface->indexOfChild(table->cellAt(2, 1)), 2 * 3 + 1);
  EXPECT_EQ(iface->child(1 * 3 + 0), apple);
  // Outside the table: a placeholder, never null, not valid.
  for (QAccessibleInterface* outside : {table->cellAt(5, 0), table->cellAt(0, 3), table->cellAt(-1, 0), iface->child(999)}) {
    ASSERT_NE(outside, nullptr);
    EXPECT_FALSE(outside->isValid());
    EXPECT_EQ(iface->indexOfChild(outside), -1);
  }
  // The current cell is the focus child; a cell at its place on screen.
  w.control().mouseset(3, 2);
  settle();
  EXPECT_EQ(iface->focusChild(), table->cellAt(2, 1));
  const QRect r = table->cellAt(2, 1)->rect();
  EXPECT_EQ(iface->childAt(r.center().x(), r.center().y()), table->cellAt(2, 1));
}

TEST_F(Accessible, CacheIsDroppedWhenTheSizeChanges) {
  QAccessibleInterface* before = table->cellAt(1, 0);
  const QAccessible::Id id = QAccessible::uniqueId(before);
  w.control().rowcol(8, 2);
  settle();
  EXPECT_EQ(table->rowCount(), 8);
  EXPECT_EQ(table->columnCount(), 2);
  EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);  // the old cell is gone
  EXPECT_EQ(table->cellAt(1, 0)->text(QAccessible::Name), "");
  for (int i = 0; i < iface->childCount(); ++i) ASSERT_EQ(iface->indexOfChild(iface->child(i)), i) << i;
}

TEST_F(Accessible, EventsFollowTheCurrentCellAndChangedTexts) {
  WAIT_UNTIL(QAccessible::isActive());
  w.gridView()->setFocus();
  settle();
  table->cellAt(0, 1);  // a cell the screen reader has read
  g_seen.clear();
  const auto previous = QAccessible::installUpdateHandler(record);
  w.control().mouseset(2, 1);
  settle();
  ASSERT_NE(last(QAccessible::Focus), nullptr);
  EXPECT_EQ(last(QAccessible::Focus)->child, 1 * 3 + 0);
  EXPECT_EQ(last(QAccessible::Focus)->name, "苹果");

  g_seen.clear();
  w.control().settext(1, 2, "13");  // a read cell changes
  w.control().settext(2, 1, "梨");  // the current cell changes
  settle();
  EXPECT_EQ(count(QAccessible::NameChanged), 2);
  bool sawRead = false, sawCurrent = false;
  for (const Seen& s : g_seen) {
    if (s.type != QAccessible::NameChanged) continue;
    sawRead |= s.child == 0 * 3 + 1 && s.name == "13";
    sawCurrent |= s.child == 1 * 3 + 0 && s.name == "梨";
  }
  EXPECT_TRUE(sawRead);
  EXPECT_TRUE(sawCurrent);
  EXPECT_EQ(count(QAccessible::ObjectReorder), 0);

  g_seen.clear();
  w.control().rowcol(4, 4);
  settle();
  ASSERT_NE(last(QAccessible::TableModelChanged), nullptr);
  EXPECT_EQ(last(QAccessible::TableModelChanged)->modelChange, QAccessibleTableModelChangeEvent::ModelReset);

  // Without the focus (another window is active) the current cell is not announced.
  QLineEdit other;
  other.show();
  QApplication::setActiveWindow(&other);
  WAIT_UNTIL(other.isActiveWindow());
  settle();
  g_seen.clear();
  w.control().mouseset(3, 3);
  settle();
  EXPECT_EQ(count(QAccessible::Focus), 0);
  QAccessible::installUpdateHandler(previous);
}

// A size change is announced once (ModelReset) with the current cell it leaves: also when a
// screen reader asked for the new counts before the view followed the change.
TEST_F(Accessible, ASizeChangeIsAnnouncedWithTheCurrentCell) {
  WAIT_UNTIL(QAccessible::isActive());
  w.gridView()->setFocus();
  w.control().mouseset(3, 2);
  settle();
  const auto previous = QAccessible::installUpdateHandler(record);
  for (bool askedFirst : {false, true}) {
    g_seen.clear();
    w.control().addrow(2);  // the current cell goes to (1, 1)
    if (askedFirst) {
      EXPECT_EQ(table->rowCount(), w.control().rows());
      EXPECT_EQ(iface->childCount(), w.control().rows() * 3 + 3 + w.control().rows());
    }
    settle();
    int resets = 0;
    for (const Seen& e : g_seen) resets += e.type == QAccessible::TableModelChanged && e.modelChange == QAccessibleTableModelChangeEvent::ModelReset;
    EXPECT_EQ(resets, 1) << askedFirst;
    ASSERT_NE(last(QAccessible::Focus), nullptr) << askedFirst;
    EXPECT_EQ(last(QAccessible::Focus)->child, 0) << askedFirst;
    EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name), QString::fromStdString(w.control().gettext(1, 1)));
    w.control().mouseset(3, 2);
    settle();
  }
  QAccessible::installUpdateHandler(previous);
}

// The current cell's new text reaches the screen reader however it came: typed in the editor,
// pasted, recomputed by a column formula when its row changes.
TEST_F(Accessible, TypedPastedAndRecomputedTextsAreAnnounced) {
  WAIT_UNTIL(QAccessible::isActive());
  w.gridView()->setFocus();
  w.control().settext(1, 1, "5");
  w.control().formuset(3, "C1*2");
  w.control().update(3);
  ASSERT_EQ(w.control().gettext(1, 3), "10");
  table->cellAt(0, 2);  // the formula cell of row 1 is read
  w.control().mouseset(1, 1);
  settle();
  const auto previous = QAccessible::installUpdateHandler(record);
  const auto announced = [&](int child, const QString& name) {
    return std::any_of(g_seen.begin(), g_seen.end(), [&](const Seen& s) {
      return s.type == QAccessible::NameChanged && s.child == child && s.name == name;
    });
  };
  g_seen.clear();
  QTest::mouseClick(w.gridView()->viewport(), Qt::LeftButton, {}, w.cellRect(1, 1).center());  // opens the editor
  settle();
  ASSERT_TRUE(w.editorBox()->hasFocus());
  w.editorBox()->selectAll();
  QTest::keyClicks(w.editorBox(), QStringLiteral("7"));
  QTest::keyClick(w.editorBox(), Qt::Key_Return);
  settle();
  EXPECT_EQ(w.control().gettext(1, 1), "7");
  EXPECT_TRUE(announced(0, "7"));    // typed
  EXPECT_EQ(w.control().gettext(1, 3), "14");
  EXPECT_TRUE(announced(2, "14"));   // recomputed
  w.control().mouseset(1, 1);
  settle();
  g_seen.clear();
  QApplication::clipboard()->setText(QStringLiteral("专业"));
  w.control().m_paste();
  settle();
  EXPECT_EQ(w.control().gettext(1, 1), "专业");
  EXPECT_TRUE(announced(0, "专业"));  // pasted
  QAccessible::installUpdateHandler(previous);
}

// After every change of the table's shape the table, its cells and headers read what the grid
// holds, by index and by (row, column), with no stale cell left.
TEST_F(Accessible, CellsFollowEveryChangeOfTheTablesShape) {
  QTimer closer;  // answers a question box, should a command ask one
  QObject::connect(&closer, &QTimer::timeout, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->accept();
  });
  closer.start(10);
  tablique::Control& c = w.control();
  c.settext(5, 3, "为什么");
  c.settext(3, 2, "😀");
  const auto expectSame = [&](const char* step) {
    settle();
    const tablique::Grid& g = c.grid();
    const int rows = c.rows(), cols = c.cols();
    ASSERT_EQ(table->rowCount(), rows) << step;
    ASSERT_EQ(table->columnCount(), cols) << step;
    ASSERT_EQ(iface->childCount(), rows * cols + cols + rows) << step;
    for (int i = 0; i < iface->childCount(); ++i) {
      QAccessibleInterface* child = iface->child(i);
      ASSERT_NE(child, nullptr) << step << " " << i;
      ASSERT_TRUE(child->isValid()) << step << " " << i;
      ASSERT_EQ(iface->indexOfChild(child), i) << step;
      const int cells = rows * cols;
      const std::string want = i < cells          ? g.textAt(i / cols + 1, i % cols + 1)
                               : i < cells + cols ? g.textAt(0, i - cells + 1)
                                                  : g.textAt(i - cells - cols + 1, 0);
      ASSERT_EQ(child->text(QAccessible::Name).toStdString(), want) << step << " " << i;
      if (i < cells) ASSERT_EQ(table->cellAt(i / cols, i % cols), child) << step;
    }
  };
  expectSame("start");
  c.addrow(2);
  expectSame("addrow");
  c.addcol(1);
  expectSame("addcol");
  c.trans();
  expectSame("trans");
  c.mouseset(2, 1);
  c.m_rowdel();
  expectSame("m_rowdel");
  c.mouseset(1, 2);
  c.m_colins();
  expectSame("m_colins");
  c.undo();
  expectSame("undo");
  c.redo();
  expectSame("redo");
  c.addrow(-3);
  expectSame("addrow -3");
  c.rowcol(0, 4);
  expectSame("rowcol 0 x 4");
  c.rowcol(3, 3);
  expectSame("rowcol 3 x 3");
}

// A screen reader that read every cell of the largest table (as one that lists the table's
// children does) must not slow each key down: a key press compared the texts of all 350000
// read cells, 0.3 to 1.5 s a key. Five key presses now take well under a second.
TEST(AccessibleLargest, KeysStayQuickAfterEveryCellWasRead) {
  WAIT_UNTIL(QAccessible::isActive());
  Widget w;
  w.control().rowcol(6998, 49);
  for (int i = 1; i <= 6998; i += 7) w.control().settext(i, 3, "专业");
  w.resize(600, 400);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  w.gridView()->setFocus();
  QApplication::processEvents();
  QAccessibleInterface* t = QAccessible::queryAccessibleInterface(w.gridView());
  for (int i = 0, n = t->childCount(); i < n; ++i) ASSERT_NE(t->child(i), nullptr);
  QElapsedTimer timer;
  timer.start();
  for (int k = 0; k < 5; ++k) {
    QTest::keyClick(w.gridView(), Qt::Key_Down);
    QApplication::processEvents();
  }
  EXPECT_LT(timer.elapsed(), 1000);
  EXPECT_EQ(w.control().grid().Row(), 6);
  // A read cell on screen still tells its new text.
  const auto previous = QAccessible::installUpdateHandler(record);
  g_seen.clear();
  w.control().settext(2, 2, "一");
  QApplication::processEvents();
  QApplication::processEvents();
  QAccessible::installUpdateHandler(previous);
  EXPECT_TRUE(std::any_of(g_seen.begin(), g_seen.end(), [](const Seen& s) {
    return s.type == QAccessible::NameChanged && s.child == 1 * 49 + 1 && s.name == "一";
  }));
}

// The widget goes while the screen reader holds its table, cells and headers: they are
// unregistered with it, and nothing is announced on the way.
TEST(AccessibleLifetime, CachedInterfacesGoWithTheWidget) {
  WAIT_UNTIL(QAccessible::isActive());
  auto* w = new Widget;
  w->control().rowcol(4, 2);
  w->control().settext(1, 1, "为什么");
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
  w->gridView()->setFocus();
  QApplication::processEvents();
  QAccessibleInterface* t = QAccessible::queryAccessibleInterface(w->gridView());
  ASSERT_NE(t, nullptr);
  std::vector<QAccessible::Id> ids = {QAccessible::uniqueId(t)};
  for (int i = 0; i < t->childCount(); ++i) ids.push_back(QAccessible::uniqueId(t->child(i)));
  EXPECT_EQ(t->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), "为什么");
  const auto previous = QAccessible::installUpdateHandler(record);
  delete w;
  QApplication::processEvents();
  QAccessible::installUpdateHandler(previous);
  for (const QAccessible::Id id : ids) EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr) << id;
}

}  // namespace

TEST_F(Accessible, TheEditorIsNamedAfterItsCellAndIsTheFocusChild) {
  w.gridView()->setFocus();
  w.control().mouseset(1, 2);
  settle();
  QTest::keyClick(w.gridView(), Qt::Key_Return);  // moves to (2, 2) and opens the editor there
  settle();
  QLineEdit* box = w.editorBox();
  ASSERT_TRUE(box->isVisible());
  EXPECT_EQ(box->accessibleName(), "C2 2");
  QAccessibleInterface* editor = QAccessible::queryAccessibleInterface(box);
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->text(QAccessible::Name), "C2 2");
  ASSERT_TRUE(box->hasFocus());
  EXPECT_EQ(iface->focusChild(), editor);
}

// --serve: a window with a small table for the screen-reader probe; the current cell moves
// between the cells holding "12" and "苹果" every half second.
int serve(QApplication& app) {
  Widget w;
  w.setWindowTitle(QStringLiteral("表格"));
  w.control().rowcol(5, 3);
  w.control().settext(2, 1, "苹果");
  w.control().settext(1, 2, "12");
  w.resize(600, 400);
  w.show();
  QApplication::setActiveWindow(&w);
  w.gridView()->setFocus();
  QTimer move;
  bool apple = false;
  QObject::connect(&move, &QTimer::timeout, [&] {
    apple = !apple;
    w.control().mouseset(apple ? 2 : 1, apple ? 1 : 2);
  });
  move.start(500);
  QTimer::singleShot(30000, &app, &QCoreApplication::quit);
  return app.exec();
}

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc > 1 && QByteArray(argv[1]) == "--serve") {
    QApplication::setApplicationName(QStringLiteral("tablique-a11y"));
    return serve(app);
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
