#pragma once
// One open, bound libldap session.

#include <memory>
#include <string>

#include "platform/ldap/LdapConfig.h"

typedef struct ldap LDAP;

namespace recast::ldap {

struct LdapHandleClose {
  void operator()(LDAP* ld) const;
};
using LdapHandle = std::unique_ptr<LDAP, LdapHandleClose>;

class LdapConnection {
 public:
  // Connects to settings.url, runs StartTLS when asked (a failure fails the connection),
  // verifies the server certificate (CA file: settings.caFile) and binds as configured.
  // Statuses: kErrServerUnavailable (nobody answers), kErrLdapCertificateNotVerified,
  // kErrLdapTlsFailed, the password file's statuses, kErrLdapInvalidCredentials (wrong DN or
  // password), kErrLdapBadConfiguration (a malformed URL). *diagnostic tells the reason.
  // Never logs the password.
  static DirStatus Open(const LdapSettings& settings, std::unique_ptr<LdapConnection>* connection,
                        std::string* diagnostic);

  explicit LdapConnection(LdapHandle handle) : handle_(std::move(handle)) {}

  LDAP* get() const { return handle_.get(); }

  // The server's diagnostic message of the latest operation; empty when there is none.
  std::string DiagnosticMessage() const;

 private:
  LdapHandle handle_;
};

}  // namespace recast::ldap
