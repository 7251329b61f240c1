#pragma once
// One connection's schema, read once from the service and kept: lookups by name (ignoring
// ASCII case) and expanded class definitions.

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::client {

class SchemaIndex {
 public:
  explicit SchemaIndex(service::Schema schema);

  const std::vector<service::ClassDefinition>& classes() const { return schema_.classes; }
  const std::vector<service::AttributeDefinition>& attributes() const { return schema_.attributes; }

  // Index into classes() / attributes(), or nothing.
  std::optional<std::size_t> FindClass(std::string_view name) const;
  std::optional<std::size_t> FindAttribute(std::string_view name) const;

  // The class with what it inherits along its super classes: all super classes (nearest
  // first, each once); containment classes and naming attributes its own, else those of the
  // nearest super class that has any; mandatory attributes its own, then the inherited ones;
  // optional attributes likewise, without those that are mandatory. Names appear once
  // (ignoring case), in the order first met. Computed once per class.
  const service::ClassDefinition& Expanded(std::size_t classIndex) const;

 private:
  service::Schema schema_;
  std::map<std::string, std::size_t, std::less<>> classByName_;
  std::map<std::string, std::size_t, std::less<>> attributeByName_;
  mutable std::vector<std::optional<service::ClassDefinition>> expanded_;
};

}  // namespace recast::client
