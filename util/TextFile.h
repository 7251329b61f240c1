#pragma once
// Writes export files: 8-bit windows-1252 text, lines ending in CR LF, replaced whole.

#include <string>
#include <string_view>

#include "util/AtomicFile.h"

namespace recast {

// Writes the lines of text (split at CR, LF and CR LF; see SplitLines), each followed by
// CR LF and converted to windows-1252, to path through WriteFileAtomically: a failure leaves
// path as it was, a symbolic link stays and its target is written, a read-only file is
// refused (ReadOnly).
FileWriteResult WriteTextFile(const std::string& path, std::string_view text);

}  // namespace recast
