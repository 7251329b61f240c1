#include "platform/ldap/LdapSchema.h"

#include <ldap_schema.h>

#include <memory>
#include <set>

#include "directory/ObjectIds.h"
#include "platform/ldap/LdapNames.h"
#include "platform/service/ClassChain.h"

namespace recast::ldap {
namespace {

constexpr std::string_view kSyntaxPrefix = "1.3.6.1.4.1.1466.115.121.1.";

struct AttributeTypeFree {
  void operator()(LDAPAttributeType* at) const { ldap_attributetype_free(at); }
};
struct ObjectClassFree {
  void operator()(LDAPObjectClass* oc) const { ldap_objectclass_free(oc); }
};
using AttributeTypePtr = std::unique_ptr<LDAPAttributeType, AttributeTypeFree>;
using ObjectClassPtr = std::unique_ptr<LDAPObjectClass, ObjectClassFree>;

std::string_view Text(const char* s) { return s ? std::string_view(s) : std::string_view(); }

std::string PrimaryName(char** names, const char* oid) {
  return (names && names[0]) ? std::string(names[0]) : std::string(Text(oid));
}

std::string WithoutBlanks(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c != ' ') out.push_back(c);
  }
  return out;
}

// Classes whose entries hold other entries; subclasses inherit the property.
constexpr std::string_view kContainerClasses[] = {"organization", "organizationalUnit", "country",  "locality",
                                                  "domain",       "dcObject",           "dNSDomain"};

// Passwords and keys, by name or OID; their sub-types are secrets too.
constexpr std::string_view kSecretAttributes[] = {
    "userPassword",    "2.5.4.35",        "authPassword",         "1.3.6.1.4.1.4203.1.3.4", "unicodePwd",
    "sambaLMPassword", "sambaNTPassword", "sambaPasswordHistory", "krbPrincipalKey",        "pwdHistory"};

bool NamesSecret(const LDAPAttributeType* at) {
  auto known = [](const char* name) {
    for (auto secret : kSecretAttributes) {
      if (name && TextEquals(name, secret)) return true;
    }
    return false;
  };
  if (known(at->at_oid)) return true;
  for (char** n = at->at_names; n && *n; ++n) {
    if (known(*n)) return true;
  }
  return false;
}

// libldap's parsers read past the terminating zero of some malformed definitions (an attribute
// type ending in "SYNTAX)"); the zeros after the text keep those reads inside our own buffer.
std::string PaddedForParser(const std::string& text) {
  std::string padded = text;
  padded.append(16, '\0');
  return padded;
}

}  // namespace

std::uint32_t SyntaxForOid(std::string_view syntaxOid, std::string_view equality, std::string_view attrName) {
  if (syntaxOid.substr(0, kSyntaxPrefix.size()) != kSyntaxPrefix) {
    // UUIDs, CSNs and the NIS syntaxes outside the standard arc are plain texts.
    if (syntaxOid == "1.3.6.1.1.16.1" || syntaxOid == "1.3.6.1.4.1.4203.666.11.2.1" || syntaxOid == "1.3.6.1.1.1.0.0" ||
        syntaxOid == "1.3.6.1.1.1.0.1") {
      return kSynCiString;
    }
    return kSynOctetString;
  }
  const std::string_view number = syntaxOid.substr(kSyntaxPrefix.size());
  const bool caseExact = TextEquals(equality, "caseExactMatch") || TextEquals(equality, "caseExactIA5Match");
  if (number == "12") return kSynDistName;
  if (number == "15") return caseExact ? kSynCeString : kSynCiString;
  if (number == "26") return caseExact ? kSynCeString : kSynCiString;
  if (number == "44" || number == "11") return kSynPrString;
  if (number == "36") return kSynNuString;
  if (number == "50") return kSynTelNumber;
  if (number == "22") return kSynFaxNumber;
  if (number == "7") return kSynBoolean;
  if (number == "27") return kSynInteger;
  if (number == "24" || number == "53") return kSynTime;
  if (number == "41") return kSynPoAddress;
  if (number == "38") return TextEquals(attrName, "objectClass") ? kSynClassName : kSynCiString;
  // Texts whose structure the client does not model: bit strings, delivery methods, search
  // guides, name-and-UID, schema descriptions, mailboxes, telex, teletex, substring assertions.
  static const std::set<std::string_view> kTextual = {"3",  "6",  "14", "16", "17", "21", "25", "30", "31",
                                                      "34", "35", "37", "39", "51", "52", "54", "58"};
  if (kTextual.count(number)) return kSynCiString;
  return kSynOctetString;
}

