#include "directory/AttributeRemoval.h"

#include <cstdlib>

#include "directory/DirGuards.h"

namespace recast {

namespace {

constexpr DirStatus kDuplicateValue = 614;
constexpr DirStatus kNoSuchAttribute = 603;

bool RetriesAsAdd(std::uint32_t changeType) {
  return changeType == kChangeAddValue || changeType == kChangeAdditionalValue || changeType == kChangeOverwriteValue;
}

DirStatus PutRequestedChange(DirectoryClient& client, const AttributeChange& change, DirBuffer request,
                             std::uint32_t changeType) {
  const char* attr = change.attrName.c_str();
  switch (changeType) {
    case kChangeAddAttribute:
    case kChangeRemoveAttribute:
    case kChangeClearAttribute:
    case kChangeClearValue:
      return client.PutChange(change.ctx, request, changeType, attr);
    case kChangeAddValue:
      return client.PutChangeAndValue(change.ctx, request, kChangeAddValue, attr, change.syntax, change.newValue);
    case kChangeRemoveValue:
      return 0;
    case kChangeReplaceAll:
      client.PutChange(change.ctx, request, kChangeClearAttribute, attr);
      return client.PutChangeAndValue(change.ctx, request, kChangeAddValue, attr, change.syntax, change.newValue);
    default:
      return client.PutChangeAndValue(change.ctx, request, changeType, attr, change.syntax, change.newValue);
  }
}

}  // namespace

DirStatus SendAttributeChange(DirectorySession& session, const AttributeChange& change, std::uint32_t changeType) {
  DirectoryClient& client = session.client;
  ScopedBuffer request;
  DirStatus status = request.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;
  status = client.InitBuffer(change.ctx, kOpModifyObject, request.get());
  if (status != 0) return status;
  if (change.oldValue != nullptr) {
    status = client.PutChangeAndValue(change.ctx, request.get(), kChangeRemoveValue, change.attrName.c_str(),
                                      change.syntax, change.oldValue);
    if (status != 0) return status;
  }
  try {
    status = PutRequestedChange(client, change, request.get(), changeType);
    if (status == 0) {
      IterationHandle iteration = kNoIteration;
      status = client.ModifyObject(change.ctx, change.objectName.c_str(), &iteration, 0, request.get());
    }
    if (std::abs(status) == kDuplicateValue) status = 0;
  } catch (...) {
    status = -1;
  }
  return status;
}

DirStatus ApplyAttributeChange(DirectorySession& session, DirContext ctx, std::uint32_t syntax,
                               std::string_view objectName, std::string_view attrName, const void* oldValue,
                               const void* newValue, std::uint32_t changeType) {
  const AttributeChange change{ctx, syntax, std::string(objectName), std::string(attrName), oldValue, newValue};
  DirStatus status = SendAttributeChange(session, change, changeType);
  if (std::abs(status) == kNoSuchAttribute && RetriesAsAdd(changeType)) {
    status = SendAttributeChange(session, change, kChangeAddAttribute);
    if (status == 0) status = SendAttributeChange(session, change, kChangeAddValue);
  }
  return status;
}

DirStatus ModifyAttribute(DirectorySession& session, DirContext ctx, std::string_view objectName,
                          std::string_view attrName, const void* oldValue, const void* newValue,
                          std::uint32_t changeType) {
  std::uint32_t syntax = 0;
  const std::string attrText(attrName);
  const DirStatus status = session.client.GetSyntaxId(ctx, attrText.c_str(), &syntax);
  if (status != 0) return status;
  return ApplyAttributeChange(session, ctx, syntax, objectName, attrName, oldValue, newValue, changeType);
}

}  // namespace recast
