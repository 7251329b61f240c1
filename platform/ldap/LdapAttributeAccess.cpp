// LdapService: reading and changing attribute values.
#include "platform/ldap/LdapService.h"

#include <ldap.h>

#include <algorithm>
#include <optional>

#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapNames.h"
#include "platform/ldap/LdapSearch.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/LdapValues.h"
#include "platform/ldap/Ldif.h"
#include "platform/ldap/SigpipeGuard.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::ldap {

using service::EntryName;
using service::NamePart;

const LdifEntry* LdapService::HeldEntry(const std::string& dn) const {
  for (const auto* held : {&kept_, &pageEntries_, &previousPageEntries_}) {
    if (const auto it = held->find(dn); it != held->end()) return &it->second;
  }
  return nullptr;
}

const LdifEntry* LdapService::Keep(const std::string& dn, LdifEntry entry) {
  if (kept_.count(dn) == 0) {
    if (kept_.size() >= kKeptEntries) {
      kept_.erase(keptOrder_.front());
      keptOrder_.pop_front();
    }
    keptOrder_.push_back(dn);
  }
  entry.dn = dn;  // as the reads ask for it
  return &kept_.insert_or_assign(dn, std::move(entry)).first->second;
}

int LdapService::FetchEntry(const std::string& dn, const LdifEntry** entry) {
  *entry = HeldEntry(dn);
  if (*entry) return LDAP_SUCCESS;
  if (int rc = LDAP_SUCCESS; CollectCombined(dn, entry, &rc) || CollectAhead(dn, entry, &rc)) return rc;
  LDAP* ld = connection_->get();
  SetDeref(ld, false);
  const char* attrs[] = {LDAP_ALL_USER_ATTRIBUTES, nullptr};
  LDAPMessage* raw = nullptr;
  ++requests_;
  const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                   nullptr, nullptr, nullptr, 1, &raw);
  MessagePtr result(raw);
  if (rc != LDAP_SUCCESS) return rc;
  LDAPMessage* found = ldap_first_entry(ld, raw);
  if (!found) return LDAP_SUCCESS;
  OwnReadFound(dn);
  *entry = Keep(dn, ToLdifEntry(ld, found));
  return LDAP_SUCCESS;
}

void LdapService::DropKept(const std::string& dn) {
  classesAfterChange_.reset();
  if (dn.empty()) {
    kept_.clear();
    keptOrder_.clear();
  } else {
    if (kept_.erase(dn) > 0) keptOrder_.erase(std::find(keptOrder_.begin(), keptOrder_.end(), dn));
    AbandonAhead(dn);  // an answer on its way may tell of the entry before its change
  }
  for (auto* page : {&pageEntries_, &previousPageEntries_}) {
    if (dn.empty())
      page->clear();
    else
      page->erase(dn);
  }
}

DirStatus LdapService::ReadAttribute(const EntryName& entry, const std::string& attrName, bool derefAliases,
                                     service::AttributeValues* values) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  const service::AttributeDefinition* def = schema_->FindAttribute(attrName);
  if (!def) return Record(kErrNoSuchAttribute, Format("the schema has no attribute %s", {attrName}));
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;

  // The server may spell the name differently (an alias, another case): match by definition;
  // "userCertificate;binary" is userCertificate with an option.
  const auto isDef = [this, def](std::string_view description) { return schema_->FindDescribed(description) == def; };
  std::vector<std::string> texts;
  bool own = (def->flags & kAttrHidden) != 0;  // "*" does not bring operational attributes
  if (!own) {
    const LdifEntry* kept = nullptr;
    const int rc = FetchEntry(dn, &kept);
    if (rc != LDAP_SUCCESS) {
      DropKept();
      return Fail(rc, Format("reading %s of %s", {def->name, dn}));
    }
    if (!kept) {
      DropKept();
      return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
    }
    bool alias = false;
    for (const auto& [description, found] : kept->attributes) {
      alias = alias || TextEquals(description, "aliasedObjectName");
      if (isDef(description)) texts.insert(texts.end(), found.begin(), found.end());
    }
    if (derefAliases && alias) {
      // Read through to the alias's target (the name is followed here, whatever the server
      // does with aliases).
      EntryName target;
      if (const DirStatus status = ResolveName(entry, true, &target); status != 0) return status;
      return ReadAttribute(target, attrName, false, values);
    }
  }
  if (own) {
    LDAP* ld = connection_->get();
    SetDeref(ld, derefAliases);
    const char* attrs[] = {def->name.c_str(), derefAliases ? "aliasedObjectName" : nullptr, nullptr};
    LDAPMessage* raw = nullptr;
    ++requests_;
    const int rc = ldap_search_ext_s(ld, dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs), 0,
                                     nullptr, nullptr, nullptr, 1, &raw);
    MessagePtr result(raw);
    if (rc != LDAP_SUCCESS) {
      DropKept();
      return Fail(rc, Format("reading %s of %s", {def->name, dn}));
    }
    LDAPMessage* found = ldap_first_entry(ld, raw);
    if (!found) {
      DropKept();
      return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
    }
    if (derefAliases && !Values(ld, found, "aliasedObjectName").empty()) {
      // The server answered with the alias itself (389 Directory Server does not dereference):
      // the alias is followed here.
      EntryName target;
      if (const DirStatus status = ResolveName(entry, true, &target); status != 0) return status;
      return ReadAttribute(target, attrName, false, values);
    }
    BerElement* rawBer = nullptr;
    for (char* attr = ldap_first_attribute(ld, found, &rawBer); attr; attr = ldap_next_attribute(ld, found, rawBer)) {
      LdapText owned(attr);
      if (isDef(attr)) {
        auto more = Values(ld, found, attr);
        texts.insert(texts.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
      }
    }
    BerPtr ber(rawBer);
  }
  if (texts.empty()) return Record(kErrNoSuchAttribute, Format("%s has no value for %s", {dn, def->name}));
  *values = ToValues(*def, std::move(texts));
  return 0;
}

