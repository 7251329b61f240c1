#include "directory/DirGuards.h"

namespace recast {

DirStatus ScopedBuffer::Allocate(DirectoryClient& client, std::uint32_t size) {
  Release();
  DirBuffer buffer = kNoBuffer;
  const DirStatus status = client.AllocBuffer(size, &buffer);
  if (status == 0) {
    client_ = &client;
    buffer_ = buffer;
  }
  return status;
}

void ScopedBuffer::Release() {
  if (client_ != nullptr) client_->FreeBuffer(buffer_);
  client_ = nullptr;
  buffer_ = kNoBuffer;
}

DirStatus ScopedContext::Duplicate(DirectoryClient& client, DirContext source) {
  Release();
  DirContext context = kNoContext;
  const DirStatus status = client.DuplicateContext(source, &context);
  if (status == 0) {
    client_ = &client;
    context_ = context;
  }
  return status;
}

void ScopedContext::Release() {
  if (client_ != nullptr) client_->FreeContext(context_);
  client_ = nullptr;
  context_ = kNoContext;
}

}  // namespace recast
