#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <algorithm>
#include <set>

#include "platform/errtext/ErrorTextLibrary.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/LdapValues.h"
#include "platform/ldap/Ldif.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"

namespace recast::ldap {
namespace {

using service::EntryName;
using service::NamePart;

// Typeless parts are looked up by these naming attributes first; only when none matches are
// all children compared.
constexpr const char* kNamingAttributes[] = {"cn", "ou", "o", "dc", "uid", "c", "l", "st"};

constexpr int kDefaultPageSize = 1000;
constexpr int kMaxPageSize = 10000;

std::string HexEncode(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    out.push_back("0123456789ABCDEF"[c >> 4]);
    out.push_back("0123456789ABCDEF"[c & 15]);
  }
  return out;
}

bool HexDecode(std::string_view text, std::string* bytes) {
  if (text.size() % 2) return false;
  auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string out;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = nibble(text[i]), lo = nibble(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<char>(hi * 16 + lo));
  }
  *bytes = std::move(out);
  return true;
}

// A listing cursor: "<hex cookie>/<hex parent DN>/<offset>": the server's paging cookie that
// requested the current server page, and how many of that page's entries were delivered.
struct Cursor {
  std::string cookie;
  std::string parentDn;
  std::size_t offset = 0;
};

std::string MakeCursor(const Cursor& cursor) {
  return HexEncode(cursor.cookie) + "/" + HexEncode(cursor.parentDn) + "/" + std::to_string(cursor.offset);
}

bool ParseCursor(std::string_view text, Cursor* cursor) {
  const auto first = text.find('/');
  const auto second = first == std::string_view::npos ? first : text.find('/', first + 1);
  if (second == std::string_view::npos) return false;
  Cursor out;
  const std::string_view offset = text.substr(second + 1);
  if (offset.empty() || offset.size() > 9 || offset.find_first_not_of("0123456789") != std::string_view::npos) {
    return false;
  }
  out.offset = static_cast<std::size_t>(std::stoul(std::string(offset)));
  if (!HexDecode(text.substr(0, first), &out.cookie) || !HexDecode(text.substr(first + 1, second - first - 1), &out.parentDn)) {
    return false;
  }
  *cursor = std::move(out);
  return true;
}

void SetDeref(LDAP* ld, bool deref) {
  const int value = deref ? LDAP_DEREF_FINDING | LDAP_DEREF_SEARCHING : LDAP_DEREF_NEVER;
  ldap_set_option(ld, LDAP_OPT_DEREF, &value);
}

// The texts of one attribute of a result entry, matched by name ignoring case.
std::vector<std::string> Values(LDAP* ld, LDAPMessage* entry, const char* attr) {
  std::vector<std::string> out;
  ValuesPtr values(ldap_get_values_len(ld, entry, attr));
  for (berval** v = values.get(); v && *v; ++v) out.emplace_back((*v)->bv_val, (*v)->bv_len);
  return out;
}

// True when name ends with suffix and is longer.
bool IsBelow(const EntryName& name, const EntryName& suffix) {
  if (name.size() <= suffix.size()) return false;
  const std::size_t offset = name.size() - suffix.size();
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (!EqualsIgnoreCase(name[offset + i].type, suffix[i].type) ||
        !EqualsIgnoreCase(name[offset + i].value, suffix[i].value)) {
      return false;
    }
  }
  return true;
}

}  // namespace

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
  const int rc = ldap_search_ext_s(ld, "", LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                   nullptr, nullptr, nullptr, 0, &raw);
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
  namingContexts_ = std::move(contexts);
  baseDn_ = std::move(base);
  subschemaDn_ = std::move(subschema);
  return 0;
}

DirStatus LdapService::EnsureConnected() {
  if (connection_) return 0;
  std::string diagnostic;
  DirStatus status = Connect(&diagnostic);
  if (status != 0) return Record(status, diagnostic);
  return 0;
}

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
    return Record(kErrServerUnavailable, Format("connection to %s lost during %s", {settings_.url, context}));
  }
  const std::string message = connection_ ? connection_->DiagnosticMessage() : std::string();
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
  return 0;
}

