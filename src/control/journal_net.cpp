// Whether a journal cancels out, decided by comparing what it holds with the table now.
#include "control/journal_net.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <numeric>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

namespace tablique {

namespace {

bool sameAsImage(const Grid& g, const journal::TableImage& image) {
  const int32_t rows = image.rows, cols = image.cols;
  if (rows != g.Rows() || cols != g.Cols() || image.cells.size() != size_t(rows) * size_t(cols) ||
      image.colAlign.size() != size_t(cols) || image.colWidth.size() != size_t(cols) ||
      image.rowHeight.size() != size_t(rows))
    return false;
  for (int32_t c = 0; c < cols; ++c)
    if (image.colAlign[size_t(c)] != g.ColAlignment(c) || image.colWidth[size_t(c)] != g.ColWidth(c)) return false;
  for (int32_t r = 0; r < rows; ++r)
    if (image.rowHeight[size_t(r)] != g.RowHeight(r)) return false;
  const Grid::Cell* cell = image.cells.data();
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < cols; ++c, ++cell)
      if (cell->align != g.ownAlignmentAt(r, c) || cell->text != g.textAt(r, c)) return false;
  return true;
}

// Keys seen, open addressing; adding tells whether the key is new.
class Seen {
public:
  bool add(uint64_t key) {
    if (2 * (size_ + 1) > slots_.size()) grow();
    for (size_t i = slot(key);; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i] == key) return false;
      if (slots_[i] == kEmpty) {
        slots_[i] = key;
        ++size_;
        return true;
      }
    }
  }
  bool contains(uint64_t key) const {
    if (slots_.empty()) return false;
    for (size_t i = slot(key);; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i] == key) return true;
      if (slots_[i] == kEmpty) return false;
    }
  }

private:
  static constexpr uint64_t kEmpty = ~uint64_t(0);  // no key: indices are below 2^31
  size_t slot(uint64_t key) const { return size_t((key * 0x9E3779B97F4A7C15ull) >> (64 - bits_)); }
  void grow() {
    std::vector<uint64_t> old = std::move(slots_);
    bits_ = old.empty() ? 4 : bits_ + 1;
    slots_.assign(size_t(1) << bits_, kEmpty);
    size_ = 0;
    for (uint64_t key : old)
      if (key != kEmpty) add(key);
  }
  std::vector<uint64_t> slots_;
  size_t size_ = 0;
  int bits_ = 0;
};

uint64_t key(int32_t a, int32_t b) { return uint64_t(uint32_t(a)) << 32 | uint32_t(b); }

// The lines of one direction moved since the boundary: for each line now, where it was. Held
// for the span of lines the moves touched only, so that exchanging two rows of a long table
// costs two entries.
class Moves {
public:
  bool any() const { return !at_.empty(); }
  int32_t first() const { return lo_; }
  int32_t end() const { return lo_ + int32_t(at_.size()); }
  int32_t was(int32_t x) const { return x >= lo_ && x < end() ? at_[size_t(x - lo_)] : x; }
  // The line at `from` went to `to`, those between moved up or down by one (Grid::setRowPosition).
  void move(int32_t from, int32_t to) {
    cover(std::min(from, to), std::max(from, to) + 1);
    const auto b = at_.begin();
    const int32_t f = from - lo_, t = to - lo_;
    if (f < t) std::rotate(b + f, b + f + 1, b + t + 1);
    else std::rotate(b + t, b + f, b + f + 1);
  }
  // For each line of the span at the boundary, where it is now.
  std::vector<int32_t> whereNow() const {
    std::vector<int32_t> now(at_.size());
    for (size_t x = 0; x < at_.size(); ++x) now[size_t(at_[x] - lo_)] = lo_ + int32_t(x);
    return now;
  }

private:
  void cover(int32_t lo, int32_t end) {
    if (at_.empty()) lo_ = lo;
    const int32_t newLo = std::min(lo, lo_), newEnd = std::max(end, this->end());
    if (newLo == lo_ && newEnd == this->end()) return;
    std::vector<int32_t> at(size_t(newEnd - newLo));
    std::iota(at.begin(), at.end(), newLo);
    std::copy(at_.begin(), at_.end(), at.begin() + (lo_ - newLo));
    at_ = std::move(at);
    lo_ = newLo;
  }
  int32_t lo_ = 0;
  std::vector<int32_t> at_;
};

// The table at the boundary, as far as the journal tells it, against the table now. A place is
// known by where it was at the boundary: rows and columns moved since are followed.
class Net {
public:
  explicit Net(const Grid& g) : g_(g) {}

