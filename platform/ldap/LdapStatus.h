#pragma once
// Statuses of the LDAP service.
//
// LDAP result codes map onto the client's directory codes where one fits. Every other result
// code r becomes kErrLdapResultBase - r (invalid credentials, 49, gives -8049); a libldap API
// failure (negative r) becomes kErrLdapResultBase - r too (-7999 .. -7983), except the lost
// connection, which is kErrServerUnavailable. The service's own failures use -7900 .. -7906 and -7908.

#include <string>
#include <string_view>

#include "directory/DirectoryClient.h"

namespace recast::ldap {

inline constexpr DirStatus kErrLdapResultBase = -8000;

inline constexpr DirStatus kErrLdapBadConfiguration = -7900;       // a setting is missing or malformed
inline constexpr DirStatus kErrLdapPasswordFileExposed = -7901;    // group- or world-accessible
inline constexpr DirStatus kErrLdapPasswordFileUnreadable = -7902; // missing or not a regular file
inline constexpr DirStatus kErrLdapCertificateNotVerified = -7903; // TLS peer certificate rejected
inline constexpr DirStatus kErrLdapTlsFailed = -7904;              // StartTLS asked for but failed
inline constexpr DirStatus kErrLdapBackupFailed = -7905;           // re-create backup not written
inline constexpr DirStatus kErrLdapRestoreFailed = -7906;          // re-create could not put the original back
inline constexpr DirStatus kErrLdapPlaintextPassword = -7908;      // a password would go unencrypted
inline constexpr DirStatus kErrLdapReadOnlyCopy = -7910;           // the server refers changes to another

inline constexpr DirStatus kErrLdapInvalidCredentials = kErrLdapResultBase - 49;
inline constexpr DirStatus kErrLdapObjectClassModsProhibited = kErrLdapResultBase - 69;

// The client's status for an LDAP result code or libldap API code; 0 for success.
DirStatus MapLdapResult(int resultCode);

// As above, refined by the server's message: a missing required attribute gives
// kErrMissingMandatory (not kErrIllegalAttribute), a second value of a single-valued
// attribute kErrCannotHaveMultipleValues, an absent value kErrNoSuchValue.
DirStatus MapLdapResult(int resultCode, std::string_view diagnostic);

// True for the libldap codes that mean the connection is gone (or the server stopped
// answering within the timeout).
bool IsConnectionLost(int resultCode);

// A short English text for one of the service's own statuses; empty otherwise.
std::string OwnStatusText(DirStatus status);

}  // namespace recast::ldap
