// Connections from the configuration file, the demo default, and contexts.
#include <cstring>
#include <string>

#include "ClientFixture.h"
#include "platform/errtext/ErrorTextLibrary.h"

namespace recast::client::testing {
namespace {

class ClientConnectionsTest : public ClientTest {};

std::string TreeInfo(DirectoryClient& client, ConnRef ref) {
  char buffer[kTreeInfoBytes] = {};
  EXPECT_EQ(client.GetConnectionRefInfo(ref, kConnInfoTreeName, sizeof buffer, buffer), 0);
  return buffer;
}

TEST_F(ClientConnectionsTest, ConfiguredConnectionsAndThePrimary) {
  MakeClient();
  ConnRef ref = 0;
  EXPECT_EQ(client->GetPrimaryConnectionRef(&ref), kConnNotInitialized);
  ASSERT_EQ(client->InitClient(0, 0), 0);
  ASSERT_EQ(client->GetPrimaryConnectionRef(&ref), 0);
  EXPECT_EQ(TreeInfo(*client, ref), "ACME____________________________");
  std::uint32_t iterator = 0;
  std::vector<std::string> trees;
  while (client->ScanConnectionRefs(&iterator, &ref) == 0) trees.push_back(TreeInfo(*client, ref));
  EXPECT_EQ(trees,
            (std::vector<std::string>{std::string("ACME") + std::string(28, '_'), "LAB" + std::string(29, '_')}));
  EXPECT_EQ(client->ScanConnectionRefs(&iterator, &ref), kConnNoMoreEntries);

  char small[16];
  EXPECT_EQ(client->GetConnectionRefInfo(1, kConnInfoTreeName, sizeof small, small), kConnBadArgument);
  EXPECT_EQ(client->GetConnectionRefInfo(1, 5, kTreeInfoBytes, small), kConnBadArgument);
  EXPECT_EQ(client->GetConnectionRefInfo(3, kConnInfoTreeName, kTreeInfoBytes, small), kConnInvalidConnection);
  ConnHandle handle = 0xFFFF;
  EXPECT_EQ(client->OpenConnectionByRef(0, 1, 0, &handle), kConnInvalidConnection);
  ASSERT_EQ(client->OpenConnectionByRef(1, 1, 0, &handle), 0);
  EXPECT_NE(handle, 0xFFFFu);

  // The service sees every key of its section, lower-cased; a relative store path is taken
  // from the configuration file's folder.
  const service::ConnectionConfig& config = opened.at("ACME");
  EXPECT_EQ(config.settings.at("colour"), "Blue");
  EXPECT_EQ(config.login, "Admin.ACME");
  EXPECT_EQ(config.service, (folder.path() / "mem-acme").string());
  EXPECT_EQ(config.dataFolder, folder.path() / "data");
}

TEST_F(ClientConnectionsTest, WithoutAPrimaryTheFirstConnectionIsPrimary) {
  for (const char* config : {"[One]\nTree=ONE\nService=a\nLogin=Admin.ONE\nPasswordFile=/p\n",
                             "[One]\nTree=ONE\nService=a\n[Two]\nTree=TWO\nService=b\n"}) {
    MakeClient(config);
    ASSERT_EQ(client->InitClient(0, 0), 0);
    ConnRef ref = 0;
    ASSERT_EQ(client->GetPrimaryConnectionRef(&ref), 0) << config;
    EXPECT_EQ(TreeInfo(*client, ref), "ONE" + std::string(29, '_'));
  }
}

TEST_F(ClientConnectionsTest, UnreadableOrMalformedConfigurationCannotInitialize) {
  // Each with the place that the start-up message names.
  const std::pair<const char*, const char*> malformed[] = {
      {"", "it holds no [section]"},
      {"; only a comment\n", "it holds no [section]"},
      {"Tree=ACME\n[Main]\nService=x\n", "line 1: a key=value pair before"},
      {"[Main]\nTree=ACME\nService=x\nnonsense line\n", "line 4: neither"},
      {"[Main]\nService=x\n", "line 1: the section [Main] has no Tree"},
      {"; c\n[Main]\nTree=ACME\n", "line 2: the section [Main] has no Service"},
      {"[Main]\nTree=ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\nService=x\n", "line 1: the section [Main] names a tree"},
      {"[A]\nTree=A\nService=x\nPrimary=1\n[B]\nTree=B\nService=y\nPrimary=yes\n",
       "line 5: the section [B] is primary"},
      {"[A]\nTree=A\nService=x\n[a]\nTree=B\nService=y\n", "line 4: the section [a] appeared before, in line 1"},
      {"[Main\nTree=A\nService=x\n", "line 1: a section header"},
  };
  const std::string file = (folder.path() / "connections.ini").string();
  for (const auto& [text, place] : malformed) {
    MakeClient(text);
    EXPECT_EQ(client->InitClient(0, 0), kConnCannotInitialize) << text;
    const std::string message = NWstrerror(kConnCannotInitialize);
    EXPECT_NE(message.find(file + " cannot be read: " + place), std::string::npos) << message;
    DirContext ctx = kNoContext;
    EXPECT_EQ(client->CreateContext(&ctx), kErrNotConnected);
  }
  std::filesystem::remove(folder.path() / "connections.ini");
  MakeClient(nullptr);
  std::filesystem::create_directory(folder.path() / "connections.ini");  // exists, cannot be read as a file
  EXPECT_EQ(client->InitClient(0, 0), kConnCannotInitialize);
}

TEST_F(ClientConnectionsTest, WithoutConfigurationTheDemoStoreIsCreatedOnceAndKept) {
  int created = 0;
  auto makeDemoClient = [&] {
    ClientOptions options;
    options.configFile = folder.path() / "none.ini";
    options.dataFolder = folder.path() / "fresh" / "data";
    options.demoDataFiles = {folder.path() / "demo.txt"};
    options.createDemoStore = [&](const std::vector<std::filesystem::path>& files, const std::filesystem::path& store) {
      ++created;
      EXPECT_EQ(files.size(), 1u);
      WriteFile(store, "store");
      return DirStatus{0};
    };
    options.openers[std::string(kEmbeddedServiceKind)] = [&](const service::ConnectionConfig& config,
                                                             std::unique_ptr<service::DirectoryService>* out) {
      EXPECT_TRUE(std::filesystem::exists(config.service));
      opened[config.treeName] = config;
      *out = SmallTree(config.treeName, false);
      return DirStatus{0};
    };
    return std::make_unique<NativeDirectoryClient>(std::move(options));
  };
  for (int run = 0; run < 2; ++run) {
    auto demo = makeDemoClient();
    ASSERT_EQ(demo->InitClient(0, 0), 0);
    ConnRef ref = 0;
    ASSERT_EQ(demo->GetPrimaryConnectionRef(&ref), 0);
    EXPECT_EQ(TreeInfo(*demo, ref), "ACME_CORP_______________________");
    EXPECT_EQ(TreeInfo(*demo, 2), "LAB_TREE________________________");
    ConnHandle handle = 0;
    ASSERT_EQ(demo->OpenConnectionByRef(ref, 1, 0, &handle), 0);
    ASSERT_EQ(demo->OpenConnectionByRef(2, 1, 0, &handle), 0);
  }
  EXPECT_EQ(created, 1);
  EXPECT_EQ(opened.at("ACME_CORP").service, opened.at("LAB_TREE").service);
}

TEST_F(ClientConnectionsTest, AServiceThatCannotBeOpenedFailsWithAStatus) {
  failOpen = true;
  DirContext ctx = Start();
  ConnHandle handle = 0xFFFF;
  EXPECT_EQ(client->OpenConnectionByRef(1, 1, 0, &handle), kConnServiceUnavailable);
  EXPECT_EQ(handle, 0xFFFFu);
  // The start-up message names the tree and the cause.
  EXPECT_STREQ(NWstrerror(kConnServiceUnavailable),
               "The directory service of tree ACME cannot be opened (-699): The directory service failed");
  char name[kWhoAmIBytes];
  EXPECT_EQ(client->WhoAmI(ctx, name), kErrDirectoryFailure);
  // A kind without an opener.
  MakeClient("[L]\nTree=L\nService=ldap://example.org\nPrimary=1\n");
  ASSERT_EQ(client->InitClient(0, 0), 0);
  EXPECT_EQ(client->OpenConnectionByRef(1, 1, 0, &handle), kConnServiceUnavailable);
}

TEST_F(ClientConnectionsTest, OperationsBeforeInitClientAreNotConnected) {
  MakeClient();
  DirContext ctx = kNoContext;
  EXPECT_EQ(client->CreateContext(&ctx), kErrNotConnected);
  EXPECT_EQ(client->SetPreferredTree(5, "ACME"), kErrNotConnected);
  EXPECT_EQ(client->FreeContext(1), kErrNotConnected);
}

// ---- Contexts ----------------------------------------------------------------------------

TEST_F(ClientConnectionsTest, ContextKeysReadBackWhatWasSet) {
  DirContext ctx = Start();
  std::uint32_t flags = 0;
  char text[kMaxNameBytes];
  ASSERT_EQ(client->GetContextValue(ctx, kKeyFlags, &flags), 0);
  EXPECT_EQ(flags, kFlagDerefAliases | kFlagTypelessNames);
  ASSERT_EQ(client->GetContextValue(ctx, kKeyNameContext, text), 0);
  EXPECT_STREQ(text, "[Root]");
  ASSERT_EQ(client->GetContextValue(ctx, kKeyTreeName, text), 0);
  EXPECT_STREQ(text, "ACME");

  flags = kFlagTypelessNames | kFlagCanonicalize;
  std::uint32_t setting = 0;
  ASSERT_EQ(client->SetContextValue(ctx, kKeyFlags, &flags), 0);
  ASSERT_EQ(client->SetContextValue(ctx, kKeySetting, &setting), 0);
  SetNameContext(ctx, "Sales.ACME");
  DirContext copy = kNoContext;
  ASSERT_EQ(client->DuplicateContext(ctx, &copy), 0);
  SetNameContext(ctx, "ACME");
  std::uint32_t copied = 0;
  ASSERT_EQ(client->GetContextValue(copy, kKeyFlags, &copied), 0);
  EXPECT_EQ(copied, kFlagTypelessNames | kFlagCanonicalize);
  ASSERT_EQ(client->GetContextValue(copy, kKeyNameContext, text), 0);
  EXPECT_STREQ(text, "Sales.ACME");  // the copy keeps its own values

  EXPECT_EQ(client->GetContextValue(ctx, 7, text), kErrBadKey);
  EXPECT_EQ(client->SetContextValue(ctx, kKeyNameContext, "a..b"), kErrBadName);
  EXPECT_EQ(client->SetContextValue(ctx, kKeyTreeName, "NOWHERE"), kErrBadName);
  ASSERT_EQ(client->GetContextValue(ctx, kKeyNameContext, text), 0);
  EXPECT_STREQ(text, "ACME");
  EXPECT_EQ(client->GetContextValue(999, kKeyFlags, &flags), kErrBadContext);

  // Another tree (any letter case): the name context starts at the top again.
  ASSERT_EQ(client->SetContextValue(ctx, kKeyTreeName, "lab"), 0);
  ASSERT_EQ(client->GetContextValue(ctx, kKeyTreeName, text), 0);
  EXPECT_STREQ(text, "LAB");
  ASSERT_EQ(client->GetContextValue(ctx, kKeyNameContext, text), 0);
  EXPECT_STREQ(text, "[Root]");
}

TEST_F(ClientConnectionsTest, LoginNamesFollowTheTypelessFlagAndOpenTheTreeOnDemand) {
  DirContext ctx = Start();
  char name[kWhoAmIBytes];
  ASSERT_EQ(client->WhoAmI(ctx, name), 0);
  EXPECT_STREQ(name, "Admin.ACME");
  ASSERT_EQ(client->GetDefaultNameContext(ctx, kMaxNameBytes, name), 0);
  EXPECT_STREQ(name, "ACME");
  EXPECT_EQ(client->GetDefaultNameContext(ctx, 4, name), kErrBadArgument);
  std::uint32_t flags = kFlagDerefAliases;
  ASSERT_EQ(client->SetContextValue(ctx, kKeyFlags, &flags), 0);
  ASSERT_EQ(client->WhoAmI(ctx, name), 0);
  EXPECT_STREQ(name, "CN=Admin.O=ACME");
  EXPECT_EQ(opens, 1);
  ASSERT_EQ(client->SetContextValue(ctx, kKeyTreeName, "LAB"), 0);
  ASSERT_EQ(client->WhoAmI(ctx, name), 0);
  EXPECT_STREQ(name, "CN=Admin.O=LAB");
  EXPECT_EQ(opens, 2);
}

TEST_F(ClientConnectionsTest, PreferredTreeChoosesTheTreeOfNewContexts) {
  Start();
  EXPECT_EQ(client->SetPreferredTree(3, "LAB"), kErrBadArgument);  // no terminating zero within length
  EXPECT_EQ(client->SetPreferredTree(5, "MARS"), kErrBadName);
  ASSERT_EQ(client->SetPreferredTree(4, "lab"), 0);
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  char text[kMaxNameBytes];
  ASSERT_EQ(client->GetContextValue(ctx, kKeyTreeName, text), 0);
  EXPECT_STREQ(text, "LAB");
}

}  // namespace
}  // namespace recast::client::testing
