#include "platform/clipboard/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QString>

namespace recast {

namespace {
QClipboard* SystemClipboard() {
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr ? QGuiApplication::clipboard()
                                                                                 : nullptr;
}
}  // namespace

void QtClipboard::SetText(const std::string& text) {
  if (QClipboard* clipboard = SystemClipboard()) {
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  }
}

std::string QtClipboard::GetText() const {
  QClipboard* clipboard = SystemClipboard();
  return clipboard == nullptr ? std::string() : clipboard->text().toStdString();
}

}  // namespace recast
