#pragma once
// The settings file of the program: the main window's placement, restored when the window is
// shown and saved when it closes, and a record of the class-change page's control values.
//
// The file is named after the program file with the extension "ini" (recast-object.ini) and
// lives in the store's folder: the per-user configuration folder in the program
// (DefaultSettingsFolder), a temporary folder in tests. Every operation opens the file by
// name, does its work and lets it go; nothing is cached between operations.

#include <filesystem>
#include <string>

class QWidget;

namespace recast::settings {

// $XDG_CONFIG_HOME when it is set to an absolute path, else ~/.config.
std::filesystem::path DefaultSettingsFolder();

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

  // Open the file, run RestoreBounds, SaveBounds or SaveControls (settings/Placement.h,
  // settings/ControlSaving.h), and release it. None of them throws: a file that cannot be
  // written leaves the close to complete.
  void RestoreFormBounds(const std::string& fileName, const std::string& section, QWidget& window) const;
  void SaveFormBounds(const std::string& fileName, const std::string& section, const QWidget& window) const;
  void SaveControlsToFile(const std::string& fileName, const std::string& section, QWidget& control) const;

 private:
  std::filesystem::path folder_;
  std::string programFile_;
};

}  // namespace recast::settings
