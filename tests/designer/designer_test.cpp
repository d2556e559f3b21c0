// The Designer plugin as Designer, QUiLoader and uic use it: the plugin loads and creates the
// grid, its properties are editable, a form that holds the grid loads at run time and compiles
// through uic with the property values applied.
#include <QApplication>
#include <QBuffer>
#include <QFileInfo>
#include <QMetaProperty>
#include <QPluginLoader>
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

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
