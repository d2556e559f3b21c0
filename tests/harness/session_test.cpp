// Random user sessions: a fixed set of seeds in every test run, new seeds in a soak run
// (TABLIQUE_SOAK_SECONDS=N, see `./run soak N`).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <random>

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
}

TEST(Sessions, FixedSeedsKeepEveryInvariant) {
  Runner runner;
  configure(runner);
  int failures = 0;
  const char* seeds = std::getenv("TABLIQUE_SESSION_SEEDS");  // fewer under the sanitizers
  const uint64_t last = seeds ? uint64_t(std::atoll(seeds)) : 400;
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
  };
  for (const std::vector<Event>& events : found) {
    Runner runner;
    const Outcome o = replay(events, runner);
    EXPECT_FALSE(o.failure) << o.failure.check << ": " << o.failure.detail;
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
