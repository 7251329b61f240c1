// The layer over the real client and a purpose-built embedded store: the algorithms meet the
// client's real replies, batching, value records, names and enforcement.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "directory/Directory.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/embedded/StoreCreator.h"
#include "tests/directory/support/ScopedEnvironment.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

constexpr int kManyUsers = 1500;
constexpr std::size_t kPhotoBytes = 70 * 1024;  // more than one reply holds

// The hex text of count bytes counting up from 0.
std::string CountingHex(std::size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (std::size_t i = 0; i < count; ++i) {
    hex += kDigits[(i & 0xFF) >> 4];
    hex += kDigits[i & 0x0F];
  }
  return hex;
}

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "recast-directory-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string TreeData() {
  std::string text =
      "tree: RECAST_TEST\nschema: classic\n\n"
      "login: CN=Admin.O=Test\nrights: write\n\n"
      "entry: O=Test\nclass: Organization\n\n"
      "entry: OU=Many.O=Test\nclass: Organizational Unit\n\n"
      "entry: OU=Empty.O=Test\nclass: Organizational Unit\n\n"
      "entry: CN=Admin.O=Test\nclass: User\nSurname: Admin\n\n"
      "entry: CN=Clerk.O=Test\nclass: User\nSurname: Clerk\nTitle: Scribe\n"
      "Telephone Number: 555 0101\nTelephone Number: 555 0102\n"
      "Postal Address: Line 1;Line 2\n"
      "Network Address: 1;0A00000101BB\n"
      // "WRITE \"Hi\"\r\n"
      "Login Script:: V1JJVEUgIkhpIg0K\n"
      "Language: English;German\n"
      "EMail Address: 0;clerk@test.example\n"
      "Home Directory: 0;FS1_SYS;HOME\\CLERK\n"
      "Login Disabled: FALSE\n"
      "Password Minimum Length: 8\n"
      "Last Login Time: 2024-05-02T07:30:00Z\n"
      "Server Holds: CN=Admin.O=Test;250\n"
      "ACL: [Entry Rights];CN=Admin.O=Test;0x1F\n"
      "ACL: Telephone Number;[Root];0x43\n"
      "Public Key:: AQABAAAIAACgoaKjpKWmp6ipqqusrTAAAABBAEMATQBFACAATwByAGcAYQBuAGkA"
      "egBhAHQAaQBvAG4AYQBsACAAQwBBAAAA\n\n"
      "entry: CN=Clerk Alias.O=Test\nclass: Alias\nAliased Object Name: CN=Clerk.O=Test\n\n"
      "entry: CN=Photo.O=Test\nclass: User\nSurname: Photo\n"
      "Certificate List: " +
      CountingHex(kPhotoBytes) + "\nCertificate List: 0A0B0C\n\n";
  for (int i = 0; i < kManyUsers; ++i) {
    text += "entry: CN=User" + std::to_string(10000 + i) + ".OU=Many.O=Test\nclass: User\nSurname: S\n\n";
  }
  return text;
}

class EmbeddedDirectoryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<TempFolder>();
    const auto data = folder_->path() / "tree.txt";
    std::ofstream(data) << TreeData();
    embedded::LoadError error;
    const DirStatus status =
        embedded::CreateStoreFromData({RECAST_SCHEMA_FILE, data}, folder_->path() / "test.db", &error);
    ASSERT_EQ(status, 0) << error.Text();
    std::ofstream(folder_->path() / "connections.ini")
        << "[Main]\nTree=RECAST_TEST\nService=test.db\nLogin=CN=Admin.O=Test\nPrimary=1\n";
  }
  static void TearDownTestSuite() { folder_.reset(); }

  EmbeddedDirectoryTest() {
    client::ClientOptions options;
    options.configFile = folder_->path() / "connections.ini";
    options.dataFolder = folder_->path() / "data";
    client = client::CreateDirectoryClient(options);
    session = std::make_unique<DirectorySession>(*client, ui, RECAST_ERRTEXT_LIBRARY);
  }

  // Start-up as the window does it: connection, context, tree, flags.
  DirContext Start() {
    EXPECT_EQ(InitNetWare(*session), 0);
    DirContext ctx = kNoContext;
    EXPECT_EQ(client->CreateContext(&ctx), 0);
    EXPECT_EQ(SetTree(*session, ctx, GetPrimaryTreeName(*session), false), 0);
    ChangeContextFlags(*session, ctx, '+', kFlagTypelessNames);
    contexts.push_back(ctx);
    return ctx;
  }

  ~EmbeddedDirectoryTest() override {
    for (DirContext ctx : contexts) client->FreeContext(ctx);
  }

  std::string Value(DirContext ctx, std::string_view object, std::string_view attr, DirStatus* status = nullptr) {
    std::string text;
    const DirStatus s = GetAttributeValueText(*session, ctx, object, attr, &text);
    if (status != nullptr) *status = s;
    return text;
  }

  static std::unique_ptr<TempFolder> folder_;
  ScriptedUserInterface ui;
  std::unique_ptr<DirectoryClient> client;
  std::unique_ptr<DirectorySession> session;
  std::vector<DirContext> contexts;
};

std::unique_ptr<TempFolder> EmbeddedDirectoryTest::folder_;

TEST_F(EmbeddedDirectoryTest, StartUpTreesAndContainerWalk) {
  const DirContext ctx = Start();
  EXPECT_TRUE(ui.messages().empty());
  VectorTaggedList trees;
  EnumerateTrees(*session, trees);
  EXPECT_EQ(trees.Texts(), (std::vector<std::string>{"RECAST_TEST"}));
  EXPECT_EQ(GetMyName(*session, ctx).empty(), false);

  const std::string top = AddLeadingDot(GetNameContext(*session, ctx));
  VectorTaggedList containers, objects;
  ListContainerContents(*session, ctx, top, &containers, &objects, {}, true);
  std::vector<std::string> names = containers.Texts();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Empty", "Many"}));
  EXPECT_GE(objects.IndexOf("User: Clerk"), 0);
  EXPECT_GE(objects.IndexOf("Alias: Clerk Alias"), 0);
  EXPECT_GE(objects.IndexOf("Organizational Unit: Many"), 0);

  // Into the big container: every entry, across many 4096-byte replies.
  const std::string many = ComposeContainerName(top, "Many");
  EXPECT_EQ(SetNameContext(*session, ctx, many), 0);
  containers.Clear();
  objects.Clear();
  ListContainerContents(*session, ctx, AddLeadingDot(GetNameContext(*session, ctx)), &containers, &objects, {}, true);
  EXPECT_EQ(objects.Count(), kManyUsers);
  EXPECT_EQ(containers.Count(), 0);
  EXPECT_GE(objects.IndexOf("User: User10000"), 0);
  EXPECT_GE(objects.IndexOf("User: User" + std::to_string(10000 + kManyUsers - 1)), 0);
  EXPECT_GT(ui.processPendingCount(), kManyUsers);

  // Back up, and into the empty one.
  EXPECT_EQ(ComposeContainerName(AddLeadingDot(GetNameContext(*session, ctx)), "[ .. ]"), StripLeadingDot(top));
  objects.Clear();
  ListContainerContents(*session, ctx, ComposeContainerName(top, "Empty"), &containers, &objects, {}, true);
  EXPECT_EQ(objects.Count(), 0);

  // "[Root]" lists the top of the tree.
  objects.Clear();
  ListContainerContents(*session, ctx, "[Root]", nullptr, &objects, {}, false);
  EXPECT_EQ(objects.Texts(), (std::vector<std::string>{"Test"}));
}

