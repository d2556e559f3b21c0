// Placeholder bodies until the file commands land; this file is removed then.
#include <tablique/control.h>

namespace tablique {
void Control::savetxt() {}
void Control::opentxt() {}
void Control::savexls() {}
void Control::expspare() {}
void Control::dataexp() {}
void Control::datainp() {}
}  // namespace tablique
