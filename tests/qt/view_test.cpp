// The grid view: what it paints, where, and how it follows the control's size and scroll.
#include <QScrollBar>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

// Inner part of a cell, away from its grid lines and the current-cell frame.
QRect inside(const QRect& cell) { return cell.adjusted(3, 2, -3, -2); }

TEST_F(WidgetTest, PaintsHeadersRowNumbersAndCellTexts) {
  c().settext(2, 2, "123.45");
  const QImage image = grabGrid();
  //        C1   C2       C3
  //   1
  //   2         123.45
  //   3                  (empty)
  EXPECT_GT(darkPixels(image, inside(w.cellRect(2, 2))), 20);
  EXPECT_EQ(darkPixels(image, inside(w.cellRect(3, 3))), 0);
  EXPECT_GT(darkPixels(image, inside(w.cellRect(0, 1))), 5);   // "C1"
  EXPECT_GT(darkPixels(image, inside(w.cellRect(0, 10))), 5);  // "C10"
  EXPECT_GT(darkPixels(image, inside(w.cellRect(5, 0))), 3);   // "5"
  EXPECT_EQ(darkPixels(image, inside(w.cellRect(0, 0))), 0);
  // The header row is shaded, the data cells are white.
  EXPECT_NE(image.pixel(w.cellRect(0, 3).center()), image.pixel(inside(w.cellRect(3, 3)).center()));
}

TEST_F(WidgetTest, CellGeometryFollowsTheTwipsOfTheControl) {
  const double dpi = w.logicalDpiX();
  const Grid& g = c().grid();
  // Column 0 is 660 twips wide, the others 1140; rows are 285 twips high.
  EXPECT_EQ(w.cellRect(0, 0).width(), qRound(660 * dpi / 1440));
  EXPECT_EQ(w.cellRect(1, 1).left(), qRound(g.visibleColLeft(1) * dpi / 1440));
  EXPECT_EQ(w.cellRect(3, 2).top(), qRound(g.visibleRowTop(3) * w.logicalDpiY() / 1440.0));
  // A grid line is painted at each cell's right edge, nowhere inside the cell.
  const QImage image = grabGrid();
  const QRect cell = w.cellRect(3, 2);
  EXPECT_NE(image.pixel(cell.right(), cell.center().y()), qRgb(255, 255, 255));
  EXPECT_EQ(image.pixel(cell.center()), qRgb(255, 255, 255));
  // A click on the centre of a painted cell hits the same cell in the control.
  click(7, 3);
  EXPECT_EQ(g.Row(), 7);
  EXPECT_EQ(g.Col(), 3);
  EXPECT_EQ(c().rr0(), 7);
  EXPECT_EQ(c().cc0(), 3);
  // A wider column moves the cells to its right by exactly its width.
  const int before = w.cellRect(1, 4).left();
  c().setcolw(3, 40.0f);  // millimetres
  EXPECT_EQ(w.cellRect(1, 4).left() - before, qRound(g.ColWidth(3) * dpi / 1440) - qRound(1140 * dpi / 1440));
}

TEST_F(WidgetTest, ScrollBarScrollsTheRowsButNotTheHeaders) {
  c().settext(21, 1, "abc");
  QScrollBar* bar = w.gridView()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 400);  // 500 rows, about 25 visible
  bar->setValue(20);               // as a user dragging the bar
  settle();
  EXPECT_EQ(c().grid().TopRow(), 21);
  EXPECT_EQ(w.cellRect(21, 1).top(), w.cellRect(0, 1).bottom() + 1);
  const QImage image = grabGrid();
  EXPECT_GT(darkPixels(image, inside(w.cellRect(21, 1))), 10);  // now right below the headers
  EXPECT_GT(darkPixels(image, inside(w.cellRect(0, 1))), 5);
  // A click maps to the scrolled row.
  click(25, 2);
  EXPECT_EQ(c().grid().Row(), 25);
  // The control scrolling on its own (Enter near the bottom, rowcol) moves the bar, too.
  c().mouseset(400, 1);
  c().focusGrid();
  c().pressKey(13);
  settle();
  EXPECT_EQ(c().grid().Row(), 401);
  EXPECT_GT(c().grid().TopRow(), 350);
  EXPECT_EQ(bar->value(), c().grid().TopRow() - 1);
  c().rowcol(10, 3);
  settle();
  EXPECT_EQ(bar->maximum(), 0);
}

TEST_F(WidgetTest, ResizeReachesTheControlAndItsLayoutRule) {
  const double dpi = w.logicalDpiX();
  w.resize(600, 400);
  settle();
  EXPECT_EQ(c().Width(), qRound(600 * 1440 / dpi));
  EXPECT_EQ(c().grid().Width, c().Width() - 10);
  EXPECT_EQ(c().grid().Left, 5);
  const QRect placed = w.gridView()->geometry();
  EXPECT_NEAR(placed.width(), 600, 1);
  EXPECT_NEAR(placed.height(), 400, 1);
  // Below 3000 twips (200 px at 96 dpi) in either direction the grid keeps its geometry.
  w.resize(qRound(2999 * dpi / 1440) - 1, 400);
  settle();
  EXPECT_EQ(w.gridView()->geometry(), placed);
}

TEST_F(WidgetTest, BulkChangesRepaintOnce) {
  int paints = 0;
  struct Counter : QObject {
    int* n;
    explicit Counter(int* count) : n(count) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Paint) ++*n;
      return false;
    }
  } counter(&paints);
  settle();
  viewport()->installEventFilter(&counter);
  c().rowcol(2000, 20);
  for (int r = 1; r <= 2000; ++r) c().settext(r, 1, std::to_string(r));
  settle();
  viewport()->removeEventFilter(&counter);
  EXPECT_GE(paints, 1);
  EXPECT_LE(paints, 2);
}

}  // namespace
}  // namespace tablique::qt_test
