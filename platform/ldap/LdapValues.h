#pragma once
// LDAP values <-> the service's neutral values, per client syntax.
//
//   DIST_NAME        DN text <-> dotted typed name (Text)
//   strings, OIDs    UTF-8 text as it stands (Text)
//   BOOLEAN          "TRUE"/"FALSE" (Boolean)
//   INTEGER          decimal, 32-bit (Integer)
//   FAX_NUMBER       "number$parameters" -> the number (Fax)
//   PO_ADDRESS       lines separated by "$", "\24" and "\5C" escaped (PostalAddress)
//   TIME             generalized time <-> seconds since 1970 UTC (Seconds)
//   anything else    the raw bytes (Octets)

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/service/DirectoryService.h"

namespace recast::ldap {

// The neutral value of one LDAP value; nullopt when the bytes do not fit the syntax (an
// integer beyond 32 bits, a malformed time), so the caller can fall back to the text.
std::optional<service::DirValue> DecodeLdapValue(std::uint32_t syntax, std::string_view bytes);

// The LDAP bytes of a neutral value of the kind the syntax reads back as (also a Text for a
// fax number or an octet string); a DIST_NAME text is converted from its dotted form.
// kErrSyntaxViolation for a value of another kind; kErrBadName for a dotted name that does
// not parse.
DirStatus EncodeLdapValue(std::uint32_t syntax, const service::DirValue& value, std::string* bytes);

// Generalized time (RFC 4517) as seconds since 1970-01-01 UTC; a time without a zone counts
// as UTC. nullopt when malformed or outside 1970..2106.
std::optional<std::uint32_t> ParseGeneralizedTime(std::string_view text);
std::string FormatGeneralizedTime(std::uint32_t seconds);

}  // namespace recast::ldap