LdapSchema LdapSchema::Build(const std::vector<std::string>& objectClasses,
                             const std::vector<std::string>& attributeTypes) {
  LdapSchema result;
  const unsigned flags = LDAP_SCHEMA_ALLOW_ALL;

  std::vector<AttributeTypePtr> types;
  std::unordered_map<std::string, std::size_t, CaseHash, CaseEqual> typeIndex;
  for (const auto& text : attributeTypes) {
    int code = 0;
    const char* errp = nullptr;
    AttributeTypePtr at(ldap_str2attributetype(PaddedForParser(text).c_str(), &code, &errp, flags));
    if (!at) continue;
    const std::size_t index = types.size();
    if (at->at_oid) typeIndex.emplace(at->at_oid, index);
    for (char** n = at->at_names; n && *n; ++n) typeIndex.emplace(*n, index);
    types.push_back(std::move(at));
  }

  // Syntax and equality come from the nearest super type that names them.
  auto inherited = [&](std::size_t index, auto field) -> const LDAPAttributeType* {
    for (int depth = 0; depth < 32; ++depth) {
      const LDAPAttributeType* at = types[index].get();
      if (field(at)) return at;
      if (!at->at_sup_oid) return nullptr;
      auto sup = typeIndex.find(at->at_sup_oid);
      if (sup == typeIndex.end()) return nullptr;
      index = sup->second;
    }
    return nullptr;
  };

  for (std::size_t i = 0; i < types.size(); ++i) {
    const LDAPAttributeType* at = types[i].get();
    service::AttributeDefinition def;
    def.name = PrimaryName(at->at_names, at->at_oid);
    const auto* withSyntax = inherited(i, [](const LDAPAttributeType* t) { return t->at_syntax_oid != nullptr; });
    const auto* withEquality = inherited(i, [](const LDAPAttributeType* t) { return t->at_equality_oid != nullptr; });
    def.syntax = withSyntax
                     ? SyntaxForOid(withSyntax->at_syntax_oid,
                                    withEquality ? Text(withEquality->at_equality_oid) : std::string_view(), def.name)
                     : kSynOctetString;
    if (at->at_single_value) def.flags |= kAttrSingleValued;
    // A bound belongs to the syntax it is written with.
    if (withSyntax && withSyntax->at_syntax_len > 0) {
      def.flags |= kAttrSized;
      def.lowerBound = 0;
      def.upperBound = static_cast<std::uint32_t>(withSyntax->at_syntax_len);
    }
    if (inherited(i, NamesSecret)) {
      // Whatever their syntax says, their values are bytes the client never shows.
      def.syntax = kSynOctetString;
      def.flags |= kAttrSecret;
    }
    if (at->at_no_user_mod) def.flags |= kAttrReadOnly;
    if (at->at_usage != LDAP_SCHEMA_USER_APPLICATIONS) def.flags |= kAttrHidden;
    if (IsTextSyntax(def.syntax)) def.flags |= kAttrString;
    def.asn1Id = ObjectIdFromText(Text(at->at_oid)).value_or(Asn1Id{});
    result.schema_.attributes.push_back(std::move(def));
  }
  result.attributeIndex_ = std::move(typeIndex);

  std::vector<ObjectClassPtr> classes;
  for (const auto& text : objectClasses) {
    int code = 0;
    const char* errp = nullptr;
    ObjectClassPtr oc(ldap_str2objectclass(PaddedForParser(text).c_str(), &code, &errp, flags));
    if (!oc) continue;
    const std::size_t index = classes.size();
    if (oc->oc_oid) result.classIndex_.emplace(oc->oc_oid, index);
    for (char** n = oc->oc_names; n && *n; ++n) result.classIndex_.emplace(*n, index);
    classes.push_back(std::move(oc));
  }

  auto attributeNames = [&result](char** list) {
    std::vector<std::string> names;
    for (char** n = list; n && *n; ++n) {
      const auto* def = result.FindAttribute(*n);
      names.push_back(def ? def->name : std::string(*n));
    }
    return names;
  };
  for (const auto& oc : classes) {
    service::ClassDefinition def;
    def.name = PrimaryName(oc->oc_names, oc->oc_oid);
    switch (oc->oc_kind) {
      case LDAP_SCHEMA_STRUCTURAL:
        def.flags = kClassEffective;
        break;
      case LDAP_SCHEMA_AUXILIARY:
        def.flags = kClassAuxiliary;
        break;
      default:
        def.flags = 0;
        break;
    }
    def.asn1Id = ObjectIdFromText(Text(oc->oc_oid)).value_or(Asn1Id{});
    for (char** s = oc->oc_sup_oids; s && *s; ++s) {
      auto it = result.classIndex_.find(*s);
      def.superClasses.push_back(it != result.classIndex_.end()
                                     ? PrimaryName(classes[it->second]->oc_names, classes[it->second]->oc_oid)
                                     : std::string(*s));
    }
    def.mandatoryAttributes = attributeNames(oc->oc_at_oids_must);
    def.optionalAttributes = attributeNames(oc->oc_at_oids_may);
    result.schema_.classes.push_back(std::move(def));
  }
  for (auto& def : result.schema_.classes) {
    for (const auto& name : result.ClassChain(def.name)) {
      for (auto container : kContainerClasses) {
        if (TextEquals(name, container)) def.flags |= kClassContainer;
      }
    }
  }
  return result;
}

