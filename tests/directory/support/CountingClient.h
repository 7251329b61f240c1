#pragma once
// A decorator over any DirectoryClient that counts buffers and contexts as they are made and
// released, and can make the Nth call (of any operation, counted from 1) fail with a given
// status instead of reaching the client. Looping N over every call of an operation shows
// that each failure path releases what it allocated.

#include <cstdint>
#include <set>

#include "directory/DirectoryClient.h"

namespace recast::testing {

class CountingClient : public DirectoryClient {
 public:
  explicit CountingClient(DirectoryClient& inner) : inner_(inner) {}

  // Call number n (from 1) fails with status; 0 disables.
  void FailCall(int n, DirStatus status = kErrDirectoryFailure) {
    failAt_ = n;
    failStatus_ = status;
  }
  int calls() const { return calls_; }
  bool failed() const { return failed_; }

  int buffersAllocated = 0;
  int buffersFreed = 0;
  int contextsMade = 0;  // created or duplicated
  int contextsFreed = 0;
  const std::set<DirBuffer>& liveBuffers() const { return liveBuffers_; }
  const std::set<DirContext>& liveContexts() const { return liveContexts_; }

  ConnStatus InitClient(std::uint32_t a, std::uint32_t b) override {
    if (Fail()) return Conn();
    return inner_.InitClient(a, b);
  }
  ConnStatus GetPrimaryConnectionRef(ConnRef* ref) override {
    if (Fail()) return Conn();
    return inner_.GetPrimaryConnectionRef(ref);
  }
  ConnStatus ScanConnectionRefs(std::uint32_t* iterator, ConnRef* ref) override {
    if (Fail()) return Conn();
    return inner_.ScanConnectionRefs(iterator, ref);
  }
  ConnStatus GetConnectionRefInfo(ConnRef ref, std::uint32_t type, std::uint32_t length, void* buffer) override {
    if (Fail()) return Conn();
    return inner_.GetConnectionRefInfo(ref, type, length, buffer);
  }
  ConnStatus OpenConnectionByRef(ConnRef ref, std::uint32_t mode, std::uint32_t r, ConnHandle* c) override {
    if (Fail()) return Conn();
    return inner_.OpenConnectionByRef(ref, mode, r, c);
  }
  DirStatus CreateContext(DirContext* ctx) override {
    if (Fail()) return failStatus_;
    const DirStatus s = inner_.CreateContext(ctx);
    if (s == 0) Made(*ctx);
    return s;
  }
  DirStatus DuplicateContext(DirContext source, DirContext* ctx) override {
    if (Fail()) return failStatus_;
    const DirStatus s = inner_.DuplicateContext(source, ctx);
    if (s == 0) Made(*ctx);
    return s;
  }
  DirStatus FreeContext(DirContext ctx) override {
    // A free that fails still counts as given back by the caller.
    ++contextsFreed;
    liveContexts_.erase(ctx);
    if (Fail()) return failStatus_;
    return inner_.FreeContext(ctx);
  }
  DirStatus GetContextValue(DirContext ctx, std::uint32_t key, void* value) override {
    if (Fail()) return failStatus_;
    return inner_.GetContextValue(ctx, key, value);
  }
  DirStatus SetContextValue(DirContext ctx, std::uint32_t key, const void* value) override {
    if (Fail()) return failStatus_;
    return inner_.SetContextValue(ctx, key, value);
  }
  DirStatus GetDefaultNameContext(DirContext ctx, std::uint32_t length, char* buffer) override {
    if (Fail()) return failStatus_;
    return inner_.GetDefaultNameContext(ctx, length, buffer);
  }
  DirStatus SetPreferredTree(std::uint32_t length, const char* tree) override {
    if (Fail()) return failStatus_;
    return inner_.SetPreferredTree(length, tree);
  }
  DirStatus WhoAmI(DirContext ctx, char* buffer) override {
    if (Fail()) return failStatus_;
    return inner_.WhoAmI(ctx, buffer);
  }
  DirStatus AllocBuffer(std::uint32_t size, DirBuffer* buffer) override {
    if (Fail()) return failStatus_;
    const DirStatus s = inner_.AllocBuffer(size, buffer);
    if (s == 0) {
      ++buffersAllocated;
      liveBuffers_.insert(*buffer);
    }
    return s;
  }
  DirStatus FreeBuffer(DirBuffer buffer) override {
    ++buffersFreed;
    liveBuffers_.erase(buffer);
    if (Fail()) return failStatus_;
    return inner_.FreeBuffer(buffer);
  }
  DirStatus InitBuffer(DirContext ctx, std::uint32_t op, DirBuffer buffer) override {
    if (Fail()) return failStatus_;
    return inner_.InitBuffer(ctx, op, buffer);
  }
  DirStatus ListSubordinates(DirContext ctx, const char* name, IterationHandle* it, DirBuffer reply) override {
    if (Fail()) return failStatus_;
    return inner_.ListSubordinates(ctx, name, it, reply);
  }
  DirStatus ListContainers(DirContext ctx, const char* name, IterationHandle* it, DirBuffer reply) override {
    if (Fail()) return failStatus_;
    return inner_.ListContainers(ctx, name, it, reply);
  }
  DirStatus GetObjectCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override {
    if (Fail()) return failStatus_;
    return inner_.GetObjectCount(ctx, reply, count);
  }
  DirStatus GetObjectName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* n, ObjectInfo* info) override {
    if (Fail()) return failStatus_;
    return inner_.GetObjectName(ctx, reply, name, n, info);
  }
  DirStatus ReadClassDef(DirContext ctx, std::uint32_t type, bool all, DirBuffer names, IterationHandle* it,
                         DirBuffer reply) override {
    if (Fail()) return failStatus_;
    return inner_.ReadClassDef(ctx, type, all, names, it, reply);
  }
  DirStatus ReadAttrDef(DirContext ctx, std::uint32_t type, bool all, DirBuffer names, IterationHandle* it,
                        DirBuffer reply) override {
    if (Fail()) return failStatus_;
    return inner_.ReadAttrDef(ctx, type, all, names, it, reply);
  }
  DirStatus ReadObject(DirContext ctx, const char* object, std::uint32_t type, bool all, DirBuffer names,
                       IterationHandle* it, DirBuffer reply) override {
    if (Fail()) return failStatus_;
    return inner_.ReadObject(ctx, object, type, all, names, it, reply);
  }
  DirStatus GetSyntaxId(DirContext ctx, const char* attr, std::uint32_t* syntax) override {
    if (Fail()) return failStatus_;
    return inner_.GetSyntaxId(ctx, attr, syntax);
  }
  DirStatus GetClassDefCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override {
    if (Fail()) return failStatus_;
    return inner_.GetClassDefCount(ctx, reply, count);
  }
  DirStatus GetClassDef(DirContext ctx, DirBuffer reply, char* name, ClassInfo* info) override {
    if (Fail()) return failStatus_;
    return inner_.GetClassDef(ctx, reply, name, info);
  }
  DirStatus GetClassItemCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override {
    if (Fail()) return failStatus_;
    return inner_.GetClassItemCount(ctx, reply, count);
  }
  DirStatus GetClassItem(DirContext ctx, DirBuffer reply, char* name) override {
    if (Fail()) return failStatus_;
    return inner_.GetClassItem(ctx, reply, name);
  }
  DirStatus GetAttrCount(DirContext ctx, DirBuffer reply, std::uint32_t* count) override {
    if (Fail()) return failStatus_;
    return inner_.GetAttrCount(ctx, reply, count);
  }
  DirStatus GetAttrDef(DirContext ctx, DirBuffer reply, char* name, AttrInfo* info) override {
    if (Fail()) return failStatus_;
    return inner_.GetAttrDef(ctx, reply, name, info);
  }
  DirStatus GetAttrName(DirContext ctx, DirBuffer reply, char* name, std::uint32_t* count,
                        std::uint32_t* syntax) override {
    if (Fail()) return failStatus_;
    return inner_.GetAttrName(ctx, reply, name, count, syntax);
  }
  DirStatus ComputeAttrValSize(DirContext ctx, DirBuffer reply, std::uint32_t syntax, std::uint32_t* size) override {
    if (Fail()) return failStatus_;
    return inner_.ComputeAttrValSize(ctx, reply, syntax, size);
  }
  DirStatus GetAttrVal(DirContext ctx, DirBuffer reply, std::uint32_t syntax, void* value) override {
    if (Fail()) return failStatus_;
    return inner_.GetAttrVal(ctx, reply, syntax, value);
  }
  DirStatus PutClassName(DirContext ctx, DirBuffer buffer, const char* name) override {
    if (Fail()) return failStatus_;
    return inner_.PutClassName(ctx, buffer, name);
  }
  DirStatus PutAttrName(DirContext ctx, DirBuffer buffer, const char* name) override {
    if (Fail()) return failStatus_;
    return inner_.PutAttrName(ctx, buffer, name);
  }
  DirStatus PutChange(DirContext ctx, DirBuffer buffer, std::uint32_t type, const char* attr) override {
    if (Fail()) return failStatus_;
    return inner_.PutChange(ctx, buffer, type, attr);
  }
  DirStatus PutChangeAndValue(DirContext ctx, DirBuffer buffer, std::uint32_t type, const char* attr,
                              std::uint32_t syntax, const void* value) override {
    if (Fail()) return failStatus_;
    return inner_.PutChangeAndValue(ctx, buffer, type, attr, syntax, value);
  }
  DirStatus ModifyObject(DirContext ctx, const char* object, IterationHandle* it, std::uint32_t more,
                         DirBuffer changes) override {
    if (Fail()) return failStatus_;
    return inner_.ModifyObject(ctx, object, it, more, changes);
  }
  DirStatus NWDSMutateObject(DirContext ctx, const char* object, const char* cls, std::uint32_t flags) override {
    if (Fail()) return failStatus_;
    return inner_.NWDSMutateObject(ctx, object, cls, flags);
  }
  void BeginUserAction() override { inner_.BeginUserAction(); }
  DirStatus ExportAttributeValues(DirContext ctx, const char* object, const char* attr, std::string* out) override {
    if (Fail()) return failStatus_;
    return inner_.ExportAttributeValues(ctx, object, attr, out);
  }
  DirStatus ImportAttributeValues(DirContext ctx, const char* object, const char* attr, const char* text) override {
    if (Fail()) return failStatus_;
    return inner_.ImportAttributeValues(ctx, object, attr, text);
  }
  DirStatus DescribeRestoreLdif(DirContext ctx, const char* object, const std::vector<std::string>& attrs,
                                std::string* ldif) override {
    if (Fail()) return failStatus_;
    return inner_.DescribeRestoreLdif(ctx, object, attrs, ldif);
  }
  DirStatus OpenStream(DirContext ctx, const char* object, const char* attr, std::uint32_t flags, int* fd) override {
    if (Fail()) return failStatus_;
    return inner_.OpenStream(ctx, object, attr, flags, fd);
  }

 private:
  bool Fail() {
    ++calls_;
    if (calls_ == failAt_) {
      failed_ = true;
      return true;
    }
    return false;
  }
  ConnStatus Conn() const { return static_cast<ConnStatus>(failStatus_ & 0xFFFF); }
  void Made(DirContext ctx) {
    ++contextsMade;
    liveContexts_.insert(ctx);
  }

  DirectoryClient& inner_;
  int calls_ = 0;
  int failAt_ = 0;
  DirStatus failStatus_ = kErrDirectoryFailure;
  bool failed_ = false;
  std::set<DirBuffer> liveBuffers_;
  std::set<DirContext> liveContexts_;
};

}  // namespace recast::testing
