#pragma once
// The server's schema, as the client sees it, with the lookups the service needs.
//
// Built from the subschema subentry's objectClasses and attributeTypes values. Every name a
// class lists (SUP, MUST, MAY) is turned into the primary (first) name of its definition, so
// that lists compare by name whichever alias or OID the server used.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/service/DirectoryService.h"
#include "util/TextHelpers.h"

namespace recast::ldap {

// The client's syntax number for an LDAP syntax OID. equality (the matching rule) decides
// between case-exact and case-ignoring strings; attrName between CLASS_NAME and CI_STRING for
// OIDs. Unknown syntaxes give kSynOctetString.
std::uint32_t SyntaxForOid(std::string_view syntaxOid, std::string_view equality, std::string_view attrName);

class LdapSchema {
 public:
  // Parses both lists. Definitions that do not parse are skipped; an attribute without a
  // syntax of its own inherits its super type's. Never fails.
  static LdapSchema Build(const std::vector<std::string>& objectClasses,
                          const std::vector<std::string>& attributeTypes);

  const service::Schema& schema() const { return schema_; }

  // Definitions by any of their names or OID, ignoring case (and blanks, so "Object Class"
  // finds objectClass); null when unknown.
  const service::AttributeDefinition* FindAttribute(std::string_view name) const;
  // The attribute of an attribute description as a server sends it: "userCertificate;binary"
  // is userCertificate with an option. Null when the schema has none.
  const service::AttributeDefinition* FindDescribed(std::string_view description) const {
    return FindAttribute(description.substr(0, description.find(';')));
  }
  const service::ClassDefinition* FindClass(std::string_view name) const;

  // True when ancestor is cls itself or one of its super classes, transitively.
  bool IsSubclassOf(std::string_view cls, std::string_view ancestor) const;

  // The class with its super classes, most specific first, each once.
  std::vector<std::string> ClassChain(std::string_view cls) const;

  // The most specific structural class among classes (an entry's objectClass values); empty
  // when none is structural.
  std::string MostSpecificStructural(const std::vector<std::string>& classes) const;

  // True for a class that holds entries below it (organization, organizationalUnit, ...).
  bool IsContainerClass(std::string_view cls) const;

 private:
  service::Schema schema_;
  std::unordered_map<std::string, std::size_t, CaseHash, CaseEqual> attributeIndex_;
  std::unordered_map<std::string, std::size_t, CaseHash, CaseEqual> classIndex_;
};

}  // namespace recast::ldap
