// What every table fuzz target shares: a platform that answers each dialog the same way and
// keeps no record (one control serves millions of inputs), the small table each input starts
// from, and the invariants checked after each input. Refusals (tablique::Error) are normal
// outcomes; crashes, sanitizer reports, hangs and violated invariants are findings.
#pragma once

#include <tablique/control.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "harness/session.h"

namespace tablique::fuzz {

class QuietPlatform : public Platform {
public:
  std::optional<std::string> input, file;
  MessageAnswer messageBox(std::string_view, std::string_view, bool) override { return MessageAnswer::Ok; }
  std::optional<std::string> inputBox(std::string_view, std::string_view, std::string_view) override {
    return input;
  }
  std::optional<std::string> fileDialog(const FileDialogCall&) override { return file; }
  std::string clipboardText() const override { return clipboard_; }
  void clearClipboard() override { clipboard_.clear(); }
  void setClipboardText(std::string text) override { clipboard_ = std::move(text); }
  std::optional<std::string> popupMenu(const std::string&, const std::vector<MenuEntry>&, float, float) override {
    return std::nullopt;
  }
  void synthesizeKey(int keyCode) override {
    if (Control* c = control()) c->pressKey(int16_t(keyCode), 0);
  }

private:
  std::string clipboard_;
};

// A scratch folder of the process, in memory where the system has one (saves sync their files).
inline const std::string& folder() {
  static const std::string path = [] {
    char shm[] = "/dev/shm/tablique-fuzz-XXXXXX";
    if (mkdtemp(shm)) return std::string(shm);
    char tmp[] = "/tmp/tablique-fuzz-XXXXXX";
    return std::string(mkdtemp(tmp) ? tmp : "/tmp");
  }();
  return path;
}

inline void writeFile(const std::string& path, std::string_view bytes) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

// Brings c back to the same 12 x 6 table: everything cleared, numbers in C1 and C2, a column
// formula in C3 and a cell formula at (2, 4), the current cell (1, 1).
inline void reset(Control& c, QuietPlatform& p) {
  p.input.reset();
  p.file.reset();
  c.focusGrid();
  c.rowcol(12, 6);  // first, so that clearing costs the small table only
  c.m_clc();
  harness::prepare(c);
  c.mouseset(1, 1);
  c.clearUndo();  // each input starts with no history, as the control it stands for would
}

// A named control on a quiet platform, created once per process.
struct Bench {
  QuietPlatform platform;
  Control control{platform};
  Control& fresh() {
    reset(control, platform);
    return control;
  }
};

// A violated invariant that is not a known fault ends the run with its description.
inline void require(const harness::Failure& f, std::string_view input) {
  if (!harness::unexpected(f)) return;
  std::fprintf(stderr, "invariant %s violated: %s\ninput (%zu bytes)\n", f.check.c_str(), f.detail.c_str(),
               input.size());
  std::abort();
}

// A violated record check renamed after the cause the target knows (none: kept).
inline harness::Failure recordsAs(harness::Failure f, const char* check) {
  if (check && f.check.rfind("record-", 0) == 0) f.check = check;
  return f;
}

// Runs a command; only tablique::Error may leave it.
template <typename Command>
void attempt(Command command) {
  try {
    command();
  } catch (const Error&) {
  }
}

}  // namespace tablique::fuzz
