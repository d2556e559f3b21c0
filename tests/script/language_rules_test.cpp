// Conformance of Currency, comparison forms and conversions, literal and constant types,
// Single text, left-out arguments, bracketed names, the byte functions and Escape/Unescape.
// Each group names the rule it checks. Currency's exactness is also checked against 128-bit
// integer arithmetic over random values of its whole range.
#include <random>

#include "conformance.h"

namespace {

using tablique::script::test::Case;
using tablique::script::test::Conformance;

// Currency is a whole count of ten-thousandths: text converts digit by digit (ties to even),
// a Double through the digits it shows; + - * and CStr are exact to +-922337203685477.5807;
// beyond that error 6.
const Case kCurrency[] = {
    {"CCur(\"922337203685477\")", "922337203685477", "Currency"},
    {"CCur(922337203685477)", "922337203685477", "Currency"},
    {"CCur(\"922337203685477.5807\")", "922337203685477.5807", "Currency"},
    {"CCur(\"-922337203685477.5808\")", "-922337203685477.5808", "Currency"},
    {"CCur(\"922337203685477.5808\")", 6},
    {"CCur(\"-922337203685477.5809\")", 6},
    {"CCur(1E15)", 6},
    {"CCur(\"1e14\")", "100000000000000", "Currency"},
    {"CCur(\"1,000.25\")", "1000.25", "Currency"},
    {"CCur(\"0.00015\")", "0.0002", "Currency"},
    {"CCur(\"0.00025\")", "0.0002", "Currency"},
    {"CCur(\"0.000250001\")", "0.0003", "Currency"},
    {"CCur(0.00015)", "0.0002", "Currency"},
    {"CCur(\"-0.00005\")", "0", "Currency"},
    {"CCur(\"&H10\")", "16", "Currency"},
    {"CCur(\"abc\")", 13},
    {"CCur(Null)", 94},
    {"CCur(0.1) + CCur(0.2) = CCur(0.3)", "True", "Boolean"},
    {"CCur(\"922337203685477.5807\") - CCur(\"922337203685477.5806\")", "0.0001", "Currency"},
    {"CCur(\"922337203685477.5807\") + CCur(\"0.0001\")", 6},
    {"CCur(\"-922337203685477.5808\") - CCur(\"0.0001\")", 6},
    {"CCur(\"92233720368547\") * 100", 6},
    {"CCur(\"3037000.4999\") * CCur(\"3037000.4999\")", "9223372036392.8499", "Currency"},
    {"CCur(\"0.0005\") * CCur(\"0.5\")", "0.0002", "Currency"},
    {"CCur(\"922337203685477\") + \"0.5807\"", "922337203685477.5807", "Currency"},
    {"CCur(\"922337203685477.5807\") > 922337203685477", "True", "Boolean"},
    {"CCur(\"2\") = 2", "True", "Boolean"},
    {"-CCur(\"-922337203685477.5808\")", 6},
    {"Round(CCur(\"2.5\"))", "2", "Currency"},
    {"Round(CCur(\"-1.23456\"), 2)", "-1.23", "Currency"},
    {"Round(CCur(\"922337203685477.5804\"), 3)", "922337203685477.58", "Currency"},
    {"Round(CCur(\"922337203685477.5807\"))", 6},
    {"Int(CCur(\"-922337203685477.5808\"))", 6},  // rounds down below the least Currency
    {"Int(CCur(\"-922337203685477.0001\"))", 6},
    {"Int(CCur(\"-922337203685477\"))", "-922337203685477", "Currency"},
    {"Int(CCur(\"922337203685477.5807\"))", "922337203685477", "Currency"},
    {"Fix(CCur(\"-922337203685477.5808\"))", "-922337203685477", "Currency"},
    {"FormatCurrency(CCur(\"-922337203685477.5807\"), 4)", "($922,337,203,685,477.5807)", "String"},
    {"FormatNumber(CCur(\"922337203685477.5807\"), 2)", "922,337,203,685,477.58", "String"},
    {"FormatPercent(1E308)", 6},
};

// The comparison operators may also be written =>, =< and ><; Not may open the right operand
// of a comparison and then takes the rest of the comparison (1 <> Not (0 = 0)); elsewhere an
// operand cannot begin with Not.
const Case kComparisonForms[] = {
    {"1 => 0", "True", "Boolean"},
    {"1 =< 0", "False", "Boolean"},
    {"1 >< 0", "True", "Boolean"},
    {"1 >< 1", "False", "Boolean"},
    {"2 => 2 And 2 =< 2", "True", "Boolean"},
    {"1 <> Not 0 = 0", "True", "Boolean"},
    {"1 = Not 0", "False", "Boolean"},
    {"-1 = Not 0 And 1", "1", "Integer"},
    {"1 + Not 0", 1002},
    {"1 = < 0", 1002},
};

// A number and a string: a number written in the expression converts the string; a string
// written there converts the number (also a Boolean, the result of CInt, CDbl, Len) to its
// text; two computed values compare with the number as the lesser.
const Case kNumberAndString[] = {
    {"\"3\" = Len(\"abc\")", "True", "Boolean"},
    {"Len(\"abc\") = \"3\"", "True", "Boolean"},
    {"CInt(10) < \"9\"", "True", "Boolean"},
    {"CDbl(1.5) = \"1.5\"", "True", "Boolean"},
    {"\"True\" = True", "True", "Boolean"},
    {"(1 = 1) = \"True\"", "True", "Boolean"},
    {"\"a\" = True", "False", "Boolean"},
    {"CStr(True) = True", "False", "Boolean"},
    {"CStr(10) > CInt(9)", "True", "Boolean"},
    {"CStr(1) < CInt(9)", "False", "Boolean"},
    {"\"10\" < 9", "False", "Boolean"},
    {"\"x\" = 1", 13},
    {"\"1\" = CInt(1)", "True", "Boolean"},
};

// Literal and constant types: &H and &O literals of up to 16 bits are Integer, a trailing &
// makes them Long; the enumeration constants are Integer, colours and vbObjectError Long.
const Case kTypes[] = {
    {"&H10&", "16", "Long"},
    {"&HFFFF&", "65535", "Long"},
    {"&H8000", "-32768", "Integer"},
    {"&H8000&", "32768", "Long"},
    {"&O17&", "15", "Long"},
    {"&H80000000", "-2147483648", "Long"},
    {"&H100000000", 6},
    {"vbSunday", "1", "Integer"},
    {"vbTrue", "-1", "Integer"},
    {"vbTextCompare", "1", "Integer"},
    {"vbString", "8", "Integer"},
    {"vbLongDate", "1", "Integer"},
    {"vbRed", "255", "Long"},
    {"vbObjectError", "-2147221504", "Long"},
};

// Conversions: Round keeps a Boolean; CByte(True) is 255; CBool reads #TRUE# and #FALSE#;
// numeric text beyond Double is Overflow; "," may group the whole part of numeric text.
const Case kConversions[] = {
    {"Round(True)", "True", "Boolean"},
    {"Round(False)", "False", "Boolean"},
    {"CByte(True)", "255", "Byte"},
    {"CByte(False)", "0", "Byte"},
    {"CBool(\"#TRUE#\")", "True", "Boolean"},
    {"CBool(\"#false#\")", "False", "Boolean"},
    {"CBool(\"#yes#\")", 13},
    {"CDbl(\"1e309\")", 6},
    {"\"1e309\" + 1", 6},
    {"IsNumeric(\"1e309\")", "False", "Boolean"},
    {"CDbl(\"1e-400\")", "0", "Double"},
    {"IsNumeric(\"1,000\")", "True", "Boolean"},
    {"\"1,000\" + 1", "1001", "Double"},
    {"CDbl(\"-1,234,567.5\")", "-1234567.5", "Double"},
    {"CBool(\"1,000\")", "True", "Boolean"},
    {"IsNumeric(\",1\")", "False", "Boolean"},
    {"IsNumeric(\"1.000,5\")", "False", "Boolean"},
};

// Single text: seven significant digits, rounded half away from zero.
const Case kSingleText[] = {
    {"CStr(CSng(654322.23456))", "654322.3", "String"},
    {"CStr(CSng(-654322.23456))", "-654322.3", "String"},
    {"CStr(CSng(0.1))", "0.1", "String"},
    {"CStr(CSng(1234567.5))", "1234568", "String"},
    {"CStr(CSng(2.5))", "2.5", "String"},
    {"CStr(CSng(12345678))", "1.234568E+07", "String"},
};

// A left-out argument takes the function's default; bracketed names are names.
const Case kArgumentsAndNames[] = {
    {"FormatNumber(-5, 2, , -1)", "(5.00)", "String"},
    {"FormatNumber(0.5, , 0)", ".50", "String"},
    {"FormatNumber(1234.5, , , , 0)", "1234.50", "String"},
    {"Mid(\"abc\", 2, )", "bc", "String"},
    {"[x]", "", "Empty"},
    {"[Len](\"abc\")", "3", "Long"},
    {"[my var] & \"!\"", "!", "String"},
    {"[x", 1007},
};

// Bytes: a string's bytes are its UTF-16 code units, low byte first; a byte range takes the
// units whose low byte lies in it; ChrB(b) is the unit b.
const Case kBytes[] = {
    {"LenB(\"ab\")", "4", "Long"},
    {"LenB(\"中文\")", "4", "Long"},
    {"LenB(\"😀\")", "4", "Long"},
    {"LenB(Null)", "", "Null"},
    {"AscB(\"A\")", "65", "Byte"},
    {"AscB(\"中\")", "45", "Byte"},
    {"AscB(\"\")", 5},
    {"ChrB(65)", "A", "String"},
    {"ChrB(256)", 5},
    {"LeftB(\"a中c\", 4)", "a中", "String"},
    {"LeftB(\"abc\", 3)", "ab", "String"},
    {"LeftB(\"abc\", -1)", 5},
    {"RightB(\"a中c\", 4)", "中c", "String"},
    {"RightB(\"abc\", 1)", "", "String"},
    {"RightB(\"abc\", 99)", "abc", "String"},
    {"MidB(\"a中c\", 3, 2)", "中", "String"},
    {"MidB(\"abc\", 2, 2)", "b", "String"},
    {"MidB(\"abc\", 3)", "bc", "String"},
    {"MidB(\"abc\", 0)", 5},
    {"InStrB(\"a中c\", \"c\")", "5", "Long"},
    {"InStrB(4, \"abcb\", \"b\")", "7", "Long"},
    {"InStrB(\"abc\", \"z\")", "0", "Long"},
    {"InStrB(1, \"ABC\", \"b\", 1)", "3", "Long"},
    {"InStrB(\"abc\", Null)", "", "Null"},
};

// Escape keeps letters, digits and @*_+-./, writes other units below 256 as %XX and the rest
// as %uXXXX; Unescape reverses it and leaves any other % as it is.
const Case kEscape[] = {
    {"Escape(\"a b+c/ä中\")", "a%20b+c/%E4%u4E2D", "String"},
    {"Escape(\"😀\")", "%uD83D%uDE00", "String"},
    {"Escape(Null)", "", "Null"},
    {"Unescape(\"%u4E2D%20%zz%4\")", "中 %zz%4", "String"},
    {"Unescape(\"%uD83D%uDE00\")", "😀", "String"},
    {"Unescape(Escape(\"x=1&y=\"\"中 文\"\"\" & vbTab & \"%\")) = \"x=1&y=\"\"中 文\"\"\" & vbTab & \"%\"", "True", "Boolean"},
};

#define TQ_GROUP(name) INSTANTIATE_TEST_SUITE_P(name, Conformance, ::testing::ValuesIn(k##name))
TQ_GROUP(Currency);
TQ_GROUP(ComparisonForms);
TQ_GROUP(NumberAndString);
TQ_GROUP(Types);
TQ_GROUP(Conversions);
TQ_GROUP(SingleText);
TQ_GROUP(ArgumentsAndNames);
TQ_GROUP(Bytes);
TQ_GROUP(Escape);

// ---- Currency against 128-bit integers ------------------------------------------------------

using i128 = __int128;
constexpr i128 kMaxScaled = INT64_MAX, kMinScaled = INT64_MIN;

std::string decimalText(i128 scaled) {
  const bool negative = scaled < 0;
  unsigned __int128 u = negative ? -(unsigned __int128)scaled : (unsigned __int128)scaled;
  std::string whole = std::to_string(uint64_t(u / 10000));
  std::string frac = std::to_string(uint64_t(u % 10000));
  frac.insert(0, 4 - frac.size(), '0');
  while (!frac.empty() && frac.back() == '0') frac.pop_back();
  return (negative ? "-" : "") + whole + (frac.empty() ? "" : "." + frac);
}

// round(p / 10000), ties to even: the product of two counts of ten-thousandths.
i128 scaledProduct(i128 x, i128 y) {
  const i128 p = x * y;
  i128 q = p / 10000, r = p % 10000;
  if (r < 0) r = -r;
  if (r > 5000 || (r == 5000 && (q & 1))) q += p < 0 ? -1 : 1;
  return q;
}

std::string expectedScaled(i128 v) { return v < kMinScaled || v > kMaxScaled ? "error 6" : decimalText(v) + " | Currency"; }

TEST(CurrencyExact, ConversionAndArithmeticMatchIntegerReference) {
  std::mt19937_64 rng(20261207);
  auto draw = [&rng]() -> i128 {
    switch (rng() % 3) {
      case 0: return i128(int64_t(rng()));                      // anywhere in the range
      case 1: return i128(int64_t(rng() % 2000000000) - 1000000000);  // small, with decimals
      default: return i128(int64_t(rng() % 100000) - 50000) * 10000;   // whole amounts
    }
  };
  using tablique::script::test::outcome;
  for (int i = 0; i < 300; ++i) {
    const i128 x = draw(), y = draw();
    const std::string cx = "CCur(\"" + decimalText(x) + "\")", cy = "CCur(\"" + decimalText(y) + "\")";
    ASSERT_EQ(outcome(cx), expectedScaled(x)) << cx;
    EXPECT_EQ(outcome(cx + " + " + cy), expectedScaled(x + y)) << cx << " + " << cy;
    EXPECT_EQ(outcome(cx + " - " + cy), expectedScaled(x - y)) << cx << " - " << cy;
    EXPECT_EQ(outcome(cx + " * " + cy), expectedScaled(scaledProduct(x, y))) << cx << " * " << cy;
  }
}

}  // namespace
