#include "app/InputBlocker.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

std::uint64_t InputClockMs() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer started;
    started.start();
    return started;
  }();
  // Never 0, which stands for "no time stamp".
  return static_cast<std::uint64_t>(clock.elapsed()) + 1;
}

std::uint64_t KeyTime(const QKeyEvent& event) { return event.timestamp() != 0 ? event.timestamp() : InputClockMs(); }

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
  for (auto& [receiver, key] : std::exchange(heldKeys_, {})) {
    if (receiver) QCoreApplication::postEvent(receiver.data(), key.release());
  }
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
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress) cancelRequested_ = true;
      } else {
        std::unique_ptr<QKeyEvent> held(key->clone());
        held->setTimestamp(KeyTime(*key));
        heldKeys_.emplace_back(watched, std::move(held));
      }
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
