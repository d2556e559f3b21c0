// Clipboard text pasted at (3, 2) of the small table.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tablique::fuzz;
  static Bench bench;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tablique::Control& c = bench.fresh();
  bench.platform.setClipboardText(std::string(text));
  c.mouseset(3, 2);
  attempt([&] { c.m_paste(); });
  require(tablique::harness::checkInvariants(c), text);
  return 0;
}
