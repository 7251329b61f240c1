#include <gtest/gtest.h>

#include "directory/AttributeDefinitions.h"
#include "directory/ClassDefinitions.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using testing::ScriptedClient;

class SchemaTest : public ::testing::Test {
 protected:
  SchemaTest() : session(client, ui, "/nonexistent.so") {
    ctx = client.NewContext();
    ScriptedClient::ClassDef user{"User", kClassEffective, {}};
    user.items[kItemSuperClasses] = {"Organizational Person"};
    user.items[kItemContainmentClasses] = {"Organization"};
    user.items[kItemNamingAttributes] = {"CN"};
    // Expanded: inherited ones included, one name both mandatory and optional, one twice.
    user.items[kItemMandatoryAttributes] = {"CN", "Object Class", "Surname"};
    user.items[kItemOptionalAttributes] = {"surname", "Login Disabled", "Title", "LOGIN DISABLED"};
    ScriptedClient::ClassDef top{"Top", kClassNonRemovable, {}};
    top.items[kItemMandatoryAttributes] = {"Object Class"};
    ScriptedClient::ClassDef empty{"Empty", 0, {}};
    client.classes = {user, top, empty, {"Alias", 0, {}}, {"Printer", kClassEffective | kClassContainer, {}}};
    client.classesPerReply = 2;
    client.attributes = {
        {"CN", {kAttrSized, kSynCiString, 1, 64, {}}},
        {"Surname", {kAttrSingleValued | kAttrSized, kSynCiString, 4, 4, {}}},
        {"Object Class", {kAttrSyncImmediate | kAttrPerReplica, kSynClassName, 0, 0, {}}},
        {"Title", {0, kSynCiString, 0, 0, {}}},
    };
    client.attributesPerReply = 3;
  }

  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
  DirContext ctx = kNoContext;
  VectorTaggedList list;
};

TEST_F(SchemaTest, ListClassNamesReadsEveryReplyWithFlags) {
  EXPECT_EQ(ListClassNames(session, ctx, list), 0);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"User", "Top", "Empty", "Alias", "Printer"}));
  EXPECT_EQ(list.Tag(4), static_cast<std::int32_t>(kClassEffective | kClassContainer));
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kDefaultBufferSize, kDefaultBufferSize}));
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(SchemaTest, ListClassNamesStopsAtAFailedPassAndKeepsWhatCame) {
  client.FailNext("ReadClassDef", {0, kErrNoAccess});
  EXPECT_EQ(ListClassNames(session, ctx, list), kErrNoAccess);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"User", "Top"}));

  VectorTaggedList none;
  client.FailNext("AllocBuffer", {kErrNotEnoughMemory});
  EXPECT_EQ(ListClassNames(session, ctx, none), kErrNotEnoughMemory);
  EXPECT_EQ(none.Count(), 0);
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(SchemaTest, ClassAttributesAreMandatoryFirstWithoutDuplicatesInAnyCase) {
  list.Add("title", 0);  // already present before the call
  EXPECT_EQ(ReadClassAttributes(session, ctx, "user", list), 0);
  const std::vector<std::pair<std::string, int>> expected = {
      {"title", 0}, {"CN", 3}, {"Object Class", 3}, {"Surname", 3}, {"Login Disabled", 4}};
  ASSERT_EQ(list.Count(), static_cast<int>(expected.size()));
  for (int i = 0; i < list.Count(); ++i) {
    EXPECT_EQ(list.Text(i), expected[i].first);
    EXPECT_EQ(list.Tag(i), expected[i].second);
  }
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kDefaultBufferSize, kMaxBufferSize}));
  EXPECT_EQ(client.liveBuffers(), 0);
  EXPECT_EQ(ui.processPendingCount(), 1);  // once per class definition
}

TEST_F(SchemaTest, ClassWithoutAttributesAndUnknownClass) {
  EXPECT_EQ(ReadClassAttributes(session, ctx, "Empty", list), 0);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(ReadClassAttributes(session, ctx, "Nonexistent", list), kErrNoSuchClass);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(SchemaTest, FailedItemReadSkipsTheRestOfThatKindAndIsReturned) {
  // Items of User in reply order: super (1), containment (1), naming (1), mandatory (3)...
  // The fifth item read is the second mandatory one.
  client.FailNext("GetClassItem", {0, 0, 0, 0, kErrBufferEmpty});
  const DirStatus status = ReadClassAttributes(session, ctx, "User", list);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"CN"}));
  EXPECT_NE(status, 0);
}

TEST_F(SchemaTest, StarReadsEveryAttributeNameOfTheSchema) {
  EXPECT_EQ(ReadClassOrSchemaAttributes(session, ctx, "*", list), 0);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"CN", "Surname", "Object Class", "Title"}));
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Tag(i), 0);
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kMaxBufferSize}));

  VectorTaggedList top;
  EXPECT_EQ(ReadClassOrSchemaAttributes(session, ctx, "Top", top), 0);
  EXPECT_EQ(top.Texts(), (std::vector<std::string>{"Object Class"}));
}

TEST_F(SchemaTest, SyntaxNames) {
  const std::pair<std::uint32_t, std::string> cases[] = {
      {0, "UNKNOWN"},       {1, "DIST_NAME"},       {9, "OCTET_STRING"},
      {21, "STREAM"},       {27, "INTERVAL"},       {28, "COMPONENT"},
      {37, "SYNTAX_COUNT"}, {38, "Unknown Syntax"}, {0xFFFFFFFF, "Unknown Syntax"},
  };
  for (const auto& [id, name] : cases) EXPECT_EQ(SyntaxName(id), name) << id;
}

TEST_F(SchemaTest, AttributeDescriptions) {
  struct Case {
    AttributeDefinition definition;
    std::string expected;
  };
  const Case cases[] = {
      {{0, kSynDistName, 0, 0, {}}, "DIST_NAME"},
      {{kAttrSingleValued | kAttrSized, kSynCiString, 1, 64, {}}, "CI_STRING [SglVal\\Sized (1-64)]"},
      {{kAttrSingleValued | kAttrSized, kSynCiString, 4, 4, {}}, "CI_STRING [SglVal\\Sized (4)]"},
      {{kAttrSized, kSynInteger, 0xFFFFFFFF, 5, {}}, "INTEGER [Sized (-1-5)]"},
      {{kAttrSyncImmediate | kAttrPerReplica, kSynClassName, 0, 0, {}}, "CLASS_NAME [PerRep\\SyncImdt]"},
      {{0xFFF, 40, 2, 2, {}},
       "Unknown Syntax [SglVal\\Sized (2)\\NonRem\\RdOnly\\Hidden\\String\\PublRd\\SrvrRd\\WrtMngd\\PerRep\\"
       "SyncImdt\\SyncNever]"},
      {{0xF000, kSynStream, 0, 0, {}}, "STREAM"},  // bits above 0x800 are ignored
  };
  for (const Case& c : cases) EXPECT_EQ(FormatAttributeDefinition(c.definition), c.expected);
}

TEST_F(SchemaTest, DescribeAttributeReadsOneDefinition) {
  std::string text;
  EXPECT_EQ(DescribeAttribute(session, ctx, "surname", &text), 0);
  EXPECT_EQ(text, "CI_STRING [SglVal\\Sized (4)]");
  EXPECT_EQ(DescribeAttribute(session, ctx, "No Such", &text), kErrNoSuchAttribute);
  EXPECT_EQ(text, "");
  EXPECT_EQ(client.liveBuffers(), 0);
}

}  // namespace
}  // namespace recast
