#pragma once
// Temporary folders and stores built from data files for the embedded directory's tests.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/service/DirectoryService.h"

namespace recast::embedded::testing {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::filesystem::path DataFile(const std::string& name);  // a file of the shipped data/
std::filesystem::path TestFile(const std::string& name);  // a file beside these tests
std::vector<std::filesystem::path> DemoDataFiles();
std::vector<std::filesystem::path> SeedDataFiles();

// Builds a store at dir/name from the files; fails the test when it cannot.
std::filesystem::path BuildStore(const TempDir& dir, const std::vector<std::filesystem::path>& files,
                                 const std::string& name = "store.db");

// Opens tree with login (empty: the tree's first login); null and a test failure when it cannot.
std::unique_ptr<service::DirectoryService> OpenService(const std::filesystem::path& store, const std::string& tree,
                                                       const std::string& login = "");

std::string ReadFileBytes(const std::filesystem::path& path);

}  // namespace recast::embedded::testing
