// LdapService: changing an entry's structural class, with the Relax Rules retry and the
// safe re-create.
#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <algorithm>

#include "platform/ldap/BackupMarks.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/Ldif.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"

namespace recast::ldap {

using service::EntryName;
using service::NamePart;

namespace {

constexpr const char* kNotRestored =
    "%s; the original could not be put back; it is saved in %s, and the program puts it back from there when it "
    "next connects to the server";

bool IsStructuralRefusal(int rc, const std::string& message) {
  return rc == LDAP_NO_OBJECT_CLASS_MODS || (rc == LDAP_OBJECT_CLASS_VIOLATION &&
                                             message.find("structural object class modification") != std::string::npos);
}

int ReplaceClasses(LDAP* ld, const std::string& dn, std::vector<std::string>& classes, LDAPControl** controls) {
  std::vector<berval> values;
  for (auto& cls : classes) values.push_back({static_cast<ber_len_t>(cls.size()), cls.data()});
  std::vector<berval*> pointers;
  for (auto& v : values) pointers.push_back(&v);
  pointers.push_back(nullptr);
  char attr[] = "objectClass";
  LDAPMod mod{};
  mod.mod_op = LDAP_MOD_REPLACE | LDAP_MOD_BVALUES;
  mod.mod_type = attr;
  mod.mod_bvalues = pointers.data();
  LDAPMod* mods[] = {&mod, nullptr};
  return ldap_modify_ext_s(ld, dn.c_str(), mods, controls, nullptr);
}

}  // namespace

DirStatus LdapService::ReadEntry(const std::string& dn, LdifEntry* entry, int* resultCode) {
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {LDAP_ALL_USER_ATTRIBUTES, nullptr};
  LDAPMessage* raw = nullptr;
  ++requests_;
  *resultCode = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                  nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (*resultCode != LDAP_SUCCESS) return Fail(*resultCode, Format("reading %s", {dn}));
  LDAPMessage* found = ldap_first_entry(ld, raw);
  if (!found) return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
  *entry = ToLdifEntry(ld, found);
  return 0;
}

DirStatus LdapService::HasChildren(const std::string& dn, bool* children) {
  LDAP* ld = connection_->get();
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  LDAPMessage* raw = nullptr;
  ++requests_;
  const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_ONELEVEL, "(objectClass=*)", const_cast<char**>(noAttrs),
                                   0, nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (rc == LDAP_SIZELIMIT_EXCEEDED) {
    *children = true;
    return 0;
  }
  if (rc != LDAP_SUCCESS) return Fail(rc, Format("looking below %s", {dn}));
  *children = ldap_count_entries(ld, raw) > 0;
  return 0;
}

DirStatus LdapService::Recreate(const std::string& dn, const std::vector<std::string>& newClasses) {
  bool children = false;
  if (const DirStatus status = HasChildren(dn, &children); status != 0) return status;
  if (children) return Record(kErrNotLeafEntry, Format("%s has entries below it and cannot be re-created", {dn}));
  LdifEntry original;
  int rc = LDAP_SUCCESS;
  if (const DirStatus status = ReadEntry(dn, &original, &rc); status != 0) return status;
  std::filesystem::path backup;
  std::string diagnostic;
  if (const DirStatus status = SaveLdifBackup(BackupFolder(), original, &backup, &diagnostic); status != 0) {
    return Record(status, diagnostic);
  }
  // Nothing is deleted unless the backup reads back as the entry it saves.
  LdifEntry check;
  if (LoadLdifBackup(backup, &check) != 0 || !(check == original)) {
    return Record(kErrLdapBackupFailed, Format("the backup %s does not read back as %s", {backup.string(), dn}));
  }
  LdifEntry changed = original;
  for (auto& [attr, values] : changed.attributes) {
    if (TextEquals(attr, "objectClass")) values = newClasses;
  }
  // Until the entry is back, a connection after a crash finds the backup pending.
  PendingMark mark;
  if (const DirStatus status = PendingMark::Create(backup, settings_.url, &mark, &diagnostic); status != 0) {
    return Record(status, diagnostic);
  }
  LDAP* ld = connection_->get();
  ++requests_;
  rc = ldap_delete_ext_s(ld, dn.c_str(), nullptr, nullptr);
  if (rc != LDAP_SUCCESS) {
    // A delete whose answer was lost may still have happened: then the mark stays, and the
    // next connection looks.
    if (!IsConnectionLost(rc)) mark.Done();
    return Fail(rc, Format("deleting %s to re-create it", {dn}));
  }
  if (recreateHook_) recreateHook_();
  ++requests_;
  rc = AddEntry(ld, changed);
  if (rc == LDAP_SUCCESS) {
    mark.Done();
    return 0;
  }
  const DirStatus addStatus = Fail(rc, Format("re-creating %s", {dn}));
  const std::string addDiagnostic = lastDiagnostic_;
  if (!connection_) {
    // The entry is gone: putting it back is worth one more attempt to connect.
    BeginUserAction();
    if (EnsureConnected() != 0) {
      return Record(kErrLdapRestoreFailed, Format(kNotRestored, {addDiagnostic, backup.string()}));
    }
    ld = connection_->get();
  }
  LdifEntry restored;
  if (LoadLdifBackup(backup, &restored) != 0 || (rc = AddEntry(ld, restored)) != LDAP_SUCCESS) {
    // Returning the add's status here would hide that the entry is gone. The mark stays.
    return Record(kErrLdapRestoreFailed, Format(kNotRestored, {addDiagnostic, backup.string()}));
  }
  mark.Done();
  return Record(addStatus, Format("%s; the original entry was restored", {addDiagnostic}));
}

DirStatus LdapService::ChangeBaseClass(const EntryName& entry, const std::string& newClass) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  const service::ClassDefinition* target = schema_->FindClass(newClass);
  if (!target) return Record(kErrNoSuchClass, Format("the schema has no class %s", {newClass}));
  if (!(target->flags & kClassEffective)) {
    return Record(kErrNotEffectiveClass, Format("%s is no structural class", {target->name}));
  }
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;
  service::AttributeValues current;
  if (classesAfterChange_ && classesAfterChange_->first == dn) {
    current = classesAfterChange_->second;
  } else if (const DirStatus status = ReadAttribute(entry, "objectClass", false, &current); status != 0) {
    return status;
  }

