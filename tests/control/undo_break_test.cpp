// Undo and redo in the sequences a user runs into: an edit followed by a command from the
// editor's menu, undo with the editor open or a fill drag going on, failing commands, the bound
// and the history listener.
#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/undo_snapshot.h"
#include "host/grid_journal.h"
#include "support/driver.h"

// The next allocation of 1 MiB or more fails once, when armed (the undo tests' out-of-memory seam;
// stores from 4 MiB on come from the large-page allocator instead).
namespace {
std::atomic<bool> failNextLargeAllocation{false};
}  // namespace

void* operator new(std::size_t n) {
  if (n >= (size_t(1) << 20) && failNextLargeAllocation.exchange(false)) throw std::bad_alloc();
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
// The form that temporary buffers (stable_sort) take, freed through the operator delete above:
// it must come from the same allocator.
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return std::malloc(n ? n : 1); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace tablique::testing {
namespace {

namespace fs = std::filesystem;

void prepare(Control& c) {
  c.rowcol(8, 5);
  const char* column1[] = {"3", "1", "2", "5", "4"};
  for (int r = 1; r <= 5; ++r) c.settext(r, 1, column1[r - 1]);
  c.settext(1, 2, "中文");
  c.formuset(3, "C1*2");
  c.update(3);
  c.clearUndo();
}

struct Kind {
  const char* name;
  std::function<void(Control&, const fs::path&)> run;
};

// No mode flag left set, the editor usable.
void expectSettled(const Control& c) {
  EXPECT_EQ(c.state().editLock, EditLock::None);
  EXPECT_EQ(c.state().pasteMode, PasteMode::None);
  EXPECT_EQ(c.state().formuMode, FormuMode::Prompt);
  EXPECT_EQ(c.state().depGuard, DepGuard::None);
  EXPECT_EQ(c.state().fillDone, FillDone::None);
  EXPECT_EQ(c.grid().fillMarker, 0);
  EXPECT_TRUE(c.editor().enabled());
}

TEST(UndoBreak, AnEditThenACommandFromTheEditorsMenuAreTwoSteps) {
  for (const char* entry : {"CommandAA5m", "CommandAA4m", "CommandAA1m", "CommandAA13m", "CommandAA11m",
                            "CommandAA10m", "CommandAA7m", "CommandAA6m", "CommandAA8m", "CommandAA9m",
                            "CommandAA3m", "CommandAA12m"}) {
    SCOPED_TRACE(entry);
    Control c;
    prepare(c);
    c.headless().setClipboardText("p\tq\r\n");
    const Snapshot start = snap(c);
    click(c, 3, 2);
    c.typeText("typed");
    c.headless().queueMenuChoice(entry);
    c.Text1_MouseDown(kRight, 0, 10, 10);
    c.Text1_MouseUp(kRight, 0, 10, 10);
    ASSERT_EQ(c.undoSteps(), 2u);
    ASSERT_TRUE(c.undo());
    EXPECT_EQ(c.gettext(3, 2), "typed") << "undo of the command lost the edit";
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(start)) << describe(snap(c), start);
    expectSettled(c);
  }
}


// Ctrl+Z with the middle button still down: the rows filled so far are taken back and the rest of
// the drag fills nothing (it used to go on from the taken-back rows and leave them as a gap).
TEST(UndoBreak, UndoDuringAFillDragTakesBackWhatItFilledAndEndsTheDrag) {
  Control c;
  prepare(c);
  const Snapshot start = snap(c);
  click(c, 4, 1);
  c.focusGrid();
  press(c, 4, 1, kMiddle, kCtrl);
  move(c, 6, 1, kMiddle, kCtrl);
  ASSERT_EQ(c.gettext(6, 1), "5");
  c.pressKey(90, 2);
  EXPECT_TRUE(snap(c).sameTable(start)) << describe(snap(c), start);
  move(c, 8, 1, kMiddle, kCtrl);
  release(c, 8, 1, kMiddle, kCtrl);
  EXPECT_TRUE(snap(c).sameTable(start)) << describe(snap(c), start);
  expectSettled(c);
  EXPECT_EQ(c.undoSteps(), 0u);
  ASSERT_TRUE(c.redo());  // the filled rows come back as they were
  EXPECT_EQ(column(c, 1, 4, 7), (Texts{"5", "5", "5", ""}));
}

// Undo with the editor open, after Enter opened it one row down and typing arrived without key
// events (an input method): the typing goes, the edited cell is current and shown, no flag stays.
TEST(UndoBreak, UndoWithTheEditorOpenTakesBackTheTypingAndLeavesTheEditorUsable) {
  Control c;
  prepare(c);
  c.settext(7, 4, "before");
  c.mouseset(7, 4);
  c.pressKey(13);  // Enter: one row down, editor open there
  ASSERT_EQ(c.focus(), FocusTarget::Editor);
  c.typeText("中文😀");
  c.pressKey(13);
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(8, 4), "");
  EXPECT_EQ(c.grid().Row(), 8);
  EXPECT_EQ(c.grid().Col(), 4);
  expectSettled(c);

  click(c, 2, 2);
  c.typeText("x");
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(2, 2), "");
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  expectSettled(c);
  ASSERT_TRUE(c.redo());
  EXPECT_EQ(c.gettext(2, 2), "x");
}

