// Paste: the clipboard text written as a block at the current cell.
//
//   pastesel -> pasteText(clipboard) -> splitPasteText -> pasteBlock:
//     grow the grid (addrow, addcol), write the block row by row (an overflow message stops the
//     writing), retire the cell formulas under the written cells, then, when a formula record
//     names a pasted column, the restricted recalc over the pasted rows; the current cell is put
//     back to the origin at the end.
#include <tablique/control.h>

#include <algorithm>
#include <cstdint>
#include <limits>

#include "editing/paste_text.h"
#include "editing/record_edit.h"
#include "editing/texts.h"

namespace tablique {

void Control::pastesel() { pasteText(platform_->clipboardText()); }

void Control::pasteText(std::string_view text) {
  pasteBlock(editing::splitPasteText(text, st_.copyText));
}

void Control::pasteBlock(editing::PasteBlock block) {
  const int32_t r0 = grid_.Row(), c0 = grid_.Col();
  // Nothing is written into the fixed row or column: such a paste is refused.
  if (!block.empty() && (r0 < 1 || c0 < 1))
    throw Error(ErrorCode::Refused,
                "paste refused: the current cell (" + std::to_string(r0) + ", " + std::to_string(c0) +
                    ") is a header cell",
                editing::texts::kPasteInHeader);
  st_.pasteRows = 0;
  if (!block.empty()) {
    // Growth: room for every line of the source text and every cell of the widest row.
    // Both leave a spare row or column beyond the block in the usual case.
    const int64_t needRows = int64_t(r0) + block.lines - (grid_.Rows() - 1);
    if (needRows > 0 && needRows <= std::numeric_limits<int32_t>::max()) addrow(int32_t(needRows));
    const int64_t needCols = int64_t(c0) + block.width - (grid_.Cols() - 1);
    if (needCols > 0) addcol(int32_t(needCols));

    // Writing, row by row; written[k] = cells written in block row k.
    std::vector<int32_t> written;
    written.reserve(size_t(block.rows()));
    const int32_t lastRow = grid_.Rows() - 1, lastCol = grid_.Cols() - 1;
    bool stopped = false;
    for (int32_t k = 0; k < block.rows() && !stopped; ++k) {
      const int32_t r = r0 + k;
      if (k > 0) {
        ++st_.pasteRows;
        if (r > lastRow) {
          platform_->messageBox(editing::texts::kRowsExceeded, editing::texts::kOverflowTitle, false);
          break;
        }
      }
      const int32_t len = block.rowLength(k);
      const int32_t fit = std::max(0, std::min(len, lastCol - c0 + 1));
      grid_.writeRowTexts(r, c0, fit, [&](int32_t j, std::string& cell) { cell.assign(block.at(k, j)); });
      if (fit < len) {
        platform_->messageBox(editing::texts::kColsExceeded, editing::texts::kOverflowTitle, false);
        stopped = true;
      }
      written.push_back(fit);
    }

    // Retire the cell formulas of the written cells, one scan per touched record.
    int32_t widest = 0;
    for (int32_t w : written) widest = std::max(widest, w);
    const int32_t rowsWritten = int32_t(written.size());
    for (int32_t c = c0; c < c0 + widest && c < int32_t(st_.colFormula.size()); ++c) {
      std::string& record = st_.colFormula[size_t(c)];
      if (record.empty()) continue;
      st_.recordWrites.touch(size_t(c));
      editing::rewriteRowTags(record, [&](int32_t t) {
        const int64_t k = int64_t(t) - r0;
        return k >= 0 && k < rowsWritten && written[size_t(k)] > c - c0 ? editing::kRetire : editing::kKeep;
      });
    }

    hideEditor();
    // Recalculation when a formula record names a pasted column.
    bool due = false;
    const int32_t firstCol = c0, lastPasted = c0 + block.width - 1;
    for (int32_t k = std::min(grid_.Cols() - 1, int32_t(st_.colFormula.size()) - 1); k >= 1 && !due; --k)
      due = !st_.colFormula[size_t(k)].empty() &&
            editing::mentionsColumnText(st_.colFormula[size_t(k)], firstCol, lastPasted);
    if (due) {
      // The restricted recalc covers the current row and pasteRows after it: the pasted rows,
      // also when the growth above moved the current cell.
      grid_.setRow(r0);
      grid_.setCol(c0);
      const FormuMode savedMode = st_.formuMode;
      st_.pasteMode = PasteMode::Restricted;
      st_.formuMode = FormuMode::Silent;
      try {
        recalc();
      } catch (const std::exception&) {
      }
      st_.formuMode = savedMode;
    }
  }
  st_.pasteRows = 0;
  st_.pasteMode = PasteMode::None;
  mouseset(r0, c0);
}

}  // namespace tablique