TEST_F(EmbeddedDirectoryTest, SchemaReads) {
  const DirContext ctx = Start();
  VectorTaggedList classes;
  EXPECT_EQ(ListClassNames(*session, ctx, classes), 0);
  EXPECT_GE(classes.IndexOf("User"), 0);
  EXPECT_GE(classes.IndexOf("Alias"), 0);
  EXPECT_GT(classes.Count(), 10);

  VectorTaggedList user;
  EXPECT_EQ(ReadClassAttributes(*session, ctx, "user", user), 0);
  ASSERT_GE(user.IndexOf("Surname"), 0);
  EXPECT_EQ(user.Tag(user.IndexOf("Surname")), 3);       // inherited mandatory
  EXPECT_EQ(user.Tag(user.IndexOf("Login Script")), 4);  // own optional
  EXPECT_EQ(user.Tag(user.IndexOf("Telephone Number")), 4);
  EXPECT_EQ(user.Tag(user.IndexOf("Object Class")), 3);  // from Top
  for (int i = 0; i < user.Count(); ++i) EXPECT_EQ(user.IndexOf(user.Text(i)), i) << user.Text(i);
  bool optionalSeen = false;
  for (int i = 0; i < user.Count(); ++i) {
    if (user.Tag(i) == 4) optionalSeen = true;
    EXPECT_FALSE(optionalSeen && user.Tag(i) == 3) << "mandatory after optional: " << user.Text(i);
  }

  VectorTaggedList missing;
  EXPECT_EQ(ReadClassAttributes(*session, ctx, "No Such Class", missing), kErrNoSuchClass);
  EXPECT_EQ(missing.Count(), 0);

  VectorTaggedList all;
  EXPECT_EQ(ReadClassOrSchemaAttributes(*session, ctx, "*", all), 0);
  EXPECT_GT(all.Count(), user.Count());
  EXPECT_GE(all.IndexOf("App:Macros"), 0);

  std::string text;
  EXPECT_EQ(DescribeAttribute(*session, ctx, "Surname", &text), 0);
  EXPECT_EQ(text, "CI_STRING [Sized (1-64)\\String]");
  EXPECT_EQ(DescribeAttribute(*session, ctx, "Login Script", &text), 0);
  EXPECT_EQ(text, "STREAM [SglVal]");
  EXPECT_EQ(DescribeAttribute(*session, ctx, "No Such Attribute", &text), kErrNoSuchAttribute);
  EXPECT_EQ(text, "");
}

TEST_F(EmbeddedDirectoryTest, ValuesOfEveryKindRead) {
  const DirContext ctx = Start();
  EXPECT_EQ(Value(ctx, "Clerk", "Telephone Number"), "555 0101\r\n555 0102");
  EXPECT_EQ(Value(ctx, "Clerk", "Postal Address"), "Line 1\r\nLine 2");
  EXPECT_EQ(Value(ctx, "Clerk", "network address"), "(1) 10.0.0.1:443");
  EXPECT_EQ(Value(ctx, "Clerk", "Login Script"), "Stream (12 bytes):\r\nWRITE \"Hi\"");  // trailing line break trimmed
  DirStatus status = 0;
  EXPECT_EQ(Value(ctx, "Clerk", "Description", &status), "");
  EXPECT_EQ(status, kErrNoSuchAttribute);
  EXPECT_EQ(Value(ctx, "Nobody", "Surname", &status), "");
  EXPECT_EQ(status, kErrNoSuchEntry);

  const std::pair<const char*, std::string> records[] = {
      {"Language", "English\r\nGerman"},
      {"EMail Address", "clerk@test.example"},
      {"Home Directory", "(0) FS1_SYS:HOME\\CLERK"},
      {"Login Disabled", "FALSE"},
      {"Password Minimum Length", "8"},
      {"Last Login Time", "05/02/24 07:30:00"},
      {"Server Holds", "CN=Admin.O=Test (250)"},
      {"ACL", "[BCDRAI] CN=Admin.O=Test / \"[Entry Rights]\"\r\n[CR    ] [Root] / \"Telephone Number\""},
      {"Public Key", "[10001,800,A0A1A2A3A4A5A6A7A8A9AAABACAD,30] ACME Organizational CA"},
  };
  {
    testing::ScopedEnvironment utc{{"TZ", "UTC"}, {"LC_ALL", "C"}};
    for (const auto& [attr, expected] : records) EXPECT_EQ(Value(ctx, "Clerk", attr), expected) << attr;
  }

  VectorTaggedList classes;
  EXPECT_EQ(ReadAttributeValues(*session, ctx, "Clerk", "Object Class", classes), 0);
  EXPECT_GE(classes.IndexOf("User"), 0);
}

