#include "settings/SettingsFile.h"

#include <system_error>

#include "platform/profile/Profile.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

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

void SettingsFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const {
  EnsureFolder();
  if (!profile::WritePrivateProfileString(section, key, value, path_)) FailWrite();
}

void SettingsFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) const {
  WriteString(section, key, Format("%d", {value}));
}

void SettingsFile::WriteBool(std::string_view section, std::string_view key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

void SettingsFile::EraseSection(std::string_view section) const {
  if (!profile::ErasePrivateProfileSection(section, path_)) FailWrite();
}

void SettingsFile::FailWrite() const {
  throw SettingsWriteError(Format("Unable to write to %s", {path_.string()}));
}

void SettingsFile::EnsureFolder() const {
  // A fresh account may have no configuration folder yet; a failure shows up in the write.
  std::error_code ignored;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ignored);
}

void WriteStringIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                          std::string_view text) {
  const std::string stored = file.ReadString(section, key, "");
  if (stored != text && QuoteText(stored) != text) file.WriteString(section, key, text);
}

void WriteIntegerIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                           std::int32_t value) {
  if (file.ReadInteger(section, key, 0) != value) file.WriteInteger(section, key, value);
}

void WriteBoolIfChanged(const SettingsFile& file, std::string_view section, std::string_view key, bool value) {
  if (file.ReadBool(section, key, false) != value) file.WriteBool(section, key, value);
}

}  // namespace recast::settings
