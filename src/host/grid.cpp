// The grid view component's model: cell store, sizes and geometry.
#include <tablique/error.h>
#include <tablique/grid.h>

#include "host/grid_journal.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <mutex>
#include <type_traits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>

namespace tablique {

namespace detail {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
constexpr size_t kLargePage = size_t(2) << 20;
// Stores from 4 MiB on: aligned to a large page and marked for large pages before first use.
bool onLargePages(size_t bytes) { return bytes >= 2 * kLargePage; }

void* allocateStore(size_t bytes) {
  if (!onLargePages(bytes)) return ::operator new(bytes);
  const size_t size = (bytes + kLargePage - 1) & ~(kLargePage - 1);
  void* p = std::aligned_alloc(kLargePage, size);
  if (!p) throw std::bad_alloc();
  ::madvise(p, size, MADV_HUGEPAGE);  // advice only: a refusal changes nothing
  return p;
}

void freeStore(void* p, size_t bytes) {
  if (!onLargePages(bytes)) ::operator delete(p);
  else std::free(p);
}

std::atomic<size_t> g_mappedImages{0};
size_t mappedImageBytes() { return g_mappedImages.load(std::memory_order_relaxed); }

// Large pages given back by finished steps, kept for the next step: a page new from the system
// costs a fault and its clearing (several ms per full-table step on a virtual machine), a kept
// one is used as it is. At most kKeptPages; all go back when no large image is in use.
constexpr size_t kKeptPages = 4;
std::mutex g_keptLock;
void* g_kept[kKeptPages];
size_t g_keptCount = 0;

void* takeKeptPage() {
  std::lock_guard<std::mutex> lock(g_keptLock);
  return g_keptCount ? g_kept[--g_keptCount] : nullptr;
}

// Keeps a page of exactly kLargePage bytes, or gives it back to the system.
void releasePage(void* p, size_t size) noexcept {
  {
    std::lock_guard<std::mutex> lock(g_keptLock);
    if (size == kLargePage && g_keptCount < kKeptPages && g_mappedImages.load() > 0) {
      g_kept[g_keptCount++] = p;
      return;
    }
  }
  ::munmap(p, size);
}

void releaseKeptPagesIfIdle() noexcept {
  std::lock_guard<std::mutex> lock(g_keptLock);
  if (g_mappedImages.load() > 0) return;
  while (g_keptCount) ::munmap(g_kept[--g_keptCount], kLargePage);
}

// Large images are mapped on their own, so that they neither sit in nor move the allocator's
// heap, and a shrunk one gives its end back to the system.
void* allocateImage(size_t bytes) {
  if (bytes < kLargeImage) {  // not mapped
    void* p = std::malloc(bytes);
    if (!p) throw std::bad_alloc();
    return p;
  }
  const size_t size = (bytes + kLargePage - 1) & ~(kLargePage - 1);
  if (size == kLargePage) {
    if (void* kept = takeKeptPage()) {
      g_mappedImages += size;
      return kept;
    }
  }
  void* m = ::mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  const auto at = reinterpret_cast<uintptr_t>(m);
  const uintptr_t aligned = (at + kLargePage - 1) & ~uintptr_t(kLargePage - 1);
  if (aligned > at) ::munmap(m, aligned - at);
  ::munmap(reinterpret_cast<void*>(aligned + size), at + kLargePage - aligned);
  ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);  // advice only
  g_mappedImages += size;
  return reinterpret_cast<void*>(aligned);
}

// A single large page at most half used moves its image to the heap and is kept for reuse; one
// used further stays whole (cutting it would split the page and lose it for reuse). A larger
// image gives back its end.
void* shrinkImage(void* p, size_t& capacity, size_t used, bool& mapped) noexcept {
  if (!mapped) {
    void* q = std::realloc(p, used);  // shrinks in place or not at all
    if (!q) return p;
    capacity = used;
    return q;
  }
  if (capacity == kLargePage) {
    if (used > kLargePage / 2) return p;
    void* q = std::malloc(std::max<size_t>(used, 1));
    if (!q) return p;
    std::memcpy(q, p, used);
    freeImage(p, capacity, true);
    capacity = std::max<size_t>(used, 1);
    mapped = false;
    return q;
  }
  constexpr size_t kPage = 4096;
  const size_t keep = (used + kPage - 1) & ~(kPage - 1);
  if (keep < capacity && ::munmap(static_cast<char*>(p) + keep, capacity - keep) == 0) {
    g_mappedImages -= capacity - keep;
    capacity = keep;
  }
  return p;
}

void freeImage(void* p, size_t capacity, bool mapped) noexcept {
  if (!mapped) {
    std::free(p);
    return;
  }
  g_mappedImages -= capacity;
  releasePage(p, capacity);
  releaseKeptPagesIfIdle();
}
#else
void* allocateStore(size_t bytes) { return ::operator new(bytes); }
void freeStore(void* p, size_t) { ::operator delete(p); }
void* allocateImage(size_t bytes) {
  void* p = std::malloc(bytes);
  if (!p) throw std::bad_alloc();
  return p;
}
void* shrinkImage(void* p, size_t& capacity, size_t used, bool&) noexcept {
  void* q = std::realloc(p, used);
  if (!q) return p;
  capacity = used;
  return q;
}
void freeImage(void* p, size_t, bool) noexcept { std::free(p); }
size_t mappedImageBytes() { return 0; }
#endif

}  // namespace detail

namespace {

[[noreturn]] void outOfRange(const char* what, int32_t index, int32_t count) {
  throw Error(ErrorCode::IndexOutOfRange, std::string(what) + " index " + std::to_string(index) +
                                              " is outside the grid (0.." +
                                              std::to_string(count - 1) + ")");
}

// A text of U+0000 alone is an empty cell.
bool isNulCell(std::string_view text) { return text.size() == 1 && text[0] == '\0'; }

// Rows moving up (a removal) or down (a removal taken back) move every cell below them. The
// cells' moves are kept inline: left to the compiler's judgement the string moves may become
// calls, and that made either way a fifth dearer than the other, depending on the build.
#if defined(__GNUC__)
#define TABLIQUE_FLATTEN __attribute__((flatten))
#else
#define TABLIQUE_FLATTEN
#endif
TABLIQUE_FLATTEN void moveCells(Grid::Cell* first, Grid::Cell* last, Grid::Cell* out) {
  std::move(first, last, out);
}
TABLIQUE_FLATTEN void moveCellsBackward(Grid::Cell* first, Grid::Cell* last, Grid::Cell* outEnd) {
  std::move_backward(first, last, outEnd);
}
#undef TABLIQUE_FLATTEN
// Erases the n cells from `from`: the cells after them move up and the store's end goes.
void eraseCells(Grid::CellStore& cells, size_t from, size_t n) {
  moveCells(cells.data() + from + n, cells.data() + cells.size(), cells.data() + from);
  cells.resize(cells.size() - n);
}

}  // namespace