void LdapService::ReadAttributes(const EntryName& entry, const std::vector<std::string>& attrNames, bool derefAliases,
                                 std::vector<AttributeResult>* results) {
  // The entry is fetched (or taken from the page) once and its attributes matched to
  // definitions once; what needs a request of its own (operational attributes, aliases, a
  // failure to be worded) goes through ReadAttribute.
  const auto eachAlone = [&] { DirectoryService::ReadAttributes(entry, attrNames, derefAliases, results); };
  SigpipeGuard guard(!pipesIgnored_);
  std::string dn;
  const LdifEntry* kept = nullptr;
  if (EnsureSchema() != 0 || ToDn(entry, &dn) != 0) return eachAlone();
  if (const int rc = FetchEntry(dn, &kept); rc != LDAP_SUCCESS || !kept) {
    // A lost server is recorded first, so that each read fails at once instead of waiting.
    if (IsConnectionLost(rc)) Fail(rc, Format("reading %s", {dn}));
    return eachAlone();
  }
  const auto& attributes = kept->attributes;
  const bool sameDescriptions =
      attributes.size() == readMemo_.descriptions.size() &&
      std::equal(attributes.begin(), attributes.end(), readMemo_.descriptions.begin(),
                 [](const auto& attribute, const std::string& description) { return attribute.first == description; });
  bool matchesStale = false;
  if (!sameDescriptions) {
    readMemo_.descriptions.clear();
    readMemo_.descriptionDefs.clear();
    readMemo_.alias = false;
    for (const auto& [description, found] : attributes) {
      readMemo_.descriptions.push_back(description);
      readMemo_.descriptionDefs.push_back(schema_->FindDescribed(description));
      readMemo_.alias = readMemo_.alias || TextEquals(description, "aliasedObjectName");
    }
    matchesStale = true;
  }
  if (derefAliases && readMemo_.alias) return eachAlone();
  // Emptied in place: a bulk analysis reads the same names entry after entry, and the results
  // keep their storage.
  results->resize(attrNames.size());
  for (AttributeResult& result : *results) {
    result.status = 0;
    result.values.name.clear();
    result.values.syntax = 0;
    result.values.values.clear();
  }
  // A bulk analysis asks for the same names entry after entry: they are looked up once.
  if (attrNames != readMemo_.names) {
    readMemo_.nameDefs.clear();
    for (const std::string& name : attrNames) readMemo_.nameDefs.push_back(schema_->FindAttribute(name));
    readMemo_.names = attrNames;
    matchesStale = true;
  }
  // Which of the entry's attributes each name reads; the same for entries of one kind.
  if (matchesStale) {
    readMemo_.matches.assign(attrNames.size(), {});
    for (std::size_t i = 0; i < attrNames.size(); ++i) {
      for (std::size_t h = 0; h < readMemo_.descriptionDefs.size(); ++h) {
        if (readMemo_.descriptionDefs[h] == readMemo_.nameDefs[i]) readMemo_.matches[i].push_back(h);
      }
    }
  }
  for (std::size_t i = 0; i < attrNames.size(); ++i) {
    AttributeResult& result = (*results)[i];
    const service::AttributeDefinition* def = readMemo_.nameDefs[i];
    if (!def || (def->flags & kAttrHidden) != 0) {
      result.status = ReadAttribute(entry, attrNames[i], derefAliases, &result.values);
      continue;
    }
    std::vector<std::string> texts;
    for (const std::size_t h : readMemo_.matches[i]) {
      texts.insert(texts.end(), attributes[h].second.begin(), attributes[h].second.end());
    }
    if (texts.empty()) {
      result.status = kErrNoSuchAttribute;
      continue;
    }
    result.values = ToValues(*def, std::move(texts));
  }
}

