#pragma once
// The client's connections: read from its configuration file, or the demo directory's two
// connections when there is no such file.
//
// Configuration file (INI), one section per connection, the section name free:
//   [Main]
//   Tree=ACME_CORP            the tree name (at most 32 characters)
//   Service=acme.db           a store path (relative: to the file's folder) or an LDAP URL
//   Login=Admin.ACME          the login's dotted name, or a bind DN for LDAP
//   Primary=1                 at most one connection is primary (1, yes or true); when
//                             none is, the first one is
// Every key of the section, lower-cased, also reaches the service in ConnectionConfig.settings.

#include <filesystem>
#include <vector>

#include "directory/DirectoryClient.h"
#include "platform/service/DirectoryService.h"

namespace recast::client {

struct ConnectionEntry {
  service::ConnectionConfig config;
  bool primary = false;
  bool demo = false;  // its store is created from the demo data when missing
};

// Reads the connections of file. kConnCannotInitialize when the file cannot be read or is
// malformed: a line that is neither a section, a key=value pair, a comment (";" or "#") nor
// blank; a pair before the first section; no section; a section twice; a section without
// Tree or Service, or with a tree name over 32 characters; two primary connections. *out is
// unchanged then, and the error-text library's text for kConnCannotInitialize names the file
// and the line at fault.
ConnStatus ReadConnectionFile(const std::filesystem::path& file, const std::filesystem::path& dataFolder,
                              std::vector<ConnectionEntry>* out);

// The demo directory: one store in dataFolder, two trees; the first connection is primary
// with a login that may do everything, the second has a read-only login.
std::vector<ConnectionEntry> DemoConnections(const std::filesystem::path& dataFolder);
std::filesystem::path DemoStorePath(const std::filesystem::path& dataFolder);

}  // namespace recast::client
