#include "platform/client/Connections.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/client/ClientOptions.h"
#include "platform/errtext/ErrorTextLibrary.h"
#include "platform/profile/Profile.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::client {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Where a section begins: its header's line number.
using SectionLines = std::map<std::string, int>;  // by upper-cased name

// Checks the lines the profile functions would silently skip or merge; on success
// *sections holds each section's header line. *problem names the first bad line.
bool WellFormed(const std::string& text, SectionLines* sections, std::string* problem) {
  std::istringstream lines(text);
  std::string line;
  bool inSection = false;
  int number = 0;
  while (std::getline(lines, line)) {
    std::string_view l = line;
    if (++number == 1 && l.substr(0, 3) == "\xEF\xBB\xBF") l.remove_prefix(3);
    l = Trim(l);
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      if (l.back() != ']' || Trim(l.substr(1, l.size() - 2)).empty()) {
        *problem = Format("line %d: a section header must be [name]", {number});
        return false;
      }
      const std::string name = UpperAscii(Trim(l.substr(1, l.size() - 2)));
      if (const auto [it, added] = sections->emplace(name, number); !added) {
        *problem = Format("line %d: the section [%s] appeared before, in line %d",
                          {number, Trim(l.substr(1, l.size() - 2)), it->second});
        return false;
      }
      inSection = true;
      continue;
    }
    const std::size_t eq = l.find('=');
    if (eq == std::string_view::npos || Trim(l.substr(0, eq)).empty()) {
      *problem = Format("line %d: neither a [section], a key=value pair nor a comment", {number});
      return false;
    }
    if (!inSection) {
      *problem = Format("line %d: a key=value pair before the first [section]", {number});
      return false;
    }
  }
  if (sections->empty()) {
    *problem = "it holds no [section], one per connection";
    return false;
  }
  return true;
}

// The start-up message tells the user which file and line are at fault, through the
// error-text library's text for kConnCannotInitialize.
ConnStatus CannotRead(const std::filesystem::path& file, const std::string& problem) {
  const std::string text =
      Format("The client configuration %s cannot be read: %s. Correct the file, or remove it to use the demo directory",
             {file.string(), problem});
  RecastErrtextRecordDiagnostic(kConnCannotInitialize, text.c_str());
  return kConnCannotInitialize;
}

bool IsTrue(std::string_view value) { return value == "1" || TextEquals(value, "yes") || TextEquals(value, "true"); }

}  // namespace

ConnStatus ReadConnectionFile(const std::filesystem::path& file, const std::filesystem::path& dataFolder,
                              std::vector<ConnectionEntry>* out) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(file, ec)) {
    return CannotRead(file, ec ? ec.message() : std::string("it is not a regular file"));
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) return CannotRead(file, std::strerror(errno));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) return CannotRead(file, "reading it failed");
  SectionLines sectionLines;
  std::string problem;
  if (!WellFormed(text.str(), &sectionLines, &problem)) return CannotRead(file, problem);

  std::vector<ConnectionEntry> entries;
  std::string primarySection;
  for (const std::string& section : profile::GetPrivateProfileSectionNames(file)) {
    const auto at = [&](const char* what) {
      return Format("line %d: the section [%s] %s", {sectionLines[UpperAscii(section)], section, what});
    };
    ConnectionEntry entry;
    for (const std::string& key : profile::GetPrivateProfileKeys(section, file)) {
      entry.config.settings[LowerAscii(key)] = profile::GetPrivateProfileString(section, key, "", file);
    }
    const auto setting = [&](const char* key) {
      auto it = entry.config.settings.find(key);
      return it == entry.config.settings.end() ? std::string() : it->second;
    };
    entry.config.treeName = setting("tree");
    entry.config.service = setting("service");
    entry.config.login = setting("login");
    entry.config.dataFolder = dataFolder;
    entry.primary = IsTrue(setting("primary"));
    if (entry.config.treeName.empty()) return CannotRead(file, at("has no Tree"));
    if (entry.config.treeName.size() > 32) return CannotRead(file, at("names a tree of more than 32 characters"));
    if (entry.config.service.empty()) return CannotRead(file, at("has no Service"));
    if (entry.primary && !primarySection.empty()) {
      return CannotRead(file, at(Format("is primary, as [%s] is already", {primarySection}).c_str()));
    }
    if (entry.primary) primarySection = section;
    if (ServiceKindOf(entry.config.service) == kEmbeddedServiceKind) {
      std::filesystem::path store(entry.config.service);
      if (store.is_relative()) entry.config.service = (file.parent_path() / store).string();
    }
    entries.push_back(std::move(entry));
  }
  if (entries.empty()) return CannotRead(file, "it holds no connection");
  // A configuration that marks none works all the same: its first connection is the primary.
  if (primarySection.empty()) entries.front().primary = true;
  *out = std::move(entries);
  return 0;
}

std::filesystem::path DemoStorePath(const std::filesystem::path& dataFolder) {
  return dataFolder / "demo-directory.db";
}

std::vector<ConnectionEntry> DemoConnections(const std::filesystem::path& dataFolder) {
  struct Demo {
    const char* tree;
    const char* login;
  };
  static constexpr Demo kDemo[] = {{"ACME_CORP", "CN=Admin.O=ACME"}, {"LAB_TREE", "CN=Guest.O=LAB"}};
  std::vector<ConnectionEntry> entries;
  for (const Demo& demo : kDemo) {
    ConnectionEntry entry;
    entry.config.treeName = demo.tree;
    entry.config.service = DemoStorePath(dataFolder).string();
    entry.config.login = demo.login;
    entry.config.settings = {{"tree", demo.tree}, {"service", entry.config.service}, {"login", demo.login}};
    entry.config.dataFolder = dataFolder;
    entry.demo = true;
    entries.push_back(std::move(entry));
  }
  entries.front().primary = true;
  return entries;
}

}  // namespace recast::client
