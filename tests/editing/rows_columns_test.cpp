// Row and column operations: cells, formula records, and formulas computing from the same data
// afterwards.
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// Column 1 holds 1..n; column 2 gets the cell formula =C1*10 in each of the given rows.
void cellFormulas(Control& c, int32_t n, std::initializer_list<int32_t> rows) {
  for (int32_t r = 1; r <= n; ++r) c.settext(r, 1, std::to_string(r));
  for (int32_t r : rows) enterFormula(c, r, 2, "=C1*10");
}

TEST(Rows, InsertMovesTagsAtAndAfterTheInsertionPoint) {
  Control c;
  cellFormulas(c, 6, {3, 4});
  ASSERT_EQ(record(c, 2), "=C1<4>*10<B>3;=C1<4>*10<B>4;");
  click(c, 4, 1);
  c.m_rowins();
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>3;=C1<4>*10<B>5;");
  EXPECT_EQ(block(c, 3, 1, 3, 2), (Rows{{"3", "30"}, {"", ""}, {"4", "40"}}));
  EXPECT_EQ(c.grid().Row(), 5);  // rr0 + 1
  pasteAt(c, 5, 1, "7");
  EXPECT_EQ(c.gettext(5, 2), "70");
  EXPECT_EQ(c.gettext(4, 2), "");
  expectConsistent(c);
}

TEST(Rows, InsertWithAWiderSelectionKeepsFormulasOnTheirData) {
  Control c;
  cellFormulas(c, 8, {3, 4, 6});
  select(c, 4, 1, 6, 1);  // three rows; the current row is the anchor, row 4
  c.m_rowins();
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>3;=C1<4>*10<B>7;=C1<4>*10<B>9;");
  EXPECT_EQ(block(c, 7, 1, 1, 2), (Rows{{"4", "40"}}));
  pasteAt(c, 9, 1, "9");
  EXPECT_EQ(c.gettext(9, 2), "90");
  expectConsistent(c);
}

TEST(Rows, DeleteRetiresTheRemovedRowsAndLowersTheRest) {
  Control c;
  c.rowcol(20, 3);
  cellFormulas(c, 12, {6, 10});
  select(c, 5, 1, 7, 1);
  c.m_rowdel();
  EXPECT_EQ(record(c, 2), "=C1<4>*10@;=C1<4>*10<B>7;");
  EXPECT_EQ(c.rows(), 17);
  EXPECT_EQ(block(c, 4, 1, 2, 2), (Rows{{"4", ""}, {"8", ""}}));
  EXPECT_EQ(block(c, 7, 1, 1, 2), (Rows{{"10", "100"}}));
  EXPECT_EQ(c.grid().Row(), 4);
  // The current row moved away from the selection: the current row alone goes.
  select(c, 2, 1, 3, 1);
  c.mouseset(6, 1);
  c.m_rowdel();
  EXPECT_EQ(record(c, 2), "=C1<4>*10@;=C1<4>*10<B>6;");
  EXPECT_EQ(column(c, 1, 4, 7), (Texts{"4", "8", "10", "11"}));
  expectConsistent(c);
}

TEST(Rows, DeleteNeverAtRowOneOrTheLastTwoRows) {
  Control c;
  c.rowcol(10, 3);
  cellFormulas(c, 10, {});
  for (int32_t r : {1, 9, 10}) {
    click(c, r, 1);
    EXPECT_THROW(c.m_rowdel(), Error);  // refused, told and reported
    EXPECT_EQ(c.rows(), 10);
  }
  EXPECT_EQ(c.gettext(10, 1), "10");
  EXPECT_EQ(c.headless().failures(), Texts(3, "第1行和最后两行不能删除！"));
  ASSERT_EQ(c.headless().messages().size(), 3u);
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  // From the popup menu: told, nothing thrown, nothing changed.
  c.headless().queueMenuChoice("CommandAA5m");
  press(c, 10, 1, kRight);
  release(c, 10, 1, kRight);
  EXPECT_EQ(c.headless().messages().size(), 4u);
  EXPECT_EQ(c.rows(), 10);
  expectConsistent(c);
}