Grid::Grid() { reshape(2, 2); }

void Grid::checkRow(int32_t r) const {
  if (r < 0 || r >= rows_) outOfRange("row", r, rows_);
}
void Grid::checkCol(int32_t c) const {
  if (c < 0 || c >= cols_) outOfRange("column", c, cols_);
}

// The new counts: the current cell and the scroll position stay inside, positions are redone.
void Grid::adoptCounts(int32_t rows, int32_t cols) {
  rows_ = rows;
  cols_ = cols;
  row_ = std::min(row_, rows_ - 1);
  col_ = std::min(col_, cols_ - 1);
  topRow_ = std::clamp(topRow_, 1, std::max(1, rows_ - 1));
  leftCol_ = std::clamp(leftCol_, 1, std::max(1, cols_ - 1));
  rowPosDirty_ = colPosDirty_ = true;
}

// Rebuilds the row-major store for a new shape, keeping the cells that remain.
void Grid::reshape(int32_t rows, int32_t cols) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  colCode_.reserve(size_t(cols));  // the resize below then cannot fail
  if (cols == cols_ && !cells_.empty()) {
    cells_.resize(size_t(rows) * size_t(cols));
  } else {
    CellStore next(size_t(rows) * size_t(cols));
    const int32_t keepRows = std::min(rows, rows_), keepCols = std::min(cols, cols_);
    if (!cells_.empty()) {
      for (int32_t r = 0; r < keepRows; ++r)
        for (int32_t c = 0; c < keepCols; ++c)
          next[size_t(r) * size_t(cols) + size_t(c)] = std::move(cells_[index(r, c)]);
    }
    cells_ = std::move(next);
  }
  colAlign_.resize(size_t(cols), kAlignGeneral);
  colWidth_.resize(size_t(cols), kDefaultColWidth);
  rowHeight_.resize(size_t(rows), kDefaultRowHeight);
  colCode_.resize(size_t(cols), kAlignGeneral);  // new columns' cells hold no code
  if (rows > rows_) rowsAdded(rows_);
  adoptCounts(rows, cols);
}

// Rows of cells without codes of their own came in at `at`: a column's known code stays known
// only when it is general; rows inserted at 0 make the old fixed row a scrollable one.
void Grid::rowsAdded(int32_t at) const {
  if (at == 0) return forgetCodes();
  for (int16_t& code : colCode_)
    if (code != kAlignGeneral) code = kCodesUnknown;
}

void Grid::resetEmpty(int32_t rows, int32_t cols, uint8_t dataAlign, uint8_t headerAlign) {
  if (rows < 1 || cols < 1)
    throw Error(ErrorCode::InvalidArgument,
                "table of " + std::to_string(rows) + " x " + std::to_string(cols) + " refused");
  applyColumnAlignments();
  CellStore next(size_t(rows) * size_t(cols));
  auto resized = [](const auto& v, int32_t n, auto fill) {
    std::decay_t<decltype(v)> out(v.begin(), v.begin() + std::min<std::ptrdiff_t>(std::ssize(v), n));
    out.resize(size_t(n), fill);
    return out;
  };
  auto align = resized(colAlign_, cols, uint8_t(kAlignGeneral));
  auto widths = resized(colWidth_, cols, kDefaultColWidth);
  auto heights = resized(rowHeight_, rows, kDefaultRowHeight);
  colCode_.reserve(size_t(cols));
  std::unique_ptr<journal::TableImage> old;
  if (journal_) {
    old = std::make_unique<journal::TableImage>();
    journal_->reserveOne();
  }
  // Nothing below throws: the new table replaces the old one.
  for (int32_t c = 1; c < cols; ++c) next[size_t(c)].align = headerAlign;
  for (int32_t r = 0; r < std::min(rows, rows_); ++r) next[size_t(r) * size_t(cols)].align = cells_[index(r, 0)].align;
  for (int32_t r = 1; r < rows; ++r)
    for (int32_t c = 1; c < cols; ++c) next[size_t(r) * size_t(cols) + size_t(c)].align = dataAlign;
  cells_.swap(next);
  colAlign_.swap(align);
  colWidth_.swap(widths);
  rowHeight_.swap(heights);
  if (journal_) {
    *old = {rows_, cols_, std::move(next), std::move(align), std::move(widths), std::move(heights)};
    journal_->add(journal::Table{std::move(old)});
  }
  colAlignPending_.clear();
  colCode_.assign(size_t(cols), dataAlign);
  colCode_[0] = kCodesUnknown;  // the fixed column's codes stay where their rows remain
  runLength_.clear();
  filled_.clear();
  filledKnown_ = false;
  rowPos_.clear();
  rowPos_.shrink_to_fit();
  colPos_.clear();
  colPos_.shrink_to_fit();
  adoptCounts(rows, cols);
  notify();
}

void Grid::setRows(int32_t n) {
  if (n < 1) throw Error(ErrorCode::InvalidArgument, "row count " + std::to_string(n) + " refused");
  if (n == rows_) return;
  if (!journal_) {
    reshape(n, cols_);
  } else if (n > rows_) {
    const int32_t at = rows_;
    journal_->reserveOne();
    reshape(n, cols_);
    recordInserted(false, at, n - at);
  } else {
    applyColumnAlignments();
    recordRemoved(false, n, rows_ - n);
    reshape(n, cols_);
  }
  notify();
}

void Grid::setCols(int32_t n) {
  if (n < 1)
    throw Error(ErrorCode::InvalidArgument, "column count " + std::to_string(n) + " refused");
  if (n == cols_) return;
  if (!journal_) {
    reshape(rows_, n);
  } else if (n > cols_) {
    const int32_t at = cols_;
    journal_->reserveOne();
    reshape(rows_, n);
    recordInserted(true, at, n - at);
  } else {
    applyColumnAlignments();
    recordRemoved(true, n, cols_ - n);
    reshape(rows_, n);
  }
  notify();
}

