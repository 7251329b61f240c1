#include "platform/profile/IniDocument.h"

#include "util/TextHelpers.h"

namespace recast::profile {
namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trim(std::string_view text) {
  const auto first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(kBlanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

IniDocument::Line IniDocument::Classify(std::string raw) {
  Line line;
  const std::string_view text = Trim(raw);
  if (!text.empty() && text.front() == '[') {
    const auto close = text.find(']');
    if (close != std::string_view::npos) {
      line.kind = LineKind::Section;
      line.name = std::string(Trim(text.substr(1, close - 1)));
    }
  } else if (!text.empty() && text.front() != ';') {
    const auto equals = text.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view key = Trim(text.substr(0, equals));
      if (!key.empty()) {
        line.kind = LineKind::Pair;
        line.name = std::string(key);
      }
    }
  }
  line.raw = std::move(raw);
  return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  if (text.starts_with(kByteOrderMark)) {
    doc.byteOrderMark_ = true;
    text.remove_prefix(kByteOrderMark.size());
  }
  bool firstLine = true;
  while (!text.empty()) {
    const auto end = text.find('\n');
    std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const bool crlf = raw.ends_with('\r');
    if (crlf) raw.remove_suffix(1);
    if (firstLine && end != std::string_view::npos) doc.newline_ = crlf ? "\r\n" : "\n";
    firstLine = false;
    doc.lines_.push_back(Classify(std::string(raw)));
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  if (byteOrderMark_) out += kByteOrderMark;
  for (const Line& line : lines_) {
    out += line.raw;
    out += newline_;
  }
  return out;
}

int IniDocument::FindSection(std::string_view section) const {
  const std::string_view wanted = Trim(section);
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == LineKind::Section && TextEquals(lines_[i].name, wanted)) return static_cast<int>(i);
  }
  return -1;
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
  std::size_t i = header + 1;
  while (i < lines_.size() && lines_[i].kind != LineKind::Section) ++i;
  return i;
}

std::optional<std::string> IniDocument::Find(std::string_view section, std::string_view key) const {
  const int header = FindSection(section);
  if (header < 0) return std::nullopt;
  const std::string_view wanted = Trim(key);
  const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind == LineKind::Pair && TextEquals(line.name, wanted)) {
      const std::string_view raw = line.raw;
      return std::string(Trim(raw.substr(raw.find('=') + 1)));
    }
  }
  return std::nullopt;
}

void IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  std::string pairText = std::string(Trim(key));
  pairText += '=';
  pairText += value;
  const int header = FindSection(section);
  if (header < 0) {
    if (!lines_.empty() && !Trim(lines_.back().raw).empty()) lines_.push_back(Classify(""));
    lines_.push_back(Classify("[" + std::string(Trim(section)) + "]"));
    lines_.push_back(Classify(std::move(pairText)));
    return;
  }
  const std::string_view wanted = Trim(key);
  const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
  std::size_t insertAt = static_cast<std::size_t>(header) + 1;
  for (std::size_t i = insertAt; i < end; ++i) {
    if (lines_[i].kind != LineKind::Pair) continue;
    if (TextEquals(lines_[i].name, wanted)) {
      lines_[i] = Classify(std::move(pairText));
      return;
    }
    insertAt = i + 1;
  }
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), Classify(std::move(pairText)));
}

bool IniDocument::EraseSection(std::string_view section) {
  bool erased = false;
  for (int header = FindSection(section); header >= 0; header = FindSection(section)) {
    const auto first = lines_.begin() + header;
    lines_.erase(first, lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(static_cast<std::size_t>(header))));
    erased = true;
  }
  return erased;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind != LineKind::Section) continue;
    bool seen = false;
    for (const std::string& name : names) seen = seen || TextEquals(name, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> IniDocument::Keys(std::string_view section) const {
  std::vector<std::string> keys;
  const int header = FindSection(section);
  if (header < 0) return keys;
  const std::size_t end = SectionEnd(static_cast<std::size_t>(header));
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
    if (lines_[i].kind != LineKind::Pair) continue;
    bool seen = false;
    for (const std::string& key : keys) seen = seen || TextEquals(key, lines_[i].name);
    if (!seen) keys.push_back(lines_[i].name);
  }
  return keys;
}

}  // namespace recast::profile