DirStatus LdapService::ToDn(const EntryName& name, std::string* dn) {
  const DirStatus status = EntryNameToDn(name, dn);
  if (status != 0) return Record(status, "a name part without a valid type");
  return 0;
}

// ---- Login and schema ------------------------------------------------------------------

DirStatus LdapService::Login(service::LoginInfo* info) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureConnected(); status != 0) return status;
  std::string who = settings_.bindDn;
  if (settings_.saslExternal) {
    berval* raw = nullptr;
    const int rc = ldap_whoami_s(connection_->get(), &raw, nullptr, nullptr);
    BervalPtr authzid(raw);
    if (rc != LDAP_SUCCESS) return Fail(rc, "asking who the login is");
    who = authzid ? std::string(authzid->bv_val, authzid->bv_len) : std::string();
    if (who.rfind("dn:", 0) == 0) who.erase(0, 3);
    else who.clear();  // an identity without an entry
    // The server answers with the normalized DN; the entry itself has the spelling to show.
    const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
    LDAPMessage* rawEntry = nullptr;
    const int found = who.empty() ? LDAP_NO_SUCH_OBJECT
                                  : ldap_search_ext_s(connection_->get(), who.c_str(), LDAP_SCOPE_BASE,
                                                      "(objectClass=*)", const_cast<char**>(noAttrs), 0, nullptr,
                                                      nullptr, nullptr, 1, &rawEntry);
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
  SigpipeGuard guard;
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  *schema = schema_->schema();
  return 0;
}

// ---- Names -----------------------------------------------------------------------------
namespace {

// One page of a paged search. *cookie: the server's cookie of the previous page on entry
// (empty for the first), the one for the next page on return (empty after the last).
int SearchPage(LDAP* ld, const std::string& base, int scope, const std::string& filter, const char* const* attrs,
               int pageSize, std::string* cookie, MessagePtr* out) {
  berval cookieValue{static_cast<ber_len_t>(cookie->size()), cookie->data()};
  LDAPControl* rawControl = nullptr;
  int rc = ldap_create_page_control(ld, pageSize, cookie->empty() ? nullptr : &cookieValue, 1, &rawControl);
  if (rc != LDAP_SUCCESS) return rc;
  ControlPtr control(rawControl);
  LDAPControl* controls[] = {rawControl, nullptr};
  LDAPMessage* raw = nullptr;
  rc = ldap_search_ext_s(ld, base.c_str(), scope, filter.c_str(), const_cast<char**>(attrs), 0, controls, nullptr,
                         nullptr, 0, &raw);
  MessagePtr result(raw);
  if (rc != LDAP_SUCCESS) return rc;
  LDAPControl** rawResponse = nullptr;
  int code = LDAP_SUCCESS;
  rc = ldap_parse_result(ld, raw, &code, nullptr, nullptr, nullptr, &rawResponse, 0);
  ControlsPtr response(rawResponse);
  if (rc != LDAP_SUCCESS) return rc;
  if (code != LDAP_SUCCESS) return code;
  cookie->clear();
  if (LDAPControl* paged = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, rawResponse, nullptr)) {
    ber_int_t estimate = 0;
    berval next{};
    if (ldap_parse_pageresponse_control(ld, paged, &estimate, &next) == LDAP_SUCCESS && next.bv_val) {
      cookie->assign(next.bv_val, next.bv_len);
      ber_memfree(next.bv_val);
    }
  }
  *out = std::move(result);
  return LDAP_SUCCESS;
}

}  // namespace

std::vector<NamePart> LdapService::VirtualChildren(const EntryName& parent) const {
  std::vector<NamePart> children;
  for (const auto& context : namingContexts_) {
    if (!IsBelow(context, parent)) continue;
    const NamePart& next = context[context.size() - parent.size() - 1];
    const bool known = std::any_of(children.begin(), children.end(), [&next](const NamePart& p) {
      return EqualsIgnoreCase(p.type, next.type) && EqualsIgnoreCase(p.value, next.value);
    });
    if (!known) children.push_back(next);
  }
  return children;
}

