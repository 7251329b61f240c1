#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <utility>

#include "platform/errtext/ErrorTextLibrary.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"

namespace recast::ldap {

using service::EntryName;
using service::NamePart;

// ---- Connection ------------------------------------------------------------------------

DirStatus LdapService::Open(const LdapSettings& settings, std::unique_ptr<LdapService>* service,
                            std::string* diagnostic) {
  SigpipeGuard guard;
  auto opened = std::make_unique<LdapService>(settings);
  if (const DirStatus status = opened->Connect(diagnostic); status != 0) return status;
  *service = std::move(opened);
  return 0;
}

DirStatus LdapService::Connect(std::string* diagnostic) {
  std::unique_ptr<LdapConnection> connection;
  if (const DirStatus status = LdapConnection::Open(settings_, &connection, diagnostic); status != 0) {
    return status;
  }
  LDAP* ld = connection->get();
  SetDeref(ld, false);
  const char* attrs[] = {"namingContexts", "subschemaSubentry", nullptr};
  LDAPMessage* raw = nullptr;
  const int rc = ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0, nullptr,
                                   nullptr, nullptr, 0, &raw);
  MessagePtr result(raw);
  std::vector<EntryName> contexts;
  std::string subschema;
  if (rc == LDAP_SUCCESS) {
    if (LDAPMessage* entry = ldap_first_entry(ld, raw)) {
      for (const auto& dn : Values(ld, entry, "namingContexts")) {
        EntryName name;
        if (DnToEntryName(dn, &name) == 0 && !name.empty()) contexts.push_back(std::move(name));
      }
      const auto subschemas = Values(ld, entry, "subschemaSubentry");
      if (!subschemas.empty()) subschema = subschemas.front();
    }
  }
  std::string base = settings_.baseDn;
  if (base.empty() && !contexts.empty()) {
    // Written back from the parsed form so that it compares equal to names built here.
    EntryNameToDn(contexts.front(), &base);
  }
  if (subschema.empty()) subschema = "cn=Subschema";
  connection_ = std::move(connection);
  ++connectionGeneration_;
  nextPage_.reset();  // asked for on a connection that is gone
  namingContexts_ = std::move(contexts);
  baseDn_ = std::move(base);
  subschemaDn_ = std::move(subschema);
  RecoverPendingBackups();
  return 0;
}

DirStatus LdapService::EnsureConnected() {
  if (connection_) return 0;
  // Each attempt may take the whole timeout: within one user action it is made once.
  if (connectionFailure_ != 0) return Record(connectionFailure_, connectionFailureText_);
  std::string diagnostic;
  DirStatus status = Connect(&diagnostic);
  if (status != 0) {
    connectionFailure_ = status;
    connectionFailureText_ = diagnostic;
    return Record(status, diagnostic);
  }
  return 0;
}

void LdapService::BeginUserAction() {
  DropKept();
  connectionFailure_ = 0;
  connectionFailureText_.clear();
}

void LdapService::SetListingPrefetch(bool prefetch) { prefetch_ = prefetch; }

std::vector<std::string> LdapService::TakeNotices() { return std::exchange(notices_, {}); }

DirStatus LdapService::Record(DirStatus status, std::string text) {
  if (status != 0 && !text.empty()) {
    // The error-text library answers with this text for status from now on.
    RecastErrtextRecordDiagnostic(status, text.c_str());
    lastDiagnostic_ = std::move(text);
  }
  return status;
}

DirStatus LdapService::Fail(int resultCode, const std::string& context) {
  if (IsConnectionLost(resultCode)) {
    // The operation is not repeated: the caller learns that it did not happen.
    connection_.reset();
    serverPage_.reset();
    nextPage_.reset();
    DropKept();
    connectionFailure_ = kErrServerUnavailable;
    connectionFailureText_ = Format("connection to %s lost during %s", {settings_.url, context});
    return Record(kErrServerUnavailable, connectionFailureText_);
  }
  if (resultCode == LDAP_REFERRAL) {
    return Record(kErrLdapReadOnlyCopy,
                  Format("%s: this server is a read-only copy; the change must go to %s. Connect to that server, or "
                         "set FollowReferrals=yes in the connection to send changes there with the same login",
                         {context, referralUrl_.empty() ? std::string("the server it copies") : referralUrl_}));
  }
  const std::string message = ChangeDiagnostic();
  const DirStatus status = MapLdapResult(resultCode, message);
  std::string text = Format("%s: %s", {context, ldap_err2string(resultCode)});
  if (!message.empty()) text = Format("%s (%s)", {text, message});
  return Record(status, std::move(text));
}

