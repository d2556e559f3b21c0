// Whole-file reading and safe writing.
#include "files/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "files/file_error.h"

namespace tablique::files {

namespace {

const FileSystemCalls& sys() { return fileSystemCalls(); }

std::string systemReason(int err) { return std::strerror(err); }

// The reason of a failed call in the user's words.
std::string userReason(int err) {
  switch (err) {
    case ENOENT: return "不存在";
    case EACCES:
    case EPERM: return "没有权限";
    case ENOSPC:
    case EDQUOT: return "磁盘空间不足";
    case EROFS: return "位于只读磁盘";
    case ENAMETOOLONG: return "名称太长";
    case EIO: return "磁盘读写出错";
    default: return std::string("系统错误（") + systemReason(err) + "）";
  }
}

[[noreturn]] void failCall(const std::string& path, const char* doing, const char* userDoing, int err) {
  failFile(path, std::string(doing) + ": " + systemReason(err), std::string(userDoing) + userReason(err) + "！");
}

// Closes a descriptor on every path out.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) sys().close(fd);
  }
  int release() {
    int f = fd;
    fd = -1;
    return f;
  }
};

// Writes all of `bytes` at the descriptor's offset; 0 or the errno of the failure.
int writeAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = sys().write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return ENOSPC;
    done += size_t(n);
  }
  return 0;
}

// Reads from the descriptor to the end, at most `limit` + 1 bytes; 0 or the errno.
int readAll(int fd, std::string& data, size_t sizeHint, size_t limit) {
  data.resize(std::min(sizeHint, limit + 1));
  size_t got = 0;
  for (;;) {
    if (got == data.size()) {
      if (data.size() >= limit + 1) break;  // the file has grown past the limit
      data.resize(std::min(limit + 1, data.size() + 65536));
    }
    const ssize_t n = sys().read(fd, data.data() + got, data.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) break;
    got += size_t(n);
  }
  data.resize(got);
  return 0;
}

// The file `path` names after its symbolic links are followed.
std::string resolveLinks(const std::string& path) {
  std::string target = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st {};
    if (sys().lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    std::string link(4096, '\0');
    const ssize_t n = sys().readlink(target.c_str(), link.data(), link.size());
    if (n < 0) failCall(path, "cannot follow the symbolic link", "无法保存：链接无法读取，", errno);
    link.resize(size_t(n));
    if (link.empty() || link[0] != '/') {
      const size_t slash = target.rfind('/');
      link.insert(0, slash == std::string::npos ? std::string() : target.substr(0, slash + 1));
    }
    target = std::move(link);
  }
  failFile(path, "too many levels of symbolic links", "的链接层数过多，无法保存！");
}

// Overwrites the regular file `target` (checked as `st`) in place and cuts it to size; a failure
// writes the old bytes back.
void writeInPlace(const std::string& path, const std::string& target, const struct stat& st,
                  std::string_view bytes) {
  Descriptor f;
  f.fd = sys().open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0);
  if (f.fd < 0) failCall(path, "cannot open for writing", "无法保存：", errno);
  struct stat now {};
  if (sys().fstat(f.fd, &now) != 0) failCall(path, "cannot examine", "无法保存：", errno);
  if (!S_ISREG(now.st_mode) || now.st_ino != st.st_ino || now.st_dev != st.st_dev)
    failFile(path, "the file changed while it was being saved", "在保存时被其他程序改变，未保存！");
  std::string old;
  if (const int err = readAll(f.fd, old, size_t(now.st_size), size_t(-2)))
    failCall(path, "cannot read the old content", "无法保存：", err);

  auto replace = [&](std::string_view content) -> int {
    if (sys().lseek(f.fd, 0, SEEK_SET) < 0) return errno;
    if (const int err = writeAll(f.fd, content)) return err;
    if (sys().ftruncate(f.fd, off_t(content.size())) != 0) return errno;
    if (sys().fsync(f.fd) != 0) return errno;
    return 0;
  };
  if (const int err = replace(bytes)) {
    if (replace(old) == 0) failCall(path, "write error (the old content was written back)", "无法保存（原文件未改变）：", err);
    failCall(path, "write error; the old content could not be written back", "保存失败，原内容也未能恢复：", err);
  }
  if (sys().close(f.release()) != 0) {
    // The descriptor is gone and the new bytes may be in the file: write the old ones back
    // through a new descriptor, if it is still the same file.
    const int err = errno;
    f.fd = sys().open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0);
    bool restored = f.fd >= 0 && sys().fstat(f.fd, &now) == 0 && S_ISREG(now.st_mode) &&
                    now.st_ino == st.st_ino && now.st_dev == st.st_dev && replace(old) == 0;
    if (f.fd >= 0) restored = sys().close(f.release()) == 0 && restored;
    if (restored) failCall(path, "cannot close (the old content was written back)", "无法保存（原文件未改变）：", err);
    failCall(path, "cannot close; the old content could not be written back", "保存失败，原内容也未能恢复：", err);
  }
}

// A new file beside `target` with a short name; -1 with errno when the folder refuses it.
int makeTemporary(const std::string& target, std::string& name) {
  const size_t slash = target.rfind('/');
  name = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".tq-XXXXXX";
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  const int fd = sys().mkstemp(buf.data());
  name = buf.data();
  return fd;
}

}  // namespace

