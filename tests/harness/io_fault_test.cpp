// Injected I/O faults: every system call of the file layer fails in turn (and every write is
// also cut short) during saves, exports, opens and imports of varied tables. After each fault
// the file on disk is wholly the old or wholly the new one, no temporary file is left, a failed
// read leaves the table as it was, a failure reaches the user, and nothing crashes.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <iostream>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "files/file_io.h"
#include "harness/session.h"

namespace tablique::harness {
namespace {

namespace fs = std::filesystem;
using files::FileSystemCalls;

// Counts the file layer's calls and spoils exactly one of them: it fails with an error, or, for
// a write, writes fewer bytes than asked (which is no error).
struct Injector {
  enum Mode { Fail, Interrupted, ShortOne, ShortHalf, ShortAllButOne };
  int64_t calls = 0, target = -1;
  Mode mode = Fail;
  std::string hitName;

  template <typename R, typename... Args>
  void wrap(std::function<R(Args...)>& call, const char* name, int error) {
    call = [this, inner = call, name, error](Args... args) -> R {
      if (++calls != target || mode > Interrupted) return inner(args...);
      hitName = name;
      errno = mode == Interrupted ? EINTR : error;
      return R(-1);
    };
  }

  // Runs a command with call k spoiled; false when it made fewer calls (nothing was injected).
  template <typename Command, typename Tally>
  bool spoil(int64_t k, Mode m, Command command, bool& failed, Tally& tally) {
    calls = 0;
    target = k;
    mode = m;
    hitName.clear();
    try {
      failed = command();
    } catch (const std::exception& e) {
      tally.problem(std::string("an exception other than tablique::Error: ") + e.what());
    }
    if (hitName.empty()) return false;
    ++tally.faults;
    return true;
  }

