// Chinese text through the files: every GB2312 ideograph in GB18030 comes back identical, and
// ordinary UTF-8 files still read as UTF-8, although many short texts are valid in both.
#include <iconv.h>

#include "files/encoding.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// The 6763 ideographs of GB2312 levels 1 and 2 (rows B0..F7), as UTF-8, in code order.
const std::vector<std::string>& gb2312Ideographs() {
  static const std::vector<std::string> all = [] {
    std::vector<std::string> out;
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    for (int lead = 0xB0; lead <= 0xF7; ++lead)
      for (int trail = 0xA1; trail <= 0xFE; ++trail) {
        char in[2] = {char(lead), char(trail)}, buf[8];
        char *ip = in, *op = buf;
        size_t il = 2, ol = sizeof buf;
        if (iconv(cd, &ip, &il, &op, &ol) != size_t(-1)) out.emplace_back(buf, size_t(op - buf));
      }
    iconv_close(cd);
    return out;
  }();
  return all;
}

// Texts of one, two and three ideographs: each alone, with its neighbour, with a far one, and
// in words of three.
std::vector<std::string> shortTexts() {
  const auto& g = gb2312Ideographs();
  const size_t n = g.size();
  std::vector<std::string> texts;
  for (size_t i = 0; i < n; ++i) {
    texts.push_back(g[i]);
    texts.push_back(g[i] + g[(i + 1) % n]);
    texts.push_back(g[i] + g[(i * 7919 + 13) % n]);
    texts.push_back(g[i] + g[(i + 1) % n] + g[(i + 2) % n]);
    texts.push_back(g[(i * 31) % n] + g[i] + g[(i * 17 + 5) % n]);
    texts.push_back("“" + g[i] + "”，" + g[(i + 3) % n] + "。");
  }
  return texts;
}

TEST(ChineseText, EveryGb2312IdeographAloneInPairsAndWordsReadsBackFromGb18030) {
  ASSERT_EQ(gb2312Ideographs().size(), 6763u);
  size_t validInBoth = 0;
  for (const std::string& t : shortTexts()) {
    // The bytes savetxt writes for a one-cell table, and those of an export's data field.
    const std::string txt = files::toNarrow(t + "\r\n\r\n", "t");
    validInBoth += files::isValidUtf8(txt);
    ASSERT_EQ(files::fromNarrow(txt, "t"), t + "\r\n\r\n");
    ASSERT_EQ(files::fromDataFile(files::toNarrow("\x08" + t + ",\x08\r\n", "t"), "t"), "\x08" + t + ",\x08\r\n");
  }
  EXPECT_GT(validInBoth, 1000u);  // the ambiguity is real
}

TEST(ChineseText, Utf8ChineseFilesStillReadAsUtf8) {
  for (const std::string& t : shortTexts()) ASSERT_EQ(files::fromNarrow(t + "\r\n", "t"), t + "\r\n");
  const std::string sentences =
      "专业的表格控件为什么要支持中文？因为用户写的是中文。\r\n"
      "姓名\t籍贯\t城市\r\n张伟\t山东\t济南\r\n王芳\t广东\t深圳\r\n李娜\t四川\t成都\r\n";
  EXPECT_EQ(files::fromNarrow(sentences, "t"), sentences);
  EXPECT_EQ(files::fromNarrow("\xEF\xBB\xBF" + sentences, "t"), sentences);
  EXPECT_EQ(files::fromDataFile("\xEF\xBB\xBF" "专业", "t"), "专业");
  // UTF-16 with its mark.
  EXPECT_EQ(files::fromNarrow(std::string("\xFF\xFE\x13\x4E\x1A\x4E", 6), "t"), "专业");
}

// A short UTF-8 text of Latin letters written by another program reads as UTF-8, although its
// bytes are GB18030 too.
TEST(ChineseText, Utf8LatinTextFromElsewhereReadsAsUtf8) {
  for (const std::string t : {"café", "naïve", "Ärger", "€5", "São Paulo\t12", "Müller\tJürgen", "crème brûlée", "EUR€",
                              "façade", "Ångström", "año", "10 €", "résumé", "Zürich"}) {
    EXPECT_EQ(files::fromNarrow(t + "\r\n", "t"), t + "\r\n") << t;
    EXPECT_EQ(files::fromNarrow(t, "t"), t) << t;
  }
}

// Chinese text beside a Latin letter or a digit still reads as GB18030 ("A股", "3楼"); only an
// ideograph glued to a Latin word of two letters or more ("abc茅", the very bytes of "abcé") is
// taken for that word.
TEST(ChineseText, IdeographsBesideLatinLettersAndDigitsStayChinese) {
  for (const std::string& g : gb2312Ideographs())
    for (const std::string& t : {"A" + g, g + "A", "T" + g + "\t1", "x" + g + g, "2" + g, g + "5", g + " ok"}) {
      const std::string narrow = files::toNarrow(t, "t");
      ASSERT_EQ(files::fromNarrow(narrow, "t"), t);
    }
}

TEST(ChineseText, CodePage936EuroAndWhatCannotBeRead) {
  EXPECT_EQ(files::fromNarrow("\x80" "5\r\n", "t"), "€5\r\n");
  EXPECT_EQ(files::fromDataFile("\xD6\xD0\x80", "t"), "中€");
  EXPECT_EQ(files::fromNarrow("\x81\x80", "t"), "亐");  // 0x80 as a trail byte stays one
  EXPECT_EQ(files::fromNarrow(files::toNarrow("€", "t"), "t"), "€");
  try {
    files::fromNarrow("ab\xFF\xFE\x80", "坏.txt");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::File);
    EXPECT_NE(e.userText().find("坏.txt"), std::string::npos) << e.userText();
  }
}

// The commands themselves: savetxt/opentxt, savexls/opentxt and export/import of one cell, for
// a sample of the texts (the exhaustive run above covers the decoding of every one).
TEST(ChineseText, CommandsRoundTripShortChineseTexts) {
  TempDir dir;
  Control c;
  const std::string txt = dir.file("t.txt"), xls = dir.file("t.xls"), tbq = dir.file("t.tbq");
  const std::vector<std::string> texts = shortTexts();
  std::vector<std::string> sample = {"专业", "为什么", "专", "业"};
  for (size_t k = 0; k < texts.size(); k += 1999) sample.push_back(texts[k]);
  for (const std::string& t : sample) {
    c.settext(1, 1, t);
    c.headless().queueFile(txt);
    c.savetxt();
    c.headless().queueFile(xls);
    c.savexls();
    c.headless().queueFile(tbq);
    c.m_daexp();
    for (const std::string& path : {txt, xls}) {
      c.settext(1, 1, "");
      c.headless().queueFile(path);
      c.opentxt();
      ASSERT_EQ(c.gettext(1, 1), t) << path;
    }
    c.settext(1, 1, "");
    c.headless().queueFile(tbq);
    c.m_dainp();
    ASSERT_EQ(c.gettext(1, 1), t);
  }
}

}  // namespace
}  // namespace tablique