DirStatus LdapService::ResolvePart(const std::string& parentDn, const EntryName& parent, const std::string& value,
                                   NamePart* part) {
  for (const auto& child : VirtualChildren(parent)) {
    if (EqualsIgnoreCase(child.value, value)) {
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
      if (DnToEntryName(EntryDn(ld, e), &name) == 0 && !name.empty() && EqualsIgnoreCase(name.front().value, value)) {
        *part = name.front();
        return true;
      }
    }
    return false;
  };
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  std::string filter = "(|";
  for (const char* attr : kNamingAttributes) filter += Format("(%s=%s)", {attr, EscapeFilterValue(value)});
  filter += ")";
  std::string cookie;
  do {
    MessagePtr result;
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
    const int rc = SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, all, noAttrs, kDefaultPageSize, &cookie, &result);
    if (rc != LDAP_SUCCESS) return Fail(rc, Format("looking up %s below %s", {value, parentDn}));
    if (matching(result.get())) {
      if (!cookie.empty()) SearchPage(ld, parentDn, LDAP_SCOPE_ONELEVEL, all, noAttrs, 0, &cookie, &result);
      return 0;
    }
  } while (!cookie.empty());
  return Record(kErrNoSuchEntry, Format("no entry named %s below %s", {value, parentDn}));
}

DirStatus LdapService::ResolveName(const EntryName& name, bool derefAliases, EntryName* canonical) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureConnected(); status != 0) return status;
  EntryName resolved;
  std::string dn;
  for (std::size_t i = name.size(); i-- > 0;) {
    const NamePart& part = name[i];
    NamePart next;
    if (!part.type.empty()) {
      if (!IsValidAttributeType(part.type)) return Record(kErrBadName, Format("\"%s\" is no attribute type", {part.type}));
      next = {ToUpperAscii(part.type), part.value};
    } else if (const DirStatus status = ResolvePart(dn, resolved, part.value, &next); status != 0) {
      return status;
    }
    resolved.insert(resolved.begin(), std::move(next));
    if (const DirStatus status = ToDn(resolved, &dn); status != 0) return status;
  }
  if (resolved.empty()) {
    canonical->clear();
    return 0;
  }
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {"aliasedObjectName", nullptr};
  LDAPMessage* raw = nullptr;
  int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                             nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (rc == LDAP_NO_SUCH_OBJECT && !VirtualChildren(resolved).empty()) {
    *canonical = std::move(resolved);  // a part of a naming context that is no entry itself
    return 0;
  }
  if (rc != LDAP_SUCCESS) return Fail(rc, Format("looking up %s", {dn}));
  LDAPMessage* entry = ldap_first_entry(ld, raw);
  if (!entry) return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
  if (derefAliases) {
    const auto targets = Values(ld, entry, "aliasedObjectName");
    if (!targets.empty()) {
      EntryName target;
      if (DnToEntryName(targets.front(), &target) != 0) return Record(kErrBadName, "alias to a malformed DN");
      return ResolveName(target, false, canonical);
    }
  }
  *canonical = std::move(resolved);
  return 0;
}

// ---- Listing ---------------------------------------------------------------------------

void LdapService::SummarizeEntry(LDAPMessage* entry, service::EntrySummary* summary) {
  // One pass over the entry's encoding: this runs for every entry of every listing.
  LDAP* ld = connection_->get();
  BerElement* rawBer = nullptr;
  berval dn{};
  if (ldap_get_dn_ber(ld, entry, &rawBer, &dn) != LDAP_SUCCESS) return;
  BerPtr ber(rawBer);
  LDAPRDN rdn = nullptr;
  char* next = nullptr;
  if (dn.bv_len > 0 && ldap_bv2rdn(&dn, &rdn, &next, LDAP_DN_FORMAT_LDAP) == LDAP_SUCCESS && rdn && rdn[0]) {
    const LDAPAVA* ava = rdn[0];
    summary->rdn = {ToUpperAscii(std::string_view(ava->la_attr.bv_val, ava->la_attr.bv_len)),
                    std::string(ava->la_value.bv_val, ava->la_value.bv_len)};
  }
  if (rdn) ldap_rdnfree(rdn);

  std::string structural;
  std::vector<std::string> classes;
  bool hasChildren = false;
  berval attr{};
  BerVarray values = nullptr;
  while (ldap_get_attribute_ber(ld, entry, rawBer, &attr, &values) == LDAP_SUCCESS && attr.bv_val) {
    const std::string_view name(attr.bv_val, attr.bv_len);
    for (BerVarray v = values; v && v->bv_val; ++v) {
      const std::string_view text(v->bv_val, v->bv_len);
      if (EqualsIgnoreCase(name, "structuralObjectClass")) {
        structural.assign(text);
      } else if (EqualsIgnoreCase(name, "objectClass")) {
        classes.emplace_back(text);
        if (EqualsIgnoreCase(text, "alias")) summary->flags |= kEntryAlias;
      } else if (EqualsIgnoreCase(name, "hasSubordinates")) {
        hasChildren = EqualsIgnoreCase(text, "TRUE");
      }
    }
    ber_memfree(values);
    values = nullptr;
  }
  summary->baseClass = !structural.empty() ? structural : schema_->MostSpecificStructural(classes);
  if (const auto* def = schema_->FindClass(summary->baseClass)) {
    summary->baseClass = def->name;
    if (EqualsIgnoreCase(def->name, "alias")) summary->flags |= kEntryAlias;
  }
  if (hasChildren || schema_->IsContainerClass(summary->baseClass)) summary->flags |= kEntryContainer;
}