  // Each says whether the value the place held at the boundary is the one it holds now; only
  // the first change of a place holds that value. A place the table no longer has (lines taken
  // off later in the journal) is a change.
  bool text(int32_t r, int32_t c, std::string_view old) {
    const int32_t r0 = rowAt(r), c0 = colAt(c);
    return !texts_.add(key(r0, c0)) || (inside(r0, c0) && (++compared_, g_.textAt(r0, c0) == old));
  }
  bool code(int32_t r, int32_t c, uint8_t old) {
    const int32_t r0 = rowAt(r), c0 = colAt(c);
    return !codes_.add(key(r0, c0)) || (inside(r0, c0) && (++compared_, g_.ownAlignmentAt(r0, c0) == old));
  }
  bool height(int32_t r, int32_t old) {
    const int32_t r0 = rowAt(r);
    return !lines_.add(key(kHeight, r0)) || (inside(r0, 0) && (++compared_, g_.RowHeight(r0) == old));
  }
  bool width(int32_t c, int32_t old) {
    const int32_t c0 = colAt(c);
    return !lines_.add(key(kWidth, c0)) || (inside(0, c0) && (++compared_, g_.ColWidth(c0) == old));
  }
  bool colAlign(int32_t c, uint8_t old) {
    const int32_t c0 = colAt(c);
    return !lines_.add(key(kColAlign, c0)) || (inside(0, c0) && (++compared_, g_.ColAlignment(c0) == old));
  }
  bool cells(const journal::Cells& ch, const TextStore& store) {
    const char* in = store.data(ch.chunk) + ch.offset;
    for (int32_t i = 0; i < ch.h; ++i) {
      const int32_t r = ch.r + i;
      if (!ch.codes) {
        for (int32_t k = 0; k < ch.w; ++k)
          if (!text(r, ch.c + k, detail::getImageText(in))) return false;
        continue;
      }
      const bool same = *in++ == 0;
      for (int32_t k = 0; k < ch.w; ++k)
        if (!code(r, ch.c + k, uint8_t(same ? *in : in[k]))) return false;
      in += same ? 1 : ch.w;
    }
    return true;
  }
  // The grid moved line `from` to `to` (Grid::setRowPosition, setColPosition).
  void move(bool column, int32_t from, int32_t to) { (column ? cols_ : rows_).move(from, to); }
  // The lines moved: the places whose value stayed with them hold what their place held.
  bool movedLinesSame() {
    const std::vector<int32_t> rowNow = rows_.whereNow(), colNow = cols_.whereNow();
    const auto now = [](const Moves& m, const std::vector<int32_t>& v, int32_t x0) {
      return x0 >= m.first() && x0 < m.end() ? v[size_t(x0 - m.first())] : x0;
    };
    const auto same = [&](int32_t r0, int32_t c0) {
      const int32_t r = now(rows_, rowNow, r0), c = now(cols_, colNow, c0);
      ++compared_;
      return (texts_.contains(key(r0, c0)) || g_.textAt(r, c) == g_.textAt(r0, c0)) &&
             (codes_.contains(key(r0, c0)) || g_.ownAlignmentAt(r, c) == g_.ownAlignmentAt(r0, c0));
    };
    for (int32_t r0 = rows_.first(); r0 < rows_.end(); ++r0) {
      const int32_t r = now(rows_, rowNow, r0);
      if (r == r0) continue;
      if (!lines_.contains(key(kHeight, r0)) && g_.RowHeight(r) != g_.RowHeight(r0)) return false;
      for (int32_t c0 = 0; c0 < g_.Cols(); ++c0)
        if (!same(r0, c0)) return false;
      if (overBudget()) return false;
    }
    for (int32_t c0 = cols_.first(); c0 < cols_.end(); ++c0) {
      const int32_t c = now(cols_, colNow, c0);
      if (c == c0) continue;
      if (!lines_.contains(key(kWidth, c0)) && g_.ColWidth(c) != g_.ColWidth(c0)) return false;
      if (!lines_.contains(key(kColAlign, c0)) && g_.ColAlignment(c) != g_.ColAlignment(c0)) return false;
      for (int32_t r0 = 0; r0 < g_.Rows(); ++r0)
        if (!same(r0, c0)) return false;
      if (overBudget()) return false;
    }
    return true;
  }
  // A journal that needs more comparisons than its recording cost counts as a change.
  bool overBudget() const { return compared_ > kMostCompared; }

private:
  static constexpr int32_t kHeight = 0, kWidth = 1, kColAlign = 2;
  static constexpr int64_t kMostCompared = int64_t(1) << 17;

  bool inside(int32_t r, int32_t c) const { return r >= 0 && r < g_.Rows() && c >= 0 && c < g_.Cols(); }
  int32_t rowAt(int32_t r) const { return rows_.was(r); }
  int32_t colAt(int32_t c) const { return cols_.was(c); }

  const Grid& g_;
  Moves rows_, cols_;
  Seen texts_, codes_, lines_;
  int64_t compared_ = 0;
};

}  // namespace

bool leavesTableAsItIs(const Grid& grid, const GridJournal& journal) {
  const ChangeList& changes = journal.changes;
  if (changes.empty()) return true;
  // A new table first: its image is the table at the boundary, whatever came after.
  if (const auto* t = std::get_if<journal::Table>(&changes[0])) return t->image && sameAsImage(grid, *t->image);
  Net net(grid);
  for (size_t i = 0; i < changes.size(); ++i) {
    const bool same = std::visit(
        [&](const auto& ch) -> bool {
          using T = std::decay_t<decltype(ch)>;
          if constexpr (std::is_same_v<T, journal::Cells>) return net.cells(ch, journal.texts);
          else if constexpr (std::is_same_v<T, journal::Align>) return net.code(ch.r, ch.c, ch.code);
          else if constexpr (std::is_same_v<T, journal::ColAlign>) return net.colAlign(ch.c, ch.code);
          else if constexpr (std::is_same_v<T, journal::Size>)
            return ch.column ? net.width(ch.index, ch.twips) : net.height(ch.index, ch.twips);
          else if constexpr (std::is_same_v<T, journal::Moved>) {
            net.move(ch.column, ch.to, ch.from);  // the journal holds the move that takes it back
            return true;
          } else {
            return false;  // rows or columns inserted or removed, a new table
          }
        },
        changes[i]);
    if (!same || net.overBudget()) return false;
  }
  return net.movedLinesSame();
}

}  // namespace tablique
