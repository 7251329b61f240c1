#include "platform/embedded/SchemaIndex.h"

#include <algorithm>
#include <optional>
#include <set>

#include "platform/service/ClassChain.h"
#include "platform/service/ValueCodec.h"
#include "util/TextHelpers.h"

namespace recast::embedded {

std::string NameKey(std::string_view name) { return LowerAscii(name); }

SchemaIndex::SchemaIndex(service::Schema schema) : schema_(std::move(schema)) {
  for (std::size_t i = 0; i < schema_.classes.size(); ++i) classByKey_.emplace(NameKey(schema_.classes[i].name), i);
  for (std::size_t i = 0; i < schema_.attributes.size(); ++i)
    attrByKey_.emplace(NameKey(schema_.attributes[i].name), i);
}

const ClassDefinition* SchemaIndex::FindClass(std::string_view name) const {
  auto it = classByKey_.find(NameKey(name));
  return it == classByKey_.end() ? nullptr : &schema_.classes[it->second];
}

const AttributeDefinition* SchemaIndex::FindAttribute(std::string_view name) const {
  auto it = attrByKey_.find(NameKey(name));
  return it == attrByKey_.end() ? nullptr : &schema_.attributes[it->second];
}

std::vector<std::string> SchemaIndex::ClassChain(std::string_view className) const {
  std::vector<std::string> chain;
  for (auto& link : service::ClassChain(className, [this](std::string_view name) { return FindClass(name); })) {
    if (link.definition != nullptr) chain.push_back(std::move(link.name));
  }
  return chain;
}

std::vector<std::string> SchemaIndex::EffectiveClasses(std::string_view baseClass,
                                                       const std::vector<std::string>& auxiliaryClasses) const {
  std::vector<std::string> classes = ClassChain(baseClass);
  std::set<std::string> seen;
  for (const auto& c : classes) seen.insert(NameKey(c));
  for (const auto& aux : auxiliaryClasses)
    for (const auto& c : ClassChain(aux))
      if (seen.insert(NameKey(c)).second) classes.push_back(c);
  return classes;
}

std::vector<std::string> SchemaIndex::AllowedAttributeKeys(const std::vector<std::string>& classes) const {
  std::set<std::string> keys;
  for (const auto& c : classes) {
    const ClassDefinition* def = FindClass(c);
    if (def == nullptr) continue;
    for (const auto* list : {&def->namingAttributes, &def->mandatoryAttributes, &def->optionalAttributes})
      for (const auto& a : *list) keys.insert(NameKey(a));
  }
  return {keys.begin(), keys.end()};
}

bool SchemaIndex::Allows(const std::vector<std::string>& classes, std::string_view attrName) const {
  std::string key = NameKey(attrName);
  for (const auto& c : classes) {
    const ClassDefinition* def = FindClass(c);
    if (def == nullptr) continue;
    for (const auto* list : {&def->namingAttributes, &def->mandatoryAttributes, &def->optionalAttributes})
      for (const auto& a : *list)
        if (NameKey(a) == key) return true;
  }
  return false;
}

std::vector<std::string> SchemaIndex::MandatoryAttributes(const std::vector<std::string>& classes) const {
  std::vector<std::string> names;
  std::set<std::string> seen;
  for (const auto& c : classes) {
    const ClassDefinition* def = FindClass(c);
    if (def == nullptr) continue;
    for (const auto& a : def->mandatoryAttributes)
      if (seen.insert(NameKey(a)).second) names.push_back(a);
  }
  return names;
}

std::vector<std::string> SchemaIndex::ContainmentOf(std::string_view className) const {
  for (const auto& c : ClassChain(className)) {
    const ClassDefinition* def = FindClass(c);
    if (def != nullptr && !def->containmentClasses.empty()) return def->containmentClasses;
  }
  return {};
}

bool SchemaIndex::MayContain(const std::vector<std::string>& parentClasses, std::string_view className) const {
  std::vector<std::string> containment = ContainmentOf(className);
  for (const auto& allowed : containment)
    for (const auto& parent : parentClasses)
      if (NameKey(allowed) == NameKey(parent)) return true;
  return false;
}

namespace {

bool AllChars(std::string_view text, bool (*ok)(char)) { return std::all_of(text.begin(), text.end(), ok); }

bool IsNumericChar(char c) { return (c >= '0' && c <= '9') || c == ' '; }

bool IsPrintableChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view(" '()+,-./:=?").find(c) != std::string_view::npos;
}

// The size that a sized attribute's bounds limit: a text's, bytes' or address's length;
// nullopt for the forms that bounds do not size.
std::optional<std::size_t> SizeForBounds(const DirValue& value) {
  if (const auto* t = std::get_if<service::value::Text>(&value)) return t->text.size();
  if (const auto* o = std::get_if<service::value::Octets>(&value)) return o->bytes.size();
  if (const auto* e = std::get_if<service::value::Email>(&value)) return e->address.size();
  return std::nullopt;
}

}  // namespace

