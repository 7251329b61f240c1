#pragma once
// The trees the workstation is connected to.

#include <cstdint>
#include <string>

#include "directory/DirectorySession.h"
#include "util/TaggedList.h"

namespace recast {

// GetConnectionRefInfo(reference, infoType, 255, buffer). *text is the buffer's text, or
// empty when the status is not 0.
ConnStatus GetConnectionInfoText(DirectorySession& session, ConnRef reference, std::uint32_t infoType,
                                 std::string* text);

// The cleaned tree name of one connection; empty on failure. *status (if given) receives the
// status of the connection information call.
std::string GetConnectionTreeName(DirectorySession& session, ConnRef reference, ConnStatus* status = nullptr);

// The primary connection's tree name; empty when there is no primary connection.
std::string GetPrimaryTreeName(DirectorySession& session);

// Appends the tree name of every connection reference, in scan order, each with its
// reference as the number; empty names and names already in list (ignoring case) are
// skipped. Lets window messages run after each reference. Leaves the status of the last
// scan (the one that ended it) in session.LastStatus.
void EnumerateTrees(DirectorySession& session, TaggedList& list);

}  // namespace recast
