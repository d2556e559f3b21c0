// A Qt host: the control on a window.
#include <tablique/widget.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  tablique::Widget widget;
  widget.control().settext(1, 1, "x");
  widget.resize(400, 300);
  widget.show();
  return widget.control().gettext(1, 1) == "x" ? 0 : 1;
}
