// The client with its built-in embedded service over the shipped demo data.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "ClientFixture.h"
#include "platform/client/Connections.h"
#include "platform/client/DirectoryClientFactory.h"

namespace recast::client::testing {
namespace {

class ClientEmbeddedTest : public ::testing::Test {
 protected:
  ClientOptions Options() const {
    ClientOptions options;
    options.configFile = folder.path() / "config" / "connections.ini";
    options.dataFolder = folder.path() / "share" / "recast-object";
    const std::filesystem::path data = RECAST_DEMO_DATA_DIR;
    options.demoDataFiles = {data / "schema.txt", data / "acme.txt", data / "lab.txt"};
    return options;
  }

  // Starts a client and a context on the primary tree; the client's connection is opened.
  std::unique_ptr<DirectoryClient> Start(DirContext* ctx, const ClientOptions& options) {
    auto client = CreateDirectoryClient(options);
    EXPECT_EQ(client->InitClient(0, 0), 0);
    ConnRef ref = 0;
    ConnHandle handle = 0;
    EXPECT_EQ(client->GetPrimaryConnectionRef(&ref), 0);
    EXPECT_EQ(client->OpenConnectionByRef(ref, 1, 0, &handle), 0);
    EXPECT_EQ(client->CreateContext(ctx), 0);
    return client;
  }

  static DirStatus AddValue(DirectoryClient& client, DirContext ctx, const char* object, const char* attr,
                            const char* text) {
    DirBuffer request = kNoBuffer;
    EXPECT_EQ(client.AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client.InitBuffer(ctx, kOpModifyObject, request), 0);
    EXPECT_EQ(client.PutChangeAndValue(ctx, request, kChangeAddValue, attr, kSynTelNumber, text), 0);
    IterationHandle handle = kNoIteration;
    const DirStatus s = client.ModifyObject(ctx, object, &handle, 0, request);
    client.FreeBuffer(request);
    return s;
  }

  static std::vector<std::string> Values(DirectoryClient& client, DirContext ctx, const char* object,
                                         const char* attr) {
    std::vector<std::string> texts;
    DirBuffer request = kNoBuffer, reply = kNoBuffer;
    EXPECT_EQ(client.AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client.InitBuffer(ctx, kOpReadObject, request), 0);
    EXPECT_EQ(client.PutAttrName(ctx, request, attr), 0);
    EXPECT_EQ(client.AllocBuffer(kMaxBufferSize, &reply), 0);
    IterationHandle handle = kNoIteration;
    if (client.ReadObject(ctx, object, kObjectInfoValues, false, request, &handle, reply) == 0) {
      std::uint32_t attrs = 0, count = 0, syntax = 0;
      char name[kMaxSchemaNameBytes];
      EXPECT_EQ(client.GetAttrCount(ctx, reply, &attrs), 0);
      EXPECT_EQ(client.GetAttrName(ctx, reply, name, &count, &syntax), 0);
      for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t size = 0;
        EXPECT_EQ(client.ComputeAttrValSize(ctx, reply, syntax, &size), 0);
        std::vector<char> block(size);
        EXPECT_EQ(client.GetAttrVal(ctx, reply, syntax, block.data()), 0);
        texts.emplace_back(block.data());
      }
    }
    client.FreeBuffer(request);
    client.FreeBuffer(reply);
    return texts;
  }

  TempFolder folder;
};

TEST_F(ClientEmbeddedTest, FreshDataFolderGetsTheDemoStoreWhichIsKeptWithItsChanges) {
  const ClientOptions options = Options();
  const std::filesystem::path store = DemoStorePath(options.dataFolder);
  ASSERT_FALSE(std::filesystem::exists(store));
  struct stat first {};
  {
    DirContext ctx = kNoContext;
    auto client = Start(&ctx, options);
    ASSERT_TRUE(std::filesystem::exists(store));
    ASSERT_EQ(::stat(store.c_str(), &first), 0);
    char name[kWhoAmIBytes];
    ASSERT_EQ(client->WhoAmI(ctx, name), 0);
    EXPECT_STREQ(name, "Admin.ACME");
    ASSERT_EQ(AddValue(*client, ctx, ".Admin.ACME", "Telephone Number", "+1 555 0777"), 0);
  }
  {
    DirContext ctx = kNoContext;
    auto client = Start(&ctx, options);
    struct stat second {};
    ASSERT_EQ(::stat(store.c_str(), &second), 0);
    EXPECT_EQ(second.st_ino, first.st_ino);  // reused, not created again
    EXPECT_EQ(Values(*client, ctx, ".Admin.ACME", "Telephone Number"),
              (std::vector<std::string>{"+1 555 0101", "+1 555 0777"}));
    // The second demo tree's login reads but may not write.
    ASSERT_EQ(client->SetContextValue(ctx, kKeyTreeName, "LAB_TREE"), 0);
    char name[kWhoAmIBytes];
    ASSERT_EQ(client->WhoAmI(ctx, name), 0);
    EXPECT_STREQ(name, "Guest.LAB");
    EXPECT_EQ(AddValue(*client, ctx, ".Guest.LAB", "Telephone Number", "+1 555 0778"), kErrNoAccess);
  }
}

TEST_F(ClientEmbeddedTest, ConfiguredStoreAndALargeDemoContainerInManyReplies) {
  ClientOptions options = Options();
  DirContext ctx = kNoContext;
  Start(&ctx, options);  // creates the demo store
  std::filesystem::create_directories(options.configFile.parent_path());
  WriteFile(options.configFile, "[Main]\nTree=acme_corp\nService=" + DemoStorePath(options.dataFolder).string() +
                                    "\nLogin=CN=Admin.O=ACME\nPrimary=1\n");
  auto client = Start(&ctx, options);
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  std::size_t entries = 0;
  int replies = 0;
  do {
    ASSERT_EQ(client->ListSubordinates(ctx, ".Staff.ACME", &handle, reply), 0);
    ++replies;
    std::uint32_t count = 0;
    ASSERT_EQ(client->GetObjectCount(ctx, reply, &count), 0);
    for (std::uint32_t i = 0; i < count; ++i) {
      char name[kMaxNameBytes];
      ObjectInfo info;
      ASSERT_EQ(client->GetObjectName(ctx, reply, name, nullptr, &info), 0);
      ++entries;
    }
  } while (handle != kNoIteration);
  client->FreeBuffer(reply);
  EXPECT_GT(replies, 1);
  EXPECT_GT(entries, 1000u);
}

}  // namespace
}  // namespace recast::client::testing
