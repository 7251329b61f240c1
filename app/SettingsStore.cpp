#include "app/SettingsStore.h"

#include "app/ControlSaving.h"
#include "app/Placement.h"
#include "settings/SettingsFile.h"
#include "util/FileNames.h"

namespace recast::app {
namespace {

constexpr const char* kSection = "Settings";

}  // namespace

SettingsStore::SettingsStore(std::filesystem::path folder, std::string programFile)
    : folder_(std::move(folder)), programFile_(std::move(programFile)) {}

std::string SettingsStore::SettingsFileName(bool bare) const {
  const std::string full = programFile_.empty() ? ProgramFileWithExt("ini") : ChangeExtension(programFile_, "ini");
  if (!bare) return full;
  return std::filesystem::path(full).filename().string();
}

void SettingsStore::RestoreMainWindowPlacement(QWidget& window) const {
  RestoreFormBounds(SettingsFileName(true), kSection, window);
}

void SettingsStore::SaveMainWindowPlacement(const QWidget& window) const {
  SaveFormBounds(SettingsFileName(true), kSection, window);
}

void SettingsStore::SavePageSettings(QWidget& page) const {
  SaveControlsToFile(SettingsFileName(true), kSection, page);
}

void SettingsStore::RestoreFormBounds(const std::string& fileName, const std::string& section, QWidget& window) const {
  const settings::SettingsFile file(folder_, fileName);
  RestoreBounds(file, section, window);
}

void SettingsStore::SaveFormBounds(const std::string& fileName, const std::string& section,
                                   const QWidget& window) const {
  const settings::SettingsFile file(folder_, fileName);
  SaveBounds(file, section, window);
}

void SettingsStore::SaveControlsToFile(const std::string& fileName, const std::string& section,
                                       QWidget& control) const {
  // Closing the window always completes, whatever the file does.
  const settings::SettingsFile file(folder_, fileName);
  SaveControls(file, section, control);
}

}  // namespace recast::app
