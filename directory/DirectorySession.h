#pragma once
// What the directory access layer keeps across calls: the client it talks to, the seam for
// the one message box it shows and for letting window messages run, the connection handle
// and the latest status of a connection scan. The window creates one session and passes it
// to every layer operation; there are no globals behind it.

#include <string>

#include "directory/DirectoryClient.h"
#include "util/UserInterface.h"

namespace recast {

// The connection handle's value before a connection has been opened.
inline constexpr ConnHandle kNoConnectionHandle = 0xFFFF;

struct DirectorySession {
  // errorTextLibrary: path of the error-text library that DirErrorText loads on each call.
  DirectorySession(DirectoryClient& client, UserInterface& ui, std::string errorTextLibrary);
  // Uses DefaultErrorTextLibraryPath().
  DirectorySession(DirectoryClient& client, UserInterface& ui);

  DirectoryClient& client;
  UserInterface& ui;
  // Set once by OpenPrimaryConnection; the connection stays open for the whole run.
  ConnHandle connectionHandle = kNoConnectionHandle;
  // EnumerateTrees leaves the status of its latest ScanConnectionRefs here; the window keeps
  // the status of its tree change here.
  DirStatus LastStatus = 0;
  std::string errorTextLibrary;
};

// ShippedLibraryPath("librecast-errtext.so"): beside the program where it was built, in the
// installed library folder once installed; just the file name when the program's path
// cannot be found.
std::string DefaultErrorTextLibraryPath();

}  // namespace recast
