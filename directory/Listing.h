#pragma once
// Listing the entries directly below one container.

#include <cstdint>
#include <string>
#include <string_view>

#include "directory/DirGuards.h"
#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast {

// Fills containersList (if given) with the bare names of the sub-containers and objectsList
// (if given) with "Class: name" entries (numbered with the prefix length) or bare names
// (numbered 0) when withClass is false; a non-empty classFilter keeps only entries of that
// base class (case counts). Lists are appended to, never cleared. A listing that cannot be
// opened adds nothing; a failure part-way keeps what was added. Works on a duplicate of ctx;
// ctx is not changed. Shows the busy cursor meanwhile and lets window messages run once per
// entry and at each batch boundary; stops after the entry at hand when the user cancels
// meanwhile (UserInterface::CancelRequested), keeping what was added.
void ListContainerContents(DirectorySession& session, DirContext ctx, std::string_view containerName,
                           TaggedList* containersList, TaggedList* objectsList, std::string_view classFilter,
                           bool withClass);

// WhoAmI(ctx): the login's name, or empty when the call fails.
std::string GetMyName(DirectorySession& session, DirContext ctx);

// ---- The listing steps (used by ListContainerContents; exposed for tests) ----------------

// One running listing. It owns its duplicated context and reply buffer from a successful
// OpenListing until the listing ends (or the record goes).
struct TNDSObj {
  IterationHandle iterationHandle = kNoIteration;
  std::string entryName;      // the current entry; empty before the first and after a failed read
  std::string containerName;  // the listed container, with its leading "." unless special
  std::uint32_t entryAttrCount = 0;
  std::int32_t batchCount = 0;
  std::int32_t batchPosition = 0;
  ObjectInfo entryInfo;  // flags word (kEntryContainer) and base class of the current entry
  ScopedContext context;
  bool containersOnly = false;
  ScopedBuffer replyBuffer;  // 4096 bytes
};

// Clears listing, duplicates ctx (flags +0x14, key 2 = 0, name context = the container),
// allocates the reply buffer, reads the first batch and makes its first entry current.
// On a non-zero status the listing holds no context and no buffer.
// kTyped: entry names with their types ("CN=Jane"), so that nothing has to list the container
// again to learn an entry's typed name.
enum class ListingNames { kTypeless, kTyped };
DirStatus OpenListing(DirectorySession& session, DirContext ctx, std::string_view containerName, bool containersOnly,
                      TNDSObj& listing, ListingNames names = ListingNames::kTypeless);
// One list request continuing at the iteration handle, then the reply's entry count;
// position back to 0. On a failed request count and position stay as they were.
DirStatus FetchBatch(DirectorySession& session, TNDSObj& listing);
// Makes the next entry of the reply current; 0 without reading when the batch is empty.
// The position advances whether or not the read succeeds.
DirStatus ReadEntry(DirectorySession& session, TNDSObj& listing);
// 0 when a new entry is current; -1 when the listing ended normally; any other status when
// it ended by a failure. After a non-zero result the listing has released its context and
// buffer.
DirStatus NextEntry(DirectorySession& session, TNDSObj& listing);

}  // namespace recast
