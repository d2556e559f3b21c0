// Recalculation in passes, reached as a user reaches it: an edit in the in-cell editor, or the
// formula command recomputing dependent columns.
#include <gtest/gtest.h>

#include "support/driver.h"

#include <random>

namespace tablique {
namespace {

using testing::click;
using testing::editCell;
using testing::column;
using testing::enterFormula;
using testing::expectConsistent;
using testing::fillColumn;
using V = std::vector<std::string>;

// The typical edit: column 3 computes C2*2; the user changes (4, 2). Only row 4 of column 3
// is recomputed (restricted mode), even where another row is stale.
//        C1  C2  C3
//    1        1   2
//    ...
//    4        4   8   <- (4, 2) becomes 100
//    5        5  10
TEST(Recalc, TypicalEditRecomputesTheEditedRow) {
  Control c;
  fillColumn(c, 2, {"1", "2", "3", "4", "5"});
  enterFormula(c, 1, 3, "C2*2");
  EXPECT_EQ(column(c, 3, 5), (V{"2", "4", "6", "8", "10"}));
  c.settext(2, 2, "7");  // a host write: no recalculation
  editCell(c, 4, 2, "100");
  EXPECT_EQ(column(c, 3, 5), (V{"2", "4", "6", "200", "10"}));
  EXPECT_EQ(c.grid().Row(), 4);
  EXPECT_EQ(c.grid().Col(), 2);
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_FALSE(c.editor().visible());
  expectConsistent(c);
}

// Column 3 = C1*2, column 2 = C3+1 (looks right): 3 passes; column 2 sees column 3's new value
// one pass later.
//        C1  C2  C3
//    1    1       0
//    2    2       0   <- (2, 1) becomes 5
//    3    3       0
TEST(Recalc, FormulaLookingRightSeesNewValuesInALaterPass) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3"});
  fillColumn(c, 3, {"0", "0", "0"});
  c.formuset(3, "C1*2");
  c.formuset(2, "C3+1");
  editCell(c, 2, 1, "5");
  EXPECT_EQ(c.gettext(2, 3), "10");
  EXPECT_EQ(c.gettext(2, 2), "11");
  EXPECT_EQ(column(c, 2, 3), (V{"", "11", ""}));  // the edited row only
  expectConsistent(c);
}

// A cycle C2 = C3+1, C3 = C2+1 stops after the last pass: 2 passes + 1 for the column that
// looks right = 3 runs of each column.
//        C1  C2  C3
//    1        0   0
TEST(Recalc, CyclesStopAfterTheLastPass) {
  Control c;
  c.settext(1, 2, "0");
  c.settext(1, 3, "0");
  c.formuset(2, "C3+1");
  enterFormula(c, 1, 3, "C2+1");  // (1,3) = 1, then the dependent recalc
  EXPECT_EQ(c.gettext(1, 2), "6");
  EXPECT_EQ(c.gettext(1, 3), "7");
  EXPECT_EQ(c.formuget(2), "C3+1;");
  EXPECT_EQ(c.formuget(3), "C2+1;");
  expectConsistent(c);
}

// Two cell formulas of one column, rows 1 and 12: each row evaluates its own (all rows, also in
// the restricted mode of an edit). (20, 3) puts column 3 within the used extent.
TEST(Recalc, CellFormulasEvaluateTheirOwnRows) {
  Control c;
  for (int r = 1; r <= 12; ++r) c.settext(r, 1, std::to_string(r));
  c.settext(20, 3, "z");
  c.mouseset(1, 1);
  c.formuset(3, "=C1*2");
  c.mouseset(12, 1);
  c.formuset(3, "=C1+100");
  editCell(c, 5, 1, "50");
  EXPECT_EQ(c.gettext(1, 3), "2");
  EXPECT_EQ(c.gettext(12, 3), "112");
  EXPECT_EQ(c.gettext(5, 3), "");
  expectConsistent(c);
}

// A reference beyond the last used column is read whole, as the formula command reads it:
// =C12+C1 with C1 = 5 gives 5 both ways (never "52+5"); =C1+C7 gives "5+" both ways, which
// the engine rejects, so the cell keeps its text.
TEST(Recalc, ReferencesBeyondTheLastUsedColumnReadAsTheCommandReadsThem) {
  for (const auto& [f, want] : {std::pair<std::string, std::string>{"=C12+C1", "5"}, {"=C1+C7", "old"}}) {
    Control c;
    c.settext(1, 1, "5");
    c.settext(1, 3, "old");
    c.mouseset(1, 3);
    c.update(3);
    c.formuset(3, f);
    c.update(3);  // the command
    EXPECT_EQ(c.gettext(1, 3), want) << f;
    c.settext(1, 3, "old");
    editCell(c, 1, 1, "6");
    editCell(c, 1, 1, "5");  // recalc, last used column 3
    EXPECT_EQ(c.gettext(1, 3), want) << f;
    expectConsistent(c);
  }
}

// References that carry no mark (stored by formuset, followed by a space) count like any
// other: an edit of the column they name recalculates, and each column that looks right adds
// a pass, so the end of a chain C2 <- C3 <- C4 <- C1 is current after one edit.
//        C1  C2 (C3 +1)  C3 (C4 +1)  C4 (C1 *2)
//    1   1   4           3           2
TEST(Recalc, UnmarkedReferencesCountForTheEditAndThePasses) {
  Control c;
  c.settext(1, 1, "1");
  c.formuset(2, "C3 +1");
  c.formuset(3, "C4 +1");
  c.formuset(4, "C1 *2");
  for (int32_t col : {4, 3, 2}) {
    c.mouseset(1, col);
    c.update(col);
  }
  ASSERT_EQ(column(c, 2, 1), (V{"4"}));
  editCell(c, 1, 1, "10");
  EXPECT_EQ(c.gettext(1, 4), "20");
  EXPECT_EQ(c.gettext(1, 3), "21");
  EXPECT_EQ(c.gettext(1, 2), "22");
  expectConsistent(c);
}

// A paste of three rows where column 3 has a column formula and, in row 2, a cell formula:
// every pasted row is recomputed, each by its own formula, and the cell formula stays.
//        C1         C3 (C1*10; row 2: =C1+1000)
//    1   1    ->    10
//    2   2 -> 20    1020
//    3   3 -> 22    220
//    4   4 -> 24    240
TEST(Recalc, PasteRecomputesEveryPastedRow) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3", "4"});
  enterFormula(c, 1, 3, "C1*10");
  enterFormula(c, 2, 3, "=C1+1000");
  ASSERT_EQ(column(c, 3, 4), (V{"10", "1002", "30", "40"}));
  testing::pasteAt(c, 2, 1, "20\r\n22\r\n24\r\n");
  EXPECT_EQ(column(c, 3, 4), (V{"10", "1020", "220", "240"}));
  // Pasted from row 1: the row with its own formula in the middle keeps it.
  testing::pasteAt(c, 1, 1, "5\r\n6\r\n7\r\n");
  EXPECT_EQ(column(c, 3, 4), (V{"50", "1006", "70", "240"}));
  EXPECT_EQ(c.formuget(3), "C1*10;=C1+1000\x0B" "2;");
  // An edit of the row with the cell formula recomputes that cell only.
  editCell(c, 2, 1, "8");
  EXPECT_EQ(column(c, 3, 4), (V{"50", "1008", "70", "240"}));
  expectConsistent(c);
}