void Grid::setRow(int32_t r) {
  checkRow(r);
  row_ = r;
  ++currentCellSets_;
  notify();
}

void Grid::setCol(int32_t c) {
  checkCol(c);
  col_ = c;
  ++currentCellSets_;
  notify();
}

const std::string& Grid::TextMatrix(int32_t r, int32_t c) const {
  checkRow(r);
  checkCol(c);
  return cells_[index(r, c)].text;
}

void Grid::setTextMatrix(int32_t r, int32_t c, std::string_view text) {
  checkRow(r);
  checkCol(c);
  setTextAt(r, c, text);
}

void Grid::setTextAt(int32_t r, int32_t c, std::string_view text) {
  std::string& cell = cells_[index(r, c)].text;
  if (isNulCell(text)) text = {};
  if (cell == text) return;
  const bool wasEmpty = cell.empty();
  if (journal_) journal_->cellText(r, c, cell);
  cell.assign(text.data(), text.size());
  textChanged(r, c, wasEmpty, cell.empty());
  notify();
}

void Grid::moveTextAt(int32_t r, int32_t c, std::string&& text) {
  if (isNulCell(text)) text.clear();
  std::string& cell = cells_[index(r, c)].text;
  const bool wasEmpty = cell.empty();
  if (journal_ && cell != text) journal_->cellText(r, c, cell);
  cell = std::move(text);
  textChanged(r, c, wasEmpty, cell.empty());
  notify();
}

// ---- the journal's slow paths

void GridJournal::newCellText(int32_t r, int32_t c, const std::string& old) {
  char* at = imageRoom(kCellMost + old.size());
  keepImage(r, c, 1, detail::putImageText(at, old));
}

char* GridJournal::newImageRoom(size_t most) {
  reserveOne();
  return texts.room(most);
}

// Extends the last change when it is a Cells change that the cells follow on from and its image
// ends where this one starts; otherwise a new change (room for it was taken with the bytes).
void GridJournal::keepNewImage(int32_t r, int32_t c, int32_t w, const char* end, bool codes) noexcept {
  const uint32_t chunk = texts.lastChunk();
  const size_t from = texts.end(), length = size_t(end - (texts.data(chunk) + from));
  texts.setEnd(from + length);
  journal::Cells* last = changes.empty() ? nullptr : std::get_if<journal::Cells>(&changes.back());
  if (last && last->codes == codes && last->chunk == chunk && last->offset + last->length == from) {
    const bool down = last->c == c && last->w == w && r == last->r + last->h;
    if (down || (!codes && last->h == 1 && last->r == r && c == last->c + last->w)) {
      last->length += length;
      if (down) ++last->h;
      else last->w += w;
      open_ = last;
      return;
    }
  }
  changes.emplace_back(journal::Cells{r, c, w, 1, chunk, codes, from, length});
  open_ = std::get_if<journal::Cells>(&changes.back());
}

// Room in the journal for the image of n cells' short texts (writeRowTexts).
char* Grid::rowImageRoom(int32_t n) {
  return journal_->imageRoom(size_t(n) * detail::kShortImage + detail::kImageSlack);
}

// A text longer than a short one at `at` of the row image from `image`, with n cells from it
// left to image: when the room taken does not hold it and the rest, the image so far moves to
// larger room (`image` then says where). Returns the end of its image.
char* Grid::rowImageLong(char*& image, char* at, const Cell* rest, int32_t n) {
  const size_t done = size_t(at - image);
  const size_t need = done + detail::kImageLengthBytes + rest->text.size() + size_t(n - 1) * detail::kShortImage +
                      detail::kImageSlack;
  if (journal_->texts.spare() < need) {
    size_t most = done + size_t(n) * (detail::kImageLengthBytes + detail::kImageSlack);
    for (int32_t k = 0; k < n; ++k) most += rest[k].text.size();
    char* room = journal_->imageRoom(most);  // a new chunk: the spare room is too small
    std::memcpy(room, image, done);
    image = room;
    at = room + done;
  }
  return detail::putImageText(at, rest->text);
}

void Grid::keepRowImage(int32_t r, int32_t c, int32_t n, const char* end) noexcept {
  journal_->keepImage(r, c, n, end);
}

// Keeps the cached data run of column c in step with a cell that became empty or filled.
void Grid::textChanged(int32_t r, int32_t c, bool wasEmpty, bool isEmpty) {
  if (wasEmpty == isEmpty || r < 1) return;
  if (filledKnown_) filled_[size_t(c)] += isEmpty ? -1 : 1;
  if (size_t(c) >= runLength_.size()) return;
  int32_t& run = runLength_[size_t(c)];
  if (run < 0) return;
  if (isEmpty && r <= run) run = r - 1;          // the run now ends above r
  else if (!isEmpty && r == run + 1) run = -1;   // the run grows: count again when asked
}

int32_t Grid::dataRun(int32_t c) const {
  checkCol(c);
  if (runLength_.size() != size_t(cols_)) forgetRuns();
  int32_t& run = runLength_[size_t(c)];
  if (run < 0) {
    run = 0;
    while (run + 1 < rows_ && !cells_[index(run + 1, c)].text.empty()) ++run;
  }
  return run;
}

int32_t Grid::lastFilledCol() const {
  if (!filledKnown_) {
    filled_.assign(size_t(cols_), 0);
    for (int32_t r = 1; r < rows_; ++r)
      for (int32_t c = 0; c < cols_; ++c) filled_[size_t(c)] += !cells_[index(r, c)].text.empty();
    filledKnown_ = true;
  }
  for (int32_t c = cols_ - 1; c >= 1; --c)
    if (filled_[size_t(c)] > 0) return c;
  return 0;
}

void Grid::setCellAlignment(uint8_t code) {
  applyColumnAlignments();
  uint8_t& align = cells_[index(row_, col_)].align;
  if (journal_ && align != code) journal_->add(journal::Align{row_, col_, align});
  align = code;
  if (row_ >= 1 && colCode_[size_t(col_)] != code) colCode_[size_t(col_)] = kCodesUnknown;
  notify();
}