TEST(Rows, MovesExchangeRowsAndTags) {
  Control c;
  cellFormulas(c, 12, {1, 3, 11});
  click(c, 3, 1);
  c.m_rowdow();
  EXPECT_EQ(block(c, 3, 1, 2, 2), (Rows{{"4", ""}, {"3", "30"}}));
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>1;=C1<4>*10<B>4;=C1<4>*10<B>11;");
  EXPECT_EQ(c.grid().Row(), 4);
  click(c, 1, 1);
  c.m_rowdow();  // only the tag of row 1 changes; 11 stays
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>2;=C1<4>*10<B>4;=C1<4>*10<B>11;");
  click(c, 2, 1);
  c.m_rowup();
  EXPECT_EQ(record(c, 2), "=C1<4>*10<B>1;=C1<4>*10<B>4;=C1<4>*10<B>11;");
  EXPECT_EQ(block(c, 1, 1, 1, 2), (Rows{{"1", "10"}}));
  click(c, 1, 1);
  c.m_rowup();  // nothing
  EXPECT_EQ(c.gettext(1, 1), "1");
  click(c, 5, 50);
  c.m_rowdow();  // last column: nothing
  EXPECT_EQ(c.gettext(5, 1), "5");
  expectConsistent(c);
}

// Column 12 computes C1+C10 over rows 1 and 2.
void sumOfOneAndTen(Control& c) {
  put(c, 1, 1, {{"1"}, {"2"}});
  put(c, 1, 10, {{"10"}, {"20"}});
  enterFormula(c, 1, 12, "C1+C10");
  ASSERT_EQ(c.gettext(2, 12), "22");
  ASSERT_EQ(record(c, 12), "C1<4>+C10<4>;");
}

TEST(Columns, InsertRenumbersReferencesAndMovesRecords) {
  Control c;
  sumOfOneAndTen(c);
  click(c, 1, 2);
  c.m_colins();
  EXPECT_EQ(record(c, 13), "C1<4>+C11<4>;");
  EXPECT_EQ(c.state().colFormula[12], "");
  EXPECT_EQ(c.cols(), 51);
  EXPECT_EQ(c.grid().Col(), 3);  // cc0 + 1
  pasteAt(c, 2, 11, "30");
  EXPECT_EQ(c.gettext(2, 13), "32");
  expectConsistent(c);
}

TEST(Columns, InsertWithAWiderSelectionMovesEveryReferenceAtOrAfterIt) {
  Control c;
  put(c, 1, 5, {{"5"}});
  enterFormula(c, 1, 9, "C5*2");
  enterFormula(c, 1, 10, "Len(\"C5\") + C1");  // a quoted reference follows its column too
  select(c, 1, 4, 1, 6);  // three columns; the current column is the anchor, column 4
  c.m_colins();
  EXPECT_EQ(record(c, 12), "C8<4>*2;");
  EXPECT_EQ(record(c, 13), "(Len(\"C8\") + C1<4>);");
  EXPECT_EQ(c.gettext(1, 8), "5");
  c.update(12);
  EXPECT_EQ(c.gettext(1, 12), "10");
  expectConsistent(c);
}

TEST(Columns, DeleteIsRefusedForReferencedColumns) {
  Control c;
  put(c, 1, 3, {{"3"}});
  put(c, 1, 7, {{"abc"}});
  enterFormula(c, 1, 8, "C3+1");
  enterFormula(c, 1, 9, "Len(\"C7\")");  // a quoted reference
  ASSERT_EQ(c.gettext(1, 9), "3");
  for (int32_t col : {3, 7}) {
    click(c, 1, col);
    EXPECT_THROW(c.m_coldel(), Error);
    EXPECT_EQ(c.cols(), 50);
  }
  ASSERT_EQ(c.headless().messages().size(), 2u);
  for (const ShownMessage& m : c.headless().messages()) {
    EXPECT_EQ(m.text, "列有被计算公式引用，不能删除！");
    EXPECT_EQ(m.title, "温馨提示");
  }
  // Columns 6 and 7 selected, only 7 referenced: the whole delete is refused.
  select(c, 1, 6, 1, 7);
  EXPECT_THROW(c.m_coldel(), Error);
  EXPECT_EQ(c.cols(), 50);
  EXPECT_EQ(c.headless().messages().size(), 3u);
  EXPECT_EQ(c.headless().failures().size(), 3u);
}

