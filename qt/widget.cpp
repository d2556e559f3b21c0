// tablique::Widget: owns the control, places the grid view and the editor box, and keeps the
// Qt side in step with the control's state.
#include <tablique/widget.h>

#include <QAction>
#include <QApplication>
#include <QMetaObject>
#include <QResizeEvent>
#include <QScrollBar>

#include <array>
#include <cmath>

#include "accessibility.h"
#include "texts.h"
#include "widget_private.h"

namespace tablique {

namespace qt {

namespace {
constexpr double kTwipsPerInch = 1440.0;

// The grid's typeface: 宋体 where installed, otherwise a CJK face of the system.
QFont defaultGridFont() {
  QFont f;
  f.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                 QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                 QStringLiteral("Noto Sans SC")});
  f.setPointSizeF(12);
  return f;
}

QColor rgbColor(uint32_t rgb) { return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF)); }
}  // namespace

WidgetPrivate::WidgetPrivate(Widget* widget) : q(widget), gridFont(defaultGridFont()) {}

double WidgetPrivate::pxPerTwipX() const { return q->logicalDpiX() / kTwipsPerInch; }
double WidgetPrivate::pxPerTwipY() const { return q->logicalDpiY() / kTwipsPerInch; }

void WidgetPrivate::deliver(const std::function<void()>& call) {
  if (dying || !control) return;
  auto marks = [this] {
    const ControlState& st = control->state();
    const Grid& g = control->grid();
    return std::array<int32_t, 7>{st.rr0, st.cc0, st.RR, st.cc, g.fillMarker, g.FocusRect, g.HighLight};
  };
  const auto before = marks();
  try {
    call();
  } catch (const std::exception& e) {
    qWarning("tablique: a handler failed: %s", e.what());
  }
  if (view && !dying && marks() != before) view->viewport()->update();
  if (view && !dying) announceAccessibility(view);
}

void WidgetPrivate::gridChanged() {
  if (syncPending || dying) return;
  syncPending = true;
  QMetaObject::invokeMethod(q, [this] { syncFromCore(); }, Qt::QueuedConnection);
}

void WidgetPrivate::syncFromCore() {
  syncPending = false;
  if (dying) return;
  layoutGrid();
  // A command that set the current cell ends with it in view (a file just opened shows its
  // first rows, not the place scrolled to before).
  const uint32_t sets = control->grid().currentCellSets();
  if (sets != shownCurrentCellSets) {
    shownCurrentCellSets = sets;
    control->showCurrentCell();
  }
  view->syncScrollBars();
  view->viewport()->update();
  announceAccessibility(view);
}

void WidgetPrivate::layoutGrid() {
  const Grid& g = control->grid();
  const int left = q->toPixelsX(g.Left), top = q->toPixelsY(g.Top);
  const QRect r(left, top, q->toPixelsX(double(g.Left) + g.Width) - left,
                q->toPixelsY(double(g.Top) + g.Height) - top);
  if (view->geometry() != r) view->setGeometry(r);
}

void WidgetPrivate::syncEditor() {
  if (dying || !editor) return;
  const Editor& ed = control->editor();
  ++applyingCore;
  const int left = q->toPixelsX(ed.left()), top = q->toPixelsY(ed.top());
  const QRect geometry(left, top, q->toPixelsX(double(ed.left()) + ed.width()) - left,
                       q->toPixelsY(double(ed.top()) + ed.height()) - top);
  if (editor->geometry() != geometry) editor->setGeometry(geometry);
  QFont font = gridFont;
  font.setPointSizeF(std::max(1.0, double(ed.fontSize())));
  if (editor->font() != font) editor->setFont(font);
  const QColor color = rgbColor(ed.foreColor());
  QPalette pal = editor->palette();
  if (pal.color(QPalette::Text) != color) {
    pal.setColor(QPalette::Text, color);
    editor->setPalette(pal);
  }
  const Qt::Alignment align = ed.alignment() == 1   ? Qt::AlignRight
                              : ed.alignment() == 2 ? Qt::AlignHCenter
                                                    : Qt::AlignLeft;
  if ((editor->alignment() & Qt::AlignHorizontal_Mask) != align) editor->setAlignment(align | Qt::AlignVCenter);
  const QString text = QString::fromStdString(ed.text());
  if (editor->text() != text) editor->setText(text);
  if (editor->isEnabled() != ed.enabled()) editor->setEnabled(ed.enabled());
  if (editor->isVisibleTo(q) != ed.visible()) {
    // Screen readers name the editor after its cell: column header and row number.
    if (ed.visible()) {
      const Grid& g = control->grid();
      editor->setAccessibleName(QString::fromStdString(g.textAt(0, g.Col()) + " " + g.textAt(g.Row(), 0)));
    }
    editor->setVisible(ed.visible());
    if (ed.visible()) editor->raise();
  }
  --applyingCore;
}

void WidgetPrivate::applyFocus(FocusTarget target) {
  if (dying) return;
  ++applyingCore;
  if (target == FocusTarget::Grid) {
    view->setFocus(Qt::OtherFocusReason);
  } else if (target == FocusTarget::Editor) {
    syncEditor();
    editor->setFocus(Qt::OtherFocusReason);
  }
  --applyingCore;
}

