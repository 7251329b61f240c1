#include "directory/DirectorySession.h"

#include <unistd.h>

#include <array>
#include <utility>

namespace recast {

DirectorySession::DirectorySession(DirectoryClient& client, UserInterface& ui, std::string errorTextLibrary)
    : client(client), ui(ui), errorTextLibrary(std::move(errorTextLibrary)) {}

DirectorySession::DirectorySession(DirectoryClient& client, UserInterface& ui)
    : DirectorySession(client, ui, DefaultErrorTextLibraryPath()) {}

std::string DefaultErrorTextLibraryPath() {
  static constexpr const char* kLibraryName = "librecast-errtext.so";
  std::array<char, 4096> path{};
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (n <= 0) return kLibraryName;
  std::string program(path.data(), static_cast<std::size_t>(n));
  const auto slash = program.rfind('/');
  if (slash == std::string::npos) return kLibraryName;
  return program.substr(0, slash + 1) + kLibraryName;
}

}  // namespace recast