DirStatus LdapService::ListChildren(const EntryName& parent, bool containersOnly, const std::string& cursor,
                                    std::uint32_t pageSize, service::ListPage* page) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  std::string dn;
  if (const DirStatus status = ToDn(parent, &dn); status != 0) return status;
  Cursor position;
  if (!cursor.empty() && (!ParseCursor(cursor, &position) || position.parentDn != dn)) {
    return Record(kErrBadIteration, "listing cursor of another container");
  }
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  // Servers that keep the structural class as an attribute save sending every class.
  const char* classAttr = schema_->FindAttribute("structuralObjectClass") ? "structuralObjectClass" : "objectClass";
  const char* attrs[] = {classAttr, "hasSubordinates", nullptr};

  if (cursor.empty()) {
    const auto virtualChildren = VirtualChildren(parent);
    bool virtualOnly = parent.empty();
    if (!virtualOnly && !virtualChildren.empty()) {
      LDAPMessage* raw = nullptr;
      const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
      const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(noAttrs),
                                       0, nullptr, nullptr, nullptr, 1, &raw);
      MessagePtr result(raw);
      if (rc == LDAP_NO_SUCH_OBJECT) virtualOnly = true;
      else if (rc != LDAP_SUCCESS) return Fail(rc, Format("listing %s", {dn}));
    }
    if (virtualOnly) {
      service::ListPage out;
      for (const auto& child : virtualChildren) {
        service::EntrySummary summary;
        EntryName childName = parent;
        childName.insert(childName.begin(), child);
        std::string childDn;
        EntryNameToDn(childName, &childDn);
        LDAPMessage* raw = nullptr;
        const int rc = ldap_search_ext_s(ld, childDn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)",
                                         const_cast<char**>(attrs), 0, nullptr, nullptr, nullptr, 1, &raw);
        MessagePtr result(raw);
        LDAPMessage* entry = rc == LDAP_SUCCESS ? ldap_first_entry(ld, raw) : nullptr;
        if (rc != LDAP_SUCCESS && rc != LDAP_NO_SUCH_OBJECT) return Fail(rc, Format("listing %s", {childDn}));
        if (entry) SummarizeEntry(entry, &summary);
        summary.rdn = child;
        summary.flags |= kEntryContainer;
        out.entries.push_back(std::move(summary));
      }
      *page = std::move(out);
      return 0;
    }
  }

  // The server is asked for pages of at least kDefaultPageSize; what the caller's smaller
  // pages leave over waits in serverPage_ for the next call (one server page at most).
  const std::size_t wanted = pageSize == 0 ? kDefaultPageSize : std::min<std::uint32_t>(pageSize, kMaxPageSize);
  const bool cached = serverPage_ && serverPage_->parentDn == dn && serverPage_->requestCookie == position.cookie &&
                      serverPage_->containersOnly == containersOnly;
  if (!cached) {
    serverPage_.reset();
    if (position.offset > 0) return Record(kErrBadIteration, "listing cursor no longer valid");
    std::string cookie = position.cookie;
    MessagePtr result;
    const int size = static_cast<int>(std::max<std::size_t>(wanted, kDefaultPageSize));
    const int rc = SearchPage(ld, dn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", attrs, size, &cookie, &result);
    if (rc != LDAP_SUCCESS) return Fail(rc, Format("listing %s", {dn}));
    ServerPage fetched{dn, position.cookie, std::move(cookie), containersOnly, {}};
    fetched.entries.reserve(static_cast<std::size_t>(ldap_count_entries(ld, result.get())));
    for (LDAPMessage* e = ldap_first_entry(ld, result.get()); e; e = ldap_next_entry(ld, e)) {
      service::EntrySummary summary;
      SummarizeEntry(e, &summary);
      if (containersOnly && !(summary.flags & kEntryContainer)) continue;
      fetched.entries.push_back(std::move(summary));
    }
    serverPage_ = std::move(fetched);
  }
  const auto& entries = serverPage_->entries;
  if (position.offset > entries.size()) return Record(kErrBadIteration, "listing cursor beyond its page");
  const std::size_t end = std::min(entries.size(), position.offset + wanted);
  service::ListPage out;
  out.entries.assign(entries.begin() + static_cast<std::ptrdiff_t>(position.offset),
                     entries.begin() + static_cast<std::ptrdiff_t>(end));
  if (end < entries.size()) {
    out.cursor = MakeCursor({position.cookie, dn, end});
  } else if (!serverPage_->nextCookie.empty()) {
    out.cursor = MakeCursor({serverPage_->nextCookie, dn, 0});
    serverPage_->entries.clear();  // used up; kept only to know the next cookie
    serverPage_->entries.shrink_to_fit();
  } else {
    serverPage_.reset();
  }
  *page = std::move(out);
  return 0;
}

