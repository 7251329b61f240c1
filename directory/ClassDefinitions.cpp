#include "directory/ClassDefinitions.h"

#include <array>
#include <cstring>

#include "directory/AttributeDefinitions.h"
#include "directory/DirGuards.h"

namespace recast {

namespace {

std::string NameText(const std::array<char, kMaxSchemaNameBytes>& name) {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

}  // namespace

DirStatus ListClassNames(DirectorySession& session, DirContext ctx, TaggedList& list) {
  DirectoryClient& client = session.client;
  ScopedBuffer request;
  DirStatus status = request.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;
  client.InitBuffer(ctx, kOpReadClassDef, request.get());
  ScopedBuffer reply;
  status = reply.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;

  IterationHandle iteration = kNoIteration;
  DirStatus readStatus = 0;
  do {
    readStatus = client.ReadClassDef(ctx, kClassInfoNames, true, request.get(), &iteration, reply.get());
    status = readStatus;
    if (readStatus != 0) break;
    std::uint32_t count = 0;
    status = client.GetClassDefCount(ctx, reply.get(), &count);
    if (status != 0) continue;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::array<char, kMaxSchemaNameBytes> name{};
      ClassInfo info;
      status = client.GetClassDef(ctx, reply.get(), name.data(), &info);
      if (status == 0) list.Add(NameText(name), static_cast<std::int32_t>(info.classFlags));
    }
  } while (iteration != kNoIteration && readStatus == 0);
  return status;
}

DirStatus ReadClassAttributes(DirectorySession& session, DirContext ctx, std::string_view className, TaggedList& list) {
  DirectoryClient& client = session.client;
  ScopedBuffer request;
  DirStatus status = request.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;
  status = client.InitBuffer(ctx, kOpReadClassDef, request.get());
  if (status != 0) return status;
  const std::string classText(className);
  status = client.PutClassName(ctx, request.get(), classText.c_str());
  if (status != 0) return status;
  ScopedBuffer reply;
  status = reply.Allocate(client, kMaxBufferSize);
  if (status != 0) return status;

  IterationHandle iteration = kNoIteration;
  IterationHandle passStart = kNoIteration;
  do {
    passStart = iteration;
    status = client.ReadClassDef(ctx, kClassInfoExpanded, false, request.get(), &iteration, reply.get());
    if (status != 0) break;
    std::uint32_t count = 0;
    status = client.GetClassDefCount(ctx, reply.get(), &count);
    if (status != 0) continue;
    for (std::uint32_t i = 0; i < count; ++i) {
      session.ui.ProcessPendingMessages();
      std::array<char, kMaxSchemaNameBytes> name{};
      ClassInfo info;
      status = client.GetClassDef(ctx, reply.get(), name.data(), &info);
      if (status != 0) continue;
      // Every item list is read, even the ones not delivered: the reply is consumed in order.
      for (std::uint32_t kind = kItemSuperClasses; kind <= kItemOptionalAttributes; ++kind) {
        std::uint32_t items = 0;
        status = client.GetClassItemCount(ctx, reply.get(), &items);
        if (status != 0) continue;
        for (std::uint32_t j = 0; j < items; ++j) {
          std::array<char, kMaxSchemaNameBytes> item{};
          status = client.GetClassItem(ctx, reply.get(), item.data());
          if (status != 0) break;
          if (kind != kItemMandatoryAttributes && kind != kItemOptionalAttributes) continue;
          const std::string itemName = NameText(item);
          if (list.IndexOf(itemName) < 0) list.Add(itemName, static_cast<std::int32_t>(kind));
        }
      }
    }
  } while (iteration != kNoIteration && iteration != passStart);
  return status;
}

DirStatus ReadClassOrSchemaAttributes(DirectorySession& session, DirContext ctx, std::string_view className,
                                      TaggedList& list) {
  if (className == "*") return ListAttributeNames(session, ctx, list);
  return ReadClassAttributes(session, ctx, className, list);
}

}  // namespace recast
