// Random sessions of public methods checked against a model of the history: the whole table at
// every position undo and redo can reach, kept in step with the history's counts while the bound
// is lowered below a step and raised, recording is turned off and on, the history is cleared,
// formuget compacts records and files are exported and imported. Every undo and redo must give
// the model's table exactly; a change without a step, or a step without a change, fails.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <random>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "control/history.h"
#include "control/undo_snapshot.h"
#include "support/driver.h"

namespace tablique::testing {
namespace {

namespace fs = std::filesystem;

// An event is {kind, row draw, column draw, seed of its own draws}, so that a replay with events
// left out still runs each of the others as it ran.
using Event = std::array<int, 4>;

struct Session {
  Control c;
  std::mt19937_64 rng;
  std::deque<Snapshot> states;  // the undo positions, the current one, then the redo positions
  Snapshot raw;                 // the table after the last event, records as they are
  std::string log, dir;
  std::vector<Event> script, events;  // given to replay; run
  unsigned draws = 0;
  bool trace = false;
  Session(uint64_t seed, std::string d) : rng(seed), dir(std::move(d)) {}
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }
  int q(int lo, int hi) {  // the event's own draws
    draws = draws * 1103515245u + 12345u;
    return lo + int((draws >> 8) % unsigned(hi - lo + 1));
  }
  std::string text() {
    static const char* texts[] = {"", "1", "2.5", "一", "专业 为什么", "😀", "a\"$;@?=,", "-3", "x y", "12"};
    return texts[q(0, 9)];
  }
};

std::string differences(const Snapshot& now, const Snapshot& want) {
  std::string d = describe(now, want);
  for (size_t j = 0; j < std::max(now.records.size(), want.records.size()); ++j) {
    const std::string a = j < now.records.size() ? shown(now.records[j]) : "-";
    const std::string b = j < want.records.size() ? shown(want.records[j]) : "-";
    if (a != b) d += "record " + std::to_string(j) + " '" + a + "' instead of '" + b + "'; ";
  }
  return d;
}

// Runs `events` random events (or the script), then undo all the way and redo all the way;
// returns what went wrong, with the events so far.
std::string run(Session& s, int events) {
  Control& c = s.c;
  c.rowcol(6, 5);
  c.clearUndo();
  s.states = {meant(c)};
  s.raw = snap(c);
  for (int i = 0; i < events + 400; ++i) {
    // At the end: undo all the way, then redo all the way.
    if (i >= events && c.undoSteps() == 0 && c.redoSteps() == 0) break;
    if (i >= events && i < events + 200 && c.undoSteps() == 0) i = events + 200;
    const size_t u0 = c.undoSteps(), rd0 = c.redoSteps();
    int notified = 0;
    const size_t failures = c.headless().failures().size();
    c.setHistoryListener([&] { ++notified; });
    int op = i < events ? s.pick(0, 37) : i < events + 200 ? 26 : 28;
    if (i >= events + 200 && c.redoSteps() == 0) break;
    int ra = s.pick(0, 1 << 20), ka = s.pick(0, 1 << 20), p = s.pick(0, 1 << 20);
    if (!s.script.empty()) {
      if (size_t(i) >= s.script.size()) break;
      const Event& e = s.script[size_t(i)];
      op = e[0], ra = e[1], ka = e[2], p = e[3];
    }
    s.draws = unsigned(p);
    s.events.push_back({op, ra, ka, p});
    const int R = std::max(1, c.rows()), C = std::max(1, c.cols());
    const int r = 1 + ra % R, k = 1 + ka % C;
    std::string what = std::to_string(op) + " r" + std::to_string(r) + " c" + std::to_string(k);
    enum { Change, Undo, Redo, Limit, Clear } kind = Change;
    try {
      switch (op) {
        case 0: case 1: case 2: c.settext(r, k, s.text()); break;
        case 3: c.formuset(k, s.q(0, 1) ? "C1*2" : "C1&\"?\""); break;
        case 4: c.mouseset(r, k); c.formuset(k, "=C1+" + std::to_string(s.q(1, 9))); break;
        case 5: c.update(k); break;
        case 6: c.formuget(k); break;
        case 7: c.mouseset(r, k); c.m_rowins(); break;
        case 8: c.mouseset(r, k); c.m_rowdel(); break;
        case 9: c.mouseset(r, k); c.m_colins(); break;
        case 10: c.mouseset(r, k); c.m_coldel(); break;
        case 11: c.mouseset(r, k); c.m_collef(); break;
        case 12: c.mouseset(r, k); c.m_colrig(); break;
        case 13: c.mouseset(r, k); c.m_rowdow(); break;
        case 14: c.mouseset(r, k); c.m_rowup(); break;
        case 15: c.mouseset(r, k); c.m_delete(); break;
        case 16: c.mouseset(r, k); c.m_copy(); c.mouseset(s.q(1, R), s.q(1, C)); c.m_paste(); break;
        case 17: c.addrow(s.q(-3, 3)); break;
        case 18: c.addcol(s.q(-2, 2)); break;
        case 19: c.rowcol(s.q(1, 8), s.q(1, 6)); break;
        case 20: c.setcolw(k, float(s.q(5, 30))); break;
        case 21: c.setrowh(r, float(s.q(3, 12))); break;
        case 22: c.mouseset(r, k); c.trans(); break;
        case 23: c.mouseset(1, k); c.psort(); break;
        case 24: c.headless().queueFile((fs::path(s.dir) / "t.tbq").string()); c.m_daexp(); break;
        case 25: {
          const int f = s.q(0, 2);
          if (f == 0) { c.headless().queueFile((fs::path(s.dir) / "t.tbq").string()); c.m_dainp(); }
          if (f == 1) { c.headless().queueFile((fs::path(s.dir) / "t.txt").string()); c.savetxt(); }
          if (f == 2) { c.headless().queueFile((fs::path(s.dir) / "t.txt").string()); c.opentxt(); }
          break;
        }
        case 26: case 27: kind = Undo; c.undo(); break;
        case 28: case 29: kind = Redo; c.redo(); break;
        case 30: {
          kind = Limit;
          static const size_t limits[] = {0, 2048, 4096, 16384, 65536, History::kDefaultLimit};
          const size_t l = limits[s.q(0, 5)];
          what += " limit " + std::to_string(l);
          c.setUndoLimit(l);
          break;
        }
        case 31: kind = Clear; c.clearUndo(); break;
        case 32: c.mouseset(r, k); c.headless().queueMessageAnswer(MessageAnswer::Ok); c.m_clc(); break;
        case 33: pasteAt(c, r, k, s.text() + "\t" + s.text() + "\r\n" + s.text() + "\t\t" + s.text()); break;
        case 34: enterFormula(c, r, k, s.q(0, 2) == 0 ? "=C1*3" : s.q(0, 1) ? "C1+1" : "C2&\"x\""); break;
        case 35: editCell(c, r, k, s.text()); break;
        case 36: c.statis(k); break;
        case 37: {
          kind = Limit;
          const size_t l = size_t(s.q(600, 6000));
          what += " limit " + std::to_string(l);
          c.setUndoLimit(l);
          break;
        }
      }
    } catch (const Error&) {
    }
    c.setHistoryListener(nullptr);
    s.log += "  " + what + "\n";
    if (s.trace) {
      std::printf("%s | steps %zu redo %zu | %dx%d |", what.c_str(), c.undoSteps(), c.redoSteps(), c.rows(),
                  c.cols());
      for (size_t j = 1; j < c.state().colFormula.size(); ++j)
        std::printf(" [%zu]'%s'", j, shown(c.state().colFormula[j]).c_str());
      std::printf("\n");
    }
    const size_t u = c.undoSteps(), rd = c.redoSteps();
    const Snapshot now = meant(c), raw = snap(c);
    const Snapshot last = std::exchange(s.raw, raw);
    std::deque<Snapshot>& st = s.states;
    if (st.size() != u0 + rd0 + 1) return "model size\n" + s.log;
    size_t cur = u0;
    if (kind == Undo && u0 > 0) {
      cur = u0 - 1;
      if (!now.sameTable(st[cur])) return "undo: " + differences(now, st[cur]) + "\n" + s.log;
    } else if (kind == Redo && rd0 > 0) {
      cur = u0 + 1;
      if (!now.sameTable(st[cur])) return "redo: " + differences(now, st[cur]) + "\n" + s.log;
    } else if (kind == Change && notified > 0 && (u != u0 || rd != rd0 || !raw.sameTable(last))) {
      if (rd != 0) return "redo steps kept after a new step\n" + s.log;
      // (An export that fails after adding its spare columns takes them off again: one step of
      // nothing, left as it is.)
      const bool exportFailed = op == 24 && c.headless().failures().size() > failures;
      if (!exportFailed && raw.sameTable(last)) return "a step that changes nothing\n" + s.log;
      st.resize(u0 + 1);
      st.push_back(now);
      cur = u0 + 1;
    } else if (kind == Clear || c.undoLimit() == 0) {
      if (u + rd != 0) return "cleared\n" + s.log;
      st = {now};
      continue;
    } else if (op == 6) {
      // formuget compacts the record, no step: the positions around that hold the same record
      // (no step between changed it) come back with the compacted one.
      Snapshot same = now;
      same.records = st[cur].records;
      if (!same.sameTable(st[cur])) return "formuget: " + describe(same, st[cur]) + "\n" + s.log;
      const size_t j = size_t(k);
      if (j < now.records.size() && now.records[j] != st[cur].records[j]) {
        const std::string old = st[cur].records[j];
        const auto same = [&](size_t x) { return j < st[x].records.size() && st[x].records[j] == old; };
        for (size_t x = cur + 1; x-- > 0 && same(x);) st[x].records[j] = now.records[j];
        for (size_t x = cur + 1; x < st.size() && same(x); ++x) st[x].records[j] = now.records[j];
      }
    } else {
      if (!now.sameTable(st[cur])) return "changed without a step: " + describe(now, st[cur]) + "\n" + s.log;
    }
    if (u > cur) return "u\n" + s.log;
    if (cur + rd > st.size() - 1) return "rd\n" + s.log;
    st.erase(st.begin() + std::ptrdiff_t(cur + rd + 1), st.end());
    st.erase(st.begin(), st.begin() + std::ptrdiff_t(cur - u));
    st[u] = now;
  }
  return {};
}

TEST(UndoModel, RandomSessionsFollowTheModelOfTheHistory) {
  const char* env = std::getenv("TABLIQUE_MODEL_SEEDS");
  const uint64_t seeds = env ? uint64_t(std::atoll(env)) : 30;
  const char* envFirst = std::getenv("TABLIQUE_MODEL_FIRST");
  const uint64_t first = envFirst ? uint64_t(std::atoll(envFirst)) : 1;
  const fs::path dir = fs::temp_directory_path() / "tablique-undo-model";
  fs::create_directories(dir);
  // A replay printed by a failure, run with a trace of every event.
  if (const char* replay = std::getenv("TABLIQUE_MODEL_REPLAY")) {
    Session s(1, dir.string());
    std::string text = replay;
    for (char& ch : text)
      if (ch == '{' || ch == '}' || ch == ',') ch = ' ';
    std::istringstream in(text);
    Event e;
    while (in >> e[0] >> e[1] >> e[2] >> e[3]) s.script.push_back(e);
    s.trace = true;
    EXPECT_EQ(run(s, int(s.script.size())), "");
    return;
  }
  for (uint64_t seed = first; seed <= seeds && !::testing::Test::HasFailure(); ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    Session s(seed, dir.string());
    std::string failed = run(s, 200);
    if (failed.empty()) continue;
    // Shorter replays that still fail.
    std::vector<Event> script = s.events;
    for (size_t chunk = script.size() / 2; chunk >= 1; chunk /= 2)
      for (size_t at = 0; at + chunk <= script.size();) {
        std::vector<Event> shorter = script;
        shorter.erase(shorter.begin() + std::ptrdiff_t(at), shorter.begin() + std::ptrdiff_t(at + chunk));
        Session t(seed, dir.string());
        t.script = shorter;
        std::string f = run(t, int(shorter.size()));
        if (!f.empty() && f.substr(0, 5) == failed.substr(0, 5)) {
          script = shorter;
          failed = f;
        } else {
          at += chunk;
        }
      }
    std::string replay;
    for (const Event& e : script)
      replay += "{" + std::to_string(e[0]) + "," + std::to_string(e[1]) + "," + std::to_string(e[2]) + "," +
                std::to_string(e[3]) + "},";
    ADD_FAILURE() << failed << "\nreplay (TABLIQUE_MODEL_REPLAY): " << replay;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tablique::testing

