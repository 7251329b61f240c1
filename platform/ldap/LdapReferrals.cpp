// LdapService: changes that a read-only copy refers to the server that takes them.
#include <ldap.h>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapService.h"

namespace recast::ldap {

namespace {

// The first referral URL of the latest result on ld, reduced to scheme, host and port (a
// referral may name the entry too); empty when there is none.
std::string ReferralServer(LDAP* ld) {
  char** urls = nullptr;
  if (ldap_get_option(ld, LDAP_OPT_REFERRAL_URLS, &urls) != LDAP_OPT_SUCCESS || urls == nullptr) return "";
  std::string url = urls[0] ? urls[0] : "";
  ber_memvfree(reinterpret_cast<void**>(urls));
  LDAPURLDesc* raw = nullptr;
  if (ldap_url_parse(url.c_str(), &raw) != LDAP_URL_SUCCESS) return url;
  std::string server = std::string(raw->lud_scheme) + "://" + (raw->lud_host ? raw->lud_host : "");
  if (raw->lud_port > 0) server += ":" + std::to_string(raw->lud_port);
  ldap_free_urldesc(raw);
  return server + "/";
}

}  // namespace

int LdapService::SendChange(const std::function<int(LDAP*)>& send) {
  lastChangeReferred_ = false;
  int rc = send(connection_->get());
  if (rc != LDAP_REFERRAL) return rc;
  referralUrl_ = ReferralServer(connection_->get());
  if (!settings_.followReferrals || referralUrl_.empty()) return rc;
  if (!referralConnection_ || referralConnection_->get() == nullptr) {
    LdapSettings target = settings_;
    target.url = referralUrl_;
    std::string diagnostic;
    if (LdapConnection::Open(target, &referralConnection_, &diagnostic) != 0) {
      referralConnection_.reset();
      lastDiagnostic_ = diagnostic;
      return LDAP_UNAVAILABLE;
    }
  }
  lastChangeReferred_ = true;
  rc = send(referralConnection_->get());
  // A lost connection to the other server is opened again for the next change.
  if (rc == LDAP_SERVER_DOWN || rc == LDAP_CONNECT_ERROR) referralConnection_.reset();
  return rc;
}

std::string LdapService::ChangeDiagnostic() const {
  if (lastChangeReferred_ && referralConnection_) return referralConnection_->DiagnosticMessage();
  return connection_ ? connection_->DiagnosticMessage() : std::string();
}

}  // namespace recast::ldap
