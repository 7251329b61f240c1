// Request writers, changes and streams.
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/client/NativeDirectoryClient.h"
#include "platform/client/RequestFormat.h"
#include "platform/client/ValueRecords.h"
#include "platform/service/ValueCodec.h"
#include "util/FileDescriptor.h"

namespace recast::client {
namespace {

bool ChangeNeedsValue(std::uint32_t type) {
  return type == kChangeAddValue || type == kChangeRemoveValue || type == kChangeAdditionalValue ||
         type == kChangeOverwriteValue;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

DirStatus NativeDirectoryClient::PutRequestName(DirContext ctx, DirBuffer buffer, const char* name, std::uint32_t op1,
                                                std::uint32_t op2) {
  Context* context = nullptr;
  Buffer* request = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(buffer, &request); s != 0) return s;
  if (request->operation == 0 || (request->operation != op1 && request->operation != op2)) return kErrBadVerb;
  if (name == nullptr || strnlen(name, kMaxSchemaNameBytes) == kMaxSchemaNameBytes) return kErrBadArgument;
  ByteWriter out(request->bytes.data(), request->bytes.size(), request->used);
  if (!PutNameItem(out, name)) return kErrBufferFull;
  request->used = out.used();
  return 0;
}

DirStatus NativeDirectoryClient::PutClassName(DirContext ctx, DirBuffer buffer, const char* name) {
  return PutRequestName(ctx, buffer, name, kOpReadClassDef, kOpReadClassDef);
}

DirStatus NativeDirectoryClient::PutAttrName(DirContext ctx, DirBuffer buffer, const char* name) {
  return PutRequestName(ctx, buffer, name, kOpReadObject, kOpReadAttrDef);
}

DirStatus NativeDirectoryClient::PutChange(DirContext ctx, DirBuffer buffer, std::uint32_t changeType,
                                           const char* attrName) {
  Context* context = nullptr;
  Buffer* request = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(buffer, &request); s != 0) return s;
  if (request->operation != kOpModifyObject) return kErrBadVerb;
  if (attrName == nullptr || strnlen(attrName, kMaxSchemaNameBytes) == kMaxSchemaNameBytes) return kErrBadArgument;
  if (changeType > kChangeClearValue || ChangeNeedsValue(changeType)) return kErrBadArgument;
  EncodedChange change;
  change.type = changeType;
  change.attrName = attrName;
  ByteWriter out(request->bytes.data(), request->bytes.size(), request->used);
  if (!PutChangeItem(out, change)) return kErrBufferFull;
  request->used = out.used();
  return 0;
}

DirStatus NativeDirectoryClient::PutChangeAndValue(DirContext ctx, DirBuffer buffer, std::uint32_t changeType,
                                                   const char* attrName, std::uint32_t syntax, const void* value) {
  Context* context = nullptr;
  Buffer* request = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(buffer, &request); s != 0) return s;
  if (request->operation != kOpModifyObject) return kErrBadVerb;
  if (attrName == nullptr || strnlen(attrName, kMaxSchemaNameBytes) == kMaxSchemaNameBytes) return kErrBadArgument;
  if (changeType > kChangeClearValue || value == nullptr) return kErrBadArgument;
  service::DirValue unpacked;
  if (DirStatus s = UnpackRecord(syntax, value, &unpacked); s != 0) return s;
  EncodedChange change;
  change.type = changeType;
  change.attrName = attrName;
  change.hasValue = true;
  change.syntax = syntax;
  if (DirStatus s = service::EncodeValue(syntax, unpacked, &change.value); s != 0) return s;
  ByteWriter out(request->bytes.data(), request->bytes.size(), request->used);
  if (!PutChangeItem(out, change)) return kErrBufferFull;
  request->used = out.used();
  return 0;
}

DirStatus NativeDirectoryClient::ModifyObject(DirContext ctx, const char* object, IterationHandle* iteration,
                                              std::uint32_t, DirBuffer changes) {
  Context* context = nullptr;
  Buffer* request = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (DirStatus s = BufferFor(changes, &request); s != 0) return s;
  if (iteration == nullptr) return kErrBadArgument;
  // A modification is always one call: there is nothing to continue.
  if (*iteration != kNoIteration) return kErrBadIteration;
  if (request->operation != kOpModifyObject) return kErrBadVerb;
  std::vector<EncodedChange> encoded;
  if (DirStatus s = DecodeChangeItems(request->bytes.data(), request->used, &encoded); s != 0) return s;
  std::vector<service::Change> list;
  for (EncodedChange& item : encoded) {
    service::Change change;
    change.type = item.type;
    change.attrName = std::move(item.attrName);
    if (item.hasValue) {
      service::DirValue value;
      if (DirStatus s = service::DecodeValue(item.syntax, item.value, &value); s != 0) return s;
      change.value = std::move(value);
    }
    list.push_back(std::move(change));
  }
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, (context->flags & kFlagDerefAliases) != 0, &entry); s != 0) {
    return s;
  }
  if (!list.empty()) {
    if (DirStatus s = connection->service->Modify(entry, list); s != 0) return s;
  }
  *iteration = kNoIteration;
  return 0;
}

DirStatus NativeDirectoryClient::NWDSMutateObject(DirContext ctx, const char* object, const char* newClass,
                                                  std::uint32_t) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (newClass == nullptr) return kErrBadArgument;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, (context->flags & kFlagDerefAliases) != 0, &entry); s != 0) {
    return s;
  }
  return connection->service->ChangeBaseClass(entry, newClass);
}

DirStatus NativeDirectoryClient::OpenStream(DirContext ctx, const char* object, const char* attrName,
                                            std::uint32_t flags, int* fd) {
  Context* context = nullptr;
  Connection* connection = nullptr;
  if (DirStatus s = ContextFor(ctx, &context); s != 0) return s;
  if (attrName == nullptr || fd == nullptr) return kErrBadArgument;
  // Streams are only read.
  if (flags > 1) return kErrNotSupported;
  if (DirStatus s = ConnectionFor(*context, &connection); s != 0) return s;
  service::EntryName entry;
  if (DirStatus s = Resolve(*context, *connection, object, (context->flags & kFlagDerefAliases) != 0, &entry); s != 0) {
    return s;
  }
  std::vector<std::uint8_t> content;
  if (DirStatus s = connection->service->ReadStream(entry, attrName, &content); s != 0) return s;
  FileDescriptor stream(::memfd_create("recast-stream", MFD_CLOEXEC));
  if (stream.get() < 0) return kErrNotEnoughMemory;
  if (!WriteAll(stream.get(), content.data(), content.size()) || ::lseek(stream.get(), 0, SEEK_SET) != 0) {
    return kErrNotEnoughMemory;
  }
  *fd = stream.Release();
  return 0;
}

}  // namespace recast::client
