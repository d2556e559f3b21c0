// The grid view: paints the control's Grid directly (no item model) and reports mouse, key,
// wheel, scroll and focus events to the control.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <vector>

#include "accessibility.h"
#include "widget_private.h"

namespace tablique::qt {

namespace {

const QColor kOutsideColor(0xAB, 0xAB, 0xAB);    // beyond the last row and column
const QColor kFixedColor(0xEC, 0xEC, 0xEC);      // header row and column
const QColor kFixedLineColor(0x90, 0x90, 0x90);
const QColor kLineColor(0xC8, 0xC8, 0xC8);
const QColor kSelectionColor(0xCC, 0xE4, 0xFF);
const QColor kCurrentColor(0x20, 0x20, 0x20);
const QColor kFillMarkerColor(0x1A, 0x5F, 0xB4);
constexpr int kPadding = 2;      // pixels between a cell's edge and its text
constexpr int kFillHandle = 6;   // side of the fill marker's square, pixels

// One device pixel wide at every scale factor, so that all grid lines look alike.
QPen hairline(const QColor& color, Qt::PenStyle style = Qt::SolidLine) {
  QPen pen(color, 0, style);
  pen.setCosmetic(true);
  return pen;
}

// Ink rows of CJK tops and Latin descenders, in device pixels relative to the baseline, as the
// painter draws the font at this pixel ratio: measured on a rendered sample, since glyphs drawn at
// 125 % or 150 % are not the logical ones scaled. Faint antialiased edges do not count.
GridView::Ink measureInk(const QFont& font, qreal ratio, const QString& sample) {
  const QFontMetrics fm(font);
  const QSize size(fm.horizontalAdvance(sample) + 8, 3 * fm.height() + 8);
  QImage image(size * ratio, QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  const int baseline = int(std::ceil(1.5 * fm.height() * ratio));
  {
    QPainter p(&image);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QPointF(4, (baseline + 0.25) / ratio), sample);
  }
  int first = -1, last = -1;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x)
      if (qGray(line[x]) < 160) {
        if (first < 0) first = y;
        last = y;
        break;
      }
  }
  if (first < 0) return {0, 0};
  return {first - baseline, last - first + 1};
}

// Device pixel row of a cosmetic line drawn at logical row y.
int deviceRow(int y, qreal ratio) { return int(std::floor(y * ratio)); }

// The font a header-column text is drawn with: the grid font, made smaller where the text
// (a row number of five or more digits) would not fit the column otherwise.
QFont fittingFont(const QFont& font, const QString& text, int width) {
  QFont f = font;
  for (int i = 0; i < 20 && QFontMetrics(f).horizontalAdvance(text) > width; ++i)
    f.setPointSizeF(f.pointSizeF() * 0.92);
  return f;
}

QColor rgbColor(uint32_t rgb) { return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)); }

// Horizontal and vertical placement of an alignment code: 0 general (numbers right, texts
// left, vertically centred); otherwise code / 3 = left, centre, right and code % 3 = top,
// centre, bottom (1 left and vertically centred, 3 centred at the top).
struct Placement {
  int horizontal;  // 0 left, 1 centre, 2 right
  int vertical;    // 0 top, 1 centre, 2 bottom
};

Placement placementOf(uint8_t code, const std::string& text) {
  if (code == kAlignGeneral || code > 8) {
    double value = 0;
    return {script::parseNumber(text, value) ? 2 : 0, 1};
  }
  return {code / 3, code % 3};
}

// One visible row or column: its index and its pixel edges in the viewport.
struct Span {
  int32_t index;
  int begin, end;
};

}  // namespace

GridView::GridView(WidgetPrivate& d, QWidget* parent) : QAbstractScrollArea(parent), d_(d) {
  setFrameShape(QFrame::NoFrame);
  // Clicks reach the control, which moves the focus itself; Tab from outside still enters.
  setFocusPolicy(Qt::TabFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int v) { scrolledByUser(Qt::Vertical, v); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
          [this](int v) { scrolledByUser(Qt::Horizontal, v); });
  autoScroll_.setInterval(50);
  connect(&autoScroll_, &QTimer::timeout, this, [this] {
    dragButtons_ = QApplication::mouseButtons() & (Qt::LeftButton | Qt::MiddleButton);
    if (dragButtons_) autoScrollStep(); else autoScroll_.stop();
  });
}

