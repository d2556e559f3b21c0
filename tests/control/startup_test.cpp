// Start-up state, the layout rule, and the cell, selection and dimension methods.
#include <gtest/gtest.h>

#include <tablique/control.h>

namespace tablique {
namespace {

TEST(StartUp, TableHeadersAndState) {
  Control c;
  const Grid& g = c.grid();
  EXPECT_EQ(g.Rows(), 501);
  EXPECT_EQ(g.Cols(), 51);
  EXPECT_EQ(c.rows(), 500);
  EXPECT_EQ(c.cols(), 50);
  EXPECT_EQ(c.gettext(0, 1), "C1");
  EXPECT_EQ(c.gettext(0, 50), "C50");
  EXPECT_EQ(c.gettext(500, 0), "500");
  EXPECT_EQ(c.gettext(0, 0), "");
  for (int r = 1; r <= 500; r += 37)
    for (int col = 1; col <= 50; col += 7) EXPECT_EQ(c.gettext(r, col), "");
  EXPECT_EQ(g.Row(), 1);
  EXPECT_EQ(g.Col(), 1);
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.cc0(), 1);
  EXPECT_EQ(c.RR(), 1);
  EXPECT_EQ(c.cc(), 1);
  EXPECT_FALSE(c.editor().visible());
  EXPECT_FLOAT_EQ(c.editor().fontSize(), 10.5f);
  EXPECT_TRUE(c.pmenu());
  const ControlState& st = c.state();
  EXPECT_EQ(st.colFormula.size(), 51u);  // entries 1..50, element 0 unused
  for (const auto& f : st.colFormula) EXPECT_EQ(f, "");
  EXPECT_EQ(st.formuMode, FormuMode::Prompt);
  EXPECT_EQ(st.editLock, EditLock::None);
  EXPECT_EQ(st.depGuard, DepGuard::None);
  EXPECT_EQ(st.pasteMode, PasteMode::None);
  EXPECT_EQ(g.ColWidth(0), 660);
  EXPECT_EQ(g.ColWidth(1), 1140);
  EXPECT_EQ(g.RowHeight(1), 285);
  EXPECT_EQ(g.alignmentAt(3, 3), kAlignLeftCenter);
  EXPECT_EQ(g.alignmentAt(0, 3), kAlignCenterTop);
}

TEST(StartUp, FunctionLibraryIsLoaded) {
  Control c;
  EXPECT_EQ(c.engine().Eval("Power(2,10)").toString(), "1024");
  EXPECT_EQ(c.engine().Eval("pi").toString(), "3.14159265358979");
}

TEST(Layout, GridFollowsControlOnlyFromThreeThousandTwips) {
  Control c;
  EXPECT_EQ(c.Width(), 10000);
  EXPECT_EQ(c.Height(), 8000);
  const Grid& g = c.grid();
  EXPECT_EQ(g.Left, 5);
  EXPECT_EQ(g.Top, 5);
  EXPECT_EQ(g.Width, 9990);
  EXPECT_EQ(g.Height, 7990);
  c.resize(2999, 5000);
  EXPECT_EQ(g.Width, 9990);
  EXPECT_EQ(g.Height, 7990);
  c.resize(5000, 2999);
  EXPECT_EQ(g.Width, 9990);
  c.resize(3000, 3000);
  EXPECT_EQ(g.Left, 5);
  EXPECT_EQ(g.Top, 5);
  EXPECT_EQ(g.Width, 2990);
  EXPECT_EQ(g.Height, 2990);
}

TEST(Rowcol, LimitsAndMessage) {
  Control c;
  c.rowcol(349, 999);  // 350 x 1000 = 350000 > 349950
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, "行或列数超出，请重新设置！");
  EXPECT_EQ(c.headless().messages()[0].title, "温馨提示");
  EXPECT_FALSE(c.headless().messages()[0].okCancel);
  EXPECT_EQ(c.grid().Rows(), 501);
  EXPECT_EQ(c.grid().Cols(), 51);

