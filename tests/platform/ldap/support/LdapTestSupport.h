#pragma once
// Opening the service against a test server, and reading entries behind its back.

#include <memory>
#include <string>
#include <vector>

#include "platform/ldap/LdapService.h"
#include "platform/ldap/Ldif.h"
#include "tests/platform/ldap/support/SlapdServer.h"

namespace recast::ldap::testing {

struct Login {
  std::string dn;
  std::map<std::string, std::string> settings;  // extra keys
};

// ConnectionConfig for server and login, password file written with owner-only access.
service::ConnectionConfig MakeConfig(const TestServer& server, const Login& login,
                                     const std::filesystem::path& dataFolder = {});

// A directory client whose one connection is server, as tree, logged in as loginDn with the
// server's password; extraKeys are more lines of the connection's section ("RelaxRules=yes\n").
// Its configuration and data folder live in the server's folder.
std::unique_ptr<DirectoryClient> MakeClient(const TestServer& server, const std::string& tree,
                                            const std::string& loginDn, const std::string& extraKeys = "");

// Opens the service; nullptr (and *status) on failure.
std::unique_ptr<LdapService> OpenService(const TestServer& server, const Login& login, DirStatus* status,
                                         const std::filesystem::path& dataFolder = {});

// All user and operational attributes of dn as the server's RootDn() reads them, attributes sorted by
// name and values in server order; an empty dn in the result when the entry is missing.
LdifEntry RawEntry(const TestServer& server, const std::string& dn, bool operational = false);

service::EntryName Name(std::initializer_list<std::pair<const char*, const char*>> parts);

}  // namespace recast::ldap::testing
