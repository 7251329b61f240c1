#include "StoreFixture.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>

#include "platform/embedded/EmbeddedService.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::embedded::testing {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "recast-embedded-XXXXXX").string();
  if (char* made = ::mkdtemp(pattern.data())) path_ = made;
}

TempDir::~TempDir() {
  std::error_code ec;
  if (!path_.empty()) std::filesystem::remove_all(path_, ec);
}

std::filesystem::path DataFile(const std::string& name) { return std::filesystem::path(RECAST_DATA_DIR) / name; }
std::filesystem::path TestFile(const std::string& name) { return std::filesystem::path(RECAST_TEST_DIR) / name; }

std::vector<std::filesystem::path> DemoDataFiles() {
  return {DataFile("schema.txt"), DataFile("acme.txt"), DataFile("lab.txt")};
}

std::vector<std::filesystem::path> SeedDataFiles() { return {DataFile("schema.txt"), TestFile("seed.txt")}; }

std::filesystem::path BuildStore(const TempDir& dir, const std::vector<std::filesystem::path>& files,
                                 const std::string& name) {
  std::filesystem::path store = dir.path() / name;
  LoadError error;
  DirStatus st = CreateStoreFromData(files, store, &error);
  EXPECT_EQ(st, 0) << error.Text();
  return store;
}

std::unique_ptr<service::DirectoryService> OpenService(const std::filesystem::path& store, const std::string& tree,
                                                       const std::string& login) {
  service::ConnectionConfig config;
  config.service = store.string();
  config.treeName = tree;
  config.login = login;
  std::unique_ptr<service::DirectoryService> service;
  DirStatus st = OpenEmbeddedService(config, &service);
  EXPECT_EQ(st, 0) << "opening " << tree << " in " << store;
  return service;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace recast::embedded::testing
