// The formula command (m_focal), formuset, formuget and update, driven through the public
// methods with the real engine; the headless platform answers the prompt.
#include <gtest/gtest.h>

#include "support/driver.h"

namespace tablique {
namespace {

using testing::column;
using testing::editCell;
using testing::enterFormula;
using testing::expectConsistent;
using testing::fillColumn;
using V = std::vector<std::string>;

const std::string& record(const Control& c, int32_t col) { return c.state().colFormula[size_t(col)]; }

TEST(FormulaCommand, PromptTextTitleAndDefault) {
  Control c;
  fillColumn(c, 1, {"1"});
  enterFormula(c, 1, 2, "C1*3");
  const HeadlessPlatform& p = c.headless();
  ASSERT_EQ(p.prompts().size(), 1u);
  EXPECT_EQ(p.prompts()[0],
            "     如整列计算：C1+C2*Exp(C3)\r\n\r\n     或单个计算：=C1+C2*Exp(C3)\r\n\r\n"
            "     字符串处理时列号加双引号！");
  EXPECT_EQ(p.inputTitles()[0], "计算公式");
  EXPECT_EQ(p.inputDefaults()[0], "");
  enterFormula(c, 1, 2, std::nullopt);
  EXPECT_EQ(p.inputDefaults()[1], "C1*3");  // the column formula
  // The wrapper steps: editor enabled and hidden, grid focused, (R, K) current.
  EXPECT_FALSE(c.editor().visible());
  EXPECT_TRUE(c.editor().enabled());
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.grid().Row(), 1);
  EXPECT_EQ(c.grid().Col(), 2);
  expectConsistent(c);
}

// Column 4 of:        C1  C2  C3  C4
//                 1    1  10
//                 2    2  20
//                 3    3  30
//                 4    4  40
//                 5    5  50
TEST(FormulaCommand, WorkedSequenceOnColumnFour) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3", "4", "5"});
  fillColumn(c, 2, {"10", "20", "30", "40", "50"});

  enterFormula(c, 1, 4, "C1+C2");
  EXPECT_EQ(column(c, 4, 6), (V{"11", "22", "33", "44", "55", ""}));
  EXPECT_EQ(record(c, 4), "C1\x04+C2\x04;");

  enterFormula(c, 3, 4, "=C1*2");
  EXPECT_EQ(c.headless().inputDefaults().back(), "C1+C2");
  EXPECT_EQ(column(c, 4, 5), (V{"11", "22", "6", "44", "55"}));
  EXPECT_EQ(record(c, 4), "C1\x04+C2\x04;=C1\x04*2\x0B" "3;");

  enterFormula(c, 3, 4, "=C2");
  EXPECT_EQ(c.headless().inputDefaults().back(), "=C1*2");  // the row's cell formula
  EXPECT_EQ(c.gettext(3, 4), "30");
  EXPECT_EQ(record(c, 4), "C1\x04+C2\x04;=C2\x04\x0B" "3;");

  enterFormula(c, 1, 4, "C1-C2");
  EXPECT_EQ(column(c, 4, 5), (V{"-9", "-18", "-27", "-36", "-45"}));
  EXPECT_EQ(record(c, 4), "C1\x04-C2\x04;");
  expectConsistent(c);
}

// Column 1 holds rows 1-5 and 7: a column formula fills the data run only.
TEST(FormulaCommand, ColumnFormulaFillsTheDataRunOfItsHighestColumn) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3", "4", "5", "", "7"});
  enterFormula(c, 1, 3, "C1*2");
  EXPECT_EQ(column(c, 3, 7), (V{"2", "4", "6", "8", "10", "", ""}));
  // No reference at all: nothing is filled, the formula is stored.
  enterFormula(c, 1, 5, "1+1");
  EXPECT_EQ(c.gettext(1, 5), "");
  EXPECT_EQ(record(c, 5), "1+1;");
}

TEST(FormulaCommand, SelfReferenceIsRefused) {
  Control c;
  fillColumn(c, 1, {"1", "2"});
  enterFormula(c, 1, 3, "C1*2");
  const std::string before = record(c, 3);
  c.settext(1, 3, "x");
  for (const char* entry : {"C1+C3", "=\"C3\"&C1"}) {
    enterFormula(c, 1, 3, entry);
    ASSERT_FALSE(c.headless().messages().empty());
    EXPECT_EQ(c.headless().messages().back().text, "请检查计算公式，公式不能引用自身所在列！");
    EXPECT_EQ(c.headless().messages().back().title, "温馨提示");
    EXPECT_FALSE(c.headless().messages().back().okCancel);
    EXPECT_EQ(record(c, 3), before);
    EXPECT_EQ(c.gettext(1, 3), "x");
  }
  EXPECT_EQ(c.headless().messages().size(), 2u);
  // C13 in column 3 is column 13, not a self-reference.
  enterFormula(c, 1, 3, "C13+C1");
  EXPECT_EQ(c.headless().messages().size(), 2u);
}

