// Copy, paste and the paste's text splitting.
#include "support/driver.h"

#include <random>

#include "editing/paste_text.h"

namespace tablique {
namespace {

using namespace tablique::testing;

TEST(Copy, NormalisesSelectionAndWritesBothTexts) {
  Control c;
  //      C2   C3   C4
  //  1   a    b    (empty)
  //  2   c    d    "  x, y  "
  put(c, 1, 2, {{"a", "b", ""}, {"c", "d", "  x, y  "}});
  select(c, 2, 4, 1, 2);  // from bottom-right to top-left
  c.m_copy();
  EXPECT_EQ(c.rr0(), 1);
  EXPECT_EQ(c.cc0(), 2);
  EXPECT_EQ(c.RR(), 2);
  EXPECT_EQ(c.cc(), 4);
  EXPECT_EQ(c.headless().clipboardText(), "a\tb\t\r\nc\td\tx, y\r\n");
  EXPECT_EQ(c.state().copyText,
            "\x08" "a\t\x08" "b\t\x08\r\n\x08" "c\t\x08" "d\t\x08\x10 \x10 x\x01\x02y\x10 \x10 \r\n");
  EXPECT_EQ(c.gettext(1, 4), "");
  EXPECT_FALSE(c.editor().visible());
}

TEST(Copy, OneRowHasNoLineEndAndZeroSelectionIsIgnored) {
  Control c;
  put(c, 3, 1, {{"a", "b", "c"}});
  select(c, 3, 1, 3, 3);
  c.m_copy();
  EXPECT_EQ(c.headless().clipboardText(), "a\tb\tc");
  // A press on the corner cell leaves 0s in the selection: nothing is copied.
  c.MSFlexGrid1_MouseDown(kLeft, 0, cellX(c, 0), 10);
  c.MSFlexGrid1_MouseUp(kLeft, 0, cellX(c, 0), 10);
  ASSERT_EQ(c.rr0(), 0);
  ASSERT_EQ(c.cc0(), 0);
  c.m_copy();
  EXPECT_EQ(c.headless().clipboardText(), "a\tb\tc");
}

TEST(CopyPaste, RoundTripKeepsCommasSpacesEmptyCellsAndLeadingZeros) {
  Control c;
  const Rows data = {{"007", " a, b ", "", "x y"}, {"", "1,5", "  ", " 0.50"}, {"-0", "", "z", "00"}};
  put(c, 2, 2, data);
  select(c, 2, 2, 4, 5);
  c.m_copy();
  // Other programs get the cells trimmed; the control's own paste gets them exactly.
  EXPECT_EQ(c.headless().clipboardText(), "007\ta, b\t\tx y\r\n\t1,5\t\t0.50\r\n-0\t\tz\t00\r\n");
  pasteAt(c, 10, 3, c.headless().clipboardText());  // the control's own copy
  EXPECT_EQ(block(c, 10, 3, 3, 4), data);
  EXPECT_EQ(c.grid().Row(), 10);
  EXPECT_EQ(c.grid().Col(), 3);
  expectConsistent(c);
}

TEST(CopyPaste, OwnCopyOfNumbersWithCommasAndSpacesKeepsItsCells) {
  Control c;
  put(c, 1, 1, {{"1,5", "1 000"}, {"2", ""}});
  select(c, 1, 1, 2, 2);
  c.m_copy();
  EXPECT_EQ(c.headless().clipboardText(), "1,5\t1 000\r\n2\t\r\n");
  pasteAt(c, 5, 1, c.headless().clipboardText());
  EXPECT_EQ(block(c, 5, 1, 2, 3), (Rows{{"1,5", "1 000", ""}, {"2", "", ""}}));
  // The same text from another program is numeric and splits at the comma and the space.
  c.headless().setClipboardText("x");
  select(c, 9, 1, 9, 1);
  c.m_copy();
  pasteAt(c, 7, 1, "1,5\t1 000\r\n2\t\r\n");
  EXPECT_EQ(block(c, 7, 1, 2, 4), (Rows{{"1", "5", "1", "000"}, {"2", "", "", ""}}));
}

TEST(Paste, ForeignTextIsSplitByItsKind) {
  Control c;
  pasteAt(c, 1, 1, "a b\tc, d\r\n e \t\tf\r\n");  // text: only TAB separates
  EXPECT_EQ(block(c, 1, 1, 2, 3), (Rows{{"a b", "c, d", ""}, {"e", "", "f"}}));
  pasteAt(c, 5, 1, "1 2,3\t4\r\n5  6");  // numeric: space, comma and TAB separate
  EXPECT_EQ(block(c, 5, 1, 2, 4), (Rows{{"1", "2", "3", "4"}, {"5", "", "6", ""}}));
  pasteAt(c, 8, 1, "-1.5e3 +2");
  EXPECT_EQ(block(c, 8, 1, 1, 2), (Rows{{"-1.5e3", "+2"}}));
}

TEST(Paste, EmptyLinesAtTheEndsAreDroppedAndBetweenClearTheRow) {
  Control c;
  put(c, 2, 1, {{"x", "x", "x"}, {"x", "x", "x"}, {"x", "x", "x"}});
  pasteAt(c, 2, 1, "\r\n\r\na\tb\tc\r\n\r\nd\r\n\r\n");
  // The first non-empty line lands on the origin; the inner empty line empties three cells.
  EXPECT_EQ(block(c, 2, 1, 4, 3), (Rows{{"a", "b", "c"}, {"", "", ""}, {"d", "x", "x"}, {"", "", ""}}));
  const int32_t rows = c.grid().Rows();
  pasteAt(c, 3, 2, "");  // empty clipboard: nothing, the current cell back at the origin
  EXPECT_EQ(c.grid().Rows(), rows);
  EXPECT_EQ(c.grid().Row(), 3);
  EXPECT_EQ(c.grid().Col(), 2);
}

TEST(Paste, GrowsTheGridAndReportsOverflowAtItsEdge) {
  Control c;
  c.rowcol(10, 5);
  pasteAt(c, 9, 4, "1\t2\t3\r\n4\t5\t6\r\n");
  // Lines 3 (two CR LF): 9 + 3 > 10 gives addrow(2); width 3: 4 + 3 > 5 gives addcol(2).
  EXPECT_EQ(c.rows(), 12);
  EXPECT_EQ(c.cols(), 7);
  EXPECT_EQ(block(c, 9, 4, 2, 3), (Rows{{"1", "2", "3"}, {"4", "5", "6"}}));
  EXPECT_TRUE(c.headless().messages().empty());
  expectConsistent(c);

  // Over the cell budget the grid cannot grow: the writing stops with the message.
  c.rowcol(6998, 49);
  pasteAt(c, 6998, 48, "a\tb\tc\r\nd\r\n");
  EXPECT_EQ(c.rows(), 6998);
  EXPECT_EQ(c.gettext(6998, 48), "a");
  EXPECT_EQ(c.gettext(6998, 49), "b");
  ASSERT_EQ(c.headless().messages().size(), 1u);
  EXPECT_EQ(c.headless().messages()[0].text, "列超出，请先增加列！");
  EXPECT_EQ(c.headless().messages()[0].title, "数据溢出");
  EXPECT_FALSE(c.headless().messages()[0].okCancel);
  pasteAt(c, 6998, 1, "p\r\nq\r\n");
  EXPECT_EQ(c.gettext(6998, 1), "p");
  ASSERT_EQ(c.headless().messages().size(), 2u);
  EXPECT_EQ(c.headless().messages()[1].text, "行超出，请先增加行！");
  expectConsistent(c);
}

TEST(Paste, RetiresCellFormulasUnderTheBlockAndRecalculatesTheRows) {
  Control c;
  //      C1   C2   C3 = C1*2 (column), =C1+100 in row 2
  put(c, 1, 1, {{"1"}, {"2"}, {"3"}});
  enterFormula(c, 1, 3, "C1*2");
  enterFormula(c, 2, 3, "=C1+100");
  EXPECT_EQ(c.gettext(2, 3), "102");
  pasteAt(c, 2, 3, "x");  // over the cell formula of (2, 3)
  EXPECT_EQ(record(c, 3), "C1<4>*2;=C1<4>+100@;");
  pasteAt(c, 3, 1, "10\r\n");  // a referenced column: the pasted rows are recomputed
  EXPECT_EQ(c.gettext(3, 3), "20");
  EXPECT_EQ(c.gettext(2, 3), "x");
  expectConsistent(c);
}

TEST(Paste, RecalculatesThePastedRowsAlsoAfterTheGridGrew) {
  Control c;
  c.rowcol(5, 3);
  put(c, 1, 1, {{"1"}, {"2"}, {"3"}, {"4"}, {"5"}});
  enterFormula(c, 1, 2, "C1*2");
  pasteAt(c, 5, 1, "50\r\n60\r\n");  // grows: the recalc still covers rows 5 and 6
  EXPECT_EQ(c.rows(), 8);
  EXPECT_EQ(c.gettext(5, 2), "100");
  EXPECT_EQ(c.gettext(6, 2), "120");
  EXPECT_EQ(c.gettext(1, 2), "2");
}

TEST(PasteText, SplitsWithoutTheClipboard) {
  using editing::PasteSource;
  EXPECT_EQ(editing::classifyPasteText("1 2", ""), PasteSource::Numeric);
  EXPECT_EQ(editing::classifyPasteText("e-", ""), PasteSource::Text);  // no digit
  EXPECT_EQ(editing::classifyPasteText("", "\x08"), PasteSource::Text);  // an empty clipboard is no copy
  EXPECT_EQ(editing::classifyPasteText("a\tb", "\x08" "a\t\x08" "b"), PasteSource::OwnCopy);
  EXPECT_EQ(editing::classifyPasteText("\x08q", "\x08q"), PasteSource::OwnCopy);

  editing::PasteBlock b = editing::splitPasteText("1,5\r\n\r\n7\r\n", "");
  EXPECT_EQ(b.lines, 4);
  EXPECT_EQ(b.width, 2);
  ASSERT_EQ(b.rows(), 3);
  EXPECT_EQ(b.rowLength(0), 2);
  EXPECT_EQ(b.rowLength(1), 2);  // an inner empty line: width empty cells
  EXPECT_EQ(b.rowLength(2), 1);
  EXPECT_EQ(b.at(0, 1), "5");
  EXPECT_EQ(b.at(2, 0), "7");
  // Own copy: the block comes from the marked text, marks resolved.
  b = editing::splitPasteText("a,b\tc", "\x08" "a\x01" "b\t\x08" "c");
  ASSERT_EQ(b.rows(), 1);
  EXPECT_EQ(b.at(0, 0), "a,b");
  EXPECT_EQ(b.at(0, 1), "c");
  EXPECT_TRUE(editing::splitPasteText("\r\n\n\r", "").empty());
}

// The rows and cells of a block, for comparing whole blocks.
Rows cellsOf(const editing::PasteBlock& b) {
  Rows out;
  for (int32_t k = 0; k < b.rows(); ++k) {
    out.emplace_back();
    for (int32_t j = 0; j < b.rowLength(k); ++j) out.back().emplace_back(b.at(k, j));
  }
  return out;
}

TEST(CopyPaste, OwnCopyKeepsEmptyFirstAndLastRows) {
  Control c;
  fillColumn(c, 2, {"", "a", "b", ""});
  select(c, 1, 2, 4, 2);
  c.m_cut();
  pasteAt(c, 1, 2, c.headless().clipboardText());
  EXPECT_EQ(column(c, 2, 4), (Texts{"", "a", "b", ""}));
  // Elsewhere, the empty copied cells empty their targets as well.
  fillColumn(c, 5, {"x", "x", "x", "x", "x"});
  pasteAt(c, 1, 5, c.headless().clipboardText());
  EXPECT_EQ(column(c, 5, 5), (Texts{"", "a", "b", "", "x"}));
  // A one-row copy of empty cells, pasted: its cells are emptied.
  select(c, 9, 1, 9, 2);
  c.m_copy();
  put(c, 3, 7, {{"y", "y", "y"}});
  pasteAt(c, 3, 7, c.headless().clipboardText());
  EXPECT_EQ(block(c, 3, 7, 1, 3), (Rows{{"", "", "y"}}));
  expectConsistent(c);
}

TEST(CopyPaste, OwnCopyGivesBackCellsHoldingTabLineBreaksAndMarks) {
  Control c;
  const Rows data = {{"a\tb", "l1\r\nl2", "end"},
                     {"x\ry", "p\nq", "\x01\x02\x08\x10\x11\x12\x13"},
                     {"\"q\"", "1,5 2", "一\t专业 😀"}};
  put(c, 1, 1, data);
  select(c, 1, 1, 3, 3);
  c.m_copy();
  // The clipboard holds the cells as they are (TAB and line breaks unprotected), U+0008 left out.
  EXPECT_EQ(c.headless().clipboardText(),
            "a\tb\tl1\r\nl2\tend\r\nx\ry\tp\nq\t, \x10\x11\x12\x13\r\n\"q\"\t1,5 2\t一\t专业 😀\r\n");
  put(c, 10, 4, {{"keep"}});
  pasteAt(c, 10, 1, c.headless().clipboardText());
  EXPECT_EQ(block(c, 10, 1, 3, 3), data);
  EXPECT_EQ(c.gettext(10, 4), "keep");  // nothing moved right
  EXPECT_EQ(c.gettext(13, 1), "");
  expectConsistent(c);
}

// Copy then paste of random blocks: every cell comes back exactly, edge spaces included, while the
// clipboard text trims them.
TEST(CopyPaste, RandomBlocksComeBackAsCopied) {
  std::mt19937 rng(11);
  const std::vector<std::string> pieces = {"a", " ", ",", "\t", "\r", "\n", "\r\n", "\"", "1", "-", "e", ".",
                                           "\x01", "\x02", "\x08", "\x10", "\x11", "\x13", "一", "😀", ""};
  for (int round = 0; round < 60; ++round) {
    Control c;
    const int32_t h = 1 + int32_t(rng() % 4), w = 1 + int32_t(rng() % 4);
    Rows data = Rows(size_t(h), Texts(size_t(w)));
    for (auto& row : data)
      for (auto& cell : row) {
        const size_t len = rng() % 5;
        for (size_t k = 0; k < len; ++k) cell += pieces[rng() % pieces.size()];
        if (cell == std::string(1, '\0')) cell.clear();
      }
    put(c, 2, 2, data);
    select(c, 2, 2, 1 + h, 1 + w);
    if (round % 2) c.m_cut(); else c.m_copy();
    pasteAt(c, 20, 3, c.headless().clipboardText());
    ASSERT_EQ(block(c, 20, 3, h, w), data) << "round " << round;
    EXPECT_EQ(c.gettext(20, 3 + w), "");
    EXPECT_EQ(c.gettext(20 + h, 3), "");
  }
}

TEST(Paste, ForeignLineEndsEachEndARow) {
  Control c;
  pasteAt(c, 1, 1, "1\n2\n3\n");  // LF alone, from programs on Linux
  EXPECT_EQ(column(c, 1, 4), (Texts{"1", "2", "3", ""}));
  pasteAt(c, 1, 2, "a\rb\r\nc\nd");
  EXPECT_EQ(column(c, 2, 5), (Texts{"a", "b", "c", "d", ""}));
  pasteAt(c, 1, 3, "x\ty\n\nz\r\r\n");  // inner empty line clears the row; the final end adds none
  EXPECT_EQ(block(c, 1, 3, 4, 2), (Rows{{"x", "y"}, {"", ""}, {"z", ""}, {"", ""}}));
  EXPECT_TRUE(c.headless().messages().empty());
  expectConsistent(c);
}

TEST(PasteText, QuotedFieldsAsSpreadsheetProgramsWriteThem) {
  auto split = [](std::string_view text) { return cellsOf(editing::splitPasteText(text, "")); };
  EXPECT_EQ(split("\"a\tb\"\tc\r\n\"say \"\"hi\"\"\"\t\"x\r\ny\"\n\"\"\t\"\n\"\n"),
            (Rows{{"a\tb", "c"}, {"say \"hi\"", "x\r\ny"}, {"", "\n"}}));
  // Quotes anywhere else, or a closing quote followed by more text: the field as it stands.
  EXPECT_EQ(split("a\"b\"\t\"c\"d\t\"open\r\n\"\"\"x"),
            (Rows{{"a\"b\"", "\"c\"d", "\"open"}, {"\"\"\"x"}}));
  // The closing quote at the very end of the text.
  EXPECT_EQ(split("\"p\nq\""), (Rows{{"p\nq"}}));
  // Numeric text has no quotes: its rule is unchanged.
  EXPECT_EQ(split("1 2\n3,4"), (Rows{{"1", "2"}, {"3", "4"}}));
}

TEST(PasteText, ForeignTextSplitterForFiles) {
  editing::ForeignTextOptions keep;
  keep.keepEmptyLines = true;
  // Every line a row, empty ones too; the final line end adds no row; U+0008 is text.
  editing::PasteBlock b = editing::splitForeignText("\n\r\n\x08" "a\tb\n\nc\n\n", keep);
  EXPECT_EQ(cellsOf(b), (Rows{{"", ""}, {"", ""}, {"\x08" "a", "b"}, {"", ""}, {"c"}, {"", ""}}));
  EXPECT_EQ(b.lines, 7);
  EXPECT_TRUE(editing::splitForeignText("", keep).empty());
  // Without the option: empty lines at the ends dropped, as a paste does.
  EXPECT_EQ(cellsOf(editing::splitForeignText("\n\nx\n\ny\n\n")), (Rows{{"x"}, {""}, {"y"}}));
  editing::ForeignTextOptions text = keep;
  text.numericRule = false;
  EXPECT_EQ(cellsOf(editing::splitForeignText("1 000\t2,5", text)), (Rows{{"1 000", "2,5"}}));

  // Cells written as a text file writes them (a cell with TAB, CR or LF, or one beginning with a
  // quote, in quotes, a quote inside doubled) read back into the same cells.
  std::mt19937 rng(5);
  const std::vector<std::string> pieces = {"a", "\t", "\r", "\n", "\r\n", "\"", "\"\"", "x y", "7", "中"};
  for (int round = 0; round < 200; ++round) {
    Rows data = Rows(size_t(1 + rng() % 4), Texts(size_t(1 + rng() % 3)));
    std::string file;
    for (auto& row : data) {
      for (size_t j = 0; j < row.size(); ++j) {
        for (size_t k = rng() % 4; k > 0; --k) row[j] += pieces[rng() % pieces.size()];
        const bool quote = row[j].find_first_of("\t\r\n") != std::string::npos || row[j][0] == '"';
        std::string field = row[j];
        if (quote) {
          for (size_t q = field.find('"'); q != std::string::npos; q = field.find('"', q + 2)) field.insert(q, 1, '"');
          field = "\"" + field + "\"";
        }
        file += (j ? "\t" : "") + field;
      }
      file += "\r\n";
    }
    text.keepEmptyLines = true;
    Rows got = cellsOf(editing::splitForeignText(file, text));
    for (auto& row : got) row.resize(data[0].size());
    ASSERT_EQ(got, data) << "round " << round;
  }
}

}  // namespace
}  // namespace tablique

namespace tablique {
namespace {

// Text from another program that begins with U+0008 is that program's text, not the last copy.
TEST(Paste, ForeignTextBeginningWithABackspaceIsNotTakenForTheOwnCopy) {
  Control c;
  c.rowcol(10, 5);
  c.settext(1, 1, "mine");
  click(c, 1, 1);
  c.m_copy();
  pasteAt(c, 3, 2, "\x08" "foreign\tx");
  EXPECT_EQ(c.gettext(3, 2), "\x08" "foreign");
  EXPECT_EQ(c.gettext(3, 3), "x");
  EXPECT_EQ(c.gettext(1, 1), "mine");
}

}  // namespace
}  // namespace tablique
