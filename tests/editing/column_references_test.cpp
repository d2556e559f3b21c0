// Column references follow their data through column inserts, deletes and moves, whatever
// follows a reference (a space, < > = &, a letter, a quote, the end of the formula), in the
// forms stored by formuset and by the formula command.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

const std::string kReferenced = "列有被计算公式引用，不能删除！";

//        C1   C2    C3   C4  C5
//    1        1000  100      C2 + C3
TEST(ColumnReferences, InsertMovesAnUnmarkedReference) {
  Control c;
  put(c, 1, 2, {{"1000", "100"}});
  c.formuset(5, "C2 + C3");
  c.update(5);
  ASSERT_EQ(c.gettext(1, 5), "1100");
  click(c, 1, 2);
  c.m_colins();
  EXPECT_EQ(c.formuget(6), "C3 + C4;");
  c.update(6);
  EXPECT_EQ(c.gettext(1, 6), "1100");
  expectConsistent(c);
}

TEST(ColumnReferences, DeleteIsRefusedForAnUnmarkedReference) {
  Control c;
  put(c, 1, 2, {{"1000", "100"}});
  c.formuset(5, "C2 + C3");
  click(c, 1, 2);
  EXPECT_THROW(c.m_coldel(), Error);  // told and thrown to the host
  EXPECT_EQ(c.cols(), 50);
  EXPECT_EQ(c.formuget(5), "C2 + C3;");
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, kReferenced);
  EXPECT_EQ(c.headless().failures(), (Texts{kReferenced}));
  expectConsistent(c);
}

TEST(ColumnReferences, MoveExchangesUnmarkedReferences) {
  Control c;
  put(c, 1, 2, {{"1", "2"}});
  c.formuset(5, "C2>C3");
  click(c, 1, 2);
  c.m_colrig();
  EXPECT_EQ(c.formuget(5), "C3>C2;");
  c.update(5);
  EXPECT_EQ(c.gettext(1, 5), "False");
  click(c, 1, 3);
  c.m_collef();
  EXPECT_EQ(c.formuget(5), "C2>C3;");
  expectConsistent(c);
}

// Only live formulas keep a column: an older column formula and a retired cell formula do not.
TEST(ColumnReferences, StaleFormulasDoNotRefuseADelete) {
  Control c;
  put(c, 1, 2, {{"4", "5"}});
  c.formuset(6, "C2>=C3");
  c.formuset(6, "C3*2");  // the older formula stays in the record until it is compacted
  click(c, 1, 2);
  c.m_coldel();
  EXPECT_EQ(c.cols(), 49);
  EXPECT_TRUE(c.headless().messages().empty());
  EXPECT_EQ(c.formuget(5), "C2*2;");
  c.update(5);
  EXPECT_EQ(c.gettext(1, 5), "10");
  expectConsistent(c);
}

// Generated tables: data columns tagged in a far row, formula columns holding column formulas
// or cell formulas, stored by formuset or by the command. A twin control computes every formula
// before; the other runs random inserts, deletes and moves with the mouse and the menu methods,
// then computes. Every formula gives what it gave before, every refusal is for a referenced
// column, every delete that went through removed only unreferenced columns.
class GeneratedTable {
public:
  static constexpr int32_t kDataCols = 7, kFormulaCols = 6, kRows = 5, kTagRow = 20;

  explicit GeneratedTable(uint32_t seed) : rng_(seed) {
    for (int32_t d = 1; d <= kDataCols; ++d)
      for (int32_t r = 1; r <= kRows; ++r) data_[{r, d}] = std::to_string(1 + int(rng_() % 99));
    for (int32_t k = 0; k < kFormulaCols; ++k) {
      Formulas f;
      f.byCommand = rng_() % 2;
      if (k % 2 == 0) {
        f.column = expression(f.uses);
      } else {
        for (int32_t r = 1; r <= kRows; ++r)
          if (rng_() % 2) f.cells[r] = "=" + expression(f.uses);
      }
      formulas_.push_back(f);
    }
  }

  void build(Control& c) const {
    for (const auto& [at, text] : data_) c.settext(at.first, at.second, text);
    for (int32_t id = 1; id <= kDataCols + kFormulaCols; ++id) c.settext(kTagRow, id, tag(id));
    for (int32_t k = 0; k < kFormulaCols; ++k) {
      const Formulas& f = formulas_[size_t(k)];
      const int32_t col = kDataCols + 1 + k;
      if (!f.column.empty()) store(c, 10, col, f.column, f.byCommand);
      for (const auto& [r, text] : f.cells) store(c, r, col, text, f.byCommand);
    }
  }

  // Every formula column's results, by formula column id, computed afresh.
  std::map<int32_t, std::vector<std::string>> compute(Control& c) const {
    std::map<int32_t, std::vector<std::string>> out;
    for (int32_t k = 0; k < kFormulaCols; ++k) {
      const int32_t id = kDataCols + 1 + k, col = find(c, id);
      if (col == 0) continue;
      for (int32_t r = 1; r <= kRows; ++r) c.settext(r, col, "?");
      const Formulas& f = formulas_[size_t(k)];
      if (!f.column.empty()) {
        c.mouseset(10, col);
        c.update(col);
      }
      for (const auto& [r, text] : f.cells) {
        c.mouseset(r, col);
        c.update(col);
      }
      for (int32_t r = 1; r <= kRows; ++r) out[id].push_back(c.gettext(r, col));
    }
    return out;
  }

  // The current column of id (0 when it was deleted).
  static int32_t find(const Control& c, int32_t id) {
    for (int32_t j = 1; j < c.grid().Cols(); ++j)
      if (c.gettext(kTagRow, j) == tag(id)) return j;
    return 0;
  }

