#pragma once
// Private-profile (INI) functions: the only way the program reads and writes INI files.
//
// Sections and keys are compared without regard to ASCII letter case. A missing file or a
// missing section/key reads as the default. Reading trims blanks around a value, then removes
// one pair of enclosing double quotes (a stored "  x " reads as   x  with its blanks). Lines
// that are neither "[section]", key=value nor a ";" comment are kept and ignored; of keys or
// sections that appear twice the first counts. Writing keeps the rest of the file as it was,
// writes plain key=value lines, and replaces the file whole (a crash never leaves half a file;
// see WriteFileAtomically: a link is written through, a read-only file is refused, a writable
// file in a read-only folder is rewritten in place).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace recast::profile {

// The value of key in section, or defaultValue when the file, section or key is missing.
std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::filesystem::path& file);

// The value read as a signed decimal integer, or defaultValue when missing or not a number.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file);

// Writes key=value into section, creating file and section as needed (a new file is private
// to the user). Returns false, and leaves the file unchanged, when the file cannot be written
// (also when it is read-only) and when the texts would not read back as written: a line break
// or NUL anywhere, a "]" in section, a "=" in key, an empty section or key, or a key beginning
// with "[" or ";". Blanks around a value do not read back; quote such a value.
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
