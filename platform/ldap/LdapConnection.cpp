#include "platform/ldap/LdapConnection.h"

#include <ldap.h>

#include <cstring>

#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

std::string HandleDiagnostic(LDAP* ld) {
  char* message = nullptr;
  std::string text;
  if (ldap_get_option(ld, LDAP_OPT_DIAGNOSTIC_MESSAGE, &message) == LDAP_OPT_SUCCESS && message) {
    text = message;
    ldap_memfree(message);
  }
  return text;
}

bool MentionsCertificate(const std::string& text) {
  for (const char* word : {"certificate", "Certificate", "issuer", "not trusted", "verify"}) {
    if (text.find(word) != std::string::npos) return true;
  }
  return false;
}

void SetCommonOptions(LDAP* ld, const LdapSettings& settings, int requireCertificate) {
  const int version = LDAP_VERSION3;
  ldap_set_option(ld, LDAP_OPT_PROTOCOL_VERSION, &version);
  ldap_set_option(ld, LDAP_OPT_REFERRALS, LDAP_OPT_OFF);
  ldap_set_option(ld, LDAP_OPT_RESTART, LDAP_OPT_ON);
  timeval timeout{settings.timeoutSeconds, 0};
  ldap_set_option(ld, LDAP_OPT_NETWORK_TIMEOUT, &timeout);
  ldap_set_option(ld, LDAP_OPT_TIMEOUT, &timeout);
  ldap_set_option(ld, LDAP_OPT_X_TLS_REQUIRE_CERT, &requireCertificate);
  if (!settings.caFile.empty()) ldap_set_option(ld, LDAP_OPT_X_TLS_CACERTFILE, settings.caFile.c_str());
  const int isServer = 0;
  ldap_set_option(ld, LDAP_OPT_X_TLS_NEWCTX, &isServer);
}

// The TLS library does not say why a handshake failed. When the same handshake succeeds
// without checking the certificate, the certificate was the reason. The probe connection
// only shakes hands and is closed; nothing is sent over it.
bool HandshakeWorksUnverified(const LdapSettings& settings) {
  LDAP* raw = nullptr;
  if (ldap_initialize(&raw, settings.url.c_str()) != LDAP_SUCCESS || raw == nullptr) return false;
  LdapHandle probe(raw);
  SetCommonOptions(raw, settings, LDAP_OPT_X_TLS_NEVER);
  if (ldap_connect(raw) != LDAP_SUCCESS) return false;
  return !settings.startTls || ldap_start_tls_s(raw, nullptr, nullptr) == LDAP_SUCCESS;
}

// libldap reads a TCP connection message by message, two small reads each; a listing of many
// entries then costs two system calls per entry. liblber's read-ahead layer, below any TLS,
// fills a buffer per call instead. Without it the connection still works, only slower.
void ReadAhead(LDAP* ld) {
  Sockbuf* sb = nullptr;
  if (ldap_get_option(ld, LDAP_OPT_SOCKBUF, &sb) != LDAP_OPT_SUCCESS || sb == nullptr) return;
  int bytes = 64 * 1024;
  ber_sockbuf_add_io(sb, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_PROVIDER, &bytes);
}

// Overwrites the password before its memory is released.
void Wipe(std::string* secret) {
  volatile char* p = secret->data();
  for (std::size_t i = 0; i < secret->size(); ++i) p[i] = 0;
  secret->clear();
}

}  // namespace

void LdapHandleClose::operator()(LDAP* ld) const {
  if (!ld) return;
  SigpipeGuard guard;
  ldap_unbind_ext_s(ld, nullptr, nullptr);
}

std::string LdapConnection::DiagnosticMessage() const { return HandleDiagnostic(handle_.get()); }

DirStatus LdapConnection::Open(const LdapSettings& settings, std::unique_ptr<LdapConnection>* connection,
                               std::string* diagnostic) {
  SigpipeGuard guard;
  if (const DirStatus status = CheckPasswordProtection(settings, diagnostic); status != 0) return status;
  std::string password;
  if (!settings.bindDn.empty() && !settings.saslExternal) {
    if (const DirStatus status = ReadPasswordFile(settings.passwordFile, &password, diagnostic); status != 0) {
      return status;
    }
  }

  LDAP* raw = nullptr;
  if (ldap_initialize(&raw, settings.url.c_str()) != LDAP_SUCCESS || raw == nullptr) {
    *diagnostic = Format("malformed LDAP URL \"%s\"", {settings.url});
    Wipe(&password);
    return kErrLdapBadConfiguration;
  }
  LdapHandle ld(raw);

  // Certificates are always verified; the settings only say whom to trust.
  SetCommonOptions(raw, settings, LDAP_OPT_X_TLS_DEMAND);
  const bool usesTls = settings.startTls || settings.url.rfind("ldaps:", 0) == 0;

  auto connectFailure = [&](int rc, const char* what) -> DirStatus {
    std::string reason = HandleDiagnostic(raw);
    if (reason.empty() || reason == "(unknown error code)") reason = ldap_err2string(rc);
    Wipe(&password);
    // libldap reports a rejected certificate as a connect error (StartTLS) or as the server
    // being down (ldaps://).
    if (MentionsCertificate(reason) ||
        (usesTls && (rc == LDAP_CONNECT_ERROR || rc == LDAP_SERVER_DOWN) && HandshakeWorksUnverified(settings))) {
      *diagnostic = Format("the certificate of %s could not be verified: %s", {settings.url, reason});
      return kErrLdapCertificateNotVerified;
    }
    *diagnostic = Format("%s %s: %s", {what, settings.url, reason});
    return MapLdapResult(rc);
  };

  int rc = ldap_connect(raw);
  if (rc != LDAP_SUCCESS) return connectFailure(rc, "cannot reach");

  if (settings.startTls) {
    rc = ldap_start_tls_s(raw, nullptr, nullptr);
    if (rc != LDAP_SUCCESS) {
      DirStatus status = connectFailure(rc, "StartTLS failed with");
      return status == kErrLdapCertificateNotVerified ? status : kErrLdapTlsFailed;
    }
  }
  ReadAhead(raw);

  berval credentials{};
  if (settings.saslExternal) {
    // An empty (not absent) initial response: use the identity the transport proves.
    char empty[] = "";
    credentials.bv_val = empty;
    rc = ldap_sasl_bind_s(raw, nullptr, "EXTERNAL", &credentials, nullptr, nullptr, nullptr);
  } else {
    credentials.bv_val = password.data();
    credentials.bv_len = password.size();
    rc = ldap_sasl_bind_s(raw, settings.bindDn.empty() ? nullptr : settings.bindDn.c_str(), LDAP_SASL_SIMPLE,
                          &credentials, nullptr, nullptr, nullptr);
  }
  Wipe(&password);
  if (rc != LDAP_SUCCESS) {
    if (IsConnectionLost(rc)) return connectFailure(rc, "cannot reach");
    std::string reason = HandleDiagnostic(raw);
    *diagnostic =
        Format("login %s failed: %s%s%s", {settings.saslExternal ? std::string("(SASL EXTERNAL)") : settings.bindDn,
                                           ldap_err2string(rc), reason.empty() ? "" : ": ", reason});
    if (rc == LDAP_INVALID_CREDENTIALS && !settings.saslExternal && !settings.bindDn.empty()) {
      *diagnostic = Format("%s; check the login and the password in %s", {*diagnostic, settings.passwordFile.string()});
    }
    return MapLdapResult(rc);
  }
  *connection = std::make_unique<LdapConnection>(std::move(ld));
  return 0;
}

}  // namespace recast::ldap
