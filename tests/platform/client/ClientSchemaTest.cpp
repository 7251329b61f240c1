// Schema reads: batches, expanded definitions, request buffers.
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "platform/client/ClientStatus.h"

namespace recast::client::testing {
namespace {

class ClientSchemaTest : public ClientTest {
 protected:
  // All class names (information type 3) through replies of bufferSize bytes.
  std::vector<std::string> ClassNames(DirContext ctx, std::uint32_t bufferSize, int* passes) {
    std::vector<std::string> names;
    DirBuffer request = kNoBuffer, reply = kNoBuffer;
    EXPECT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client->InitBuffer(ctx, kOpReadClassDef, request), 0);
    EXPECT_EQ(client->AllocBuffer(bufferSize, &reply), 0);
    IterationHandle handle = kNoIteration;
    *passes = 0;
    do {
      if (client->ReadClassDef(ctx, kClassInfoNames, true, request, &handle, reply) != 0) break;
      ++*passes;
      std::uint32_t n = 0;
      EXPECT_EQ(client->GetClassDefCount(ctx, reply, &n), 0);
      for (std::uint32_t i = 0; i < n; ++i) {
        char name[kMaxSchemaNameBytes];
        ClassInfo info;
        EXPECT_EQ(client->GetClassDef(ctx, reply, name, &info), 0);
        names.push_back(name);
      }
    } while (handle != kNoIteration);
    client->FreeBuffer(request);
    client->FreeBuffer(reply);
    return names;
  }

  // The expanded definition's five item lists.
  DirStatus Expanded(DirContext ctx, const char* className, std::vector<std::vector<std::string>>* lists,
                     ClassInfo* info = nullptr) {
    DirBuffer request = kNoBuffer, reply = kNoBuffer;
    EXPECT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
    EXPECT_EQ(client->InitBuffer(ctx, kOpReadClassDef, request), 0);
    EXPECT_EQ(client->PutClassName(ctx, request, className), 0);
    EXPECT_EQ(client->AllocBuffer(kMaxBufferSize, &reply), 0);
    IterationHandle handle = kNoIteration;
    DirStatus s = client->ReadClassDef(ctx, kClassInfoExpanded, false, request, &handle, reply);
    if (s == 0) {
      EXPECT_EQ(handle, kNoIteration);
      std::uint32_t n = 0;
      char name[kMaxSchemaNameBytes];
      ClassInfo read;
      EXPECT_EQ(client->GetClassDefCount(ctx, reply, &n), 0);
      EXPECT_EQ(n, 1u);
      EXPECT_EQ(client->GetClassDef(ctx, reply, name, &read), 0);
      if (info != nullptr) *info = read;
      lists->assign(5, {});
      for (int kind = 0; kind < 5; ++kind) {
        std::uint32_t m = 0;
        EXPECT_EQ(client->GetClassItemCount(ctx, reply, &m), 0);
        for (std::uint32_t j = 0; j < m; ++j) {
          EXPECT_EQ(client->GetClassItem(ctx, reply, name), 0);
          (*lists)[kind].push_back(name);
        }
      }
    }
    client->FreeBuffer(request);
    client->FreeBuffer(reply);
    return s;
  }
};

TEST_F(ClientSchemaTest, ClassNamesArriveInServiceOrderAcrossSmallReplies) {
  DirContext ctx = Start();
  int passes = 0;
  const std::vector<std::string> expected = {"Top",   "Organization", "Organizational Unit", "Person", "User",
                                             "Group", "Alias"};
  EXPECT_EQ(ClassNames(ctx, kDefaultBufferSize, &passes), expected);
  EXPECT_EQ(passes, 1);
  EXPECT_EQ(ClassNames(ctx, 100, &passes), expected);
  EXPECT_GT(passes, 3);
  EXPECT_EQ(services["ACME"]->readSchemaCalls(), 1u);  // read once, kept
}

TEST_F(ClientSchemaTest, ExpandedDefinitionIncludesWhatTheClassInherits) {
  DirContext ctx = Start();
  std::vector<std::vector<std::string>> lists;
  ClassInfo info;
  ASSERT_EQ(Expanded(ctx, "user", &lists, &info), 0);
  EXPECT_EQ(info.classFlags, kClassEffective);
  EXPECT_EQ(lists[kItemSuperClasses], (std::vector<std::string>{"Person", "Top"}));
  EXPECT_EQ(lists[kItemContainmentClasses], (std::vector<std::string>{"Organization", "Organizational Unit"}));
  EXPECT_EQ(lists[kItemMandatoryAttributes], (std::vector<std::string>{"CN", "Surname", "Object Class"}));
  // Own first, then inherited; "Description" (own and Top's) once.
  EXPECT_EQ(lists[kItemOptionalAttributes], (std::vector<std::string>{"Login Disabled", "Login Script", "Description",
                                                                      "Telephone Number", "Postal Address"}));
  EXPECT_EQ(Expanded(ctx, "Martian", &lists), kErrNoSuchClass);
}

TEST_F(ClientSchemaTest, RequestsMustBePreparedForTheirOperationAndFitTheirBuffer) {
  DirContext ctx = Start();
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  EXPECT_EQ(client->PutClassName(ctx, request, "User"), kErrBadVerb);  // not prepared
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadAttrDef, request), 0);
  EXPECT_EQ(client->PutClassName(ctx, request, "User"), kErrBadVerb);
  EXPECT_EQ(client->InitBuffer(ctx, 4, request), kErrBadArgument);
  IterationHandle handle = kNoIteration;
  EXPECT_EQ(client->ReadClassDef(ctx, kClassInfoExpanded, false, request, &handle, reply), kErrBadVerb);
  EXPECT_EQ(client->PutAttrName(ctx, request, std::string(40, 'x').c_str()), kErrBadArgument);

  // Names up to the last that fits; the one that does not fit leaves the request as it was.
  int put = 0;
  DirStatus s = 0;
  while ((s = client->PutAttrName(ctx, request, "Telephone Number")) == 0) ++put;
  EXPECT_EQ(s, kErrBufferFull);
  EXPECT_EQ(put, static_cast<int>(kDefaultBufferSize / 18));
  ASSERT_EQ(client->ReadAttrDef(ctx, kAttrInfoDefinitions, false, request, &handle, reply), 0);
  std::uint32_t total = 0;
  for (;;) {
    std::uint32_t n = 0;
    ASSERT_EQ(client->GetAttrCount(ctx, reply, &n), 0);
    total += n;
    if (handle == kNoIteration) break;
    ASSERT_EQ(client->ReadAttrDef(ctx, kAttrInfoDefinitions, false, request, &handle, reply), 0);
  }
  EXPECT_EQ(total, static_cast<std::uint32_t>(put));
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
}

