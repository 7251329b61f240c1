#pragma once
// The settings file of the program: the main window's placement, restored when the window is
// shown and saved when it closes, and a record of the class-change page's control values.
//
// The file is named after the program file with the extension "ini" (recast-object.ini) and
// lives in the store's folder: the per-user configuration folder in the program
// (settings::DefaultSettingsFolder), a temporary folder in tests. Every operation opens the file by
// name, does its work and lets it go; nothing is cached between operations.

#include <filesystem>
#include <string>

#include "settings/SettingsFile.h"

class QWidget;

namespace recast::app {

class SettingsStore {
 public:
  // folder: where a bare settings file name is kept. programFile: the running program's full
  // path ("" = the running program's own path).
  explicit SettingsStore(std::filesystem::path folder, std::string programFile = "");

  // The program file's name with the extension "ini": only the file-name part when bare, else
  // the full path beside the program file.
  std::string SettingsFileName(bool bare) const;

  // RestoreFormBounds(SettingsFileName(true), "Settings", window).
  void RestoreMainWindowPlacement(QWidget& window) const;
  // SaveFormBounds(SettingsFileName(true), "Settings", window).
  void SaveMainWindowPlacement(const QWidget& window) const;
  // SaveControlsToFile(SettingsFileName(true), "Settings", page).
  void SavePageSettings(QWidget& page) const;

  // Open the file, run RestoreBounds, SaveBounds or SaveControls (app/Placement.h,
  // app/ControlSaving.h), and release it. A file that cannot be written leaves the close
  // to complete.
  void RestoreFormBounds(const std::string& fileName, const std::string& section, QWidget& window) const;
  void SaveFormBounds(const std::string& fileName, const std::string& section, const QWidget& window) const;
  void SaveControlsToFile(const std::string& fileName, const std::string& section, QWidget& control) const;

 private:
  std::filesystem::path folder_;
  std::string programFile_;
};

}  // namespace recast::app
