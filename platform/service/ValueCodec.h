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

// Malformed values and encodings have one status each, kErrValue... in directory/Statuses.h:
// TruncatedLength (a length or count prefix cut short), TruncatedField (a fixed-size number),
// TruncatedText (text or bytes shorter than their length), CountTooLarge, TrailingBytes,
// WrongAlternative (the DirValue kind does not fit the syntax), BadBoolean, EmbeddedZero.

// Replaces *out with the encoding of value as syntax. kErrValueWrongAlternative when the
// value's kind is not the one the syntax uses (AlternativeForSyntax), kErrValueEmbeddedZero
// for a text holding a zero byte; *out unchanged on failure.
DirStatus EncodeValue(std::uint32_t syntax, const DirValue& value, std::string* out);

// Decodes exactly the bytes given (nothing may follow the value). *out unchanged on failure.
DirStatus DecodeValue(std::uint32_t syntax, std::string_view bytes, DirValue* out);

// The DirValue alternative's index that syntax uses: its ValueForm (directory/Syntaxes.h).
std::size_t AlternativeForSyntax(std::uint32_t syntax);

}  // namespace recast::service