// Without a data row there is no row for a cell formula: the command refuses and says so; a
// column formula is still stored.
TEST(FormulaCommand, CellFormulaWithoutADataRowIsRefused) {
  Control c;
  c.rowcol(1, 3);
  c.addrow(-1);
  ASSERT_EQ(c.grid().Rows(), 1);
  c.mouseset(0, 2);
  c.headless().queueInput("=Len(C3)");
  EXPECT_THROW(c.m_focal(), Error);
  EXPECT_EQ(record(c, 2), "");
  ASSERT_EQ(c.headless().failures().size(), 1u);
  EXPECT_EQ(c.headless().messages().back().text, "表格没有数据行，不能设置单元格公式！");
  c.formuset(2, "Len(C3)");
  EXPECT_EQ(c.formuget(2), "Len(C3);");
}

TEST(FormulaCommand, CancelComputesNothingButCompacts) {
  Control c;
  fillColumn(c, 1, {"1", "2"});
  c.formuset(2, "C1*5");
  c.formuset(2, "C1*2");          // newer column formula in front
  c.settext(1, 2, "old");
  enterFormula(c, 1, 2, std::nullopt);
  EXPECT_EQ(c.gettext(1, 2), "old");
  EXPECT_EQ(record(c, 2), "C1\x04*2;");
  enterFormula(c, 1, 2, "");      // an empty entry counts as Cancel
  EXPECT_EQ(c.gettext(1, 2), "old");
  expectConsistent(c);
}

TEST(FormulaCommand, StringFormulasGetParentheses) {
  Control c;
  fillColumn(c, 1, {"ab", "cd"});
  enterFormula(c, 1, 2, "\"C1\" & \"!\"");
  EXPECT_EQ(column(c, 2, 2), (V{"ab!", "cd!"}));
  EXPECT_EQ(record(c, 2), "(\"C1\" & \"!\");");
  enterFormula(c, 2, 3, "=\"C1\"&\"?\"");
  EXPECT_EQ(c.gettext(2, 3), "cd?");
  EXPECT_EQ(record(c, 3), "=(\"C1\"&\"?\")\x0B" "2;");
  // Already enclosed: unchanged.
  enterFormula(c, 1, 4, "(\"C1\")");
  EXPECT_EQ(record(c, 4), "(\"C1\");");
}

TEST(FormulaCommand, CellFormulaRetiresTheRowsEarlierOne) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3", "4", "5"});
  enterFormula(c, 4, 3, "=C1*2");
  EXPECT_EQ(column(c, 3, 5), (V{"", "", "", "8", ""}));
  enterFormula(c, 4, 3, "=C1+100");
  EXPECT_EQ(c.gettext(4, 3), "104");
  EXPECT_EQ(record(c, 3), "=C1\x04+100\x0B" "4;");
  // A failing cell formula is stored all the same; the cell keeps its text.
  enterFormula(c, 2, 3, "=C1+");
  EXPECT_EQ(c.gettext(2, 3), "");
  EXPECT_EQ(record(c, 3), "=C1\x04+100\x0B" "4;=C1\x04+\x0B" "2;");
}

TEST(FormulaMethods, FormusetAndFormuget) {
  Control c;
  c.mouseset(7, 1);
  c.formuset(3, "C1+Power(C2,2)");
  c.formuset(3, "=C1*2");
  EXPECT_EQ(record(c, 3), "C1\x04+Power(C2\x04\x03" "2);=C1\x04*2\x0B" "7;");
  c.formuset(3, "=C2");  // not retired, not end-marked
  EXPECT_EQ(record(c, 3), "C1\x04+Power(C2\x04\x03" "2);=C1\x04*2\x0B" "7;=C2\x0B" "7;");
  EXPECT_EQ(c.formuget(3), "C1+Power(C2,2);=C1*2\x0B" "7;=C2\x0B" "7;");
  c.formuset(3, "C9");   // a newer column formula; formuget drops the older one
  EXPECT_EQ(c.formuget(3), "C9;=C1*2\x0B" "7;=C2\x0B" "7;");
  EXPECT_EQ(record(c, 3), "C9;=C1\x04*2\x0B" "7;=C2\x0B" "7;");
  c.formuset(3, "");
  EXPECT_EQ(record(c, 3), "");
  // Columns without an entry: nothing stored, nothing returned, no failure.
  c.formuset(0, "C1");
  c.formuset(51, "C1");
  c.formuset(-4, "C1");
  EXPECT_EQ(c.formuget(0), "");
  EXPECT_EQ(c.formuget(51), "");
  EXPECT_EQ(c.formuget(-1), "");
  expectConsistent(c);
}

