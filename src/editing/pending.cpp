// Placeholder bodies until the editing commands land; this file is removed then.
#include <tablique/control.h>

namespace tablique {
void Control::copysel() {}
void Control::pastesel() {}
void Control::delsel() {}
void Control::cutsel() {}
void Control::cleartab() {}
void Control::rowins() {}
void Control::rowdel() {}
void Control::rowup() {}
void Control::rowdown() {}
void Control::colins() {}
void Control::coldel() {}
void Control::colleft() {}
void Control::colright() {}
void Control::trans() {}
}  // namespace tablique
