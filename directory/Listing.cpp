#include "directory/Listing.h"

#include <array>
#include <cstring>

#include "directory/Contexts.h"
#include "directory/Names.h"
#include "util/Dialogs.h"

namespace recast {

namespace {

constexpr std::int32_t kListingEnded = -1;

void ClearListing(TNDSObj& listing) {
  listing.iterationHandle = kNoIteration;
  listing.entryName.clear();
  listing.containerName.clear();
  listing.entryAttrCount = 0;
  listing.batchCount = 0;
  listing.batchPosition = 0;
  listing.entryInfo = ObjectInfo{};
  listing.context.Release();
  listing.containersOnly = false;
  listing.replyBuffer.Release();
}

void ReleaseListing(TNDSObj& listing) {
  listing.replyBuffer.Release();
  listing.context.Release();
}

std::string BaseClassName(const ObjectInfo& info) {
  return std::string(info.baseClass, strnlen(info.baseClass, sizeof info.baseClass));
}

}  // namespace

DirStatus OpenListing(DirectorySession& session, DirContext ctx, std::string_view containerName, bool containersOnly,
                      TNDSObj& listing, ListingNames names) {
  DirectoryClient& client = session.client;
  ClearListing(listing);
  listing.containersOnly = containersOnly;
  const std::string name = AddLeadingDot(containerName);

  // The statuses of these four calls are not looked at: the list request itself tells.
  listing.context.Duplicate(client, ctx);
  const DirContext listingContext = listing.context.get();
  ChangeContextFlags(session, listingContext, '+', kFlagTypelessNames | kFlagCanonicalize);
  if (names == ListingNames::kTyped) ChangeContextFlags(session, listingContext, '-', kFlagTypelessNames);
  const std::uint32_t setting = 0;
  client.SetContextValue(listingContext, kKeySetting, &setting);
  const std::string nameContext = StripLeadingDot(name);
  client.SetContextValue(listingContext, kKeyNameContext, nameContext.c_str());

  DirStatus status = listing.replyBuffer.Allocate(client, kDefaultBufferSize);
  if (status != 0) {
    ReleaseListing(listing);
    return status;
  }
  listing.iterationHandle = kNoIteration;
  listing.containerName = name;

  status = FetchBatch(session, listing);
  if (status == 0 && listing.batchCount > 0) status = ReadEntry(session, listing);
  if (status != 0) ReleaseListing(listing);
  return status;
}

DirStatus FetchBatch(DirectorySession& session, TNDSObj& listing) {
  DirectoryClient& client = session.client;
  const DirContext ctx = listing.context.get();
  const DirBuffer reply = listing.replyBuffer.get();
  DirStatus status = listing.containersOnly
                         ? client.ListContainers(ctx, listing.containerName.c_str(), &listing.iterationHandle, reply)
                         : client.ListSubordinates(ctx, listing.containerName.c_str(), &listing.iterationHandle, reply);
  if (status != 0) return status;
  std::uint32_t count = 0;
  status = client.GetObjectCount(ctx, reply, &count);
  listing.batchCount = status == 0 ? static_cast<std::int32_t>(count) : 0;
  listing.batchPosition = 0;
  return status;
}

DirStatus ReadEntry(DirectorySession& session, TNDSObj& listing) {
  listing.entryName.clear();
  if (listing.batchCount < 1) return 0;
  std::array<char, kMaxNameBytes> name{};
  const DirStatus status = session.client.GetObjectName(listing.context.get(), listing.replyBuffer.get(), name.data(),
                                                        &listing.entryAttrCount, &listing.entryInfo);
  if (status == 0) listing.entryName.assign(name.data(), strnlen(name.data(), name.size()));
  ++listing.batchPosition;
  return status;
}

DirStatus NextEntry(DirectorySession& session, TNDSObj& listing) {
  while (listing.batchPosition == listing.batchCount) {
    session.ui.ProcessPendingMessages();
    if (listing.iterationHandle == kNoIteration) {
      ReleaseListing(listing);
      return kListingEnded;
    }
    const DirStatus status = FetchBatch(session, listing);
    if (status != 0) {
      ReleaseListing(listing);
      return status;
    }
  }
  session.ui.ProcessPendingMessages();
  const DirStatus status = ReadEntry(session, listing);
  if (status != 0) ReleaseListing(listing);
  return status;
}

void ListContainerContents(DirectorySession& session, DirContext ctx, std::string_view containerName,
                           TaggedList* containersList, TaggedList* objectsList, std::string_view classFilter,
                           bool withClass) {
  const BusyCursorScope busy(session.ui);
  TNDSObj listing;
  if (OpenListing(session, ctx, containerName, false, listing) != 0) return;
  do {
    session.ui.ProcessPendingMessages();
    const std::string baseClass = BaseClassName(listing.entryInfo);
    if (containersList != nullptr && (listing.entryInfo.objectFlags & kEntryContainer) != 0) {
      containersList->Add(listing.entryName, 0);
    }
    const std::string prefix = withClass ? baseClass + ": " : std::string();
    if (objectsList != nullptr && !listing.entryName.empty() && (classFilter.empty() || classFilter == baseClass)) {
      objectsList->Add(prefix + listing.entryName, static_cast<std::int32_t>(prefix.size()));
    }
  } while (!session.ui.CancelRequested() && NextEntry(session, listing) == 0);
}

std::string GetMyName(DirectorySession& session, DirContext ctx) {
  std::array<char, kWhoAmIBytes> buffer{};
  if (session.client.WhoAmI(ctx, buffer.data()) != 0) return {};
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace recast
