// tablique-demo: the control on a window. With --screenshot PATH it runs a short scripted
// session, writes a PNG of the window to PATH, prints the path and exits.
#include <QAbstractScrollArea>
#include <QApplication>
#include <QCommandLineParser>
#include <QMouseEvent>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QPixmap>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

#include "demo_window.h"

namespace {

// Values in a few columns, a column formula, statistics of column 1 and a sort.
void scriptedSession(DemoWindow& window) {
  tablique::Control& c = window.control();
  const char* amounts[] = {"12.5", "8", "15.25", "9.75", "11", "14", "7.5", "10"};
  const char* counts[] = {"3", "5", "2", "4", "6", "1", "8", "2"};
  for (int i = 0; i < 8; ++i) {
    c.settext(i + 1, 1, amounts[i]);
    c.settext(i + 1, 2, counts[i]);
  }
  c.formuset(3, "C1*C2");
  c.update(3);
  c.setcolw(5, 45.0f);
  c.statis(5);  // the anchor column after start-up is column 1
  c.settext(1, 7, "单价与数量");
  c.settext(2, 7, "C3 = C1*C2");
  c.setcolw(7, 30.0f);
  c.mouseset(4, 3);
}

// A left-button drag from (1, 1) to (8, 2), as the user makes it: the selection and a logged
// MouseDown event show in the picture.
void scriptedDrag(DemoWindow& window) {
  QWidget* viewport = window.grid()->gridView()->viewport();
  auto send = [viewport](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, at, viewport->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(viewport, &e);
  };
  const QPoint from = window.grid()->cellRect(1, 1).center(), to = window.grid()->cellRect(8, 2).center();
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tablique-demo"));
  // Qt's own texts (standard dialogs, context menus) in the system's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  QCommandLineParser parser;
  parser.addHelpOption();
  QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                QStringLiteral("Run a short scripted session, write a PNG of the window to <path> and exit."),
                                QStringLiteral("path"));
  parser.addOption(screenshot);
  parser.process(app);

  DemoWindow window;
  window.resize(1100, 720);
  window.show();
  if (!parser.isSet(screenshot)) return app.exec();

  const QString path = parser.value(screenshot);
  int status = 0;
  window.run(QStringLiteral("scripted session"), [&] { scriptedSession(window); });
  QTimer::singleShot(0, [&] {
    QApplication::processEvents();
    scriptedDrag(window);
    QApplication::processEvents();
    window.updateStatus();
    if (!window.grab().save(path, "PNG")) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      status = 1;
    } else {
      std::printf("%s\n", qPrintable(path));
    }
    app.quit();
  });
  app.exec();
  return status;
}