const service::AttributeDefinition* LdapSchema::FindAttribute(std::string_view name) const {
  auto it = attributeIndex_.find(name);
  if (it == attributeIndex_.end() && name.find(' ') != std::string_view::npos) {
    it = attributeIndex_.find(WithoutBlanks(name));
  }
  return it == attributeIndex_.end() ? nullptr : &schema_.attributes[it->second];
}

const service::ClassDefinition* LdapSchema::FindClass(std::string_view name) const {
  auto it = classIndex_.find(name);
  return it == classIndex_.end() ? nullptr : &schema_.classes[it->second];
}

std::vector<std::string> LdapSchema::ClassChain(std::string_view cls) const {
  std::vector<std::string> chain;
  for (auto& link : service::ClassChain(cls, [this](std::string_view name) { return FindClass(name); })) {
    chain.push_back(std::move(link.name));
  }
  return chain;
}

bool LdapSchema::IsSubclassOf(std::string_view cls, std::string_view ancestor) const {
  for (const auto& name : ClassChain(cls)) {
    if (TextEquals(name, ancestor)) return true;
    const auto* def = FindClass(ancestor);
    if (def && TextEquals(name, def->name)) return true;
  }
  return false;
}

std::string LdapSchema::MostSpecificStructural(const std::vector<std::string>& classes) const {
  std::string best;
  for (const auto& cls : classes) {
    const auto* def = FindClass(cls);
    if (!def || !(def->flags & kClassEffective)) continue;
    if (best.empty() || (IsSubclassOf(def->name, best) && !TextEquals(def->name, best))) best = def->name;
  }
  return best;
}

bool LdapSchema::IsContainerClass(std::string_view cls) const {
  const auto* def = FindClass(cls);
  return def && (def->flags & kClassContainer);
}

}  // namespace recast::ldap
