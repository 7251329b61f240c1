#pragma once
// The text form of values in the data files, by the syntax's value form
// (directory/Syntaxes.h). Composite values separate their fields with ";" (a "\;" is a
// semicolon inside a field, "\\" a backslash):
//   Text        the text                               CiList        item;item;...
//   Boolean     TRUE | FALSE                           Integer       decimal, may be negative
//   Octets      the bytes of the text (or hex / base64 forms of the line)
//   Fax         number;parameterBits;hex               NetAddress    type;hex
//   OctetList   hex;hex;...                            Email         type;address
//   Path        nameSpace;volume;path                  ReplicaPointer server;type;number;type=hex;...
//   Acl         protectedAttr;subject;privileges       PostalAddress up to six lines
//   Timestamp   time;replicaNumber;eventId             BackLink      remoteId;objectName
//   Seconds     a time, or seconds for a duration      TypedName     objectName;level;interval
//   Hold        objectName;amount                      Unknown       attrName;syntax;hex
// Numbers are decimal or 0x-hex; a time is seconds since 1970 or YYYY-MM-DDTHH:MM:SSZ.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::embedded {

// Parses one value. On failure returns false and a short reason in *error.
bool ParseValueText(std::uint32_t syntax, std::string_view text, service::DirValue* value, std::string* error);

// The value of an octet syntax given as raw bytes (from the hex or base64 form of a line).
bool ValueFromBytes(std::uint32_t syntax, std::vector<std::uint8_t> bytes, service::DirValue* value);

bool ParseHex(std::string_view text, std::vector<std::uint8_t>* bytes);
bool ParseNumber(std::string_view text, std::int64_t* number);

}  // namespace recast::embedded