void LdapService::CancelListing(const std::string& cursor) {
  SigpipeGuard guard;
  Cursor position;
  if (!ParseCursor(cursor, &position)) return;
  std::string cookie = position.cookie;
  if (serverPage_ && serverPage_->parentDn == position.parentDn && serverPage_->requestCookie == position.cookie) {
    cookie = serverPage_->nextCookie;  // the server is one page ahead of the caller
  }
  serverPage_.reset();
  if (!connection_ || cookie.empty()) return;
  // A page size of 0 with the cookie tells the server to drop the paged search.
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  MessagePtr result;
  const int rc = SearchPage(connection_->get(), position.parentDn, LDAP_SCOPE_ONELEVEL, "(objectClass=*)", noAttrs, 0,
                            &cookie, &result);
  if (IsConnectionLost(rc)) connection_.reset();
}

// ---- Values ----------------------------------------------------------------------------

DirStatus LdapService::ReadAttribute(const EntryName& entry, const std::string& attrName, bool derefAliases,
                                     service::AttributeValues* values) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  const service::AttributeDefinition* def = schema_->FindAttribute(attrName);
  if (!def) return Record(kErrNoSuchAttribute, Format("the schema has no attribute %s", {attrName}));
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;
  LDAP* ld = connection_->get();
  SetDeref(ld, derefAliases);
  const char* attrs[] = {def->name.c_str(), nullptr};
  LDAPMessage* raw = nullptr;
  const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                   nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (rc != LDAP_SUCCESS) return Fail(rc, Format("reading %s of %s", {def->name, dn}));
  LDAPMessage* found = ldap_first_entry(ld, raw);
  if (!found) return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));

  // The server may spell the name differently (an alias, another case): match by definition.
  std::vector<std::string> texts;
  BerElement* rawBer = nullptr;
  for (char* attr = ldap_first_attribute(ld, found, &rawBer); attr; attr = ldap_next_attribute(ld, found, rawBer)) {
    LdapText owned(attr);
    if (schema_->FindAttribute(attr) == def) {
      auto more = Values(ld, found, attr);
      texts.insert(texts.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
  }
  BerPtr ber(rawBer);
  if (texts.empty()) return Record(kErrNoSuchAttribute, Format("%s has no value for %s", {dn, def->name}));

  if (def->syntax == kSynClassName) {
    // The base class first, then its super classes, then the rest as the server gave them,
    // since readers take the first value as the entry's class.
    std::vector<std::string> ordered;
    for (const auto& cls : schema_->ClassChain(schema_->MostSpecificStructural(texts))) {
      auto it = std::find_if(texts.begin(), texts.end(), [&cls](const std::string& t) { return EqualsIgnoreCase(t, cls); });
      if (it != texts.end()) {
        ordered.push_back(*it);
        texts.erase(it);
      }
    }
    ordered.insert(ordered.end(), texts.begin(), texts.end());
    texts = std::move(ordered);
  }

  service::AttributeValues out;
  out.name = def->name;
  out.syntax = def->syntax;
  for (const auto& text : texts) {
    auto value = DecodeLdapValue(def->syntax, text);
    if (!value) {
      // A value beyond the client's form (a 64-bit integer, an odd time) is shown as text
      // rather than cut or dropped.
      out.syntax = kSynCiString;
      out.values.clear();
      for (const auto& t : texts) out.values.push_back(service::value::Text{t});
      break;
    }
    out.values.push_back(std::move(*value));
  }
  *values = std::move(out);
  return 0;
}

DirStatus LdapService::Modify(const EntryName& entry, const std::vector<service::Change>& changes) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;

  struct Operation {
    int op;
    std::string attr;
    std::vector<std::string> values;
  };
  std::vector<Operation> operations;
  for (const auto& change : changes) {
    const auto* def = schema_->FindAttribute(change.attrName);
    const std::string attr = def ? def->name : change.attrName;
    if (!IsValidAttributeType(attr)) return Record(kErrNoSuchAttribute, Format("\"%s\" is no attribute name", {attr}));
    std::string bytes;
    const bool carriesValue = change.type == kChangeAddValue || change.type == kChangeRemoveValue ||
                              change.type == kChangeAdditionalValue || change.type == kChangeOverwriteValue ||
                              change.type == kChangeClearValue || change.type == kChangeAddAttribute;
    if (carriesValue && change.value) {
      // An attribute the schema lacks is sent as text; the server then refuses it.
      const std::uint32_t syntax = def ? def->syntax : kSynCiString;
      if (const DirStatus status = EncodeLdapValue(syntax, *change.value, &bytes); status != 0) {
        return Record(status, Format("a value of %s does not fit its syntax", {attr}));
      }
    } else if (carriesValue && change.type != kChangeAddAttribute) {
      return Record(kErrBadArgument, Format("change of %s without a value", {attr}));
    }
    switch (change.type) {
      case kChangeAddAttribute:
        // An attribute without values does not exist in LDAP; it appears with its first value.
        if (change.value) operations.push_back({LDAP_MOD_ADD, attr, {bytes}});
        break;
      case kChangeRemoveAttribute:
        operations.push_back({LDAP_MOD_DELETE, attr, {}});
        break;
      case kChangeAddValue:
      case kChangeAdditionalValue:
        operations.push_back({LDAP_MOD_ADD, attr, {bytes}});
        break;
      case kChangeRemoveValue:
      case kChangeClearValue:
        operations.push_back({LDAP_MOD_DELETE, attr, {bytes}});
        break;
      case kChangeOverwriteValue:
        // Several overwrites of one attribute in a row make one replace, not the last alone.
        if (!operations.empty() && operations.back().op == LDAP_MOD_REPLACE &&
            EqualsIgnoreCase(operations.back().attr, attr) && !operations.back().values.empty()) {
          operations.back().values.push_back(bytes);
        } else {
          operations.push_back({LDAP_MOD_REPLACE, attr, {bytes}});
        }
        break;
      case kChangeClearAttribute:
        operations.push_back({LDAP_MOD_REPLACE, attr, {}});
        break;
      default:
        return Record(kErrBadArgument, Format("unknown change type %u", {change.type}));
    }
  }
  if (operations.empty()) return 0;

  // libldap wants arrays of pointers into storage that must not move from here on.
  std::vector<std::vector<berval>> bervals(operations.size());
  std::vector<std::vector<berval*>> bervalPointers(operations.size());
  std::vector<LDAPMod> mods(operations.size());
  std::vector<LDAPMod*> modPointers;
  for (std::size_t i = 0; i < operations.size(); ++i) {
    for (auto& v : operations[i].values) bervals[i].push_back({static_cast<ber_len_t>(v.size()), v.data()});
    for (auto& b : bervals[i]) bervalPointers[i].push_back(&b);
    bervalPointers[i].push_back(nullptr);
    mods[i].mod_op = operations[i].op | LDAP_MOD_BVALUES;
    mods[i].mod_type = operations[i].attr.data();
    mods[i].mod_bvalues = operations[i].values.empty() ? nullptr : bervalPointers[i].data();
    modPointers.push_back(&mods[i]);
  }
  modPointers.push_back(nullptr);
  const int rc = ldap_modify_ext_s(connection_->get(), dn.c_str(), modPointers.data(), nullptr, nullptr);
  if (rc != LDAP_SUCCESS) return Fail(rc, Format("modifying %s", {dn}));
  return 0;
}