void GridView::syncScrollBars() {
  if (d_.dying) return;
  ++syncingScrollBars_;
  const Grid& g = d_.control->grid();
  QScrollBar* vs = verticalScrollBar();
  QScrollBar* hs = horizontalScrollBar();
  vs->setRange(0, g.lastTopRow() - 1);
  vs->setPageStep(g.pageRows());
  vs->setValue(g.TopRow() - 1);
  hs->setRange(0, g.lastLeftCol() - 1);
  const int colPx = std::max(1, d_.q->toPixelsX(Grid::kDefaultColWidth));
  hs->setPageStep(std::max(1, viewport()->width() / colPx - 1));
  hs->setValue(g.LeftCol() - 1);
  --syncingScrollBars_;
}

// The user moved a scroll bar: the grid scrolls, then the control hears of it.
void GridView::scrolledByUser(Qt::Orientation orientation, int value) {
  if (syncingScrollBars_ > 0 || d_.dying) return;
  const Grid& g = d_.control->grid();
  const int32_t before = orientation == Qt::Vertical ? g.TopRow() : g.LeftCol();
  if (before == value + 1) return;
  if (orientation == Qt::Vertical)
    d_.control->scrollTo(value + 1, g.LeftCol());
  else
    d_.control->scrollTo(g.TopRow(), value + 1);
  reportScroll();
}

// The scroll ends an edit, whose recalculation sets the current cell back on the edited cell;
// the view stays where the user scrolled it.
void GridView::reportScroll() {
  d_.deliver([&] { d_.control->MSFlexGrid1_Scroll(); });
  d_.shownCurrentCellSets = d_.control->grid().currentCellSets();
}

void GridView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  // The cells show in the viewport: the scroll bars are not part of it.
  d_.control->setClientSize(int32_t(d_.q->toTwipsX(viewport()->width())),
                            int32_t(d_.q->toTwipsY(viewport()->height())));
  syncScrollBars();
}

