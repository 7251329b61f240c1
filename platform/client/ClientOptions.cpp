#include "platform/client/ClientOptions.h"

#include <cstdlib>

#include "util/TextHelpers.h"

namespace recast::client {
namespace {

std::filesystem::path UserFolder(const char* xdgVariable, const char* homeRelative) {
  const char* xdg = std::getenv(xdgVariable);
  if (xdg != nullptr && *xdg == '/') return std::filesystem::path(xdg) / "recast-object";
  const char* home = std::getenv("HOME");
  std::filesystem::path base = home != nullptr && *home != '\0' ? std::filesystem::path(home) : std::filesystem::path(".");
  return base / homeRelative / "recast-object";
}

}  // namespace

ClientOptions DefaultClientOptions() {
  ClientOptions options;
  options.configFile = UserFolder("XDG_CONFIG_HOME", ".config") / "connections.ini";
  options.dataFolder = UserFolder("XDG_DATA_HOME", ".local/share");
  return options;
}

std::string ServiceKindOf(std::string_view service) {
  for (std::string_view scheme : {"ldap://", "ldaps://", "ldapi://"}) {
    if (service.size() >= scheme.size() && TextEquals(service.substr(0, scheme.size()), scheme)) {
      return std::string(kLdapServiceKind);
    }
  }
  return std::string(kEmbeddedServiceKind);
}

}  // namespace recast::client
