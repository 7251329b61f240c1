// The directory client over the LDAP service, against slapd: what the window does.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapStatus.h"
#include "platform/ldap/Ldif.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"
#include "util/Base64.h"

namespace recast::ldap::testing {
namespace {

constexpr int kEntries = 2500;

// A photo larger than one reply buffer holds.
std::string Photo() {
  std::string bytes(70 * 1024, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7);
  return bytes;
}

std::string Seed() {
  std::string ldif =
      "dn: cn=Clerk,ou=Sales,o=Org\nobjectClass: organizationalPerson\ncn: Clerk\nsn: Clerk\n"
      "telephoneNumber: 555 0101\ntelephoneNumber: 555 0102\n\n"
      "dn: cn=Photo,ou=Sales,o=Org\nobjectClass: inetOrgPerson\ncn: Photo\nsn: Photo\n"
      "jpegPhoto:: " +
      Base64Encode(Photo()) +
      "\n\n"
      "dn: ou=Many,o=Org\nobjectClass: organizationalUnit\nou: Many\n\n";
  for (int i = 0; i < kEntries; ++i) {
    ldif += "dn: cn=m" + std::to_string(i) + ",ou=Many,o=Org\nobjectClass: person\ncn: m" + std::to_string(i) +
            "\nsn: S\n\n";
  }
  return ldif;
}

class LdapClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    server_ = SlapdServer::Start(Seeded(Seed()), &error);
    ASSERT_NE(server_, nullptr) << error;
  }

  // A client whose one (primary) connection is the test server, logged in as login.
  std::unique_ptr<DirectoryClient> MakeClient(const char* login, const std::string& extra = "", bool open = true) {
    const auto folder = server_->Directory();
    const auto passwordFile = server_->PasswordFile("client-password", kPassword, 0600);
    std::ofstream(folder / "connections.ini")
        << "[Ldap]\nTree=LDAP_TREE\nService=" << server_->Url() << "\nLogin=" << login
        << "\nPasswordFile=" << passwordFile.string() << "\nPrimary=1\n"
        << extra;
    client::ClientOptions options;
    options.configFile = folder / "connections.ini";
    options.dataFolder = folder / "data";
    options.openers[std::string(client::kLdapServiceKind)] = OpenLdapService;
    auto client = client::CreateDirectoryClient(options);
    EXPECT_EQ(client->InitClient(0, 0), 0);
    if (!open) return client;
    ConnRef ref = 0;
    EXPECT_EQ(client->GetPrimaryConnectionRef(&ref), 0);
    ConnHandle connection = 0;
    EXPECT_EQ(client->OpenConnectionByRef(ref, 1, 0, &connection), 0);
    return client;
  }

  std::unique_ptr<SlapdServer> server_;
};

TEST_F(LdapClientTest, ListsALargeContainerBatchByBatch) {
  auto client = MakeClient(kReaderDn);
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  char context[kMaxNameBytes] = {};
  ASSERT_EQ(client->GetDefaultNameContext(ctx, sizeof context, context), 0);
  EXPECT_STREQ(context, "Org");  // contexts start typeless

  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  IterationHandle iteration = kNoIteration;
  std::set<std::string> names;
  int batches = 0;
  do {
    ASSERT_EQ(client->ListSubordinates(ctx, ".OU=Many.O=Org", &iteration, reply), 0);
    std::uint32_t count = 0;
    ASSERT_EQ(client->GetObjectCount(ctx, reply, &count), 0);
    for (std::uint32_t i = 0; i < count; ++i) {
      char name[kMaxNameBytes] = {};
      std::uint32_t attrCount = 0;
      ObjectInfo info;
      ASSERT_EQ(client->GetObjectName(ctx, reply, name, &attrCount, &info), 0);
      EXPECT_STREQ(info.baseClass, "person");
      names.insert(name);
    }
    ++batches;
  } while (iteration != kNoIteration && batches < 10000);
  EXPECT_EQ(names.size(), static_cast<std::size_t>(kEntries));
  EXPECT_GT(batches, 1);
  EXPECT_EQ(client->FreeBuffer(reply), 0);
  EXPECT_EQ(client->FreeContext(ctx), 0);
}

