#pragma once
// The one walk up a class's super classes, shared by every schema the services hold.

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/service/DirectoryService.h"
#include "util/TextHelpers.h"

namespace recast::service {

// One class of a chain; definition is null for a name the schema does not know.
struct ClassLink {
  std::string name;
  const ClassDefinition* definition = nullptr;
};

// start and its ancestors, nearest first: the super classes of each class follow it
// directly, in their order, ahead of those further up. A class already met (names compared
// with ASCII case ignored) is not taken again, so a cycle in a faulty schema ends. find(name)
// gives a class's definition or nullptr; an unknown name stands in the chain with a null
// definition and without ancestors.
template <typename Find>
std::vector<ClassLink> ClassChain(ClassLink start, const Find& find) {
  std::set<std::string, CaseLess> seen{start.name};
  std::vector<ClassLink> chain{std::move(start)};
  for (std::size_t at = 0; at < chain.size(); ++at) {
    if (chain[at].definition == nullptr) continue;
    std::vector<ClassLink> supers;
    for (const std::string& super : chain[at].definition->superClasses) {
      const ClassDefinition* definition = find(std::string_view(super));
      ClassLink link{definition != nullptr ? definition->name : super, definition};
      if (seen.insert(link.name).second) supers.push_back(std::move(link));
    }
    chain.insert(chain.begin() + static_cast<std::ptrdiff_t>(at) + 1, supers.begin(), supers.end());
  }
  return chain;
}

// The chain of the class named className (its definition's own spelling when known).
template <typename Find>
std::vector<ClassLink> ClassChain(std::string_view className, const Find& find) {
  const ClassDefinition* definition = find(className);
  return ClassChain(ClassLink{definition != nullptr ? definition->name : std::string(className), definition}, find);
}

}  // namespace recast::service
