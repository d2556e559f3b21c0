// Placeholder bodies until sorting and statistics land; this file is removed then.
#include <tablique/control.h>

namespace tablique {
void Control::psort(const script::Value&) {}
void Control::statis(int32_t) {}
void Control::hsort(std::vector<double>&, bool) {}
}  // namespace tablique