void Grid::setColAlignment(int32_t c, uint8_t code) {
  checkCol(c);
  if (journal_ && colAlign_[size_t(c)] != code) journal_->add(journal::ColAlign{c, colAlign_[size_t(c)]});
  colAlign_[size_t(c)] = code;
  // A column alignment applies to the column's scrollable cells: their own codes are dropped,
  // lazily, so that setting every column costs one pass over the store.
  colAlignPending_.resize(size_t(cols_), 0);
  colAlignPending_[size_t(c)] = 1;
  anyColAlignPending_ = true;
  notify();
}

namespace {
// A row of w alignment codes in an image, written at out + 1 by the caller, is finished: a tag
// byte 0 and the one code when they are all the same (the usual case), else a tag byte 1 and the
// w codes. Returns its end; `any` says whether a code is not general.
char* finishCodes(char* out, int32_t w, bool& any) {
  const char* codes = out + 1;
  // All the same when each code equals the next; codes that differ include one not general.
  const bool same = w == 1 || std::memcmp(codes, codes + 1, size_t(w - 1)) == 0;
  static_assert(kAlignGeneral == 0, "a general code is a zero byte");
  any = !same || codes[0] != 0;
  if (same) {
    out[0] = 0;
    return out + 2;  // out[1] is the code already
  }
  out[0] = 1;
  return out + 1 + w;
}
}  // namespace

// With a journal, the codes a row's run of pending columns held go into one image when any was
// not general; a failure part-way leaves the columns pending, the rows done recorded.
void Grid::applyColumnAlignments() const {
  if (!anyColAlignPending_) return;
  struct Run {
    int32_t c, w;
  };
  std::vector<Run> runs;
  for (int32_t c = 0; c < int32_t(colAlignPending_.size()) && c < cols_; ++c) {
    if (!colAlignPending_[size_t(c)]) continue;
    if (!runs.empty() && runs.back().c + runs.back().w == c) ++runs.back().w;
    else runs.push_back({c, 1});
  }
  for (const Run& run : runs) std::fill_n(colCode_.begin() + run.c, run.w, kCodesUnknown);  // until done
  for (int32_t r = 1; r < rows_; ++r)
    for (const Run& run : runs) {
      Cell* cells = cells_.data() + index(r, run.c);
      if (!journal_) {
        for (int32_t k = 0; k < run.w; ++k) cells[k].align = kAlignGeneral;
        continue;
      }
      const int32_t w = run.w;
      char* const image = journal_->imageRoom(1 + size_t(w));
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC unroll 4
#endif
      for (int32_t k = 0; k < w; ++k) {
        image[1 + k] = char(cells[k].align);
        cells[k].align = kAlignGeneral;
      }
      bool any = false;
      char* const end = finishCodes(image, w, any);
      if (any) journal_->keepImage(r, run.c, w, end, true);
    }
  for (const Run& run : runs) std::fill_n(colCode_.begin() + run.c, run.w, int16_t(kAlignGeneral));
  anyColAlignPending_ = false;
  colAlignPending_.assign(colAlignPending_.size(), 0);
}

uint8_t Grid::ColAlignment(int32_t c) const {
  checkCol(c);
  return colAlign_[size_t(c)];
}

uint8_t Grid::alignmentAt(int32_t r, int32_t c) const {
  applyColumnAlignments();
  const uint8_t own = cells_[index(r, c)].align;
  return own != kAlignGeneral ? own : colAlign_[size_t(c)];
}

int32_t Grid::ColWidth(int32_t c) const {
  checkCol(c);
  return colWidth_[size_t(c)];
}

int32_t Grid::RowHeight(int32_t r) const {
  checkRow(r);
  return rowHeight_[size_t(r)];
}

void Grid::setColWidth(int32_t c, int32_t twips) {
  checkCol(c);
  if (twips < 0)
    throw Error(ErrorCode::InvalidArgument, "column width " + std::to_string(twips) + " refused");
  if (journal_ && colWidth_[size_t(c)] != twips) journal_->add(journal::Size{true, c, colWidth_[size_t(c)]});
  colWidth_[size_t(c)] = twips;
  colPosDirty_ = true;
  notify();
}

void Grid::setRowHeight(int32_t r, int32_t twips) {
  checkRow(r);
  if (twips < 0)
    throw Error(ErrorCode::InvalidArgument, "row height " + std::to_string(twips) + " refused");
  if (journal_ && rowHeight_[size_t(r)] != twips) journal_->add(journal::Size{false, r, rowHeight_[size_t(r)]});
  rowHeight_[size_t(r)] = twips;
  rowPosDirty_ = true;
  notify();
}

void Grid::setRowPosition(int32_t from, int32_t to) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  checkRow(from);
  checkRow(to);
  if (from == to) return;
  if (journal_) journal_->add(journal::Moved{false, to, from});
  if (from == 0 || to == 0) forgetCodes();  // the fixed row's codes become a scrollable row's
  auto first = cells_.begin() + std::ptrdiff_t(index(std::min(from, to), 0));
  auto last = cells_.begin() + std::ptrdiff_t(index(std::max(from, to) + 1, 0));
  if (from < to)
    std::rotate(first, first + cols_, last);
  else
    std::rotate(first, last - cols_, last);
  auto h0 = rowHeight_.begin() + std::min(from, to), h1 = rowHeight_.begin() + std::max(from, to) + 1;
  if (from < to) std::rotate(h0, h0 + 1, h1); else std::rotate(h0, h1 - 1, h1);
  rowPosDirty_ = true;
  notify();
}

void Grid::setColPosition(int32_t from, int32_t to) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  checkCol(from);
  checkCol(to);
  if (from == to) return;
  if (journal_) journal_->add(journal::Moved{true, to, from});
  const int32_t lo = std::min(from, to), hi = std::max(from, to) + 1;
  for (int32_t r = 0; r < rows_; ++r) {
    auto b = cells_.begin() + std::ptrdiff_t(index(r, 0));
    if (from < to) std::rotate(b + lo, b + lo + 1, b + hi); else std::rotate(b + lo, b + hi - 1, b + hi);
  }
  for (auto* v : {&colAlign_}) {
    if (from < to) std::rotate(v->begin() + lo, v->begin() + lo + 1, v->begin() + hi);
    else std::rotate(v->begin() + lo, v->begin() + hi - 1, v->begin() + hi);
  }
  if (from < to) std::rotate(colCode_.begin() + lo, colCode_.begin() + lo + 1, colCode_.begin() + hi);
  else std::rotate(colCode_.begin() + lo, colCode_.begin() + hi - 1, colCode_.begin() + hi);
  if (from < to) std::rotate(colWidth_.begin() + lo, colWidth_.begin() + lo + 1, colWidth_.begin() + hi);
  else std::rotate(colWidth_.begin() + lo, colWidth_.begin() + hi - 1, colWidth_.begin() + hi);
  colPosDirty_ = true;
  notify();
}