// Commands that fail after an edit: the edit is the only step, the failures add none.
TEST(UndoBreak, FailingCommandsAfterAnEditAddNoStep) {
  const fs::path dir = fs::temp_directory_path() / "tablique-undo-break";
  fs::create_directories(dir);
  Control c;
  prepare(c);
  const Snapshot start = snap(c);
  click(c, 2, 2);
  c.typeText("edit");
  const std::string binary = (dir / "bin.txt").string();
  { std::ofstream(binary, std::ios::binary) << std::string("a\0b", 3); }
  c.headless().queueFile(binary);
  EXPECT_THROW(c.opentxt(), Error);
  c.headless().queueFile((dir / "missing.txt").string());
  EXPECT_THROW(c.opentxt(), Error);
  c.headless().queueFile((dir / "missing.tbq").string());
  EXPECT_THROW(c.m_dainp(), Error);
  EXPECT_THROW(c.formuset(2, std::string("C1\x0b")), Error);
  c.mouseset(1, 4);
  c.headless().queueInput("C4+1");  // self reference
  c.m_focal();
  c.headless().queueInput(std::string("C1\x0b"));
  EXPECT_THROW(c.m_focal(), Error);
  EXPECT_EQ(c.undoSteps(), 1u);
  EXPECT_FALSE(c.canRedo());
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(start)) << describe(snap(c), start);
  EXPECT_FALSE(c.canUndo());
  expectSettled(c);
  fs::remove_all(dir);
}

