#include "directory/Names.h"

#include <initializer_list>

namespace recast {

namespace {

// Builds the concatenation by appending (GCC 12 warns falsely on "." + std::string).
std::string Concat(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part);
  return text;
}

}  // namespace

std::string CleanTreeName(std::string_view text) {
  std::string name(text.substr(0, 32));
  while (!name.empty() && name.back() == '_') name.pop_back();
  return name;
}

bool IsSpecialName(std::string_view name) { return name == kRootName || name == kPublicName; }

std::string AddLeadingDot(std::string_view name) {
  if (!name.empty() && name.front() != '.' && !IsSpecialName(name)) return Concat({".", name});
  return std::string(name);
}

std::string StripLeadingDot(std::string_view name) {
  if (!name.empty() && name.front() == '.') name.remove_prefix(1);
  return std::string(name);
}

std::string ComposeContainerName(std::string_view current, std::string_view entry) {
  if (entry == "." || entry.empty()) return std::string(current);
  if (entry == "[ .. ]" || entry == "..") {
    std::string_view rest = current;
    while (!rest.empty() && rest.front() == '.') rest.remove_prefix(1);
    const auto dot = rest.find('.');
    if (dot == std::string_view::npos) return std::string(kRootName);
    return std::string(rest.substr(dot + 1));
  }
  if (current == kRootName || current.empty() || entry.front() == '.') return AddLeadingDot(entry);
  if (current.front() == '.') return Concat({".", entry, current});
  return Concat({entry, ".", current});
}

}  // namespace recast
