#include "directory/AttributeDefinitions.h"

#include <array>
#include <cstring>
#include <exception>

#include "directory/DirGuards.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast {

namespace {

struct FlagText {
  std::uint32_t bit;
  const char* text;
};

// Emission order, not bit order: PerRep (0x400) comes before SyncImdt (0x040).
constexpr std::array<FlagText, 10> kFlagsAfterSized = {{
    {kAttrNonRemovable, "NonRem"},
    {kAttrReadOnly, "RdOnly"},
    {kAttrHidden, "Hidden"},
    {kAttrString, "String"},
    {kAttrPublicRead, "PublRd"},
    {kAttrServerRead, "SrvrRd"},
    {kAttrWriteManaged, "WrtMngd"},
    {kAttrPerReplica, "PerRep"},
    {kAttrSyncImmediate, "SyncImdt"},
    {kAttrSyncNever, "SyncNever"},
}};

std::string NameText(const std::array<char, kMaxSchemaNameBytes>& name) {
  return std::string(name.data(), strnlen(name.data(), name.size()));
}

}  // namespace

std::string SyntaxName(std::uint32_t syntaxId) { return std::string(SyntaxOf(syntaxId).name); }

std::string FormatAttributeDefinition(const AttributeDefinition& definition) {
  const std::uint32_t flags = definition.attrFlags;
  std::string flagText;
  if ((flags & kAttrSingleValued) != 0) flagText = JoinText(flagText, "SglVal", "\\");
  if ((flags & kAttrSized) != 0) {
    const auto lower = static_cast<std::int32_t>(definition.lowerBound);
    const auto upper = static_cast<std::int32_t>(definition.upperBound);
    flagText = JoinText(flagText,
                        lower == upper ? Format("Sized (%d)", {lower}) : Format("Sized (%d-%d)", {lower, upper}), "\\");
  }
  for (const FlagText& flag : kFlagsAfterSized) {
    if ((flags & flag.bit) != 0) flagText = JoinText(flagText, flag.text, "\\");
  }
  const std::string name = SyntaxName(definition.syntaxId);
  if (flagText.empty()) return name;
  return name + " [" + flagText + "]";
}

DirStatus ReadAttributeDefinition(DirectorySession& session, DirContext ctx, std::string_view attrName,
                                  AttributeDefinition* definition) {
  DirectoryClient& client = session.client;
  ScopedBuffer request;
  DirStatus status = request.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;
  status = client.InitBuffer(ctx, kOpReadAttrDef, request.get());
  if (status != 0) return status;
  const std::string attrText(attrName);
  status = client.PutAttrName(ctx, request.get(), attrText.c_str());
  if (status != 0) return status;

  IterationHandle iteration = kNoIteration;
  ScopedBuffer reply;
  status = reply.Allocate(client, kDefaultBufferSize);
  if (status != 0) return status;
  status = client.ReadAttrDef(ctx, kAttrInfoDefinitions, false, request.get(), &iteration, reply.get());
  if (status != 0) return status;
  std::uint32_t count = 0;
  status = client.GetAttrCount(ctx, reply.get(), &count);
  if (status != 0) return status;
  std::array<char, kMaxSchemaNameBytes> name{};
  AttributeDefinition read;
  status = client.GetAttrDef(ctx, reply.get(), name.data(), &read);
  if (status == 0) *definition = read;
  return status;
}

DirStatus DescribeAttribute(DirectorySession& session, DirContext ctx, std::string_view attrName, std::string* text) {
  AttributeDefinition definition;
  const DirStatus status = ReadAttributeDefinition(session, ctx, attrName, &definition);
  *text = status == 0 ? FormatAttributeDefinition(definition) : std::string();
  return status;
}

DirStatus ListAttributeNames(DirectorySession& session, DirContext ctx, TaggedList& list) {
  DirectoryClient& client = session.client;
  ScopedBuffer reply;
  DirStatus status = reply.Allocate(client, kMaxBufferSize);
  if (status != 0) return status;

  IterationHandle iteration = kNoIteration;
  DirStatus readStatus = 0;
  do {
    readStatus = client.ReadAttrDef(ctx, kAttrInfoNames, true, kNoBuffer, &iteration, reply.get());
    status = readStatus;
    if (readStatus != 0) break;
    std::uint32_t count = 0;
    status = client.GetAttrCount(ctx, reply.get(), &count);
    if (status != 0) continue;
    // An exception while one reply is walked abandons that reply only.
    try {
      for (std::uint32_t i = 0; i < count; ++i) {
        std::array<char, kMaxSchemaNameBytes> name{};
        AttributeDefinition definition;
        status = client.GetAttrDef(ctx, reply.get(), name.data(), &definition);
        if (status == 0) list.Add(NameText(name), 0);
      }
    } catch (const std::exception&) {
    }
  } while (iteration != kNoIteration && readStatus == 0);
  return status;
}

}  // namespace recast
