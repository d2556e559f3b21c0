// The native data file through m_daexp and m_dainp: the bytes, the formula line with the layout
// piece, the record compaction, round trips, growth, and hostile files changing nothing.
#include <cerrno>
#include <random>

#include "files/file_io.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

const std::string NUL(1, '\0');
const std::string BS = "\x08";

std::string exportTo(Control& c, const std::string& path) {
  c.headless().queueFile(path);
  c.m_daexp();
  return readBytes(path);
}

void importFrom(Control& c, const std::string& path) {
  c.headless().queueFile(path);
  c.m_dainp();
}

TEST(DataExport, BytesOfASmallTableInALargerGrid) {
  TempDir dir;
  Control c;
  c.rowcol(10, 5);
  // +------+-----+
  // | a, b | 007 |     3 x 2 data cells in a grid of 10 x 5:
  // |  x   |     |     N = 3 + 2 = 5 data lines, M = 2 + 2 = 4 fields
  // |  中  |  1  |
  c.settext(1, 1, "a, b");
  c.settext(1, 2, "007");
  c.settext(2, 1, "x");
  c.settext(3, 1, "中");
  c.settext(3, 2, "1");
  const std::string expected =
      BS + "a\x01\x02" "b," + BS + "007," + NUL + "," + BS + "\r\n" +
      BS + "x," + NUL + "," + NUL + "," + BS + "\r\n" +
      BS + "\xD6\xD0," + BS + "1," + NUL + "," + BS + "\r\n" +
      NUL + "," + NUL + "," + NUL + "," + BS + "\r\n" +
      NUL + "," + NUL + "," + NUL + "," + BS + "\r\n" +
      "=?," + NUL + "," + NUL + ",\r\n";
  EXPECT_EQ(exportTo(c, dir.file("t.tbq")), expected);
  const FileDialogCall& call = c.headless().fileDialogs()[0];
  EXPECT_TRUE(call.save);
  EXPECT_EQ(call.filter, "TBQ格式文件(*.tbq)|*.tbq");
  EXPECT_EQ(call.defaultExt, "tbq");
  EXPECT_EQ(c.state().tbqFileName, dir.file("t.tbq"));
  EXPECT_EQ(c.grid().Cols(), 6);  // the last column held no data: no spare columns
  EXPECT_EQ(c.state().colFormula[1], "");
}

TEST(DataExport, LayoutPieceAndCompactionOfTheRecords) {
  TempDir dir;
  Control c;
  c.settext(1, 1, "1");
  c.settext(1, 2, "2");
  c.settext(1, 3, "3");
  c.formuset(1, "C2+C3");
  ASSERT_EQ(c.state().colFormula[1], "C2\x04+C3;");
  c.formuset(2, "C3+1");
  c.formuset(2, "C3-1");  // the older column formula stays in the record until compaction
  ASSERT_EQ(c.state().colFormula[2], "C3\x04-1;C3\x04+1;");
  c.setcolw(3, 26.46f);   // 1500 twips
  c.setrowh(2, 8.82f);    // 500 twips
  ASSERT_EQ(c.grid().ColWidth(3), 1500);
  ASSERT_EQ(c.grid().RowHeight(2), 500);

  const std::string bytes = exportTo(c, dir.file("f.tbq"));
  const size_t lineStart = bytes.rfind("\r\n", bytes.size() - 3) + 2;
  const std::string formulaLine = bytes.substr(lineStart);
  EXPECT_EQ(formulaLine.substr(0, formulaLine.find(',')),
            "C2\x04+C3;=26.46\x07" "3?8.82\x07" "2");
  EXPECT_EQ(formulaLine, "C2\x04+C3;=26.46\x07" "3?8.82\x07" "2,C3\x04-1;," + NUL + "," + NUL + ",\r\n");
  // The records are compacted in memory; column 1's layout piece is gone again.
  EXPECT_EQ(c.state().colFormula[1], "C2\x04+C3;");
  EXPECT_EQ(c.state().colFormula[2], "C3\x04-1;");
}

