// The formula record: encoding, decoding, the reference test, row lookup, retirement and the
// two compaction rules. Marks are written as \x03 (comma), \x04 (reference), \x0B (row).
#include <gtest/gtest.h>

#include <random>

#include "formula/record.h"
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

TEST(ReferenceTest, MarkedAndQuotedForms) {
  const std::string rec = "C12\x04+C3;=\"C7\"\x0B" "2;";
  EXPECT_TRUE(referencesColumn(rec, 12, false));
  EXPECT_FALSE(referencesColumn(rec, 1, false));   // C12 is no reference to column 1
  EXPECT_FALSE(referencesColumn(rec, 2, false));
  EXPECT_FALSE(referencesColumn(rec, 3, false));   // unmarked
  EXPECT_FALSE(referencesColumn(rec, 7, false));
  EXPECT_TRUE(referencesColumn(rec, 7, true));     // the quoted form where it is accepted
  EXPECT_FALSE(referencesColumn("AC05\x04", 5, false));
  EXPECT_TRUE(referencesColumn("ABC5\x04", 5, false));  // purely textual
  EXPECT_FALSE(referencesColumn("C5", 5, false));        // at the end, nothing follows
  EXPECT_EQ(markedReferences(rec), (std::vector<int32_t>{12}));
  EXPECT_EQ(markedReferences("C3\x04+C1\x04-C3\x04;C05\x04"), (std::vector<int32_t>{1, 3}));
}

TEST(ReferenceTest, MarkedReferencesAgreeWithTheTest) {
  std::mt19937 rng(11);
  const std::vector<std::string> atoms = {"C", "1", "2", "0", "3", "\x04", "\"", "+", "x", ";"};
  for (int i = 0; i < 5000; ++i) {
    std::string s;
    for (int k = int(rng() % 14); k > 0; --k) s += atoms[rng() % atoms.size()];
    std::vector<int32_t> expected;
    for (int32_t n = 1; n <= 400; ++n)
      if (s.find("C" + std::to_string(n) + "\x04") != std::string::npos) {
        expected.push_back(n);
        ASSERT_TRUE(referencesColumn(s, n, false));
      } else {
        ASSERT_FALSE(referencesColumn(s, n, false)) << s << " " << n;
      }
    std::vector<int32_t> found = markedReferences(s);
    std::erase_if(found, [](int32_t n) { return n > 400; });
    ASSERT_EQ(found, expected) << s;
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
  // The two rules differ: an older column formula with "=" survives the command's rule.
  EXPECT_EQ(compactForCommand("C1;C1=C2;"), "C1;C1=C2;");
  // A first piece with "=" and "@" is dropped; without "=" it stays even with "@".
  EXPECT_EQ(compactForCommand("\"a@b\";=C1@;"), "\"a@b\";");
  EXPECT_EQ(compactForCommand("C1=C2@;C3;"), "");
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
