#pragma once
// Writes export files: 8-bit windows-1252 text, lines ending in CR LF, replaced whole.

#include <string>
#include <string_view>

namespace recast {

// Writes the lines of text (split at CR, LF and CR LF; see SplitLines), each followed by
// CR LF and converted to windows-1252, to path. The data goes to a temporary file in the
// same folder first and replaces path only once completely written, so a failure leaves
// path as it was. An existing file keeps its permissions. Returns false on any failure.
bool WriteTextFile(const std::string& path, std::string_view text);

}  // namespace recast
