// savexlsx through the control, read back by an independent reader (openpyxl): every cell with
// its type, the sizes, Chinese and awkward texts, the "C" number format under a decimal-comma
// locale, and failures that leave the old file.
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include <sys/stat.h>

#include "files/file_io.h"
#include "files/xlsx_cells.h"
#include "files/xlsx_file.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

// What the reader found in the workbook.
struct Sheet {
  int sheets = 0;
  std::string title;
  std::map<std::pair<int, int>, std::pair<char, std::string>> cells;  // (row, col) 1-based
  std::map<std::string, double> widths;
  std::map<int, double> heights;
  std::vector<std::string> hidden;
  double defaultHeight = 0;
};

std::string unhex(const std::string& h) {
  std::string s;
  for (size_t i = 0; i + 1 < h.size(); i += 2) s += char(std::stoi(h.substr(i, 2), nullptr, 16));
  return s;
}

// Runs the reader; a file it cannot read fails the test.
Sheet readBack(const std::string& path) {
  const fs::path reader = fs::path(TABLIQUE_TEST_DATA).parent_path() / "files" / "read_xlsx.py";
  const std::string cmd = "LC_ALL=C.UTF-8 /usr/bin/python3 '" + reader.string() + "' '" + path + "' 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  EXPECT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  EXPECT_EQ(::pclose(p), 0) << out;
  Sheet s;
  std::istringstream in(out);
  std::string kind;
  while (in >> kind) {
    if (kind == "sheets") in >> s.sheets;
    else if (kind == "title") { in >> s.title; s.title = unhex(s.title); }
    else if (kind == "cell") {
      int r, c;
      std::string t, v;
      in >> r >> c >> t >> v;
      s.cells[{r, c}] = {t[0], t == "s" ? unhex(v) : v};
    } else if (kind == "width") {
      std::string col;
      double w;
      in >> col >> w;
      s.widths[col] = w;
    } else if (kind == "height") {
      int r;
      double h;
      in >> r >> h;
      s.heights[r] = h;
    } else if (kind == "hidden") {
      std::string what, key;
      in >> what >> key;
      s.hidden.push_back(what + " " + key);
    } else if (kind == "default-height") in >> s.defaultHeight;
    else ADD_FAILURE() << "reader said: " << out;
  }
  return s;
}

// The text of a number the reader found, written by the control's number rule.
std::string numberAsText(const std::string& repr) { return script::numberText(std::strtod(repr.c_str(), nullptr)); }

// Every non-empty data cell of the used area appears with the expected type and text; nothing else.
void expectCells(const Control& c, const Sheet& s) {
  const Grid& g = c.grid();
  size_t expected = 0;
  for (int32_t i = 1; i < g.Rows(); ++i)
    for (int32_t j = 1; j < g.Cols(); ++j) {
      const std::string& text = g.textAt(i, j);
      if (text.empty()) continue;
      ++expected;
      const auto it = s.cells.find({i, j});
      if (it == s.cells.end()) {
        ADD_FAILURE() << "cell (" << i << "," << j << ") " << text << " missing";
        continue;
      }
      double d;
      if (files::isExactNumberText(text, d)) {
        EXPECT_EQ(it->second.first, 'n') << text;
        EXPECT_EQ(numberAsText(it->second.second), text);
      } else {
        EXPECT_EQ(it->second.first, 's') << text;
        EXPECT_EQ(it->second.second, text);
      }
    }
  EXPECT_EQ(s.cells.size(), expected);
}

// A stored column width (characters with the usual padding) in pixels, and a grid width in
// pixels (15 twips each): the workbook keeps widths to the pixel.
long widthPixels(double stored) { return std::lround(stored * 7); }
long twipsPixels(int32_t twips) { return std::lround(twips / 15.0); }

Sheet saveXlsx(Control& c, const std::string& path) {
  c.headless().queueFile(path);
  c.savexlsx();
  return readBack(path);
}

TEST(XlsxNumber, OnlyTextsThatSurviveTheRoundTripAreNumbers) {
  double d = 0;
  for (const char* yes : {"12.5", "-3", "0", "0.1", "1E+15", "123456789012345", "-0.000123"})
    EXPECT_TRUE(files::isExactNumberText(yes, d)) << yes;
  for (const char* no : {"", "007", "1.50", " 5", "5 ", "+5", "&H10", "1,000", "1,5", "-0", "1e+15", "1E15",
                         "1234567890123456", ".5", "5.", "12%", "Infinity", "NaN", "1.0", "0x10", "$5"})
    EXPECT_FALSE(files::isExactNumberText(no, d)) << no;
}

