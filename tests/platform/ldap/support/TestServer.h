#pragma once
// What the test helpers need of a private LDAP server, whichever product runs it: its URL, its
// own folder (removed with it) and the login that may read and change everything.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace recast::ldap::testing {

class TestServer {
 public:
  virtual ~TestServer() = default;

  virtual std::string Url() const = 0;
  virtual const std::filesystem::path& Directory() const = 0;
  // The login RawEntry reads with, and its password.
  virtual std::string RootDn() const = 0;
  virtual std::string RootPassword() const = 0;

  // Writes a password file with the given mode into Directory(); its path.
  std::filesystem::path PasswordFile(const std::string& name, const std::string& password, mode_t mode) const;
};

// Runs argv (no shell); the exit code, or -1. Output goes to logFile when given.
int RunProgram(const std::vector<std::string>& argv, const std::filesystem::path& logFile = {},
               const std::filesystem::path& inputFile = {});

// A port of 127.0.0.1 that nothing listened on a moment ago; 0 when none could be found.
int FreePort();
// True when something accepts connections on port of 127.0.0.1.
bool Accepts(int port);
void WriteTextFile(const std::filesystem::path& path, const std::string& text);

}  // namespace recast::ldap::testing
