#pragma once
// One entry as LDIF (RFC 2849), written and read back byte for byte: the re-create path keeps
// its backup in this form and restores the entry from the file.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast::ldap {

struct LdifEntry {
  std::string dn;
  // Attribute descriptions with their values, in the server's order.
  std::vector<std::pair<std::string, std::vector<std::string>>> attributes;
  bool operator==(const LdifEntry&) const = default;
};

// The entry as an LDIF record, one line per value; libldap's base64 for a value that is not
// printable ASCII, starts with a blank, ":" or "<", or ends with a blank, and for every
// userPassword value.
std::string WriteLdif(const LdifEntry& entry);

// A change record that puts entry back as far as its attributes go: "dn:", "changetype:
// modify", a replace of objectClass with entry's objectClass values (when it has any), then
// an add of the values of every other attribute that holds some, each part ended by "-".
// Values as WriteLdif writes them; lines end with LF, no blank line after the record.
std::string WriteLdifRestoreRecord(const LdifEntry& entry);

// Reads the first record of text (folded lines, CR LF and base64 values accepted).
// kErrBadSyntax when it is not an LDIF record, holds a NUL byte or takes a value from a URL
// ("name:< file:..."); *entry unchanged then.
DirStatus ParseLdif(std::string_view text, LdifEntry* entry);

// Writes entry to a new file in folder (created with owner-only access, like the file) and
// flushes it to disk; *path receives its name. kErrLdapBackupFailed when it cannot.
DirStatus SaveLdifBackup(const std::filesystem::path& folder, const LdifEntry& entry, std::filesystem::path* path,
                         std::string* diagnostic);

// Reads a backup written by SaveLdifBackup. kErrLdapRestoreFailed when it cannot.
DirStatus LoadLdifBackup(const std::filesystem::path& path, LdifEntry* entry);

}  // namespace recast::ldap