// Hostile cell text is substituted as it stands: the evaluation of its own row fails, nothing
// else changes, nothing is run.
TEST(Recalc, CellTextThatReadsAsCodeOnlyFailsItsOwnCell) {
  const std::string hostile = "1)+CreateObject(\"WScript.Shell\").Run(\"x\")+(1";
  for (const char* f : {"C1*2", "C1+1", "\"C1\""}) {
    Control c;
    fillColumn(c, 1, {"1", "2", "3"});
    enterFormula(c, 1, 2, f);
    const std::vector<std::string> before = column(c, 2, 3);
    const std::string rec = c.state().colFormula[2];
    c.settext(2, 2, "kept");
    editCell(c, 2, 1, hostile);
    EXPECT_EQ(c.gettext(2, 2), "kept") << f;
    EXPECT_EQ(c.gettext(1, 2), before[0]);
    EXPECT_EQ(c.gettext(3, 2), before[2]);
    EXPECT_EQ(column(c, 1, 3), (V{"1", hostile, "3"}));
    EXPECT_EQ(c.state().colFormula[2], rec);
    EXPECT_TRUE(c.headless().messages().empty());
    EXPECT_TRUE(c.headless().fileDialogs().empty());
    // The whole column run as well.
    c.mouseset(1, 2);
    c.update(2);
    EXPECT_EQ(c.gettext(2, 2), "kept") << f;
    EXPECT_EQ(c.gettext(3, 2), before[2]);
    expectConsistent(c);
  }
}

}  // namespace
}  // namespace tablique