TEST_F(ClientSchemaTest, AttributeDefinitionsAndSyntaxes) {
  DirContext ctx = Start();
  DirBuffer request = kNoBuffer, reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &request), 0);
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadAttrDef, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "surname"), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ReadAttrDef(ctx, kAttrInfoDefinitions, false, request, &handle, reply), 0);
  std::uint32_t n = 0;
  char name[kMaxSchemaNameBytes];
  AttrInfo info;
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &n), 0);
  ASSERT_EQ(client->GetAttrDef(ctx, reply, name, &info), 0);
  EXPECT_STREQ(name, "Surname");
  EXPECT_EQ(info.syntaxId, kSynCiString);
  EXPECT_EQ(info.attrFlags, kAttrSingleValued);

  // Names only, all of them, without a request buffer.
  ASSERT_EQ(client->ReadAttrDef(ctx, kAttrInfoNames, true, kNoBuffer, &handle, reply), 0);
  ASSERT_EQ(client->GetAttrCount(ctx, reply, &n), 0);
  EXPECT_EQ(n, SmallSchema().attributes.size());
  ASSERT_EQ(client->GetAttrDef(ctx, reply, name, nullptr), 0);
  EXPECT_STREQ(name, "Object Class");

  ASSERT_EQ(client->InitBuffer(ctx, kOpReadAttrDef, request), 0);
  ASSERT_EQ(client->PutAttrName(ctx, request, "Shoe Size"), 0);
  EXPECT_EQ(client->ReadAttrDef(ctx, kAttrInfoDefinitions, false, request, &handle, reply), kErrNoSuchAttribute);

  std::uint32_t syntax = 99;
  ASSERT_EQ(client->GetSyntaxId(ctx, "login disabled", &syntax), 0);
  EXPECT_EQ(syntax, kSynBoolean);
  EXPECT_EQ(client->GetSyntaxId(ctx, "Shoe Size", &syntax), kErrNoSuchAttribute);
  EXPECT_EQ(syntax, kSynBoolean);
  client->FreeBuffer(request);
  client->FreeBuffer(reply);
}

}  // namespace
}  // namespace recast::client::testing
