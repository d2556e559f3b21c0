// Transpose: the selected rectangle turned about its top-left corner.
//   a b c        a d
//   d e f   ->   b e
//                c f
#include <tablique/control.h>

#include <vector>

#include "editing/selection.h"

namespace tablique {

// Reports success in every case. A block that would not fit in the grid changes no cell.
void Control::trans() {
  endEdit();
  try {
    if (!editing::normaliseSelection(st_)) return;
    const int32_t r0 = st_.rr0, c0 = st_.cc0;
    const int32_t h = st_.RR - r0 + 1, w = st_.cc - c0 + 1;
    const bool fits = editing::selectionInside(grid_, st_) && r0 + w - 1 <= grid_.Rows() - 1 &&
                      c0 + h - 1 <= grid_.Cols() - 1;
    if (fits) {
      std::vector<std::string> buffer;
      buffer.reserve(size_t(h) * size_t(w));
      for (int32_t i = 0; i < h; ++i)
        for (int32_t j = 0; j < w; ++j) buffer.push_back(grid_.textAt(r0 + i, c0 + j));
      for (int32_t i = 0; i < h; ++i)
        for (int32_t j = 0; j < w; ++j) grid_.moveTextAt(r0 + i, c0 + j, std::string());
      for (int32_t i = 0; i < h; ++i)
        for (int32_t j = 0; j < w; ++j)
          grid_.moveTextAt(r0 + j, c0 + i, std::move(buffer[size_t(i) * size_t(w) + size_t(j)]));
    }
  } catch (const std::exception&) {
  }
  hideEditor();
  focusGrid();
}

}  // namespace tablique