void Grid::AddItem(std::string_view text, int32_t index_) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  if (index_ < 0 || index_ > rows_) outOfRange("row", index_, rows_ + 1);
  std::vector<Cell> row(static_cast<size_t>(cols_));
  size_t start = 0;
  for (int32_t c = 0; c < cols_ && start <= text.size(); ++c) {
    size_t tab = text.find('\t', start);
    if (tab == std::string_view::npos) tab = text.size();
    std::string_view piece = text.substr(start, tab - start);
    if (!isNulCell(piece)) row[size_t(c)].text.assign(piece);
    start = tab + 1;
  }
  if (journal_) journal_->reserveOne();
  cells_.insert(cells_.begin() + std::ptrdiff_t(index(index_, 0)),
                std::make_move_iterator(row.begin()), std::make_move_iterator(row.end()));
  rowHeight_.insert(rowHeight_.begin() + index_, kDefaultRowHeight);
  ++rows_;
  rowsAdded(index_);
  if (journal_) recordInserted(false, index_, 1);
  rowPosDirty_ = true;
  notify();
}

void Grid::RemoveItem(int32_t index_) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  checkRow(index_);
  if (rows_ <= 1)
    throw Error(ErrorCode::InvalidArgument, "the fixed row cannot be removed");
  if (journal_) recordRemoved(false, index_, 1);
  eraseCells(cells_, index(index_, 0), size_t(cols_));
  rowHeight_.erase(rowHeight_.begin() + index_);
  --rows_;
  row_ = std::min(row_, rows_ - 1);
  topRow_ = std::clamp(topRow_, 1, std::max(1, rows_ - 1));
  rowPosDirty_ = true;
  notify();
}

void Grid::insertRows(int32_t at, int32_t n) {
  if (at < 0 || at > rows_) outOfRange("row", at, rows_ + 1);
  if (n <= 0) return;
  if (n > std::numeric_limits<int32_t>::max() - rows_)
    throw Error(ErrorCode::InvalidArgument, "row count " + std::to_string(int64_t(rows_) + n) + " refused");
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  rowHeight_.reserve(rowHeight_.size() + size_t(n));  // the insert below then cannot fail
  if (journal_) journal_->reserveOne();
  cells_.insert(cells_.begin() + std::ptrdiff_t(index(at, 0)), size_t(n) * size_t(cols_), Cell{});
  rowHeight_.insert(rowHeight_.begin() + at, size_t(n), kDefaultRowHeight);
  rows_ += n;
  rowsAdded(at);
  if (journal_) recordInserted(false, at, n);
  rowPosDirty_ = true;
  notify();
}

void Grid::removeRows(int32_t at, int32_t n) {
  checkRow(at);
  if (n <= 0) return;
  if (n > rows_ - at || n >= rows_)
    throw Error(ErrorCode::IndexOutOfRange, std::to_string(n) + " rows from row " + std::to_string(at) +
                                                " are not all in the grid (0.." + std::to_string(rows_ - 1) + ")");
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  if (journal_) recordRemoved(false, at, n);
  eraseCells(cells_, index(at, 0), size_t(n) * size_t(cols_));
  rowHeight_.erase(rowHeight_.begin() + at, rowHeight_.begin() + at + n);
  rows_ -= n;
  row_ = std::min(row_, rows_ - 1);
  topRow_ = std::clamp(topRow_, 1, std::max(1, rows_ - 1));
  rowPosDirty_ = true;
  notify();
}

void Grid::insertCols(int32_t at, int32_t n) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  if (at < 0 || at > cols_) outOfRange("column", at, cols_ + 1);
  if (n <= 0) return;
  const int32_t newCols = cols_ + n;
  CellStore next(size_t(rows_) * size_t(newCols));
  if (journal_) journal_->reserveOne();
  colCode_.reserve(size_t(newCols));
  for (int32_t r = 0; r < rows_; ++r)
    for (int32_t c = 0; c < cols_; ++c)
      next[size_t(r) * size_t(newCols) + size_t(c < at ? c : c + n)] = std::move(cells_[index(r, c)]);
  cells_ = std::move(next);
  colCode_.insert(colCode_.begin() + at, size_t(n), int16_t(kAlignGeneral));
  colAlign_.insert(colAlign_.begin() + at, size_t(n), kAlignGeneral);
  colWidth_.insert(colWidth_.begin() + at, size_t(n), kDefaultColWidth);
  cols_ = newCols;
  if (journal_) recordInserted(true, at, n);
  colPosDirty_ = true;
  notify();
}

void Grid::removeCols(int32_t at, int32_t n) {
  runLength_.clear();
  filledKnown_ = false;
  applyColumnAlignments();
  checkCol(at);
  if (n <= 0) return;
  if (at + n > cols_ || cols_ - n < 1) outOfRange("column", at + n - 1, cols_);
  const int32_t newCols = cols_ - n;
  CellStore next(size_t(rows_) * size_t(newCols));
  if (journal_) recordRemoved(true, at, n);
  for (int32_t r = 0; r < rows_; ++r)
    for (int32_t c = 0; c < cols_; ++c) {
      if (c >= at && c < at + n) continue;
      next[size_t(r) * size_t(newCols) + size_t(c < at ? c : c - n)] = std::move(cells_[index(r, c)]);
    }
  cells_ = std::move(next);
  colAlign_.erase(colAlign_.begin() + at, colAlign_.begin() + at + n);
  colWidth_.erase(colWidth_.begin() + at, colWidth_.begin() + at + n);
  colCode_.erase(colCode_.begin() + at, colCode_.begin() + at + n);
  cols_ = newCols;
  col_ = std::min(col_, cols_ - 1);
  leftCol_ = std::clamp(leftCol_, 1, std::max(1, cols_ - 1));
  colPosDirty_ = true;
  notify();
}

