// The platform services of a control on a Qt window: QMessageBox, QInputDialog, QFileDialog,
// QClipboard, QMenu, the real focus and key delivery.
#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QRegularExpression>

#include "texts.h"
#include "widget_private.h"

namespace tablique::qt {

namespace {
QString fromUtf8(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// The dialog's title names what the command does with which kind of file.
const char* fileDialogTitle(const FileDialogCall& call) {
  if (call.defaultExt == "txt") return call.save ? texts::kSaveText : texts::kOpenText;
  if ((call.defaultExt == "xls" || call.defaultExt == "xlsx") && call.save) return texts::kExportSheet;
  if (call.defaultExt == "tbq") return call.save ? texts::kExportData : texts::kImportData;
  return call.save ? texts::kSaveFile : texts::kOpenFile;
}

// A message box with the control's buttons, 确定 (and 取消); true for 确定.
bool askUser(QWidget* parent, const QString& text, const QString& title, bool okCancel) {
  QMessageBox box(QMessageBox::Information, title, text,
                  okCancel ? (QMessageBox::Ok | QMessageBox::Cancel) : QMessageBox::Ok, parent);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  box.button(QMessageBox::Ok)->setText(QString::fromUtf8(texts::kOk));
  if (okCancel) box.button(QMessageBox::Cancel)->setText(QString::fromUtf8(texts::kCancel));
  box.exec();
  return !okCancel || box.clickedButton() == box.button(QMessageBox::Ok);
}

// Qt's file dialog asks its own questions (replace a file? file not found) in the system's
// language; this one asks them in the control's words before Qt would, and stays open on 取消.
class FileDialog : public QFileDialog {
public:
  using QFileDialog::QFileDialog;

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty()) {
      const QFileInfo info(files.constFirst());
      const QString notice = QString::fromUtf8(texts::kNotice);
      if (!info.isDir() && acceptMode() == AcceptSave && info.exists() &&
          !askUser(this, QString::fromUtf8(texts::kReplaceFile).arg(info.fileName()), notice, true))
        return;
      if (acceptMode() == AcceptOpen && !info.exists()) {
        askUser(this, QString::fromUtf8(texts::kFileNotFound).arg(info.fileName()), notice, false);
        return;
      }
    }
    QFileDialog::accept();
  }
};
}  // namespace

// A description that already names its patterns in brackets, as in "文本(*.txt)|*.txt", is
// kept as it is; otherwise the patterns are added in Qt's form.
QStringList nameFiltersFromPattern(const std::string& filter) {
  static const QRegularExpression ownPatterns(QStringLiteral("\\(([^()]*)\\)\\s*$"));
  const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = parts[i + 1];
    patterns = patterns.replace(QLatin1Char(';'), QLatin1Char(' ')).simplified();
    const QRegularExpressionMatch named = ownPatterns.match(description);
    if (named.hasMatch()) {
      QString own = named.captured(1);
      if (own.replace(QLatin1Char(';'), QLatin1Char(' ')).simplified() == patterns) {
        filters << description;
        continue;
      }
      description = description.left(named.capturedStart()).trimmed();
    }
    filters << QStringLiteral("%1 (%2)").arg(description, patterns);
  }
  if (filters.isEmpty() && !filter.empty()) filters << QString::fromStdString(filter);
  return filters;
}

MessageAnswer QtPlatform::messageBox(std::string_view text, std::string_view title, bool okCancel) {
  if (d_.holdingRefusal && !okCancel) {
    d_.heldRefusal.emplace(std::string(text), std::string(title));
    return MessageAnswer::Ok;
  }
  return askUser(d_.dialogParent(), fromUtf8(text), fromUtf8(title), okCancel) ? MessageAnswer::Ok
                                                                               : MessageAnswer::Cancel;
}

std::optional<std::string> QtPlatform::inputBox(std::string_view prompt, std::string_view title,
                                                std::string_view defaultText) {
  QInputDialog dialog(d_.dialogParent());
  dialog.setInputMode(QInputDialog::TextInput);
  dialog.setWindowTitle(fromUtf8(title));
  dialog.setLabelText(fromUtf8(prompt));
  dialog.setTextValue(fromUtf8(defaultText));
  dialog.setOkButtonText(QString::fromUtf8(texts::kOk));
  dialog.setCancelButtonText(QString::fromUtf8(texts::kCancel));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

std::optional<std::string> QtPlatform::fileDialog(const FileDialogCall& call) {
  FileDialog dialog(d_.dialogParent(), QString::fromUtf8(fileDialogTitle(call)),
                    QString::fromStdString(call.initDir));
  // Qt's own dialog, so that its title and captions are the control's on every desktop.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);  // asked in FileDialog::accept
  dialog.setAcceptMode(call.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setLabelText(QFileDialog::Accept, QString::fromUtf8(call.save ? texts::kSave : texts::kOpen));
  dialog.setLabelText(QFileDialog::Reject, QString::fromUtf8(texts::kCancel));
  dialog.setLabelText(QFileDialog::LookIn, QString::fromUtf8(texts::kLookIn));
  dialog.setLabelText(QFileDialog::FileName, QString::fromUtf8(texts::kFileName));
  dialog.setLabelText(QFileDialog::FileType, QString::fromUtf8(texts::kFileType));
  dialog.setFileMode(call.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QStringList filters = nameFiltersFromPattern(call.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!call.defaultExt.empty()) dialog.setDefaultSuffix(QString::fromStdString(call.defaultExt));
  if (!call.fileName.empty()) dialog.selectFile(QString::fromStdString(call.fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst().toStdString();
}

std::string QtPlatform::clipboardText() const {
  return QGuiApplication::clipboard()->text().toStdString();
}

void QtPlatform::clearClipboard() { QGuiApplication::clipboard()->clear(); }

void QtPlatform::setClipboardText(std::string text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

std::optional<std::string> QtPlatform::popupMenu(const std::string& caption,
                                                 const std::vector<MenuEntry>& entries, float x, float y) {
  QMenu menu(d_.q);
  menu.setTitle(QString::fromStdString(caption));
  for (const MenuEntry& entry : entries) {
    if (entry.separator) {
      menu.addSeparator();
    } else {
      QAction* action = menu.addAction(QString::fromStdString(entry.caption));
      action->setData(QString::fromStdString(entry.name));
    }
  }
  QAction* chosen = menu.exec(d_.menuPosition(x, y));
  d_.applyFocus(d_.control->focus());  // the closing popup may leave the focus nowhere
  if (!chosen) return std::nullopt;
  return chosen->data().toString().toStdString();
}

void QtPlatform::focusChanged(FocusTarget target) { d_.applyFocus(target); }

void QtPlatform::commandFailed(std::string_view text) {
  if (!d_.dying) emit d_.q->commandFailed(fromUtf8(text));
}

// A press and a release of the key, as real key events to the control's focused child. The
// release goes wherever the press left the focus.
void QtPlatform::synthesizeKey(int keyCode) {
  const int key = qtKeyForVirtualKey(keyCode);
  if (key == 0 || d_.dying) return;
  auto target = [this]() -> QWidget* {
    QWidget* focused = QApplication::focusWidget();
    if (d_.focusInsideControl(focused) && focused != d_.q) return focused;
    if (d_.control->focus() == FocusTarget::Editor && d_.editor->isVisible()) return d_.editor;
    return d_.view;
  };
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(target(), &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
  QApplication::sendEvent(target(), &release);
}

}  // namespace tablique::qt
