#pragma once
// Changing one attribute of one object in a single modify request.

#include <cstdint>
#include <string>
#include <string_view>

#include "directory/DirectorySession.h"

namespace recast {

// The program's own change type: clear the attribute, then add the new value, in one request.
inline constexpr std::uint32_t kChangeReplaceAll = 128;

// The arguments of one ApplyAttributeChange call, shared by the requests it sends.
// oldValue and newValue are value records of syntax (or null).
struct AttributeChange {
  DirContext ctx = kNoContext;
  std::uint32_t syntax = 0;
  std::string objectName;
  std::string attrName;
  const void* oldValue = nullptr;
  const void* newValue = nullptr;
};

// GetSyntaxId(attrName), then ApplyAttributeChange. An unknown attribute returns
// GetSyntaxId's status and sends nothing. 0 = done; a duplicate-value answer (614) counts
// as done.
DirStatus ModifyAttribute(DirectorySession& session, DirContext ctx, std::string_view objectName,
                          std::string_view attrName, const void* oldValue, const void* newValue,
                          std::uint32_t changeType);

// SendAttributeChange(changeType); for change types 2, 4 and 5 that fail with 603 (no such
// attribute) the attribute is added (type 0) and, if that succeeds, the value (type 2).
DirStatus ApplyAttributeChange(DirectorySession& session, DirContext ctx, std::uint32_t syntax,
                               std::string_view objectName, std::string_view attrName, const void* oldValue,
                               const void* newValue, std::uint32_t changeType);

// Builds one modify request (an old value's removal first when given, then the change of
// changeType) and sends it. A 614 status counts as done. The request buffer is released
// on every path.
DirStatus SendAttributeChange(DirectorySession& session, const AttributeChange& change, std::uint32_t changeType);

}  // namespace recast
