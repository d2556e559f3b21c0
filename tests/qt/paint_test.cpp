// Painting a user does not notice: whole row numbers, texts clear of the grid lines, the
// editing frame, the armed fill marker, a clipped selection and even lines at any scale.
#include <QPainter>

#include "qt_fixture.h"

namespace tablique::qt_test {
namespace {

bool dark(QRgb p) { return qGray(p) < 100; }

// Columns of `r` holding ink, as runs separated by blank columns: (first, last) pairs.
std::vector<std::pair<int, int>> inkRuns(const QImage& image, const QRect& r) {
  std::vector<std::pair<int, int>> runs;
  for (int x = r.left(); x <= r.right(); ++x) {
    bool ink = false;
    for (int y = r.top(); y <= r.bottom() && !ink; ++y) ink = dark(image.pixel(x, y));
    if (!ink) continue;
    if (!runs.empty() && runs.back().second == x - 1) runs.back().second = x;
    else runs.emplace_back(x, x);
  }
  return runs;
}

// First and last pixel row of `r` holding ink; (-1, -1) when none.
std::pair<int, int> inkRows(const QImage& image, const QRect& r) {
  int first = -1, last = -1;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (dark(image.pixel(x, y))) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  return {first, last};
}

int pixelsOf(const QImage& image, const QRect& r, QRgb colour) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) n += image.pixel(x, y) == colour;
  return n;
}

TEST_F(WidgetTest, RowNumbersShowEveryDigitUpToTheLargestTable) {
  c().rowcol(174974, 1);  // 174975 x 2 cells, the largest two-column table
  ASSERT_EQ(c().rows(), 174974);
  for (int32_t row : {9, 99999, 100000, 174974}) {
    c().mouseset(row, 1);
    const QImage image = grabGrid();
    const QRect cell = w.cellRect(row, 0);
    const auto runs = inkRuns(image, cell.adjusted(0, 1, -2, -2));
    const int digits = int(std::to_string(row).size());
    ASSERT_EQ(int(runs.size()), digits) << "row " << row;
    EXPECT_GT(runs.front().first, cell.left()) << "row " << row << ": the first digit is cut";
    EXPECT_LT(runs.back().second, cell.right() - 1) << "row " << row;
    // The row's cells still use the grid's own font: short numbers are not shrunk.
    if (digits <= 3) EXPECT_GE(runs.back().second - runs.front().first, 5 * digits - 3);
  }
}

