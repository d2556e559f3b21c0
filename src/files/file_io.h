// Whole-file reading and safe writing, the only file access of the file commands.
//
// A save goes to the file the chosen path names, through symbolic links. A target that exists
// must be a regular file the user may write; anything else is refused with the file unchanged.
// Normally a temporary file is written beside the target (same folder, short name), flushed to
// the disk, given the target's owner, group and permissions, and renamed over it. Where no such
// temporary can be made (a folder the user cannot write), its owner cannot be kept, or the
// target has several hard links, the target itself is overwritten and cut to size; a failure
// then writes the old bytes back. Reading refuses anything but a regular file without waiting
// (a named pipe is not opened for a blocking read).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tablique::files {

// Every system call of the file layer, replaceable for tests that inject faults (a full disk, a
// short write, a failing flush, rename or open). Each has the signature and error convention
// (-1 and errno) of the POSIX call it stands for.
struct FileSystemCalls {
  std::function<ssize_t(int fd, const void* data, size_t size)> write;
  std::function<int(int fd)> fsync;
  std::function<int(const char* from, const char* to)> rename;
  std::function<int(const char* path, int flags, mode_t mode)> open;
  std::function<ssize_t(int fd, void* data, size_t size)> read;
  std::function<int(int fd)> close;
  std::function<int(int fd, struct stat* st)> fstat;
  std::function<int(const char* path, struct stat* st)> lstat;
  std::function<ssize_t(const char* path, char* buf, size_t size)> readlink;
  std::function<int(const char* path, int mode)> access;
  std::function<int(char* nameTemplate)> mkstemp;
  std::function<int(const char* path)> unlink;
  std::function<int(int fd, mode_t mode)> fchmod;
  std::function<int(int fd, uid_t owner, gid_t group)> fchown;
  std::function<int(int fd, off_t size)> ftruncate;
  std::function<off_t(int fd, off_t offset, int whence)> lseek;
};

// The calls in use; tests assign to members and restore them (see ScopedFileSystemCalls).
FileSystemCalls& fileSystemCalls();
FileSystemCalls defaultFileSystemCalls();

// Restores the default calls when it goes out of scope.
struct ScopedFileSystemCalls {
  ScopedFileSystemCalls() = default;
  ~ScopedFileSystemCalls() { fileSystemCalls() = defaultFileSystemCalls(); }
  ScopedFileSystemCalls(const ScopedFileSystemCalls&) = delete;
  ScopedFileSystemCalls& operator=(const ScopedFileSystemCalls&) = delete;
};

// Reads the whole regular file. Throws tablique::Error(File) naming the path and the reason
// (missing, a folder, not a regular file, unreadable, larger than `limit` bytes).
std::string readWholeFile(const std::string& path, size_t limit = size_t(1) << 30);

// Replaces the content of the file at `path` by `bytes` (see above). Throws
// tablique::Error(File) naming the path and the reason; the file is then as it was.
void writeFileAtomic(const std::string& path, std::string_view bytes);

// The folder of the running program (the folder the file dialogs start in), "" if unknown.
std::string programDirectory();

}  // namespace tablique::files
