#include "settings/SettingsFile.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/profile/Profile.h"
#include "util/AtomicFile.h"
#include "util/FileNames.h"
#include "util/Format.h"
#include "util/TextHelpers.h"
#include "util/UserFolders.h"

namespace recast::settings {

SettingsFile::SettingsFile(const std::filesystem::path& folder, const std::string& fileName) {
  const std::filesystem::path name(fileName);
  path_ = name.has_parent_path() ? name : folder / name;
}

std::string SettingsFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
  return profile::GetPrivateProfileString(section, key, defaultValue, path_);
}

std::int32_t SettingsFile::ReadInteger(std::string_view section, std::string_view key,
                                       std::int32_t defaultValue) const {
  return profile::GetPrivateProfileInt(section, key, defaultValue, path_);
}

bool SettingsFile::ReadBool(std::string_view section, std::string_view key, bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

bool SettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
  EnsureFolder();
  return profile::WritePrivateProfileString(section, key, value, path_);
}

bool SettingsFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) const {
  return WriteString(section, key, Format("%d", {value}));
}

bool SettingsFile::WriteBool(std::string_view section, std::string_view key, bool value) const {
  return WriteString(section, key, value ? "1" : "0");
}

bool SettingsFile::EraseSection(std::string_view section) const {
  return profile::ErasePrivateProfileSection(section, path_);
}

void SettingsFile::EnsureFolder() const {
  // A fresh account may have no configuration folder yet; a failure shows up in the write.
  std::error_code ignored;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ignored);
}

bool WriteStringIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                          std::string_view text) {
  const std::string stored = file.ReadString(section, key, "");
  return stored == text || QuoteText(stored) == text || file.WriteString(section, key, text);
}

bool WriteIntegerIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                           std::int32_t value) {
  return file.ReadInteger(section, key, 0) == value || file.WriteInteger(section, key, value);
}

bool WriteBoolIfChanged(const SettingsFile& file, std::string_view section, std::string_view key, bool value) {
  return file.ReadBool(section, key, false) == value || file.WriteBool(section, key, value);
}

std::filesystem::path DefaultSettingsFolder() {
  const std::filesystem::path folder = UserConfigFolder();
  CarryOverSettingsFile(UserConfigHome(), folder, std::filesystem::path(ProgramFileWithExt("ini")).filename().string());
  return folder;
}

bool CarryOverSettingsFile(const std::filesystem::path& previousFolder, const std::filesystem::path& folder,
                           const std::string& fileName) {
  std::error_code error;
  if (std::filesystem::exists(folder / fileName, error) || error) return true;
  std::ifstream previous(previousFolder / fileName, std::ios::binary);
  if (!previous) return true;
  std::ostringstream content;
  content << previous.rdbuf();
  if (!previous.good() && !previous.eof()) return false;
  std::filesystem::create_directories(folder, error);
  // Another instance carrying the file over at the same moment wrote the same content.
  const FileWriteResult written = WriteFileAtomically(folder / fileName, content.str(), ExistingFile::NoReplace);
  return written.ok() || written.status == FileWriteStatus::Exists;
}

}  // namespace recast::settings
