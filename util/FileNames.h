#pragma once
// File-name and environment routines.

#include <string>
#include <string_view>

namespace recast {

// Gives extension a leading "." (EnsurePrefix), then replaces the extension of the path's
// file-name part (from its last ".") with it, or appends it when the file name has none.
// Folders are separated by "/".
std::string ChangeExtension(std::string_view path, std::string_view extension);

// ChangeExtension applied to the full path of the running program file (from
// /proc/self/exe). "" when that path cannot be read.
std::string ProgramFileWithExt(std::string_view extension);

// The variable's value; "" when it is not set.
std::string GetEnvText(const std::string& name);

}  // namespace recast
