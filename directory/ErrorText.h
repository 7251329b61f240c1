#pragma once
// Status codes as readable text.

#include <string>
#include <string_view>

#include "directory/DirectorySession.h"

namespace recast {

// "0x%.4X (description)": the status as a 32-bit hex code (negative statuses show eight
// digits), then the error-text library's description, or the operating system's message
// text when the library answers "Unknown error" or lacks its routine. The library is loaded
// from errorTextLibrary on every call and unloaded after; when it cannot be loaded the
// result is the bare code. An unknown code gives "code ()".
std::string DirErrorText(const std::string& errorTextLibrary, DirStatus status);
std::string DirErrorText(const DirectorySession& session, DirStatus status);

// Nothing for status 0; otherwise an error box "%s returned error %s" with operationText and
// DirErrorText(status), waiting until it is closed.
void ShowDirError(DirectorySession& session, DirStatus status, std::string_view operationText);

}  // namespace recast
