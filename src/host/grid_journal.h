// The grid's journal: while one is attached, every change to the grid's table (texts,
// alignments, sizes, counts, moved and removed rows and columns) is written to it as the change
// that takes it back. Grid::replay runs such changes, and while doing so writes the changes that
// take them back in turn, so undoing a list of changes yields the list that redoes them.
//
// A change stores only what it replaces: text changes the old texts (one change for a run of
// cells along a row or a column, or a block), a row removal the removed rows, a new table the
// old one. The current cell and the scroll position are not recorded.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <tablique/grid.h>

namespace tablique {

namespace journal {

// Cells (r, c) .. (r + h - 1, c + w - 1) had these texts (with `codes`, these alignment codes of
// their own). Their image, row by row, lies in the journal's text store at `offset` of chunk
// `chunk`: per cell detail::putImageText; for codes per row a byte 0 and the code all its cells
// had, or a byte 1 and a code per cell.
struct Cells { int32_t r, c, w, h; uint32_t chunk; bool codes; size_t offset, length; };
struct Align { int32_t r, c; uint8_t code; };               // the cell's own alignment code
struct ColAlign { int32_t c; uint8_t code; };               // the column's alignment code
struct Size { bool column; int32_t index, twips; };         // a column width or row height
struct Inserted { bool columns; int32_t at, n; };           // n rows/columns were inserted at
struct Moved { bool column; int32_t from, to; };            // apply: move from -> to
// n rows (columns) at `at` were removed; their cells (row-major), sizes and column alignments.
struct Lines {
  Grid::CellStore cells;
  std::vector<int32_t> sizes;
  std::vector<uint8_t> colAlign;
};
struct Removed {
  bool columns;
  int32_t at, n;
  std::unique_ptr<Lines> lines;
};
// The whole table was replaced; the old one.
struct TableImage {
  int32_t rows, cols;
  Grid::CellStore cells;
  std::vector<uint8_t> colAlign;
  std::vector<int32_t> colWidth, rowHeight;
};
struct Table {
  std::unique_ptr<TableImage> image;
};

}  // namespace journal

using GridChange = std::variant<journal::Cells, journal::Align, journal::ColAlign, journal::Size,
                                journal::Inserted, journal::Moved, journal::Removed, journal::Table>;

// Changes in fixed chunks: adding never moves the earlier ones, and the chunks are small enough
// to be reused by the allocator when old steps go. Every chunk but the last is full; the last
// may be empty (room taken for a change that was not added).
class ChangeList {
public:
  static constexpr size_t kChunk = 1024;
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  GridChange& operator[](size_t i) { return chunks_[i / kChunk][i % kChunk]; }
  const GridChange& operator[](size_t i) const { return chunks_[i / kChunk][i % kChunk]; }
  GridChange& back() { return (*this)[size_ - 1]; }
  // Whether one more change fits without moving the others.
  bool hasRoom() const { return !chunks_.empty() && chunks_.back().size() < chunks_.back().capacity(); }
  // A chunk grows as a vector does up to kChunk changes, so that a step of one change holds
  // room for a few, not for a whole chunk.
  void reserveOne() {
    if (chunks_.empty() || chunks_.back().size() == kChunk) {
      chunks_.reserve(chunks_.size() + 1);
      std::vector<GridChange> chunk;
      chunk.reserve(chunks_.empty() ? 4 : kChunk);
      chunks_.push_back(std::move(chunk));
    } else if (std::vector<GridChange>& last = chunks_.back(); last.size() == last.capacity()) {
      last.reserve(std::min(kChunk, 2 * last.capacity()));
    }
  }
  // The memory the changes take themselves, their texts not counted.
  size_t capacityBytes() const {
    size_t slots = chunks_.capacity() * sizeof(std::vector<GridChange>);
    for (const std::vector<GridChange>& chunk : chunks_) slots += chunk.capacity() * sizeof(GridChange);
    return slots;
  }
  template <typename... Args>
  void emplace_back(Args&&... args) {  // after reserveOne: cannot fail
    chunks_.back().emplace_back(std::forward<Args>(args)...);
    ++size_;
  }
  void pop_back() {
    --size_;
    chunks_[size_ / kChunk].pop_back();
    while (!chunks_.empty() && chunks_.back().empty()) chunks_.pop_back();
  }
  void clear() {
    chunks_.clear();
    size_ = 0;
  }

private:
  std::vector<std::vector<GridChange>> chunks_;
  size_t size_ = 0;
};

namespace detail {
// Memory for undo images; from 2 MiB on aligned to a large page and marked for large pages
// where the system offers them, so that a large step takes its memory in a few page faults, not
// in hundreds; pages of finished steps are kept for the next ones. Shrinking gives back the end
// beyond `used` where it can (capacity becomes what is kept) and returns the chunk's address,
// which may have moved, and whether it is still mapped.
// `mapped` says whether allocateImage took the memory as a large image (bytes >= kLargeImage).
constexpr size_t kLargeImage = size_t(2) << 20;
void* allocateImage(size_t bytes);
void* shrinkImage(void* p, size_t& capacity, size_t used, bool& mapped) noexcept;
void freeImage(void* p, size_t capacity, bool mapped) noexcept;
// Bytes of large images in use now, in every journal (they are outside the allocator's heap;
// kept pages are not counted).
size_t mappedImageBytes();
}  // namespace detail

// The bytes of the cells' old texts, in chunks that never move while the journal holds them.
// A chunk is four times the size of the one before, from 256 bytes up to a large page of 2 MiB
// (or what one image needs), so that a step of one cell holds a few hundred bytes, a column a
// few small chunks and a paste large pages. A complete step gives back the unused end.
class TextStore {
public:
  static constexpr size_t kFirst = 256, kLarge = detail::kLargeImage;

