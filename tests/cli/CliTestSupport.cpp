#include "tests/cli/CliTestSupport.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/TreeConnection.h"
#include "directory/DirGuards.h"
#include "directory/Directory.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"
#include "platform/ldap/LdapService.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::cli::testing {

namespace fs = std::filesystem;

Home::Home() {
  std::string pattern = (fs::temp_directory_path() / "recast-cli-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
  fs::create_directories(path_ / ".config/recast-object");
  fs::create_directories(path_ / ".local/share");
}

Home::~Home() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void Home::Configure(const std::string& ini) const { std::ofstream(ConfigFile()) << ini; }

std::string Home::CreateStore(const std::string& data, const std::string& name) const {
  std::ofstream(path_ / (name + ".txt")) << data;
  embedded::LoadError error;
  if (embedded::CreateStoreFromData({fs::path(RECAST_DATA_FOLDER) / "schema.txt", path_ / (name + ".txt")},
                                    path_ / name, &error) != 0) {
    return error.Text();
  }
  return {};
}

std::unique_ptr<DirectoryClient> Home::Client() const {
  client::ClientOptions options;
  options.configFile = ConfigFile();
  options.dataFolder = DataFolder();
  options.demoDataFiles = {fs::path(RECAST_DATA_FOLDER) / "schema.txt", fs::path(RECAST_DATA_FOLDER) / "acme.txt",
                           fs::path(RECAST_DATA_FOLDER) / "lab.txt"};
  options.openers[std::string(client::kLdapServiceKind)] = ldap::OpenLdapService;
  return client::CreateDirectoryClient(options);
}

namespace {

void Exec(const Home& home, const std::vector<std::string>& args, const fs::path& out, const fs::path& err) {
  const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ::dup2(o, 1);
  ::dup2(e, 2);
  ::setenv("HOME", home.path().c_str(), 1);
  ::unsetenv("XDG_CONFIG_HOME");
  ::unsetenv("XDG_DATA_HOME");
  std::vector<char*> argv;
  std::string program = RECAST_PROGRAM;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execv(argv[0], argv.data());
  ::_exit(127);
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

pid_t Start(const Home& home, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) Exec(home, args, home.path() / "stdout.txt", home.path() / "stderr.txt");
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

Result RunProgram(const Home& home, const std::vector<std::string>& args) {
  Result result;
  result.exitCode = Wait(Start(home, args));
  result.out = ReadAll(home.path() / "stdout.txt");
  result.err = ReadAll(home.path() / "stderr.txt");
  return result;
}

namespace {

// The names of the attributes object holds.
std::vector<std::string> AttributeNames(DirectoryClient& client, DirContext ctx, const std::string& object) {
  std::vector<std::string> names;
  ScopedBuffer reply;
  if (reply.Allocate(client, kMaxBufferSize) != 0) return names;
  IterationHandle iteration = kNoIteration;
  do {
    if (client.ReadObject(ctx, object.c_str(), 0, true, kNoBuffer, &iteration, reply.get()) != 0) break;
    std::uint32_t count = 0;
    if (client.GetAttrCount(ctx, reply.get(), &count) != 0) break;
    for (std::uint32_t i = 0; i < count; ++i) {
      char name[kMaxSchemaNameBytes] = {};
      std::uint32_t values = 0, syntax = 0;
      if (client.GetAttrName(ctx, reply.get(), name, &values, &syntax) == 0) names.emplace_back(name);
    }
  } while (iteration != kNoIteration);
  return names;
}

void DumpBelow(DirectorySession& session, DirContext ctx, const std::string& container,
               const std::vector<std::string>& skip, std::vector<std::string>* out) {
  // The listing first, whole: LDAP servers keep one paged search per connection.
  std::vector<std::pair<std::string, std::string>> entries;  // name, base class
  std::vector<std::string> children;
  TNDSObj listing;
  // Typed names: reading an entry then needs no search for its name.
  if (OpenListing(session, ctx, container, false, listing, ListingNames::kTyped) != 0) return;
  do {
    if (listing.entryName.empty()) continue;
    const std::string name = ChildName(listing.entryName, "." + container);
    entries.emplace_back(name, std::string(listing.entryInfo.baseClass));
    if (listing.entryInfo.objectFlags & kEntryContainer) children.push_back(name.substr(1));
  } while (NextEntry(session, listing) == 0);
  for (const auto& [name, baseClass] : entries) {
    std::string line = name + " [" + baseClass + "]";
    std::vector<std::string> attributes = AttributeNames(session.client, ctx, name);
    std::sort(attributes.begin(), attributes.end());
    for (const std::string& a : attributes) {
      if (std::find(skip.begin(), skip.end(), a) != skip.end()) continue;
      std::string values;
      GetAttributeValueText(session, ctx, name, a, &values);
      line += "\n  " + a + ": " + values;
    }
    out->push_back(line);
  }
  for (const std::string& child : children) DumpBelow(session, ctx, child, skip, out);
}

}  // namespace

std::vector<std::string> Dump(DirectoryClient& client, const std::string& tree, const std::string& container,
                              const std::vector<std::string>& skip) {
  ScriptedUserInterface ui;
  DirectorySession session(client, ui);
  std::vector<std::string> out;
  if (OpenPrimaryConnection(session) != 0) return out;
  DirContext created = kNoContext;
  if (client.CreateContext(&created) != 0) return out;
  if (SetTree(session, created, tree, false) == 0) DumpBelow(session, created, container, skip, &out);
  client.FreeContext(created);
  std::sort(out.begin(), out.end());
  return out;
}

std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string left = i < a.size() ? a[i] : "(none)";
    const std::string right = i < b.size() ? b[i] : "(none)";
    if (left != right) return left + "\n--- differs from ---\n" + right;
  }
  return {};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace recast::cli::testing