service::AttributeValues LdapService::ToValues(const service::AttributeDefinition& definition,
                                               std::vector<std::string> texts) const {
  const service::AttributeDefinition* def = &definition;
  if (def->syntax == kSynClassName) {
    // The base class first, then its super classes, then the rest as the server gave them,
    // since readers take the first value as the entry's class. Entries of one class come in
    // a row: their values are ordered once.
    if (texts != lastClassTexts_) {
      lastClassTexts_ = texts;
      std::vector<std::string> ordered;
      for (const auto& cls : schema_->ClassChain(schema_->MostSpecificStructural(texts))) {
        auto it = std::find_if(texts.begin(), texts.end(), [&cls](const std::string& t) { return TextEquals(t, cls); });
        if (it != texts.end()) {
          ordered.push_back(*it);
          texts.erase(it);
        }
      }
      ordered.insert(ordered.end(), texts.begin(), texts.end());
      lastClassOrder_ = std::move(ordered);
    }
    texts = lastClassOrder_;
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
  return out;
}

DirStatus LdapService::DescribeRestoreLdif(const EntryName& entry, const std::vector<std::string>& attrNames,
                                           std::string* ldif) {
  SigpipeGuard guard(!pipesIgnored_);
  if (const DirStatus status = EnsureSchema(); status != 0) return status;
  std::vector<const service::AttributeDefinition*> defs{schema_->FindAttribute("objectClass")};
  for (const auto& name : attrNames) {
    const auto* def = schema_->FindAttribute(name);
    if (!def) return Record(kErrNoSuchAttribute, Format("the schema has no attribute %s", {name}));
    // Operational attributes are the server's to keep: there is nothing to put back.
    if (!(def->flags & kAttrHidden)) defs.push_back(def);
  }
  std::string dn;
  if (const DirStatus status = ToDn(entry, &dn); status != 0) return status;
  const LdifEntry* kept = nullptr;
  const int rc = FetchEntry(dn, &kept);
  if (rc != LDAP_SUCCESS) {
    DropKept();
    return Fail(rc, Format("reading %s", {dn}));
  }
  if (!kept) {
    DropKept();
    return Record(kErrNoSuchEntry, Format("no entry %s", {dn}));
  }
  LdifEntry named;
  named.dn = kept->dn;
  for (const auto& attribute : kept->attributes) {
    const std::string_view description = attribute.first;
    const auto* def = schema_->FindDescribed(description);
    if (std::find(defs.begin(), defs.end(), def) != defs.end()) named.attributes.push_back(attribute);
  }
  *ldif = WriteLdifRestoreRecord(named);
  return 0;
}

DirStatus LdapService::Modify(const EntryName& entry, const std::vector<service::Change>& changes) {
  SigpipeGuard guard(!pipesIgnored_);
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
            TextEquals(operations.back().attr, attr) && !operations.back().values.empty()) {
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
  // A change that leaves the classes alone keeps them as read, for the class change that
  // usually follows the removal of the attributes in its way.
  const service::AttributeDefinition* classDef = schema_->FindAttribute("objectClass");
  std::optional<service::AttributeValues> classes;
  if (std::none_of(operations.begin(), operations.end(),
                   [&](const Operation& o) { return schema_->FindAttribute(o.attr) == classDef; })) {
    if (classesAfterChange_ && classesAfterChange_->first == dn) {
      classes = std::move(classesAfterChange_->second);
    } else if (service::AttributeValues values;
               HeldEntry(dn) && ReadAttribute(entry, "objectClass", false, &values) == 0) {
      classes = std::move(values);  // from what is held: no request
    }
  }
  ++requests_;
  DropKept(dn);
  const int rc =
      SendChange([&](LDAP* ld) { return ldap_modify_ext_s(ld, dn.c_str(), modPointers.data(), nullptr, nullptr); });
  if (rc == LDAP_SUCCESS) {
    if (classes) classesAfterChange_ = {dn, std::move(*classes)};
    return 0;
  }
  const DirStatus status = Fail(rc, Format("modifying %s", {dn}));
  // 389 Directory Server refuses an attribute its schema lacks as not allowed (65), and a
  // value to remove that the entry lacks with a bare 16: the schema and the entry tell.
  if (status == kErrIllegalAttribute) {
    for (const auto& operation : operations) {
      if (!schema_->FindAttribute(operation.attr)) return Record(kErrNoSuchAttribute, lastDiagnostic_);
    }
  } else if (status == kErrNoSuchAttribute && connection_) {
    LDAP* ld = connection_->get();
    for (auto& operation : operations) {
      if (operation.op != LDAP_MOD_DELETE || operation.values.empty()) continue;
      berval value{static_cast<ber_len_t>(operation.values.front().size()), operation.values.front().data()};
      const int compared = ldap_compare_ext_s(ld, dn.c_str(), operation.attr.c_str(), &value, nullptr, nullptr);
      if (compared == LDAP_COMPARE_FALSE) return Record(kErrNoSuchValue, lastDiagnostic_);
      if (compared != LDAP_COMPARE_TRUE) break;
    }
  }
  return status;
}

}  // namespace recast::ldap
