// The one failure of the file layer: Error(File) naming the file, in English for the host
// developer and in Chinese for the user.
#pragma once

#include <string>
#include <string_view>

#include <tablique/error.h>

namespace tablique::files {

// Throws Error(File, "<path>: <reason>", "文件“<path>”<userReason>").
[[noreturn]] inline void failFile(std::string_view path, const std::string& reason,
                                  const std::string& userReason) {
  std::string user = "文件“";
  user += path;
  user += "”";
  user += userReason;
  throw Error(ErrorCode::File, std::string(path) + ": " + reason, std::move(user));
}

}  // namespace tablique::files
