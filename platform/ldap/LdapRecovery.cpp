// LdapService: putting back entries whose re-creation was interrupted (the program died
// between the delete and the add).
#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include "platform/ldap/BackupMarks.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/Ldif.h"
#include "util/Format.h"

namespace recast::ldap {

void LdapService::RecoverPendingBackups() {
  LDAP* ld = connection_->get();
  for (PendingMark& mark : PendingMark::Claim(BackupFolder(), settings_.url)) {
    const std::string backup = mark.backup().string();
    LdifEntry entry;
    if (LoadLdifBackup(mark.backup(), &entry) != 0) {
      notices_.push_back(
          Format("A re-creation on %s was interrupted, and its backup %s cannot be read. The entry "
                 "it saved may be missing on the server: put it back by hand, then delete %s.",
                 {settings_.url, backup, mark.path().string()}));
      continue;
    }
    SetDeref(ld, false);
    const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
    LDAPMessage* raw = nullptr;
    int rc = ldap_search_ext_s(ld, entry.dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(noAttrs), 0,
                               nullptr, nullptr, nullptr, 1, &raw);
    MessagePtr result(raw);
    if (rc == LDAP_SUCCESS && ldap_count_entries(ld, raw) > 0) {
      mark.Done();  // it never went, or it came back with its new class
      continue;
    }
    if (IsConnectionLost(rc)) return;  // the marks stay for the next connection
    if (rc == LDAP_NO_SUCH_OBJECT) rc = AddEntry(ld, entry);
    if (rc == LDAP_SUCCESS) {
      mark.Done();
      notices_.push_back(
          Format("The entry %s was missing on %s after an interrupted re-creation of its class. It "
                 "has been put back as it was, from the backup %s.",
                 {entry.dn, settings_.url, backup}));
      continue;
    }
    const std::string message = connection_->DiagnosticMessage();
    notices_.push_back(
        Format("The entry %s may be missing on %s after an interrupted re-creation of its class, and "
               "could not be put back from the backup %s: %s%s%s. The program tries again at its next "
               "connection; a login with write access to the entry can put it back.",
               {entry.dn, settings_.url, backup, ldap_err2string(rc), message.empty() ? "" : ": ", message}));
    if (IsConnectionLost(rc)) return;
  }
}

}  // namespace recast::ldap
