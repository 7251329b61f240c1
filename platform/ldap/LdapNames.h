#pragma once
// LDAP names and filter values: escaping, and DNs <-> EntryName.
//
// An EntryName part holds the raw value; the escaping happens here and only here, so that a
// value can never add a name component or a filter clause.

#include <string>
#include <string_view>
#include <vector>

#include "platform/service/DirectoryService.h"
#include "util/TextHelpers.h"

namespace recast::ldap {

// A value for an LDAP filter (RFC 4515), escaped by libldap: "*", "(", ")", "\", control
// characters and bytes above 127 become \2A, \28, \29, \5C, \00 and so on; everything else
// stays. Like any allocation, throws std::bad_alloc when memory runs out.
std::string EscapeFilterValue(std::string_view value);

// True when type is an attribute description an RDN may use (a name or a numeric OID).
bool IsValidAttributeType(std::string_view type);
// An attribute description (RFC 4512, 2.5): a valid type, then any number of ";" options of
// letters, digits and "-" ("userCertificate;binary").
bool IsAttributeDescription(std::string_view description);

// An RDN with several values (cn=Multi+uid=mv1) is one name part: the first value's type, and
// as value the first value followed by "+TYPE=value" for each further one ({"CN",
// "Multi+UID=mv1"}). Its values are written with "\+" for "+" and "\\" for "\"; so is a
// single value that would otherwise read as several (one holding "\+" or "+TYPE=").
struct RdnValue {
  std::string type;
  std::string value;
};
service::NamePart JoinRdnValues(const std::vector<RdnValue>& values);
// The values of a part in RDN order; a typeless part's first value has an empty type.
std::vector<RdnValue> SplitRdnValues(const service::NamePart& part);

// The DN of a fully typed name, written by libldap: types lower-cased, "," "+" "\"" "\\" "<"
// ">" ";" "=" and NUL in a value, a leading "#" or blank and a trailing blank hex-escaped
// ("a\2Cb"); UTF-8 stays as it is. kErrBadName (and *dn unchanged) when a part is typeless,
// a type is not an attribute name or a value is not UTF-8. The empty name gives the empty DN.
DirStatus EntryNameToDn(const service::EntryName& name, std::string* dn);
// Appends part as EntryNameToDn writes it when part is plain (a valid type, a value of letters,
// digits, "-._" and inner blanks): true. False, *dn unchanged, for any other part.
bool AppendPlainRdn(const service::NamePart& part, std::string* dn);

// The name of a DN: types upper-cased, values unescaped, each RDN whole (above).
// kErrBadName (and *name unchanged) for a malformed DN.
DirStatus DnToEntryName(std::string_view dn, service::EntryName* name);

// The name part of the first RDN of dn; kErrBadName (and *part unchanged) when malformed.
DirStatus FirstRdnOfDn(std::string_view dn, service::NamePart* part);

// A name as the dotted text of a DIST_NAME value: "CN=Sales.O=Org"; a "." or "\" inside a
// part is written "\." or "\\".
std::string DottedText(const service::EntryName& name);

// The reverse of DottedText; a leading "." is allowed. kErrBadName for an untyped part or a
// dangling "\".
DirStatus ParseDottedText(std::string_view text, service::EntryName* name);

}  // namespace recast::ldap
