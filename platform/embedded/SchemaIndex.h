#pragma once
// Lookups and rules over one tree's schema: what a class inherits, which attributes it
// allows and requires, where it may be contained, and whether a value fits its attribute.
// Names are matched ignoring the case of the letters a to z, as the directory does.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::embedded {

using service::AttributeDefinition;
using service::ClassDefinition;
using service::DirValue;

// ASCII-only lower-casing: the key under which names are compared.
std::string NameKey(std::string_view name);

// The class that stands for the top of a tree in containment lists.
inline constexpr const char* kTreeRootClass = "Tree Root";

class SchemaIndex {
 public:
  SchemaIndex() = default;
  explicit SchemaIndex(service::Schema schema);

  const service::Schema& schema() const { return schema_; }
  const ClassDefinition* FindClass(std::string_view name) const;
  const AttributeDefinition* FindAttribute(std::string_view name) const;

  // The class followed by all its super classes, each once, nearest first. Unknown names in
  // the chain are skipped.
  std::vector<std::string> ClassChain(std::string_view className) const;

  // The chains of the base class and of each auxiliary class, each class once.
  std::vector<std::string> EffectiveClasses(std::string_view baseClass,
                                            const std::vector<std::string>& auxiliaryClasses) const;

  // Keys (NameKey) of every attribute the classes allow: naming, mandatory and optional.
  std::vector<std::string> AllowedAttributeKeys(const std::vector<std::string>& classes) const;
  bool Allows(const std::vector<std::string>& classes, std::string_view attrName) const;
  // Mandatory attribute names of the classes, each once.
  std::vector<std::string> MandatoryAttributes(const std::vector<std::string>& classes) const;

  // Whether a parent whose classes are parentClasses (kTreeRootClass for the top) may hold an
  // entry of className. A class without containment of its own inherits its super classes'.
  bool MayContain(const std::vector<std::string>& parentClasses, std::string_view className) const;

  // 0 when value fits the attribute's syntax and bounds, else kErrSyntaxViolation.
  DirStatus CheckValue(const AttributeDefinition& attr, const DirValue& value) const;

 private:
  std::vector<std::string> ContainmentOf(std::string_view className) const;

  service::Schema schema_;
  std::unordered_map<std::string, std::size_t> classByKey_;
  std::unordered_map<std::string, std::size_t> attrByKey_;
};

// Whether two values of a syntax are the same value: names and case-ignoring texts compare
// without regard to letter case, everything else byte for byte.
bool ValuesMatch(std::uint32_t syntax, const DirValue& a, const DirValue& b);

}  // namespace recast::embedded
