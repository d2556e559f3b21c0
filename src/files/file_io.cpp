// Whole-file reading and atomic writing.
#include "files/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include <tablique/error.h>

namespace tablique::files {

namespace {

[[noreturn]] void fail(const std::string& path, const std::string& reason) {
  throw Error(ErrorCode::File, path + ": " + reason);
}

std::string systemReason(int err) { return std::strerror(err); }

// Closes a descriptor on every path out.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
  int release() {
    int f = fd;
    fd = -1;
    return f;
  }
};

}  // namespace

FileSystemCalls defaultFileSystemCalls() {
  return {
      [](int fd, const void* data, size_t size) { return ::write(fd, data, size); },
      [](int fd) { return ::fsync(fd); },
      [](const char* from, const char* to) { return ::rename(from, to); },
  };
}

FileSystemCalls& fileSystemCalls() {
  static FileSystemCalls calls = defaultFileSystemCalls();
  return calls;
}

std::string readWholeFile(const std::string& path, size_t limit) {
  if (path.empty()) fail(path, "no file name");
  Descriptor f;
  f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (f.fd < 0) fail(path, "cannot open: " + systemReason(errno));
  struct stat st {};
  if (::fstat(f.fd, &st) != 0) fail(path, "cannot read: " + systemReason(errno));
  if (S_ISDIR(st.st_mode)) fail(path, "is a folder, not a file");
  if (!S_ISREG(st.st_mode)) fail(path, "is not a regular file");
  if (size_t(st.st_size) > limit) fail(path, "the file is too large (" + std::to_string(st.st_size) + " bytes)");
  std::string data;
  data.resize(size_t(st.st_size));
  size_t got = 0;
  for (;;) {
    if (got == data.size()) {
      // The file may have grown since fstat: read on until the end, within the limit.
      if (data.size() >= limit + 1) fail(path, "the file is too large");
      data.resize(std::min(limit + 1, data.size() + 65536));
    }
    const ssize_t n = ::read(f.fd, data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(path, "read error: " + systemReason(errno));
    }
    if (n == 0) break;
    got += size_t(n);
  }
  if (got > limit) fail(path, "the file is too large");
  data.resize(got);
  return data;
}

void writeFileAtomic(const std::string& path, std::string_view bytes) {
  if (path.empty()) fail(path, "no file name");
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::is_directory(fs::path(path), ec)) fail(path, "is a folder, not a file");

  std::string tmpl = path + ".tmp-XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  Descriptor f;
  f.fd = ::mkstemp(name.data());
  if (f.fd < 0) fail(path, "cannot create: " + systemReason(errno));
  const std::string tmp(name.data());
  auto abandon = [&](const std::string& reason) {
    if (f.fd >= 0) ::close(f.release());
    ::unlink(tmp.c_str());
    fail(path, reason);
  };

  // The new file gets the old file's permissions, or the usual ones for a new file.
  struct stat old {};
  mode_t mode;
  if (::stat(path.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(f.fd, mode);

  const FileSystemCalls& calls = fileSystemCalls();
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = calls.write(f.fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      abandon("write error: " + systemReason(errno));
    }
    if (n == 0) abandon("write error: nothing written (disk full?)");
    done += size_t(n);
  }
  if (calls.fsync(f.fd) != 0) abandon("cannot flush: " + systemReason(errno));
  if (::close(f.release()) != 0) abandon("cannot close: " + systemReason(errno));
  if (calls.rename(tmp.c_str(), path.c_str()) != 0) abandon("cannot replace: " + systemReason(errno));
}

std::string programDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return exe.parent_path().string();
}

}  // namespace tablique::files
