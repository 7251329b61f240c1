#include "platform/profile/Profile.h"

#include <charconv>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/profile/IniDocument.h"
#include "util/AtomicFile.h"

namespace recast::profile {
namespace {

// The file's text; an empty text for a missing file; nothing when it exists but cannot be read
// (a write must then not replace it).
std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  std::error_code ec;
  if (!std::filesystem::exists(file, ec)) {
    if (ec) return std::nullopt;
    return std::string();
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(text).str();
}

IniDocument LoadForReading(const std::filesystem::path& file) {
  return IniDocument::Parse(ReadWholeFile(file).value_or(std::string()));
}

// The whole file replaced at once (a new file private to the user), so a crash never leaves
// half a file; a symbolic link is written through.
bool ReplaceFile(const std::filesystem::path& file, std::string_view text) {
  return WriteFileAtomically(file, text, ExistingFile::Replace, 0600).ok();
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Names and values that would not read back as the same section, key and value (or would
// inject lines) are refused instead of corrupting the file.
bool IsWritableSection(std::string_view section) {
  return !TrimBlanks(section).empty() && !HasLineBreakOrNul(section) && section.find(']') == std::string_view::npos;
}

bool IsWritableKey(std::string_view key) {
  const std::string_view trimmed = TrimBlanks(key);
  return !trimmed.empty() && !HasLineBreakOrNul(key) && key.find('=') == std::string_view::npos &&
         trimmed.front() != '[' && trimmed.front() != ';';
}

std::string Unquote(std::string value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                    const std::filesystem::path& file) {
  const auto value = LoadForReading(file).Find(section, key);
  if (!value) return std::string(defaultValue);
  return Unquote(*value);
}

int GetPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         const std::filesystem::path& file) {
  const auto value = LoadForReading(file).Find(section, key);
  if (!value) return defaultValue;
  const std::string text = Unquote(*value);
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  int number = 0;
  // Leading digits count; text after them is ignored, as the platform's reader does.
  const auto [end, error] = std::from_chars(first, last, number);
  if (error != std::errc()) return defaultValue;
  (void)end;
  return number;
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::filesystem::path& file) {
  if (!IsWritableSection(section) || !IsWritableKey(key) || HasLineBreakOrNul(value)) return false;
  const auto text = ReadWholeFile(file);
  if (!text) return false;
  IniDocument doc = IniDocument::Parse(*text);
  doc.Set(section, key, value);
  return ReplaceFile(file, doc.Serialize());
}

bool ErasePrivateProfileSection(std::string_view section, const std::filesystem::path& file) {
  const auto text = ReadWholeFile(file);
  if (!text) return false;
  IniDocument doc = IniDocument::Parse(*text);
  if (!doc.EraseSection(section)) return true;
  return ReplaceFile(file, doc.Serialize());
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file) {
  return LoadForReading(file).SectionNames();
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::filesystem::path& file) {
  return LoadForReading(file).Keys(section);
}

}  // namespace recast::profile