void Grid::setTopRow(int32_t r) {
  r = std::clamp(r, 1, lastTopRow());
  if (r == topRow_) return;
  topRow_ = r;
  notify();
}

void Grid::setLeftCol(int32_t c) {
  c = std::clamp(c, 1, lastLeftCol());
  if (c == leftCol_) return;
  leftCol_ = c;
  notify();
}

void Grid::ensureCurrentVisible() {
  if (viewHeight() <= 0 || viewWidth() <= 0) return;
  if (row_ >= 1) {
    if (row_ < TopRow()) {
      setTopRow(row_);
    } else {
      // Scroll down until the current row's bottom fits.
      const int64_t viewBottom = viewHeight();
      int32_t top = topRow_;
      while (top < row_ && rowPosition(1) + (rowPosition(row_ + 1) - rowPosition(top)) > viewBottom) ++top;
      setTopRow(top);
    }
  }
  if (col_ >= 1) {
    if (col_ < LeftCol()) {
      setLeftCol(col_);
    } else {
      const int64_t viewRight = viewWidth();
      int32_t left = leftCol_;
      while (left < col_ && colPosition(1) + (colPosition(col_ + 1) - colPosition(left)) > viewRight) ++left;
      setLeftCol(left);
    }
  }
}

namespace {
// Smallest first index whose items up to `count` fit in `available`, positions from `pos`.
template <typename Pos>
int32_t lastFullPageStart(int32_t count, int64_t available, Pos pos) {
  if (count <= 1) return 1;
  const int64_t total = pos(count);
  int32_t lo = 1, hi = count - 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (total - pos(mid) <= available) hi = mid; else lo = mid + 1;
  }
  return lo;
}
}  // namespace

int32_t Grid::lastTopRow() const {
  if (viewHeight() <= 0) return std::max(1, rows_ - 1);
  return lastFullPageStart(rows_, int64_t(viewHeight()) - rowTop(1), [this](int32_t r) { return rowTop(r); });
}

int32_t Grid::lastLeftCol() const {
  if (viewWidth() <= 0) return std::max(1, cols_ - 1);
  return lastFullPageStart(cols_, int64_t(viewWidth()) - colLeft(1), [this](int32_t c) { return colLeft(c); });
}

int32_t Grid::pageRows(bool upwards) const {
  const int32_t top = TopRow();
  const int64_t available = int64_t(viewHeight()) - rowTop(1);
  if (upwards && top > 1) {  // the smallest first row whose rows up to top - 1 fit
    int32_t lo = 1, hi = top;
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo) / 2;
      if (int64_t(rowTop(top)) - rowTop(mid) <= available) hi = mid; else lo = mid + 1;
    }
    return std::max(1, top - lo);
  }
  int32_t lo = top, hi = rows_;  // the first row after top whose bottom does not fit
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (int64_t(rowTop(mid + 1)) - rowTop(top) <= available) lo = mid + 1; else hi = mid;
  }
  return std::max(1, lo - top);
}

// Rows or columns removed, shrunk, or a larger view: the first row and column shown move back
// so that the view ends on the grid's last row and column, not beyond it.
void Grid::settleScroll() const {
  if (topRow_ > 1) topRow_ = std::min(topRow_, lastTopRow());
  if (leftCol_ > 1) leftCol_ = std::min(leftCol_, lastLeftCol());
}

void Grid::rebuildRowPositions() const {
  rowPos_.resize(size_t(rows_) + 1);
  int64_t y = 0;
  for (int32_t r = 0; r < rows_; ++r) {
    rowPos_[size_t(r)] = y;
    y += rowHeight_[size_t(r)];
  }
  rowPos_[size_t(rows_)] = y;
  rowPosDirty_ = false;
}

void Grid::rebuildColPositions() const {
  colPos_.resize(size_t(cols_) + 1);
  int64_t x = 0;
  for (int32_t c = 0; c < cols_; ++c) {
    colPos_[size_t(c)] = x;
    x += colWidth_[size_t(c)];
  }
  colPos_[size_t(cols_)] = x;
  colPosDirty_ = false;
}

// Positions are summed in 64 bits; what leaves the grid saturates at the 32-bit range, so that
// huge sizes never turn a later position negative.
namespace {
int32_t saturated(int64_t v) {
  return int32_t(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}
// A mouse coordinate as a whole number of twips: not a number counts as 0, huge values clamp.
int64_t pointTwips(float v) {
  if (std::isnan(v)) return 0;
  return int64_t(std::floor(std::clamp<double>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())));
}
}  // namespace

int64_t Grid::rowPosition(int32_t r) const {
  if (rowPosDirty_) rebuildRowPositions();
  return rowPos_[size_t(std::clamp(r, 0, rows_))];
}

int64_t Grid::colPosition(int32_t c) const {
  if (colPosDirty_) rebuildColPositions();
  return colPos_[size_t(std::clamp(c, 0, cols_))];
}

int32_t Grid::rowTop(int32_t r) const { return saturated(rowPosition(r)); }
int32_t Grid::colLeft(int32_t c) const { return saturated(colPosition(c)); }

int32_t Grid::visibleRowTop(int32_t r) const {
  if (r == 0) return 0;
  return saturated(rowPosition(1) + rowPosition(r) - rowPosition(TopRow()));
}

int32_t Grid::visibleColLeft(int32_t c) const {
  if (c == 0) return 0;
  return saturated(colPosition(1) + colPosition(c) - colPosition(LeftCol()));
}

// Hit test by binary search over the cached start positions.
int32_t Grid::rowAt(float y) const {
  const int64_t at = pointTwips(y);
  if (at < rowPosition(1) || rows_ <= 1) return 0;
  const int64_t absolute = at - rowPosition(1) + rowPosition(TopRow());
  auto it = std::upper_bound(rowPos_.begin() + 1, rowPos_.end() - 1, absolute);
  return std::clamp(int32_t(it - rowPos_.begin()) - 1, 1, rows_ - 1);
}

int32_t Grid::colAt(float x) const {
  const int64_t at = pointTwips(x);
  if (at < colPosition(1) || cols_ <= 1) return 0;
  const int64_t absolute = at - colPosition(1) + colPosition(LeftCol());
  auto it = std::upper_bound(colPos_.begin() + 1, colPos_.end() - 1, absolute);
  return std::clamp(int32_t(it - colPos_.begin()) - 1, 1, cols_ - 1);
}

