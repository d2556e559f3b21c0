// tablique::Grid: the grid view component's model. It keeps every cell text, the counts, the
// sizes in twips, the alignments, the current cell, the scroll position and the mouse cell, and
// computes the geometry (cell rectangles, hit tests) from the sizes, so that a headless host and
// the Qt view agree to the twip.
//
// Row 0 and column 0 are the one fixed row and column. An index outside the grid throws
// tablique::Error(IndexOutOfRange) naming the index.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tablique {

class GridJournal;  // src/host/grid_journal.h

namespace detail {
// The cell store's memory. A column walk (a formula over every row) touches a new 4 KiB page
// every few rows; a large store is placed on large pages where the system offers them.
void* allocateStore(size_t bytes);
void freeStore(void* p, size_t bytes);
template <typename T>
struct StoreAllocator {
  using value_type = T;
  StoreAllocator() = default;
  template <typename U>
  StoreAllocator(const StoreAllocator<U>&) {}
  T* allocate(size_t n) { return static_cast<T*>(allocateStore(n * sizeof(T))); }
  void deallocate(T* p, size_t n) { freeStore(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const StoreAllocator<U>&) const { return true; }
};

// A cell text in an undo image: its length (7 bits a byte, low bits first, the high bit set on
// every byte but the last), then its bytes; at most kImageLengthBytes + size bytes. Writing may
// touch up to kImageSlack bytes beyond the end it returns.
constexpr size_t kImageLengthBytes = 10, kImageSlack = 16;
// A text of up to 16 bytes: one length byte and one fixed copy (a string's buffer holds 16
// bytes or more), at most kShortImage bytes touched.
constexpr size_t kShortImageText = 16, kShortImage = 1 + 16;
inline char* putShortImageText(char* out, const std::string& text) {
  *out = char(text.size());
  std::memcpy(out + 1, text.data(), 16);
  return out + 1 + text.size();
}
inline char* putImageText(char* out, const std::string& text) {
  const size_t size = text.size();
  if (size <= kShortImageText) return putShortImageText(out, text);
  auto n = uint64_t(size);
  while (n >= 0x80) {
    *out++ = char(uint8_t(n) | 0x80);
    n >>= 7;
  }
  *out++ = char(n);
  std::memcpy(out, text.data(), size);
  return out + size;
}
inline std::string_view getImageText(const char*& in) {
  uint64_t n = 0;
  for (int shift = 0;; shift += 7) {
    const auto b = uint8_t(*in++);
    n |= uint64_t(b & 0x7F) << shift;
    if (b < 0x80) break;
  }
  const std::string_view text(in, size_t(n));
  in += n;
  return text;
}
}  // namespace detail

// Alignment codes as the control sets them.
enum : uint8_t {
  kAlignGeneral = 0,      // nothing set: text left, numbers right, vertically centred
  kAlignLeftCenter = 1,
  kAlignCenterTop = 3,
};

class Grid {
public:
  struct Cell {
    std::string text;
    uint8_t align = kAlignGeneral;
  };
  using CellStore = std::vector<Cell, detail::StoreAllocator<Cell>>;

  static constexpr int32_t kDefaultColWidth = 1140;   // twips
  static constexpr int32_t kDefaultRowHeight = 285;   // twips
  static constexpr uint32_t kDefaultBackColor = 0xFFFFFF;  // 0xRRGGBB
  static constexpr uint32_t kDefaultForeColor = 0x000000;

  Grid();

  // Counts, fixed row and column included. Setting drops or appends empty rows/columns at the
  // end; a count below 1 is refused.
  int32_t Rows() const { return rows_; }
  int32_t Cols() const { return cols_; }
  void setRows(int32_t n);
  void setCols(int32_t n);

  // Replaces every cell at once with an empty table of the given counts: data cells aligned
  // dataAlign, the fixed row's cells from column 1 headerAlign, the fixed column's alignments,
  // the column alignments, widths and row heights kept where their row or column remains. All
  // memory is taken before anything changes (a failure leaves the grid as it was), and a
  // smaller table gives the rest back.
  void resetEmpty(int32_t rows, int32_t cols, uint8_t dataAlign, uint8_t headerAlign);

