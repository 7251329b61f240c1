#pragma once
// An open file descriptor, closed on every path out of its owner.

#include <unistd.h>

#include <utility>

namespace recast {

class FileDescriptor {
 public:
  FileDescriptor() = default;
  // Takes fd over; a negative fd owns nothing.
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    std::swap(fd_, other.fd_);
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  // -1 when nothing is owned.
  int get() const { return fd_; }
  // Gives the descriptor up without closing it; the owner then holds nothing.
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_ = -1;
};

}  // namespace recast
