#include "platform/embedded/NameText.h"

namespace recast::embedded {

bool ParseDottedName(std::string_view text, service::EntryName* name) {
  if (!text.empty() && text.front() == '.') text.remove_prefix(1);
  service::EntryName parts;
  if (text.empty() || text == "[Root]") {
    *name = parts;
    return true;
  }
  std::string current;
  auto finish = [&]() {
    if (current.empty()) return false;
    service::NamePart part;
    std::size_t eq = current.find('=');
    if (eq == std::string::npos) {
      part.value = current;
    } else {
      part.type = current.substr(0, eq);
      part.value = current.substr(eq + 1);
    }
    if (part.value.empty()) return false;
    parts.push_back(std::move(part));
    current.clear();
    return true;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\\' && i + 1 < text.size() && text[i + 1] == '.') {
      current.push_back('.');
      ++i;
    } else if (c == '.') {
      if (!finish()) return false;
    } else {
      current.push_back(c);
    }
  }
  if (!finish()) return false;
  *name = std::move(parts);
  return true;
}

std::string DottedName(const service::EntryName& name) {
  std::string text;
  for (const auto& part : name) {
    if (!text.empty()) text.push_back('.');
    if (!part.type.empty()) text += part.type + "=";
    for (char c : part.value) {
      if (c == '.') text.push_back('\\');
      text.push_back(c);
    }
  }
  return text;
}

}  // namespace recast::embedded