TEST_F(EmbeddedDirectoryTest, ValuesLargerThanOneReplyAreReadWhole) {
  const DirContext ctx = Start();
  DirStatus status = -1;
  const std::string text = Value(ctx, "Photo", "Certificate List", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(text, CountingHex(kPhotoBytes) + "\r\n0A0B0C");
}

TEST_F(EmbeddedDirectoryTest, AliasReadsItsOwnTargetNameWithoutChangingTheContext) {
  const DirContext ctx = Start();
  std::uint32_t flagsBefore = 0;
  ASSERT_EQ(client->GetContextValue(ctx, kKeyFlags, &flagsBefore), 0);
  ASSERT_NE(flagsBefore & kFlagDerefAliases, 0u);

  const std::string target = Value(ctx, "Clerk Alias", "ALIASED OBJECT NAME");
  EXPECT_NE(target.find("Clerk"), std::string::npos) << target;
  // Other attributes follow the alias, as the context says.
  EXPECT_EQ(Value(ctx, "Clerk Alias", "Surname"), "Clerk");

  std::uint32_t flagsAfter = 0;
  ASSERT_EQ(client->GetContextValue(ctx, kKeyFlags, &flagsAfter), 0);
  EXPECT_EQ(flagsAfter, flagsBefore);
}

TEST_F(EmbeddedDirectoryTest, AttributeRemovalAndValueChanges) {
  const DirContext ctx = Start();
  EXPECT_EQ(Value(ctx, "Admin", "Title", nullptr), "");
  // A value added to an attribute the object does not have.
  const char title[] = "Keeper";
  EXPECT_EQ(ModifyAttribute(*session, ctx, "Admin", "Title", nullptr, title, kChangeAddValue), 0);
  EXPECT_EQ(Value(ctx, "Admin", "Title"), "Keeper");
  // The same value again: a duplicate, which counts as done.
  EXPECT_EQ(ModifyAttribute(*session, ctx, "Admin", "Title", nullptr, title, kChangeAddValue), 0);
  // Replace all values by one, in one request.
  const char other[] = "Warden";
  EXPECT_EQ(ModifyAttribute(*session, ctx, "Admin", "Title", nullptr, other, kChangeReplaceAll), 0);
  EXPECT_EQ(Value(ctx, "Admin", "Title"), "Warden");
  // Remove it as the conflict deletion does.
  EXPECT_EQ(ModifyAttribute(*session, ctx, "Admin", "Title", nullptr, nullptr, kChangeRemoveAttribute), 0);
  DirStatus status = 0;
  EXPECT_EQ(Value(ctx, "Admin", "Title", &status), "");
  EXPECT_EQ(status, kErrNoSuchAttribute);
  // Unknown attribute: refused before anything is sent.
  EXPECT_EQ(ModifyAttribute(*session, ctx, "Admin", "No Such", nullptr, nullptr, kChangeRemoveAttribute),
            kErrNoSuchAttribute);
  // A mandatory attribute cannot go.
  const DirStatus mandatory =
      ModifyAttribute(*session, ctx, "Admin", "Surname", nullptr, nullptr, kChangeRemoveAttribute);
  EXPECT_EQ(mandatory, kErrMissingMandatory) << DirErrorText(*session, mandatory);
  EXPECT_EQ(Value(ctx, "Admin", "Surname"), "Admin");
}

TEST_F(EmbeddedDirectoryTest, StatusTextsFromTheClientsErrorTextLibrary) {
  const std::string text = DirErrorText(*session, kErrNoSuchAttribute);
  EXPECT_TRUE(text.starts_with("0xFFFFFDA5 (")) << text;
  EXPECT_GT(text.size(), std::string("0xFFFFFDA5 ()").size()) << text;
  EXPECT_EQ(DirErrorText(*session, 0x12345), "0x12345 ()");
}

}  // namespace
}  // namespace recast
