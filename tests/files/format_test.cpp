// The pieces of the file formats on their own: the narrow encoding, the file layer's atomic
// write and its failures, sizes in millimetres, the export compaction and the layout piece.
#include <cerrno>

#include "files/encoding.h"
#include "files/file_io.h"
#include "files/tbq.h"
#include "files/text_table.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

std::string utf8Of(unsigned cp) {
  std::string u;
  if (cp < 0x80) {
    u += char(cp);
  } else if (cp < 0x800) {
    u += char(0xC0 | (cp >> 6));
    u += char(0x80 | (cp & 63));
  } else if (cp < 0x10000) {
    u += char(0xE0 | (cp >> 12));
    u += char(0x80 | ((cp >> 6) & 63));
    u += char(0x80 | (cp & 63));
  } else {
    u += char(0xF0 | (cp >> 18));
    u += char(0x80 | ((cp >> 12) & 63));
    u += char(0x80 | ((cp >> 6) & 63));
    u += char(0x80 | (cp & 63));
  }
  return u;
}

TEST(Encoding, ChineseTextIsWrittenInGb18030AndReadBack) {
  const std::string text = "中文,数据 平均值=5";
  const std::string narrow = files::toNarrow(text, "t");
  EXPECT_EQ(narrow.substr(0, 4), "\xD6\xD0\xCE\xC4");  // 中文 in GB18030
  EXPECT_EQ(files::fromNarrow(narrow, "t"), text);
  // Marker characters pass unchanged.
  const std::string markers("\x00\x01\x02\x03\x04\x07\x08\x0B\t\r\n", 11);
  EXPECT_EQ(files::toNarrow(markers, "t"), markers);
  EXPECT_EQ(files::fromNarrow(markers, "t"), markers);
}

TEST(Encoding, EveryUnicodeCharacterRoundTripsExceptTheUnmappablePrivateOnes) {
  // One text with all of Unicode (surrogates excluded); the C library's GB18030 has no bytes for
  // 24 private-use characters, which a save reports instead of losing them.
  std::string all, unmappable;
  int refused = 0;
  for (unsigned cp = 1; cp < 0x110000; ++cp) {
    if (cp >= 0xD800 && cp < 0xE000) continue;
    const std::string u = utf8Of(cp);
    if (cp >= 0xE000 && cp < 0xE900) {
      try {
        files::toNarrow(u, "t");
      } catch (const Error&) {
        ++refused;
        continue;
      }
    }
    all += u;
  }
  EXPECT_EQ(refused, 24);
  const std::string narrow = files::toNarrow(all, "t");
  EXPECT_FALSE(files::isValidUtf8(narrow));
  EXPECT_EQ(files::fromNarrow(narrow, "t"), all);
  try {
    files::toNarrow("a" + utf8Of(0xE78D), "file.txt");
    FAIL();
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::File);
    EXPECT_NE(std::string(e.what()).find("U+E78D"), std::string::npos) << e.what();
  }
}

TEST(Encoding, ReadingAcceptsUtf8WithAndWithoutBomAndRefusesJunk) {
  EXPECT_EQ(files::fromNarrow("\xEF\xBB\xBF中a", "t"), "中a");
  EXPECT_EQ(files::fromNarrow("中a", "t"), "中a");
  EXPECT_EQ(files::fromNarrow("", "t"), "");
  EXPECT_THROW(files::fromNarrow("ab\xFF\xFE\x80", "t"), Error);  // no GB18030 either
  EXPECT_THROW(files::fromNarrow("ab\xD6", "t"), Error);           // cut inside a character
  EXPECT_THROW(files::toNarrow("ab\xC3", "t"), Error);             // not UTF-8
}