TEST(FormulaMethods, UpdateRunsTheStoredFormulaOrTheRowsCellFormula) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3"});
  c.formuset(2, "C1*10");
  c.mouseset(2, 1);
  c.formuset(2, "=C1-1");  // cell formula of row 2
  c.mouseset(1, 1);
  c.update(2);
  EXPECT_EQ(column(c, 2, 3), (V{"10", "20", "30"}));
  EXPECT_EQ(c.grid().Col(), 2);
  EXPECT_EQ(c.formuget(2), "C1*10;");  // row 2's cell formula was retired by the column run
  c.formuset(2, "=C1-1");              // again for the current row 1
  c.settext(3, 1, "5");
  c.update(2);                         // only the cell formula of row 1 is computed
  EXPECT_EQ(column(c, 2, 3), (V{"0", "20", "30"}));
  EXPECT_TRUE(c.headless().prompts().empty());
  expectConsistent(c);
}

// Restricted mode: a paste of three rows at row 10 (pasteRows 2) into column 1, whose data run
// is 20 rows long; column 2 = C1*2 is recomputed for rows 10 to 12 only (row 5, changed by the
// host without recalculation, stays stale).
TEST(FormulaCommand, RestrictedModeComputesThePastedRowsOnly) {
  Control c;
  for (int r = 1; r <= 20; ++r) c.settext(r, 1, std::to_string(r));
  enterFormula(c, 1, 2, "C1*2");
  c.settext(5, 1, "999");
  c.headless().setClipboardText("100\r\n110\r\n120\r\n");
  c.mouseset(10, 1);
  c.m_paste();
  ASSERT_EQ(c.gettext(11, 1), "110");
  for (int r = 1; r <= 20; ++r) {
    const int expected = r == 10 ? 200 : r == 11 ? 220 : r == 12 ? 240 : 2 * r;
    EXPECT_EQ(c.gettext(r, 2), std::to_string(expected)) << r;
  }
  expectConsistent(c);
}

// C1 data, C3 = C2+1 stored earlier; entering C2 = C1*2 recalculates C3, but only when C3 lies
// within the used extent (it was computed before):
//        C1  C2  C3
//    1    1      x
//    2    2      x
//    3    3      x
TEST(FormulaCommand, DependentColumnsAreRecalculated) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3"});
  fillColumn(c, 3, {"x", "x", "x"});
  c.formuset(3, "C2+1");
  enterFormula(c, 1, 2, "C1*2");
  EXPECT_EQ(column(c, 2, 3), (V{"2", "4", "6"}));
  EXPECT_EQ(column(c, 3, 3), (V{"3", "5", "7"}));
  EXPECT_EQ(c.grid().Row(), 1);
  EXPECT_EQ(c.grid().Col(), 2);
  expectConsistent(c);
}

TEST(FormulaCommand, DependentColumnBeyondTheUsedExtentIsNotVisited) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3"});
  c.formuset(3, "C2+1");
  enterFormula(c, 1, 2, "C1*2");
  EXPECT_EQ(column(c, 2, 3), (V{"2", "4", "6"}));
  EXPECT_EQ(column(c, 3, 3), (V{"", "", ""}));
  expectConsistent(c);
}


// A number after "&" would read as an octal literal ("&3" is 3 in base 8): the reference's text
// joins the formula as the operand the user wrote, inside a string the text stays as typed.
TEST(FormulaCommand, ConcatenatedNumbersStayOperands) {
  Control c;
  fillColumn(c, 1, {"1", "7"});
  fillColumn(c, 2, {"3.5", "12"});
  enterFormula(c, 1, 3, "C1&vbCrLf&C2");
  EXPECT_EQ(column(c, 3, 2), (V{"1\r\n3.5", "7\r\n12"}));
  enterFormula(c, 1, 4, "C1&C2");
  EXPECT_EQ(column(c, 4, 2), (V{"13.5", "712"}));
  enterFormula(c, 2, 5, "=\"x&C1\"&C2");
  EXPECT_EQ(c.gettext(2, 5), "x&712");
  editCell(c, 1, 2, "0.5");
  EXPECT_EQ(c.gettext(1, 3), "1\r\n0.5");
  EXPECT_EQ(c.gettext(1, 4), "10.5");
  c.settext(2, 1, "H1");  // read as a variable, not as the hexadecimal &H1
  c.update(4);
  EXPECT_EQ(c.gettext(2, 4), "12");
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
