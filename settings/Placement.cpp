#include "settings/Placement.h"

#include <QWidget>

#include "settings/QtText.h"

namespace recast::settings {
namespace {

std::string SectionFor(const std::string& section, const QWidget& control) {
  return section.empty() ? ToText(control.objectName()) : section;
}

}  // namespace

void SaveBounds(const SettingsFile& file, const std::string& section, const QWidget& control) {
  try {
    const std::string where = SectionFor(section, control);
    const std::string name = ToText(control.objectName());
    WriteIntegerIfChanged(file, where, name + ".Top", control.y());
    WriteIntegerIfChanged(file, where, name + ".Left", control.x());
    WriteIntegerIfChanged(file, where, name + ".Width", control.width());
    WriteIntegerIfChanged(file, where, name + ".Height", control.height());
  } catch (...) {
    // Saving the placement must never stop the window from closing.
  }
}

void RestoreBounds(const SettingsFile& file, const std::string& section, QWidget& control) {
  try {
    constexpr Qt::WindowStates kNotDesigned = Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized;
    if (control.isWindow() && (control.windowState() & kNotDesigned)) return;
    const std::string where = SectionFor(section, control);
    const std::string name = ToText(control.objectName());
    if (const int width = file.ReadInteger(where, name + ".Width", 0); width != 0) control.resize(width, control.height());
    if (const int height = file.ReadInteger(where, name + ".Height", 0); height != 0) control.resize(control.width(), height);
    if (const int left = file.ReadInteger(where, name + ".Left", 0); left != 0) control.move(left, control.y());
    if (const int top = file.ReadInteger(where, name + ".Top", 0); top != 0) control.move(control.x(), top);
  } catch (...) {
    // A placement that cannot be read leaves the designed one.
  }
}

}  // namespace recast::settings