bool WidgetPrivate::focusInsideControl(QWidget* w) const { return w && (w == q || q->isAncestorOf(w)); }

// Window activation and popups do not move the control's focus; neither do the moves the Qt
// side makes on the control's own request.
bool WidgetPrivate::userFocusEvent(QFocusEvent* e) const {
  if (applyingCore > 0 || dying || !control) return false;
  return e->reason() != Qt::PopupFocusReason && e->reason() != Qt::ActiveWindowFocusReason;
}

QPoint WidgetPrivate::menuPosition(float x, float y) const {
  if (haveMousePosition) return lastMouseGlobal;
  return view->viewport()->mapToGlobal(QPoint(q->toPixelsX(x), q->toPixelsY(y)));
}

QWidget* WidgetPrivate::dialogParent() const { return q->window(); }

}  // namespace qt

Widget::Widget(QWidget* parent) : QWidget(parent), d(std::make_unique<qt::WidgetPrivate>(this)) {
  qt::installAccessibility();
  setFont(d->gridFont);
  d->control = std::make_unique<Control>(d->platform);
  d->view = new qt::GridView(*d, this);
  d->editor = new qt::CellEditor(*d, this);
  d->editor->hide();
  d->control->setChangeListeners([p = d.get()] { p->gridChanged(); },
                                 [p = d.get()] { p->syncEditor(); });
  d->control->MouseDown = [this](int16_t& button, int16_t& shift, float& x, float& y) {
    emit mouseDown(button, shift, x, y);
  };
  d->undoAction = new QAction(QString::fromUtf8(qt::texts::kUndo), this);
  d->redoAction = new QAction(QString::fromUtf8(qt::texts::kRedo), this);
  connect(d->undoAction, &QAction::triggered, this, [this] { d->deliver([&] { d->control->undo(); }); });
  connect(d->redoAction, &QAction::triggered, this, [this] { d->deliver([&] { d->control->redo(); }); });
  auto followHistory = [p = d.get()] {
    if (p->dying) return;
    p->undoAction->setEnabled(p->control->canUndo());
    p->redoAction->setEnabled(p->control->canRedo());
  };
  followHistory();
  d->control->setHistoryListener(followHistory);
  setFocusProxy(d->view);
  setFocusPolicy(Qt::StrongFocus);
  d->layoutGrid();
  d->syncEditor();
  d->view->syncScrollBars();
}

Widget::~Widget() {
  d->dying = true;
  d->control->setChangeListeners(nullptr, nullptr);
  d->control->MouseDown = nullptr;
  d->control->setHistoryListener(nullptr);
  delete d->editor;
  d->editor = nullptr;
  delete d->view;
  d->view = nullptr;
}

Control& Widget::control() { return *d->control; }
const Control& Widget::control() const { return *d->control; }
QAbstractScrollArea* Widget::gridView() const { return d->view; }
QLineEdit* Widget::editorBox() const { return d->editor; }
QAction* Widget::undoAction() const { return d->undoAction; }
QAction* Widget::redoAction() const { return d->redoAction; }

int Widget::toPixelsX(double twips) const { return int(std::lround(twips * d->pxPerTwipX())); }
int Widget::toPixelsY(double twips) const { return int(std::lround(twips * d->pxPerTwipY())); }
float Widget::toTwipsX(double pixels) const { return float(pixels / d->pxPerTwipX()); }
float Widget::toTwipsY(double pixels) const { return float(pixels / d->pxPerTwipY()); }

QRect Widget::cellRect(int32_t row, int32_t col) const {
  const Grid& g = d->control->grid();
  const int32_t x = g.visibleColLeft(col), y = g.visibleRowTop(row);
  const int left = toPixelsX(x), top = toPixelsY(y);
  return QRect(left, top, toPixelsX(double(x) + g.ColWidth(col)) - left,
               toPixelsY(double(y) + g.RowHeight(row)) - top);
}

QSize Widget::sizeHint() const {
  // The control's start-up size, 10000 x 8000 twips.
  return QSize(toPixelsX(10000), toPixelsY(8000));
}

// The control gets its size in twips; the layout rule that places the grid is its own.
void Widget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  d->deliver([&] {
    d->control->resize(int32_t(std::lround(toTwipsX(width()))), int32_t(std::lround(toTwipsY(height()))));
  });
  d->layoutGrid();
  d->syncEditor();
}

// When the editor box is hidden or disabled by the control while it has the focus, Qt would
// hand the focus to the next widget of the window; keep it on the grid instead, as the
// control's own focus did not move.
bool Widget::focusNextPrevChild(bool next) {
  if (d->applyingCore > 0 && d->view) {
    ++d->applyingCore;
    d->view->setFocus(Qt::OtherFocusReason);
    --d->applyingCore;
    return true;
  }
  return QWidget::focusNextPrevChild(next);
}

void Widget::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) {
    d->gridFont = font();
    d->syncEditor();
    if (d->view) d->view->viewport()->update();
  }
}

}  // namespace tablique
