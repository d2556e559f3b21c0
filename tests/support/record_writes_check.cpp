// Linked into every test program: at every step boundary the undo history compares all the
// formula records with its copy, and a record some writer changed without naming it in
// ControlState::recordWrites fails the test that ran it. Such a write would be missing from
// the undo step, and undo would put back wrong formulas.
#include <gtest/gtest.h>

#include "control/history.h"

namespace {

void unnamedRecordWrite(size_t index) {
  ADD_FAILURE() << "formula record " << index
                << " changed without being named in ControlState::recordWrites: the undo step misses it";
}

[[maybe_unused]] const bool checking = (tablique::History::unnamedRecordWrite = &unnamedRecordWrite, true);

}  // namespace
