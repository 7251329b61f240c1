#pragma once
// Small stateless text routines. Case folding touches only the ASCII letters a to z.

#include <string>
#include <string_view>

namespace recast {

std::string UpperAscii(std::string_view text);
// Equal when case is ignored (ASCII a-z only).
bool TextEquals(std::string_view a, std::string_view b);

}  // namespace recast
