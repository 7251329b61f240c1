#include "util/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "util/Cp1252.h"
#include "util/TextTable.h"

namespace recast {

namespace {

// A temporary file that is removed unless Commit renamed it into place.
class TempFile {
 public:
  explicit TempFile(const std::string& target) : name_(target + ".XXXXXX") {
    std::vector<char> pattern(name_.begin(), name_.end());
    pattern.push_back('\0');
    fd_ = ::mkstemp(pattern.data());
    created_ = fd_ >= 0;
    if (created_) name_.assign(pattern.data());
  }
  ~TempFile() {
    if (fd_ >= 0) ::close(fd_);
    if (created_ && !committed_) ::unlink(name_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return fd_ >= 0; }

  bool WriteAll(std::string_view data) {
    while (!data.empty()) {
      const ssize_t n = ::write(fd_, data.data(), data.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  bool Commit(const std::string& target, mode_t mode) {
    if (::fchmod(fd_, mode) != 0 || ::fsync(fd_) != 0) return false;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) return false;
    if (::rename(name_.c_str(), target.c_str()) != 0) return false;
    committed_ = true;
    return true;
  }

 private:
  std::string name_;
  int fd_ = -1;
  bool created_ = false;
  bool committed_ = false;
};

mode_t ModeFor(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) return info.st_mode & 07777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

bool WriteTextFile(const std::string& path, std::string_view text) {
  if (path.empty()) return false;
  std::string data;
  data.reserve(text.size() + text.size() / 16);
  for (const std::string& line : SplitLines(text)) {
    data += ToCp1252(line);
    data += "\r\n";
  }
  TempFile temp(path);
  if (!temp.ok()) return false;
  return temp.WriteAll(data) && temp.Commit(path, ModeFor(path));
}

}  // namespace recast
