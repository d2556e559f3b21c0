// Random sessions of commands and edits through the real handlers and methods: every change of
// the table is exactly one step, undo all the way back gives the starting table, current cell
// and selection, redo all the way forward the final ones, and undo/redo in between follow.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/undo_snapshot.h"
#include "support/driver.h"

namespace tablique::testing {
namespace {

namespace fs = std::filesystem;

class Session {
public:
  Session(uint64_t seed, const fs::path& folder) : rng_(seed), folder_(folder) {}

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  std::string text() {
    static const char* pieces[] = {"1", "2.5", "-7", "10", "abc", "中文", "😀", "a\"b", "$", ";", "@", "x y", "0", "1E+20"};
    std::string t = pieces[pick(0, 13)];
    if (pick(0, 3) == 0) t += pieces[pick(0, 13)];
    return t;
  }
  int32_t dataRow(const Control& c) { return pick(1, std::max(1, c.rows())); }
  int32_t dataCol(const Control& c) { return pick(1, std::max(1, c.cols())); }

  // Selects a block with a left drag (the press opens the editor on the anchor; the drag and
  // release leave it there, nothing is written).
  void select(Control& c) {
    const int32_t r = dataRow(c), k = dataCol(c);
    const int32_t r2 = std::min(c.rows(), r + pick(0, 2)), k2 = std::min(c.cols(), k + pick(0, 2));
    reveal(c, r, k);
    press(c, r, k);
    if (r2 != r || k2 != k) move(c, r2, k2);
    release(c, r2, k2);
    c.focusGrid();
  }

  // Runs one random event; the part that may change the table runs inside `act`.
  void event(Control& c, const std::function<void(const std::function<void()>&)>& act) {
    kind = pick(0, 27);
    switch (kind) {
      case 0: case 1: case 2: {  // an edit: click, type, end with Enter or the focus leaving
        const int32_t r = dataRow(c), k = dataCol(c);
        click(c, r, k);
        act([&] {
          c.typeText(text());
          if (pick(0, 1)) c.pressKey(13); else c.focusGrid();
        });
        break;
      }
      case 3: {  // an edit taken back by Backspace: changes nothing
        click(c, dataRow(c), dataCol(c));
        act([&] {
          c.typeText("z");
          c.pressKey(8);
          c.focusGrid();
        });
        break;
      }
      case 4: case 5: {
        select(c);
        std::string block;
        for (int i = 0, n = pick(1, 3); i < n; ++i) {
          for (int j = 0, m = pick(1, 3); j < m; ++j) block += (j ? "\t" : "") + text();
          block += "\r\n";
        }
        c.headless().setClipboardText(block);
        act([&] { c.m_paste(); });
        break;
      }
      case 6: select(c); act([&] { c.m_copy(); c.m_paste(); }); break;
      case 7: select(c); act([&] { c.m_delete(); }); break;
      case 8: select(c); act([&] { c.m_cut(); }); break;
      case 9: select(c); act([&] { c.m_rowins(); }); break;
      case 10: select(c); act([&] { c.m_rowdel(); }); break;
      case 11: select(c); act([&] { c.m_colins(); }); break;
      case 12: select(c); act([&] { c.m_coldel(); }); break;
      case 13: select(c); act([&] { pick(0, 1) ? c.m_collef() : c.m_colrig(); }); break;
      case 14: select(c); act([&] { pick(0, 1) ? c.m_rowup() : c.m_rowdow(); }); break;
      case 15: {
        const int32_t k = dataCol(c);
        const std::string f = "C" + std::to_string(dataCol(c)) + (pick(0, 1) ? "*2" : "+1");
        act([&] { c.formuset(k, pick(0, 3) ? f : std::string()); });
        break;
      }
      case 16: {
        const int32_t k = dataCol(c);
        act([&] { c.update(k); });
        break;
      }
      case 17: select(c); act([&] { c.psort(pick(0, 2) == 0 ? script::Value(-1) : script::Value(0)); }); break;
      case 18: select(c); act([&] { c.statis(dataCol(c)); }); break;
      case 19: select(c); act([&] { c.trans(); }); break;
      case 20: act([&] { pick(0, 1) ? c.addrow(pick(1, 3)) : c.addcol(pick(1, 2)); }); break;
      case 21: {
        const int32_t k = dataCol(c), r = dataRow(c);
        act([&] { pick(0, 1) ? c.setcolw(k, float(pick(5, 40))) : c.setrowh(r, float(pick(3, 15))); });
        break;
      }
      case 22: {
        const int32_t r = dataRow(c), k = dataCol(c);
        act([&] { c.settext(r, k, text()); });
        break;
      }
      case 23: {  // a fill drag down from a one-row block
        const int32_t r = pick(1, std::max(1, c.rows() - 3)), k = dataCol(c);
        reveal(c, r, k);
        click(c, r, k);
        c.focusGrid();
        act([&] {
          press(c, r, k, kMiddle, kCtrl);
          move(c, std::min(c.rows(), r + pick(1, 3)), k, kMiddle, kCtrl);
          release(c, r, k, kMiddle, kCtrl);
        });
        break;
      }
      case 24: {  // the formula command
        select(c);
        c.headless().queueInput("C" + std::to_string(dataCol(c)) + "+1");
        act([&] { c.m_focal(); });
        break;
      }
      case 25: {  // a text file saved and opened again, or a small new table
        if (pick(0, 1)) {
          const std::string path = (folder_ / ("t" + std::to_string(pick(0, 3)) + ".txt")).string();
          c.headless().queueFile(path);
          c.savetxt();
          c.headless().queueFile(path);
          act([&] { c.opentxt(); });
        } else {
          act([&] { c.rowcol(pick(3, 12), pick(2, 6)); });
        }
        break;
      }
      case 26: {  // export and import of the native file
        const std::string path = (folder_ / ("d" + std::to_string(pick(0, 3)) + ".tbq")).string();
        c.headless().queueFile(path);
        act([&] { c.m_daexp(); });
        c.headless().queueFile(path);
        act([&] { c.m_dainp(); });
        break;
      }
      case 27: act([&] { c.pressKey(46); }); break;  // Delete on the selection
    }
  }

