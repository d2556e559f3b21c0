// The reliability harness's random sessions with Ctrl+Z and Ctrl+Y mixed in, every invariant of
// the harness checked after every event; then undo all the way back gives the starting table
// exactly and redo all the way forward the final one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "control/undo_snapshot.h"
#include "harness/session.h"

namespace tablique::testing {
namespace {

TEST(UndoHarness, RandomSessionsUndoAllTheWayBackAndRedoAllTheWayForward) {
  const char* env = std::getenv("TABLIQUE_UNDO_SEEDS");
  const uint64_t seeds = env ? uint64_t(std::atoll(env)) : 40;
  const char* envEvents = std::getenv("TABLIQUE_UNDO_EVENTS");
  const int events = envEvents ? std::atoi(envEvents) : 150;
  harness::Runner runner;
  int failures = 0;
  size_t checked = 0;  // undos compared with a known table on the way back
  const uint64_t first = std::getenv("TABLIQUE_UNDO_FIRST") ? uint64_t(std::atoll(std::getenv("TABLIQUE_UNDO_FIRST"))) : 1;
  for (uint64_t seed = first; seed <= seeds && failures < 3; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Control c;
    harness::prepare(c);
    c.clearUndo();
    const Snapshot start = meant(c);
    // The table whenever the history held k steps and nothing to redo, nothing pending: undo
    // back to k steps must give it again.
    std::map<size_t, Snapshot> known{{0, start}};
    // A new step drops what was known from that count up (the history took another way).
    std::pair<size_t, size_t> counts{0, 0};
    c.setHistoryListener([&] {
      const std::pair<size_t, size_t> now{c.undoSteps(), c.redoSteps()};
      if (now != counts && now.second == 0) known.erase(known.lower_bound(now.first), known.end());
      counts = now;
    });
    harness::Generator gen(seed);
    std::vector<harness::Event> run;
    for (int i = 0; i < events; ++i) {
      harness::Event e = gen.next(c);
      const int undoKey = gen.pick(0, 11);
      if (undoKey == 0) e = {harness::Kind::EditorKey, 90, 0, 0, 2};  // Ctrl+Z where the focus is
      if (undoKey == 1) e = {harness::Kind::EditorKey, 89, 0, 0, 2};  // Ctrl+Y
      if (undoKey == 2) e = {harness::Kind::GridKey, 90, 0, 0, 3};    // Ctrl+Shift+Z
      run.push_back(e);
      const Snapshot before = meant(c), whole = snap(c);
      const size_t steps = c.undoSteps(), redoSteps = c.redoSteps();
      const bool editing = c.focus() == FocusTarget::Editor;  // its typing is in the table already
      // A drag still going on holds its changes (and those of events meanwhile) for its step.
      const bool wasHeld = c.grid().fillMarker == 2 || c.state().fillDone != FillDone::None;
      harness::Failure f;
      if (undoKey <= 2) {  // the harness's reach checks do not know these keys: the invariants only
        if (e.kind == harness::Kind::GridKey) c.focusGrid();
        c.pressKey(int16_t(e.a), int16_t(e.d));
        f = harness::checkInvariants(c);
      } else {
        f = runner.step(c, e);
      }
      if (std::getenv("UNDO_TRACE") && seed == uint64_t(std::atoll(std::getenv("UNDO_TRACE"))))
        std::printf("%d %s steps %zu redo %zu focus %d cell31 '%s'\n", i, harness::toCode(e).c_str(), c.undoSteps(),
                    c.redoSteps(), int(c.focus()), c.rows() >= 3 ? c.gettext(3, 1).c_str() : "-");
      std::string what;
      if (harness::unexpected(f)) what = f.check + ": " + f.detail;
      const bool held = c.focus() == FocusTarget::Editor || c.grid().fillMarker == 2 ||
                        c.state().fillDone != FillDone::None;
      if (what.empty() && !editing && !held && !meant(c).sameTable(before) && c.undoSteps() == steps &&
          c.redoSteps() == redoSteps)
        what = "the table changed without a step";
      if (what.empty() && undoKey > 2 && !editing && !held && !wasHeld &&
          c.undoSteps() > steps && snap(c).sameTable(whole))
        what = "a step that changes nothing";
      if (!what.empty()) {
        std::string replay;
        for (const harness::Event& ev : run) replay += "  " + harness::toCode(ev) + ",\n";
        ADD_FAILURE() << "event " << i << ": " << what << "\n" << replay;
        ++failures;
        break;
      }
      if (!held && c.redoSteps() == 0) known[c.undoSteps()] = meant(c);
    }
    if (::testing::Test::HasFailure()) continue;
    c.focusGrid();
    c.setHistoryListener(nullptr);
    while (c.redo()) {}
    const Snapshot final = meant(c);
    size_t n = 0;
    while (c.undo()) {
      ++n;
      const auto it = known.find(c.undoSteps());
      checked += it != known.end();
      if (it != known.end() && !meant(c).sameTable(it->second)) {
        ADD_FAILURE() << "undo back to " << c.undoSteps() << " steps: " << describe(meant(c), it->second);
        ++failures;
        break;
      }
    }
    if (::testing::Test::HasFailure()) continue;
    if (!meant(c).sameTable(start)) {
      ADD_FAILURE() << "undo all (" << n << " steps): " << describe(meant(c), start);
      ++failures;
      continue;
    }
    while (c.redo()) {}
    if (!meant(c).sameTable(final)) {
      ADD_FAILURE() << "redo all: " << describe(meant(c), final);
      ++failures;
    }
  }
  EXPECT_GT(checked, (seeds - first + 1) * 5);
  std::printf("%zu undos compared with the table known at their step\n", checked);
}

}  // namespace
}  // namespace tablique::testing
