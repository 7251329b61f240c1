#pragma once
// A widget's placement (top, left, width, height) in the settings file. For a window, left
// and top are the position of its frame and width and height the size of its contents, the
// pair that QWidget::move and QWidget::resize take, so a saved placement restores exactly.

#include <string>

#include "settings/SettingsFile.h"

class QWidget;

namespace recast::app {

// Writes name.Top, name.Left, name.Width and name.Height (in this order, each only when
// changed) into section, or into a section named after the control when section is empty.
// The first failed write ends the saving (the caller carries on).
void SaveBounds(const settings::SettingsFile& file, const std::string& section, const QWidget& control);

// Reads width, height, left and top (each default 0) and applies each one that is not 0, so a
// stored left or top of exactly 0 leaves the designed position. A window that is maximized,
// full-screen or minimized is not in its designed placement and is left alone. A window is
// kept on a screen that exists: no larger than that screen, and brought fully onto it when
// less than 100 pixels of it would show; the file is not changed.
void RestoreBounds(const settings::SettingsFile& file, const std::string& section, QWidget& control);

}  // namespace recast::app