// The viewport painted at a device pixel ratio, as at 125 % and 150 % display scaling.
QImage paintedAt(QWidget* viewport, qreal ratio) {
  QImage image(viewport->size() * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  viewport->render(&image);
  return image;
}

// Texts stay off the grid lines at 100 % to 200 % scaling: the line rows below and above a
// text keep the line's own colour (no descender drawn into them, however faint), the ink sits
// between them, centred in a tall row.
TEST_F(WidgetTest, TextsAreCentredInTheirRowsClearOfTheGridLines) {
  c().settext(3, 1, "gjy的");
  c().settext(4, 1, "国的Tpq");
  c().settext(3, 2, "12.5");
  c().setrowh(5, 10.0f);  // a tall row: the text sits in its middle
  c().settext(5, 1, "gy国");
  const QRgb line = qRgb(0xC8, 0xC8, 0xC8);
  for (qreal ratio : {1.0, 1.25, 1.5, 2.0}) {
    const QImage image = paintedAt(viewport(), ratio);
    auto device = [ratio](int v) { return int(std::floor(v * ratio)); };
    const int emptyX = device(w.cellRect(3, 3).center().x());
    for (int32_t row : {3, 4, 5}) {
      const QRect cell = w.cellRect(row, 1);
      int above = device(cell.top()), below = device(cell.bottom() + 1);
      while (above > 0 && image.pixel(emptyX, above) != line) --above;  // the lines as drawn
      while (below > above && image.pixel(emptyX, below) != line) --below;
      ASSERT_GT(below - above, 10) << ratio;
      const QRect text(device(cell.left()) + 1, above + 1, device(cell.width()) - 3, below - above - 1);
      for (int x = text.left(); x <= text.right(); ++x) {
        ASSERT_EQ(image.pixel(x, above), line) << "ratio " << ratio << " row " << row << ": ink on the line above";
        ASSERT_EQ(image.pixel(x, below), line) << "ratio " << ratio << " row " << row << ": ink on its own line";
      }
      const auto [top, bottom] = inkRows(image, text);
      ASSERT_GE(top, 0) << "row " << row;
      const int spaceAbove = top - text.top(), spaceBelow = text.bottom() - bottom;
      EXPECT_LE(std::abs(spaceAbove - spaceBelow), 3 * ratio) << "ratio " << ratio << " row " << row;
    }
  }
  // Texts of one row share their baseline: the digits end where the Latin letters' bodies do.
  const QImage image = grabGrid();
  const QRect number = w.cellRect(3, 2);
  const auto numberRows = inkRows(image, number.adjusted(1, 0, -1, -1));
  const auto letterRows = inkRows(image, w.cellRect(3, 1).adjusted(1, 0, -1, -1));
  EXPECT_LT(numberRows.second, letterRows.second);  // g, j, y reach below the digits
}

TEST_F(WidgetTest, TheCellBeingEditedKeepsAFrame) {
  c().settext(3, 2, "abc");
  click(3, 2);
  ASSERT_TRUE(w.editorBox()->isVisible());
  settle();
  const QRect box = w.editorBox()->geometry();
  const QImage image = w.grab(box).toImage();
  int framed = 0, edge = 0;
  for (int x = 0; x < image.width(); ++x, edge += 2)
    framed += dark(image.pixel(x, 0)) + dark(image.pixel(x, image.height() - 1));
  for (int y = 0; y < image.height(); ++y, edge += 2)
    framed += dark(image.pixel(0, y)) + dark(image.pixel(image.width() - 1, y));
  EXPECT_EQ(framed, edge);
}

TEST_F(WidgetTest, AnArmedFillShowsItsMarkerOnTheSelectionsEndCell) {
  c().settext(2, 1, "1");
  c().settext(3, 1, "3");
  drag(2, 1, 3, 1);
  const QRect end = w.cellRect(3, 1);
  const QRect corner(end.right() - 6, end.bottom() - 6, 7, 7);
  const QRgb marker = qRgb(0x1A, 0x5F, 0xB4);
  ASSERT_EQ(pixelsOf(grabGrid(), corner, marker), 0);
  QTest::mousePress(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(3, 1));
  ASSERT_EQ(c().grid().fillMarker, 2);
  EXPECT_GE(pixelsOf(grabGrid(), corner, marker), 25);
  // The release ends the fill: the marker goes.
  QTest::mouseRelease(viewport(), Qt::MiddleButton, Qt::ControlModifier, centreOf(3, 1));
  settle();
  EXPECT_EQ(c().grid().fillMarker, 0);
  EXPECT_EQ(pixelsOf(grabGrid(), corner, marker), 0);
}

TEST_F(WidgetTest, ASelectionReachingPastTheTableIsHighlightedInsideIt) {
  drag(3, 2, 8, 4);
  c().focusGrid();
  c().addrow(-495);  // five rows left; the selection members keep 3..8
  ASSERT_EQ(c().rows(), 5);
  ASSERT_EQ(c().RR(), 8);
  const QImage image = grabGrid();
  const QRgb selected = qRgb(0xCC, 0xE4, 0xFF);
  for (int32_t row : {3, 4, 5})
    for (int32_t col : {2, 3, 4}) EXPECT_EQ(image.pixel(centreOf(row, col)), selected) << row << "," << col;
  EXPECT_NE(image.pixel(centreOf(2, 2)), selected);
  EXPECT_NE(image.pixel(centreOf(3, 5)), selected);
}

// Widths of the runs of line colour met along a line of device pixels, beyond `from`.
std::vector<int> lineWidths(const QImage& image, bool vertical, int at, int from) {
  const QRgb line = qRgb(0xC8, 0xC8, 0xC8);
  std::vector<int> widths;
  const int n = vertical ? image.height() : image.width();
  int run = 0;
  for (int i = from; i < n; ++i) {
    const QRgb p = vertical ? image.pixel(at, i) : image.pixel(i, at);
    if (p == line) ++run;
    else if (run) widths.push_back(std::exchange(run, 0));
  }
  return widths;
}

TEST_F(WidgetTest, GridLinesAreEvenAtFractionalScaling) {
  for (qreal ratio : {1.0, 1.25, 1.5}) {
    const QImage image = paintedAt(viewport(), ratio);
    const QPoint inCell = QPointF(QPointF(w.cellRect(4, 2).center()) * ratio).toPoint();
    const QPoint below = QPointF(QPointF(w.cellRect(1, 1).topLeft()) * ratio).toPoint();
    const auto rows = lineWidths(image, true, inCell.x(), below.y());
    const auto cols = lineWidths(image, false, inCell.y(), below.x());
    ASSERT_GE(rows.size(), 15u) << ratio;
    ASSERT_GE(cols.size(), 5u) << ratio;
    for (int width : rows) EXPECT_EQ(width, 1) << "ratio " << ratio;
    for (int width : cols) EXPECT_EQ(width, 1) << "ratio " << ratio;
  }
}

}  // namespace
}  // namespace tablique::qt_test