namespace tablique {
namespace {

// Random formula commands, stored formulas, updates and edits on a small table: nothing escapes
// to the host, and the invariants hold after every step.
TEST(FormulaRobustness, RandomCommandsKeepTheInvariants) {
  std::mt19937 rng(31);
  const std::vector<std::string> atoms = {"C1", "C2", "C3", "C4", "C5", "C12", "=", "+", "-", "*",
                                          "/", "\\", "^", " Mod ", "(", ")", ",", ";", "\"", "1",
                                          "2.5", "Power(", "Sqrt(", "x", "@", "\x0B", "\x01"};
  Control c;
  c.rowcol(8, 5);
  for (int r = 1; r <= 8; ++r)
    for (int col = 1; col <= 3; ++col) c.settext(r, col, std::to_string(int(rng() % 50) - 10));
  for (int step = 0; step < 3000; ++step) {
    std::string f;
    for (int k = int(rng() % 7); k > 0; --k) f += atoms[rng() % atoms.size()];
    const int32_t r = 1 + int32_t(rng() % 8), col = 1 + int32_t(rng() % 5);
    const unsigned kind = rng() % 5;
    // Only a formula holding the row mark is refused.
    const bool refused = kind <= 1 && f.find('\x0B') != std::string::npos;
    try {
      switch (kind) {
        case 0: enterFormula(c, r, col, f); break;
        case 1: c.mouseset(r, col); c.formuset(col, f); break;
        case 2: c.mouseset(r, col); c.update(col); break;
        case 3: c.formuget(col); break;
        case 4: editCell(c, r, col, std::to_string(int(rng() % 9))); break;
      }
      EXPECT_FALSE(refused) << "step " << step << " formula " << f;
    } catch (const Error& e) {
      EXPECT_TRUE(refused) << "step " << step << " formula " << f << ": " << e.what();
    }
    expectConsistent(c);
    if (HasFailure()) break;
  }
}

// A new column formula in column 1 recalculates column 2, which has a column formula and a cell
// formula in row 2: every other row of column 2 follows, and the cell formula stays, whichever
// row the command ran in.
//        C1        C2 (C1*10; row 2: =C1*100)   C3 (C2+1)   C4
//    1   C4*2->*3  30                           31          1
//    2             600                          601         2
TEST(Recalc, DependentRecalcRerunsColumnFormulasAndKeepsCellFormulas) {
  for (int32_t row : {1, 2, 3}) {
    SCOPED_TRACE(row);
    Control c;
    fillColumn(c, 4, {"1", "2", "3", "4"});
    enterFormula(c, 1, 1, "C4*2");
    enterFormula(c, 1, 2, "C1*10");
    enterFormula(c, 2, 2, "=C1*100");
    enterFormula(c, 1, 3, "C2+1");
    enterFormula(c, row, 1, "C4*3");
    EXPECT_EQ(column(c, 1, 4), (V{"3", "6", "9", "12"}));
    EXPECT_EQ(column(c, 2, 4), (V{"30", "600", "90", "120"}));
    EXPECT_EQ(column(c, 3, 4), (V{"31", "601", "91", "121"}));
    EXPECT_EQ(c.formuget(2), "C1*10;=C1*100\x0B" "2;");
    EXPECT_EQ(c.grid().Row(), row);
    EXPECT_EQ(c.grid().Col(), 1);
    editCell(c, 2, 4, "20");
    EXPECT_EQ(column(c, 2, 4), (V{"30", "6000", "90", "120"}));
    expectConsistent(c);
  }
}

}  // namespace
}  // namespace tablique