  // The current cell.
  int32_t Row() const { return row_; }
  int32_t Col() const { return col_; }
  void setRow(int32_t r);
  void setCol(int32_t c);

  // Text of the current cell and of any cell. A text of U+0000 alone is stored as empty.
  const std::string& Text() const { return TextMatrix(row_, col_); }
  void setText(std::string_view text) { setTextMatrix(row_, col_, text); }
  const std::string& TextMatrix(int32_t r, int32_t c) const;
  void setTextMatrix(int32_t r, int32_t c, std::string_view text);
  // Unchecked fast paths for bulk operations whose indices are already known to be valid.
  const std::string& textAt(int32_t r, int32_t c) const { return cells_[index(r, c)].text; }
  // The cell's own alignment code, unchecked; column alignments set since the last read may not
  // have replaced it yet (settleAlignments).
  uint8_t ownAlignmentAt(int32_t r, int32_t c) const { return cells_[index(r, c)].align; }
  void setTextAt(int32_t r, int32_t c, std::string_view text);
  void moveTextAt(int32_t r, int32_t c, std::string&& text);
  // Bulk form for whole rows: write(k, cell) sets the text of (r, c + k) for k = 0..n-1 in
  // place (unchecked, like setTextAt); data runs kept in step, one change notification.
  template <typename Write>
  void writeRowTexts(int32_t r, int32_t c, int32_t n, Write write);

  // Alignment: per cell (CellAlignment of the current cell) over per column (ColAlignment).
  void setCellAlignment(uint8_t code);
  uint8_t CellAlignment() const { return alignmentAt(row_, col_); }
  void setColAlignment(int32_t c, uint8_t code);
  uint8_t ColAlignment(int32_t c) const;
  uint8_t alignmentAt(int32_t r, int32_t c) const;  // effective code used for painting

  // Sizes in twips. A negative size is refused (throws InvalidArgument).
  int32_t ColWidth(int32_t c) const;
  int32_t RowHeight(int32_t r) const;
  void setColWidth(int32_t c, int32_t twips);
  void setRowHeight(int32_t r, int32_t twips);

  // Move row `from` to index `to`, shifting those between (cells, sizes and alignments move).
  void setRowPosition(int32_t from, int32_t to);
  void setColPosition(int32_t from, int32_t to);
  // Insert a row at index, its cells from text split at TAB; remove a row.
  void AddItem(std::string_view text, int32_t index);
  void RemoveItem(int32_t index);
  // Insert n empty rows at index / remove n rows at index (bulk forms of AddItem and
  // RemoveItem: one pass over the cell store).
  void insertRows(int32_t index, int32_t n);
  void removeRows(int32_t index, int32_t n);
  // Insert n empty columns at index / remove n columns at index (bulk forms of ColPosition).
  void insertCols(int32_t index, int32_t n);
  void removeCols(int32_t index, int32_t n);

  // Scroll position: the first scrollable row and column shown after the fixed ones.
  // The view never scrolls past the last full page: after counts, sizes or the view's size
  // change, the scroll position reads back within lastTopRow() and lastLeftCol().
  int32_t TopRow() const { settleScroll(); return topRow_; }
  int32_t LeftCol() const { settleScroll(); return leftCol_; }
  void setTopRow(int32_t r);
  void setLeftCol(int32_t c);
  // Scrolls as little as needed so that the current cell is fully visible.
  void ensureCurrentVisible();
  // The smallest top row (left column) from which the rest of the grid fits the view.
  int32_t lastTopRow() const;
  int32_t lastLeftCol() const;
  // Rows fully visible below the fixed row from the top row on; at least 1. Upwards: the rows
  // of the page that ends just above the top row (on the first page, the rows shown).
  int32_t pageRows(bool upwards = false) const;
  // Counts every setRow and setCol (also to the same cell): a view shows the current cell when
  // a command has set it.
  uint32_t currentCellSets() const { return currentCellSets_; }

