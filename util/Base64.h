#pragma once
// Base64 (RFC 4648, the standard alphabet with "=" padding): LDIF values, the data files'
// byte lines and the one-line value exports.

#include <string>
#include <string_view>

namespace recast {

std::string Base64Encode(std::string_view bytes);

enum class Base64Form {
  kLenient,    // blanks and tabs are skipped; padding may be missing (hand-written files)
  kCanonical,  // exactly what Base64Encode writes, nothing else
};

// Replaces *bytes with the bytes text encodes. False, *bytes unchanged, for text that is not
// base64 in the given form.
bool Base64Decode(std::string_view text, std::string* bytes, Base64Form form = Base64Form::kLenient);

}  // namespace recast