// A host's undo button follows the typing of an open edit: enabled once the cell differs from
// what the edit began with (undo takes it back), disabled again when the typing is taken back by
// hand; redo is off while the edit would drop what it redoes.
TEST(UndoBreak, TheListenerAndCanUndoFollowTheTypingOfAnOpenEdit) {
  Control c;
  prepare(c);
  int calls = 0;
  bool canUndo = false, canRedo = false;
  c.setHistoryListener([&] {
    ++calls;
    canUndo = c.canUndo();
    canRedo = c.canRedo();
    (void)c.undoSteps();
    (void)c.redoSteps();
  });
  click(c, 2, 2);
  EXPECT_EQ(calls, 0);
  c.typeText("a");
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(canUndo);
  c.typeText("b");
  EXPECT_EQ(calls, 1) << "told once, not per key";
  c.pressKey(8);
  c.pressKey(8);
  EXPECT_EQ(calls, 2);
  EXPECT_FALSE(canUndo);
  EXPECT_FALSE(c.canUndo());
  c.typeText("x");
  c.pressKey(13);  // the edit ends as a step: told once more
  EXPECT_EQ(calls, 4);
  EXPECT_TRUE(canUndo);
  ASSERT_EQ(c.undoSteps(), 1u);

  c.undo();
  EXPECT_TRUE(canRedo);
  click(c, 3, 2);
  c.typeText("y");
  EXPECT_TRUE(canUndo);
  EXPECT_FALSE(canRedo) << "ending the edit drops the redo";
  EXPECT_FALSE(c.redo());
  EXPECT_EQ(c.gettext(3, 2), "y");

  // With recording off there is nothing to take back, typing or not.
  c.setUndoLimit(0);
  click(c, 4, 2);
  c.typeText("w");
  EXPECT_FALSE(c.canUndo());
  EXPECT_FALSE(c.undo());
  EXPECT_EQ(c.gettext(4, 2), "w");

  // An edit that a column formula writes back changes nothing: no step, and the listener hears
  // that there is nothing to take back.
  Control d;
  prepare(d);
  for (int r = 1; r <= 5; ++r) d.settext(r, 2, "7");
  d.formuset(1, "C2+1");
  d.update(1);
  ASSERT_EQ(d.gettext(2, 1), "8");
  d.clearUndo();
  const std::string before = d.gettext(2, 1);
  bool dCanUndo = false;
  d.setHistoryListener([&] { dCanUndo = d.canUndo(); });
  click(d, 2, 1);
  d.typeText("q");
  EXPECT_TRUE(dCanUndo);
  d.focusGrid();
  ASSERT_EQ(d.gettext(2, 1), before);
  EXPECT_EQ(d.undoSteps(), 0u);
  EXPECT_FALSE(dCanUndo);
}

// Full pastes over the largest table, again and again: the history stays within its bound (plus
// the table and one step in flight), the newest steps stay undoable, and a lower bound frees.
TEST(UndoBreak, RepeatedFullPastesOnTheLargestTableStayWithinTheBound) {
  auto heapMiB = [] {  // the allocator's and the history's large images mapped on their own
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd + detail::mappedImageBytes()) / (1 << 20);
  };
  Control c;
  c.rowcol(6998, 49);
  c.clearUndo();
  const double base = heapMiB();
  double most = 0;
  for (int k = 0; k < 18; ++k) {  // about 5 MB a step: more than the bound holds
    std::string block;
    for (int r = 0; r < 6998; ++r) {
      for (int j = 0; j < 49; ++j) block += (j ? "\t" : "") + std::to_string(k * 100000 + r * 50 + j) + "专业";
      block += "\r\n";
    }
    c.headless().setClipboardText(block);
    block = {};
    c.mouseset(1, 1);
    c.m_paste();
    c.headless().setClipboardText({});
    most = std::max(most, heapMiB() - base);
  }
  EXPECT_LT(most, 64 + 2 * 16) << "MiB above the table";
  EXPECT_GE(c.undoSteps(), 3u);
  EXPECT_LT(c.undoSteps(), 18u);
  const size_t steps = c.undoSteps();
  for (size_t i = 0; i < steps; ++i) ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(6998, 49), std::to_string((17 - int(steps)) * 100000 + 6997 * 50 + 48) + "专业");
  c.setUndoLimit(1 << 20);
  EXPECT_EQ(c.redoSteps(), 0u);
  EXPECT_LT(heapMiB() - base, 8);
}

// A host that calls a click handler or sets the hidden editor's text itself gets a step at once:
// its undo button enables, and the listener hears it (the text used to wait for the next event).
TEST(UndoBreak, AHostWritingThroughTheHiddenEditorIsAStepAtOnce) {
  Control c;
  prepare(c);
  int calls = 0;
  c.setHistoryListener([&] { ++calls; });
  click(c, 3, 1);
  c.focusGrid();
  c.CommandAA5m_Click();  // 删除行
  EXPECT_EQ(c.undoSteps(), 1u);
  EXPECT_TRUE(c.canUndo());
  EXPECT_EQ(calls, 1);
  c.setEditorText("程序");  // a program sets the hidden editor's text: it lands in the current cell
  EXPECT_EQ(c.undoSteps(), 2u);
  EXPECT_EQ(calls, 2);
  ASSERT_TRUE(c.undo());
  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(3, 1), "2");
}

