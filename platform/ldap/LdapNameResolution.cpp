// LdapService: names resolved part by part, typeless parts by value, aliases followed.
#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <algorithm>
#include <optional>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::ldap {
namespace {

using service::EntryName;
using service::NamePart;

// Typeless parts are looked up by these naming attributes first; only when none matches are
// all children compared.
constexpr const char* kNamingAttributes[] = {"cn", "ou", "o", "dc", "uid", "c", "l", "st"};

}  // namespace

std::vector<service::NamePart> LdapService::VirtualChildren(const service::EntryName& parent) const {
  std::vector<NamePart> children;
  for (const auto& context : namingContexts_) {
    if (!IsBelow(context, parent)) continue;
    const NamePart& next = context[context.size() - parent.size() - 1];
    const bool known = std::any_of(children.begin(), children.end(), [&next](const NamePart& p) {
      return TextEquals(p.type, next.type) && TextEquals(p.value, next.value);
    });
    if (!known) children.push_back(next);
  }
  return children;
}

DirStatus LdapService::ResolvePart(const std::string& parentDn, const EntryName& parent, const std::string& value,
                                   NamePart* part) {
  for (const auto& child : VirtualChildren(parent)) {
    if (TextEquals(child.value, value)) {
      *part = child;
      return 0;
    }
  }
  if (parent.empty()) return Record(kErrNoSuchEntry, Format("no entry named %s at the top", {value}));
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  auto matching = [&](LDAPMessage* result) -> bool {
    for (LDAPMessage* e = ldap_first_entry(ld, result); e; e = ldap_next_entry(ld, e)) {
      EntryName name;
      if (DnToEntryName(EntryDn(ld, e), &name) == 0 && !name.empty() && TextEquals(name.front().value, value)) {
        *part = name.front();
        return true;
      }
    }
    return false;
  };
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  // An RDN of several values is found by its first one and compared whole.
  const std::string first = SplitRdnValues({"", value}).front().value;
  std::string filter = "(|";
  for (const char* attr : kNamingAttributes) filter += Format("(%s=%s)", {attr, EscapeFilterValue(first)});
  filter += ")";
  std::string cookie;
  do {
    MessagePtr result;
    ++requests_;
    const int rc = SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, filter, noAttrs, kDefaultPageSize, &cookie, &result);
    if (rc != LDAP_SUCCESS) return Fail(rc, Format("looking up %s below %s", {value, parentDn}));
    if (matching(result.get())) {
      if (!cookie.empty()) SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, filter, noAttrs, 0, &cookie, &result);
      return 0;
    }
  } while (!cookie.empty());
  // Named by an attribute outside the usual ones: compare every child's own name part.
  const std::string all = "(objectClass=*)";
  do {
    MessagePtr result;
    ++requests_;
    const int rc = SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, all, noAttrs, kDefaultPageSize, &cookie, &result);
    if (rc != LDAP_SUCCESS) return Fail(rc, Format("looking up %s below %s", {value, parentDn}));
    if (matching(result.get())) {
      if (!cookie.empty()) SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, all, noAttrs, 0, &cookie, &result);
      return 0;
    }
  } while (!cookie.empty());
  return Record(kErrNoSuchEntry, Format("no entry named %s below %s", {value, parentDn}));
}

std::optional<NamePart> LdapService::TypedPart(const NamePart& part) {
  if (part.type.empty() || !IsValidAttributeType(part.type)) return std::nullopt;
  return NamePart{UpperAscii(part.type), part.value};
}

DirStatus LdapService::ResolveName(const EntryName& name, bool derefAliases, EntryName* canonical) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureConnected(); status != 0) return status;
  // Filled from the root down; a typeless part is looked up below the parts after it.
  EntryName resolved(name.size());
  std::string dn;
  // dn follows the parts resolved so far only where a typeless part needs it, and at the end.
  bool dnCurrent = true;
  for (std::size_t i = name.size(); i-- > 0;) {
    const NamePart& part = name[i];
    if (!part.type.empty()) {
      std::optional<NamePart> typed = TypedPart(part);
      if (!typed) return Record(kErrBadName, Format("\"%s\" is no attribute type", {part.type}));
      resolved[i] = std::move(*typed);
    } else {
      const EntryName parent(resolved.begin() + static_cast<std::ptrdiff_t>(i) + 1, resolved.end());
      if (!dnCurrent) {
        if (const DirStatus status = ToDn(parent, &dn); status != 0) return status;
      }
      if (const DirStatus status = ResolvePart(dn, parent, part.value, &resolved[i]); status != 0) return status;
    }
    dnCurrent = false;
  }
  if (!dnCurrent) {
    if (const DirStatus status = ToDn(resolved, &dn); status != 0) return status;
  }
  if (resolved.empty()) {
    canonical->clear();
    return 0;
  }
  // The entry's own read, kept for the reads of its values that usually follow.
  const LdifEntry* entry = nullptr;
  const int rc = FetchEntry(dn, &entry);
  if (rc == LDAP_NO_SUCH_OBJECT && !VirtualChildren(resolved).empty()) {
    *canonical = std::move(resolved);  // a part of a naming context that is no entry itself
    return 0;
  }
  if (rc != LDAP_SUCCESS) {
    DropKept();
    return Fail(rc, Format("looking up %s", {dn}));
  }
  if (!entry) {
    DropKept();
    return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
  }
  if (derefAliases) {
    for (const auto& [description, targets] : entry->attributes) {
      if (!TextEquals(description, "aliasedObjectName") || targets.empty()) continue;
      EntryName target;
      if (DnToEntryName(targets.front(), &target) != 0) return Record(kErrBadName, "alias to a malformed DN");
      return ResolveName(target, false, canonical);
    }
  }
  *canonical = std::move(resolved);
  return 0;
}

}  // namespace recast::ldap