  // Geometry, in twips relative to the grid's own top-left corner, at the current scroll.
  int32_t rowTop(int32_t r) const;   // absolute from row 0, ignoring scroll
  int32_t colLeft(int32_t c) const;  // absolute from column 0, ignoring scroll
  int32_t totalHeight() const { return rowTop(rows_); }
  int32_t totalWidth() const { return colLeft(cols_); }
  int32_t visibleRowTop(int32_t r) const;   // scroll applied (fixed row never scrolls)
  int32_t visibleColLeft(int32_t c) const;
  int32_t rowAt(float y) const;  // row under a point (clamped to the last row); 0 over the fixed row
  int32_t colAt(float x) const;
  int32_t CellLeft() const { return visibleColLeft(col_); }
  int32_t CellTop() const { return visibleRowTop(row_); }
  int32_t CellWidth() const { return ColWidth(col_); }
  int32_t CellHeight() const { return RowHeight(row_); }

  // Mouse cell: set from a position by the mouse handlers, read by the control.
  void setMousePosition(float x, float y);
  int32_t MouseRow() const { return mouseRow_; }
  int32_t MouseCol() const { return mouseCol_; }

  // Display settings.
  int FocusRect = 1;
  int HighLight = 1;
  int MousePointer = 0;   // 0 default arrow, 3 text cursor
  int fillMarker = 0;     // 2 while a fill drag is armed
  uint32_t BackColor = kDefaultBackColor;
  uint32_t ForeColor = kDefaultForeColor;
  // Placement inside the control, twips.
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  // The part of that area that shows cells (a view's scroll bars excluded), twips; 0 while no
  // view has said, and then the whole area counts.
  int32_t ClientWidth = 0, ClientHeight = 0;
  int32_t viewWidth() const { return ClientWidth > 0 ? ClientWidth : Width; }
  int32_t viewHeight() const { return ClientHeight > 0 ? ClientHeight : Height; }

  // Called after every change that needs a repaint (text, counts, sizes, current cell, scroll).
  // The view coalesces: it only marks itself dirty.
  std::function<void()> changed;

  // Number of consecutive non-empty cells of column c counted from row 1 (cached; kept up to
  // date by every text change, so that formulas find a column's data run in constant time).
  int32_t dataRun(int32_t c) const;
  // The highest column 1..Cols-1 holding a non-empty cell in rows 1..Rows-1, 0 when none
  // (per-column counts, cached and kept up to date like the data runs).
  int32_t lastFilledCol() const;

  // Bytes held for cells (for the memory benchmark and tests).
  size_t cellCount() const { return cells_.size(); }

  // Undo support (src/host/grid_journal.h). While a journal is attached every change to the
  // table is written to it as the change that takes it back. replay() runs recorded changes from
  // the last to the first, moving their contents into the table and emptying `changes`; the
  // attached journal then holds the changes that take the replay back.
  void setJournal(GridJournal* journal) { journal_ = journal; }
  GridJournal* journal() const { return journal_; }
  void replay(GridJournal& changes);
  // Column alignments are applied to the cells lazily; this applies them now (a journal then
  // holds the cell codes they replaced).
  void settleAlignments() { applyColumnAlignments(); }

private:
  size_t index(int32_t r, int32_t c) const { return size_t(r) * size_t(cols_) + size_t(c); }
  void checkRow(int32_t r) const;
  void checkCol(int32_t c) const;
  void notify() const { if (changed) changed(); }
  void applyColumnAlignments() const;
  void replayCodes(GridJournal& changes);
  void forgetCodes() const { colCode_.assign(size_t(cols_), kCodesUnknown); }
  void rowsAdded(int32_t at) const;
  void textChanged(int32_t r, int32_t c, bool wasEmpty, bool isEmpty);
  char* rowImageRoom(int32_t n);
  char* rowImageLong(char*& image, char* at, const Cell* rest, int32_t n);
  void keepRowImage(int32_t r, int32_t c, int32_t n, const char* end) noexcept;
  void recordInserted(bool columns, int32_t at, int32_t n);
  void recordRemoved(bool columns, int32_t at, int32_t n);
  void reinsert(bool columns, int32_t at, int32_t n, CellStore& cells, std::vector<int32_t>& sizes,
                std::vector<uint8_t>& colAlign);
  void invalidateCaches();
  void forgetRuns() const { runLength_.assign(size_t(cols_), -1); }
  int64_t rowPosition(int32_t r) const;  // absolute top of row r, unsaturated
  int64_t colPosition(int32_t c) const;
  void rebuildRowPositions() const;
  void rebuildColPositions() const;
  void reshape(int32_t rows, int32_t cols);
  void adoptCounts(int32_t rows, int32_t cols);
  void settleScroll() const;

