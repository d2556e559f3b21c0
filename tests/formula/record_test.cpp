// The formula record: encoding, decoding, the reference test, row lookup, retirement and the
// two compaction rules. Marks are written as \x03 (comma), \x04 (reference), \x05 (";"),
// \x0B (row).
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "formula/record.h"
#include "formula/references.h"
#include "formula/literal.h"

namespace tablique::formula {
namespace {

TEST(Encode, WorkedExamples) {
  // The formula command marks a reference that ends the text; formuset does not.
  EXPECT_EQ(encode("C1+Power(C2,2)", 50, true), "C1\x04+Power(C2\x04\x03" "2)");
  EXPECT_EQ(encode("=C3*2", 50, false), "=C3\x04*2");
  EXPECT_EQ(encode("C1+C2", 50, true), "C1\x04+C2\x04");
  EXPECT_EQ(encode("C1+C2", 50, false), "C1\x04+C2");
  // Followed by a space, "=", "<", ">", "&", a letter or a quote: unmarked.
  EXPECT_EQ(encode("C1 +C2=C3<C4>C5&C6x\"C7\"", 50, true), "C1 +C2=C3<C4>C5&C6x\"C7\"");
  // Beyond the last column, leading zeros, lower case: no reference.
  EXPECT_EQ(encode("C60+C05+c1+C50-", 50, true), "C60+C05+c1+C50\x04-");
  // No data column at all: the text as it is, commas included.
  EXPECT_EQ(encode("C1,2", 0, true), "C1,2");
}

TEST(Encode, SingleScanEqualsColumnByColumnReplacement) {
  std::mt19937 rng(7);
  const std::vector<std::string> atoms = {"C", "C", "1", "2", "5", "0", "9", "+", "-", "*", "/",
                                          "\\", ")", "(", "^", ";", ",", "\x0B", " ", "=", "\"",
                                          "x", "c", "C12", "C50", "C51", "\x04", "\x03"};
  for (int i = 0; i < 20000; ++i) {
    std::string s;
    const int len = int(rng() % 12);
    for (int k = 0; k < len; ++k) s += atoms[rng() % atoms.size()];
    const int32_t h = int32_t(rng() % 60);
    const bool end = rng() % 2;
    ASSERT_EQ(encode(s, h, end), literal::encode(s, h, end)) << "text " << s << " h " << h;
  }
}

TEST(Decode, RemovesReferenceMarksAndRestoresCommas) {
  EXPECT_EQ(decode("C1\x04+Power(C2\x04\x03" "2);=C3\x04*2\x0B" "5;"), "C1+Power(C2,2);=C3*2\x0B" "5;");
}

// A ";" inside a formula (in a string) has its own mark: the record still splits into the
// pieces that were stored, and every reader gets the formula back whole.
TEST(Encode, SemicolonInsideAFormulaKeepsItsPiece) {
  const std::string col = encode("C1 & \";\" & C2", 50, true);
  EXPECT_EQ(col, "C1 & \"\x05\" & C2\x04");
  const std::string rec = col + ";" + cellPiece(encode("=\"a;b\" & C1", 50, false), 4);
  EXPECT_EQ(std::count(rec.begin(), rec.end(), ';'), 2);
  EXPECT_EQ(decode(firstPiece(rec)), "C1 & \";\" & C2");
  EXPECT_EQ(cellFormulaForRow(rec, 4), "=\"a;b\" & C1");
  EXPECT_EQ(cellFormulas(rec).at(0).second, "=\"a;b\" & C1");
  EXPECT_EQ(compactForCommand(rec), rec);
  EXPECT_EQ(compactForFormuget(rec), rec);
  // A record written before the mark existed reads as it always did.
  EXPECT_EQ(cellFormulaForRow("C1\x04+C2;=C1\x04*2\x0B" "3;", 3), "=C1*2");
}

// The scanner finds what the translation substitutes: any reference, whatever follows it.
TEST(References, EveryReferenceTheTranslationReads) {
  const int32_t m = 50;
  EXPECT_EQ(referencedColumns("C2 + C3;", m), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(referencedColumns("C2>C3<C4=C5&C6x\"C7\"C8", m), (std::vector<int32_t>{2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(referencedColumns("C12\x04+C1\x04;", m), (std::vector<int32_t>{1, 12}));
  EXPECT_EQ(referencedColumns("C12+C1;", 11), (std::vector<int32_t>{1}));  // "C12" is C1 and "2"
  EXPECT_EQ(referencedColumns("C60+C05+c7+ABC9;", m), (std::vector<int32_t>{6, 9}));
  EXPECT_EQ(referencedColumns("C1\x04" "2;", m), (std::vector<int32_t>{12}));  // decodes to C12
  // Only live formulas count: not a retired piece, not an older column formula.
  EXPECT_EQ(referencedColumns("C2;C3;=C4@;=C5\x0B" "7;", m), (std::vector<int32_t>{2, 5}));
  EXPECT_EQ(referencedColumns("=C4\x0B" "2;C3;", m), (std::vector<int32_t>{4}));
  EXPECT_TRUE(referencesColumn("=C1 & \"C9\"\x0B" "3;", 9, m));
  EXPECT_FALSE(referencesColumn("=C1 & \"C9\"\x0B" "3;", 3, m));  // the row number is no reference
  EXPECT_FALSE(referencesColumn("", 1, m));
}

TEST(References, RenumberingKeepsTheMarksAndTouchesEachReferenceOnce) {
  std::string rec = "C2 + C3;=C3\x04*C10\x0B" "2;C1\x04" "2>\"C2\"";
  // Exchange 2 and 3, as a column move does: no placeholders needed.
  EXPECT_TRUE(renumberReferences(rec, 50, [](int32_t t) { return t == 2 ? 3 : t == 3 ? 2 : 0; }));
  EXPECT_EQ(rec, "C3 + C2;=C2\x04*C10\x0B" "2;C1\x04" "2>\"C3\"");
  // Every reference from 2 up moves by 5; C12 (written with a mark inside) becomes C17.
  EXPECT_TRUE(renumberReferences(rec, 50, [](int32_t t) { return t >= 2 ? t + 5 : 0; }));
  EXPECT_EQ(rec, "C8 + C7;=C7\x04*C15\x0B" "2;C17\x04>\"C8\"");
  EXPECT_FALSE(renumberReferences(rec, 50, [](int32_t) { return 0; }));
}

// Generated stored records: the columns the scanner reports for the live pieces are exactly the
// columns whose cell texts the literal translation puts into the expression.
// A cell formula stored again for its row (formuset does not retire the older one) shadows the
// older piece for good: only the newest counts as a reference, so a column that only the older
// one named can be deleted.
TEST(References, OnlyTheNewestCellFormulaOfARowCounts) {
  const std::string rec = "=Len(C3)\x0B" "2;=C1+C2\x0B" "2;=C4\x0B" "5;";
  EXPECT_FALSE(referencesColumn(rec, 3, 10));
  EXPECT_TRUE(referencesColumn(rec, 2, 10));
  EXPECT_TRUE(referencesColumn(rec, 4, 10));
  EXPECT_EQ(referencedColumns(rec, 10), (std::vector<int32_t>{1, 2, 4}));
  EXPECT_EQ(referencedColumns("C7;=C3\x0B" "2;", 10), (std::vector<int32_t>{3, 7}));
}

TEST(References, AgreeWithTheLiteralTranslation) {
  std::mt19937 rng(11);
  const std::vector<std::string> atoms = {"C", "C", "1", "2", "0", "3", "7", "\x04", "\"", "+", " ",
                                          "x", ";", "=", "<", "&", "\x03", "\x05", "@", "\x0B"};
  for (int i = 0; i < 20000; ++i) {
    std::string rec;
    for (int k = int(rng() % 16); k > 0; --k) rec += atoms[rng() % atoms.size()];
    const int32_t maxCol = 1 + int32_t(rng() % 40);
    std::vector<int32_t> expected;
    forEachLivePiece(rec, [&](std::string_view piece) {
      std::string out;
      const std::string text = decode(piece);
      literal::translate(text, maxCol, false,
                         [&](int32_t n) { return "\x02" + std::to_string(n) + "\x02"; }, out);
      for (size_t at = out.find('\x02'); at != std::string::npos; at = out.find('\x02', at + 1)) {
        const size_t end = out.find('\x02', at + 1);
        expected.push_back(std::stoi(out.substr(at + 1, end - at - 1)));
        at = end;
      }
    });
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    ASSERT_EQ(referencedColumns(rec, maxCol), expected) << "record " << rec << " maxCol " << maxCol;
  }
}

TEST(Compaction, FormugetRule) {
  // newest column formula first, an older one after it, a live and a retired cell formula
  const std::string rec = "C1\x04+C2\x04;C1\x04-C2\x04;=C2\x04\x0B" "3;=C1\x04*2@;;";
  EXPECT_EQ(compactForFormuget(rec), "C1\x04+C2\x04;=C2\x04\x0B" "3;");
  // An older column formula holding "=" is still dropped by this rule.
  EXPECT_EQ(compactForFormuget("C1;C1=C2;"), "C1;");
  // A first piece that is a cell formula stays.
  EXPECT_EQ(compactForFormuget("=C1\x0B" "2;"), "=C1\x0B" "2;");
  EXPECT_EQ(compactForFormuget(""), "");
}

TEST(Compaction, CommandRule) {
  const std::string rec = "C1\x04+C2\x04;C1\x04-C2\x04;=C2\x04\x0B" "3;=C1\x04*2@;;";
  EXPECT_EQ(compactForCommand(rec), "C1\x04+C2\x04;=C2\x04\x0B" "3;");
  // After the first piece only cell formulas stay: an older column formula holding "=" goes,
  // so re-storing C1>=C2 at every run does not grow the record.
  EXPECT_EQ(compactForCommand("C1>=C2;C1>=C2;C1>=C2;=C3\x0B" "4;"), "C1>=C2;=C3\x0B" "4;");
  EXPECT_EQ(compactForCommand("C1;=C2;"), "C1;");
  // Only a piece that ends in "@" is retired: an e-mail address in a string stays.
  EXPECT_EQ(compactForCommand("C1 & \"a@b\";=\"x@y\"\x0B" "2;=C1@;"),
            "C1 & \"a@b\";=\"x@y\"\x0B" "2;");
  EXPECT_EQ(compactForCommand("C1=C2@;=C3\x0B" "1;"), "=C3\x0B" "1;");
  EXPECT_EQ(compactForCommand(""), "");
}

TEST(RowLookup, ExactRowNumberAndNewestPiece) {
  const std::string dec = "C1+C2;=C1*2\x0B" "12;=C2\x0B" "1;=C3@;=C9\x0B" "1;";
  EXPECT_EQ(cellFormulaForRow(dec, 12), "=C1*2");
  EXPECT_EQ(cellFormulaForRow(dec, 1), "=C9");  // formuset appends without retiring
  EXPECT_EQ(cellFormulaForRow(dec, 2), std::nullopt);
  EXPECT_EQ(cellFormulaForRow("=C1\x0B" "3", 3), std::nullopt);  // no ";" after the row
  auto all = cellFormulas(dec);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0], (std::pair<int32_t, std::string>{1, "=C9"}));
  EXPECT_EQ(all[1], (std::pair<int32_t, std::string>{12, "=C1*2"}));
  EXPECT_EQ(firstPiece(dec), "C1+C2");
}

TEST(Retire, RowPiecesBecomeRetired) {
  std::string rec = "C1;=C1\x0B" "3;=C2\x0B" "13;=C4\x0B" "3;";
  EXPECT_TRUE(retireRow(rec, 3));
  EXPECT_EQ(rec, "C1;=C1@;=C2\x0B" "13;=C4@;");
  EXPECT_FALSE(retireRow(rec, 4));
  std::string ranged = "=A\x0B" "1;=B\x0B" "2;=C\x0B" "3;=D\x0B" "4;=E\x0B" "02;";
  retireRows(ranged, 2, 3);
  EXPECT_EQ(ranged, "=A\x0B" "1;=B@;=C@;=D\x0B" "4;=E\x0B" "02;");
  EXPECT_EQ(cellPiece("=C3\x04*2", 5), "=C3\x04*2\x0B" "5;");
}


}  // namespace
}  // namespace tablique::formula