DirStatus LdapService::EnsureSchema() {
  if (const DirStatus status = EnsureConnected(); status != 0) return status;
  if (schema_) return 0;
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {"objectClasses", "attributeTypes", nullptr};
  LDAPMessage* raw = nullptr;
  const int rc = ldap_search_ext_s(ld, subschemaDn_.c_str(), LDAP_SCOPE_BASE, "(objectClass=subschema)",
                                   const_cast<char**>(attrs), 0, nullptr, nullptr, nullptr, 0, &raw);
  MessagePtr result(raw);
  if (rc != LDAP_SUCCESS) return Fail(rc, "reading the schema");
  LDAPMessage* entry = ldap_first_entry(ld, raw);
  if (!entry) return Record(kErrNoSuchEntry, "the server has no subschema entry");
  schema_ = LdapSchema::Build(Values(ld, entry, "objectClasses"), Values(ld, entry, "attributeTypes"));
  // What was worked out with the schema before.
  lastClassTexts_.clear();
  lastClassOrder_.clear();
  readMemo_ = {};
  return 0;
}

DirStatus LdapService::ToDn(const EntryName& name, std::string* dn) {
  const DirStatus status = KnownDn(name, dn);
  if (status != 0) return Record(status, "a name part without a valid type");
  return 0;
}

DirStatus LdapService::KnownDn(const EntryName& name, std::string* dn) {
  // A name is usually turned into its DN several times in a row (resolved, then read).
  if (!lastDnName_.empty() && name == lastDnName_) {
    *dn = lastDn_;
    return 0;
  }
  // Bulk work names one sibling after another: when the new first part is plain and the last
  // one's was, the rest of the DN is the last one's.
  std::string out;
  std::size_t firstSize = 0;
  if (lastDnFirstSize_ > 0 && name.size() > 1 && name.size() == lastDnName_.size() &&
      std::equal(name.begin() + 1, name.end(), lastDnName_.begin() + 1) && AppendPlainRdn(name.front(), &out)) {
    firstSize = out.size();
    out.append(lastDn_, lastDnFirstSize_, std::string::npos);
    lastDnName_.front() = name.front();  // the rest is the same
  } else {
    if (const DirStatus status = EntryNameToDn(name, &out); status != 0) return status;
    std::string first;
    if (!name.empty() && AppendPlainRdn(name.front(), &first) && out.compare(0, first.size(), first) == 0)
      firstSize = first.size();
    lastDnName_ = name;
  }
  lastDn_ = out;
  lastDnFirstSize_ = firstSize;
  *dn = std::move(out);
  return 0;
}

// ---- Login and schema ------------------------------------------------------------------

DirStatus LdapService::Login(service::LoginInfo* info) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureConnected(); status != 0) return status;
  std::string who = settings_.bindDn;
  if (settings_.saslExternal) {
    berval* raw = nullptr;
    const int rc = ldap_whoami_s(connection_->get(), &raw, nullptr, nullptr);
    BervalPtr authzid(raw);
    if (rc != LDAP_SUCCESS) return Fail(rc, "asking who the login is");
    who = authzid ? std::string(authzid->bv_val, authzid->bv_len) : std::string();
    if (who.rfind("dn:", 0) == 0)
      who.erase(0, 3);
    else
      who.clear();  // an identity without an entry
    // The server answers with the normalized DN; the entry itself has the spelling to show.
    const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
    LDAPMessage* rawEntry = nullptr;
    const int found = who.empty()
                          ? LDAP_NO_SUCH_OBJECT
                          : ldap_search_ext_s(connection_->get(), who.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                              const_cast<char**>(noAttrs), 0, nullptr, nullptr, nullptr, 1, &rawEntry);
    MessagePtr entryResult(rawEntry);
    LDAPMessage* entry = found == LDAP_SUCCESS ? ldap_first_entry(connection_->get(), rawEntry) : nullptr;
    if (entry) who = EntryDn(connection_->get(), entry);
  }
  service::LoginInfo out;
  if (DnToEntryName(who, &out.fullName) != 0 || DnToEntryName(baseDn_, &out.defaultContainer) != 0) {
    return Record(kErrBadName, Format("login or base entry is not a DN: %s / %s", {who, baseDn_}));
  }
  *info = std::move(out);
  return 0;
}

DirStatus LdapService::ReadSchema(service::Schema* schema) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  *schema = schema_->schema();
  return 0;
}

DirStatus LdapService::ReadStream(const EntryName&, const std::string& attrName, std::vector<std::uint8_t>*) {
  return Record(kErrNotSupported, Format("LDAP has no stream attribute %s", {attrName}));
}

// ---- Opener ----------------------------------------------------------------------------

DirStatus OpenLdapService(const service::ConnectionConfig& config,
                          std::unique_ptr<service::DirectoryService>* service) {
  LdapSettings settings;
  std::string diagnostic;
  DirStatus status = ParseLdapSettings(config, &settings, &diagnostic);
  std::unique_ptr<LdapService> opened;
  if (status == 0) status = LdapService::Open(settings, &opened, &diagnostic);
  if (status != 0) {
    // The client's start-up message for a failed open quotes this text.
    RecastErrtextRecordDiagnostic(status, diagnostic.c_str());
    return status;
  }
  *service = std::move(opened);
  return 0;
}

}  // namespace recast::ldap