  TextStore() = default;
  TextStore(TextStore&& o) noexcept : chunks_(std::move(o.chunks_)) { o.chunks_.clear(); }
  TextStore& operator=(TextStore&& o) noexcept {
    if (this != &o) {
      clear();
      chunks_ = std::move(o.chunks_);
      o.chunks_.clear();
    }
    return *this;
  }
  ~TextStore() { clear(); }

  size_t chunks() const { return chunks_.size(); }
  const char* data(uint32_t chunk) const { return chunks_[chunk].data; }
  // Room for `bytes` more at the end of the last chunk, a new chunk when they do not fit;
  // throws std::bad_alloc and then changes nothing.
  char* room(size_t bytes) {
    if (!chunks_.empty()) {
      Chunk& last = chunks_.back();
      if (last.capacity - last.used >= bytes) return last.data + last.used;
    }
    chunks_.reserve(chunks_.size() + 1);
    size_t capacity = chunks_.empty() ? kFirst : 4 * chunks_.back().capacity;
    if (capacity >= kLarge / 4) capacity = kLarge;
    if (bytes > capacity) capacity = bytes >= kLarge ? (bytes + kLarge - 1) / kLarge * kLarge : bytes;
    char* p = static_cast<char*>(detail::allocateImage(capacity));
    chunks_.push_back({p, 0, capacity, capacity >= detail::kLargeImage});
    return p;
  }
  size_t spare() const { return chunks_.empty() ? 0 : chunks_.back().capacity - chunks_.back().used; }
  char* tail() { return chunks_.back().data + chunks_.back().used; }
  // The last chunk and its end.
  uint32_t lastChunk() const { return uint32_t(chunks_.size() - 1); }
  size_t end() const { return chunks_.back().used; }
  void setEnd(size_t used) { chunks_.back().used = used; }
  // Gives back the unused end of the last chunk (a step that is complete); a last chunk that
  // holds nothing (room taken for an image that was not kept) goes altogether.
  void shrink() noexcept {
    if (chunks_.empty()) return;
    Chunk& last = chunks_.back();
    if (last.used == 0) {
      detail::freeImage(last.data, last.capacity, last.mapped);
      chunks_.pop_back();
      return;
    }
    if (last.used == last.capacity) return;
    last.data = static_cast<char*>(detail::shrinkImage(last.data, last.capacity, last.used, last.mapped));
  }
  size_t capacityBytes() const {
    size_t n = chunks_.capacity() * sizeof(Chunk);
    for (const Chunk& chunk : chunks_) n += chunk.capacity;
    return n;
  }
  // Takes over another store's chunks after these; returns the index its first chunk gets.
  uint32_t append(TextStore&& other) {
    const auto first = uint32_t(chunks_.size());
    chunks_.reserve(chunks_.size() + other.chunks_.size());
    chunks_.insert(chunks_.end(), other.chunks_.begin(), other.chunks_.end());
    other.chunks_.clear();
    return first;
  }
  void clear() noexcept {
    for (Chunk& chunk : chunks_) detail::freeImage(chunk.data, chunk.capacity, chunk.mapped);
    chunks_.clear();
  }

private:
  struct Chunk {
    char* data;
    size_t used, capacity;
    bool mapped;
  };
  std::vector<Chunk> chunks_;
};

class GridJournal {
public:
  ChangeList changes;
  TextStore texts;   // the images of journal::Cells
  size_t bytes = 0;  // memory held by the changes outside the slots and the text store

  bool empty() const { return changes.empty(); }
  // Room for one more change, so that adding it cannot fail once the grid has changed (or has
  // moved a text into it).
  void reserveOne() {
    open_ = nullptr;  // the last change may move
    changes.reserveOne();
  }
  template <typename Change>
  void add(Change&& change) {
    reserveOne();
    bytes += payloadBytes(change);
    changes.emplace_back(std::forward<Change>(change));
    open_ = nullptr;
  }

