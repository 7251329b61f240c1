#include "directory/DirectorySession.h"

#include <utility>

#include "util/FileNames.h"

namespace recast {

DirectorySession::DirectorySession(DirectoryClient& client, UserInterface& ui, std::string errorTextLibrary)
    : client(client), ui(ui), errorTextLibrary(std::move(errorTextLibrary)) {}

DirectorySession::DirectorySession(DirectoryClient& client, UserInterface& ui)
    : DirectorySession(client, ui, DefaultErrorTextLibraryPath()) {}

std::string DefaultErrorTextLibraryPath() { return ShippedLibraryPath("librecast-errtext.so"); }

}  // namespace recast
