// The accessible table of the grid view, its cells and headers, and the view's events.
#include "accessibility.h"

#include <tablique/widget.h>

#include "widget_private.h"

namespace tablique::qt {

namespace {

QString cellText(const Grid& g, int row, int col) { return QString::fromStdString(g.textAt(row, col)); }

// A data cell (row, col), zero-based, of the table. Its object is the table's view.
class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
  CellAccessible(const GridAccessible* table, int row, int col) : table_(table), row_(row), col_(col) {}

  bool isValid() const override {
    const Widget* w = table_->gridWidget();
    return w && row_ >= 0 && col_ >= 0 && row_ < w->control().rows() && col_ < w->control().cols();
  }
  QObject* object() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return const_cast<GridAccessible*>(table_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override { return QAccessible::Cell; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    const Grid& g = table_->gridWidget()->control().grid();
    if (t == QAccessible::Name || t == QAccessible::Value) return cellText(g, row_ + 1, col_ + 1);
    if (t == QAccessible::Description) return cellText(g, 0, col_ + 1) + QLatin1Char(' ') + cellText(g, row_ + 1, 0);
    return {};
  }

  QRect rect() const override {
    const Widget* w = table_->gridWidget();
    if (!isValid()) return {};
    const QWidget* port = table_->view()->viewport();
    const QRect r = w->cellRect(row_ + 1, col_ + 1);
    return QRect(port->mapToGlobal(r.topLeft()), r.size());
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    const Widget* w = table_->gridWidget();
    const Grid& g = w->control().grid();
    s.selectable = true;
    s.focusable = true;
    s.selected = isSelected();
    s.focused = g.Row() == row_ + 1 && g.Col() == col_ + 1 && table_->view()->hasFocus();
    const QRect local = w->cellRect(row_ + 1, col_ + 1);
    s.invisible = !table_->view()->viewport()->rect().intersects(local);
    s.offscreen = s.invisible;
    return s;
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
  }

  // QAccessibleTableCellInterface
  bool isSelected() const override {
    if (!isValid()) return false;
    const ControlState& st = table_->gridWidget()->control().state();
    if (st.rr0 == 0 || st.cc0 == 0 || st.RR == 0 || st.cc == 0) return false;
    const int r = row_ + 1, c = col_ + 1;
    return r >= std::min(st.rr0, st.RR) && r <= std::max(st.rr0, st.RR) && c >= std::min(st.cc0, st.cc) &&
           c <= std::max(st.cc0, st.cc);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override { return {table_->columnHeader(col_)}; }
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {table_->rowHeader(row_)}; }
  int columnIndex() const override { return col_; }
  int rowIndex() const override { return row_; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return const_cast<GridAccessible*>(table_); }

  int row() const { return row_; }
  int col() const { return col_; }
  // The name last announced to screen readers (to tell a change).
  QString announcedName;

private:
  const GridAccessible* table_;
  int row_, col_;
};

// The header over data column `index` or beside data row `index`.
class HeaderAccessible : public QAccessibleInterface {
public:
  HeaderAccessible(const GridAccessible* table, bool column, int index) : table_(table), column_(column), index_(index) {}

