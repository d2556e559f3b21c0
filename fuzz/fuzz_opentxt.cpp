// A text file opened into the small table.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tablique::fuzz;
  static Bench bench;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tablique::Control& c = bench.fresh();
  const std::string path = folder() + "/in.txt";
  writeFile(path, bytes);
  bench.platform.file = path;
  attempt([&] { c.opentxt(); });
  require(tablique::harness::checkInvariants(c), bytes);
  return 0;
}
