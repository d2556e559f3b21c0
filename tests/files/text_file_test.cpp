// savetxt, savexls and opentxt through the control: the dialog, the bytes of the text table,
// opening with the paste's rules without the clipboard, and every failure leaving things intact.
#include <cerrno>
#include <random>

#include "files/file_io.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

std::string saveTxt(Control& c, const std::string& path) {
  c.headless().queueFile(path);
  c.savetxt();
  return readBytes(path);
}

TEST(SaveTxt, DialogIsPreparedAndRemembersTheName) {
  TempDir dir;
  Control c;
  c.savetxt();  // Cancel: nothing is remembered
  ASSERT_EQ(c.headless().fileDialogs().size(), 1u);
  const FileDialogCall first = c.headless().fileDialogs()[0];
  EXPECT_TRUE(first.save);
  EXPECT_EQ(first.filter, "TXT格式文件(*.txt)|*.txt");
  EXPECT_EQ(first.defaultExt, "txt");
  EXPECT_EQ(first.initDir, fs::read_symlink("/proc/self/exe").parent_path().string());
  EXPECT_EQ(first.fileName, "");
  EXPECT_EQ(c.state().txtFileName, "");

  const std::string path = dir.file("t.txt");
  saveTxt(c, path);
  EXPECT_EQ(c.state().txtFileName, path);
  c.opentxt();  // the open dialog offers the same name; Cancel changes nothing
  EXPECT_FALSE(c.headless().fileDialogs()[2].save);
  EXPECT_EQ(c.headless().fileDialogs()[2].fileName, path);
  EXPECT_EQ(c.state().txtFileName, path);

  // An empty answer is remembered, and nothing is written.
  c.headless().queueFile(std::string());
  c.savetxt();
  EXPECT_EQ(c.state().txtFileName, "");
  EXPECT_EQ(c.headless().fileDialogs()[3].fileName, path);
}

TEST(SaveTxt, BytesOfTheUsedArea) {
  TempDir dir;
  Control c;
  EXPECT_EQ(saveTxt(c, dir.file("empty.txt")), "\r\n\r\n");
  // +---+---+
  // |   |   |   rows 1, 2 empty
  // |   | x |   row 3
  c.settext(3, 2, "x");
  EXPECT_EQ(saveTxt(c, dir.file("x.txt")), "\t\r\n\t\r\n\tx\r\n\r\n");
  // | a |   | b |   an empty cell keeps its place; texts are written unchanged
  Control d;
  d.settext(1, 1, "a");
  d.settext(1, 3, "b");
  d.settext(2, 2, " 中 ,1 ");
  EXPECT_EQ(saveTxt(d, dir.file("a.txt")), "a\t\tb\r\n\t \xD6\xD0 ,1 \t\r\n\r\n");
}

TEST(SaveTxt, SaveXlsWritesTheSameBytesAndRemembersItsOwnName) {
  TempDir dir;
  Control c;
  c.settext(1, 1, "1.5");
  c.settext(2, 3, "文本 a,b");
  const std::string txt = saveTxt(c, dir.file("a.txt"));
  c.headless().queueFile(dir.file("a.xls"));
  c.savexls();
  EXPECT_EQ(readBytes(dir.file("a.xls")), txt);
  const FileDialogCall& xls = c.headless().fileDialogs()[1];
  EXPECT_TRUE(xls.save);
  EXPECT_EQ(xls.filter, "XLS格式文件(*.xls)|*.xls");
  EXPECT_EQ(xls.defaultExt, "xls");
  EXPECT_EQ(xls.fileName, "");  // not the text file's name
  c.savexls();
  c.savetxt();
  EXPECT_EQ(c.headless().fileDialogs()[2].fileName, dir.file("a.xls"));
  EXPECT_EQ(c.headless().fileDialogs()[3].fileName, dir.file("a.txt"));
}

TEST(SaveTxt, FailedSavesLeaveTheOldFileAndTheTable) {
  TempDir dir;
  Control c;
  c.settext(1, 1, "new");
  const std::string path = dir.file("old.txt");
  writeBytes(path, "old\r\n\r\n");
  const TableSnapshot before = snapshot(c);

  c.headless().queueFile(dir.file("missing/folder.txt"));
  expectFileError([&] { c.savetxt(); }, dir.file("missing/folder.txt"));
  {
    files::ScopedFileSystemCalls restore;
    files::fileSystemCalls().write = [](int, const void*, size_t) -> ssize_t {
      errno = ENOSPC;
      return -1;
    };
    c.headless().queueFile(path);
    expectFileError([&] { c.savetxt(); }, path);
    c.headless().queueFile(path);
    expectFileError([&] { c.savexls(); }, path);
  }
  // A character the narrow code page cannot carry is reported, not lost.
  c.settext(5, 5, "\xEE\x9E\x8D");  // U+E78D
  c.headless().queueFile(path);
  expectFileError([&] { c.savetxt(); }, path);
  c.settext(5, 5, "");
  EXPECT_EQ(readBytes(path), "old\r\n\r\n");
  EXPECT_EQ(snapshot(c), before);
}