  bool isValid() const override {
    const Widget* w = table_->gridWidget();
    return w && index_ >= 0 && index_ < (column_ ? w->control().cols() : w->control().rows());
  }
  QObject* object() const override { return nullptr; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override { return const_cast<GridAccessible*>(table_); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  void setText(QAccessible::Text, const QString&) override {}
  QAccessible::Role role() const override { return column_ ? QAccessible::ColumnHeader : QAccessible::RowHeader; }
  QString text(QAccessible::Text t) const override {
    if (!isValid() || t != QAccessible::Name) return {};
    const Grid& g = table_->gridWidget()->control().grid();
    return column_ ? cellText(g, 0, index_ + 1) : cellText(g, index_ + 1, 0);
  }
  QRect rect() const override {
    if (!isValid()) return {};
    const QRect r = column_ ? table_->gridWidget()->cellRect(0, index_ + 1) : table_->gridWidget()->cellRect(index_ + 1, 0);
    return QRect(table_->view()->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::State state() const override {
    QAccessible::State s;
    s.invalid = !isValid();
    return s;
  }
  bool isColumn() const { return column_; }
  int index() const { return index_; }

private:
  const GridAccessible* table_;
  bool column_;
  int index_;
};

QAccessibleInterface* makeCell(const GridAccessible* t, int key) {
  const int cols = t->columnCount();
  auto* cell = new CellAccessible(t, key / cols, key % cols);
  cell->announcedName = cell->text(QAccessible::Name);
  return cell;
}
QAccessibleInterface* makeColumnHeader(const GridAccessible* t, int key) { return new HeaderAccessible(t, true, key); }
QAccessibleInterface* makeRowHeader(const GridAccessible* t, int key) { return new HeaderAccessible(t, false, key); }

QAccessibleInterface* factory(const QString& className, QObject* object) {
  if (className == QLatin1String("tablique::qt::GridView"))
    if (auto* view = qobject_cast<GridView*>(object)) return new GridAccessible(view);
  return nullptr;
}

}  // namespace

void installAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

GridAccessible::GridAccessible(GridView* view) : QAccessibleWidget(view, QAccessible::Table), view_(view) {
  announcedRows_ = rowCount();  // the size a screen reader finds when it first asks
  announcedCols_ = columnCount();
}

GridAccessible::~GridAccessible() {
  dropCache();
  if (placeholder_) QAccessible::deleteAccessibleInterface(placeholder_);
}

Widget* GridAccessible::gridWidget() const {
  return view_ ? qobject_cast<Widget*>(view_->parentWidget()) : nullptr;
}
GridView* GridAccessible::view() const { return view_; }

bool GridAccessible::isValid() const { return view_ && gridWidget() && QAccessibleWidget::isValid(); }

QString GridAccessible::text(QAccessible::Text t) const {
  QString s = QAccessibleWidget::text(t);
  if (t == QAccessible::Name && s.isEmpty()) s = QStringLiteral("表格");
  return s;
}

void GridAccessible::dropCache() const {
  for (auto* ids : {&cells_, &columnHeaders_, &rowHeaders_}) {
    for (const QAccessible::Id id : *ids) QAccessible::deleteAccessibleInterface(id);
    ids->clear();
  }
}

void GridAccessible::followSize() const {
  const Widget* w = gridWidget();
  const int rows = w ? w->control().rows() : 0, cols = w ? w->control().cols() : 0;
  if (rows == rows_ && cols == cols_) return;
  dropCache();
  rows_ = rows;
  cols_ = cols;
}

int GridAccessible::rowCount() const {
  followSize();
  return rows_;
}
int GridAccessible::columnCount() const {
  followSize();
  return cols_;
}

QAccessibleInterface* GridAccessible::cached(QHash<int, QAccessible::Id>& ids, int key,
                                             QAccessibleInterface* (*make)(const GridAccessible*, int)) const {
  if (const auto it = ids.constFind(key); it != ids.cend()) return QAccessible::accessibleInterface(*it);
  QAccessibleInterface* iface = make(this, key);
  ids.insert(key, QAccessible::registerAccessibleInterface(iface));
  return iface;
}

// Never null: the bridge to the screen reader uses what it gets without a check.
QAccessibleInterface* GridAccessible::placeholder() const {
  if (!placeholder_) placeholder_ = QAccessible::registerAccessibleInterface(new CellAccessible(this, -1, -1));
  return QAccessible::accessibleInterface(placeholder_);
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
  followSize();
  if (row < 0 || column < 0 || row >= rows_ || column >= cols_) return placeholder();
  return cached(cells_, row * cols_ + column, makeCell);
}

QAccessibleInterface* GridAccessible::columnHeader(int column) const {
  followSize();
  if (column < 0 || column >= cols_) return placeholder();
  return cached(columnHeaders_, column, makeColumnHeader);
}

QAccessibleInterface* GridAccessible::rowHeader(int row) const {
  followSize();
  if (row < 0 || row >= rows_) return placeholder();
  return cached(rowHeaders_, row, makeRowHeader);
}

int GridAccessible::childCount() const {
  followSize();
  return rows_ * cols_ + cols_ + rows_;
}

QAccessibleInterface* GridAccessible::child(int index) const {
  followSize();
  const int cells = rows_ * cols_;
  if (index >= 0 && index < cells) return cellAt(index / cols_, index % cols_);
  if (index >= cells && index < cells + cols_) return columnHeader(index - cells);
  if (index >= cells + cols_ && index < cells + cols_ + rows_) return rowHeader(index - cells - cols_);
  return placeholder();
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
  followSize();
  if (const auto* cell = dynamic_cast<const CellAccessible*>(child)) {
    if (cell->table() != this || !cell->isValid()) return -1;
    return cell->row() * cols_ + cell->col();
  }
  if (const auto* h = dynamic_cast<const HeaderAccessible*>(child)) {
    if (h->parent() != this || !h->isValid()) return -1;
    return rows_ * cols_ + (h->isColumn() ? h->index() : cols_ + h->index());
  }
  return -1;
}

QAccessibleInterface* GridAccessible::childAt(int x, int y) const {
  const Widget* w = gridWidget();
  if (!w || !view_) return nullptr;
  const QPoint p = view_->viewport()->mapFromGlobal(QPoint(x, y));
  if (!view_->viewport()->rect().contains(p)) return nullptr;
  const Grid& g = w->control().grid();
  const int32_t row = g.rowAt(float(w->toTwipsY(p.y()))), col = g.colAt(float(w->toTwipsX(p.x())));
  if (row >= 1 && col >= 1) return cellAt(row - 1, col - 1);
  if (row == 0 && col >= 1) return columnHeader(col - 1);
  if (col == 0 && row >= 1) return rowHeader(row - 1);
  return nullptr;
}

QAccessibleInterface* GridAccessible::focusChild() const {
  const Widget* w = gridWidget();
  if (!w) return nullptr;
  if (w->editorBox() && w->editorBox()->hasFocus()) return QAccessible::queryAccessibleInterface(w->editorBox());
  const Grid& g = w->control().grid();
  if (g.Row() < 1 || g.Col() < 1) return nullptr;
  return cellAt(g.Row() - 1, g.Col() - 1);
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

int GridAccessible::selectedCellCount() const {
  const Widget* w = gridWidget();
  if (!w) return 0;
  const ControlState& st = w->control().state();
  if (st.rr0 == 0 || st.cc0 == 0 || st.RR == 0 || st.cc == 0) return 0;
  const qint64 n = qint64(std::abs(st.RR - st.rr0) + 1) * (std::abs(st.cc - st.cc0) + 1);
  return int(std::min<qint64>(n, INT_MAX));
}

// The selected cells, at most the first 1000 (the count says how many there are).
QList<QAccessibleInterface*> GridAccessible::selectedCells() const {
  QList<QAccessibleInterface*> out;
  const Widget* w = gridWidget();
  if (!w || selectedCellCount() == 0) return out;
  const ControlState& st = w->control().state();
  for (int r = std::min(st.rr0, st.RR); r <= std::max(st.rr0, st.RR) && out.size() < 1000; ++r)
    for (int c = std::min(st.cc0, st.cc); c <= std::max(st.cc0, st.cc) && out.size() < 1000; ++c)
      out.append(cellAt(r - 1, c - 1));
  return out;
}

QString GridAccessible::columnDescription(int column) const {
  const Widget* w = gridWidget();
  if (!w || column < 0 || column >= columnCount()) return {};
  return cellText(w->control().grid(), 0, column + 1);
}

QString GridAccessible::rowDescription(int row) const {
  const Widget* w = gridWidget();
  if (!w || row < 0 || row >= rowCount()) return {};
  return cellText(w->control().grid(), row + 1, 0);
}

// Cells are addressed by (row, column): any change but new data drops them.
void GridAccessible::modelChange(QAccessibleTableModelChangeEvent* event) {
  if (event->modelChangeType() == QAccessibleTableModelChangeEvent::DataChanged) return;
  dropCache();
  rows_ = cols_ = -1;
}

void GridAccessible::announce(bool focusIn) {
  const Widget* w = gridWidget();
  if (!w || !view_) return;
  // The size screen readers were last told (a reader may have asked for the new counts since).
  if (rowCount() != announcedRows_ || columnCount() != announcedCols_) {
    announcedRows_ = rowCount();
    announcedCols_ = columnCount();
    QAccessibleTableModelChangeEvent reset(view_, QAccessibleTableModelChangeEvent::ModelReset);
    QAccessible::updateAccessibility(&reset);  // drops the cache (modelChange)
    announcedRow_ = announcedCol_ = -1;
  }
  const int rows = rowCount(), cols = columnCount();
  const Grid& g = w->control().grid();
  const int row = g.Row() - 1, col = g.Col() - 1;
  if (row >= 0 && col >= 0 && row < rows && col < cols && view_->hasFocus() &&
      (focusIn || row != announcedRow_ || col != announcedCol_)) {
    announcedRow_ = row;
    announcedCol_ = col;
    auto* cell = static_cast<CellAccessible*>(cellAt(row, col));
    cell->announcedName = cell->text(QAccessible::Name);
    QAccessibleEvent focus(view_, QAccessible::Focus);
    focus.setChild(row * cols + col);
    QAccessible::updateAccessibility(&focus);
  }
  // A changed text of a cell the screen reader knows (typed, pasted, recomputed), on screen or
  // current: the reader reads any other cell anew when it gets there, and a reader that read
  // the whole table would otherwise cost every event a pass over all its cells.
  QList<QAccessible::Id> ids;  // the cache may grow while events go out
  const QRect port = view_->viewport()->rect();
  const int top = g.TopRow() - 1, left = g.LeftCol() - 1;
  const int bottom = g.rowAt(w->toTwipsY(port.bottom())) - 1, right = g.colAt(w->toTwipsX(port.right())) - 1;
  const auto onScreen = [&](int r, int c) { return r >= top && r <= bottom && c >= left && c <= right; };
  if (bottom < top || right < left || qint64(bottom - top + 1) * (right - left + 1) >= cells_.size()) {
    for (auto it = cells_.cbegin(); it != cells_.cend(); ++it) {
      const int r = it.key() / cols, c = it.key() % cols;
      if (onScreen(r, c) || (r == row && c == col)) ids.append(it.value());
    }
  } else {
    for (int r = top; r <= bottom; ++r)
      for (int c = left; c <= right; ++c)
        if (const auto it = cells_.constFind(r * cols + c); it != cells_.cend()) ids.append(it.value());
    if (const auto it = cells_.constFind(row * cols + col); it != cells_.cend() && !onScreen(row, col))
      ids.append(it.value());
  }
  for (const QAccessible::Id id : ids) {
    auto* cell = static_cast<CellAccessible*>(QAccessible::accessibleInterface(id));
    if (!cell) continue;
    const QString name = cell->text(QAccessible::Name);
    if (name == cell->announcedName) continue;
    cell->announcedName = name;
    QAccessibleTableModelChangeEvent data(view_, QAccessibleTableModelChangeEvent::DataChanged);
    data.setFirstRow(cell->row());
    data.setLastRow(cell->row());
    data.setFirstColumn(cell->col());
    data.setLastColumn(cell->col());
    QAccessible::updateAccessibility(&data);
    QAccessibleEvent changed(view_, QAccessible::NameChanged);
    changed.setChild(cell->row() * cols + cell->col());
    QAccessible::updateAccessibility(&changed);
  }
}

void announceAccessibility(GridView* view, bool focusIn) {
  if (!view || !QAccessible::isActive()) return;
  if (auto* t = dynamic_cast<GridAccessible*>(QAccessible::queryAccessibleInterface(view))) t->announce(focusIn);
}

}  // namespace tablique::qt