TEST(DataExport, SpareColumnsWhenTheLastColumnHoldsDataEvenOnCancel) {
  TempDir dir;
  Control c;
  c.rowcol(4, 3);
  c.settext(2, 3, "z");
  c.formuset(1, "C3*2");
  c.mouseset(2, 3);
  c.m_daexp();  // Cancel: the spare columns are there all the same
  EXPECT_EQ(c.grid().Cols(), 6);
  // The current cell stays where it was, never on a header where a later command would act.
  EXPECT_EQ(c.grid().Row(), 2);
  EXPECT_EQ(c.grid().Col(), 3);
  EXPECT_EQ(c.gettext(0, 4), "C4");
  EXPECT_EQ(c.gettext(0, 5), "C5");
  EXPECT_EQ(c.state().colFormula.size(), 6u);
  EXPECT_EQ(c.state().colFormula[1], "C3\x04*2;");  // a cancelled export changes no record
  expectConsistent(c);

  const std::string bytes = exportTo(c, dir.file("s.tbq"));
  EXPECT_EQ(c.grid().Cols(), 6);  // column 3 is no longer the last: nothing more is added
  // N = 2 + 2 = 4 lines, M = 3 + 2 = 5 fields: the two spare columns travel along.
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), NUL + "," + NUL + "," + NUL + "," + NUL + "," + BS);
  Control d;
  importFrom(d, dir.file("s.tbq"));
  EXPECT_EQ(d.gettext(2, 3), "z");
  EXPECT_EQ(d.state().colFormula[1], "C3\x04*2;");
}

TEST(DataImport, RoundTripCellsFormulasAndSizes) {
  TempDir dir;
  Control a;
  a.rowcol(12, 6);
  // +--------+--------+----------+
  // | 007    | a, b   |  中 文   |
  // | x\ty   |        | 1,2 3    |
  // ...
  // | last   |        |          |   row 9
  a.settext(1, 1, "007");
  a.settext(1, 2, "a, b");
  a.settext(1, 3, "  中 文  ");
  a.settext(2, 1, "x\ty");  // a TAB inside a cell shifts nothing
  a.settext(2, 3, "1,2 3");
  a.settext(9, 1, "last");
  a.formuset(3, "C1+Power(C2,2)");
  a.formuset(4, "C1 & \"x\"");
  a.setcolw(1, 30.01f);  // 1701 twips, stored as 30 mm
  a.setcolw(3, 26.46f);
  a.setrowh(2, 8.82f);
  a.setrowh(9, 2.0f);
  const std::string path = dir.file("r.tbq");
  exportTo(a, path);

  Control b;
  b.setcolw(40, 50.0f);  // outside the file's area: kept
  b.setrowh(3, 20.0f);   // inside: reset to the default
  importFrom(b, path);
  for (int32_t i = 1; i <= 12; ++i)
    for (int32_t j = 1; j <= 6; ++j) {
      EXPECT_EQ(b.gettext(i, j), a.gettext(i, j)) << i << "," << j;
    }
  for (int32_t j = 1; j <= 3; ++j) EXPECT_EQ(b.state().colFormula[size_t(j)], a.state().colFormula[size_t(j)]) << j;
  EXPECT_EQ(b.state().colFormula[4], "C1 & \"x\";");
  EXPECT_EQ(b.formuget(3), "C1+Power(C2,2);");
  for (int32_t j = 1; j <= 6; ++j) EXPECT_EQ(b.grid().ColWidth(j), a.grid().ColWidth(j)) << j;
  for (int32_t i = 1; i <= 12; ++i) EXPECT_EQ(b.grid().RowHeight(i), a.grid().RowHeight(i)) << i;
  EXPECT_EQ(b.grid().ColWidth(1), 1701);
  EXPECT_EQ(b.grid().RowHeight(3), 285);
  EXPECT_EQ(b.grid().ColWidth(40), 2834);
  EXPECT_EQ(b.grid().Rows(), 501);  // more rows than lines: the grid keeps its rows
  EXPECT_EQ(b.grid().Cols(), 51);
  EXPECT_EQ(b.grid().Row(), 1);
  EXPECT_EQ(b.grid().Col(), 1);
  EXPECT_FALSE(b.editor().visible());
  EXPECT_EQ(b.state().tbqFileName, path);
  EXPECT_FALSE(b.headless().fileDialogs()[0].save);
  expectConsistent(b);
}