DirStatus SchemaIndex::CheckValue(const AttributeDefinition& attr, const DirValue& value) const {
  if (value.index() != service::AlternativeForSyntax(attr.syntax)) return kErrSyntaxViolation;
  if (const auto* t = std::get_if<service::value::Text>(&value)) {
    if (t->text.empty()) return kErrSyntaxViolation;
    if (t->text.find('\0') != std::string::npos) return kErrSyntaxViolation;
    const SyntaxDetail detail = SyntaxOf(attr.syntax).detail;
    if (detail == SyntaxDetail::kNumeric && !AllChars(t->text, IsNumericChar)) return kErrSyntaxViolation;
    if (detail == SyntaxDetail::kPrintable && !AllChars(t->text, IsPrintableChar)) return kErrSyntaxViolation;
    if (detail == SyntaxDetail::kClassName && FindClass(t->text) == nullptr) return kErrSyntaxViolation;
  }
  if (const auto* list = std::get_if<service::value::CiList>(&value)) {
    if (list->items.empty()) return kErrSyntaxViolation;
  }
  if ((attr.flags & kAttrSized) != 0) {
    if (const auto* i = std::get_if<service::value::Integer>(&value)) {
      // Bounds are signed unless the upper one only makes sense unsigned (0 to 0xFFFFFFFF).
      std::int64_t lo = static_cast<std::int32_t>(attr.lowerBound);
      std::int64_t hi = static_cast<std::int32_t>(attr.upperBound);
      if (hi < lo) hi = attr.upperBound;
      if (i->value < lo || i->value > hi) return kErrSyntaxViolation;
    } else if (const std::optional<std::size_t> size = SizeForBounds(value)) {
      if (*size < attr.lowerBound || *size > attr.upperBound) return kErrSyntaxViolation;
    }
  }
  // Encoding must succeed as well (a text with a zero byte inside a composite value).
  std::string encoded;
  if (service::EncodeValue(attr.syntax, value, &encoded) != 0) return kErrSyntaxViolation;
  return 0;
}

bool ValuesMatch(std::uint32_t syntax, const DirValue& a, const DirValue& b) {
  if (SyntaxOf(syntax).matching != Matching::kIgnoreCase) return a == b;
  if (const auto* ta = std::get_if<service::value::Text>(&a)) {
    const auto* tb = std::get_if<service::value::Text>(&b);
    return tb != nullptr && NameKey(ta->text) == NameKey(tb->text);
  }
  if (const auto* la = std::get_if<service::value::CiList>(&a)) {
    const auto* lb = std::get_if<service::value::CiList>(&b);
    if (lb == nullptr || la->items.size() != lb->items.size()) return false;
    for (std::size_t i = 0; i < la->items.size(); ++i)
      if (NameKey(la->items[i]) != NameKey(lb->items[i])) return false;
    return true;
  }
  return a == b;
}

}  // namespace recast::embedded
