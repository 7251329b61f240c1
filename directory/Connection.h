#pragma once
// Opening the program's one connection at start-up.

#include "directory/DirectorySession.h"

namespace recast {

// Opens the primary connection (or, when there is none, the first connection the client
// holds) and stores it in session.connectionHandle. Returns 0 at once without calling the
// client when the handle is already set. Any non-zero 16-bit status of InitClient, of the
// reference scan or of OpenConnectionByRef is returned unchanged and leaves the handle at
// kNoConnectionHandle.
ConnStatus OpenPrimaryConnection(DirectorySession& session);

// OpenPrimaryConnection; on failure shows exactly one error box ("Could not initialize
// NetWare Client. InitNetWare" for 0xFFFF, "Could not find server/tree connection.
// InitNetWare" for any other status, each through ShowDirError). Returns the status.
ConnStatus InitNetWare(DirectorySession& session);

}  // namespace recast
