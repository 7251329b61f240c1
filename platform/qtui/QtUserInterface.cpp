#include "platform/qtui/QtUserInterface.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QString>

#include "platform/qtui/SaveFilter.h"

namespace recast::qtui {
namespace {

QString ToQString(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

struct BoxLook {
  QMessageBox::Icon icon;
  QString title;
};

BoxLook LookOf(MessageBoxKind kind) {
  switch (kind) {
    case MessageBoxKind::Warning:
      return {QMessageBox::Warning, QStringLiteral("Warning")};
    case MessageBoxKind::Error:
      return {QMessageBox::Critical, QStringLiteral("Error")};
    case MessageBoxKind::Information:
      return {QMessageBox::Information, QStringLiteral("Information")};
    case MessageBoxKind::Confirmation:
      return {QMessageBox::Question, QStringLiteral("Confirm")};
    case MessageBoxKind::Custom:
      break;
  }
  return {QMessageBox::NoIcon, QGuiApplication::applicationDisplayName()};
}

}  // namespace

QWidget* QtUserInterface::DialogParent() const { return parent_ ? parent_ : QApplication::activeWindow(); }

void QtUserInterface::MessageBox(MessageBoxKind kind, const std::string& text) {
  const BoxLook look = LookOf(kind);
  QMessageBox box(look.icon, look.title, ToQString(text), QMessageBox::Ok, DialogParent());
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

bool QtUserInterface::AskOkAbort(const std::string& text) {
  const BoxLook look = LookOf(MessageBoxKind::Confirmation);
  QMessageBox box(look.icon, look.title, ToQString(text), QMessageBox::Ok | QMessageBox::Abort, DialogParent());
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Abort);
  box.exec();
  return box.clickedButton() == box.button(QMessageBox::Ok);
}

std::optional<std::string> QtUserInterface::AskSaveFileName(const SaveDialogRequest& request) {
  QFileDialog dialog(DialogParent());
  dialog.setOption(QFileDialog::DontUseNativeDialog, true);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(ToQString(request.defaultExtension));
  const QStringList filters = ToQtNameFilters(request.filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters);
  if (!request.defaultFileName.empty()) dialog.selectFile(ToQString(request.defaultFileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty() || chosen.first().isEmpty()) return std::nullopt;
  return chosen.first().toUtf8().toStdString();
}

CursorId QtUserInterface::CurrentCursor() const {
  const QCursor* cursor = QGuiApplication::overrideCursor();
  return cursor && cursor->shape() == Qt::WaitCursor ? kBusyCursor : kArrowCursor;
}

void QtUserInterface::SetCursor(CursorId cursor) {
  if (cursor == kBusyCursor) {
    if (QGuiApplication::overrideCursor()) {
      QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    return;
  }
  while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
}

void QtUserInterface::ProcessPendingMessages() { QCoreApplication::processEvents(); }

}  // namespace recast::qtui
