#include "platform/client/ClientOptions.h"

#include "util/TextHelpers.h"
#include "util/UserFolders.h"

namespace recast::client {

ClientOptions DefaultClientOptions() {
  ClientOptions options;
  options.configFile = UserConfigFolder() / "connections.ini";
  options.dataFolder = UserDataFolder();
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
