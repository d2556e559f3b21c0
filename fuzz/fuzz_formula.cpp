// The formula command: the first line is the formula typed into the input box, the following
// lines are the texts of C1 and C2 (separated by a TAB) of rows 1, 2, ...; the command runs at
// (1, 5) and its result column is recomputed with update.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tablique::fuzz;
  static Bench bench;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tablique::Control& c = bench.fresh();
  size_t end = text.find('\n');
  const std::string_view formula = text.substr(0, end);
  for (int32_t r = 1; end != std::string_view::npos && r <= 12; ++r) {
    const size_t start = end + 1;
    end = text.find('\n', start);
    const std::string_view line = text.substr(start, end == std::string_view::npos ? end : end - start);
    const size_t tab = line.find('\t');
    c.settext(r, 1, line.substr(0, tab));
    if (tab != std::string_view::npos) c.settext(r, 2, line.substr(tab + 1));
  }
  bench.platform.input = std::string(formula);
  c.mouseset(1, 5);
  // A typed ";" ends a stored piece; the record check then names that fault.
  const char* cut = formula.find(';') != std::string_view::npos ? "formula-semicolon" : nullptr;
  attempt([&] { c.m_focal(); });
  require(recordsAs(tablique::harness::checkInvariants(c), cut), text);
  attempt([&] { c.update(5); });
  require(recordsAs(tablique::harness::checkInvariants(c), cut), text);
  return 0;
}
