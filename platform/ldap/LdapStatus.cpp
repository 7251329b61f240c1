#include "platform/ldap/LdapStatus.h"

#include <ldap.h>

namespace recast::ldap {

DirStatus MapLdapResult(int resultCode) {
  switch (resultCode) {
    case LDAP_SUCCESS:
      return 0;
    case LDAP_NO_SUCH_OBJECT:
      return kErrNoSuchEntry;
    case LDAP_NO_SUCH_ATTRIBUTE:
      return kErrNoSuchAttribute;
    case LDAP_UNDEFINED_TYPE:
      return kErrNoSuchAttribute;
    case LDAP_OBJECT_CLASS_VIOLATION:
      return kErrIllegalAttribute;
    case LDAP_NOT_ALLOWED_ON_NONLEAF:
      return kErrNotLeafEntry;
    case LDAP_CONSTRAINT_VIOLATION:
    case LDAP_INVALID_SYNTAX:
    case LDAP_INAPPROPRIATE_MATCHING:
      return kErrSyntaxViolation;
    case LDAP_TYPE_OR_VALUE_EXISTS:
      return kErrDuplicateValue;
    case LDAP_ALREADY_EXISTS:
      return kErrEntryAlreadyExists;
    case LDAP_INSUFFICIENT_ACCESS:
      return kErrNoAccess;
    case LDAP_INVALID_DN_SYNTAX:
    case LDAP_NAMING_VIOLATION:
      return kErrBadName;
    case LDAP_SERVER_DOWN:
    case LDAP_CONNECT_ERROR:
    case LDAP_TIMEOUT:
    case LDAP_UNAVAILABLE:
    case LDAP_BUSY:
      return kErrServerUnavailable;
    default:
      return kErrLdapResultBase - resultCode;
  }
}

DirStatus MapLdapResult(int resultCode, std::string_view diagnostic) {
  // Some result codes cover several of the client's cases; the server's message tells them
  // apart (slapd's and 389 Directory Server's wordings).
  auto says = [diagnostic](std::string_view text) { return diagnostic.find(text) != std::string_view::npos; };
  if (resultCode == LDAP_OBJECT_CLASS_VIOLATION && (says("requires attribute") || says("missing"))) {
    return kErrMissingMandatory;
  }
  // A second value of a single-valued attribute: slapd says 19, 389 Directory Server 65
  // ("single-valued attribute "x" has multiple values").
  if ((resultCode == LDAP_CONSTRAINT_VIOLATION || resultCode == LDAP_OBJECT_CLASS_VIOLATION) &&
      (says("multiple values") || says("single-valued"))) {
    return kErrCannotHaveMultipleValues;
  }
  if (resultCode == LDAP_NO_SUCH_ATTRIBUTE && says("no such value")) return kErrNoSuchValue;
  return MapLdapResult(resultCode);
}

bool IsConnectionLost(int resultCode) {
  // A server that does not answer within the timeout is treated as gone: the answer it may
  // still send must not be taken for that of a later request.
  return resultCode == LDAP_SERVER_DOWN || resultCode == LDAP_CONNECT_ERROR || resultCode == LDAP_TIMEOUT;
}

}  // namespace recast::ldap
