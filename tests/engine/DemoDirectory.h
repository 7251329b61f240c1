#pragma once
// The demo directory's data (ACME_CORP) in a store of its own in a fresh temporary folder, and
// a client, session and context on it as the window opens them (typeless names); all removed
// again at the end.

#include <filesystem>
#include <memory>

#include "directory/DirectorySession.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast::engine::testing {

class DemoDirectory {
 public:
  DemoDirectory();
  ~DemoDirectory();
  DemoDirectory(const DemoDirectory&) = delete;
  DemoDirectory& operator=(const DemoDirectory&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path dataFolder() const { return folder_ / "data"; }
  DirectoryClient& client() { return *client_; }
  DirectorySession& session() { return *session_; }
  DirContext ctx() const { return ctx_; }

 private:
  std::filesystem::path folder_;
  ScriptedUserInterface ui_;
  std::unique_ptr<DirectoryClient> client_;
  std::unique_ptr<DirectorySession> session_;
  DirContext ctx_ = kNoContext;
};

}  // namespace recast::engine::testing