TEST(XlsxText, InvalidUtf8AndEscapeLookalikesBecomeSafeText) {
  size_t units = 0;
  EXPECT_EQ(files::workbookText("苹果😀", units), "苹果😀");
  EXPECT_EQ(units, 4u);  // the emoji is two UTF-16 units
  // A lone byte, a cut sequence, an encoded surrogate, an overlong "/" and U+FFFF.
  EXPECT_EQ(files::workbookText("a\xFF" "b\xE8\x8B" "c\xED\xA0\x80" "d\xC0\xAF" "e\xEF\xBF\xBF", units),
            "a\uFFFD" "b\uFFFD\uFFFD" "c\uFFFD\uFFFD\uFFFD" "d\uFFFD\uFFFD" "e\uFFFD");
  EXPECT_EQ(files::workbookText("_x0041_ _x41_ _xZZZZ_", units), "_x005F_x0041_ _x41_ _xZZZZ_");
}

TEST(SaveXlsx, DialogIsPreparedAndRemembersTheName) {
  TempDir dir;
  Control c;
  c.savexlsx();  // Cancel
  ASSERT_EQ(c.headless().fileDialogs().size(), 1u);
  const FileDialogCall first = c.headless().fileDialogs()[0];
  EXPECT_TRUE(first.save);
  EXPECT_EQ(first.filter, "XLSX格式文件(*.xlsx)|*.xlsx");
  EXPECT_EQ(first.defaultExt, "xlsx");
  EXPECT_EQ(first.initDir, fs::read_symlink("/proc/self/exe").parent_path().string());
  EXPECT_EQ(first.fileName, "");
  const std::string path = dir.file("t.xlsx");
  saveXlsx(c, path);
  EXPECT_EQ(c.state().xlsxFileName, path);
  EXPECT_EQ(c.state().xlsFileName, "");
  c.savexlsx();  // offered again; Cancel keeps it
  EXPECT_EQ(c.headless().fileDialogs().back().fileName, path);
  EXPECT_EQ(c.state().xlsxFileName, path);
}

TEST(SaveXlsx, EveryCellWithItsTypeAndTheSizesReadBack) {
  TempDir dir;
  Control c;
  const std::vector<std::string> texts = {
      "12.5", "007", "1.50", "-3", "苹果", "1E+15", "1234567890123456", "0.1", "  5", "a\tb", "x\r\ny",
      "\"quoted\"", "$5", "a;b", "@x", "=1+2", "😀表情", "0.333333333333333", "-0", "1,000", "TRUE", "  "};
  for (size_t k = 0; k < texts.size(); ++k) c.settext(int32_t(1 + k / 5), int32_t(1 + k % 5), texts[k]);
  c.settext(9, 7, "末");  // the used area ends here; the cells before it stay empty
  c.setcolw(2, 50);
  c.setcolw(3, 0);
  c.setrowh(2, 10);
  c.setrowh(4, 0);
  const Grid& g = c.grid();
  const Sheet s = saveXlsx(c, dir.file("t.xlsx"));
  EXPECT_EQ(s.sheets, 1);
  EXPECT_EQ(s.title, "Sheet1");
  expectCells(c, s);
  EXPECT_EQ(s.cells.at({1, 1}).first, 'n');
  EXPECT_EQ(s.cells.at({1, 2}), std::make_pair('s', std::string("007")));
  // Widths: the grid's twips as characters plus the writer's padding; column C hidden.
  ASSERT_TRUE(s.widths.count("A") && s.widths.count("B") && s.widths.count("G"));
  EXPECT_EQ(widthPixels(s.widths.at("A")), twipsPixels(Grid::kDefaultColWidth));
  EXPECT_EQ(widthPixels(s.widths.at("B")), twipsPixels(g.ColWidth(2)));
  EXPECT_EQ(s.widths.count("H"), 0u);
  EXPECT_NE(std::find(s.hidden.begin(), s.hidden.end(), "col C"), s.hidden.end());
  EXPECT_DOUBLE_EQ(s.defaultHeight, Grid::kDefaultRowHeight / 20.0);
  EXPECT_DOUBLE_EQ(s.heights.at(2), g.RowHeight(2) / 20.0);
  EXPECT_NE(std::find(s.hidden.begin(), s.hidden.end(), "row 4"), s.hidden.end());
  EXPECT_DOUBLE_EQ(s.heights.count(1) ? s.heights.at(1) : s.defaultHeight, Grid::kDefaultRowHeight / 20.0);
}

