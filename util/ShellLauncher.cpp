#include "util/ShellLauncher.h"

#include <array>

#include "util/TextHelpers.h"

namespace recast {

namespace {
constexpr std::array<std::string_view, 15> kBuiltinWords = {
    "CD", "COPY", "DEL", "DIR", "ECHO", "MD", "PATH", "PROMPT", "REM", "REN", "RD", "SET", "TRUENAME", "TYPE", "VER",
};
}  // namespace

bool IsShellBuiltin(std::string_view text) { return IsOneOfText(text, kBuiltinWords, false); }

ShellRequest ResolveShellCommand(const ShellService& shell, std::string_view commandLine) {
  std::string rest(commandLine);
  std::string candidate;
  std::string word;
  bool found = false;
  for (;;) {
    SplitAtFirst(rest, " ", &word, &rest);
    candidate = JoinText(candidate, word, " ");
    found = shell.FileExists(candidate);
    if (found || word.empty()) break;
  }

  ShellRequest request;
  if (!found && IsShellBuiltin(candidate)) {
    request.program = shell.GetEnv("comspec");
    request.parameters = "/C " + std::string(commandLine);
  } else {
    request.program = candidate;
    request.parameters = rest;
  }
  const std::size_t lastSeparator = request.program.find_last_of("\\:");
  if (lastSeparator != std::string::npos) request.workingDirectory = request.program.substr(0, lastSeparator + 1);
  return request;
}

int ShellRun(ShellService& shell, std::string_view commandLine, int showMode) {
  const ShellRequest request = ResolveShellCommand(shell, commandLine);
  return shell.Open(request.program, request.parameters, request.workingDirectory, showMode);
}

int ShellOpen(ShellService& shell, std::string_view commandLine) { return ShellRun(shell, commandLine, kShowNormal); }

}  // namespace recast
