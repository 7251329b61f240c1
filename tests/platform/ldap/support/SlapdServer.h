#pragma once
// A private slapd for tests: listens on 127.0.0.1 only, on a free port, with its
// configuration and database in a fresh temporary directory that goes away with it.
//
// Logins (password "secret" for all): the root DN cn=admin,o=Org (manage access), the
// read-only cn=reader,o=Org and cn=writer,o=Org (write, no manage); for another suffix the
// same names below it. The server runs in its
// own process group and is told to end when the test process dies.

#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tests/platform/ldap/support/TestServer.h"

namespace recast::ldap::testing {

inline constexpr const char* kRootDn = "cn=admin,o=Org";
inline constexpr const char* kReaderDn = "cn=reader,o=Org";
inline constexpr const char* kWriterDn = "cn=writer,o=Org";
inline constexpr const char* kPassword = "secret";

struct SlapdOptions {
  std::string seedLdif;          // loaded with slapadd before the start (after the base entries)
  bool withTls = false;          // a self-signed certificate for 127.0.0.1; StartTLS and ldaps:// offered
  std::string suffix = "o=Org";  // the root DN is cn=admin,<suffix>; reader and writer likewise
  bool withBaseEntries = true;   // BaseLdif(); only for the suffix o=Org
  std::string extraSchema;       // slapd.conf schema statements added after the standard ones
  std::string extraAccess;       // slapd.conf access statements before the standard ones
  bool withLdapi = false;        // also a Unix socket; SASL EXTERNAL of this process's user
                                 // is cn=reader,<suffix>
  // Replication: a provider offers its changes (syncprov); a consumer copies the provider at
  // providerUrl (syncrepl, refreshAndPersist) and answers every change with a referral to it.
  bool provider = false;
  std::string providerUrl;  // non-empty: this server is a read-only consumer
};

inline SlapdOptions Seeded(std::string ldif) {
  SlapdOptions options;
  options.seedLdif = std::move(ldif);
  return options;
}

class SlapdServer : public TestServer {
 public:
  // Nullptr, with *error set, when slapd cannot be configured or started.
  static std::unique_ptr<SlapdServer> Start(const SlapdOptions& options, std::string* error);
  ~SlapdServer() override;
  SlapdServer(const SlapdServer&) = delete;
  SlapdServer& operator=(const SlapdServer&) = delete;

  std::string Url() const override;
  std::string LdapiUrl() const;  // the Unix socket's URL (withLdapi)
  std::string LdapsUrl() const;  // withTls
  int Port() const { return port_; }
  const std::filesystem::path& Directory() const override { return dir_; }
  std::string RootDn() const override { return rootDn_; }
  std::string RootPassword() const override { return kPassword; }
  std::filesystem::path CertificateFile() const { return dir_ / "cert.pem"; }

  // Stops the server (the data stays); Restart starts it again on the same port.
  void Stop();
  bool Restart(std::string* error);
  bool Running() const { return pid_ > 0; }
  // Freezes the server (it keeps its connections but answers nothing) and thaws it.
  void Pause(bool paused) const;

  // Runs ldapadd/ldapmodify as the root DN against the server; true on success.
  bool Apply(const std::string& ldif, bool modify = false) const;

  SlapdServer() = default;

 private:
  bool Launch(std::string* error);

  std::filesystem::path dir_;
  int port_ = 0;
  int tlsPort_ = 0;
  pid_t pid_ = -1;
  bool ldapi_ = false;
  std::string rootDn_;
};

// The base entries every server holds: o=Org, the logins, ou=Sales and ou=People.
std::string BaseLdif();

}  // namespace recast::ldap::testing