TEST(SaveXlsx, RandomTableReadsBackCellForCell) {
  TempDir dir;
  Control c;
  std::mt19937 rng(17);
  const std::vector<std::string> pieces = {"1", "0", "-", ".", "5", "E+", "9", "中", "_x0041_", " ", "\t", "\"", "00", "3"};
  for (int32_t i = 1; i <= 40; ++i)
    for (int32_t j = 1; j <= 12; ++j) {
      std::string t;
      for (int k = int(rng() % 4); k > 0; --k) t += pieces[rng() % pieces.size()];
      c.settext(i, j, t);
    }
  expectCells(c, saveXlsx(c, dir.file("r.xlsx")));
}

TEST(SaveXlsx, InvalidUtf8NeverBreaksTheFile) {
  TempDir dir;
  Control c;
  c.settext(1, 1, "ok\xFF\xFE");
  c.settext(1, 2, "\xED\xA0\x80");  // a lone surrogate as the engine holds it
  c.settext(2, 1, std::string("ctl\x01\x1F"));
  const Sheet s = saveXlsx(c, dir.file("u.xlsx"));
  EXPECT_EQ(s.cells.at({1, 1}).second, "ok\uFFFD\uFFFD");
  EXPECT_EQ(s.cells.at({1, 2}).second, "\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(s.cells.at({2, 1}).first, 's');
}

// A decimal-comma locale: the system's de_DE.UTF-8, else a private de_DE (numbers only; its
// Latin-1 character map builds in a second).
bool useDecimalCommaLocale(const TempDir& dir) {
  if (std::setlocale(LC_ALL, "de_DE.UTF-8")) return true;
  const std::string cmd = "localedef -i de_DE -f ISO-8859-1 '" + dir.file("de_DE") + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return false;
  ::setenv("LOCPATH", dir.path().c_str(), 1);
  return std::setlocale(LC_NUMERIC, "de_DE") != nullptr;
}

TEST(SaveXlsx, NumbersAndSizesUseTheCLocaleUnderADecimalCommaLocale) {
  TempDir dir, locales;
  Control c;
  c.settext(1, 1, "12.5");
  c.settext(1, 2, "-0.25");
  c.setcolw(1, 21.77f);
  c.setrowh(1, 5.87f);
  ASSERT_TRUE(useDecimalCommaLocale(locales)) << "no de_DE.UTF-8 locale";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.1f", 2.5);
  const std::string printed = buf;
  c.headless().queueFile(dir.file("de.xlsx"));
  c.savexlsx();
  std::setlocale(LC_ALL, "C");
  ::unsetenv("LOCPATH");
  EXPECT_EQ(printed, "2,5");  // the locale was really in force
  const Sheet s = readBack(dir.file("de.xlsx"));
  expectCells(c, s);
  EXPECT_EQ(widthPixels(s.widths.at("A")), twipsPixels(c.grid().ColWidth(1)));
  EXPECT_DOUBLE_EQ(s.heights.at(1), c.grid().RowHeight(1) / 20.0);
}

TEST(SaveXlsx, ReplacesTheFileKeepingItsPermissions) {
  TempDir dir;
  const std::string path = dir.file("p.xlsx");
  writeBytes(path, "old");
  ::chmod(path.c_str(), 0640);
  Control c;
  c.settext(1, 1, "新");
  const Sheet s = saveXlsx(c, path);
  EXPECT_EQ(s.cells.at({1, 1}).second, "新");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  size_t others = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) others += e.path() != path;
  EXPECT_EQ(others, 0u);  // no temporary left beside it
}

