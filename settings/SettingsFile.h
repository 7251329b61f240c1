#pragma once
// The open settings file: a handle on one INI file name, opened for one store operation and
// dropped at its end. Reads never fail (missing means the default); a failed write or erase
// throws SettingsWriteError, which the saving operations catch per control.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace recast::settings {

// "Unable to write to %s" with the file's path.
class SettingsWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

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

  // Throw SettingsWriteError when the file cannot be written; the file is then unchanged.
  // The settings folder is created when it is missing.
  void WriteString(std::string_view section, std::string_view key, std::string_view value) const;
  void WriteInteger(std::string_view section, std::string_view key, std::int32_t value) const;
  void WriteBool(std::string_view section, std::string_view key, bool value) const;
  void EraseSection(std::string_view section) const;

 private:
  [[noreturn]] void FailWrite() const;
  void EnsureFolder() const;

  std::filesystem::path path_;
};

// The only way the saving operations write values: each reads the stored value first and
// writes only when it differs, so an unchanged value never touches the file, and an empty
// text, 0 or false is never written for a key that is not yet there.
// A text is also left alone when its stored form reads back as the value without its
// enclosing quotes (history entries are stored quoted).
void WriteStringIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                          std::string_view text);
// Compared with the stored integer read with default 0.
void WriteIntegerIfChanged(const SettingsFile& file, std::string_view section, std::string_view key,
                           std::int32_t value);
// Compared with the stored boolean read with default false; written as "1" or "0".
void WriteBoolIfChanged(const SettingsFile& file, std::string_view section, std::string_view key, bool value);

}  // namespace recast::settings