  c.rowcol(6998, 49);  // exactly the budget
  EXPECT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.grid().Rows(), 6999);
  EXPECT_EQ(c.grid().Cols(), 50);
  EXPECT_EQ(c.state().colFormula.size(), 50u);
  EXPECT_EQ(c.gettext(6998, 0), "6998");
  EXPECT_EQ(c.gettext(0, 49), "C49");
}

TEST(Rowcol, OverflowFailsBeforeAnyChange) {
  Control c;
  EXPECT_THROW(c.rowcol(2147483647, 1), Error);
  EXPECT_THROW(c.rowcol(100000, 100000), Error);
  EXPECT_EQ(c.grid().Rows(), 501);
  EXPECT_TRUE(c.headless().messages().empty());
}

TEST(Rowcol, RebuildsAndEmpties) {
  Control c;
  c.settext(2, 2, "x");
  c.formuset(1, "C2*2");
  c.rowcol(10, 3);
  EXPECT_EQ(c.grid().Rows(), 11);
  EXPECT_EQ(c.grid().Cols(), 4);
  EXPECT_EQ(c.gettext(2, 2), "");
  EXPECT_EQ(c.gettext(0, 3), "C3");
  EXPECT_EQ(c.gettext(10, 0), "10");
  ASSERT_EQ(c.state().colFormula.size(), 4u);
  for (const auto& f : c.state().colFormula) EXPECT_EQ(f, "");
  EXPECT_EQ(c.grid().Row(), 1);
  EXPECT_EQ(c.grid().Col(), 1);
}

TEST(Rowcol, FailureCasesChangeLittle) {
  Control c;
  c.rowcol(10, 0);  // no data columns: only the editor is hidden
  EXPECT_EQ(c.grid().Cols(), 51);
  EXPECT_EQ(c.grid().Rows(), 501);
  c.rowcol(0, 5);  // header row only; the selection keeps its values
  EXPECT_EQ(c.grid().Rows(), 1);
  EXPECT_EQ(c.grid().Cols(), 6);
  EXPECT_EQ(c.rr0(), 1);
}

TEST(CellAccess, SettextGettextMouseset) {
  Control c;
  c.settext(0, 2, "x");
  c.settext(3, 0, "x");
  EXPECT_EQ(c.gettext(0, 2), "C2");
  EXPECT_EQ(c.gettext(3, 0), "3");
  c.settext(3, 2, "x");
  EXPECT_EQ(c.gettext(3, 2), "x");
  EXPECT_EQ(c.focus(), FocusTarget::Grid);
  c.settext(3, 3, std::string(1, '\0'));  // U+0000 alone is an empty cell
  EXPECT_EQ(c.gettext(3, 3), "");

  c.mouseset(4, 5);
  EXPECT_EQ(c.grid().Row(), 4);
  EXPECT_EQ(c.grid().Col(), 5);
  EXPECT_EQ(c.RR(), 1);  // the selection members stay
}

TEST(CellAccess, IndexOutsideTheGridFailsAndNamesIt) {
  Control c;
  try {
    c.gettext(501, 1);
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::IndexOutOfRange);
    EXPECT_NE(std::string(e.what()).find("501"), std::string::npos);
  }
  EXPECT_THROW(c.settext(1, 51, "x"), Error);
  EXPECT_THROW(c.settext(-1, 0, "x"), Error);
  EXPECT_THROW(c.mouseset(1, -1), Error);
  EXPECT_EQ(c.grid().Col(), 1);
}

