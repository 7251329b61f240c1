// Parses arbitrary INI text, looks up, edits and rewrites it: lines not edited must survive a
// rewrite, and an edited key must read back as written.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile/IniDocument.h"

using recast::profile::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument doc = IniDocument::Parse(text);
  // A file whose lines all end with a plain "\n" comes back byte for byte (other files have
  // their line ends made alike).
  if (!text.empty() && text.back() == '\n' && text.find('\r') == std::string_view::npos && doc.Serialize() != text) {
    std::abort();
  }

  for (const std::string& section : doc.SectionNames()) {
    for (const std::string& key : doc.Keys(section)) {
      if (!doc.Find(section, key)) std::abort();
    }
  }
  doc.Set("Settings", "Left", "10");
  const auto left = doc.Find("Settings", "Left");
  if (!left || *left != "10") std::abort();
  // A section name or key taken from the input itself.
  const std::string_view odd = text.substr(0, text.find_first_of("\r\n"));
  if (odd.find_first_of("[]=") == std::string_view::npos && !odd.empty() &&
      odd.find_first_not_of(" \t") != std::string_view::npos && odd.front() != ' ' && odd.back() != ' ' &&
      odd.front() != '\t' && odd.back() != '\t' && odd.front() != ';' && odd.front() != '#') {
    doc.Set(odd, odd, "v");
    const auto v = doc.Find(odd, odd);
    if (!v || *v != "v") std::abort();
  }
  doc.EraseSection("Settings");
  (void)IniDocument::Parse(doc.Serialize()).SectionNames();
  return 0;
}