// Commands that change nothing visible add no step (addrow(0) and the clear command used to
// replace cell alignment codes by codes that show the same, a step Ctrl+Z took back invisibly).
TEST(UndoBreak, CommandsThatOnlyRewriteAlignmentsAlikeAddNoStep) {
  for (int fresh = 0; fresh < 2; ++fresh) {
    Control c;
    if (fresh) c.rowcol(8, 5);
    c.settext(1, 1, "x");
    c.clearUndo();
    c.addrow(0);
    c.addcol(0);
    EXPECT_EQ(c.undoSteps(), 0u);
    c.addrow(1);  // the column alignments replace the cells' own codes
    c.settext(1, 1, "");
    c.clearUndo();
    c.headless().queueMessageAnswer(MessageAnswer::Ok);
    c.m_clc();  // an empty table: nothing to clear
    EXPECT_EQ(c.undoSteps(), 0u);
    c.settext(1, 1, "x");
    c.clearUndo();
    const Snapshot aligned = snap(c);
    c.headless().queueMessageAnswer(MessageAnswer::Ok);
    c.m_clc();
    EXPECT_EQ(c.undoSteps(), 1u) << "the text goes";
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(aligned)) << describe(snap(c), aligned);
    // Rows added after the clear still take the column alignment, and undo gives back exactly.
    c.addrow(2);
    EXPECT_EQ(c.grid().alignmentAt(c.rows(), 2), kAlignLeftCenter);
    ASSERT_TRUE(c.undo());
    EXPECT_TRUE(snap(c).sameTable(aligned)) << describe(snap(c), aligned);
  }
}

// A paste into a formula column is written back by the column formula at once: the table is as
// it was, so there is no step (Ctrl+Z would have taken back nothing); a paste that stays is one.
TEST(UndoBreak, APasteThatTheColumnFormulaWritesBackAddsNoStep) {
  Control c;
  prepare(c);  // column 3 holds C1*2
  c.formuset(4, "C3+1");  // a paste into column 3 recomputes its rows
  c.update(4);
  c.clearUndo();
  click(c, 2, 3);
  c.focusGrid();
  const Snapshot before = snap(c);
  c.headless().setClipboardText("99\r\n98\r\n");
  c.m_paste();
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  EXPECT_EQ(c.undoSteps(), 0u);
  click(c, 2, 2);
  c.focusGrid();
  c.m_paste();
  EXPECT_EQ(c.undoSteps(), 1u);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
}

// Every kind of step on the largest table with column and cell formulas: undo gives the table
// before exactly and redo the table after, twice round.
TEST(UndoBreak, EveryKindOfStepOnTheLargestTableComesBackExactly) {
  const fs::path dir = fs::temp_directory_path() / "tablique-undo-break-large";
  fs::create_directories(dir);
  const std::string txt = (dir / "mistake.txt").string();
  { std::ofstream(txt, std::ios::binary) << "a\tb\r\n1\t2\r\n"; }
  Control c;
  c.rowcol(6998, 49);
  std::string block;
  for (int r = 0; r < 6998; ++r) {
    for (int j = 0; j < 49; ++j) block += (j ? "\t" : "") + std::to_string((r * 7919 + j * 31) % 10007);
    block += "\r\n";
  }
  c.headless().setClipboardText(block);
  c.mouseset(1, 1);
  c.m_paste();
  c.formuset(3, "C1*2");
  c.mouseset(5, 4);
  c.formuset(4, "=C1+C2");
  c.mouseset(6000, 4);
  c.formuset(4, "=C2&\"专业\"");
  c.update(3);
  c.update(4);
  c.setcolw(5, 30);
  const std::string column1 = [] {
    std::string b;
    for (int r = 0; r < 6998; ++r) b += std::to_string(r % 13) + "\r\n";
    return b;
  }();
  const std::vector<Kind> kinds = {
      {"sort", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.psort(0); }},
      {"rank", [](Control& c, const fs::path&) { click(c, 1, 2); c.focusGrid(); c.psort("C6"); }},
      {"paste with recalc", [&](Control& c, const fs::path&) {
         c.headless().setClipboardText(column1);
         c.mouseset(1, 1);
         c.m_paste();
       }},
      {"transpose", [](Control& c, const fs::path&) { select(c, 1, 1, 40, 40); c.focusGrid(); c.trans(); }},
      {"statistics", [](Control& c, const fs::path&) { click(c, 1, 1); c.focusGrid(); c.statis(7); }},
      {"row delete", [](Control& c, const fs::path&) { click(c, 3, 1); c.focusGrid(); c.m_rowdel(); }},
      {"column move", [](Control& c, const fs::path&) { click(c, 1, 2); c.focusGrid(); c.m_colrig(); }},
      {"row move", [](Control& c, const fs::path&) { click(c, 3, 2); c.focusGrid(); c.m_rowdow(); }},
      {"clear", [](Control& c, const fs::path&) { c.m_clc(); }},
      {"rowcol", [](Control& c, const fs::path&) { c.rowcol(10, 5); }},
      {"opentxt", [&](Control& c, const fs::path&) { c.headless().queueFile(txt); c.opentxt(); }},
  };
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    expectOneStep(c, [&] { kind.run(c, dir); });
    if (::testing::Test::HasFatalFailure()) break;
  }
  fs::remove_all(dir);
}

