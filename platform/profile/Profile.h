#pragma once
// Private-profile (INI) functions: the only way the program reads and writes INI files.
//
// Sections and keys are compared without regard to ASCII letter case. A missing file or a
// missing section/key reads as the default. Reading removes one pair of enclosing double
// quotes from a value ("  x " stays "  x "). Writing keeps the rest of the file as it was,
// writes plain key=value lines, and replaces the file whole (a crash never leaves half a file).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace recast::profile {

// The value of key in section, or defaultValue when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, const std::filesystem::path& file);

// The value read as a signed decimal integer, or defaultValue when missing or not a number.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file);

// Writes key=value into section, creating file and section as needed. Returns false when the
// file cannot be written (the file is then unchanged).
bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file);

// Removes section with all its keys. True when the file is as asked afterwards (also when the
// section or the file did not exist); false when the file cannot be written.
bool ErasePrivateProfileSection(std::string_view section, const std::filesystem::path& file);

// Section names, in file order; empty for a missing file.
std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file);

// Key names of section, in file order; empty when missing.
std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::filesystem::path& file);

}  // namespace recast::profile
