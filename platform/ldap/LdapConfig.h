#pragma once
// The settings of one LDAP connection, read from its ConnectionConfig (README.md lists the
// keys), and the password file.

#include <filesystem>
#include <string>

#include "platform/service/DirectoryService.h"

namespace recast::ldap {

struct LdapSettings {
  std::string url;
  std::string treeName;
  std::string baseDn;                  // empty: the server's first naming context
  std::string bindDn;                  // empty: anonymous, or the SASL EXTERNAL identity
  std::filesystem::path passwordFile;  // for a simple bind with bindDn
  bool saslExternal = false;
  bool startTls = false;  // when set, a failing StartTLS fails the connection
  std::string caFile;     // trusted certificates; empty: the system's
  int timeoutSeconds = 10;
  bool relaxRules = false;              // retry a refused class change with the Relax Rules control
  bool safeRecreate = false;            // re-create a leaf entry whose class change is refused
  bool allowPlaintextPassword = false;  // a simple bind may send the password unencrypted anywhere
  bool followReferrals = false;         // send a change a read-only copy refers elsewhere to that server
  std::filesystem::path dataFolder;
};

// Reads the settings. kErrLdapBadConfiguration, with *diagnostic saying which key, for a
// missing URL, an unknown value of a yes/no key or of "sasl", a "password" key (passwords
// are only read from a password file) or a bind DN without password file and without SASL.
DirStatus ParseLdapSettings(const service::ConnectionConfig& config, LdapSettings* settings, std::string* diagnostic);

// 0 unless a simple bind would send a password unencrypted (ldap:// without StartTLS) to a
// host that is not a loopback address (127.0.0.0/8, ::1, localhost) and allowPlaintextPassword
// is off: then kErrLdapPlaintextPassword, with *diagnostic saying what to set. Every URL of a
// list must pass; ldaps:// and ldapi:// always do.
DirStatus CheckPasswordProtection(const LdapSettings& settings, std::string* diagnostic);

// The first line of the password file. kErrLdapPasswordFileExposed when anybody but its
// owner may read or write it; kErrLdapPasswordFileUnreadable when it is missing or not a
// regular file. *password is unchanged on failure.
DirStatus ReadPasswordFile(const std::filesystem::path& path, std::string* password, std::string* diagnostic);

}  // namespace recast::ldap
