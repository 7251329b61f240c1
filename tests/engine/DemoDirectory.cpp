#include "tests/engine/DemoDirectory.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "directory/Directory.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"

namespace recast::engine::testing {

DemoDirectory::DemoDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "recast-engine-XXXXXX").string();
  folder_ = ::mkdtemp(pattern.data());
  const std::filesystem::path data(RECAST_DATA_FOLDER);
  embedded::LoadError error;
  EXPECT_EQ(embedded::CreateStoreFromData({data / "schema.txt", data / "acme.txt"}, folder_ / "demo.db", &error), 0)
      << error.Text();
  std::ofstream(folder_ / "connections.ini") << "[Main]\nTree=ACME_CORP\nService=demo.db\nPrimary=1\n";
  client::ClientOptions options;
  options.configFile = folder_ / "connections.ini";
  options.dataFolder = dataFolder();
  client_ = client::CreateDirectoryClient(options);
  session_ = std::make_unique<DirectorySession>(*client_, ui_, RECAST_ERRTEXT_LIBRARY);
  EXPECT_EQ(InitNetWare(*session_), 0);
  EXPECT_EQ(client_->CreateContext(&ctx_), 0);
  EXPECT_EQ(SetTree(*session_, ctx_, GetPrimaryTreeName(*session_), false), 0);
  ChangeContextFlags(*session_, ctx_, '+', kFlagTypelessNames);
}

DemoDirectory::~DemoDirectory() {
  client_->FreeContext(ctx_);
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

}  // namespace recast::engine::testing