  int kind = -1;  // the last event's kind, for failure messages

private:
  std::mt19937_64 rng_;
  fs::path folder_;
};

struct StepRecord {
  Snapshot before, after;
};

void runSession(uint64_t seed, int events) {
  SCOPED_TRACE("seed " + std::to_string(seed));
  const fs::path folder = fs::temp_directory_path() / ("tablique-undo-" + std::to_string(seed));
  fs::create_directories(folder);
  Control c;
  c.rowcol(10, 5);
  c.settext(1, 1, "1");
  c.settext(2, 1, "2");
  c.settext(3, 1, "3");
  c.settext(1, 2, "x");
  c.formuset(3, "C1*2");
  c.clearUndo();
  ASSERT_FALSE(c.canUndo());
  const Snapshot start = meant(c);

  Session s(seed, folder);
  std::vector<StepRecord> done, undone;
  for (int i = 0; i < events && !::testing::Test::HasFailure(); ++i) {
    const int choice = s.pick(0, 9);
    if (choice == 0 && !done.empty()) {  // Ctrl+Z in the grid
      c.focusGrid();
      c.pressKey(90, 2);
      ASSERT_EQ(meant(c), done.back().before) << "undo at event " << i << ": " << describe(meant(c), done.back().before);
      undone.push_back(done.back());
      done.pop_back();
      continue;
    }
    if (choice == 1 && !undone.empty()) {  // Ctrl+Y
      c.focusGrid();
      c.pressKey(89, 2);
      ASSERT_EQ(meant(c), undone.back().after) << "redo at event " << i;
      done.push_back(undone.back());
      undone.pop_back();
      continue;
    }
    const int previousKind = s.kind;
    s.event(c, [&](const std::function<void()>& action) {
      const Snapshot before = meant(c), raw = snap(c);
      const size_t steps = c.undoSteps();
      try {
        action();
      } catch (const Error&) {
      }
      const Snapshot after = meant(c);
      const size_t added = c.undoSteps() - steps;
      if (c.undoSteps() == steps) {
        EXPECT_TRUE(before.sameTable(after))
            << "event " << i << " (kind " << s.kind << ") changed the table without a step: " << describe(before, after);
        return;
      }
      if (raw.sameTable(snap(c))) {
        ADD_FAILURE() << "event " << i << " (kind " << s.kind << ") changed nothing but added a step";
        return;
      }
      ASSERT_EQ(added, 1u) << "event " << i << " (kind " << s.kind << ", previous " << previousKind << ")";
      EXPECT_FALSE(c.canRedo()) << "a new step drops the undone ones";
      done.push_back({before, after});
      undone.clear();
    });
  }
  if (::testing::Test::HasFailure()) return;
  const Snapshot final = meant(c);
  const bool endedOnUndo = !undone.empty();
  // Undo all the way back: every step's own state before it, then the start.
  for (size_t k = done.size(); k-- > 0;) {
    ASSERT_TRUE(c.undo());
    ASSERT_EQ(meant(c), done[k].before) << "undo of step " << k << ": " << describe(meant(c), done[k].before);
  }
  EXPECT_FALSE(c.undo());
  EXPECT_TRUE(meant(c).sameTable(start)) << describe(meant(c), start);
  // Redo all the way forward.
  for (size_t k = 0; k < done.size(); ++k) {
    ASSERT_TRUE(c.redo());
    ASSERT_EQ(meant(c), done[k].after) << "redo of step " << k << ": " << describe(meant(c), done[k].after);
  }
  while (!undone.empty()) {
    ASSERT_TRUE(c.redo());
    ASSERT_EQ(meant(c), undone.back().after);
    undone.pop_back();
  }
  EXPECT_FALSE(c.canRedo());
  if (!endedOnUndo) EXPECT_TRUE(meant(c).sameTable(final)) << describe(meant(c), final);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

TEST(UndoSession, RandomSessionsUndoAndRedoAllTheWay) {
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    runSession(seed, 60);
    if (::testing::Test::HasFailure()) break;
  }
}

}  // namespace
}  // namespace tablique::testing