TEST(Dimensions, AddrowBudget) {
  Control c;
  c.mouseset(7, 7);
  c.addrow(10);  // 511 x 54 = 27594
  EXPECT_EQ(c.grid().Rows(), 511);
  EXPECT_EQ(c.gettext(501, 0), "501");
  EXPECT_EQ(c.gettext(510, 0), "510");
  EXPECT_EQ(c.grid().Row(), 1);
  EXPECT_EQ(c.grid().Col(), 1);

  Control d;
  d.addrow(6480 - 501);  // 6480 x 54 = 349920
  EXPECT_EQ(d.grid().Rows(), 6480);
  d.addrow(1);           // 6481 x 54 = 349974: silently refused
  EXPECT_EQ(d.grid().Rows(), 6480);
  EXPECT_TRUE(d.headless().messages().empty());
}

TEST(Dimensions, AddcolBudget) {
  Control c;
  c.addcol(645);  // 699 x 501 = 350199: refused
  EXPECT_EQ(c.grid().Cols(), 51);
  c.addcol(644);  // 698 x 501 = 349698
  EXPECT_EQ(c.grid().Cols(), 695);
  EXPECT_EQ(c.gettext(0, 51), "C51");
  EXPECT_EQ(c.gettext(0, 694), "C694");
  EXPECT_EQ(c.state().colFormula.size(), 695u);
  EXPECT_EQ(c.cols(), 694);
}

TEST(Dimensions, NegativeCounts) {
  Control c;
  c.addrow(-400);
  EXPECT_EQ(c.rows(), 100);
  EXPECT_THROW(c.addrow(-1000), Error);
  EXPECT_EQ(c.rows(), 100);
  EXPECT_THROW(c.addrow(2147483647), Error);
  c.addcol(-40);
  EXPECT_EQ(c.cols(), 10);
  EXPECT_EQ(c.state().colFormula.size(), 11u);
}

// Rows taken off by a negative count take their cell formulas with them: rows added later start
// without a formula. A table of the header row alone is a table, not a failure.
TEST(Dimensions, RowsTakenOffTakeTheirCellFormulas) {
  Control c;
  c.rowcol(3, 4);
  c.settext(1, 2, "3");
  c.settext(3, 2, "4");
  for (int32_t r : {1, 3}) {
    c.mouseset(r, 3);
    c.headless().queueInput("=C2*2");
    c.m_focal();
  }
  ASSERT_EQ(c.gettext(3, 3), "8");
  c.addrow(-1);
  EXPECT_EQ(c.rows(), 2);
  EXPECT_EQ(c.state().colFormula[3], "=C2\x04*2\x0b" "1;=C2\x04*2@;");
  c.addrow(-2);  // down to the header row
  EXPECT_EQ(c.rows(), 0);
  EXPECT_EQ(c.state().colFormula[3].find('\x0b'), std::string::npos);
  c.addcol(1);
  EXPECT_EQ(c.cols(), 5);
  c.addrow(3);
  c.settext(1, 2, "5");
  c.settext(3, 2, "6");
  c.mouseset(3, 2);
  c.headless().setClipboardText("6");
  c.m_paste();  // recalculates: no formula of a removed row comes back to life
  EXPECT_EQ(c.gettext(1, 3), "");
  EXPECT_EQ(c.gettext(3, 3), "");
}

TEST(Dimensions, SizesInMillimetres) {
  Control c;
  c.setcolw(3, 20.11f);
  EXPECT_EQ(c.grid().ColWidth(3), 1140);
  c.setrowh(2, 5.03f);
  EXPECT_EQ(c.grid().RowHeight(2), 285);
  c.setcolw(4, 30.0f);
  EXPECT_EQ(c.grid().ColWidth(4), 1700);  // floor(1700.79)
  c.setcolw(0, 10);
  c.setcolw(51, 10);
  c.setcolw(5, -3);  // refused quietly
  EXPECT_EQ(c.grid().ColWidth(0), 660);
  EXPECT_EQ(c.grid().ColWidth(5), 1140);
  c.setrowh(0, 10);
  c.setrowh(501, 10);
  EXPECT_EQ(c.grid().RowHeight(0), 285);
}

}  // namespace
}  // namespace tablique