TEST(SaveXlsx, FailuresAreToldAndLeaveTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("keep.xlsx");
  writeBytes(path, "old bytes");
  Control c;
  c.settext(1, 1, "1");
  {
    files::ScopedFileSystemCalls restore;
    files::fileSystemCalls().rename = [](const char*, const char*) {
      errno = ENOSPC;
      return -1;
    };
    c.headless().queueFile(path);
    EXPECT_THROW(c.savexlsx(), Error);
  }
  EXPECT_EQ(readBytes(path), "old bytes");
  ASSERT_EQ(c.headless().failures().size(), 1u);
  EXPECT_NE(c.headless().failures()[0].find("keep.xlsx"), std::string::npos);

  // Texts a workbook cannot hold are refused, naming the cell.
  c.settext(3, 2, std::string("a\0b", 3));
  c.headless().queueFile(path);
  EXPECT_THROW(c.savexlsx(), Error);
  EXPECT_NE(c.headless().failures().back().find("(3,2)"), std::string::npos);
  c.settext(3, 2, std::string(32766, 'x') + "😀");
  c.headless().queueFile(path);
  EXPECT_THROW(c.savexlsx(), Error);
  EXPECT_NE(c.headless().failures().back().find("32767"), std::string::npos);
  EXPECT_EQ(readBytes(path), "old bytes");
  c.settext(3, 2, std::string(32765, 'x') + "😀");  // exactly 32767 units fit
  const Sheet s = saveXlsx(c, path);
  EXPECT_EQ(s.cells.at({3, 2}).second.size(), 32765u + 4u);
}

// A workbook column is at most 255 characters wide and a row at most 409 points high; the
// writer garbles wider columns (300 characters came out as 44.7), and office programs refuse
// higher rows. The grid's sizes beyond them are written as the largest the workbook holds.
TEST(SaveXlsx, SizesBeyondTheWorkbooksLimitsAreItsLargest) {
  TempDir dir;
  Control c;
  c.settext(2, 3, "x");
  c.setcolw(1, 600);  // 323 characters
  c.setcolw(2, 470);  // 252 characters: kept
  c.setcolw(3, 1e6f);
  c.setrowh(1, 200);  // 567 points
  c.setrowh(2, 144);  // 408 points: kept
  const Sheet s = saveXlsx(c, dir.file("big.xlsx"));
  EXPECT_EQ(widthPixels(s.widths.at("A")), 255 * 7 + 5);
  EXPECT_EQ(widthPixels(s.widths.at("B")), twipsPixels(c.grid().ColWidth(2)));
  EXPECT_EQ(widthPixels(s.widths.at("C")), 255 * 7 + 5);
  EXPECT_DOUBLE_EQ(s.heights.at(1), 409);
  EXPECT_DOUBLE_EQ(s.heights.at(2), c.grid().RowHeight(2) / 20.0);
}

// A workbook sheet has 16384 columns (A..XFD): a table whose data reaches beyond is refused and
// told in the user's words, naming the limit; data up to the last column is saved.
TEST(SaveXlsx, DataBeyondTheLastSheetColumnIsRefusedAndTold) {
  TempDir dir;
  const std::string path = dir.file("wide.xlsx");
  writeBytes(path, "old");
  Control c;
  c.rowcol(2, 16400);
  c.settext(1, 16384, "末");
  c.settext(2, 1, "1");
  const Sheet s = saveXlsx(c, path);
  EXPECT_EQ(s.cells.at({1, 16384}).second, "末");
  c.settext(2, 16385, "超");
  c.headless().queueFile(path);
  EXPECT_THROW(c.savexlsx(), Error);
  ASSERT_FALSE(c.headless().failures().empty());
  const std::string told = c.headless().failures().back();
  EXPECT_NE(told.find("16384"), std::string::npos) << told;
  EXPECT_EQ(told.find("out of range"), std::string::npos) << told;  // not the writer's English
  EXPECT_EQ(readBack(path).cells.at({1, 16384}).second, "末");    // the old file stays
}

// A table shrunk to its header row or its header column has no data cell: the workbook is
// saved empty, as savexls saves an empty table.
TEST(SaveXlsx, ATableOfHeadersAloneSavesAnEmptyWorkbook) {
  TempDir dir;
  Control c;
  c.rowcol(0, 3);
  EXPECT_TRUE(saveXlsx(c, dir.file("row.xlsx")).cells.empty());
  c.rowcol(3, 3);
  c.settext(1, 1, "x");
  c.addcol(-3);
  ASSERT_EQ(c.cols(), 0);
  EXPECT_TRUE(saveXlsx(c, dir.file("col.xlsx")).cells.empty());
  EXPECT_TRUE(c.headless().failures().empty()) << c.headless().failures().front();
}

}  // namespace
}  // namespace tablique