// ---- Class change ----------------------------------------------------------------------
namespace {

bool IsStructuralRefusal(int rc, const std::string& message) {
  return rc == LDAP_NO_OBJECT_CLASS_MODS ||
         (rc == LDAP_OBJECT_CLASS_VIOLATION && message.find("structural object class modification") != std::string::npos);
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
  *resultCode = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                  nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (*resultCode != LDAP_SUCCESS) return Fail(*resultCode, Format("reading %s", {dn}));
  LDAPMessage* found = ldap_first_entry(ld, raw);
  if (!found) return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
  LdifEntry out;
  out.dn = EntryDn(ld, found);
  BerElement* rawBer = nullptr;
  for (char* attr = ldap_first_attribute(ld, found, &rawBer); attr; attr = ldap_next_attribute(ld, found, rawBer)) {
    LdapText owned(attr);
    out.attributes.push_back({attr, Values(ld, found, attr)});
  }
  BerPtr ber(rawBer);
  *entry = std::move(out);
  return 0;
}

DirStatus LdapService::HasChildren(const std::string& dn, bool* children) {
  LDAP* ld = connection_->get();
  const char* noAttrs[] = {LDAP_NO_ATTRS, nullptr};
  LDAPMessage* raw = nullptr;
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

namespace {

// Adds entry as it stands; the LDAP result code.
int AddEntry(LDAP* ld, LdifEntry& entry) {
  std::vector<std::vector<berval>> values(entry.attributes.size());
  std::vector<std::vector<berval*>> pointers(entry.attributes.size());
  std::vector<LDAPMod> mods(entry.attributes.size());
  std::vector<LDAPMod*> modPointers;
  for (std::size_t i = 0; i < entry.attributes.size(); ++i) {
    for (auto& v : entry.attributes[i].second) values[i].push_back({static_cast<ber_len_t>(v.size()), v.data()});
    for (auto& b : values[i]) pointers[i].push_back(&b);
    pointers[i].push_back(nullptr);
    mods[i].mod_op = LDAP_MOD_ADD | LDAP_MOD_BVALUES;
    mods[i].mod_type = entry.attributes[i].first.data();
    mods[i].mod_bvalues = pointers[i].data();
    modPointers.push_back(&mods[i]);
  }
  modPointers.push_back(nullptr);
  return ldap_add_ext_s(ld, entry.dn.c_str(), modPointers.data(), nullptr, nullptr);
}

}  // namespace

DirStatus LdapService::Recreate(const std::string& dn, const std::vector<std::string>& newClasses) {
  bool children = false;
  if (const DirStatus status = HasChildren(dn, &children); status != 0) return status;
  if (children) return Record(kErrNotLeafEntry, Format("%s has entries below it and cannot be re-created", {dn}));
  LdifEntry original;
  int rc = LDAP_SUCCESS;
  if (const DirStatus status = ReadEntry(dn, &original, &rc); status != 0) return status;
  std::filesystem::path backup;
  std::string diagnostic;
  if (const DirStatus status = SaveLdifBackup(settings_.dataFolder / "ldap-backups", original, &backup, &diagnostic);
      status != 0) {
    return Record(status, diagnostic);
  }
  LdifEntry changed = original;
  for (auto& [attr, values] : changed.attributes) {
    if (EqualsIgnoreCase(attr, "objectClass")) values = newClasses;
  }
  LDAP* ld = connection_->get();
  rc = ldap_delete_ext_s(ld, dn.c_str(), nullptr, nullptr);
  if (rc != LDAP_SUCCESS) return Fail(rc, Format("deleting %s to re-create it", {dn}));
  rc = AddEntry(ld, changed);
  if (rc == LDAP_SUCCESS) return 0;
  const DirStatus addStatus = Fail(rc, Format("re-creating %s", {dn}));
  const std::string addDiagnostic = lastDiagnostic_;
  if (!connection_) {
    if (EnsureConnected() != 0) {
      return Record(kErrLdapRestoreFailed, Format("%s; the original could not be put back; it is saved in %s",
                                                  {addDiagnostic, backup.string()}));
    }
    ld = connection_->get();
  }
  LdifEntry restored;
  if (LoadLdifBackup(backup, &restored) != 0 || (rc = AddEntry(ld, restored)) != LDAP_SUCCESS) {
    // Returning the add's status here would hide that the entry is gone.
    return Record(kErrLdapRestoreFailed, Format("%s; the original could not be put back; it is saved in %s",
                                                {addDiagnostic, backup.string()}));
  }
  return Record(addStatus, Format("%s; the original entry was restored", {addDiagnostic}));
}

DirStatus LdapService::ChangeBaseClass(const EntryName& entry, const std::string& newClass) {
  SigpipeGuard guard;
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  const service::ClassDefinition* target = schema_->FindClass(newClass);
  if (!target) return Record(kErrNoSuchClass, Format("the schema has no class %s", {newClass}));
  if (!(target->flags & kClassEffective)) {
    return Record(kErrNotEffectiveClass, Format("%s is no structural class", {target->name}));
  }
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;
  service::AttributeValues current;
  if (const DirStatus status = ReadAttribute(entry, "objectClass", false, &current); status != 0) return status;

  std::vector<std::string> classes = schema_->ClassChain(target->name);
  for (const auto& value : current.values) {
    const auto& name = std::get<service::value::Text>(value).text;
    const auto* def = schema_->FindClass(name);
    if (def && (def->flags & kClassAuxiliary) &&
        std::none_of(classes.begin(), classes.end(), [&](const std::string& c) { return EqualsIgnoreCase(c, def->name); })) {
      classes.push_back(name);
    }
  }

  LDAP* ld = connection_->get();
  int rc = ReplaceClasses(ld, dn, classes, nullptr);
  if (rc == LDAP_SUCCESS) return 0;
  std::string message = connection_->DiagnosticMessage();
  DirStatus status = Fail(rc, Format("changing the class of %s to %s", {dn, target->name}));
  if (!connection_ || !IsStructuralRefusal(rc, message)) return status;

  if (settings_.relaxRules) {
    LDAPControl relax{};
    relax.ldctl_oid = const_cast<char*>(LDAP_CONTROL_RELAX);
    relax.ldctl_iscritical = 1;
    LDAPControl* controls[] = {&relax, nullptr};
    rc = ReplaceClasses(ld, dn, classes, controls);
    if (rc == LDAP_SUCCESS) return 0;
    message = connection_->DiagnosticMessage();
    status = Fail(rc, Format("changing the class of %s to %s with Relax Rules", {dn, target->name}));
    if (!connection_) return status;
  }
  if (settings_.safeRecreate) return Recreate(dn, classes);
  return status;
}

DirStatus LdapService::ReadStream(const EntryName&, const std::string& attrName, std::vector<std::uint8_t>*) {
  return Record(kErrNotSupported, Format("LDAP has no stream attribute %s", {attrName}));
}

// ---- Opener ----------------------------------------------------------------------------

DirStatus OpenLdapService(const service::ConnectionConfig& config, std::unique_ptr<service::DirectoryService>* service) {
  LdapSettings settings;
  std::string diagnostic;
  DirStatus status = ParseLdapSettings(config, &settings, &diagnostic);
  std::unique_ptr<LdapService> opened;
  if (status == 0) status = LdapService::Open(settings, &opened, &diagnostic);
  if (status != 0) {
    RecastErrtextRecordDiagnostic(status, diagnostic.c_str());
    return status;
  }
  *service = std::move(opened);
  return 0;
}

}  // namespace recast::ldap
