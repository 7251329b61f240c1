#include "app/InputBlocker.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace recast::app {

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletRelease:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

}  // namespace

InputBlocker::InputBlocker(QWidget& window, QObject* parent) : QObject(parent), window_(&window) {}

InputBlocker::~InputBlocker() {
  if (depth_ > 0 && QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
}

void InputBlocker::Begin() {
  if (depth_++ > 0) return;
  cancelRequested_ = false;
  if (QCoreApplication::instance()) QCoreApplication::instance()->installEventFilter(this);
}

void InputBlocker::End() {
  if (depth_ == 0 || --depth_ > 0) return;
  if (QCoreApplication::instance()) QCoreApplication::instance()->removeEventFilter(this);
  if (closeRequested_ && window_) {
    closeRequested_ = false;
    QTimer::singleShot(0, window_.data(), [w = window_] {
      if (w) w->close();
    });
  }
}

bool InputBlocker::IsInWindow(QObject* object) const {
  if (!window_) return false;
  if (object->isWidgetType()) return static_cast<QWidget*>(object)->window() == window_.data();
  if (object->isWindowType()) return object == window_->windowHandle();
  return false;
}

bool InputBlocker::eventFilter(QObject* watched, QEvent* event) {
  if (depth_ == 0) return false;
  // Only the main window is held back: a dialog the running operation opens (a question,
  // an error, the save dialog) must still take the user's answer.
  if (IsUserInput(event->type())) {
    if (!IsInWindow(watched)) return false;
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      cancelRequested_ = true;
    }
    return true;
  }
  if (event->type() == QEvent::Close && watched == window_.data()) {
    closeRequested_ = true;
    event->ignore();
    return true;
  }
  return false;
}

}  // namespace recast::app