  int32_t rows_ = 1, cols_ = 1;
  int32_t row_ = 0, col_ = 0;
  mutable int32_t topRow_ = 1, leftCol_ = 1;  // settled lazily, see TopRow()
  uint32_t currentCellSets_ = 0;
  int32_t mouseRow_ = 0, mouseCol_ = 0;
  GridJournal* journal_ = nullptr;
  mutable CellStore cells_;    // row-major, rows_ * cols_
  std::vector<uint8_t> colAlign_;      // per column
  // Columns whose cells' own alignments a column alignment has overridden; applied to the
  // cells in one row-major pass before the next alignment is read or cells move.
  mutable std::vector<uint8_t> colAlignPending_;
  mutable bool anyColAlignPending_ = false;
  // Per column: the alignment code of its own that every cell of rows 1.. holds, or
  // kCodesUnknown. With known codes, undo and redo write an image of codes without reading the
  // codes it replaces (for the change that takes them back). The alignment pass itself still
  // reads every pending column's cells and so makes their codes known (general) again.
  static constexpr int16_t kCodesUnknown = -1;
  mutable std::vector<int16_t> colCode_;
  mutable std::vector<int32_t> runLength_;  // per column: dataRun, or -1 when not known
  mutable std::vector<int32_t> filled_;     // per column: non-empty cells in rows 1.. (when known)
  mutable bool filledKnown_ = false;
  std::vector<int32_t> colWidth_;      // per column, twips
  std::vector<int32_t> rowHeight_;     // per row, twips
  // Cached start positions, rebuilt lazily (size n+1).
  mutable std::vector<int64_t> rowPos_, colPos_;
  mutable bool rowPosDirty_ = true, colPosDirty_ = true;
};

template <typename Write>
void Grid::writeRowTexts(int32_t r, int32_t c, int32_t n, Write write) {
  if (n <= 0) return;
  Cell* cells = cells_.data() + index(r, c);
  // With a journal the old texts go into one image of the row, kept when any cell changed. The
  // room taken first holds n short texts; a longer one takes more (rowImageLong).
  char* image = journal_ ? rowImageRoom(n) : nullptr;
  char* at = image;
  bool changed = false;
  int32_t imaged = 0;  // cells whose old text the image holds
  try {
    for (int32_t k = 0; k < n; ++k) {
      std::string& text = cells[k].text;
      const size_t oldSize = text.size();
      const bool wasEmpty = oldSize == 0;
      if (image) {
        if (oldSize <= detail::kShortImageText) at = detail::putShortImageText(at, text);
        else at = rowImageLong(image, at, cells + k, n - k);
        ++imaged;
      }
      write(k, text);
      if (text.size() == 1 && text[0] == '\0') text.clear();  // U+0000 alone: an empty cell
      if (image && !changed) changed = std::string_view(at - oldSize, oldSize) != text;
      if (wasEmpty != text.empty()) textChanged(r, c + k, wasEmpty, text.empty());
    }
  } catch (...) {
    forgetRuns();  // a cell may have changed without its run being kept in step
    filledKnown_ = false;
    if (imaged > 0) keepRowImage(r, c, imaged, at);  // the cells written so far
    throw;
  }
  if (changed) keepRowImage(r, c, n, at);
  notify();
}

}  // namespace tablique
