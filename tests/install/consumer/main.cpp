// A batch host: builds a table, reads it back, prints what it saw.
#include <tablique/control.h>

#include <cstdio>

int main() {
  tablique::Control control;
  control.rowcol(10, 3);
  control.settext(2, 1, "21");
  control.addrow(5);
  control.setcolw(2, 30.0f);
  std::printf("%d %d %s %s\n", control.rows(), control.cols(), control.gettext(2, 1).c_str(),
              control.gettext(0, 3).c_str());
  return control.rows() == 15 && control.gettext(2, 1) == "21" ? 0 : 1;
}
