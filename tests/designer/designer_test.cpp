// The Designer plugin as Designer, QUiLoader and uic use it: the plugin loads and creates the
// grid, its properties are editable, a form that holds the grid loads at run time and compiles
// through uic with the property values applied.
#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QThread>
#include <QTimer>
#include <QUiLoader>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <gtest/gtest.h>

#include <tablique/widget.h>

#include "ui_grid_form.h"

namespace {

QDesignerCustomWidgetInterface* loadPlugin(QPluginLoader& loader) {
  if (!loader.load()) {
    ADD_FAILURE() << loader.errorString().toStdString();
    return nullptr;
  }
  return qobject_cast<QDesignerCustomWidgetInterface*>(loader.instance());
}

TEST(DesignerPlugin, LoadsAndCreatesTheGridWithEditableProperties) {
  QPluginLoader loader(QStringLiteral(TABLIQUE_DESIGNER_PLUGIN));
  QDesignerCustomWidgetInterface* plugin = loadPlugin(loader);
  ASSERT_NE(plugin, nullptr);
  EXPECT_EQ(loader.metaData().value("IID").toString(), "org.qt-project.Qt.QDesignerCustomWidgetInterface");
  EXPECT_EQ(plugin->name(), "tablique::Widget");
  EXPECT_EQ(plugin->includeFile(), "tablique/widget.h");
  EXPECT_FALSE(plugin->isContainer());

  // The default form snippet is well-formed and names the same class.
  QXmlStreamReader xml(plugin->domXml());
  QString cls;
  while (!xml.atEnd())
    if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("widget"))
      cls = xml.attributes().value("class").toString();
  EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
  EXPECT_EQ(cls, plugin->name());

  QWidget parent;
  QWidget* grid = plugin->createWidget(&parent);
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(QString(grid->metaObject()->className()), plugin->name());
  EXPECT_EQ(grid->parent(), &parent);
  for (const char* name : {"pmenu", "initialRows", "initialCols"}) {
    const int k = grid->metaObject()->indexOfProperty(name);
    ASSERT_GE(k, 0) << name;
    EXPECT_TRUE(grid->metaObject()->property(k).isWritable()) << name;
    EXPECT_TRUE(grid->metaObject()->property(k).isDesignable()) << name;
  }
  EXPECT_EQ(grid->property("initialRows").toInt(), 500);
  EXPECT_EQ(grid->property("initialCols").toInt(), 50);
  EXPECT_TRUE(grid->property("pmenu").toBool());
  EXPECT_TRUE(grid->setProperty("initialRows", 12));
  EXPECT_TRUE(grid->setProperty("initialCols", 4));
  EXPECT_TRUE(grid->setProperty("pmenu", false));
  EXPECT_EQ(grid->property("initialRows").toInt(), 12);
  EXPECT_EQ(grid->property("initialCols").toInt(), 4);
  EXPECT_FALSE(grid->property("pmenu").toBool());
}

// The plugin's own widget class lives in the plugin; the form's values are read back through
// properties.
TEST(DesignerPlugin, QUiLoaderBuildsAFormWithTheGrid) {
  QUiLoader ui;
  ui.addPluginPath(QFileInfo(QStringLiteral(TABLIQUE_DESIGNER_PLUGIN)).absolutePath());
  EXPECT_TRUE(ui.availableWidgets().contains("tablique::Widget"));
  QFile form(QStringLiteral(TABLIQUE_FORM_UI));
  ASSERT_TRUE(form.open(QIODevice::ReadOnly));
  std::unique_ptr<QWidget> top(ui.load(&form));
  ASSERT_NE(top, nullptr) << ui.errorString().toStdString();
  QWidget* grid = top->findChild<QWidget*>("grid");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(QString(grid->metaObject()->className()), "tablique::Widget");
  EXPECT_EQ(grid->property("initialRows").toInt(), 7);
  EXPECT_EQ(grid->property("initialCols").toInt(), 3);
  EXPECT_FALSE(grid->property("pmenu").toBool());
}

TEST(DesignerPlugin, UicGeneratedCodeSetsUpTheGrid) {
  QWidget top;
  Ui::GridForm form;
  form.setupUi(&top);
  tablique::Control& c = form.grid->control();
  EXPECT_EQ(c.rows(), 7);
  EXPECT_EQ(c.cols(), 3);
  EXPECT_FALSE(c.pmenu());
  EXPECT_EQ(c.grid().TextMatrix(0, 3), "C3");  // a real table of that size, headers included
  EXPECT_EQ(c.grid().TextMatrix(7, 0), "7");
}

// Closes every message box that comes up while it lives and keeps its text.
class MessageBoxCloser {
public:
  MessageBoxCloser() {
    timer_.setInterval(10);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        texts.push_back(box->text().toStdString());
        box->done(QMessageBox::Ok);
      }
    });
    timer_.start();
  }
  std::vector<std::string> texts;

private:
  QTimer timer_;
};

// Generated code sets initialRows before initialCols, and QUiLoader sets them in the form's
// order: a size that fits the cell budget only with the form's other size (20000 rows with 10
// columns, not with the default 50) is set up in either order without a message; a size over
// the budget with both is told once the widget is shown.
TEST(DesignerPlugin, InitialSizesApplyTogetherInEitherOrder) {
  MessageBoxCloser closer;
  for (bool rowsFirst : {true, false}) {
    tablique::Widget grid;
    if (rowsFirst) {
      grid.setInitialRows(20000);
      grid.setInitialCols(10);
    } else {
      grid.setInitialCols(10);
      grid.setInitialRows(20000);
    }
    EXPECT_EQ(grid.control().rows(), 20000) << rowsFirst;
    EXPECT_EQ(grid.control().cols(), 10) << rowsFirst;
    grid.show();
    QApplication::processEvents();
  }
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
  EXPECT_TRUE(closer.texts.empty()) << closer.texts.front();

  QUiLoader ui;
  ui.addPluginPath(QFileInfo(QStringLiteral(TABLIQUE_DESIGNER_PLUGIN)).absolutePath());
  QByteArray xml = R"(<ui version="4.0"><widget class="QWidget" name="top">
      <widget class="tablique::Widget" name="grid">
      <property name="initialRows"><number>174973</number></property>
      <property name="initialCols"><number>1</number></property></widget></widget></ui>)";
  QBuffer buffer(&xml);
  std::unique_ptr<QWidget> top(ui.load(&buffer));
  ASSERT_NE(top, nullptr);
  QWidget* grid = top->findChild<QWidget*>("grid");  // the plugin's own copy of the class
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->property("initialRows").toInt(), 174973);
  EXPECT_EQ(grid->property("initialCols").toInt(), 1);

  // The host sets up the size the form asked for itself before the form shows: nothing to tell.
  tablique::Widget made;
  made.setInitialRows(100000);
  made.control().rowcol(100000, 2);
  made.show();
  for (int k = 0; k < 5; ++k) QApplication::processEvents();
  EXPECT_TRUE(closer.texts.empty()) << closer.texts.front();

  // Over the budget with both sizes: nothing changes, and the user is told when the form shows.
  tablique::Widget over;
  over.setInitialRows(100000);
  over.setInitialCols(4);
  EXPECT_EQ(over.control().rows(), 500);
  EXPECT_EQ(over.control().cols(), 50);
  over.show();
  for (int k = 0; k < 50 && closer.texts.empty(); ++k) {
    QApplication::processEvents();
    QThread::msleep(5);
  }
  ASSERT_EQ(closer.texts.size(), 1u);
  EXPECT_EQ(closer.texts[0], "行或列数超出，请重新设置！");
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