TEST(Columns, DeleteRenumbersTheReferencesAfterIt) {
  Control c;
  put(c, 1, 5, {{"5"}, {"6"}});
  enterFormula(c, 1, 8, "C5*2");
  click(c, 1, 3);
  c.m_coldel();
  EXPECT_EQ(c.cols(), 49);
  EXPECT_EQ(record(c, 7), "C4<4>*2;");
  EXPECT_EQ(c.gettext(2, 7), "12");
  EXPECT_EQ(c.grid().Col(), 2);  // cc0 - 1
  pasteAt(c, 2, 4, "7");
  EXPECT_EQ(c.gettext(2, 7), "14");
  for (int32_t col : {1, 48}) {  // column 1 and the last two columns stay, and the user is told
    click(c, 1, col);
    EXPECT_THROW(c.m_coldel(), Error);
    EXPECT_EQ(c.cols(), 49);
  }
  EXPECT_EQ(c.headless().failures(), Texts(2, "第1列和最后两列不能删除！"));
  expectConsistent(c);
}

TEST(Columns, MovesExchangeCellsRecordsAndReferences) {
  Control c;
  put(c, 1, 3, {{"3", "4"}});
  enterFormula(c, 1, 4, "C3+1");   // column 4 refers to column 3
  enterFormula(c, 1, 6, "C3-C4");  // column 6 refers to both
  ASSERT_EQ(c.gettext(1, 4), "4");
  click(c, 1, 4);
  c.m_collef();
  EXPECT_EQ(record(c, 3), "C4<4>+1;");
  EXPECT_EQ(record(c, 6), "C4<4>-C3<4>;");
  EXPECT_EQ(block(c, 0, 3, 2, 2), (Rows{{"C3", "C4"}, {"4", "3"}}));
  EXPECT_EQ(c.grid().Col(), 3);
  click(c, 1, 3);
  c.m_colrig();
  EXPECT_EQ(record(c, 4), "C3<4>+1;");
  EXPECT_EQ(record(c, 6), "C3<4>-C4<4>;");
  click(c, 500, 3);
  c.m_colrig();  // the last row: nothing
  EXPECT_EQ(record(c, 4), "C3<4>+1;");
  expectConsistent(c);
}

// A sequence of structure changes; afterwards every formula still computes from its own data.
//      C1  C2  C3   C4 = C1+C2*C3   C5: =C4*2 in row 2
//  1   1   2   3    7
//  2   4   5   6    34              68
//  3   7   8   9    79
TEST(RowsAndColumns, FormulasFollowTheirDataThroughASequence) {
  Control c;
  put(c, 1, 1, {{"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}});
  enterFormula(c, 1, 4, "C1+C2*C3");
  enterFormula(c, 2, 5, "=C4*2");
  ASSERT_EQ(c.gettext(2, 5), "68");
  click(c, 1, 2);
  c.m_colins();  // C2.. move right: C1 C_ C2 C3 C4 C5 -> formula in 5, cell formula in 6
  click(c, 1, 4);
  c.m_collef();  // columns 3 and 4 exchange: data C1 _ C3 C2 f cf
  click(c, 2, 1);
  c.m_rowins();  // the data rows are now 1, 3, 4; the new row gets data (a column formula
  put(c, 2, 1, {{"0", "", "0", "0"}});  // runs over an unbroken run of data)
  click(c, 4, 1);
  c.m_rowup();   // rows 3 and 4 exchange: rows 1, 4, 3 hold old rows 1, 3, 2
  EXPECT_EQ(block(c, 1, 1, 4, 6), (Rows{{"1", "", "3", "2", "7", ""},
                                        {"0", "", "0", "0", "", ""},
                                        {"7", "", "9", "8", "79", ""},
                                        {"4", "", "6", "5", "34", "68"}}));
  expectConsistent(c);
  // New data in old row 2 (now row 4): both formulas of that row recompute from it.
  pasteAt(c, 4, 3, "10");  // old C3
  EXPECT_EQ(c.gettext(4, 5), "54");
  EXPECT_EQ(c.gettext(4, 6), "108");
  click(c, 3, 1);
  c.m_rowdel();  // old row 3 goes; old row 2 moves up to row 3
  pasteAt(c, 3, 4, "1");  // old C2
  EXPECT_EQ(c.gettext(3, 5), "14");
  EXPECT_EQ(c.gettext(3, 6), "28");
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique
