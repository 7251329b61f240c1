#include "platform/client/Connections.h"

#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "platform/client/ClientOptions.h"
#include "platform/profile/Profile.h"
#include "util/TextHelpers.h"

namespace recast::client {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// Checks the lines the profile functions would silently skip or merge.
bool WellFormed(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  bool inSection = false;
  std::set<std::string> sections;
  bool first = true;
  while (std::getline(lines, line)) {
    std::string_view l = line;
    if (first && l.substr(0, 3) == "\xEF\xBB\xBF") l.remove_prefix(3);
    first = false;
    l = Trim(l);
    if (l.empty() || l.front() == ';' || l.front() == '#') continue;
    if (l.front() == '[') {
      if (l.back() != ']' || Trim(l.substr(1, l.size() - 2)).empty()) return false;
      if (!sections.insert(UpperAscii(Trim(l.substr(1, l.size() - 2)))).second) return false;
      inSection = true;
      continue;
    }
    const std::size_t eq = l.find('=');
    if (eq == std::string_view::npos || Trim(l.substr(0, eq)).empty() || !inSection) return false;
  }
  return !sections.empty();
}

bool IsTrue(std::string_view value) {
  return value == "1" || TextEquals(value, "yes") || TextEquals(value, "true");
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

}  // namespace

ConnStatus ReadConnectionFile(const std::filesystem::path& file, const std::filesystem::path& dataFolder,
                              std::vector<ConnectionEntry>* out) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return kConnCannotInitialize;
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad() || !WellFormed(text.str())) return kConnCannotInitialize;

  std::vector<ConnectionEntry> entries;
  bool havePrimary = false;
  for (const std::string& section : profile::GetPrivateProfileSectionNames(file)) {
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
    if (entry.config.treeName.empty() || entry.config.treeName.size() > 32 || entry.config.service.empty()) {
      return kConnCannotInitialize;
    }
    if (entry.primary && havePrimary) return kConnCannotInitialize;
    havePrimary = havePrimary || entry.primary;
    if (ServiceKindOf(entry.config.service) == kEmbeddedServiceKind) {
      std::filesystem::path store(entry.config.service);
      if (store.is_relative()) entry.config.service = (file.parent_path() / store).string();
    }
    entries.push_back(std::move(entry));
  }
  if (entries.empty()) return kConnCannotInitialize;
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
