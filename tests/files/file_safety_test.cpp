// Saving never harms the file the user chose, and reading never waits: symbolic and hard links,
// read-only files and folders, files of another owner, named pipes and long names, with real
// files. Where the tests run as root, the unprivileged cases run with the effective ids of
// "nobody" for the time of the call.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/encoding.h"
#include "files/file_io.h"
#include "files_fixture.h"

namespace tablique {
namespace {

using namespace tablique::testing;

constexpr uid_t kNobody = 65534;

// Runs `f` as an unprivileged user: as "nobody" when the test runs as root.
template <typename F>
void asUnprivileged(F&& f) {
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::setegid(kNobody), 0);
    ASSERT_EQ(::seteuid(kNobody), 0);
  }
  f();
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
    ASSERT_EQ(::setegid(0), 0);
  }
}

struct stat statOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// A folder every user may enter and read.
struct OpenDir : TempDir {
  OpenDir() { fs::permissions(path(), fs::perms(0755)); }
};

TEST(SafeSave, SymbolicLinksAreFollowedToTheirTarget) {
  OpenDir dir;
  fs::create_directory(dir.file("real"));
  writeBytes(dir.file("real/t.txt"), "old");
  fs::create_symlink("real/t.txt", dir.file("relative.txt"));
  fs::create_symlink(dir.file("relative.txt"), dir.file("chain.txt"));
  files::writeFileAtomic(dir.file("chain.txt"), "new");
  EXPECT_TRUE(fs::is_symlink(dir.file("chain.txt")));
  EXPECT_TRUE(fs::is_symlink(dir.file("relative.txt")));
  EXPECT_EQ(readBytes(dir.file("real/t.txt")), "new");
  // A link to a file not yet there creates the file it names.
  fs::create_symlink("real/later.txt", dir.file("dangling.txt"));
  files::writeFileAtomic(dir.file("dangling.txt"), "x");
  EXPECT_TRUE(fs::is_symlink(dir.file("dangling.txt")));
  EXPECT_EQ(readBytes(dir.file("real/later.txt")), "x");
  // A loop is refused.
  fs::create_symlink(dir.file("loop2"), dir.file("loop1"));
  fs::create_symlink(dir.file("loop1"), dir.file("loop2"));
  expectFileError([&] { files::writeFileAtomic(dir.file("loop1"), "x"); }, dir.file("loop1"));
}

TEST(SafeSave, HardLinksStayOneFileAndAFailedWriteRestoresIt) {
  OpenDir dir;
  const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
  writeBytes(a, "the old content, longer than the new one");
  fs::create_hard_link(a, b);
  files::writeFileAtomic(a, "short");
  EXPECT_EQ(readBytes(b), "short");
  EXPECT_EQ(statOf(a).st_ino, statOf(b).st_ino);
  {
    files::ScopedFileSystemCalls restore;
    files::fileSystemCalls().write = [n = 0](int fd, const void* d, size_t s) mutable -> ssize_t {
      if (n++ == 0) return ::write(fd, d, s / 2);  // half the new bytes, then a full disk
      if (n == 2) {
        errno = ENOSPC;
        return -1;
      }
      return ::write(fd, d, s);
    };
    expectFileError([&] { files::writeFileAtomic(a, std::string(1000, 'x')); }, a);
  }
  EXPECT_EQ(readBytes(b), "short");
}

// The last calls of a save in place fail after the new bytes are written: the file is the old
// one again when the failure is told.
TEST(SafeSave, HardLinkedFileIsTheOldOneAfterAFailedFlushOrClose) {
  OpenDir dir;
  const std::string a = dir.file("a.txt"), b = dir.file("b.txt");
  const std::string old = "老内容 old\r\n";
  for (const char* failing : {"fsync", "close"}) {
    SCOPED_TRACE(failing);
    writeBytes(a, old);
    fs::remove(b);
    fs::create_hard_link(a, b);
    {
      files::ScopedFileSystemCalls restore;
      files::FileSystemCalls& calls = files::fileSystemCalls();
      // The first call fails with EIO; a close releases the descriptor even then.
      auto failFirst = [](int (*real)(int), bool releases) {
        return [real, releases, failed = false](int fd) mutable {
          if (failed) return real(fd);
          failed = true;
          if (releases) real(fd);
          errno = EIO;
          return -1;
        };
      };
      if (std::string(failing) == "fsync") calls.fsync = failFirst(::fsync, false);
      else calls.close = failFirst(::close, true);
      expectFileError([&] { files::writeFileAtomic(a, "the new content, longer than the old"); }, a);
    }
    EXPECT_EQ(readBytes(a), old);
    EXPECT_EQ(readBytes(b), old);
    EXPECT_EQ(statOf(a).st_ino, statOf(b).st_ino);
  }
}

