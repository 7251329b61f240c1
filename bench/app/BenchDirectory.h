#pragma once
// Stores for the window benchmarks, built once per run in a temporary folder.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "directory/DirectoryClient.h"

namespace recast::app::bench {

// The small schema of the window benchmarks (organizations, units, persons), in the loader's
// format.
const char* BenchSchema();

class BenchDirectory {
 public:
  // dataText in the loader's format; connections: the client's connection file text, in
  // which "@STORE@" stands for the store's path.
  BenchDirectory(const std::string& name, const std::string& dataText, const std::string& connections);
  BenchDirectory(const std::string& name, const std::vector<std::filesystem::path>& dataFiles,
                 const std::string& connections);
  std::unique_ptr<DirectoryClient> NewClient() const;
  bool ok() const { return ok_; }
  const std::filesystem::path& Folder() const { return folder_; }

 private:
  void WriteConnections(const std::string& connections);

  std::filesystem::path folder_;
  bool ok_ = false;
};

}  // namespace recast::app::bench
