// Placeholder bodies until the formula engine lands; this file is removed then.
#include <tablique/control.h>

namespace tablique {
void Control::formuset(int32_t, std::string_view) {}
std::string Control::formuget(int32_t) { return {}; }
void Control::update(int32_t) {}
void Control::recalc() {}
void Control::focal() {}
}  // namespace tablique
