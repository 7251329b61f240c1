#pragma once
// Statuses of the LDAP service.
//
// LDAP result codes map onto the client's directory codes where one fits. Every other result
// code r becomes kErrLdapResultBase - r (invalid credentials, 49, gives -8049); a libldap API
// failure (negative r) becomes kErrLdapResultBase - r too (-7999 .. -7983), except the lost
// connection, which is kErrServerUnavailable. The service's own failures (kErrLdap..., -7900
// upwards) and kErrLdapResultBase are defined with all other statuses in directory/Statuses.h.

#include <string_view>

#include "directory/DirectoryClient.h"

namespace recast::ldap {

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

}  // namespace recast::ldap
