// The Designer plugin of tablique::Widget.
#include "designer_plugin.h"

#include <QIcon>

#include <tablique/widget.h>

namespace tablique::qt {

DesignerPlugin::DesignerPlugin(QObject* parent) : QObject(parent) {}

QString DesignerPlugin::name() const { return QStringLiteral("tablique::Widget"); }
QString DesignerPlugin::group() const { return QStringLiteral("tablique"); }
QString DesignerPlugin::toolTip() const { return QStringLiteral("表格控件"); }
QString DesignerPlugin::whatsThis() const {
  return QStringLiteral("电子表格式的表格控件：单元格文本、列公式、复制粘贴、文件导入导出。");
}
QString DesignerPlugin::includeFile() const { return QStringLiteral("tablique/widget.h"); }
QIcon DesignerPlugin::icon() const { return {}; }
bool DesignerPlugin::isContainer() const { return false; }
QWidget* DesignerPlugin::createWidget(QWidget* parent) { return new Widget(parent); }
bool DesignerPlugin::isInitialized() const { return initialized_; }
void DesignerPlugin::initialize(QDesignerFormEditorInterface*) { initialized_ = true; }

QString DesignerPlugin::domXml() const {
  return QStringLiteral(
      "<ui language=\"c++\">\n"
      " <widget class=\"tablique::Widget\" name=\"grid\">\n"
      "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>480</width><height>320</height></rect></property>\n"
      " </widget>\n"
      "</ui>\n");
}

}  // namespace tablique::qt