TEST(DataImport, GrowsRowsAndColumnsToTheFile) {
  TempDir dir;
  Control a;
  a.rowcol(30, 10);
  a.settext(30, 10, "corner");
  a.settext(1, 1, "first");
  a.formuset(2, "C1*3");
  const std::string path = dir.file("g.tbq");
  exportTo(a, path);  // 30 data lines of 12 fields (two spare columns), one formula line

  Control b;
  b.rowcol(3, 2);
  b.formuset(1, "C2+1");
  importFrom(b, path);
  EXPECT_EQ(b.rows(), 30);  // data rows = data lines
  EXPECT_EQ(b.cols(), 12);  // F columns; old records discarded, headers rewritten
  EXPECT_EQ(b.gettext(30, 10), "corner");
  EXPECT_EQ(b.gettext(1, 1), "first");
  EXPECT_EQ(b.state().colFormula[1], "");
  EXPECT_EQ(b.state().colFormula[2], "C1\x04*3;");
  EXPECT_EQ(b.state().colFormula.size(), 13u);
  expectConsistent(b);
}

TEST(DataImport, CancelKeepsTheTable) {
  Control c;
  c.settext(3, 3, "keep");
  c.m_dainp();
  EXPECT_EQ(c.gettext(3, 3), "keep");
  EXPECT_EQ(c.grid().Row(), 1);
}

TEST(DataImport, HostileFilesChangeNothingAndThrow) {
  TempDir dir;
  Control source;
  source.rowcol(6, 4);
  source.settext(1, 1, "a");
  source.settext(4, 2, "b");
  const std::string good = exportTo(source, dir.file("good.tbq"));

  writeBytes(dir.file("junk.tbq"), std::string("\x7F" "ELF\x02\x01\x01\xFF\xFE\x80\x00\x00,\r\n", 16));
  writeBytes(dir.file("empty.tbq"), "");
  writeBytes(dir.file("cut.tbq"), good.substr(0, good.size() / 2 + 1));
  writeBytes(dir.file("cutline.tbq"), good.substr(0, good.find("\r\n", good.size() / 2) + 2));
  {
    // Line 2 carries one field more than the first line.
    std::string longer = good;
    const size_t line2 = longer.find("\r\n") + 2;
    longer.insert(line2, NUL + ",");
    writeBytes(dir.file("longer.tbq"), longer);
  }
  writeBytes(dir.file("text.tbq"), "plain,text\r\nfile,here\r\n");
  {
    // 7000 lines of 60 fields: the grid would grow beyond the cell budget.
    std::string line;
    for (int j = 0; j < 59; ++j) line += NUL + ",";
    line += BS + "\r\n";
    std::string big;
    for (int i = 0; i < 7000; ++i) big += line;
    writeBytes(dir.file("budget.tbq"), big);
  }
  {
    // A first line of 100 MB: fields without end.
    std::string big;
    big.reserve((100u << 20) + 8);
    while (big.size() < (100u << 20)) big += BS + "abc,";
    big += BS + "\r\n" + NUL + "\r\n";
    writeBytes(dir.file("huge.tbq"), big);
  }

  Control c;
  c.settext(2, 2, "keep");
  c.formuset(2, "C1+1");
  c.setrowh(4, 9.0f);
  const TableSnapshot before = snapshot(c);
  for (const char* name : {"junk.tbq", "empty.tbq", "cut.tbq", "cutline.tbq", "longer.tbq", "text.tbq",
                           "budget.tbq", "huge.tbq", "missing.tbq"}) {
    expectFileError([&] { importFrom(c, dir.file(name)); }, dir.file(name));
    EXPECT_EQ(snapshot(c), before) << name;
  }
  expectFileError([&] { importFrom(c, dir.path().string()); }, dir.path().string());
  EXPECT_EQ(snapshot(c), before);
  fs::remove(dir.file("huge.tbq"));

  // The good file is still read after all that.
  importFrom(c, dir.file("good.tbq"));
  EXPECT_EQ(c.gettext(4, 2), "b");
  EXPECT_EQ(c.gettext(2, 2), "");
}

TEST(DataImport, FileThatDisappearsAfterTheDialog) {
  TempDir dir;
  Control source;
  const std::string path = dir.file("v.tbq");
  source.settext(1, 1, "a");
  exportTo(source, path);
  VanishingFilePlatform platform;
  Control c(platform);
  c.settext(1, 1, "keep");
  const TableSnapshot before = snapshot(c);
  platform.queueFile(path);
  expectFileError([&] { c.m_dainp(); }, path);
  EXPECT_EQ(snapshot(c), before);
}

