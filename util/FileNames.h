#pragma once
// File-name and environment routines.

#include <string>
#include <string_view>

namespace recast {

// Gives extension a leading "." (EnsurePrefix), then replaces the extension of the path's
// file-name part (from its last ".") with it, or appends it when the file name has none.
// Folders are separated by "/".
std::string ChangeExtension(std::string_view path, std::string_view extension);

// The full path of the running program file (from /proc/self/exe); "" when it cannot be read.
std::string ProgramFile();

// ChangeExtension applied to ProgramFile(). "" when that path cannot be read.
std::string ProgramFileWithExt(std::string_view extension);

// The files the program ships with it. Where it was built they lie beside the program file;
// installed by the usual layout (program in bin/, private libraries in lib/recast-object/,
// data in share/recast-object/) they are found relative to the program's own folder, so any
// installation prefix works. Each gives the file beside the program when it is there, else
// the installed one when it or its folder is there, else the one beside the program (so a
// message about a missing file names where it was expected); just name when the program's
// path cannot be read.
std::string ShippedDataPath(std::string_view name);
std::string ShippedLibraryPath(std::string_view name);

// ShippedDataPath of ProgramFileWithExt's file name: the Info text for "txt".
std::string ShippedDataFileWithExt(std::string_view extension);

// The variable's value; "" when it is not set.
std::string GetEnvText(const std::string& name);

}  // namespace recast