// No memory for the replay: the table and the history stay as they were, and the user is told,
// whether the undo came from the key, a host's menu (the public method) or its toolbar.
TEST(UndoBreak, AnUndoWithoutMemoryIsToldAndChangesNothing) {
  Control c;
  c.rowcol(1000, 40);  // a store of about 1.6 MiB
  c.settext(500, 20, "中文");
  c.clearUndo();
  c.mouseset(1, 20);
  c.m_coldel();
  const Snapshot deleted = snap(c);
  ASSERT_NE(c.gettext(500, 20), "中文");

  failNextLargeAllocation = true;
  c.pressKey(90, 2);
  failNextLargeAllocation = false;
  EXPECT_EQ(c.headless().failures().size(), 1u);
  ASSERT_FALSE(c.headless().messages().empty());
  EXPECT_EQ(c.headless().messages().back().title, "温馨提示");
  EXPECT_TRUE(snap(c).sameTable(deleted)) << describe(snap(c), deleted);
  EXPECT_EQ(c.undoSteps(), 1u);

  failNextLargeAllocation = true;
  EXPECT_THROW(c.undo(), Error);
  failNextLargeAllocation = false;
  EXPECT_EQ(c.headless().failures().size(), 2u);
  EXPECT_TRUE(snap(c).sameTable(deleted));

  ASSERT_TRUE(c.undo());
  EXPECT_EQ(c.gettext(500, 20), "中文");
  EXPECT_EQ(c.headless().failures().size(), 2u);
  ASSERT_TRUE(c.redo());
  EXPECT_TRUE(snap(c).sameTable(deleted));
}