TEST(DataExport, FailedSaveLeavesTheOldFileTheRecordsAndTheTable) {
  TempDir dir;
  Control c;
  c.settext(1, 1, "a");
  c.formuset(1, "C2+1");
  c.formuset(1, "C2+2");
  const std::string path = dir.file("old.tbq");
  writeBytes(path, "old");
  const TableSnapshot before = snapshot(c);
  {
    files::ScopedFileSystemCalls restore;
    files::fileSystemCalls().write = [n = 0](int fd, const void* d, size_t s) mutable -> ssize_t {
      if (n++ == 0) return ::write(fd, d, s / 3);  // a short write, then the disk is full
      errno = ENOSPC;
      return -1;
    };
    c.headless().queueFile(path);
    expectFileError([&] { c.m_daexp(); }, path);
  }
  c.headless().queueFile(dir.file("no/folder/x.tbq"));
  expectFileError([&] { c.m_daexp(); }, dir.file("no/folder/x.tbq"));
  EXPECT_EQ(readBytes(path), "old");
  EXPECT_EQ(snapshot(c), before);  // not compacted, no layout piece left behind
}

TEST(DataImport, FullTableRoundTrip) {
  // The largest table: 6999 x 50 grid cells. The export adds no spare columns (they would
  // exceed the cell budget); the import of that file into a fresh control is accepted, the fresh
  // control's emptied fiftieth column giving way.
  TempDir dir;
  Control a;
  a.rowcol(6998, 49);
  for (int32_t i = 1; i <= 6998; ++i)
    for (int32_t j = 1; j <= 49; ++j) a.settext(i, j, std::to_string(i * 100 + j));
  a.formuset(2, "C1*2");
  const std::string path = dir.file("full.tbq");
  exportTo(a, path);
  EXPECT_EQ(a.grid().Cols(), 50);
  Control b;
  importFrom(b, path);
  EXPECT_EQ(b.rows(), 6998);
  EXPECT_EQ(b.cols(), 49);
  EXPECT_EQ(b.gettext(6998, 49), "699849");
  EXPECT_EQ(b.gettext(1, 1), "101");
  EXPECT_EQ(b.state().colFormula[2], "C1\x04*2;");
}

TEST(DataImport, EveryRecordComesBackWhateverItHoldsAndWhereverItIs) {
  TempDir dir;
  Control a;
  a.rowcol(10, 12);
  a.settext(1, 1, "5");
  a.settext(2, 1, "2");
  const char* const formulas[] = {"C1 & \" $\"", "IIf(C1>3,\"big?\",\"small\")", "Format(C1,\"$#,##0\")"};
  a.formuset(1, formulas[0]);  // column 1 carries the layout piece in the file
  a.formuset(2, formulas[1]);
  a.formuset(3, formulas[2]);
  a.formuset(8, "C1+1");    // beyond the last column with data: no cells yet
  a.formuset(12, "C1*3");   // the last grid column: the last field of the file
  a.setcolw(2, 31.0f);
  const std::vector<std::string> records = a.state().colFormula;

  // Cancelled export and import change no record.
  a.m_daexp();
  a.m_dainp();
  EXPECT_EQ(a.state().colFormula, records);

  const std::string path = dir.file("f.tbq");
  exportTo(a, path);
  EXPECT_EQ(a.state().colFormula, records);
  Control b;
  importFrom(b, path);
  for (int32_t j : {1, 2, 3, 8, 12}) EXPECT_EQ(b.state().colFormula[size_t(j)], records[size_t(j)]) << j;
  EXPECT_EQ(b.formuget(1), std::string(formulas[0]) + ";");
  EXPECT_EQ(b.formuget(3), std::string(formulas[2]) + ";");
  EXPECT_EQ(b.grid().ColWidth(2), a.grid().ColWidth(2));
  // And again: the records and sizes are stable through repeated round trips.
  for (int k = 0; k < 3; ++k) {
    exportTo(b, path);
    importFrom(b, path);
  }
  for (int32_t j = 1; j <= 12; ++j) EXPECT_EQ(b.state().colFormula[size_t(j)], records[size_t(j)]) << j;
  EXPECT_EQ(b.grid().ColWidth(2), a.grid().ColWidth(2));
  expectConsistent(b);
}