TEST(SafeSave, OwnerGroupAndPermissionsAreKept) {
  if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another owner needs root";
  OpenDir dir;
  const std::string path = dir.file("theirs.txt");
  writeBytes(path, "old");
  ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
  files::writeFileAtomic(path, "new");
  const struct stat st = statOf(path);
  EXPECT_EQ(readBytes(path), "new");
  EXPECT_EQ(st.st_uid, kNobody);
  EXPECT_EQ(st.st_gid, kNobody);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(SafeSave, ReadOnlyFilesAreRefusedUnchangedAndReadOnlyFoldersWrittenInPlace) {
  OpenDir dir;
  const std::string readOnly = dir.file("ro.txt");
  writeBytes(readOnly, "old");
  ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
  ASSERT_EQ(::chown(readOnly.c_str(), ::geteuid() == 0 ? kNobody : ::geteuid(), ::getegid()), 0);
  // A writable file in a folder the user may not write: no temporary can be made beside it.
  fs::create_directory(dir.file("locked"));
  const std::string inLocked = dir.file("locked/w.txt");
  writeBytes(inLocked, "old content");
  if (::geteuid() == 0) ASSERT_EQ(::chown(inLocked.c_str(), kNobody, kNobody), 0);
  const ino_t inode = statOf(inLocked).st_ino;
  fs::permissions(dir.file("locked"), fs::perms(0555));

  Control c;
  c.settext(1, 1, "新");
  asUnprivileged([&] {
    c.headless().queueFile(readOnly);
    EXPECT_THROW(c.savetxt(), Error);
    c.headless().queueFile(inLocked);
    c.savetxt();
  });
  EXPECT_EQ(readBytes(readOnly), "old");
  EXPECT_EQ(statOf(readOnly).st_mode & 07777, 0444u);
  ASSERT_EQ(c.headless().failures().size(), 1u);  // the refusal is told, naming the file
  EXPECT_NE(c.headless().failures()[0].find(readOnly), std::string::npos);
  EXPECT_EQ(readBytes(inLocked), files::toNarrow("新\r\n\r\n", "t"));
  EXPECT_EQ(statOf(inLocked).st_ino, inode);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("locked")), fs::directory_iterator()), 1);
  fs::permissions(dir.file("locked"), fs::perms(0755));
}

TEST(SafeSave, NamedPipesAreRefusedWithoutWaiting) {
  OpenDir dir;
  const std::string fifo = dir.file("pipe.txt"), fifoTbq = dir.file("pipe.tbq");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0666), 0);
  ASSERT_EQ(::mkfifo(fifoTbq.c_str(), 0666), 0);
  Control c;
  c.settext(2, 2, "keep");
  const TableSnapshot before = snapshot(c);
  c.headless().queueFile(fifo);
  EXPECT_THROW(c.opentxt(), Error);
  c.headless().queueFile(fifoTbq);
  EXPECT_THROW(c.m_dainp(), Error);
  EXPECT_EQ(snapshot(c), before);
  c.headless().queueFile(fifo);
  EXPECT_THROW(c.savetxt(), Error);
  EXPECT_TRUE(fs::is_fifo(fifo));
  expectFileError([&] { files::writeFileAtomic("/dev/null", "x"); }, "/dev/null");
}

TEST(SafeSave, LongNamesAreSavedAndNoTemporaryIsLeft) {
  OpenDir dir;
  const std::string path = dir.file(std::string(246, 'n') + ".txt");  // 250 bytes
  Control c;
  c.settext(1, 1, "a");
  for (int k = 0; k < 2; ++k) {  // new, then replaced
    c.headless().queueFile(path);
    c.savetxt();
  }
  EXPECT_EQ(readBytes(path), "a\r\n\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tablique
