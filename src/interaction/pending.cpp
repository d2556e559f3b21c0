// Placeholder bodies until the interaction handlers land; this file is removed then.
#include <tablique/control.h>

namespace tablique {
void Control::MSFlexGrid1_MouseDown(int16_t, int16_t, float, float) {}
void Control::MSFlexGrid1_MouseMove(int16_t, int16_t, float, float) {}
void Control::MSFlexGrid1_MouseUp(int16_t, int16_t, float, float) {}
void Control::MSFlexGrid1_KeyDown(int16_t, int16_t) {}
void Control::MSFlexGrid1_KeyUp(int16_t, int16_t) {}
void Control::MSFlexGrid1_Scroll() {}
void Control::glidbar1_Wheel(int16_t) {}
void Control::glidbar2_Wheel(int16_t) {}
void Control::Text1_GotFocus() {}
void Control::Text1_Change() {}
void Control::Text1_KeyDown(int16_t, int16_t) {}
void Control::Text1_KeyUp(int16_t, int16_t) {}
void Control::Text1_MouseDown(int16_t, int16_t, float, float) {}
void Control::Text1_MouseUp(int16_t, int16_t, float, float) {}
void Control::Text1_LostFocus() {}
}  // namespace tablique
