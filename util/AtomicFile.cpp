#include "util/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "util/FileDescriptor.h"
#include "util/Format.h"

namespace recast {
namespace {

namespace fs = std::filesystem;

// Kernel's own limit for link chains.
constexpr int kMaxLinkDepth = 40;

// A temporary file in folder, removed unless Keep() was called.
class TempFile {
 public:
  explicit TempFile(const fs::path& folder) {
    // A short fixed prefix: the target's own name may already use the 255 bytes allowed.
    std::string pattern = (folder / ".recast-XXXXXX").string();
    fd_ = FileDescriptor(::mkstemp(pattern.data()));
    error_ = fd_.get() < 0 ? errno : 0;
    if (fd_.get() >= 0) name_ = std::move(pattern);
  }
  ~TempFile() {
    fd_ = FileDescriptor();
    if (!name_.empty() && !kept_) ::unlink(name_.c_str());
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  bool ok() const { return fd_.get() >= 0; }
  int error() const { return error_; }
  int fd() const { return fd_.get(); }
  const std::string& name() const { return name_; }
  // Closes the file, reporting what close says (a delayed write error shows up here).
  bool Close() { return ::close(fd_.Release()) == 0; }
  void Keep() { kept_ = true; }

 private:
  std::string name_;
  FileDescriptor fd_;
  int error_ = 0;
  bool kept_ = false;
};

FileWriteResult Failure(int error) { return {FileWriteStatus::Failed, error}; }
FileWriteResult Success() { return {FileWriteStatus::Written, 0}; }

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The file a write really goes to: the end of a chain of symbolic links.
fs::path FollowLinks(fs::path path) {
  for (int depth = 0; depth < kMaxLinkDepth; ++depth) {
    std::error_code ec;
    if (!fs::is_symlink(fs::symlink_status(path, ec))) return path;
    const fs::path target = fs::read_symlink(path, ec);
    if (ec) return path;
    path = target.is_absolute() ? target : path.parent_path() / target;
  }
  return path;
}

bool InGroup(gid_t gid) {
  if (gid == ::getegid()) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int n = ::getgroups(count, groups.data());
  for (int i = 0; i < n; ++i) {
    if (groups[static_cast<std::size_t>(i)] == gid) return true;
  }
  return false;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// Rewrites an existing file through its own descriptor: the only way when its folder cannot
// take a temporary file.
FileWriteResult WriteInPlace(const fs::path& target, std::string_view data) {
  FileDescriptor fd(::open(target.c_str(), O_WRONLY | O_CLOEXEC));
  if (fd.get() < 0) return Failure(errno);
  if (!WriteAll(fd.get(), data) || ::ftruncate(fd.get(), static_cast<off_t>(data.size())) != 0 ||
      ::fsync(fd.get()) != 0) {
    return Failure(errno);
  }
  return Success();
}

void SyncFolder(const fs::path& folder) {
  // Makes the new name survive a crash; a folder that cannot be opened is no failure of the write.
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() >= 0) ::fsync(fd.get());
}

}  // namespace

bool MayWriteFile(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return true;  // no file there; the write reports the rest
  if (::access(path.c_str(), W_OK) != 0) return false;
  const uid_t user = ::geteuid();
  // Root passes every access() check; a file without any write bit is read-only for root too.
  if (user == 0) return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  if (info.st_uid == user) return (info.st_mode & S_IWUSR) != 0;
  if (InGroup(info.st_gid)) return (info.st_mode & S_IWGRP) != 0;
  return (info.st_mode & S_IWOTH) != 0;
}

FileWriteResult WriteFileAtomically(const fs::path& path, std::string_view data, ExistingFile existing,
                                    mode_t newFileMode) {
  if (path.empty()) return Failure(ENOENT);
  const fs::path target = FollowLinks(path);
  struct stat info {};
  const bool exists = ::stat(target.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) return Failure(errno);
  if (exists) {
    if (existing == ExistingFile::NoReplace) return {FileWriteStatus::Exists, 0};
    if (S_ISDIR(info.st_mode)) return Failure(EISDIR);
    if (!S_ISREG(info.st_mode)) return Failure(EINVAL);
    if (!MayWriteFile(target)) return {FileWriteStatus::ReadOnly, 0};
  }

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  TempFile temp(folder);
  if (!temp.ok()) {
    if (exists && (temp.error() == EACCES || temp.error() == EPERM)) return WriteInPlace(target, data);
    return Failure(temp.error());
  }
  if (exists) {
    // Only root or a member of the file's group can keep them; others give the file their own.
    (void)::fchown(temp.fd(), info.st_uid, info.st_gid);
  }
  const mode_t mode = exists ? (info.st_mode & 07777) : (newFileMode & 07777 & ~CurrentUmask());
  if (::fchmod(temp.fd(), mode) != 0 || !WriteAll(temp.fd(), data) || ::fsync(temp.fd()) != 0) {
    return Failure(errno);
  }
  if (!temp.Close()) return Failure(errno);

  if (existing == ExistingFile::Replace) {
    if (::rename(temp.name().c_str(), target.c_str()) != 0) return Failure(errno);
    temp.Keep();
  } else {
    // link() never replaces a name that appeared meanwhile, unlike rename(); the temporary
    // name goes away with temp. File systems without hard links can still rename without
    // replacing.
    if (::link(temp.name().c_str(), target.c_str()) != 0) {
      if (errno == EEXIST) return {FileWriteStatus::Exists, 0};
      if (::renameat2(AT_FDCWD, temp.name().c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) return {FileWriteStatus::Exists, 0};
        return Failure(errno);
      }
      temp.Keep();
    }
  }
  SyncFolder(folder);
  return Success();
}

std::string FileWriteErrorText(const fs::path& path, const FileWriteResult& result) {
  const std::string name = path.string();
  switch (result.status) {
    case FileWriteStatus::Written:
      return {};
    case FileWriteStatus::ReadOnly:
      return Format(
          "Could not write %s: the file is read-only. Save under another name, or make the file "
          "writable and save again.",
          {name});
    case FileWriteStatus::Exists:
      return Format("Could not write %s: a file of that name exists already. Choose another name.", {name});
    case FileWriteStatus::Failed:
      break;
  }
  const std::string cause = std::strerror(result.error);
  switch (result.error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return Format("Could not write %s: %s. Free some disk space and save again; the old file is unchanged.",
                    {name, cause});
    case ENOENT:
    case ENOTDIR:
      return Format("Could not write %s: %s. Choose a folder that exists and save again.", {name, cause});
    case EACCES:
    case EPERM:
    case EROFS:
      return Format("Could not write %s: %s. Choose a folder you may write to and save again.", {name, cause});
    default:
      return Format("Could not write %s: %s. Choose another name or folder and save again.", {name, cause});
  }
}

}  // namespace recast