void Grid::setMousePosition(float x, float y) {
  mouseRow_ = rowAt(y);
  mouseCol_ = colAt(x);
}

// ---- undo support

void Grid::invalidateCaches() {
  runLength_.clear();
  filledKnown_ = false;
  rowPosDirty_ = colPosDirty_ = true;
}

// Room was reserved before the grid changed: adding cannot fail.
void Grid::recordInserted(bool columns, int32_t at, int32_t n) { journal_->add(journal::Inserted{columns, at, n}); }

// Moves the cells, sizes and column alignments of the n rows (columns) at `at` into the journal;
// called before the rows (columns) go, with the column alignments applied.
void Grid::recordRemoved(bool columns, int32_t at, int32_t n) {
  journal_->reserveOne();
  journal::Removed removed{columns, at, n, std::make_unique<journal::Lines>()};
  journal::Lines& lines = *removed.lines;
  CellStore& cells = lines.cells;
  if (!columns) {
    cells.reserve(size_t(n) * size_t(cols_));
    lines.sizes.assign(rowHeight_.begin() + at, rowHeight_.begin() + at + n);
    auto first = cells_.begin() + std::ptrdiff_t(index(at, 0));
    std::move(first, first + std::ptrdiff_t(size_t(n) * size_t(cols_)), std::back_inserter(cells));
  } else {
    cells.reserve(size_t(n) * size_t(rows_));
    lines.sizes.assign(colWidth_.begin() + at, colWidth_.begin() + at + n);
    lines.colAlign.assign(colAlign_.begin() + at, colAlign_.begin() + at + n);
    for (int32_t r = 0; r < rows_; ++r) {
      auto first = cells_.begin() + std::ptrdiff_t(index(r, at));
      std::move(first, first + n, std::back_inserter(cells));
    }
  }
  journal_->add(std::move(removed));
}

// Puts removed rows (columns) back at `at`.
void Grid::reinsert(bool columns, int32_t at, int32_t n, CellStore& cells, std::vector<int32_t>& sizes,
                    std::vector<uint8_t>& colAlign) {
  applyColumnAlignments();
  if (journal_) journal_->reserveOne();
  if (!columns) {
    if (at < 0 || at > rows_) outOfRange("row", at, rows_ + 1);
    rowHeight_.reserve(rowHeight_.size() + size_t(n));
    // Room at the end first (nothing moves yet if it fails), then the rows below move down the
    // way removeRows moved them up.
    const size_t from = index(at, 0), added = cells.size();
    cells_.resize(cells_.size() + added);
    // The rows' codes keep a column's code known when they are that code.
    if (at == 0) {
      forgetCodes();
    } else {
      for (size_t k = 0; k < added; ++k) {
        int16_t& code = colCode_[k % size_t(cols_)];
        if (code != cells[k].align) code = kCodesUnknown;
      }
    }
    moveCellsBackward(cells_.data() + from, cells_.data() + cells_.size() - added, cells_.data() + cells_.size());
    std::move(cells.begin(), cells.end(), cells_.begin() + std::ptrdiff_t(from));
    rowHeight_.insert(rowHeight_.begin() + at, sizes.begin(), sizes.end());
    rows_ += n;
  } else {
    if (at < 0 || at > cols_) outOfRange("column", at, cols_ + 1);
    const int32_t newCols = cols_ + n;
    CellStore next(size_t(rows_) * size_t(newCols));
    colAlign_.reserve(colAlign_.size() + size_t(n));
    colWidth_.reserve(colWidth_.size() + size_t(n));
    colCode_.reserve(colCode_.size() + size_t(n));
    for (int32_t r = 0; r < rows_; ++r) {
      Cell* row = next.data() + size_t(r) * size_t(newCols);
      for (int32_t c = 0; c < cols_; ++c) row[c < at ? c : c + n] = std::move(cells_[index(r, c)]);
      for (int32_t k = 0; k < n; ++k) row[at + k] = std::move(cells[size_t(r) * size_t(n) + size_t(k)]);
    }
    cells_ = std::move(next);
    colAlign_.insert(colAlign_.begin() + at, colAlign.begin(), colAlign.end());
    colWidth_.insert(colWidth_.begin() + at, sizes.begin(), sizes.end());
    colCode_.insert(colCode_.begin() + at, size_t(n), kCodesUnknown);
    cols_ = newCols;
  }
  invalidateCaches();
  if (journal_) recordInserted(columns, at, n);
  notify();
}

