#pragma once
// The text form of values in the data files. Composite values separate their fields with
// ";" (a "\;" is a semicolon inside a field, "\\" a backslash):
//   texts (1 2 3 4 5 10 20)   the text                 6 CI_LIST       item;item;...
//   7 BOOLEAN   TRUE | FALSE                             8 22         decimal, may be negative
//   9 21 >=28   the bytes of the text (or hex / base64 forms of the line)
//   11 FAX      number;parameterBits;hex                 12 NET_ADDRESS  type;hex
//   13 OCTET_LIST  hex;hex;...                           14 EMAIL      type;address
//   15 PATH     nameSpace;volume;path                    16 REPLICA    server;type;number;type=hex;...
//   17 ACL      protectedAttr;subject;privileges         18 POSTAL     up to six lines
//   19 TIMESTAMP  time;replicaNumber;eventId             23 BACK_LINK  remoteId;objectName
//   24 27       time (24) or seconds (27)                25 TYPED_NAME objectName;level;interval
//   26 HOLD     objectName;amount                        0 UNKNOWN     attrName;syntax;hex
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