  std::vector<std::string> classes = schema_->ClassChain(target->name);
  for (const auto& value : current.values) {
    const auto& name = std::get<service::value::Text>(value).text;
    const auto* def = schema_->FindClass(name);
    if (def && (def->flags & kClassAuxiliary) &&
        std::none_of(classes.begin(), classes.end(), [&](const std::string& c) { return TextEquals(c, def->name); })) {
      classes.push_back(name);
    }
  }

  DropKept(dn);
  int rc = LDAP_SUCCESS;
  std::string message;
  DirStatus status = 0;
  // Once this server has refused a structural change, the next ones go with Relax Rules at
  // once: the plain attempt would only be refused again, one round trip per entry.
  if (!(settings_.relaxRules && refusesStructuralChange_)) {
    ++requests_;
    rc = SendChange([&](LDAP* server) { return ReplaceClasses(server, dn, classes, nullptr); });
    if (rc == LDAP_SUCCESS) return 0;
    message = ChangeDiagnostic();
    status = Fail(rc, Format("changing the class of %s to %s", {dn, target->name}));
    if (!connection_ || !IsStructuralRefusal(rc, message)) return status;
    refusesStructuralChange_ = true;
  }

  if (settings_.relaxRules) {
    LDAPControl relax{};
    relax.ldctl_oid = const_cast<char*>(LDAP_CONTROL_RELAX);
    relax.ldctl_iscritical = 1;
    LDAPControl* controls[] = {&relax, nullptr};
    ++requests_;
    rc = SendChange([&](LDAP* server) { return ReplaceClasses(server, dn, classes, controls); });
    if (rc == LDAP_SUCCESS) return 0;
    message = ChangeDiagnostic();
    status = Fail(rc, Format("changing the class of %s to %s with Relax Rules", {dn, target->name}));
    if (!connection_) return status;
    // The server judged the result itself and found it does not fit: a re-create would fail
    // the same way, after giving the entry a new identity for nothing.
    if (rc == LDAP_OBJECT_CLASS_VIOLATION && !IsStructuralRefusal(rc, message)) return status;
  }
  if (settings_.safeRecreate) return Recreate(dn, classes);
  if (!IsStructuralRefusal(rc, message)) return status;
  // The server's message alone does not tell the user that the program can still do it.
  const char* hint =
      settings_.relaxRules
          ? "the server does not allow changing the structural class in place, not even with Relax Rules; "
            "Recreate=yes in the connection's settings makes the program re-create the entry with the new class "
            "(see the LDAP README, platform/ldap/README.md)"
          : "the server does not allow changing the structural class in place; RelaxRules=yes (change it in "
            "place with the Relax Rules control) or Recreate=yes (re-create the entry with the new class) in the "
            "connection's settings make the program do it (see the LDAP README, platform/ldap/README.md)";
  return Record(status, Format("%s; %s", {lastDiagnostic_, hint}));
}

}  // namespace recast::ldap
