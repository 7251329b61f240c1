#include "platform/profile/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>

#include "platform/profile/IniDocument.h"

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

// Closes a descriptor and removes the temporary file unless Keep() was called.
class TemporaryFile {
 public:
  explicit TemporaryFile(std::string pathTemplate) : path_(std::move(pathTemplate)) {
    fd_ = ::mkstemp(path_.data());
    created_ = fd_ >= 0;
  }
  ~TemporaryFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !kept_) ::unlink(path_.c_str());
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  bool IsOpen() const { return fd_ >= 0; }
  int Descriptor() const { return fd_; }
  const std::string& Path() const { return path_; }
  bool Close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }
  void Keep() { kept_ = true; }

 private:
  std::string path_;
  int fd_ = -1;
  bool created_ = false;
  bool kept_ = false;
};

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes text to a temporary file beside target and renames it over target, so readers see
// either the old or the new file, never a part.
bool ReplaceFile(const std::filesystem::path& target, std::string_view text) {
  struct stat existing {};
  const bool exists = ::stat(target.c_str(), &existing) == 0;
  // The rename would replace a read-only file silently; a read-only file must stay as it is.
  if (exists && ::access(target.c_str(), W_OK) != 0) return false;

  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
  TemporaryFile temp((folder / ("." + target.filename().string() + ".XXXXXX")).string());
  if (!temp.IsOpen()) return false;
  if (exists && ::fchmod(temp.Descriptor(), existing.st_mode & 07777) != 0) return false;
  if (!WriteAll(temp.Descriptor(), text)) return false;
  if (::fsync(temp.Descriptor()) != 0) return false;
  if (!temp.Close()) return false;
  if (::rename(temp.Path().c_str(), target.c_str()) != 0) return false;
  temp.Keep();
  return true;
}

// The file that is really written: the target of a symbolic link, so the link stays.
std::filesystem::path WriteTarget(const std::filesystem::path& file) {
  std::error_code ec;
  if (std::filesystem::is_symlink(file, ec)) {
    auto resolved = std::filesystem::weakly_canonical(file, ec);
    if (!ec) return resolved;
  }
  return file;
}

bool HasLineBreakOrNul(std::string_view text) { return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos; }

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
  const std::filesystem::path target = WriteTarget(file);
  const auto text = ReadWholeFile(target);
  if (!text) return false;
  IniDocument doc = IniDocument::Parse(*text);
  doc.Set(section, key, value);
  return ReplaceFile(target, doc.Serialize());
}

bool ErasePrivateProfileSection(std::string_view section, const std::filesystem::path& file) {
  const std::filesystem::path target = WriteTarget(file);
  const auto text = ReadWholeFile(target);
  if (!text) return false;
  IniDocument doc = IniDocument::Parse(*text);
  if (!doc.EraseSection(section)) return true;
  return ReplaceFile(target, doc.Serialize());
}

std::vector<std::string> GetPrivateProfileSectionNames(const std::filesystem::path& file) {
  return LoadForReading(file).SectionNames();
}

std::vector<std::string> GetPrivateProfileKeys(std::string_view section, const std::filesystem::path& file) {
  return LoadForReading(file).Keys(section);
}

}  // namespace recast::profile