// Replays the images of alignment codes at the end of `changes`: the run of them over the same
// columns whose rows follow on from each other (one alignment pass, split where its image took
// a new chunk). When the columns' codes are known, the codes they replace, which the attached
// journal keeps, are known without reading the cells.
void Grid::replayCodes(GridJournal& changes) {
  ChangeList& list = changes.changes;
  const auto& last = std::get<journal::Cells>(list.back());
  const int32_t c = last.c, w = last.w;
  size_t count = 1;
  int32_t top = last.r, bottom = last.r + last.h;  // the run's rows; a replay records them upwards
  for (size_t i = list.size() - 1; i > 0; --i, ++count) {
    const auto* p = std::get_if<journal::Cells>(&list[i - 1]);
    if (!p || !p->codes || p->c != c || p->w != w) break;
    if (p->r + p->h == top) top = p->r;
    else if (p->r == bottom) bottom = p->r + p->h;
    else break;
  }
  checkRow(top);
  checkCol(c);
  if (bottom > rows_) outOfRange("row", bottom - 1, rows_);
  if (w > cols_ - c) outOfRange("column", c + w - 1, cols_);

  const std::vector<int16_t> before(colCode_.begin() + c, colCode_.begin() + c + w);
  const bool known = journal_ && top >= 1 && std::all_of(before.begin(), before.end(), [](int16_t code) { return code >= 0; });
  std::vector<char> now;  // with known codes: the image of every row's codes now
  if (known) {
    if (std::all_of(before.begin(), before.end(), [&](int16_t code) { return code == before[0]; })) {
      now = {0, char(before[0])};
    } else {
      now.push_back(1);
      for (const int16_t code : before) now.push_back(char(code));
    }
  }
  // The codes written: the one code of every row so far (kNone before the first), or per column
  // once rows differ.
  constexpr int16_t kNone = -2;
  std::vector<int16_t> written(size_t(w), kNone);
  int16_t rowsCode = kNone;
  bool perColumn = false;
  std::fill_n(colCode_.begin() + c, w, kCodesUnknown);  // until done

  for (; count > 0; --count) {
    const auto& ch = std::get<journal::Cells>(list.back());
    const char* in = changes.texts.data(ch.chunk) + ch.offset;
    for (int32_t r = ch.r; r < ch.r + ch.h; ++r) {
      Cell* const cells = cells_.data() + index(r, c);
      const bool same = in[0] == 0;
      const char* const codes = in + 1;
      in += same ? 2 : 1 + size_t(w);
      char* image = nullptr;
      if (known) {
        image = journal_->imageRoom(now.size());
        std::memcpy(image, now.data(), now.size());
        image += now.size();
      } else if (journal_) {
        image = journal_->imageRoom(1 + size_t(w));
      }
      if (same) {
        const auto code = uint8_t(*codes);
        if (journal_ && !known) {
          for (int32_t k = 0; k < w; ++k) {
            image[1 + k] = char(cells[k].align);
            cells[k].align = code;
          }
        } else {
          for (int32_t k = 0; k < w; ++k) cells[k].align = code;
        }
      } else {
        if (journal_ && !known) {
          for (int32_t k = 0; k < w; ++k) {
            image[1 + k] = char(cells[k].align);
            cells[k].align = uint8_t(codes[k]);
          }
        } else {
          for (int32_t k = 0; k < w; ++k) cells[k].align = uint8_t(codes[k]);
        }
      }
      if (journal_) {
        bool any = false;
        journal_->keepImage(r, c, w, known ? image : finishCodes(image, w, any), true);
      }
      if (!perColumn) {
        if (same && (rowsCode == kNone || rowsCode == uint8_t(*codes))) {
          rowsCode = uint8_t(*codes);
          continue;
        }
        perColumn = true;
        std::fill(written.begin(), written.end(), rowsCode);
      }
      for (int32_t k = 0; k < w; ++k) {
        const int16_t code = uint8_t(same ? *codes : codes[k]);
        int16_t& seen = written[size_t(k)];
        if (seen == kNone) seen = code;
        else if (seen != code) seen = kCodesUnknown;
      }
    }
    list.pop_back();
  }
  // A column's code is known again when every scrollable row was written with one code, or the
  // rows written got the code all had.
  const bool all = top <= 1 && bottom == rows_;
  for (int32_t k = 0; k < w; ++k) {
    const int16_t code = perColumn ? written[size_t(k)] : rowsCode;
    if (code >= 0 && (all || before[size_t(k)] == code)) colCode_[size_t(c + k)] = code;
  }
  notify();
}

void Grid::replay(GridJournal& changes) {
  applyColumnAlignments();
  while (!changes.changes.empty()) {
    GridChange& change = changes.changes.back();
    if (const auto* cells = std::get_if<journal::Cells>(&change); cells && cells->codes) {
      replayCodes(changes);
      continue;
    }
    std::visit(
        [this, &changes](auto& ch) {
          using T = std::decay_t<decltype(ch)>;
          if constexpr (std::is_same_v<T, journal::Cells>) {
            checkRow(ch.r);
            checkCol(ch.c);
            if (ch.h > rows_ - ch.r) outOfRange("row", ch.r + ch.h - 1, rows_);
            if (ch.w > cols_ - ch.c) outOfRange("column", ch.c + ch.w - 1, cols_);
            const char* in = changes.texts.data(ch.chunk) + ch.offset;
            if (ch.w == 1) {  // a column, as a loop of setTextAt wrote it
              for (int32_t i = 0; i < ch.h; ++i) setTextAt(ch.r + i, ch.c, detail::getImageText(in));
              return;
            }
            for (int32_t i = 0; i < ch.h; ++i)
              writeRowTexts(ch.r + i, ch.c, ch.w, [&](int32_t, std::string& text) { text.assign(detail::getImageText(in)); });
          } else if constexpr (std::is_same_v<T, journal::Align>) {
            checkRow(ch.r);
            checkCol(ch.c);
            applyColumnAlignments();
            uint8_t& align = cells_[index(ch.r, ch.c)].align;
            if (journal_) journal_->add(journal::Align{ch.r, ch.c, align});
            align = ch.code;
            if (ch.r >= 1 && colCode_[size_t(ch.c)] != ch.code) colCode_[size_t(ch.c)] = kCodesUnknown;
            notify();
          } else if constexpr (std::is_same_v<T, journal::ColAlign>) {
            checkCol(ch.c);
            applyColumnAlignments();  // the cells' codes stay as recorded
            if (journal_) journal_->add(journal::ColAlign{ch.c, colAlign_[size_t(ch.c)]});
            colAlign_[size_t(ch.c)] = ch.code;
            notify();
          } else if constexpr (std::is_same_v<T, journal::Size>) {
            if (ch.column) setColWidth(ch.index, ch.twips); else setRowHeight(ch.index, ch.twips);
          } else if constexpr (std::is_same_v<T, journal::Inserted>) {
            if (ch.columns) removeCols(ch.at, ch.n); else removeRows(ch.at, ch.n);
          } else if constexpr (std::is_same_v<T, journal::Moved>) {
            if (ch.column) setColPosition(ch.from, ch.to); else setRowPosition(ch.from, ch.to);
          } else if constexpr (std::is_same_v<T, journal::Removed>) {
            reinsert(ch.columns, ch.at, ch.n, ch.lines->cells, ch.lines->sizes, ch.lines->colAlign);
          } else if constexpr (std::is_same_v<T, journal::Table>) {
            applyColumnAlignments();
            if (journal_) journal_->reserveOne();
            journal::TableImage& image = *ch.image;
            colCode_.reserve(size_t(image.cols));
            cells_.swap(image.cells);
            colAlign_.swap(image.colAlign);
            colWidth_.swap(image.colWidth);
            rowHeight_.swap(image.rowHeight);
            const int32_t rows = image.rows, cols = image.cols;
            image.rows = rows_;
            image.cols = cols_;
            if (journal_) journal_->add(journal::Table{std::move(ch.image)});
            colAlignPending_.clear();
            filled_.clear();
            invalidateCaches();
            adoptCounts(rows, cols);
            forgetCodes();
            notify();
          }
        },
        change);
    changes.changes.pop_back();
  }
  changes.clear();
}

}  // namespace tablique