TEST(DataImport, FormulaLineWithoutLayoutPieceAndHugeSizes) {
  TempDir dir;
  // Made by hand: one column, its record as the last field, no layout piece.
  const std::string plain = dir.file("plain.tbq");
  writeBytes(plain, BS + "4\r\n" + BS + "\r\nC1\x04*2;\r\n");
  Control c;
  c.setcolw(1, 40.0f);
  importFrom(c, plain);
  EXPECT_EQ(c.gettext(1, 1), "4");
  EXPECT_EQ(c.state().colFormula[1], "C1\x04*2;");
  EXPECT_EQ(c.grid().ColWidth(1), Grid::kDefaultColWidth);  // reset, nothing applied

  // Sizes that would overflow the geometry are capped: every position stays ordered.
  const std::string huge = dir.file("huge.tbq");
  writeBytes(huge, BS + "a," + BS + "\r\n=1e9\x07" "1$1e9\x07" "2?1e9\x07" "1$1e9\x07" "3,\r\n");
  Control d;
  importFrom(d, huge);
  EXPECT_EQ(d.gettext(1, 1), "a");
  for (int32_t j = 1; j <= d.grid().Cols(); ++j) ASSERT_GE(d.grid().colLeft(j), d.grid().colLeft(j - 1)) << j;
  for (int32_t i = 1; i <= d.grid().Rows(); ++i) ASSERT_GE(d.grid().rowTop(i), d.grid().rowTop(i - 1)) << i;
  EXPECT_GT(d.grid().ColWidth(1), 1000000);
}

// Records of a hand-made file keep only the pieces the control can read: each ends in ";", and a
// cell formula ("=" first) carries a row mark and the number of a data row. The rest is dropped,
// so nothing broken is stored and a round trip gives the same records.
TEST(DataImport, BrokenPiecesOfHandMadeRecordsAreDropped) {
  TempDir dir;
  const std::string path = dir.file("hand.tbq");
  const std::string B = "\x0B";
  const std::vector<std::pair<std::string, std::string>> records = {
      // column 1: no ";" before the layout piece, so the whole field is one unterminated piece
      {"C2\x04*2=26.46\x07" "1?", ""},
      {"C1\x04*C1\x04;=;", "C1\x04*C1\x04;"},
      {std::string("\x05") + NUL, ""},
      {"C1;=C1\x04" + B + "2;=C2" + B + "0;=C2" + B + "99999;=C2@;C1" + B + "1;=C2" + B + "1x;=C1" + B + ";=C2" +
           B + "01;=C3+1" + B + "1;=C1",
       "C1;=C1\x04" + B + "2;=C2@;=C3+1" + B + "1;"},
      {"", ""},
  };
  std::string line;
  for (size_t k = 0; k < records.size(); ++k) line += records[k].first + (k + 1 < records.size() ? "," : "\r\n");
  writeBytes(path, BS + "1," + BS + "2," + BS + "3," + BS + "4," + BS + "\r\n" + line);
  Control c;
  c.rowcol(3, 5);
  importFrom(c, path);
  ASSERT_EQ(c.rows(), 3);
  for (size_t k = 0; k < records.size(); ++k)
    EXPECT_EQ(c.state().colFormula[k + 1], records[k].second) << "column " << k + 1;
  EXPECT_EQ(c.gettext(1, 4), "4");
  // The export drops the retired piece; from then on the records stay as they are.
  exportTo(c, path);
  const std::vector<std::string> exported = c.state().colFormula;
  for (int round = 0; round < 3; ++round) {
    importFrom(c, path);
    EXPECT_EQ(c.state().colFormula, exported) << "round " << round;
    exportTo(c, path);
  }
  expectConsistent(c);
}

