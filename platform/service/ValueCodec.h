#pragma once
// The compact binary form of one DirValue, as stored by the embedded directory and carried
// in the client's replies. The layout is described at the top of ValueCodec.cpp.
//
// Decoding is strict: every malformed input gives its own status and *out is left unchanged.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/service/DirectoryService.h"

namespace recast::service {

// Malformed values and encodings, one status each (in the client's own range).
inline constexpr DirStatus kErrValueTruncatedLength = -321;  // a length or count prefix cut short
inline constexpr DirStatus kErrValueTruncatedField = -322;   // a fixed-size number cut short
inline constexpr DirStatus kErrValueTruncatedText = -323;    // text or bytes shorter than their length
inline constexpr DirStatus kErrValueCountTooLarge = -324;    // more elements than the bytes can hold
inline constexpr DirStatus kErrValueTrailingBytes = -325;    // bytes left over after the value
inline constexpr DirStatus kErrValueWrongAlternative = -326; // the DirValue kind does not fit the syntax
inline constexpr DirStatus kErrValueBadBoolean = -327;       // a boolean byte other than 0 or 1
inline constexpr DirStatus kErrValueEmbeddedZero = -328;     // a text holding a zero byte

// Replaces *out with the encoding of value as syntax. kErrValueWrongAlternative when the
// value's kind is not the one the syntax uses (AlternativeForSyntax), kErrValueEmbeddedZero
// for a text holding a zero byte; *out unchanged on failure.
DirStatus EncodeValue(std::uint32_t syntax, const DirValue& value, std::string* out);

// Decodes exactly the bytes given (nothing may follow the value). *out unchanged on failure.
DirStatus DecodeValue(std::uint32_t syntax, std::string_view bytes, DirValue* out);

// The DirValue alternative's index that syntax uses (Text for 1, 2, ...; Octets for 9, 21
// and 28 and above).
std::size_t AlternativeForSyntax(std::uint32_t syntax);

}  // namespace recast::service
