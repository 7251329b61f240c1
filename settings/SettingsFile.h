#pragma once
// The open settings file: a handle on one INI file name, opened for one store operation and
// dropped at its end. Reads never fail (missing means the default); a write or erase that
// fails returns false and leaves the file as it was. Nothing here throws.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace recast::settings {

class SettingsFile {
 public:
  // A fileName without a folder lives in folder (the per-user settings folder); a fileName
  // with a folder is used as it stands.
  SettingsFile(const std::filesystem::path& folder, const std::string& fileName);

  const std::filesystem::path& Path() const { return path_; }

  // Enclosing double quotes are removed; defaultValue when the key is missing.
  std::string ReadString(std::string_view section, std::string_view key, std::string_view defaultValue) const;
  // defaultValue when missing or not a number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t defaultValue) const;
  // Non-zero integer = true.
  bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;

  // False when the file cannot be written; the file is then unchanged. The settings folder
  // is created when it is missing. Erasing a section that is not there writes nothing.
  bool WriteString(std::string_view section, std::string_view key, std::string_view value) const;
  bool WriteInteger(std::string_view section, std::string_view key, std::int32_t value) const;
  bool WriteBool(std::string_view section, std::string_view key, bool value) const;
  bool EraseSection(std::string_view section) const;

 private:
  void EnsureFolder() const;

  std::filesystem::path path_;
};

// The only way the saving operations write values: each reads the stored value first and
// writes only when it differs, so an unchanged value never touches the file, and an empty
// text, 0 or false is never written for a key that is not yet there.
// A text is also left alone when its stored form reads back as the value without its
// enclosing quotes (history entries are stored quoted). Each returns false only when a
// write was needed and failed.
bool WriteStringIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                          std::string_view text);
// Compared with the stored integer read with default 0.
bool WriteIntegerIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                           std::int32_t value);
// Compared with the stored boolean read with default false; written as "1" or "0".
bool WriteBoolIfChanged(const SettingsFile& file, std::string_view section, std::string_view key, bool value);

// The per-user settings folder, UserConfigFolder() (util/UserFolders.h, normally
// ~/.config/recast-object). The settings file used to live in the configuration home itself
// (~/.config/recast-object.ini); the running program's file (its name with the extension
// "ini") is carried over from there first (CarryOverSettingsFile), so no user loses placement
// or history.
std::filesystem::path DefaultSettingsFolder();

// When folder holds no fileName yet and previousFolder does, copies the previous file into
// folder (created when missing) so that it is read from then on; the previous file stays as
// it was. False only when a copy was needed and could not be written (the folder then starts
// without the old values).
bool CarryOverSettingsFile(const std::filesystem::path& previousFolder, const std::filesystem::path& folder,
                           const std::string& fileName);

}  // namespace recast::settings
