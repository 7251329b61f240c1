#pragma once
// The shell service on Linux. An existing executable file is started directly with its
// parameters split at blanks; an existing document or an address (a name with a URL
// scheme) goes to xdg-open. Nothing passes through a command interpreter, so no text of the
// command line is ever parsed by one.

#include "util/ShellService.h"

namespace recast {

class LinuxShellService : public ShellService {
 public:
  bool FileExists(const std::string& path) const override;
  std::string GetEnv(const std::string& name) const override;
  // kShellAccepted when the program (or xdg-open) was started; kShellFileNotFound for an
  // empty name or a name that is neither an existing file nor an address;
  // kShellNoAssociation when the start itself failed. showMode is not used: started
  // programs open their windows as they choose. The started process is reaped in the
  // background so it never lingers as a zombie.
  int Open(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
           int showMode) override;
};

// True for "scheme:rest" with a scheme of two or more letters, digits, "+", "-" or "."
// that starts with a letter ("https://x", "mailto:a@b"); a drive letter "C:" is not one.
bool HasUrlScheme(const std::string& name);

}  // namespace recast