TEST(FileLayer, AtomicWriteReplacesAndReadsBack) {
  TempDir dir;
  const std::string path = dir.file("a.txt");
  files::writeFileAtomic(path, "old");
  files::writeFileAtomic(path, "new bytes");
  EXPECT_EQ(files::readWholeFile(path), "new bytes");
  // No temporary file is left beside the target.
  int entries = 0;
  for (const auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
  EXPECT_EQ(entries, 1);
}

TEST(FileLayer, FailedWritesLeaveTheOldFile) {
  TempDir dir;
  const std::string path = dir.file("a.txt");
  files::writeFileAtomic(path, "old");
  struct Fault {
    const char* name;
    void (*install)();
  };
  const Fault faults[] = {
      {"disk full", [] {
         files::fileSystemCalls().write = [](int, const void*, size_t) -> ssize_t {
           errno = ENOSPC;
           return -1;
         };
       }},
      {"short write then full", [] {
         files::fileSystemCalls().write = [n = 0](int fd, const void* d, size_t s) mutable -> ssize_t {
           if (n++ == 0) return ::write(fd, d, s / 2);
           errno = ENOSPC;
           return -1;
         };
       }},
      {"write of nothing", [] {
         files::fileSystemCalls().write = [](int, const void*, size_t) -> ssize_t { return 0; };
       }},
      {"flush fails", [] {
         files::fileSystemCalls().fsync = [](int) {
           errno = EIO;
           return -1;
         };
       }},
      {"rename fails", [] {
         files::fileSystemCalls().rename = [](const char*, const char*) {
           errno = EXDEV;
           return -1;
         };
       }},
  };
  for (const Fault& f : faults) {
    files::ScopedFileSystemCalls restore;
    f.install();
    expectFileError([&] { files::writeFileAtomic(path, std::string(10000, 'x')); }, path);
    EXPECT_EQ(readBytes(path), "old") << f.name;
    int entries = 0;
    for (const auto& e : fs::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1) << f.name;
  }
  // A short write that goes on is completed.
  {
    files::ScopedFileSystemCalls restore;
    files::fileSystemCalls().write = [](int fd, const void* d, size_t s) -> ssize_t {
      return ::write(fd, d, s > 7 ? 7 : s);
    };
    files::writeFileAtomic(path, "0123456789abcdefghij");
  }
  EXPECT_EQ(readBytes(path), "0123456789abcdefghij");
}

TEST(FileLayer, ReadFailuresNameTheFile) {
  TempDir dir;
  expectFileError([&] { files::readWholeFile(dir.file("missing.txt")); }, dir.file("missing.txt"));
  expectFileError([&] { files::readWholeFile(dir.path().string()); }, dir.path().string());
  expectFileError([&] { files::writeFileAtomic(dir.file("no/such/folder.txt"), "x"); },
                  dir.file("no/such/folder.txt"));
  expectFileError([&] { files::writeFileAtomic(dir.path().string(), "x"); }, dir.path().string());
  writeBytes(dir.file("big"), std::string(100, 'x'));
  expectFileError([&] { files::readWholeFile(dir.file("big"), 99); }, dir.file("big"));
}

// A grid without data rows or columns (the fixed row or column alone) saves as an empty table,
// reading no cell.
TEST(FileLayer, TextTableOfAGridWithoutDataCells) {
  Grid rowsOnly, colsOnly;
  rowsOnly.setRows(1);
  rowsOnly.setCols(9);
  colsOnly.setRows(30);
  colsOnly.setCols(1);
  EXPECT_EQ(files::buildTextTable(rowsOnly, "t"), "\r\n\r\n");
  EXPECT_EQ(files::buildTextTable(colsOnly, "t"), "\r\n\r\n");
}

TEST(Tbq, SizesInMillimetres) {
  struct Case {
    int32_t twips;
    const char* text;
  };
  const Case cases[] = {{1500, "26.46"}, {1701, "30"}, {1559, "27.5"}, {1140, "20.11"},
                        {285, "5.03"},   {500, "8.82"}, {0, "0"},       {57, "1.01"}};
  for (const Case& c : cases) EXPECT_EQ(files::millimetreText(c.twips), c.text) << c.twips;
}

TEST(Tbq, LayoutPieceIsKnownByItsPlaceNotItsContent) {
  struct Case {
    std::string field, record, layout;
  };
  const Case cases[] = {
      {"C2\x04+C3;=26.46\x07" "3?8.82\x07" "2", "C2\x04+C3;", "=26.46\x07" "3?8.82\x07" "2"},
      {"=?", "", "=?"},
      // A user's formula holding "$" or "?" is a piece like any other.
      {"C1\x04 & \" $\";=IIf(C1\x04>3\x03\"big?\"\x03\"small\")\x0B" "2;=?", "C1\x04 & \" $\";=IIf(C1\x04>3\x03\"big?\"\x03\"small\")\x0B" "2;", "=?"},
      // No layout piece: a single-column export of an earlier version, a file made by hand.
      {"=IIf(C1\x04>3\x03\"big?\"\x03\"x\")\x0B" "1;", "=IIf(C1\x04>3\x03\"big?\"\x03\"x\")\x0B" "1;", ""},
      {"Format(C1\x04\x03\"$#?\")", "Format(C1\x04\x03\"$#?\")", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const files::RecordAndLayout split = files::splitLayoutPiece(c.field);
    EXPECT_EQ(split.record, c.record) << c.field;
    EXPECT_EQ(split.layout, c.layout) << c.field;
  }
}

TEST(Tbq, LayoutPieceParsing) {
  auto sizes = files::parseLayoutPiece("=26.46\x07" "3$30\x07" "4?8.82\x07" "2");
  ASSERT_EQ(sizes.widths.size(), 2u);
  EXPECT_EQ(sizes.widths[0].index, 3);
  EXPECT_EQ(sizes.widths[0].twips, 1500);
  EXPECT_EQ(sizes.widths[1].twips, 1701);  // 30 mm is 1700.79 twips: rounded, not cut
  ASSERT_EQ(sizes.heights.size(), 1u);
  EXPECT_EQ(sizes.heights[0].index, 2);
  EXPECT_EQ(sizes.heights[0].twips, 500);
  // A bad entry ends only its own list.
  sizes = files::parseLayoutPiece("=1\x07" "1$x\x07" "2$3\x07" "3?bad$4\x07" "1");
  EXPECT_EQ(sizes.widths.size(), 1u);
  EXPECT_TRUE(sizes.heights.empty());
  sizes = files::parseLayoutPiece("=?-5\x07" "1");  // a negative size is malformed
  EXPECT_TRUE(sizes.heights.empty());
  EXPECT_TRUE(files::parseLayoutPiece("").widths.empty());
  // Every size the grid can show comes back to the twip.
  for (int32_t twips = 0; twips <= 20000; ++twips) {
    const auto back = files::parseLayoutPiece("=" + files::millimetreText(twips) + "\x07" "1?");
    ASSERT_EQ(back.widths.size(), 1u);
    ASSERT_EQ(back.widths[0].twips, twips);
  }
  // Sizes beyond int32 are capped, and capSizes keeps the sum within the geometry.
  sizes = files::parseLayoutPiece("=1e300\x07" "1$1e12\x07" "2?");
  ASSERT_EQ(sizes.widths.size(), 2u);
  EXPECT_EQ(sizes.widths[0].twips, 2147483647);
  files::capSizes(sizes.widths, {100, 1140, 1140, 1140});
  EXPECT_EQ(sizes.widths[0].twips, 2147483647 - 100 - 2280);
  EXPECT_EQ(sizes.widths[1].twips, 1140);  // no more room than the size it replaces
}

TEST(Tbq, CellFieldsEncodeAndDecode) {
  EXPECT_EQ(files::encodeCellText("  a, b  "), "\x02\x02" "a\x01\x02" "b\x02\x02");
  EXPECT_EQ(files::encodeCellText(" "), "\x02");
  EXPECT_EQ(files::decodeField("\x08" "a\x01\x02" "b"), "a, b");
  EXPECT_EQ(files::decodeField(std::string(1, '\0')), "");
  EXPECT_EQ(files::encodeCellText("\r\n\x01\x10"), "\x0E\x0F\x10\x01\x10\x10");
  EXPECT_EQ(files::decodeField("\x08\x0E\x0F\x10\x01\x10\x10"), "\r\n\x01\x10");
  EXPECT_EQ(files::decodeField("\x08" "a\x08" "b"), "ab");  // a bare BS inside, as earlier files may hold
}

TEST(Tbq, ReaderRefusesWhatIsNotADataFile) {
  EXPECT_THROW(files::scanTbq("", "f"), Error);
  EXPECT_THROW(files::scanTbq("\r\n\r\n", "f"), Error);
  EXPECT_THROW(files::scanTbq("\x08" "a,\x08" "b\r\n", "f"), Error);  // no formula line
  const std::string good = std::string("\x08" "a,\x08" "b\r\n") + "=?,\r\n";
  const auto shape = files::scanTbq(good, "f");
  EXPECT_EQ(shape.lines, 2);
  EXPECT_EQ(shape.fields, 2);
  const auto fields = files::readTbqFields(good, shape, "f");
  EXPECT_EQ(std::vector<std::string>(fields.begin(), fields.end()),
            (std::vector<std::string>{"\x08" "a", "\x08" "b", "=?", ""}));
  // A TAB inside a cell does not count as a separator.
  EXPECT_EQ(files::scanTbq("\x08" "a\tb,\x08" "c d\r\n=?,\r\n", "f").fields, 2);
  // A file cut at a line end ends in a data line: refused.
  EXPECT_THROW(files::readTbqFields("\x08" "a,\x08" "b\r\n\x08" "c,\x08" "d\r\n", {2, 2}, "f"), Error);
  // More or fewer fields than the first line, a data field without its marker.
  EXPECT_THROW(files::readTbqFields("\x08" "a,\x08" "b\r\n\x08" "c,\x08" "d,\x08" "e\r\n=?,\r\n",
                                    {3, 2}, "f"), Error);
  EXPECT_THROW(files::readTbqFields("\x08" "a,\x08" "b\r\n\x08" "c\r\n=?,\r\n", {3, 2}, "f"), Error);
  EXPECT_THROW(files::readTbqFields("a,\x08" "b\r\n=?,\r\n", {2, 2}, "f"), Error);
}

}  // namespace
}  // namespace tablique
