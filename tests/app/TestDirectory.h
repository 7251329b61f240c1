#pragma once
// A purpose-built embedded directory for the window tests: a small schema whose classes show
// every conflict kind, two trees with same-named objects in different containers, and the
// client's connection file, all in a temporary folder.

#include <QTemporaryDir>

#include <filesystem>
#include <memory>
#include <string>

#include "directory/DirectoryClient.h"
#include "platform/client/ClientOptions.h"

namespace recast::app::testing {

// The data text of the test directory (the loader's format).
const char* TestDirectoryData();
// The connections.ini section that makes the tree DELTA (schema of its own) reachable.
const char* DeltaConnection();

class TestDirectory {
 public:
  // extraData is appended to the data text (for example a generated container).
  explicit TestDirectory(const std::string& extraData = "");

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  std::filesystem::path folder() const { return std::filesystem::path(dir_.path().toStdString()); }
  client::ClientOptions Options() const;
  std::unique_ptr<DirectoryClient> NewClient() const;

  // The value text of attrName on the object with the full typeless dotted name, read through
  // a client of its own (what another program would see); "" when it has none.
  std::string ValueOf(const std::string& tree, const std::string& object, const std::string& attrName) const;

 private:
  QTemporaryDir dir_;
  bool ok_ = false;
  std::string error_;
};

}  // namespace recast::app::testing