  // The old text of cell (r, c), before it changes.
  void cellText(int32_t r, int32_t c, const std::string& old) {
    // The next cell down or along the open change, the usual case of a loop, in place.
    if (journal::Cells* o = open_; o && !o->codes && texts.spare() >= kCellMost + old.size()) {
      const bool down = o->w == 1 && o->c == c && r == o->r + o->h;
      if (down || (o->h == 1 && o->r == r && c == o->c + o->w)) {
        char* at = texts.tail();
        const auto length = size_t(detail::putImageText(at, old) - at);
        texts.setEnd(texts.end() + length);
        o->length += length;
        ++(down ? o->h : o->w);
        return;
      }
    }
    newCellText(r, c, old);
  }
  // An image of a row of w cells from (r, c) (texts, or with `codes` their alignment codes) is
  // written at imageRoom(at most `most` bytes) and kept by keepImage(its end). Each extends the
  // last Cells change when the cells follow on from it (the next cells of its row, or the next
  // row of the same columns), so that a loop over a column or a block stores one change. Room
  // for a change is taken with the bytes: keeping cannot fail.
  char* imageRoom(size_t most) {
    if (texts.spare() >= most && changes.hasRoom()) return texts.tail();
    return newImageRoom(most);
  }
  void keepImage(int32_t r, int32_t c, int32_t w, const char* end, bool codes = false) noexcept {
    if (extends(r, c, w, codes)) {
      journal::Cells& o = *open_;
      const auto length = size_t(end - texts.tail());
      texts.setEnd(texts.end() + length);
      o.length += length;
      if (o.c == c && o.w == w && r == o.r + o.h) ++o.h;
      else o.w += w;
      return;
    }
    keepNewImage(r, c, w, end, codes);
  }

  // Appends another journal's changes after these.
  void append(GridJournal&& other) {
    const uint32_t first = texts.append(std::move(other.texts));
    for (size_t i = 0; i < other.changes.size(); ++i) {
      reserveOne();
      GridChange& change = other.changes[i];
      if (auto* cells = std::get_if<journal::Cells>(&change)) cells->chunk += first;
      changes.emplace_back(std::move(change));
    }
    bytes += other.bytes;
    other.clear();
    open_ = nullptr;
  }
  // The memory the journal holds.
  size_t capacityBytes() const { return bytes + changes.capacityBytes() + texts.capacityBytes(); }
  // A complete journal gives back the unused end of its text store.
  void shrink() noexcept { texts.shrink(); }
  void clear() {
    changes.clear();
    texts.clear();
    bytes = 0;
    open_ = nullptr;
  }

  static size_t payloadBytes(const journal::Removed& r) {
    if (!r.lines) return 0;
    return sizeof(journal::Lines) + storeBytes(r.lines->cells) + r.lines->sizes.size() * sizeof(int32_t) +
           r.lines->colAlign.size();
  }
  static size_t payloadBytes(const journal::Table& t) {
    if (!t.image) return 0;
    const journal::TableImage& i = *t.image;
    return sizeof(i) + storeBytes(i.cells) + i.colAlign.size() + (i.colWidth.size() + i.rowHeight.size()) * sizeof(int32_t);
  }
  template <typename Other>
  static size_t payloadBytes(const Other&) { return 0; }

private:
  // The last change when it is a Cells change whose image ends at the end of the text store,
  // while no room for a change was taken since: the next cells along it go in without a look-up.
  journal::Cells* open_ = nullptr;

  static constexpr size_t kCellMost = detail::kImageLengthBytes + detail::kImageSlack;
  // The slow paths of cellText, imageRoom and keepImage (src/host/grid.cpp).
  void newCellText(int32_t r, int32_t c, const std::string& old);
  char* newImageRoom(size_t most);
  void keepNewImage(int32_t r, int32_t c, int32_t w, const char* end, bool codes) noexcept;

  bool extends(int32_t r, int32_t c, int32_t w, bool codes) const {
    const journal::Cells* o = open_;
    // Along a row only for texts: an image of codes has a tag per row and image.
    return o && o->codes == codes &&
           ((o->c == c && o->w == w && r == o->r + o->h) || (!codes && o->h == 1 && o->r == r && c == o->c + o->w));
  }

  static size_t heapBytes(const std::string& s) { return s.capacity() > 15 ? s.capacity() + 1 : 0; }
  static size_t storeBytes(const Grid::CellStore& cells) {
    size_t n = cells.capacity() * sizeof(Grid::Cell);
    for (const Grid::Cell& cell : cells) n += heapBytes(cell.text);
    return n;
  }
};

}  // namespace tablique
