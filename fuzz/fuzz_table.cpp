// libFuzzer target for the text the control reads from outside: the input is pasted from the
// clipboard, opened as a text file and imported as a tbq file, each into a small table that
// holds formulas, and the result is exported again. Refusals (tablique::Error) are normal
// outcomes; crashes, sanitizer reports and hangs are findings.
#include <tablique/control.h>

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// A 12 x 6 table with numbers, a column formula and a cell formula.
void prepare(tablique::Control& c) {
  c.rowcol(12, 6);
  for (int r = 1; r <= 6; ++r) {
    c.settext(r, 1, std::to_string(r));
    c.settext(r, 2, std::to_string(r * 3) + ".5");
  }
  c.formuset(3, "C1*C2");
  c.mouseset(2, 4);
  c.formuset(4, "=C1+C3");
  c.update(3);
}

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = [] {
    char name[] = "/tmp/tablique-fuzz-XXXXXX";
    return std::string(mkdtemp(name) ? name : "/tmp");
  }();
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string in = folder + "/in", out = folder + "/out";
  writeFile(in, data, size);

  tablique::Control c;
  prepare(c);
  try {  // the clipboard
    c.headless().setClipboardText(text);
    c.mouseset(3, 2);
    c.m_paste();
  } catch (const tablique::Error&) {
  }
  prepare(c);
  try {  // a text file
    c.headless().queueFile(in);
    c.opentxt();
  } catch (const tablique::Error&) {
  }
  prepare(c);
  try {  // a tbq file, then the table exported again
    c.headless().queueFile(in);
    c.m_dainp();
    c.headless().queueFile(out);
    c.m_daexp();
  } catch (const tablique::Error&) {
  }
  return 0;
}
