// What a step's journal amounts to: whether taking it back would leave the table as it is.
#pragma once

#include <tablique/grid.h>

#include "host/grid_journal.h"

namespace tablique {

// Whether `changes`, the journal of what happened to `grid` since a step boundary, cancel out:
// the texts, the cells' own alignment codes, the column alignments, the sizes and the counts
// are what they were at the boundary. Column alignments must be settled (settleAlignments).
//
// Decided without replaying: a journal that starts with a whole-table image is compared with the
// table; otherwise texts, codes, sizes and column alignments written are compared with the table
// at the places they held before (following the rows and columns moved since), and moved lines
// with the lines now in their place. Inserts and removals count as changes. Stops at the first
// difference, so a real change costs a comparison or two.
bool leavesTableAsItIs(const Grid& grid, const GridJournal& changes);

}  // namespace tablique
