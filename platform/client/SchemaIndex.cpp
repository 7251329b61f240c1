#include "platform/client/SchemaIndex.h"

#include <set>

#include "platform/service/ClassChain.h"
#include "util/TextHelpers.h"

namespace recast::client {
namespace {

// Appends the names not yet in list (ignoring case).
void AppendNew(std::vector<std::string>& list, std::set<std::string>& seen, const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (seen.insert(UpperAscii(name)).second) list.push_back(name);
  }
}

}  // namespace

SchemaIndex::SchemaIndex(service::Schema schema) : schema_(std::move(schema)) {
  for (std::size_t i = 0; i < schema_.classes.size(); ++i) {
    classByName_.emplace(UpperAscii(schema_.classes[i].name), i);
  }
  for (std::size_t i = 0; i < schema_.attributes.size(); ++i) {
    attributeByName_.emplace(UpperAscii(schema_.attributes[i].name), i);
  }
  expanded_.resize(schema_.classes.size());
}

std::optional<std::size_t> SchemaIndex::FindClass(std::string_view name) const {
  auto it = classByName_.find(UpperAscii(name));
  if (it == classByName_.end()) return std::nullopt;
  return it->second;
}

std::optional<std::size_t> SchemaIndex::FindAttribute(std::string_view name) const {
  auto it = attributeByName_.find(UpperAscii(name));
  if (it == attributeByName_.end()) return std::nullopt;
  return it->second;
}

const service::ClassDefinition& SchemaIndex::Expanded(std::size_t classIndex) const {
  if (expanded_[classIndex]) return *expanded_[classIndex];
  const service::ClassDefinition& own = schema_.classes[classIndex];

  // The class and its ancestors, nearest first (depth first, left to right); a cycle in a
  // faulty schema is walked once.
  std::vector<std::size_t> chain;
  const auto find = [this](std::string_view name) -> const service::ClassDefinition* {
    const auto index = FindClass(name);
    return index ? &schema_.classes[*index] : nullptr;
  };
  for (const service::ClassLink& link : service::ClassChain(service::ClassLink{own.name, &own}, find)) {
    if (link.definition != nullptr) chain.push_back(static_cast<std::size_t>(link.definition - schema_.classes.data()));
  }

  service::ClassDefinition result;
  result.name = own.name;
  result.flags = own.flags;
  result.asn1Id = own.asn1Id;
  std::set<std::string> superSeen{UpperAscii(own.name)};
  std::set<std::string> mandatorySeen;
  std::set<std::string> optionalSeen;
  for (std::size_t index : chain) {
    const service::ClassDefinition& def = schema_.classes[index];
    if (index != classIndex) AppendNew(result.superClasses, superSeen, {def.name});
    // Unknown super classes still count as super classes.
    for (const std::string& super : def.superClasses) {
      if (!FindClass(super)) AppendNew(result.superClasses, superSeen, {super});
    }
    if (result.containmentClasses.empty()) result.containmentClasses = def.containmentClasses;
    if (result.namingAttributes.empty()) result.namingAttributes = def.namingAttributes;
    AppendNew(result.mandatoryAttributes, mandatorySeen, def.mandatoryAttributes);
  }
  optionalSeen = mandatorySeen;
  for (std::size_t index : chain) {
    AppendNew(result.optionalAttributes, optionalSeen, schema_.classes[index].optionalAttributes);
  }
  expanded_[classIndex] = std::move(result);
  return *expanded_[classIndex];
}

}  // namespace recast::client
