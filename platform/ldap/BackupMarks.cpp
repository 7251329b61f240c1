#include "platform/ldap/BackupMarks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/ldap/LdapStatus.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

constexpr std::string_view kMarkExtension = ".pending";

// A created or removed file survives a power loss only once its folder is flushed too.
bool FlushFolder(const std::filesystem::path& folder) {
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n <= 0) return false;
    written += static_cast<std::size_t>(n);
  }
  return true;
}

std::string FirstLine(int fd) {
  std::string text;
  char chunk[1024];
  ssize_t n = 0;
  while (text.size() < 64 * 1024 && (n = ::read(fd, chunk, sizeof chunk)) > 0)
    text.append(chunk, static_cast<std::size_t>(n));
  const auto end = text.find('\n');
  return end == std::string::npos ? text : text.substr(0, end);
}

}  // namespace

DirStatus PendingMark::Create(const std::filesystem::path& backup, const std::string& url, PendingMark* mark,
                              std::string* diagnostic) {
  PendingMark created;
  created.backup_ = backup;
  created.mark_ = backup.string() + std::string(kMarkExtension);
  created.lock_ = FileDescriptor(::open(created.mark_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  const int fd = created.lock_.get();
  if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || !WriteAll(fd, url + "\n") || ::fsync(fd) != 0 ||
      !FlushFolder(backup.parent_path())) {
    if (fd >= 0) ::unlink(created.mark_.c_str());
    *diagnostic = Format("cannot mark the backup %s as pending", {backup.string()});
    return kErrLdapBackupFailed;
  }
  *mark = std::move(created);
  return 0;
}

std::vector<PendingMark> PendingMark::Claim(const std::filesystem::path& folder, const std::string& url) {
  std::vector<PendingMark> claimed;
  std::error_code ec;
  for (const auto& file : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = file.path().string();
    if (name.size() <= kMarkExtension.size() || !name.ends_with(kMarkExtension)) continue;
    PendingMark mark;
    mark.mark_ = file.path();
    mark.backup_ = name.substr(0, name.size() - kMarkExtension.size());
    mark.lock_ = FileDescriptor(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    const int fd = mark.lock_.get();
    // A mark held by someone else belongs to a re-creation that is still running.
    if (fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 || FirstLine(fd) != url) continue;
    claimed.push_back(std::move(mark));
  }
  return claimed;
}

void PendingMark::Done() {
  if (mark_.empty()) return;
  ::unlink(mark_.c_str());
  FlushFolder(mark_.parent_path());
  mark_.clear();
  lock_ = FileDescriptor();
}

}  // namespace recast::ldap
