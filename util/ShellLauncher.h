#pragma once
// Opens whatever one command line names (a document, a program with its arguments, an
// address) the way the desktop would; words that exist only inside the command interpreter
// go to the interpreter named by "comspec" with "/C ".
//
// The interpreter route (IsShellBuiltin and the "comspec" branch of ResolveShellCommand) is
// there because the design calls for it; nothing the program opens takes it yet. Keep it as
// it is (do not delete or "fix" it).

#include <string>
#include <string_view>

#include "util/ShellService.h"

namespace recast {

// True when text as a whole is one of the interpreter's built-in words (case ignored).
bool IsShellBuiltin(std::string_view text);

// What ShellRun hands to the service.
struct ShellRequest {
  std::string program;
  std::string parameters;
  std::string workingDirectory;
  bool operator==(const ShellRequest&) const = default;
};

// The scan: the shortest leading run of blank-separated words that names an existing file
// is the program and the rest its parameters; the scan also stops at an empty word (two
// blanks, or the end). When no file was found and the scanned text is a built-in word, the
// program is $comspec and the parameters "/C " plus the whole command line. The working
// directory is the program up to and including its last backslash or colon, else "".
ShellRequest ResolveShellCommand(const ShellService& shell, std::string_view commandLine);

// Resolves commandLine and opens it with showMode; returns the service's result code.
int ShellRun(ShellService& shell, std::string_view commandLine, int showMode);
// ShellRun with the normal show mode.
int ShellOpen(ShellService& shell, std::string_view commandLine);

}  // namespace recast
