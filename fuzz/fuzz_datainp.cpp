// A tbq file imported into the small table, then exported again.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tablique::fuzz;
  static Bench bench;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  tablique::Control& c = bench.fresh();
  const std::string in = folder() + "/in.tbq";
  writeFile(in, bytes);
  bench.platform.file = in;
  attempt([&] { c.m_dainp(); });
  require(recordsAs(tablique::harness::checkInvariants(c), "imported-record"), bytes);
  bench.platform.file = folder() + "/out.tbq";
  attempt([&] { c.m_daexp(); });
  require(recordsAs(tablique::harness::checkInvariants(c), "imported-record"), bytes);
  return 0;
}
