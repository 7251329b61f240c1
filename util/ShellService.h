#pragma once
// What the shell launcher needs from the system: file tests, the environment and the
// desktop's "open" service. The program uses the platform/shell implementation; tests a fake.

#include <string>

namespace recast {

// Result codes of Open, by the shell's convention: above 32 means the request was accepted.
inline constexpr int kShellFileNotFound = 2;
inline constexpr int kShellNoAssociation = 31;
inline constexpr int kShellAccepted = 33;

// The platform's "normal" show mode.
inline constexpr int kShowNormal = 1;

class ShellService {
 public:
  virtual ~ShellService() = default;

  // True for an existing file; a directory does not count.
  virtual bool FileExists(const std::string& path) const = 0;
  // The variable's value, "" when not set.
  virtual std::string GetEnv(const std::string& name) const = 0;
  // Opens program (an executable, a document or an address) with its associated application,
  // passing parameters, in workingDirectory when that is not empty. Returns a result code
  // as above; never blocks until the started program ends.
  virtual int Open(const std::string& program, const std::string& parameters, const std::string& workingDirectory,
                   int showMode) = 0;
};

}  // namespace recast
