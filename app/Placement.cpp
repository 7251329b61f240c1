#include "app/Placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "app/QtText.h"

namespace recast::app {
namespace {

std::string SectionFor(const std::string& section, const QWidget& control) {
  return section.empty() ? ToText(control.objectName()) : section;
}

// A window placed so that less than this much of it (or all of it, when smaller) shows on
// a screen cannot be reached and is brought fully onto the screen instead.
constexpr std::int64_t kMinVisible = 100;

std::int64_t Overlap(std::int64_t start, std::int64_t length, std::int64_t areaStart, std::int64_t areaLength) {
  return std::max<std::int64_t>(0, std::min(start + length, areaStart + areaLength) - std::max(start, areaStart));
}

struct Bounds {
  std::int64_t left, top, width, height;
};

// The screen whose available area shows most of the frame; the primary one when none does.
QRect TargetScreenArea(const Bounds& frame) {
  QRect best;
  std::int64_t bestArea = 0;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    const std::int64_t shown = Overlap(frame.left, frame.width, area.x(), area.width()) *
                               Overlap(frame.top, frame.height, area.y(), area.height());
    if (shown > bestArea) {
      bestArea = shown;
      best = area;
    }
  }
  if (bestArea == 0 && QGuiApplication::primaryScreen()) best = QGuiApplication::primaryScreen()->availableGeometry();
  return best;
}

// Width and height at most the screen's, and the frame brought fully onto the screen when
// too little of it would show there.
Bounds KeptOnScreen(Bounds window, std::int64_t frameExtraWidth, std::int64_t frameExtraHeight) {
  const QRect area =
      TargetScreenArea({window.left, window.top, window.width + frameExtraWidth, window.height + frameExtraHeight});
  if (area.isEmpty()) return window;
  window.width = std::clamp<std::int64_t>(window.width, 1, std::max<std::int64_t>(1, area.width() - frameExtraWidth));
  window.height =
      std::clamp<std::int64_t>(window.height, 1, std::max<std::int64_t>(1, area.height() - frameExtraHeight));
  const std::int64_t frameWidth = window.width + frameExtraWidth;
  const std::int64_t frameHeight = window.height + frameExtraHeight;
  const bool reachable =
      Overlap(window.left, frameWidth, area.x(), area.width()) >= std::min(kMinVisible, frameWidth) &&
      Overlap(window.top, frameHeight, area.y(), area.height()) >= std::min(kMinVisible, frameHeight);
  if (!reachable) {
    window.left = std::clamp<std::int64_t>(window.left, area.x(), area.x() + area.width() - frameWidth);
    window.top = std::clamp<std::int64_t>(window.top, area.y(), area.y() + area.height() - frameHeight);
  }
  return window;
}

}  // namespace

void SaveBounds(const settings::SettingsFile& file, const std::string& section, const QWidget& control) {
  const std::string where = SectionFor(section, control);
  const std::string name = ToText(control.objectName());
  const std::pair<const char*, int> parts[] = {
      {".Top", control.y()}, {".Left", control.x()}, {".Width", control.width()}, {".Height", control.height()}};
  for (const auto& [suffix, value] : parts) {
    // The first failed write ends the saving; the window closes all the same.
    if (!WriteIntegerIfChanged(file, where, name + suffix, value)) return;
  }
}

void RestoreBounds(const settings::SettingsFile& file, const std::string& section, QWidget& control) {
  constexpr Qt::WindowStates kNotDesigned = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
  if (control.isWindow() && (control.windowState() & kNotDesigned)) return;
  const std::string where = SectionFor(section, control);
  const std::string name = ToText(control.objectName());
  const int width = file.ReadInteger(where, name + ".Width", 0);
  const int height = file.ReadInteger(where, name + ".Height", 0);
  const int left = file.ReadInteger(where, name + ".Left", 0);
  const int top = file.ReadInteger(where, name + ".Top", 0);
  if (width == 0 && height == 0 && left == 0 && top == 0) return;
  Bounds bounds{left != 0 ? left : control.x(), top != 0 ? top : control.y(), width != 0 ? width : control.width(),
                height != 0 ? height : control.height()};
  if (control.isWindow()) {
    // Only as far as the window stays on a screen that exists; the file keeps its values.
    bounds = KeptOnScreen(bounds, control.frameGeometry().width() - control.width(),
                          control.frameGeometry().height() - control.height());
  }
  control.resize(static_cast<int>(bounds.width), static_cast<int>(bounds.height));
  control.move(static_cast<int>(bounds.left), static_cast<int>(bounds.top));
}

}  // namespace recast::app
