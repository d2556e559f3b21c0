// Screen readers read the grid: an accessible table over the grid view (data cells in
// row-major order, then the column headers, then the row headers), created lazily and cached,
// and the events the view sends when the current cell moves, a cell's text changes or the
// table's size changes.
#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>

#include <cstdint>

namespace tablique {
class Widget;
class Grid;
}

namespace tablique::qt {

class GridView;

// Installs the factory that gives every grid view its table interface (once per process).
void installAccessibility();

// After the view followed the control: the events screen readers need (nothing unless an
// assistive technology is active). `focusIn`: the view has just received the focus.
void announceAccessibility(GridView* view, bool focusIn = false);

class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
  explicit GridAccessible(GridView* view);
  ~GridAccessible() override;

  // QAccessibleInterface
  bool isValid() const override;
  QString text(QAccessible::Text t) const override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  // QAccessibleTableInterface
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override;
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int row) const override;
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return 0; }
  int columnCount() const override;
  int rowCount() const override;
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override { return {}; }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int) const override { return false; }
  bool selectRow(int) override { return false; }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int) override { return false; }
  bool unselectColumn(int) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  // The objects behind the interfaces (null once the widget is gone).
  Widget* gridWidget() const;
  GridView* view() const;
  QAccessibleInterface* columnHeader(int column) const;
  QAccessibleInterface* rowHeader(int row) const;
  QAccessibleInterface* placeholder() const;

  // The events since the last call (see announceAccessibility); `focusIn`: the view has just
  // received the focus, so the current cell is announced again.
  void announce(bool focusIn);

private:
  // Table rows and columns = the grid's data rows and columns; the cache is dropped when they
  // change.
  void followSize() const;
  void dropCache() const;
  QAccessibleInterface* cached(QHash<int, QAccessible::Id>& ids, int key, QAccessibleInterface* (*make)(const GridAccessible*, int)) const;

  QPointer<GridView> view_;
  mutable int rows_ = -1, cols_ = -1;
  mutable QHash<int, QAccessible::Id> cells_, columnHeaders_, rowHeaders_;
  mutable QAccessible::Id placeholder_ = 0;
  int announcedRow_ = -1, announcedCol_ = -1;
  int announcedRows_ = -1, announcedCols_ = -1;
};

}  // namespace tablique::qt