  // Whether a formula column still in the table references the column id.
  bool referenced(const Control& c, int32_t id) const {
    for (int32_t k = 0; k < kFormulaCols; ++k)
      if (formulas_[size_t(k)].uses.count(id) && find(c, kDataCols + 1 + k) != 0) return true;
    return false;
  }
  std::mt19937& rng() { return rng_; }
  const std::map<std::pair<int32_t, int32_t>, std::string>& data() const { return data_; }

private:
  struct Formulas {
    std::string column;
    std::map<int32_t, std::string> cells;
    bool byCommand = false;
    std::set<int32_t> uses;
  };

  static std::string tag(int32_t id) { return "id" + std::to_string(id); }

  static void store(Control& c, int32_t r, int32_t col, const std::string& f, bool byCommand) {
    if (byCommand) {
      enterFormula(c, r, col, f);
    } else {
      c.mouseset(r, col);
      c.formuset(col, f);
    }
  }

  // References to data columns joined by operators with and without spaces; a quoted
  // reference followed by a letter joins with "&"; the last reference ends the text.
  std::string expression(std::set<int32_t>& uses) {
    static const std::vector<std::string> ops = {" + ", "+", "-", " - ", "*", ">", " < ", "=",
                                                 "<>", ">=", " <= ", " & ", "&"};
    std::string s;
    bool quotedBefore = false;
    for (int n = 2 + int(rng_() % 3); n > 0; --n) {
      const int32_t d = 1 + int32_t(rng_() % kDataCols);
      uses.insert(d);
      const bool quoted = rng_() % 4 == 0;
      if (!s.empty()) s += quoted || quotedBefore ? (rng_() % 2 ? " & " : "&") : ops[rng_() % ops.size()];
      const std::string ref = "C" + std::to_string(d);
      s += quoted ? "\"" + ref + "x\"" : rng_() % 5 == 0 ? "Abs(" + ref + ")" : ref;
      quotedBefore = quoted;
    }
    return s;
  }

  std::mt19937 rng_;
  std::map<std::pair<int32_t, int32_t>, std::string> data_;  // (row, data column id) -> text
  std::vector<Formulas> formulas_;
};

// The tags of columns 1..Cols-1 ("" for a column without one).
std::vector<std::string> tags(const Control& c) {
  std::vector<std::string> out;
  for (int32_t j = 1; j < c.grid().Cols(); ++j) out.push_back(c.gettext(GeneratedTable::kTagRow, j));
  return out;
}

TEST(ColumnReferences, GeneratedFormulasComputeFromTheSameDataAfterColumnCommands) {
  int computed = 0, refused = 0, deleted = 0;
  for (uint32_t seed = 1; seed <= 12; ++seed) {
    GeneratedTable t(seed);
    Control before, after;
    t.build(before);
    t.build(after);
    const auto expected = t.compute(before);
    for (const auto& [id, values] : expected)
      for (const std::string& v : values) computed += v != "?";

    auto& rng = t.rng();
    for (int step = 0; step < 25; ++step) {
      const int32_t cols = after.grid().Cols();
      const int32_t c0 = 2 + int32_t(rng() % 16), width = 1 + int32_t(rng() % 3);
      const int32_t c1 = std::min(c0 + width - 1, cols - 3);
      if (c1 < c0) continue;
      const std::vector<std::string> was = tags(after);
      const size_t messages = after.headless().messages().size();
      switch (rng() % 4) {
        case 0:
          select(after, 1, c0, 1, c1);
          after.m_colins();
          break;
        case 1: {
          bool anyReferenced = false;
          for (int32_t j = c0; j <= c1; ++j) {
            const std::string& tg = was[size_t(j - 1)];
            anyReferenced |= !tg.empty() && t.referenced(after, std::stoi(tg.substr(2)));
          }
          select(after, 1, c0, 1, c1);
          bool threw = false;
          try {
            after.m_coldel();
          } catch (const Error& e) {
            threw = true;
            EXPECT_EQ(e.userText(), kReferenced);
          }
          const bool wasRefused = after.headless().messages().size() > messages;
          ASSERT_EQ(threw, wasRefused) << "a refusal is told and thrown together";
          ASSERT_EQ(wasRefused, anyReferenced) << "seed " << seed << " step " << step;
          if (wasRefused) {
            EXPECT_EQ(after.headless().messages().back().text, kReferenced);
            EXPECT_EQ(tags(after), was);
            ++refused;
          } else {
            std::vector<std::string> kept = was;
            kept.erase(kept.begin() + (c0 - 1), kept.begin() + c1);
            EXPECT_EQ(tags(after), kept) << "seed " << seed << " step " << step;
            ++deleted;
          }
          break;
        }
        case 2:
          click(after, 1, c0);
          after.m_collef();
          break;
        default:
          click(after, 1, c0);
          after.m_colrig();
          break;
      }
      expectConsistent(after);
      if (HasFailure()) return;
    }

    for (const auto& [at, text] : t.data()) {
      const int32_t col = GeneratedTable::find(after, at.second);
      if (col == 0)
        EXPECT_FALSE(t.referenced(after, at.second)) << "a referenced column was deleted, seed " << seed;
      else
        EXPECT_EQ(after.gettext(at.first, col), text);
    }
    const auto got = t.compute(after);
    for (const auto& [id, values] : got) EXPECT_EQ(values, expected.at(id)) << "seed " << seed << " column id " << id;
    for (const ShownMessage& m : after.headless().messages()) EXPECT_EQ(m.text, kReferenced);
  }
  // The generated formulas evaluate, and the sequences both refused and carried out deletes.
  EXPECT_GT(computed, 200);
  EXPECT_GT(refused, 5);
  EXPECT_GT(deleted, 5);
}

}  // namespace
}  // namespace tablique
