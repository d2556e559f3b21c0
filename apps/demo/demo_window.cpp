#include "demo_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <optional>
#include <utility>

namespace {

// A small dialog asking for one or two whole numbers; nullopt on Cancel.
std::optional<std::pair<int, int>> askNumbers(QWidget* parent, const QString& title, const QString& first,
                                              int firstValue, const QString& second = {}, int secondValue = 0) {
  QDialog dialog(parent);
  dialog.setWindowTitle(title);
  auto* form = new QFormLayout(&dialog);
  auto* a = new QSpinBox(&dialog);
  a->setRange(-1000000, 1000000);
  a->setValue(firstValue);
  form->addRow(first, a);
  QSpinBox* b = nullptr;
  if (!second.isEmpty()) {
    b = new QSpinBox(&dialog);
    b->setRange(-1000000, 1000000);
    b->setValue(secondValue);
    form->addRow(second, b);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return std::make_pair(a->value(), b ? b->value() : 0);
}

// Qt's static dialog helpers label their buttons in the system's language; the demo's own
// dialogs say 确定 and 取消, as the control's do.
void chineseButtons(QInputDialog& dialog) {
  dialog.setOkButtonText(QStringLiteral("确定"));
  dialog.setCancelButtonText(QStringLiteral("取消"));
}

int getInt(QWidget* parent, const QString& title, const QString& label, int value, int min, int max, int step,
           bool* ok) {
  QInputDialog dialog(parent);
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setInputMode(QInputDialog::IntInput);
  dialog.setIntRange(min, max);
  dialog.setIntStep(step);
  dialog.setIntValue(value);
  chineseButtons(dialog);
  *ok = dialog.exec() == QDialog::Accepted;
  return dialog.intValue();
}

double getDouble(QWidget* parent, const QString& title, const QString& label, double value, double min,
                 double max, int decimals, bool* ok) {
  QInputDialog dialog(parent);
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setInputMode(QInputDialog::DoubleInput);
  dialog.setDoubleRange(min, max);
  dialog.setDoubleDecimals(decimals);
  dialog.setDoubleValue(value);
  chineseButtons(dialog);
  *ok = dialog.exec() == QDialog::Accepted;
  return dialog.doubleValue();
}

QString getText(QWidget* parent, const QString& title, const QString& label, QLineEdit::EchoMode, const QString& text,
                bool* ok) {
  QInputDialog dialog(parent);
  dialog.setWindowTitle(title);
  dialog.setLabelText(label);
  dialog.setTextValue(text);
  chineseButtons(dialog);
  *ok = dialog.exec() == QDialog::Accepted;
  return dialog.textValue();
}

void showMessage(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text) {
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

}  // namespace

DemoWindow::DemoWindow(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("tablique 演示"));
  grid_ = new tablique::Widget(this);
  setCentralWidget(grid_);

  log_ = new QPlainTextEdit(this);
  log_->setReadOnly(true);
  log_->setMaximumBlockCount(500);
  auto* dock = new QDockWidget(QStringLiteral("MouseDown 事件"), this);
  dock->setWidget(log_);
  dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
  addDockWidget(Qt::BottomDockWidgetArea, dock);
  resizeDocks({dock}, {90}, Qt::Vertical);

  status_ = new QLabel(this);
  statusBar()->addWidget(status_, 1);

  connect(grid_, &tablique::Widget::mouseDown, this, [this](int button, int shift, float x, float y) {
    log(QStringLiteral("MouseDown  Button=%1  Shift=%2  X=%3  y=%4  (行 %5, 列 %6)")
            .arg(button).arg(shift).arg(double(x)).arg(double(y))
            .arg(control().grid().MouseRow()).arg(control().grid().MouseCol()));
  });

  // A failing command has shown its message already; the host keeps a record of it.
  connect(grid_, &tablique::Widget::commandFailed, this, [this](const QString& text) {
    toldFailure_ = true;
    log(QStringLiteral("命令失败: %1").arg(text));
  });

  buildMenus();
  buildCellBox();
  // The selection follows the mouse inside the control; the status line polls it.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, &DemoWindow::updateStatus);
  timer->start(200);
  updateStatus();
}

void DemoWindow::log(const QString& line) { log_->appendPlainText(line); }

void DemoWindow::run(const QString& what, const std::function<void()>& call) {
  toldFailure_ = false;
  try {
    call();
  } catch (const std::exception& e) {
    log(QStringLiteral("%1 失败: %2").arg(what, QString::fromUtf8(e.what())));
    // Failures the control did not tell the user itself (an index out of range, say).
    if (!toldFailure_)
      showMessage(this, QMessageBox::Warning, what,
                  QStringLiteral("%1 未能完成。\n%2").arg(what, QString::fromUtf8(e.what())));
  }
  updateStatus();
}

void DemoWindow::updateStatus() {
  tablique::Control& c = control();
  status_->setText(QStringLiteral("行数 %1   列数 %2   选区 rr0=%3  cc0=%4  RR=%5  cc=%6   当前单元格 (%7, %8)")
                       .arg(c.rows()).arg(c.cols()).arg(c.rr0()).arg(c.cc0()).arg(c.RR()).arg(c.cc())
                       .arg(c.grid().Row()).arg(c.grid().Col()));
}

void DemoWindow::buildMenus() {
  tablique::Control& c = control();

  QMenu* table = menuBar()->addMenu(QStringLiteral("表格(&T)"));
  table->addAction(QStringLiteral("设置行列数 rowcol..."), this, [this, &c] {
    if (auto v = askNumbers(this, QStringLiteral("rowcol"), QStringLiteral("数据行数"), c.rows(),
                            QStringLiteral("数据列数"), c.cols()))
      run(QStringLiteral("rowcol"), [&] { c.rowcol(v->first, v->second); });
  });
  table->addAction(QStringLiteral("增加行 addrow..."), this, [this, &c] {
    if (auto v = askNumbers(this, QStringLiteral("addrow"), QStringLiteral("增加的行数"), 10))
      run(QStringLiteral("addrow"), [&] { c.addrow(v->first); });
  });
  table->addAction(QStringLiteral("增加列 addcol..."), this, [this, &c] {
    if (auto v = askNumbers(this, QStringLiteral("addcol"), QStringLiteral("增加的列数"), 1))
      run(QStringLiteral("addcol"), [&] { c.addcol(v->first); });
  });
  table->addSeparator();
  table->addAction(QStringLiteral("列宽 setcolw..."), this, [this, &c] {
    bool ok = false;
    const int col = getInt(this, QStringLiteral("setcolw"), QStringLiteral("列号"), c.cc0(), -1000000, 1000000, 1, &ok);
    if (!ok) return;
    const double mm = getDouble(this, QStringLiteral("setcolw"), QStringLiteral("列宽 (毫米)"), 20.11, -1e6, 1e6, 2, &ok);
    if (ok) run(QStringLiteral("setcolw"), [&] { c.setcolw(col, float(mm)); });
  });
  table->addAction(QStringLiteral("行高 setrowh..."), this, [this, &c] {
    bool ok = false;
    const int row = getInt(this, QStringLiteral("setrowh"), QStringLiteral("行号"), c.rr0(), -1000000, 1000000, 1, &ok);
    if (!ok) return;
    const double mm = getDouble(this, QStringLiteral("setrowh"), QStringLiteral("行高 (毫米)"), 5.03, -1e6, 1e6, 2, &ok);
    if (ok) run(QStringLiteral("setrowh"), [&] { c.setrowh(row, float(mm)); });
  });
  table->addSeparator();
  QAction* pmenu = table->addAction(QStringLiteral("右键菜单 pmenu"));
  pmenu->setCheckable(true);
  pmenu->setChecked(c.pmenu());
  connect(pmenu, &QAction::toggled, this, [&c](bool on) { c.setPmenu(on); });
  table->addAction(QStringLiteral("转置 trans"), this, [this, &c] { run(QStringLiteral("trans"), [&] { c.trans(); }); });
  table->addSeparator();
  table->addAction(QStringLiteral("退出"), this, &QWidget::close);

  QMenu* files = menuBar()->addMenu(QStringLiteral("文件(&F)"));
  files->addAction(QStringLiteral("保存文本 savetxt"), this, [this, &c] { run(QStringLiteral("savetxt"), [&] { c.savetxt(); }); });
  files->addAction(QStringLiteral("打开文本 opentxt"), this, [this, &c] { run(QStringLiteral("opentxt"), [&] { c.opentxt(); }); });
  files->addAction(QStringLiteral("导出表格 savexls"), this, [this, &c] { run(QStringLiteral("savexls"), [&] { c.savexls(); }); });
  files->addAction(QStringLiteral("导出Excel工作簿 savexlsx"), this, [this, &c] { run(QStringLiteral("savexlsx"), [&] { c.savexlsx(); }); });
  files->addSeparator();
  files->addAction(QStringLiteral("数据导出 m_daexp"), this, [this, &c] { run(QStringLiteral("m_daexp"), [&] { c.m_daexp(); }); });
  files->addAction(QStringLiteral("数据导入 m_dainp"), this, [this, &c] { run(QStringLiteral("m_dainp"), [&] { c.m_dainp(); }); });

  QMenu* formulas = menuBar()->addMenu(QStringLiteral("公式(&G)"));
  formulas->addAction(QStringLiteral("设置列公式 formuset..."), this, [this, &c] {
    bool ok = false;
    const int col = getInt(this, QStringLiteral("formuset"), QStringLiteral("列号"), std::max(1, c.cc0()), -1000000, 1000000, 1, &ok);
    if (!ok) return;
    const QString formula = getText(this, QStringLiteral("formuset"), QStringLiteral("公式 (例如 C1+C2*2)"),
                                                  QLineEdit::Normal, QString(), &ok);
    if (ok) run(QStringLiteral("formuset"), [&] { c.formuset(col, formula.toStdString()); });
  });
  formulas->addAction(QStringLiteral("读取列公式 formuget..."), this, [this, &c] {
    bool ok = false;
    const int col = getInt(this, QStringLiteral("formuget"), QStringLiteral("列号"), std::max(1, c.cc0()), -1000000, 1000000, 1, &ok);
    if (!ok) return;
    run(QStringLiteral("formuget"), [&] {
      const std::string f = c.formuget(col);
      log(QStringLiteral("formuget(%1) = \"%2\"").arg(col).arg(QString::fromStdString(f)));
      showMessage(this, QMessageBox::Information, QStringLiteral("formuget"), QStringLiteral("列 %1 的公式: %2").arg(col).arg(QString::fromStdString(f)));
    });
  });
  formulas->addAction(QStringLiteral("重新计算 update..."), this, [this, &c] {
    bool ok = false;
    const int col = getInt(this, QStringLiteral("update"), QStringLiteral("列号"), std::max(1, c.cc0()), -1000000, 1000000, 1, &ok);
    if (ok) run(QStringLiteral("update"), [&] { c.update(col); });
  });
  formulas->addAction(QStringLiteral("计算公式 m_focal"), this, [this, &c] { run(QStringLiteral("m_focal"), [&] { c.m_focal(); }); });

  QMenu* analysis = menuBar()->addMenu(QStringLiteral("分析(&A)"));
  analysis->addAction(QStringLiteral("升序排序 psort(0)"), this, [this, &c] {
    run(QStringLiteral("psort"), [&] { c.psort(tablique::script::Value(0.0)); });
  });
  analysis->addAction(QStringLiteral("降序排序 psort(-1)"), this, [this, &c] {
    run(QStringLiteral("psort"), [&] { c.psort(tablique::script::Value(int32_t(-1))); });
  });
  analysis->addAction(QStringLiteral("排名到列 psort(\"Ck\")..."), this, [this, &c] {
    if (auto v = askNumbers(this, QStringLiteral("psort"), QStringLiteral("排名写入列 k"), c.cc0() + 1))
      run(QStringLiteral("psort"), [&] { c.psort(tablique::script::Value("C" + std::to_string(v->first))); });
  });
  analysis->addAction(QStringLiteral("描述统计 statis..."), this, [this, &c] {
    if (auto v = askNumbers(this, QStringLiteral("statis"), QStringLiteral("结果写入列"), c.cc0() + 1))
      run(QStringLiteral("statis"), [&] { c.statis(v->first); });
  });

  QMenu* commands = menuBar()->addMenu(QStringLiteral("命令(&C)"));
  const std::pair<const char*, void (tablique::Control::*)()> list[] = {
      {"复制 m_copy", &tablique::Control::m_copy},       {"粘贴 m_paste", &tablique::Control::m_paste},
      {"剪切 m_cut", &tablique::Control::m_cut},         {"删除 m_delete", &tablique::Control::m_delete},
      {nullptr, nullptr},
      {"插入行 m_rowins", &tablique::Control::m_rowins}, {"删除行 m_rowdel", &tablique::Control::m_rowdel},
      {"行上移 m_rowup", &tablique::Control::m_rowup},   {"行下移 m_rowdow", &tablique::Control::m_rowdow},
      {nullptr, nullptr},
      {"插入列 m_colins", &tablique::Control::m_colins}, {"删除列 m_coldel", &tablique::Control::m_coldel},
      {"列左移 m_collef", &tablique::Control::m_collef}, {"列右移 m_colrig", &tablique::Control::m_colrig},
      {nullptr, nullptr},
      {"计算公式 m_focal", &tablique::Control::m_focal}, {"清空表格 m_clc", &tablique::Control::m_clc},
      {"数据导出 m_daexp", &tablique::Control::m_daexp}, {"数据导入 m_dainp", &tablique::Control::m_dainp},
  };
  for (const auto& [caption, method] : list) {
    if (!caption) {
      commands->addSeparator();
      continue;
    }
    const QString name = QString::fromUtf8(caption);
    auto m = method;
    commands->addAction(name, this, [this, &c, name, m] { run(name, [&] { (c.*m)(); }); });
  }
  // The widget's own undo and redo actions: enabled as the history allows.
  commands->addSeparator();
  commands->addAction(grid_->undoAction());
  commands->addAction(grid_->redoAction());
}

// gettext / settext / mouseset on a cell chosen by number.
void DemoWindow::buildCellBox() {
  auto* bar = addToolBar(QStringLiteral("单元格"));
  bar->setMovable(false);
  cellRow_ = new QSpinBox(bar);
  cellRow_->setRange(-1000000, 1000000);
  cellRow_->setValue(1);
  cellCol_ = new QSpinBox(bar);
  cellCol_->setRange(-1000000, 1000000);
  cellCol_->setValue(1);
  cellText_ = new QLineEdit(bar);
  cellText_->setMinimumWidth(200);
  bar->addWidget(new QLabel(QStringLiteral(" 行 "), bar));
  bar->addWidget(cellRow_);
  bar->addWidget(new QLabel(QStringLiteral(" 列 "), bar));
  bar->addWidget(cellCol_);
  bar->addWidget(new QLabel(QStringLiteral(" 文本 "), bar));
  bar->addWidget(cellText_);
  tablique::Control& c = control();
  bar->addAction(QStringLiteral("读取 gettext"), this, [this, &c] {
    run(QStringLiteral("gettext"), [&] {
      cellText_->setText(QString::fromStdString(c.gettext(cellRow_->value(), cellCol_->value())));
    });
  });
  bar->addAction(QStringLiteral("写入 settext"), this, [this, &c] {
    run(QStringLiteral("settext"), [&] { c.settext(cellRow_->value(), cellCol_->value(), cellText_->text().toStdString()); });
  });
  bar->addAction(QStringLiteral("当前单元格 mouseset"), this, [this, &c] {
    run(QStringLiteral("mouseset"), [&] { c.mouseset(cellRow_->value(), cellCol_->value()); });
  });
}
