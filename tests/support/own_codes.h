// The alignment codes of the cells' own (rows 1..), which the painted alignment hides wherever a
// code equals its column's: read from a copy of the grid by recording one alignment pass over
// every column.
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include <tablique/grid.h>

#include "host/grid_journal.h"

namespace tablique::testing {

// Row-major, rows 1..Rows()-1 by every column.
inline std::vector<uint8_t> ownCodes(const Grid& g) {
  Grid probe = g;
  probe.changed = nullptr;
  probe.setJournal(nullptr);
  probe.settleAlignments();  // what pending column alignments dropped already
  GridJournal pass;
  probe.setJournal(&pass);
  for (int32_t c = 0; c < probe.Cols(); ++c) probe.setColAlignment(c, probe.ColAlignment(c));
  probe.settleAlignments();
  probe.setJournal(nullptr);
  const auto cols = size_t(g.Cols());
  std::vector<uint8_t> codes(size_t(g.Rows() - 1) * cols, kAlignGeneral);
  for (size_t i = 0; i < pass.changes.size(); ++i) {
    const auto* ch = std::get_if<journal::Cells>(&pass.changes[i]);
    if (!ch || !ch->codes) continue;
    const char* in = pass.texts.data(ch->chunk) + ch->offset;
    for (int32_t r = ch->r; r < ch->r + ch->h; ++r) {
      const bool same = *in++ == 0;
      for (int32_t k = 0; k < ch->w; ++k) codes[size_t(r - 1) * cols + size_t(ch->c + k)] = uint8_t(same ? *in : in[k]);
      in += same ? 1 : ch->w;
    }
  }
  return codes;
}

}  // namespace tablique::testing