void GridView::paintEvent(QPaintEvent* e) {
  const Grid& g = d_.control->grid();
  QPainter p(viewport());
  const QRect dirty = e->rect();
  const double sx = d_.pxPerTwipX(), sy = d_.pxPerTwipY();
  auto px = [sx](int64_t twips) { return int(std::lround(double(twips) * sx)); };
  auto py = [sy](int64_t twips) { return int(std::lround(double(twips) * sy)); };

  p.fillRect(dirty, kOutsideColor);
  const int32_t rows = g.Rows(), cols = g.Cols();

  // The fixed row and column, then the scrolled rows and columns that meet the dirty rectangle
  // (found with the grid's own hit test).
  std::vector<Span> rowSpans, colSpans;
  auto addRow = [&](int32_t r) {
    const int64_t top = g.visibleRowTop(r);
    rowSpans.push_back({r, py(top), py(top + g.RowHeight(r))});
  };
  auto addCol = [&](int32_t c) {
    const int64_t left = g.visibleColLeft(c);
    colSpans.push_back({c, px(left), px(left + g.ColWidth(c))});
  };
  addRow(0);
  addCol(0);
  const int fixedBottom = rowSpans[0].end, fixedRight = colSpans[0].end;
  if (rows > 1 && dirty.bottom() >= fixedBottom) {
    const int32_t first = std::max(g.TopRow(), g.rowAt(float(std::max(dirty.top(), fixedBottom) / sy)));
    const int32_t last = g.rowAt(float((dirty.bottom() + 1) / sy));
    for (int32_t r = first; r <= last && r < rows; ++r) addRow(r);
  }
  if (cols > 1 && dirty.right() >= fixedRight) {
    const int32_t first = std::max(g.LeftCol(), g.colAt(float(std::max(dirty.left(), fixedRight) / sx)));
    const int32_t last = g.colAt(float((dirty.right() + 1) / sx));
    for (int32_t c = first; c <= last && c < cols; ++c) addCol(c);
  }
  const int gridRight = colSpans.back().end, gridBottom = rowSpans.back().end;

  // Backgrounds: cells, then the fixed row and column.
  p.fillRect(QRect(QPoint(0, 0), QPoint(gridRight - 1, gridBottom - 1)), rgbColor(g.BackColor));
  p.fillRect(QRect(0, 0, gridRight, fixedBottom), kFixedColor);
  p.fillRect(QRect(0, 0, fixedRight, gridBottom), kFixedColor);

  // The selection rectangle (the control's members, in either order).
  const ControlState& st = d_.control->state();
  if (g.HighLight != 0 && st.rr0 && st.cc0 && st.RR && st.cc &&
      (st.rr0 != st.RR || st.cc0 != st.cc)) {
    // Members left pointing past a shrunken table: the part inside it is highlighted.
    const int32_t top = std::min(st.rr0, st.RR), bottom = std::min(std::max(st.rr0, st.RR), rows - 1);
    const int32_t left = std::min(st.cc0, st.cc), right = std::min(std::max(st.cc0, st.cc), cols - 1);
    if (top <= bottom && left <= right) {
      const int y0 = std::max(fixedBottom, py(g.visibleRowTop(std::max(top, g.TopRow()))));
      const int y1 = bottom >= g.TopRow() ? py(int64_t(g.visibleRowTop(bottom)) + g.RowHeight(bottom)) : 0;
      const int x0 = std::max(fixedRight, px(g.visibleColLeft(std::max(left, g.LeftCol()))));
      const int x1 = right >= g.LeftCol() ? px(int64_t(g.visibleColLeft(right)) + g.ColWidth(right)) : 0;
      if (y1 > y0 && x1 > x0) p.fillRect(QRect(x0, y0, x1 - x0, y1 - y0), kSelectionColor);
    }
  }

  // Grid lines along each cell's right and bottom edge.
  std::vector<QLine> lines, fixedLines;
  lines.reserve(rowSpans.size() + colSpans.size());
  for (const Span& r : rowSpans) {
    (r.index == 0 ? fixedLines : lines).emplace_back(fixedRight, r.end - 1, gridRight - 1, r.end - 1);
    fixedLines.emplace_back(0, r.end - 1, fixedRight - 1, r.end - 1);
  }
  for (const Span& c : colSpans) {
    (c.index == 0 ? fixedLines : lines).emplace_back(c.end - 1, fixedBottom, c.end - 1, gridBottom - 1);
    fixedLines.emplace_back(c.end - 1, 0, c.end - 1, fixedBottom - 1);
  }
  p.setPen(hairline(kLineColor));
  p.drawLines(lines.data(), int(lines.size()));
  p.setPen(hairline(kFixedLineColor));
  p.drawLines(fixedLines.data(), int(fixedLines.size()));

  // Texts: measured once; clipped only when they do not fit their cell.
  p.setFont(d_.gridFont);
  p.setPen(rgbColor(g.ForeColor));
  const QFontMetrics fm(d_.gridFont);
  // Device pixels per logical pixel, also when the view is rendered into another device.
  const qreal scale = p.deviceTransform().m22(), ratio = scale > 0 ? scale : 1.0;
  if (inkRatio_ != ratio || inkFont_ != d_.gridFont) {
    ink_ = measureInk(d_.gridFont, ratio, QStringLiteral("国的gjy"));
    inkAccents_ = measureInk(d_.gridFont, ratio, QStringLiteral("国的gjyÁ"));
    inkRatio_ = ratio;
    inkFont_ = d_.gridFont;
  }
  bool clipping = false;
  for (const Span& r : rowSpans) {
    const int height = r.end - r.begin;
    if (height <= 0) continue;
    for (const Span& c : colSpans) {
      const std::string& text = g.textAt(r.index, c.index);
      if (text.empty()) continue;
      const int width = c.end - c.begin;
      if (width <= 0) continue;
      const QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
      int advance = fm.horizontalAdvance(s);
      const int room = width - 1 - 2 * kPadding;
      const bool shrink = c.index == 0 && advance > room;  // every digit of a row number shows
      if (shrink) {
        const QFont small = fittingFont(d_.gridFont, s, room);
        p.setFont(small);
        advance = QFontMetrics(small).horizontalAdvance(s);
      }
      const Placement place = placementOf(g.alignmentAt(r.index, c.index), text);
      int x = c.begin + kPadding;
      if (place.horizontal == 1) x = c.begin + (width - 1 - advance) / 2;
      else if (place.horizontal == 2) x = c.end - 1 - kPadding - advance;
      // Baselines on whole device pixels from the ink box; the cell's own area lies between the
      // grid line above it and its own bottom line.
      const int areaTop = r.begin == 0 ? 0 : deviceRow(r.begin - 1, ratio) + 1;
      const int areaBottom = deviceRow(r.end - 1, ratio);  // first device row past the area
      // Centred on the ink with accented capitals; where that does not fit the row, CJK tops and
      // descenders are what stays clear of the lines.
      const int area = areaBottom - areaTop, inkTop = ink_.top, inkHeight = ink_.height;
      const int lowest = areaTop - inkTop, highest = areaBottom - (inkTop + inkHeight);
      int baseline = areaTop + (area - inkAccents_.height) / 2 - inkAccents_.top;
      if (place.vertical == 0) baseline = areaTop + 1 - inkAccents_.top;
      else if (place.vertical == 2) baseline = highest - 1;
      const bool fits = advance <= room && inkHeight <= area;
      if (fits) baseline = std::clamp(baseline, lowest, highest);
      if (!fits) {
        p.setClipRect(QRectF(c.begin, areaTop / ratio, width - 1, area / ratio));
        clipping = true;
      } else if (clipping) {
        p.setClipping(false);
        clipping = false;
      }
      p.drawText(QPointF(x, (baseline + 0.25) / ratio), s);  // floor and round agree
      if (shrink) p.setFont(d_.gridFont);
    }
  }
  if (clipping) p.setClipping(false);

  auto cellBox = [&](int32_t row, int32_t col) {
    const int64_t left = g.visibleColLeft(col), top = g.visibleRowTop(row);
    return QRect(QPoint(px(left), py(top)), QPoint(px(left + g.ColWidth(col)) - 2, py(top + g.RowHeight(row)) - 2));
  };
  auto inView = [&](int32_t row, int32_t col) {
    return row >= 1 && col >= 1 && row < rows && col < cols && row >= g.TopRow() && col >= g.LeftCol();
  };
  // The current cell.
  if (g.FocusRect != 0 && inView(g.Row(), g.Col())) {
    const QRect cell = cellBox(g.Row(), g.Col());
    if (cell.intersects(dirty)) {
      p.setPen(hairline(kCurrentColor));
      p.setBrush(Qt::NoBrush);
      p.drawRect(cell);
    }
  }
  // An armed fill drag starts on the selection's end cell: a dashed frame and a square handle
  // at its lower right corner.
  if (g.fillMarker == 2 && inView(st.RR, st.cc)) {
    const QRect cell = cellBox(st.RR, st.cc);
    p.setPen(hairline(kFillMarkerColor, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(cell);
    p.fillRect(QRect(cell.right() - kFillHandle + 2, cell.bottom() - kFillHandle + 2, kFillHandle, kFillHandle),
               kFillMarkerColor);
  }
}

// ---- mouse, wheel and keys

void GridView::mousePressEvent(QMouseEvent* e) {
  d_.lastMouseGlobal = e->globalPosition().toPoint();
  d_.haveMousePosition = true;
  const int16_t button = buttonCode(e->button());
  if (button == 0) return;
  const int16_t shift = shiftState(e->modifiers());
  const float x = d_.q->toTwipsX(e->position().x()), y = d_.q->toTwipsY(e->position().y());
  d_.deliver([&] { d_.control->MSFlexGrid1_MouseDown(button, shift, x, y); });
  e->accept();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e) { mousePressEvent(e); }

void GridView::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  // A selection (left) or a fill (middle) held beyond the edge.
  if (e->buttons() & (Qt::LeftButton | Qt::MiddleButton)) {
    dragButtons_ = e->buttons() & (Qt::LeftButton | Qt::MiddleButton);
    dragPos_ = e->position().toPoint();
    dragModifiers_ = e->modifiers();
    if (!viewport()->rect().contains(dragPos_)) {
      if (!autoScroll_.isActive()) autoScroll_.start();
      return autoScrollStep();
    }
  }
  autoScroll_.stop();
  deliverMove(e->position(), e->buttons(), e->modifiers());
}

void GridView::deliverMove(QPointF at, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  const int16_t button = buttonState(buttons);
  const int16_t shift = shiftState(modifiers);
  const float x = d_.q->toTwipsX(at.x()), y = d_.q->toTwipsY(at.y());
  d_.deliver([&] { d_.control->MSFlexGrid1_MouseMove(button, shift, x, y); });
  const Qt::CursorShape shape = d_.control->grid().MousePointer == 3 ? Qt::IBeamCursor : Qt::ArrowCursor;
  if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

void GridView::autoScrollStep() {
  if (d_.dying) return autoScroll_.stop();
  const Grid& g = d_.control->grid();
  const QRect area = viewport()->rect();
  const int dy = dragPos_.y() > area.bottom() ? 1 : dragPos_.y() < 0 ? -1 : 0;
  const int dx = dragPos_.x() > area.right() ? 1 : dragPos_.x() < 0 ? -1 : 0;
  const int32_t top = g.TopRow(), left = g.LeftCol();
  d_.control->scrollTo(top + dy, left + dx);
  if (g.TopRow() != top || g.LeftCol() != left) reportScroll();
  // The end goes to the first or last cell fully shown on the side the mouse left by.
  QPoint at = dragPos_;
  const QRect first = d_.q->cellRect(g.TopRow(), g.LeftCol());
  int32_t lastCol = g.colAt(d_.q->toTwipsX(area.right()));
  if (lastCol > g.LeftCol() && int64_t(g.visibleColLeft(lastCol)) + g.ColWidth(lastCol) > g.viewWidth()) --lastCol;
  const QRect last = d_.q->cellRect(std::min(g.Rows() - 1, g.TopRow() + g.pageRows() - 1), lastCol);
  if (dy != 0) at.setY((dy > 0 ? last : first).center().y());
  if (dx != 0) at.setX((dx > 0 ? last : first).center().x());
  deliverMove(at, dragButtons_, dragModifiers_);
}

void GridView::mouseReleaseEvent(QMouseEvent* e) {
  autoScroll_.stop();
  const int16_t button = buttonCode(e->button());
  const int16_t shift = shiftState(e->modifiers());
  const float x = d_.q->toTwipsX(e->position().x()), y = d_.q->toTwipsY(e->position().y());
  d_.deliver([&] { d_.control->MSFlexGrid1_MouseUp(button, shift, x, y); });
  e->accept();
}

// One call of the grid's wheel handler per notch, +120 away from the user.
void GridView::wheelEvent(QWheelEvent* e) {
  wheelRemainder_ += e->angleDelta().y();
  while (std::abs(wheelRemainder_) >= 120) {
    const int16_t amount = wheelRemainder_ > 0 ? 120 : -120;
    wheelRemainder_ -= amount;
    d_.deliver([&] { d_.control->glidbar2_Wheel(amount); });
  }
  e->accept();
}

// Keys go where the control's focus is, as its own key delivery does: the grid's handlers, or
// the editor's while the control still counts the (hidden) editor as focused.
void GridView::keyPressEvent(QKeyEvent* e) {
  const int16_t code = virtualKeyCode(e->key());
  if (code == 0) {
    e->ignore();
    return;
  }
  const int16_t shift = keyShiftState(e);
  d_.deliver([&] {
    if (d_.control->focus() == FocusTarget::Editor) d_.control->Text1_KeyDown(code, shift);
    else d_.control->MSFlexGrid1_KeyDown(code, shift);
  });
  e->accept();
}

void GridView::keyReleaseEvent(QKeyEvent* e) {
  const int16_t code = virtualKeyCode(e->key());
  if (code == 0 || e->isAutoRepeat()) {
    e->ignore();
    return;
  }
  const int16_t shift = keyShiftState(e);
  d_.deliver([&] {
    if (d_.control->focus() == FocusTarget::Editor) d_.control->Text1_KeyUp(code, shift);
    else d_.control->MSFlexGrid1_KeyUp(code, shift);
  });
  e->accept();
}

bool GridView::event(QEvent* e) {
  // Tab is left to Qt: on the grid it moves the focus to the host's next widget, as a grid
  // among other controls does (the editor, in contrast, handles Tab itself).
  if (e->type() == QEvent::ShortcutOverride) {
    // The control's own keys win over the host's shortcuts while the grid has the focus.
    auto* k = static_cast<QKeyEvent*>(e);
    const int16_t code = virtualKeyCode(k->key());
    const int16_t shift = shiftState(k->modifiers());
    const bool clipboardKey = shift == 2 && (code == 67 || code == 86 || code == 88);
    const bool historyKey = (shift == 2 && (code == 89 || code == 90)) || (shift == 3 && code == 90);
    const bool gridKey = code == 13 || code == 46 || (code >= 33 && code <= 40);
    if (clipboardKey || historyKey || gridKey) {
      e->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

// ---- focus

void GridView::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  if (d_.userFocusEvent(e)) d_.deliver([&] { d_.control->focusGrid(); });
  announceAccessibility(this, true);  // the current cell, after the view's own focus event
}

void GridView::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  if (d_.userFocusEvent(e) && !d_.focusInsideControl(QApplication::focusWidget()))
    d_.deliver([&] { d_.control->focusOut(); });
}

}  // namespace tablique::qt
