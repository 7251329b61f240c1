#include "platform/client/DottedName.h"

#include <vector>

namespace recast::client {
namespace {

// The raw pieces between unescaped dots, escapes still in place.
bool SplitAtDots(std::string_view text, std::vector<std::string_view>* pieces) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\') {
      if (i + 1 >= text.size()) return false;
      ++i;
    } else if (text[i] == '.') {
      pieces->push_back(text.substr(start, i - start));
      start = i + 1;
    }
  }
  pieces->push_back(text.substr(start));
  return true;
}

// Splits at the first unescaped "=" and removes the escapes.
bool ParsePart(std::string_view raw, service::NamePart* part) {
  if (raw.find('\\') == std::string_view::npos) {  // the usual part: nothing to unescape
    const std::size_t equals = raw.find('=');
    if (equals == std::string_view::npos) {
      part->type.clear();
      part->value.assign(raw);
    } else {
      part->type.assign(raw.substr(0, equals));
      part->value.assign(raw.substr(equals + 1));
    }
    return !part->value.empty() && (equals == std::string_view::npos || !part->type.empty());
  }
  std::string type;
  std::string value;
  bool typed = false;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '\\') {
      value.push_back(raw[++i]);
    } else if (c == '=' && !typed) {
      typed = true;
      type = std::move(value);
      value.clear();
    } else {
      value.push_back(c);
    }
  }
  if (value.empty() || (typed && type.empty())) return false;
  part->type = std::move(type);
  part->value = std::move(value);
  return true;
}

}  // namespace

DirStatus ParseDottedName(std::string_view text, DottedName* out) {
  if (text.size() >= kMaxNameBytes) return kErrBadName;
  DottedName name;
  if (text == kRootName) {
    name.root = true;
    *out = std::move(name);
    return 0;
  }
  if (text.empty()) {
    *out = std::move(name);
    return 0;
  }
  std::vector<std::string_view> pieces;
  pieces.reserve(8);
  if (!SplitAtDots(text, &pieces)) return kErrBadName;
  std::size_t first = 0;
  std::size_t end = pieces.size();
  if (pieces.front().empty()) {
    name.absolute = true;
    first = 1;
  }
  while (end > first && pieces[end - 1].empty()) {
    --end;
    ++name.climb;
  }
  // "." alone splits into two empty pieces: the top, not a climb.
  if (name.absolute && end == first) {
    name.climb = 0;
    *out = std::move(name);
    return text == "." ? 0 : kErrBadName;
  }
  if (name.absolute && name.climb > 0) return kErrBadName;
  name.parts.reserve(end - first);
  for (std::size_t i = first; i < end; ++i) {
    service::NamePart part;
    if (pieces[i].empty() || !ParsePart(pieces[i], &part)) return kErrBadName;
    name.parts.push_back(std::move(part));
  }
  *out = std::move(name);
  return 0;
}

DirStatus ResolveDottedName(std::string_view text, const service::EntryName& nameContext, service::EntryName* out) {
  DottedName name;
  if (DirStatus s = ParseDottedName(text, &name); s != 0) return s;
  if (name.root) {
    out->clear();
    return 0;
  }
  if (name.absolute) {
    *out = std::move(name.parts);
    return 0;
  }
  if (name.climb > nameContext.size()) return kErrBadName;
  service::EntryName result = std::move(name.parts);
  result.insert(result.end(), nameContext.begin() + static_cast<std::ptrdiff_t>(name.climb), nameContext.end());
  *out = std::move(result);
  return 0;
}

DirStatus ParseNameContext(std::string_view text, service::EntryName* out) {
  if (text.empty() || text == kRootName) {
    out->clear();
    return 0;
  }
  if (text.front() == '.') text.remove_prefix(1);
  if (text.empty()) {
    out->clear();
    return 0;
  }
  DottedName name;
  if (DirStatus s = ParseDottedName(text, &name); s != 0) return s;
  if (name.root || name.absolute || name.climb > 0) return kErrBadName;
  *out = std::move(name.parts);
  return 0;
}

std::string FormatNamePart(const service::NamePart& part, bool typeless) {
  std::string text;
  if (!typeless && !part.type.empty()) {
    text = part.type;
    text.push_back('=');
  }
  for (char c : part.value) {
    if (c == '.' || c == '\\' || (c == '=' && (typeless || part.type.empty()))) text.push_back('\\');
    text.push_back(c);
  }
  return text;
}

std::string FormatDottedName(const service::EntryName& name, bool typeless) {
  if (name.empty()) return std::string(kRootName);
  std::string text;
  for (const auto& part : name) {
    if (!text.empty()) text.push_back('.');
    text += FormatNamePart(part, typeless);
  }
  return text;
}

}  // namespace recast::client
