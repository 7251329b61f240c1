#pragma once
// A private 389 Directory Server for tests: listens on 127.0.0.1 only, on a free port, with
// its whole installation (configuration, databases, logs, sockets) in a fresh temporary folder
// that goes away with it. Starting takes about 7 seconds, so a test binary starts one and
// shares it.
//
// Each suffix is a backend of its own whose entries the seed brings (the suffix entry
// included). The root DN is cn=Directory Manager; the logins the tests use are ordinary
// entries of the seed, their rights given by its ACIs (BaseLdif389 for o=Org). The server
// runs in its own process group, watched by a small keeper process that stops it and removes
// its folder when the test process ends, however it ends. (The server switches to the
// package's user at start, which clears a parent-death signal, so it cannot be told directly.)

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/platform/ldap/support/TestServer.h"
#include "util/FileDescriptor.h"

namespace recast::ldap::testing {

inline constexpr const char* kDs389RootDn = "cn=Directory Manager";
inline constexpr const char* kDs389RootPassword = "Secret-389";  // the server wants 8 or more characters
inline constexpr const char* kDs389Missing = "389 Directory Server is not installed (package 389-ds-base)";

struct Ds389Options {
  std::vector<std::string> suffixes = {"o=Org"};
  std::string schemaLdif;  // a modify of cn=schema, applied before the seed
  std::string seedLdif;    // added with ldapadd after the start
};

class Ds389Server : public TestServer {
 public:
  // True when dscreate and ns-slapd are there.
  static bool Installed();

  // Nullptr, with *error set, when the server cannot be created, started or seeded.
  static std::unique_ptr<Ds389Server> Start(const Ds389Options& options, std::string* error);
  ~Ds389Server() override;
  Ds389Server(const Ds389Server&) = delete;
  Ds389Server& operator=(const Ds389Server&) = delete;

  std::string Url() const override;
  const std::filesystem::path& Directory() const override { return dir_; }
  std::string RootDn() const override { return kDs389RootDn; }
  std::string RootPassword() const override { return kDs389RootPassword; }

  // Runs ldapadd/ldapmodify as the root DN; true on success.
  bool Apply(const std::string& ldif, bool modify = false) const;
  // Deletes dn and everything below it (nothing to delete is fine); true on success.
  bool DeleteTree(const std::string& dn) const;

  Ds389Server() = default;

 private:
  bool Launch(std::string* error);
  void Stop();

  std::filesystem::path dir_;
  std::string instance_;
  int port_ = 0;
  pid_t keeper_ = -1;
  FileDescriptor lifeline_;  // closing it tells the keeper to stop the server
};

// The o=Org tree of the slapd tests for 389: the suffix entry with the ACIs, the logins
// cn=admin (every right), cn=writer (write), cn=reader (read), all with password "secret",
// and ou=Sales and ou=People.
std::string BaseLdif389();

}  // namespace recast::ldap::testing