// A session of steps of every size, each compared with a snapshot: the bound lowered in the
// middle keeps the newest steps that fit and they still take the table back exactly; a step
// larger than the bound is not kept and the table stays as it was changed.
TEST(UndoBreak, ALoweredBoundKeepsTheNewestStepsAndTheyStillComeBackExactly) {
  Control c;
  c.rowcol(300, 12);
  for (int r = 1; r <= 300; ++r)
    for (int k = 1; k <= 12; ++k) c.settext(r, k, std::to_string(r * 13 + k));
  c.formuset(3, "C1*2");
  c.update(3);
  c.clearUndo();
  const auto pasteBlock = [&](int k, size_t width) {
    std::string block;
    for (int r = 0; r < 300; ++r) {
      for (int j = 0; j < 12; ++j)
        block += (j ? "\t" : "") +
                 (width < 10 ? std::to_string((r * 7919 + j * 31 + k) % 10007)  // numbers, for the sort
                             : std::to_string(k) + std::string(width, char('a' + (r + j) % 26)) + "一");
      block += "\r\n";
    }
    c.headless().setClipboardText(block);
    c.mouseset(1, 1);
    c.m_paste();
  };
  std::vector<Snapshot> states{snap(c)};
  const std::vector<std::function<void()>> steps = {
      [&] { pasteBlock(1, 200); },  // about 1 MB of old texts in the next paste
      [&] { click(c, 1, 1); c.focusGrid(); c.m_rowins(); },
      [&] { click(c, c.rows() - 2, 2); c.focusGrid(); c.m_rowdel(); },
      [&] { pasteBlock(2, 3); },
      [&] { click(c, 1, 1); c.focusGrid(); c.psort(0); },
      [&] { click(c, 1, 2); c.focusGrid(); c.m_coldel(); },
      [&] { c.settext(5, 5, std::string(70000, 'x')); },
      [&] { click(c, c.rows() - 2, 1); c.focusGrid(); c.m_rowup(); },
      [&] { click(c, 1, c.cols() - 2); c.focusGrid(); c.m_collef(); },
      [&] { c.settext(5, 5, ""); },
  };
  for (const auto& step : steps) {
    step();
    c.focusGrid();
    states.push_back(snap(c));
    ASSERT_FALSE(states.back().sameTable(states[states.size() - 2]))
        << states.size() - 1 << (c.headless().failures().empty() ? "" : c.headless().failures().back());
  }
  ASSERT_EQ(c.undoSteps(), steps.size());
  c.setUndoLimit(512 << 10);  // the first paste's step and everything older go
  const size_t kept = c.undoSteps();
  EXPECT_GE(kept, 4u);
  EXPECT_LT(kept, steps.size());
  for (size_t i = 0; i < kept; ++i) {
    ASSERT_TRUE(c.undo());
    ASSERT_TRUE(snap(c).sameTable(states[steps.size() - 1 - i])) << describe(snap(c), states[steps.size() - 1 - i]);
  }
  EXPECT_FALSE(c.undo());
  for (size_t i = 0; i < kept; ++i) {
    ASSERT_TRUE(c.redo());
    ASSERT_TRUE(snap(c).sameTable(states[steps.size() - kept + 1 + i]));
  }
  c.setUndoLimit(64 << 10);  // smaller than a paste over long texts
  pasteBlock(3, 200);        // over numbers: fits
  EXPECT_EQ(c.undoSteps(), 1u);
  pasteBlock(5, 200);
  const Snapshot pasted = snap(c);
  EXPECT_EQ(c.gettext(1, 1).substr(0, 4), "5aaa");
  EXPECT_EQ(c.undoSteps(), 0u);  // the step did not fit, and the older ones went first
  EXPECT_FALSE(c.undo());
  EXPECT_TRUE(snap(c) == pasted);
  c.setUndoLimit(64u << 20);
  pasteBlock(4, 10);
  ASSERT_TRUE(c.undo());
  EXPECT_TRUE(snap(c).sameTable(pasted)) << describe(snap(c), pasted);
}

// A paste over the whole largest table, taken back, put back and taken back again, compared
// with snapshots.
TEST(UndoBreak, AFullTablePasteUndoneRedoneAndUndoneComesBackExactly) {
  Control c;
  c.rowcol(6998, 49);
  for (int r = 1; r <= 6998; r += 97) c.settext(r, 3, std::string(size_t(r % 300), '7') + "专业");
  c.clearUndo();
  const Snapshot before = snap(c);
  std::string block;
  for (int r = 0; r < 6998; ++r) {
    for (int j = 0; j < 49; ++j)
      block += (j ? "\t" : "") + (r % 50 == j ? std::string(300, 'w') : std::to_string(r * 49 + j)) + (j % 7 ? "" : "为什么");
    block += "\r\n";
  }
  c.headless().setClipboardText(block);
  c.mouseset(1, 1);
  c.m_paste();
  const Snapshot after = snap(c);
  ASSERT_FALSE(after.sameTable(before));
  ASSERT_TRUE(c.undo());
  ASSERT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
  ASSERT_TRUE(c.redo());
  ASSERT_TRUE(snap(c).sameTable(after)) << describe(snap(c), after);
  ASSERT_TRUE(c.undo());
  ASSERT_TRUE(snap(c).sameTable(before)) << describe(snap(c), before);
}

}  // namespace
}  // namespace tablique::testing
