// Whole-file reading and atomic writing, the only file access of the file commands.
//
// A save writes a temporary file beside the target (same folder, name "<target>.tmp-XXXXXX"),
// writes every byte, flushes it to the disk, closes it and renames it over the target. Any
// failure removes the temporary file and leaves the target as it was.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace tablique::files {

// The system calls behind writeFileAtomic, replaceable for tests that inject a full disk, a
// short write or a failing flush or rename. Each has the signature and error convention
// (-1 and errno) of the POSIX call it stands for.
struct FileSystemCalls {
  std::function<ssize_t(int fd, const void* data, size_t size)> write;
  std::function<int(int fd)> fsync;
  std::function<int(const char* from, const char* to)> rename;
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
// (missing, a directory, unreadable, larger than `limit` bytes).
std::string readWholeFile(const std::string& path, size_t limit = size_t(1) << 30);

// Replaces the file at `path` by `bytes` atomically (see above). Throws tablique::Error(File)
// naming the path and the reason.
void writeFileAtomic(const std::string& path, std::string_view bytes);

// The folder of the running program (the folder the file dialogs start in), "" if unknown.
std::string programDirectory();

}  // namespace tablique::files
