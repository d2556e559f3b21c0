// Delete, cut and clear table.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// Column 3 holds the column formula C1*2 and the cell formula =C1+100 of row 3.
//      C1  C2  C3
//  1   1       2
//  2   2       4
//  3   3       103
//  4   4       8
void withFormulas(Control& c) {
  put(c, 1, 1, {{"1"}, {"2"}, {"3"}, {"4"}});
  enterFormula(c, 1, 3, "C1*2");
  enterFormula(c, 3, 3, "=C1+100");
  ASSERT_EQ(c.gettext(3, 3), "103");
  ASSERT_EQ(record(c, 3), "C1<4>*2;=C1<4>+100<B>3;");
}

TEST(Delete, EmptiesCellsAndRetiresTheirCellFormulas) {
  Control c;
  withFormulas(c);
  select(c, 4, 3, 2, 3);  // reversed
  c.m_delete();
  EXPECT_EQ(c.rr0(), 2);
  EXPECT_EQ(c.RR(), 4);
  EXPECT_EQ(block(c, 1, 3, 4, 1), (Rows{{"2"}, {""}, {""}, {""}}));
  EXPECT_EQ(record(c, 3), "C1<4>*2;=C1<4>+100@;");  // the column formula still applies
  EXPECT_EQ(c.formuget(3), "C1*2;");
  expectConsistent(c);
}

TEST(Delete, FromRowOneTakesTheColumnFormulaOutOfEffect) {
  Control c;
  withFormulas(c);
  select(c, 1, 3, 2, 3);
  c.m_delete();
  EXPECT_EQ(record(c, 3), ";;C1<4>*2;=C1<4>+100<B>3;");
  EXPECT_EQ(c.formuget(3), "=C1+100\x0B" "3;");
  // A later paste into column 1 recomputes only the cell formula.
  pasteAt(c, 3, 1, "5");
  EXPECT_EQ(c.gettext(3, 3), "105");
  EXPECT_EQ(c.gettext(1, 3), "");
}

TEST(Delete, SelectionBeyondTheGridEmptiesThePartInsideCutChangesNothing) {
  Control c;
  c.rowcol(10, 3);
  put(c, 8, 2, {{"a", "b"}, {"c", "d"}, {"e", "f"}});
  select(c, 8, 2, 9, 3);
  c.m_rowdel();  // rows 8 and 9 go; the selection still names rows 8 and 9
  ASSERT_EQ(c.rows(), 8);
  ASSERT_EQ(c.RR(), 9);
  EXPECT_EQ(c.gettext(8, 2), "e");
  EXPECT_THROW(c.m_cut(), Error);  // nothing emptied, nothing lost
  EXPECT_EQ(c.gettext(8, 2), "e");
  c.m_delete();
  EXPECT_EQ(block(c, 8, 2, 1, 2), (Rows{{"", ""}}));
  expectConsistent(c);
}

TEST(Cut, CopiesEmptiesAndPastesBackElsewhere) {
  Control c;
  withFormulas(c);
  put(c, 2, 1, {{"a b", "x,y"}});
  select(c, 2, 1, 3, 2);
  c.m_cut();
  EXPECT_EQ(c.headless().clipboardText(), "a b\tx,y\r\n3\t\r\n");
  EXPECT_EQ(block(c, 2, 1, 2, 2), (Rows{{"", ""}, {"", ""}}));
  EXPECT_FALSE(c.editor().visible());
  pasteAt(c, 10, 5, c.headless().clipboardText());
  EXPECT_EQ(block(c, 10, 5, 2, 2), (Rows{{"a b", "x,y"}, {"3", ""}}));
  // A cut over a cell formula retires it.
  select(c, 3, 3, 3, 3);
  c.m_cut();
  EXPECT_EQ(record(c, 3), "C1<4>*2;=C1<4>+100@;");
  EXPECT_EQ(c.headless().clipboardText(), "103");
  expectConsistent(c);
}

TEST(Clear, CancelKeepsEverythingOkEmptiesCellsAndFormulas) {
  Control c;
  withFormulas(c);
  click(c, 2, 2);
  c.headless().queueMessageAnswer(MessageAnswer::Cancel);
  c.m_clc();
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, "表格内容将被清除，确定？");
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  EXPECT_TRUE(c.headless().messages()[0].okCancel);
  EXPECT_EQ(c.gettext(3, 3), "103");
  EXPECT_FALSE(c.state().colFormula[3].empty());

  c.headless().queueMessageAnswer(MessageAnswer::Ok);
  c.m_clc();
  for (int32_t r = 1; r <= 4; ++r)
    for (int32_t col = 1; col <= 3; ++col) EXPECT_EQ(c.gettext(r, col), "");
  for (const std::string& f : c.state().colFormula) EXPECT_EQ(f, "");
  EXPECT_EQ(c.editor().text(), "");
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  EXPECT_EQ(c.rows(), 500);
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
