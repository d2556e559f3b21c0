// Random user sessions: a fixed set of seeds in every test run, new seeds in a soak run
// (TABLIQUE_SOAK_SECONDS=N, see `./run soak N`).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <random>

#include "harness/models.h"
#include "harness/session.h"

namespace tablique::harness {
namespace {

constexpr int kEventsPerSession = 1000;

// TABLIQUE_HARNESS_REPORT_KNOWN=1 reports the known faults too (to see whether they are fixed).
void configure(Runner& runner) {
  runner.reportKnown = std::getenv("TABLIQUE_HARNESS_REPORT_KNOWN") != nullptr;
}

void reportSuppressed(const Runner& runner) {
  std::cout << runner.events << " events, " << runner.suppressed << " violations of known faults suppressed\n";
  for (const KnownFault& f : knownFaults()) std::cout << "  known: " << f.check << " (" << f.issueItem << ")\n";
  for (const auto& [command, n] : runner.modelled)
    std::cout << "  model of " << command << ": " << n.checked << " events checked, " << n.changed
              << " changed the table\n";
}

TEST(Sessions, FixedSeedsKeepEveryInvariant) {
  Runner runner;
  configure(runner);
  int failures = 0;
  const char* seeds = std::getenv("TABLIQUE_SESSION_SEEDS");  // fewer under the sanitizers
  const uint64_t last = seeds ? uint64_t(std::atoll(seeds)) : 800;  // about a minute on a quiet machine
  for (uint64_t seed = 1; seed <= last; ++seed) {
    const std::string report = runSeed(seed, kEventsPerSession, runner);
    if (!report.empty()) {
      ADD_FAILURE() << report;
      if (++failures >= 3) break;
    }
  }
  reportSuppressed(runner);
}

TEST(Sessions, Soak) {
  const char* env = std::getenv("TABLIQUE_SOAK_SECONDS");
  if (!env) GTEST_SKIP() << "set TABLIQUE_SOAK_SECONDS to run new seeds";
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoll(env));
  std::random_device device;
  Runner runner;
  configure(runner);
  int sessions = 0, failures = 0;
  while (std::chrono::steady_clock::now() < end && failures < 10) {
    const uint64_t seed = (uint64_t(device()) << 32) | device();
    const std::string report = runSeed(seed, kEventsPerSession * 2, runner);
    ++sessions;
    if (!report.empty()) {
      ADD_FAILURE() << report;
      ++failures;
    }
  }
  std::cout << sessions << " sessions\n";
  reportSuppressed(runner);
}

// Replays that random sessions once failed.
TEST(Sessions, FoundReplaysKeepEveryInvariant) {
  const std::vector<std::vector<Event>> found = {
      // Exports with the spare columns filled in between grew the table without bound.
      {{Kind::RowCol, 130690, 1},
       {Kind::ExportImport},
       {Kind::SetText, 1, 3, 0, 0, "x"},
       {Kind::ExportImport},
       {Kind::SetText, 1, 5, 0, 0, "y"},
       {Kind::ExportImport}},
      // The formula command stored a cell formula for the header row of a table without data rows.
      {{Kind::RowCol, 1, 3}, {Kind::AddRow, -1}, {Kind::Focal, 0, 0, 0, 0, "=Len(C3)"}},
      {{Kind::RowCol, 1, 3}, {Kind::AddRow, -1}, {Kind::FormuSet, 2, 0, 0, 0, "=Len(C3)"}},
      // The export of a table without data rows was refused after it had added its spare columns.
      {{Kind::RowCol, 1, 1}, {Kind::AddRow, -1}, {Kind::Method, 14}},
      // An import into a tall table grew the columns past the cell budget (two columns were not
      // counted); a tall table with its spare columns still comes back.
      {{Kind::AddCol, 2},
       {Kind::Column, 8, 0, 0, 0, "-0\n007\n1\n2.5\n3\n0.1\n-3\n1.50\n"},
       {Kind::Menu, 14},
       {Kind::RowCol, 36873, 1},
       {Kind::Method, 15}},
      {{Kind::RowCol, 116390, 1}, {Kind::SetText, 111728, 1, 0, 0, "abcC1"}, {Kind::ExportImport}},
      // A table imported past what a text file can bring back: saved, it did not open again.
      {{Kind::RowCol, 148868, 1},
       {Kind::SetText, 81373, 1, 0, 0, "x\r\ny"},
       {Kind::Menu, 14},
       {Kind::RowCol, 14, 8},
       {Kind::Method, 15, 0, 1},
       {Kind::SetText, 34081, 4, 0, 0, ","},
       {Kind::SaveOpen}},
      // A column that only a cell formula stored over by a newer one for its row named could not
      // be deleted.
      {{Kind::SaveOpen},
       {Kind::OpenTxt},
       {Kind::Focal, 0, 0, 0, 0, "=Len(C3)", ""},
       {Kind::Press, 10, 3, 1, 0, "", ""},
       {Kind::GridKey, 33, 0, 0, 0, "", ""},
       {Kind::Method, 3, 0, 0, 0, "", "C1&\"@\""},
       {Kind::FormuSet, 1, 0, 0, 0, "=C1+C2", ""},
       {Kind::Menu, 6, 0, 1, 0, "", "C1*C2"}},
  };
  for (const std::vector<Event>& events : found) {
    Runner runner;
    const Outcome o = replay(events, runner);
    EXPECT_FALSE(o.failure) << o.failure.check << ": " << o.failure.detail;
  }
}

// The reference models accept what the commands do and tell a table that differs from it by one
// cell or one formula.
TEST(Sessions, ModelsTellAResultThatDiffers) {
  struct Case {
    const char* name;
    std::function<void(Control&)> setUp, command, spoil;
  };
  Runner mouse;
  auto press = [&](Control& c, int32_t r, int32_t col) {  // a left click, the focus back to the grid
    mouse.step(c, {Kind::Press, r, col, 1, 0});
    mouse.step(c, {Kind::Release, r, col, 1, 0});
    mouse.step(c, {Kind::FocusGrid});
  };
  const std::vector<Case> cases = {
      {"m_rowdel", [&](Control& c) { press(c, 3, 2); }, [](Control& c) { c.m_rowdel(); },
       [](Control& c) { c.settext(3, 1, "5"); }},
      {"m_rowins", [&](Control& c) { press(c, 2, 1); }, [](Control& c) { c.m_rowins(); },
       [](Control& c) { c.mouseset(2, 4); c.formuset(4, "=C1+C3"); }},  // the cell formula left behind
      {"m_colins", [&](Control& c) { press(c, 1, 2); }, [](Control& c) { c.m_colins(); },
       [](Control& c) { c.formuset(4, "C1*C2"); }},  // the references not renumbered
      {"m_colrig", [&](Control& c) { press(c, 1, 1); }, [](Control& c) { c.m_colrig(); },
       [](Control& c) { c.settext(1, 2, "x"); }},
      {"psort", [&](Control& c) { press(c, 1, 2); }, [](Control& c) { c.psort(script::Value(int32_t(-1))); },
       [](Control& c) { c.settext(1, 2, "6.5"); }},  // two values exchanged
      {"trans",
       [&](Control& c) {
         mouse.step(c, {Kind::Press, 1, 1, 1, 0});
         mouse.step(c, {Kind::Move, 2, 3, 1, 0});
         mouse.step(c, {Kind::Release, 2, 3, 1, 0});
         mouse.step(c, {Kind::FocusGrid});
       },
       [](Control& c) { c.trans(); },
       [](Control& c) { c.settext(3, 1, ""); }},
      {"statis", [&](Control& c) { press(c, 1, 2); }, [](Control& c) { c.statis(6); },
       [](Control& c) { c.settext(13, 6, "观测数=7"); }},
  };
  for (const Case& k : cases) {
    Event e{Kind::Method, 0};
    for (int32_t i = 0; std::string(commandMethod(i)) != ""; ++i)
      if (k.name == std::string(commandMethod(i))) e.a = i;
    if (k.name == std::string("psort")) e = {Kind::Psort, 1};
    if (k.name == std::string("trans")) e = {Kind::Trans};
    if (k.name == std::string("statis")) e = {Kind::Statis, 6};
    Runner runner;
    for (bool spoilt : {false, true}) {
      Control c;
      prepare(c);
      c.settext(3, 2, "2");  // C2: 3.5, 6.5, 2, 12.5, ... unsorted
      k.setUp(c);
      const Snapshot before = snapshot(c);
      k.command(c);
      if (spoilt) k.spoil(c);
      const Failure f = checkModel(before, snapshot(c), e, ModelContext{}, {});
      EXPECT_EQ(bool(f), spoilt) << k.name << (spoilt ? " spoilt" : "") << ": " << f.check << ": " << f.detail;
    }
  }
}

// Shrinking keeps only what the failure needs, and the printed test replays it.
TEST(Sessions, ShrinkFindsTheOneEventThatFails) {
  Runner runner;
  runner.probe = [](const Control& c) {
    return c.gettext(5, 5) == "boom" ? Failure{"probe", "boom"} : Failure{};
  };
  std::vector<Event> events;
  for (int32_t i = 1; i <= 12; ++i) {
    events.push_back({Kind::SetText, i, 6, 0, 0, std::to_string(i)});
    events.push_back({Kind::MouseSet, i, 2});
  }
  events.insert(events.begin() + 13, Event{Kind::SetText, 5, 5, 0, 0, "boom"});
  const Outcome full = replay(events, runner);
  ASSERT_EQ(full.failure.check, "probe");
  const std::vector<Event> minimal = shrink(events, "probe", runner);
  ASSERT_EQ(minimal.size(), 1u);
  EXPECT_EQ(toCode(minimal[0]), "{Kind::SetText, 5, 5, 0, 0, \"boom\", \"\"}");
  EXPECT_NE(regressionTest(minimal, full.failure, 1).find("replay({"), std::string::npos);
  EXPECT_EQ(toCode({Kind::Type, 0, 0, 0, 0, "a\tb\"1"}), "{Kind::Type, 0, 0, 0, 0, \"a\\x09\"\"b\\\"1\", \"\"}");
}

}  // namespace
}  // namespace tablique::harness
