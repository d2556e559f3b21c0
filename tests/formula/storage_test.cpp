// Formulas keep working once stored: an "@" or a ";" inside them, a column formula with "="
// run many times, and a round trip through the data file.
#include <gtest/gtest.h>

#include "files/files_fixture.h"
#include "formula/record.h"
#include "support/driver.h"

namespace tablique {
namespace {

using namespace tablique::testing;
using V = std::vector<std::string>;

// An e-mail address in a cell formula's string: the formula stays and keeps computing.
TEST(FormulaStorage, AnAtSignInsideAFormulaIsNoRetiredPiece) {
  Control c;
  fillColumn(c, 1, {"王五", "张三"});
  enterFormula(c, 2, 3, "=\"C1\" & \" <zhang@example.cn>\"");
  EXPECT_EQ(c.gettext(2, 3), "张三 <zhang@example.cn>");
  EXPECT_EQ(c.formuget(3), "=(\"C1\" & \" <zhang@example.cn>\")\x0B" "2;");
  editCell(c, 2, 1, "李四");
  EXPECT_EQ(c.gettext(2, 3), "李四 <zhang@example.cn>");
  // The same in a column formula, entered by the command and by formuset.
  enterFormula(c, 1, 4, "\"C1\" & \"@\" & \"x\"");
  EXPECT_EQ(c.gettext(2, 4), "李四@x");
  c.formuset(5, "\"C1@mail\"");
  c.mouseset(1, 5);
  c.update(5);
  c.update(5);
  EXPECT_EQ(c.gettext(2, 5), "李四@mail");
  EXPECT_EQ(c.formuget(5), "(\"C1@mail\");");
  expectConsistent(c);
}

// A ";" inside a formula is stored under its own mark: the formula evaluates at every run, the
// record does not change, and every place that shows the formula shows it whole.
//        C1  C2  C3 ("C1;C2")   C4 (="C1" & ";;" in row 2)
//    1   a   x   a;x
//    2   b   y   b;y                  b;;
TEST(FormulaStorage, ASemicolonInsideAFormulaStaysInIt) {
  TempDir dir;
  Control c;
  fillColumn(c, 1, {"a", "b"});
  fillColumn(c, 2, {"x", "y"});
  enterFormula(c, 1, 3, "\"C1;C2\"");
  EXPECT_EQ(column(c, 3, 2), (V{"a;x", "b;y"}));
  const std::string stored = c.state().colFormula[3];
  editCell(c, 2, 1, "B");
  EXPECT_EQ(column(c, 3, 2), (V{"a;x", "B;y"}));
  editCell(c, 2, 2, "Y");
  EXPECT_EQ(column(c, 3, 2), (V{"a;x", "B;Y"}));
  EXPECT_EQ(c.state().colFormula[3], stored);  // no parentheses gained, nothing cut
  EXPECT_EQ(c.formuget(3), "(\"C1;C2\");");
  enterFormula(c, 1, 3, std::nullopt);  // the prompt's default
  EXPECT_EQ(c.headless().inputDefaults().back(), "(\"C1;C2\")");

  c.mouseset(2, 4);
  c.formuset(4, "=\"C1\" & \";;\"");
  c.update(4);
  EXPECT_EQ(c.gettext(2, 4), "B;;");

  // Exported and imported into a fresh control: the same formulas, computing the same.
  c.headless().queueFile(dir.file("f.tbq"));
  c.m_daexp();
  Control d;
  d.headless().queueFile(dir.file("f.tbq"));
  d.m_dainp();
  EXPECT_EQ(d.formuget(3), "(\"C1;C2\");");
  EXPECT_EQ(d.formuget(4), "=(\"C1\" & \";;\")\x0B" "2;");
  d.settext(2, 4, "");
  d.mouseset(2, 4);
  d.update(4);
  d.settext(1, 3, "");
  d.update(3);
  EXPECT_EQ(column(d, 3, 2), (V{"a;x", "B;Y"}));
  EXPECT_EQ(d.gettext(2, 4), "B;;");
  expectConsistent(d);
}

// A column formula holding "=" is stored once however often it runs; the older copies that
// earlier runs left in a record go at the next run.
TEST(FormulaStorage, AColumnFormulaWithAnEqualsSignDoesNotGrowItsRecord) {
  Control c;
  fillColumn(c, 1, {"1", "2", "3"});
  fillColumn(c, 2, {"2", "2", "2"});
  enterFormula(c, 1, 3, "C1>=C2");
  EXPECT_EQ(column(c, 3, 3), (V{"False", "True", "True"}));
  const std::string stored = c.state().colFormula[3];
  for (int i = 0; i < 20; ++i) editCell(c, 1 + i % 3, 1, std::to_string(i % 4));
  EXPECT_EQ(c.state().colFormula[3], stored);
  EXPECT_EQ(column(c, 3, 3), (V{"True", "True", "False"}));  // 2, 3, 1 against 2

  c.formuset(4, "C1<=C2");
  c.formuset(4, "C1<=C2");  // as a record grown by earlier versions
  c.mouseset(1, 4);
  c.update(4);
  EXPECT_EQ(c.formuget(4), "C1<=C2;");
  expectConsistent(c);
}

// A mark character typed into a formula computes as it will be read back from the record: the
// command, an edit's recalc and update give the same result, and a formula of marks only stores
// nothing.
TEST(FormulaStorage, MarkCharactersInAFormulaComputeAsStored) {
  Control c;
  fillColumn(c, 1, {"a", "b"});
  for (char mark : {'\x03', '\x04', '\x05'}) {
    SCOPED_TRACE(int(mark));
    enterFormula(c, 1, 2, "\"C1\" & \"x" + std::string(1, mark) + "y\"");
    const V first = column(c, 2, 2);
    editCell(c, 2, 1, c.gettext(2, 1) == "b" ? "B" : "b");
    const std::string edited = c.gettext(2, 1);
    EXPECT_EQ(column(c, 2, 2), (V{first[0], edited + first[1].substr(1)}));
    c.settext(1, 2, "");
    c.update(2);
    EXPECT_EQ(c.gettext(1, 2), first[0]);
  }
  EXPECT_EQ(c.gettext(1, 2), "ax;y");
  enterFormula(c, 2, 3, "\x04");
  EXPECT_EQ(c.formuget(3), "");
  expectConsistent(c);
}


// Every cell formula of a record names a row the table has.
void expectRowsWithinTable(const Control& c) {
  for (size_t col = 1; col < c.state().colFormula.size(); ++col)
    for (const auto& piece : formula::cellFormulas(c.state().colFormula[col]))
      EXPECT_LT(piece.first, c.grid().Rows()) << "column " << col;
}

// The export writes the lines up to the last row holding text; a cell formula further down
// (its cell empty) travels in the formula line. Imported into a shorter table it has no row:
// it is dropped, the formulas of rows the table has stay.
TEST(FormulaStorage, ImportKeepsNoCellFormulaBeyondTheTable) {
  TempDir dir;
  const std::string path = dir.file("t.tbq");
  Control a;
  a.rowcol(21, 4);
  fillColumn(a, 1, {"1", "2", "3"});
  a.mouseset(2, 4);
  a.formuset(4, "=C1+1");
  a.mouseset(15, 4);
  a.formuset(4, "=C1*2");
  a.headless().queueFile(path);
  a.m_daexp();

  Control b;
  b.rowcol(6, 4);
  b.headless().queueFile(path);
  b.m_dainp();
  EXPECT_EQ(b.gettext(3, 1), "3");
  expectRowsWithinTable(b);
  ASSERT_TRUE(formula::cellFormulaForRow(b.state().colFormula[4], 2));
  EXPECT_EQ(*formula::cellFormulaForRow(b.state().colFormula[4], 2), "=C1+1");
  expectConsistent(b);

  // A table tall enough keeps both.
  Control d;
  d.rowcol(30, 4);
  d.headless().queueFile(path);
  d.m_dainp();
  EXPECT_TRUE(formula::cellFormulaForRow(d.state().colFormula[4], 15));
  EXPECT_TRUE(formula::cellFormulaForRow(d.state().colFormula[4], 2));
}

// The row mark cannot be part of a formula: the command and formuset refuse such a formula,
// the refusal is told, and the record and the cells stay as they were.
TEST(FormulaStorage, AFormulaHoldingTheRowMarkIsRefused) {
  Control c;
  fillColumn(c, 1, {"1", "2"});
  enterFormula(c, 1, 2, "C1+1");
  const std::string before = c.state().colFormula[2];
  for (const std::string f : {"=C1\x0b" "99999999999", "C1+\x0b" "1", "\x0b"}) {
    SCOPED_TRACE(f);
    const size_t told = c.headless().messages().size();
    EXPECT_THROW(enterFormula(c, 2, 2, f), Error);
    EXPECT_EQ(c.headless().messages().size(), told + 1);
    EXPECT_EQ(c.state().colFormula[2], before);
    EXPECT_EQ(column(c, 2, 2), (V{"2", "3"}));
    // From the menu: told, nothing thrown.
    c.mouseset(2, 2);
    c.headless().queueInput(f);
    c.headless().queueMenuChoice("CommandAA14m");
    c.MSFlexGrid1_MouseDown(2, 0, cellX(c, 2), cellY(c, 2));
    EXPECT_EQ(c.headless().messages().size(), told + 2);
    EXPECT_EQ(c.state().colFormula[2], before);
    EXPECT_THROW(c.formuset(2, f), Error);
    EXPECT_EQ(c.state().colFormula[2], before);
  }
  expectConsistent(c);
}

}  // namespace
}  // namespace tablique

// A table of the header row alone has no current data row: a cell formula set then is stored
// for no row (it would otherwise name row 0, the header row).
TEST(FormulaStorage, ACellFormulaNeedsADataRow) {
  tablique::Control c;
  c.rowcol(1, 3);
  c.addrow(-1);
  ASSERT_EQ(c.grid().Rows(), 1);
  EXPECT_THROW(c.formuset(1, "=C2*2"), tablique::Error);  // told, not silently dropped
  EXPECT_EQ(c.state().colFormula[1], "");
  c.addrow(2);
  c.mouseset(2, 1);
  c.formuset(1, "=C2*2");
  EXPECT_NE(c.state().colFormula[1].find("\x0b" "2;"), std::string::npos);
}
