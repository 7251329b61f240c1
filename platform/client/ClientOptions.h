#pragma once
// What a client is built from: where its configuration and data live, the demo data, and the
// openers of the services behind its connections. Nothing of it is global; each client has
// its own copy.

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "directory/DirectoryClient.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

// Service kinds, the keys of ClientOptions::openers.
inline constexpr std::string_view kEmbeddedServiceKind = "embedded";
inline constexpr std::string_view kLdapServiceKind = "ldap";

// Builds a store at storePath from the demo data files; 0 on success. It must never leave a
// half-written store behind.
using DemoStoreCreator = std::function<DirStatus(const std::vector<std::filesystem::path>& dataFiles,
                                                 const std::filesystem::path& storePath)>;

struct ClientOptions {
  // The connections (INI). When the file does not exist the demo directory is used.
  std::filesystem::path configFile;
  // The per-user data folder: the demo store and whatever a service keeps per user.
  std::filesystem::path dataFolder;
  // The demo data files shipped beside the program.
  std::vector<std::filesystem::path> demoDataFiles;
  // Service openers by kind; a service is "ldap" for ldap://, ldaps:// and ldapi:// URLs and
  // "embedded" otherwise.
  std::map<std::string, service::ServiceOpener, std::less<>> openers;
  DemoStoreCreator createDemoStore;
};

// The configuration file and data folder of the current user: "connections.ini" in
// UserConfigFolder() and UserDataFolder() (util/UserFolders.h). Reads the environment at the
// moment of the call.
ClientOptions DefaultClientOptions();

// "ldap" or "embedded" for a connection's service text.
std::string ServiceKindOf(std::string_view service);

}  // namespace recast::client