TEST(DataImport, EveryCellAndRecordComesBackWhateverCharactersItHolds) {
  TempDir dir;
  const std::vector<std::string> awkward = {
      "two\r\nlines", "lf\nonly", "cr\ronly", "\x01", "\x02", "\x08", "a\x08" "b", "\x0E\x0F\x10",
      "\x10\x01", std::string("a\0b", 3), "1,2 3", "a\tb", "$;@?", "中文😀", "=x\x07y", "\"q\""};
  Control a;
  a.rowcol(8, 5);
  std::mt19937 rng(3);
  for (int32_t i = 1; i <= 8; ++i)
    for (int32_t j = 1; j <= 5; ++j) a.settext(i, j, awkward[rng() % awkward.size()]);
  a.formuset(2, "C1 & \"\r\n\" & C3");
  a.formuset(3, "C1 & \",\x01\x10\"");
  const std::string path = dir.file("c.tbq");
  exportTo(a, path);
  Control b;
  importFrom(b, path);
  for (int32_t i = 1; i <= 8; ++i)
    for (int32_t j = 1; j <= 5; ++j) EXPECT_EQ(b.gettext(i, j), a.gettext(i, j)) << i << "," << j;
  EXPECT_EQ(b.state().colFormula[2], a.state().colFormula[2]);
  EXPECT_EQ(b.state().colFormula[3], a.state().colFormula[3]);
  // The bytes: CR and LF as their markers, a marker character after the escape.
  Control c;
  c.settext(1, 1, "x\r\ny");
  c.settext(1, 2, "\x08");
  const std::string bytes = exportTo(c, dir.file("m.tbq"));
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), BS + "x\x0E\x0Fy," + BS + "\x10\x08," + NUL + "," + BS);
}

// Spaces at either end of a cell come back; a file of an earlier version (no space marker at an
// end) reads as before.
TEST(DataImport, CellsKeepTheirLeadingAndTrailingSpaces) {
  TempDir dir;
  const std::vector<std::string> cells = {" ", " a ", "b  ", "  c", "; ", " 1,2 "};
  Control a;
  for (size_t k = 0; k < cells.size(); ++k) a.settext(int32_t(k + 1), 1, cells[k]);
  exportTo(a, dir.file("s.tbq"));
  Control b;
  importFrom(b, dir.file("s.tbq"));
  for (size_t k = 0; k < cells.size(); ++k) EXPECT_EQ(b.gettext(int32_t(k + 1), 1), cells[k]) << k;
  writeBytes(dir.file("old.tbq"), BS + "a\x02" "b," + NUL + "," + BS + "\r\n" + NUL + "," + NUL + ",\r\n");
  importFrom(b, dir.file("old.tbq"));
  EXPECT_EQ(b.gettext(1, 1), "a b");
}

// A cell formula on a row below every cell with text (found by the random sessions): the file's
// lines reach its row, so a fresh control imports it there.
TEST(DataImport, ACellFormulaBelowTheLastTextComesBack) {
  TempDir dir;
  Control a;
  a.rowcol(4442, 3);
  a.mouseset(3955, 2);
  a.headless().queueInput("=Len(C3)");
  a.m_focal();
  const std::string record = a.state().colFormula[2];
  ASSERT_NE(record.find("\x0b" "3955;"), std::string::npos);
  exportTo(a, dir.file("f.tbq"));
  Control b;
  importFrom(b, dir.file("f.tbq"));
  EXPECT_EQ(b.state().colFormula[2], record);
  EXPECT_GE(b.rows(), 3955);
}

// The tallest and the widest table come back into a fresh control: the emptied columns or rows
// beyond the file give way to the file's rows or columns, as opentxt's do.
TEST(DataImport, TheTallestAndWidestTablesLoadIntoAFreshControl) {
  TempDir dir;
  for (const auto& [R, C] : {std::pair{174974, 1}, std::pair{1, 174972}}) {
    Control a;
    a.rowcol(R, C);
    for (int32_t k = 1; k <= std::max(R, C); k += 997) a.settext(R == 1 ? 1 : k, R == 1 ? k : 1, std::to_string(k));
    a.settext(R, C, "last");
    a.formuset(1, "C1 & \"$?\"");
    exportTo(a, dir.file("t.tbq"));
    Control b;
    b.settext(2, 3, "gone");
    importFrom(b, dir.file("t.tbq"));
    EXPECT_TRUE(b.headless().failures().empty());
    EXPECT_GE(b.rows(), R);
    EXPECT_GE(b.cols(), C);
    for (int32_t k = 1; k <= std::max(R, C); k += 997)
      ASSERT_EQ(b.gettext(R == 1 ? 1 : k, R == 1 ? k : 1), std::to_string(k)) << k;
    EXPECT_EQ(b.gettext(R, C), "last");
    EXPECT_EQ(b.state().colFormula[1], a.state().colFormula[1]);
    EXPECT_LE(int64_t(b.grid().Rows()) * b.grid().Cols(), 349950);
    expectConsistent(b);
  }
}

}  // namespace
}  // namespace tablique