TEST_F(LdapClientTest, ReadsValuesAndChangesTheClass) {
  auto client = MakeClient(kRootDn, "RelaxRules=yes\n");
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "telephoneNumber"), 0);
  IterationHandle iteration = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".CN=Clerk.OU=Sales.O=Org", kObjectInfoValues, false, request, &iteration, reply),
            0);
  std::uint32_t attrs = 0, values = 0, syntax = 0;
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  ASSERT_EQ(attrs, 1u);
  char name[kMaxSchemaNameBytes] = {};
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &values, &syntax), 0);
  EXPECT_STREQ(name, "telephoneNumber");
  EXPECT_EQ(syntax, kSynTelNumber);
  EXPECT_EQ(values, 2u);

  ASSERT_EQ(client->NWDSMutateObject(ctx, ".CN=Clerk.OU=Sales.O=Org", "inetOrgPerson", 0), 0);
  ASSERT_EQ(client->GetSyntaxId(ctx, "objectClass", &syntax), 0);
  EXPECT_EQ(syntax, kSynClassName);
  bool changed = false;
  for (const auto& [attr, vals] : RawEntry(*server_, "cn=Clerk,ou=Sales,o=Org", true).attributes) {
    if (attr == "structuralObjectClass") changed = vals == std::vector<std::string>{"inetOrgPerson"};
  }
  EXPECT_TRUE(changed);
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
  client->FreeContext(ctx);
}

TEST_F(LdapClientTest, AConnectionThatCannotBeOpenedIsTriedOncePerAction) {
  server_->Stop();
  auto client = MakeClient(kReaderDn, "Timeout=1\n", false);
  ConnRef ref = 0;
  ASSERT_EQ(client->GetPrimaryConnectionRef(&ref), 0);
  ConnHandle connection = 0;
  EXPECT_EQ(client->OpenConnectionByRef(ref, 1, 0, &connection), kConnServiceUnavailable);
  std::string error;
  ASSERT_TRUE(server_->Restart(&error)) << error;
  EXPECT_EQ(client->OpenConnectionByRef(ref, 1, 0, &connection), kConnServiceUnavailable);  // not tried again
  client->BeginUserAction();
  EXPECT_EQ(client->OpenConnectionByRef(ref, 1, 0, &connection), 0);
}

TEST_F(LdapClientTest, APhotoLargerThanOneReplyIsReadWhole) {
  auto client = MakeClient(kReaderDn);
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "jpegPhoto"), 0);
  IterationHandle iteration = kNoIteration;
  ASSERT_EQ(client->ReadObject(ctx, ".CN=Photo.OU=Sales.O=Org", kObjectInfoValues, false, request, &iteration, reply),
            0);
  std::uint32_t attrs = 0, values = 0, syntax = 0, size = 0;
  char name[kMaxSchemaNameBytes] = {};
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &attrs), 0);
  ASSERT_EQ(client->GetAttrName(ctx, reply, name, &values, &syntax), 0);
  ASSERT_EQ(values, 1u);
  ASSERT_EQ(client->ComputeAttrValSize(ctx, reply, syntax, &size), 0);
  std::vector<std::uint64_t> block(size / sizeof(std::uint64_t) + 1);  // record alignment
  ASSERT_EQ(client->GetAttrVal(ctx, reply, syntax, block.data()), 0);
  const auto* photo = reinterpret_cast<const OctetStringValue*>(block.data());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(photo->data), photo->length), Photo());
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
  client->FreeContext(ctx);
}

TEST_F(LdapClientTest, TheRefusedChangeComesBackWithItsStatus) {
  auto client = MakeClient(kWriterDn);
  DirContext ctx = kNoContext;
  ASSERT_EQ(client->CreateContext(&ctx), 0);
  EXPECT_EQ(client->NWDSMutateObject(ctx, ".CN=Clerk.OU=Sales.O=Org", "inetOrgPerson", 0),
            kErrLdapObjectClassModsProhibited);
  client->FreeContext(ctx);
}

}  // namespace
}  // namespace recast::ldap::testing
