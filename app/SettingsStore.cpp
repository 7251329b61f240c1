#include "settings/SettingsStore.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "settings/ControlSaving.h"
#include "settings/Placement.h"
#include "settings/SettingsFile.h"
#include "util/FileNames.h"

namespace recast::settings {
namespace {

constexpr const char* kSection = "Settings";

std::filesystem::path HomeFolder() {
  if (std::string home = GetEnvText("HOME"); !home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace

std::filesystem::path DefaultSettingsFolder() {
  const std::filesystem::path configHome = GetEnvText("XDG_CONFIG_HOME");
  if (configHome.is_absolute()) return configHome;
  return HomeFolder() / ".config";
}

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
  const SettingsFile file(folder_, fileName);
  RestoreBounds(file, section, window);
}

void SettingsStore::SaveFormBounds(const std::string& fileName, const std::string& section,
                                   const QWidget& window) const {
  const SettingsFile file(folder_, fileName);
  SaveBounds(file, section, window);
}

void SettingsStore::SaveControlsToFile(const std::string& fileName, const std::string& section,
                                       QWidget& control) const {
  try {
    const SettingsFile file(folder_, fileName);
    SaveControls(file, section, control);
  } catch (...) {
    // Closing the window always completes, whatever the file does.
  }
}

}  // namespace recast::settings