FileSystemCalls defaultFileSystemCalls() {
  return {
      [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
      [](int fd) { return ::fsync(fd); },
      [](const char* from, const char* to) { return ::rename(from, to); },
      [](const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); },
      [](int fd, void* data, size_t size) { return ::read(fd, data, size); },
      [](int fd) { return ::close(fd); },
      [](int fd, struct stat* st) { return ::fstat(fd, st); },
      [](const char* path, struct stat* st) { return ::lstat(path, st); },
      [](const char* path, char* buf, size_t size) { return ::readlink(path, buf, size); },
      [](const char* path, int mode) { return ::access(path, mode); },
      [](char* nameTemplate) { return ::mkostemp(nameTemplate, O_CLOEXEC); },
      [](const char* path) { return ::unlink(path); },
      [](int fd, mode_t mode) { return ::fchmod(fd, mode); },
      [](int fd, uid_t owner, gid_t group) { return ::fchown(fd, owner, group); },
      [](int fd, off_t size) { return ::ftruncate(fd, size); },
      [](int fd, off_t offset, int whence) { return ::lseek(fd, offset, whence); },
  };
}

FileSystemCalls& fileSystemCalls() {
  static FileSystemCalls calls = defaultFileSystemCalls();
  return calls;
}

std::string readWholeFile(const std::string& path, size_t limit) {
  if (path.empty()) failFile(path, "no file name", "没有文件名！");
  Descriptor f;
  // Not blocking: a named pipe is opened without waiting for a writer, then refused.
  f.fd = sys().open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0);
  if (f.fd < 0) failCall(path, "cannot open", "无法打开：", errno);
  struct stat st {};
  if (sys().fstat(f.fd, &st) != 0) failCall(path, "cannot read", "无法读取：", errno);
  if (S_ISDIR(st.st_mode)) failFile(path, "is a folder, not a file", "是文件夹，不是文件！");
  if (!S_ISREG(st.st_mode)) failFile(path, "is not a regular file", "不是普通文件，无法打开！");
  const auto tooLarge = [&] {
    failFile(path, "the file is too large (" + std::to_string(st.st_size) + " bytes)", "太大，无法打开！");
  };
  if (size_t(st.st_size) > limit) tooLarge();
  std::string data;
  if (const int err = readAll(f.fd, data, size_t(st.st_size), limit)) failCall(path, "read error", "读取出错：", err);
  if (data.size() > limit) tooLarge();
  return data;
}

void writeFileAtomic(const std::string& path, std::string_view bytes) {
  if (path.empty()) failFile(path, "no file name", "没有文件名！");
  const std::string target = resolveLinks(path);
  struct stat st {};
  const bool exists = sys().lstat(target.c_str(), &st) == 0;
  if (!exists && errno != ENOENT) failCall(path, "cannot examine", "无法保存：", errno);
  if (exists) {
    if (S_ISDIR(st.st_mode)) failFile(path, "is a folder, not a file", "是文件夹，不是文件！");
    if (!S_ISREG(st.st_mode)) failFile(path, "is not a regular file", "不是普通文件，无法保存！");
    if (sys().access(target.c_str(), W_OK) != 0)
      failCall(path, "the file may not be written", "是只读文件或不可写入：", errno);
    if (st.st_nlink > 1) return writeInPlace(path, target, st, bytes);
  }

  std::string tmp;
  Descriptor f;
  f.fd = makeTemporary(target, tmp);
  if (f.fd < 0) {
    if (exists) return writeInPlace(path, target, st, bytes);
    failCall(path, "cannot create", "无法创建：", errno);
  }
  auto drop = [&] {
    if (f.fd >= 0) sys().close(f.release());
    sys().unlink(tmp.c_str());
  };
  auto abandon = [&](const char* doing, const char* userDoing, int err) {
    drop();
    failCall(path, doing, userDoing, err);
  };

  // The new file gets the old file's owner, group and permissions, or the usual ones of a new
  // file. Where the owner cannot be given (a file of another user), the old file is overwritten.
  mode_t mode;
  if (exists) {
    mode = st.st_mode & 07777;
    struct stat mine {};
    const bool sameOwner = sys().fstat(f.fd, &mine) == 0 && mine.st_uid == st.st_uid && mine.st_gid == st.st_gid;
    if (!sameOwner && sys().fchown(f.fd, st.st_uid, st.st_gid) != 0) {
      drop();
      return writeInPlace(path, target, st, bytes);
    }
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  if (sys().fchmod(f.fd, mode) != 0) abandon("cannot set the permissions", "无法保存：", errno);
  if (const int err = writeAll(f.fd, bytes)) abandon("write error", "无法保存：", err);
  if (sys().fsync(f.fd) != 0) abandon("cannot flush", "无法保存：", errno);
  if (sys().close(f.release()) != 0) abandon("cannot close", "无法保存：", errno);
  if (sys().rename(tmp.c_str(), target.c_str()) != 0) abandon("cannot replace", "无法保存：", errno);
}

std::string programDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

}  // namespace tablique::files