  void install() {
    FileSystemCalls& f = files::fileSystemCalls();
    f = files::defaultFileSystemCalls();
    wrap(f.fsync, "fsync", EIO);
    wrap(f.rename, "rename", EXDEV);
    wrap(f.open, "open", EACCES);
    wrap(f.read, "read", EIO);
    wrap(f.close, "close", EIO);
    wrap(f.fstat, "fstat", EIO);
    wrap(f.lstat, "lstat", EIO);
    wrap(f.readlink, "readlink", EIO);
    wrap(f.access, "access", EACCES);
    wrap(f.mkstemp, "mkstemp", ENOSPC);
    wrap(f.unlink, "unlink", EIO);
    wrap(f.fchmod, "fchmod", EPERM);
    wrap(f.fchown, "fchown", EPERM);
    wrap(f.ftruncate, "ftruncate", EIO);
    wrap(f.lseek, "lseek", EIO);
    f.write = [this, inner = f.write](int fd, const void* data, size_t size) -> ssize_t {
      if (++calls != target) return inner(fd, data, size);
      if (mode <= Interrupted) {
        hitName = "write";
        errno = mode == Interrupted ? EINTR : ENOSPC;
        return -1;
      }
      // A write of fewer bytes than asked, which is no error: 1, half, all but one.
      const size_t part = mode == ShortOne ? 1 : mode == ShortHalf ? size / 2 : size - 1;
      hitName = "short write of " + std::to_string(part) + " of " + std::to_string(size);
      return inner(fd, data, std::max<size_t>(1, std::min(part, size)));
    };
  }
};

const Injector::Mode kModes[] = {Injector::Fail, Injector::Interrupted, Injector::ShortOne, Injector::ShortHalf,
                                 Injector::ShortAllButOne};

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeAll(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Tables of different kinds: plain numbers, Chinese and marks, formulas and sizes, many rows,
// one cell, wide, long texts, an empty table.
constexpr int kTableKinds = 8;
void table(Control& c, int kind) {
  const int32_t rows = kind == 3 ? 300 : kind == 4 ? 1 : 12, cols = kind == 5 ? 40 : 6;
  c.rowcol(rows, cols);
  if (kind == 7) return;
  for (int32_t r = 1; r <= std::min(rows, 300); ++r)
    for (int32_t col = 1; col <= (kind == 5 ? 40 : 4); ++col) {
      std::string text = std::to_string(r * col);
      if (kind == 1) text = (col % 2 ? "专业 " : "为什么,") + text + "\"";
      if (kind == 6) text = std::string(5000, char('a' + col)) + text;
      c.settext(r, col, text);
    }
  if (kind == 2) {
    c.formuset(5, "C1*C2");
    c.update(5);
    c.setcolw(2, 31.5f);
    c.setrowh(3, 9.25f);
  }
}

enum class Op { SaveTxt, SaveXls, Export, OpenTxt, Import };
const char* const kOpNames[] = {"savetxt", "savexls", "m_daexp", "opentxt", "m_dainp"};
bool writes(Op op) { return op == Op::SaveTxt || op == Op::SaveXls || op == Op::Export; }

// Runs the command on path; whether it failed (an Error left it or the user was told).
bool runOp(Control& c, Op op, const std::string& path) {
  const size_t told = c.headless().failures().size() + c.headless().messages().size();
  c.headless().queueFile(path);
  try {
    switch (op) {
      case Op::SaveTxt: c.savetxt(); break;
      case Op::SaveXls: c.savexls(); break;
      case Op::Export: c.m_daexp(); break;
      case Op::OpenTxt: c.opentxt(); break;
      case Op::Import: c.m_dainp(); break;
    }
  } catch (const Error&) {
    return true;
  }
  return c.headless().failures().size() + c.headless().messages().size() > told;
}

struct Scratch {
  std::string folder;
  Scratch() {  // in memory where the system has it: the saves sync
    char shm[] = "/dev/shm/tablique-iofault-XXXXXX";
    char tmp[] = "/tmp/tablique-iofault-XXXXXX";
    const char* made = mkdtemp(shm);
    folder = made ? made : mkdtemp(tmp);
  }
  ~Scratch() { fs::remove_all(folder); }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// How the target exists before a save: not at all, as a file, as a file with a second hard link
// (the in-place path), or as a symbolic link to a file (saved through the link).
enum class Target { Missing, Present, HardLinked, SymbolicLink };

struct Tally {
  int64_t faults = 0, known = 0;
  std::vector<std::string> problems;
  void problem(std::string text, const char* check = "iofault") {
    if (isKnownFault(check)) ++known;
    else if (problems.size() < 20) problems.push_back(std::move(text));
  }
};

void runSave(Op op, int kind, Target target, Tally& tally) {
  Scratch s;
  const std::string path = s.folder + "/t." + (op == Op::Export ? "tbq" : "txt");
  const std::string oldBytes = "old content\r\n";
  auto setUp = [&] {
    fs::remove(s.folder + "/link");
    fs::remove(path);
    if (target != Target::Missing) writeAll(path, oldBytes);
    if (target == Target::HardLinked) fs::create_hard_link(path, s.folder + "/link");
    if (target == Target::SymbolicLink) fs::create_symlink(path, s.folder + "/link");
  };
  const std::string chosen = target == Target::SymbolicLink ? s.folder + "/link" : path;  // in the dialog
  // The clean run: how many calls and what the new file is.
  Control c;
  table(c, kind);
  setUp();
  Injector inj;
  files::ScopedFileSystemCalls restore;
  inj.install();
  ASSERT_FALSE(runOp(c, op, chosen)) << kOpNames[int(op)];
  const int64_t calls = inj.calls;
  const std::string newBytes = readAll(path);
  const TableCopy before = tableOf(c);
  for (int64_t k = 1; k <= calls; ++k)
    for (Injector::Mode mode : kModes) {
      setUp();
      bool failed = false;
      if (!inj.spoil(k, mode, [&] { return runOp(c, op, chosen); }, failed, tally)) continue;
      const std::string where = std::string(kOpNames[int(op)]) + ", table " + std::to_string(kind) + ", target " +
                                std::to_string(int(target)) + ", call " + std::to_string(k) + " (" + inj.hitName + ")";
      const std::string bytes = fs::exists(path) ? readAll(path) : std::string("<missing>");
      const std::string old = target == Target::Missing ? std::string("<missing>") : oldBytes;
      if (bytes != newBytes && bytes != old) tally.problem(where + ": the file is neither the old nor the new one");
      if (failed && bytes != old) tally.problem(where + ": a failed save changed the file", "iofault-failed-save-kept");
      if (!failed && bytes != newBytes) tally.problem(where + ": the file is not the new one, and nobody was told");
      for (const std::string& name : s.entries())
        if (name != fs::path(path).filename() && name != "link") tally.problem(where + ": " + name + " is left");
      if ((target == Target::HardLinked || target == Target::SymbolicLink) && readAll(s.folder + "/link") != bytes)
        tally.problem(where + ": the link no longer shows the file");
      if ((op != Op::Export || failed) && !(tableOf(c) == before))
        tally.problem(where + ": the save changed the table");
    }
}

void runOpen(Op op, int kind, Tally& tally) {
  Scratch s;
  const std::string path = s.folder + "/t." + (op == Op::Import ? "tbq" : "txt");
  TableCopy expected;
  {
    Control source;
    table(source, kind);
    source.headless().queueFile(path);
    op == Op::Import ? source.m_daexp() : source.savetxt();
  }
  Control clean;
  Injector inj;
  files::ScopedFileSystemCalls restore;
  inj.install();
  ASSERT_FALSE(runOp(clean, op, path)) << kOpNames[int(op)];
  expected = tableOf(clean);
  const int64_t calls = inj.calls;
  for (int64_t k = 1; k <= calls; ++k)
    for (Injector::Mode mode : kModes) {
      Control c;
      c.settext(2, 2, "kept");
      const TableCopy before = tableOf(c);
      bool failed = false;
      if (!inj.spoil(k, mode, [&] { return runOp(c, op, path); }, failed, tally)) continue;
      const std::string where = std::string(kOpNames[int(op)]) + ", table " + std::to_string(kind) + ", call " +
                                std::to_string(k) + " (" + inj.hitName + ")";
      const TableCopy after = tableOf(c);
      if (failed && !(after == before)) tally.problem(where + ": a failed read changed the table");
      if (!failed && !(after == expected)) tally.problem(where + ": the table is not the file's, and nobody was told");
      if (const Failure f = checkInvariants(c); unexpected(f)) tally.problem(where + ": " + f.check + ": " + f.detail);
    }
}

TEST(InjectedIoFaults, EveryCallFailsInTurnWithoutHarm) {
  Tally tally;
  for (int kind = 0; kind < kTableKinds; ++kind) {
    for (Op op : {Op::SaveTxt, Op::SaveXls, Op::Export})
      for (Target target : {Target::Missing, Target::Present, Target::HardLinked, Target::SymbolicLink})
        runSave(op, kind, target, tally);
    for (Op op : {Op::OpenTxt, Op::Import}) runOpen(op, kind, tally);
  }
  std::cout << tally.faults << " injected faults, " << tally.known << " violations of known faults\n";
  EXPECT_GE(tally.faults, 2000);
  std::ostringstream all;
  for (const std::string& p : tally.problems) all << p << "\n";
  EXPECT_TRUE(tally.problems.empty()) << all.str();
}

}  // namespace
}  // namespace tablique::harness
