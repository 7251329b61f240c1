#pragma once
// Ownership of client buffers and duplicated contexts: whatever a guard holds is released
// when the guard goes, on every path.

#include <cstdint>

#include "directory/DirectoryClient.h"

namespace recast {

class ScopedBuffer {
 public:
  ScopedBuffer() = default;
  ~ScopedBuffer() { Release(); }
  ScopedBuffer(const ScopedBuffer&) = delete;
  ScopedBuffer& operator=(const ScopedBuffer&) = delete;

  // AllocBuffer(size); releases a buffer held before. Holds nothing on failure.
  DirStatus Allocate(DirectoryClient& client, std::uint32_t size);
  // FreeBuffer if a buffer is held; afterwards nothing is held.
  void Release();

  DirBuffer get() const { return buffer_; }
  bool held() const { return client_ != nullptr; }

 private:
  DirectoryClient* client_ = nullptr;
  DirBuffer buffer_ = kNoBuffer;
};

class ScopedContext {
 public:
  ScopedContext() = default;
  ~ScopedContext() { Release(); }
  ScopedContext(const ScopedContext&) = delete;
  ScopedContext& operator=(const ScopedContext&) = delete;

  // DuplicateContext(source); releases a context held before. Holds nothing on failure.
  DirStatus Duplicate(DirectoryClient& client, DirContext source);
  // FreeContext if a context is held; afterwards nothing is held.
  void Release();

  DirContext get() const { return context_; }
  bool held() const { return client_ != nullptr; }

 private:
  DirectoryClient* client_ = nullptr;
  DirContext context_ = kNoContext;
};

}  // namespace recast