TEST(OpenTxt, RoundTripEmptiesTheTableAndTheFormulas) {
  TempDir dir;
  Control c;
  // | a b | 1,5 |   text cells keep their spaces and commas
  // |     | 中  |
  c.settext(1, 1, "a b");
  c.settext(1, 2, "1,5");
  c.settext(2, 2, "中");
  const std::string path = dir.file("t.txt");
  saveTxt(c, path);

  Control d;
  d.settext(7, 7, "old");
  d.settext(1, 3, "old");
  d.formuset(4, "C1+1");
  d.headless().setClipboardText("the user's clipboard");
  d.headless().queueFile(path);
  d.opentxt();
  EXPECT_EQ(d.gettext(1, 1), "a b");
  EXPECT_EQ(d.gettext(1, 2), "1,5");
  EXPECT_EQ(d.gettext(2, 2), "中");
  EXPECT_EQ(d.gettext(2, 1), "");
  EXPECT_EQ(d.gettext(7, 7), "");
  EXPECT_EQ(d.gettext(1, 3), "");
  for (const std::string& r : d.state().colFormula) EXPECT_EQ(r, "");
  EXPECT_EQ(d.headless().clipboardText(), "the user's clipboard");
  EXPECT_EQ(d.grid().Row(), 1);
  EXPECT_EQ(d.grid().Col(), 1);
  expectConsistent(d);
}

