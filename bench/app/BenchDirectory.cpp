#include "BenchDirectory.h"

#include <cstdio>
#include <fstream>

#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::app::bench {

const char* BenchSchema() {
  return R"(schema: bench

attribute: Object Class
syntax: 20

attribute: CN
syntax: 3

attribute: O
syntax: 3

attribute: OU
syntax: 3

attribute: Surname
syntax: 3

class: Top
mandatory: Object Class

class: Organization
flags: Container Effective
super: Top
containment: Tree Root
naming: O
mandatory: O

class: Organizational Unit
flags: Container Effective
super: Top
containment: Organization, Organizational Unit
naming: OU
mandatory: OU

class: Person
flags: Effective
super: Top
containment: Organization, Organizational Unit
naming: CN
mandatory: CN, Surname
)";
}

namespace {
std::filesystem::path FreshFolder(const std::string& name) {
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("recast-app-bench-" + name);
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  return folder;
}
}  // namespace

BenchDirectory::BenchDirectory(const std::string& name, const std::string& dataText, const std::string& connections)
    : folder_(FreshFolder(name)) {
  std::ofstream(folder_ / "data.txt") << dataText;
  embedded::LoadError error;
  if (embedded::CreateStoreFromData({folder_ / "data.txt"}, folder_ / "store.db", &error) != 0) {
    std::fprintf(stderr, "%s\n", error.Text().c_str());
    return;
  }
  WriteConnections(connections);
}

BenchDirectory::BenchDirectory(const std::string& name, const std::vector<std::filesystem::path>& dataFiles,
                               const std::string& connections)
    : folder_(FreshFolder(name)) {
  embedded::LoadError error;
  if (embedded::CreateStoreFromData(dataFiles, folder_ / "store.db", &error) != 0) {
    std::fprintf(stderr, "%s\n", error.Text().c_str());
    return;
  }
  WriteConnections(connections);
}

void BenchDirectory::WriteConnections(const std::string& connections) {
  std::string text = connections;
  for (std::size_t at; (at = text.find("@STORE@")) != std::string::npos;) {
    text.replace(at, 7, (folder_ / "store.db").string());
  }
  std::ofstream(folder_ / "connections.ini") << text;
  ok_ = true;
}

std::unique_ptr<DirectoryClient> BenchDirectory::NewClient() const {
  client::ClientOptions options;
  options.configFile = folder_ / "connections.ini";
  options.dataFolder = folder_ / "data";
  return client::CreateDirectoryClient(options);
}

}  // namespace recast::app::bench
