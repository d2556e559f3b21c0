// The widget tests on a real X server (xcb platform). The same program also serves as the
// other X client of the clipboard tests:
//   --print-clipboard        prints the X clipboard's text and exits
//   --serve-clipboard TEXT   owns the X clipboard with TEXT until another client takes it
#include <QApplication>
#include <QClipboard>
#include <QTimer>

#include <cstdio>
#include <cstring>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "xcb");
  QApplication app(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "--print-clipboard") == 0) {
    const QByteArray text = QGuiApplication::clipboard()->text().toUtf8();
    std::fwrite(text.data(), 1, size_t(text.size()), stdout);
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "--serve-clipboard") == 0) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QString::fromUtf8(argv[2]));
    QObject::connect(clipboard, &QClipboard::dataChanged, &app, [clipboard] {
      if (!clipboard->ownsClipboard()) QApplication::quit();
    });
    QTimer::singleShot(20000, &app, &QApplication::quit);  // never outlives a test run
    std::puts("serving");
    std::fflush(stdout);
    return app.exec();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