TEST(OpenTxt, EncodingsLineEndsAndGrowth) {
  TempDir dir;
  Control c;
  c.rowcol(3, 2);
  // GB18030 bytes, UTF-8 with a byte order mark, Unix line ends; numeric text splits at spaces.
  writeBytes(dir.file("gb.txt"), "\xD6\xD0\xCE\xC4\t2\r\n");
  writeBytes(dir.file("bom.txt"), "\xEF\xBB\xBF中文\tx\ny\tz\n");
  writeBytes(dir.file("num.txt"), "1 2 3\r\n4,5\r\n6\r\n7\r\n8");
  c.headless().queueFile(dir.file("gb.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 1), "中文");
  EXPECT_EQ(c.gettext(1, 2), "2");
  c.headless().queueFile(dir.file("bom.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 1), "中文");
  EXPECT_EQ(c.gettext(2, 2), "z");
  c.headless().queueFile(dir.file("num.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 3), "3");
  EXPECT_EQ(c.gettext(2, 2), "5");
  EXPECT_EQ(c.gettext(5, 1), "8");  // the grid grew for five lines and three cells
  EXPECT_GE(c.rows(), 5);
  EXPECT_GE(c.cols(), 3);
  EXPECT_EQ(c.gettext(1, 1), "1");
  expectConsistent(c);
  // UTF-16 with its mark (little and big endian), as other programs save "Unicode" text: its
  // zero bytes are no NUL characters. A NUL character in it is still refused.
  writeBytes(dir.file("le.txt"), std::string("\xFF\xFE" "a\0\t\0\x2D\x4E\r\0\n\0", 12));
  writeBytes(dir.file("be.txt"), std::string("\xFE\xFF" "\0b\0\t\x4E\x2D\0\r\0\n", 12));
  c.headless().queueFile(dir.file("le.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 1), "a");
  EXPECT_EQ(c.gettext(1, 2), "中");
  c.headless().queueFile(dir.file("be.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 1), "b");
  EXPECT_EQ(c.gettext(1, 2), "中");
  writeBytes(dir.file("nul16.txt"), std::string("\xFF\xFE" "a\0\0\0", 6));
  const TableSnapshot before = snapshot(c);
  c.headless().queueFile(dir.file("nul16.txt"));
  expectFileError([&] { c.opentxt(); }, dir.file("nul16.txt"));
  EXPECT_EQ(snapshot(c), before);
}

TEST(OpenTxt, EmptyFileLeavesAnEmptyTable) {
  TempDir dir;
  Control c;
  writeBytes(dir.file("e.txt"), "\r\n\r\n");
  c.settext(2, 2, "x");
  c.headless().queueFile(dir.file("e.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(2, 2), "");
}

TEST(OpenTxt, HostileFilesChangeNothingAndThrow) {
  TempDir dir;
  writeBytes(dir.file("junk.txt"), std::string("\x89PNG\r\n\x1A\n\xFF\xFE\x00\x01\x80\x81", 14));
  writeBytes(dir.file("bad.txt"), "abc\t\xFF\xFE\x80\x80\r\n");  // neither GB18030 nor UTF-8
  writeBytes(dir.file("nul.txt"), std::string("a\0b\r\n", 5));
  writeBytes(dir.file("cut.txt"), "abc\t\xD6");  // GB18030 cut inside a character
  {
    // One line of 100 MB: four million cells and more, far above the cell budget.
    std::string big;
    big.reserve(100u << 20);
    while (big.size() < (100u << 20)) big += "abc\t";
    writeBytes(dir.file("big.txt"), big);
  }
  Control c;
  c.settext(2, 3, "keep");
  c.formuset(3, "C1*2");
  c.setcolw(2, 30);
  c.headless().setClipboardText("clip");
  const TableSnapshot before = snapshot(c);
  for (const char* name : {"junk.txt", "bad.txt", "nul.txt", "cut.txt", "big.txt", "missing.txt"}) {
    c.headless().queueFile(dir.file(name));
    expectFileError([&] { c.opentxt(); }, dir.file(name));
    EXPECT_EQ(snapshot(c), before) << name;
  }
  c.headless().queueFile(dir.path().string());
  expectFileError([&] { c.opentxt(); }, dir.path().string());
  EXPECT_EQ(snapshot(c), before);
  EXPECT_EQ(c.headless().clipboardText(), "clip");
  fs::remove(dir.file("big.txt"));

  VanishingFilePlatform platform;
  Control v(platform);
  v.settext(1, 1, "keep");
  const TableSnapshot vBefore = snapshot(v);
  writeBytes(dir.file("gone.txt"), "x\r\n");
  platform.queueFile(dir.file("gone.txt"));
  expectFileError([&] { v.opentxt(); }, dir.file("gone.txt"));
  EXPECT_EQ(snapshot(v), vBefore);
}

// Every cell comes back at its place: awkward texts, quoted fields, numeric-looking cells.
TEST(OpenTxt, EveryCellComesBackAtItsPlace) {
  TempDir dir;
  const std::vector<std::string> awkward = {
      "a\tb", "two\r\nlines", "lf\nonly", "cr\ronly", "\"quoted\"", "say \"hi\"", "\"", "emoji 😀",
      "$1;@x", "1,234", "1 2", "中文 文本", "\x08" "bs", "=C1+1", "x\x01\x02" "y", ""};
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    Control a;
    a.rowcol(9, 6);
    for (int32_t i = 1; i <= 9; ++i)
      for (int32_t j = 1; j <= 6; ++j)
        if (rng() % 3 == 0) a.settext(i, j, awkward[rng() % awkward.size()]);
    const std::string path = dir.file("r.txt");
    saveTxt(a, path);
    Control b;
    b.headless().queueFile(path);
    b.opentxt();
    for (int32_t i = 1; i <= 9; ++i)
      for (int32_t j = 1; j <= 6; ++j) ASSERT_EQ(b.gettext(i, j), a.gettext(i, j)) << round << ": " << i << "," << j;
    EXPECT_TRUE(b.headless().messages().empty());
  }
  // Only the cells that need it are quoted.
  Control c;
  c.settext(1, 1, "a\tb");
  c.settext(1, 2, "x y");
  c.settext(2, 1, "say \"hi\"");
  EXPECT_EQ(saveTxt(c, dir.file("q.txt")), "\"a\tb\"\tx y\r\nsay \"hi\"\t\r\n\r\n");
  // A table of numbers: a cell holding "," or a space is quoted, or it would split.
  Control n;
  n.settext(1, 1, "1,234");
  n.settext(1, 3, "5");
  n.settext(2, 2, "6 7");
  EXPECT_EQ(saveTxt(n, dir.file("n.txt")), "\"1,234\"\t\t5\r\n\t\"6 7\"\t\r\n\r\n");
  Control m;
  m.settext(1, 1, "1");
  m.settext(1, 3, "5");
  EXPECT_EQ(saveTxt(m, dir.file("m.txt")), "1\t\t5\r\n\r\n");  // other files as always
}

// Spaces at either end of a cell are the user's data: they come back, in a table of text and in
// one of numbers, and the bytes stay as they were.
TEST(OpenTxt, CellsKeepTheirLeadingAndTrailingSpaces) {
  TempDir dir;
  const std::vector<std::vector<std::string>> tables = {
      {" ", " a ", "b  ", "  c", "x y", "\" q \" "},
      {" 1", "2 ", "3", "  ", "4,5", "6"},
  };
  for (const auto& cells : tables) {
    Control a;
    for (size_t k = 0; k < cells.size(); ++k) a.settext(int32_t(k / 3 + 1), int32_t(k % 3 + 1), cells[k]);
    const std::string path = dir.file("s.txt");
    saveTxt(a, path);
    Control b;
    b.headless().queueFile(path);
    b.opentxt();
    for (size_t k = 0; k < cells.size(); ++k)
      EXPECT_EQ(b.gettext(int32_t(k / 3 + 1), int32_t(k % 3 + 1)), cells[k]) << k;
  }
  writeBytes(dir.file("o.txt"), " a \t\" b \"\r\n");
  Control c;
  c.headless().queueFile(dir.file("o.txt"));
  c.opentxt();
  EXPECT_EQ(c.gettext(1, 1), " a ");
  EXPECT_EQ(c.gettext(1, 2), " b ");
}

TEST(SaveTxt, CellHoldingNulIsRefusedNamingTheCell) {
  TempDir dir;
  const std::string path = dir.file("nul.txt");
  writeBytes(path, "old");
  Control c;
  c.settext(2, 3, std::string("a\0b", 3));
  c.headless().queueFile(path);
  EXPECT_THROW(c.savetxt(), Error);
  EXPECT_EQ(readBytes(path), "old");
  ASSERT_EQ(c.headless().failures().size(), 1u);
  EXPECT_NE(c.headless().failures()[0].find("(2,3)"), std::string::npos);
  EXPECT_NE(c.headless().failures()[0].find(path), std::string::npos);
}

TEST(OpenTxt, RowsStayInPlaceAndTheFileIsNeverTheLastCopy) {
  TempDir dir;
  // A single column starting at row 3.
  Control a;
  a.settext(3, 1, "x");
  a.settext(5, 1, "y");
  saveTxt(a, dir.file("r3.txt"));
  Control b;
  b.headless().queueFile(dir.file("r3.txt"));
  b.opentxt();
  EXPECT_EQ(b.gettext(3, 1), "x");
  EXPECT_EQ(b.gettext(5, 1), "y");
  EXPECT_EQ(b.gettext(1, 1), "");
  // A file beginning with U+0008, after a copy: text like any other.
  b.settext(1, 1, "copied");
  select(b, 1, 1, 1, 1);
  b.m_copy();
  writeBytes(dir.file("bs.txt"), "\x08" "file\tz\r\n");
  b.headless().queueFile(dir.file("bs.txt"));
  b.opentxt();
  EXPECT_EQ(b.gettext(1, 1), "\x08" "file");
  EXPECT_EQ(b.gettext(1, 2), "z");
  expectConsistent(b);
}

TEST(OpenTxt, TheFullTableLoadsAndALargerOneIsRefusedBeforeAnyChange) {
  TempDir dir;
  Control a;
  a.rowcol(6998, 49);
  for (int32_t i = 1; i <= 6998; ++i)
    for (int32_t j = 1; j <= 49; ++j) a.settext(i, j, std::to_string(i * 100 + j));
  const std::string path = dir.file("full.txt");
  saveTxt(a, path);
  Control b;
  b.headless().queueFile(path);
  b.opentxt();
  EXPECT_EQ(b.rows(), 6998);
  EXPECT_EQ(b.cols(), 49);
  EXPECT_EQ(b.gettext(6998, 49), "699849");
  EXPECT_TRUE(b.headless().messages().empty());
  expectConsistent(b);
  // Into the control that exported it: the full table gets no spare columns (they would exceed
  // the cell budget); loaded as it stands.
  a.m_daexp();  // Cancel
  ASSERT_EQ(a.grid().Cols(), 50);
  a.headless().queueFile(path);
  a.opentxt();
  EXPECT_EQ(a.gettext(6998, 49), "699849");
  EXPECT_EQ(a.grid().Cols(), 50);
  // Into a wide grid of few rows: the emptied columns beyond the table give way to its rows.
  Control w;
  w.rowcol(100, 3400);
  w.settext(100, 3400, "gone");
  w.headless().queueFile(path);
  w.opentxt();
  EXPECT_EQ(w.rows(), 6998);
  EXPECT_EQ(w.cols(), 49);
  EXPECT_EQ(w.gettext(6998, 49), "699849");
  expectConsistent(w);

  // One row more than the budget allows.
  std::string more = readBytes(path);
  more.insert(more.size() - 2, std::string(48, '\t') + "1\r\n");
  writeBytes(dir.file("more.txt"), more);
  Control c;
  c.settext(1, 1, "keep");
  const TableSnapshot before = snapshot(c);
  c.headless().queueFile(dir.file("more.txt"));
  expectFileError([&] { c.opentxt(); }, dir.file("more.txt"));
  EXPECT_EQ(snapshot(c), before);
}

}  // namespace
}  // namespace tablique
