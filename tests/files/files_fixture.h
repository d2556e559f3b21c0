// Shared helpers of the file tests: a temporary folder, whole-file bytes, a snapshot of the
// table to prove that a failed command changed nothing, a file that vanishes after the dialog.
// The control's invariants come with the driver.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <tablique/control.h>

#include "support/driver.h"

namespace tablique::testing {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = fs::temp_directory_path() /
            ("tablique-files-" + std::to_string(::getpid()) + "-" + std::to_string(stamp) + "-" +
             std::to_string(counter++));
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  const fs::path& path() const { return path_; }

private:
  fs::path path_;
};

inline std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), std::streamsize(bytes.size()));
}

// Everything a file command may change: cells (headers included), records, sizes.
struct TableSnapshot {
  int32_t rows = 0, cols = 0;
  std::vector<std::string> cells;
  std::vector<std::string> records;
  std::vector<int32_t> widths, heights;
  bool operator==(const TableSnapshot&) const = default;
};

inline TableSnapshot snapshot(const Control& c) {
  TableSnapshot s;
  const Grid& g = c.grid();
  s.rows = g.Rows();
  s.cols = g.Cols();
  for (int32_t i = 0; i < g.Rows(); ++i)
    for (int32_t j = 0; j < g.Cols(); ++j) s.cells.push_back(g.TextMatrix(i, j));
  s.records = c.state().colFormula;
  for (int32_t j = 0; j < g.Cols(); ++j) s.widths.push_back(g.ColWidth(j));
  for (int32_t i = 0; i < g.Rows(); ++i) s.heights.push_back(g.RowHeight(i));
  return s;
}

// A platform whose open dialog answers with a file it removes first, as another program might
// between the dialog and the read.
class VanishingFilePlatform : public HeadlessPlatform {
public:
  std::optional<std::string> fileDialog(const FileDialogCall& call) override {
    std::optional<std::string> answer = HeadlessPlatform::fileDialog(call);
    if (answer) fs::remove(*answer);
    return answer;
  }
};

// Expects `f` to throw tablique::Error with ErrorCode::File whose message names `path`.
template <typename F>
void expectFileError(F&& f, const std::string& path) {
  try {
    f();
    ADD_FAILURE() << "no error thrown for " << path;
  } catch (const Error& e) {
    EXPECT_EQ(e.code(), ErrorCode::File) << e.what();
    EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
  }
}

}  // namespace tablique::testing
