#include <gtest/gtest.h>

#include "directory/AttributeRemoval.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using testing::ScriptedClient;
using Change = ScriptedClient::Change;
using Changes = std::vector<Change>;

class RemovalTest : public ::testing::Test {
 protected:
  RemovalTest() : session(client, ui, "/nonexistent.so") {
    ctx = client.NewContext();
    client.attributes = {{"Title", {0, kSynCiString, 0, 0, {}}}};
  }

  std::vector<Changes> Sent() const {
    std::vector<Changes> sent;
    for (const auto& request : client.modifyRequests) {
      EXPECT_EQ(request.object, "clerk.org");
      sent.push_back(request.changes);
    }
    return sent;
  }

  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
  DirContext ctx = kNoContext;
  const char oldValue[4] = "old";
  const char newValue[4] = "new";
};

TEST_F(RemovalTest, RemovingAnAttributeSendsOneChangeWithoutValue) {
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "title", nullptr, nullptr, kChangeRemoveAttribute), 0);
  EXPECT_EQ(Sent(), (std::vector<Changes>{{{kChangeRemoveAttribute, "title", false, 0, nullptr}}}));
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kDefaultBufferSize}));
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(RemovalTest, DuplicateValueCountsAsDoneOtherFailuresPassThrough) {
  client.FailNext("ModifyObject", {kErrDuplicateValue, 614, kErrNoAccess, kErrNoSuchAttribute});
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute), 0);
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute), 0);
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute),
            kErrNoAccess);
  // No retry for a removal that meets "no such attribute".
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute),
            kErrNoSuchAttribute);
  EXPECT_EQ(client.modifyRequests.size(), 4u);
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(RemovalTest, UnknownAttributeSendsNothing) {
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "No Such", nullptr, nullptr, kChangeRemoveAttribute),
            kErrNoSuchAttribute);
  EXPECT_TRUE(client.modifyRequests.empty());
  EXPECT_TRUE(client.allocatedSizes.empty());
}

TEST_F(RemovalTest, ValueChangeOnAMissingAttributeAddsAttributeThenValue) {
  for (std::uint32_t type : {kChangeAddValue, kChangeAdditionalValue, kChangeOverwriteValue}) {
    client.modifyRequests.clear();
    client.FailNext("ModifyObject", {kErrNoSuchAttribute});
    EXPECT_EQ(ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", nullptr, newValue, type), 0);
    EXPECT_EQ(Sent(), (std::vector<Changes>{{{type, "Title", true, kSynCiString, newValue}},
                                            {{kChangeAddAttribute, "Title", false, 0, nullptr}},
                                            {{kChangeAddValue, "Title", true, kSynCiString, newValue}}}))
        << type;
  }
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(RemovalTest, FailedAttributeAddIsReturnedAndTheValueIsNotSent) {
  client.FailNext("ModifyObject", {kErrNoSuchAttribute, kErrIllegalAttribute});
  EXPECT_EQ(ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", nullptr, newValue, kChangeAddValue),
            kErrIllegalAttribute);
  EXPECT_EQ(client.modifyRequests.size(), 2u);
}

TEST_F(RemovalTest, NoRetryForOtherChangeTypes) {
  const std::uint32_t types[] = {kChangeAddAttribute,   kChangeRemoveAttribute, kChangeRemoveValue,
                                 kChangeClearAttribute, kChangeClearValue,      kChangeReplaceAll};
  for (std::uint32_t type : types) {
    client.modifyRequests.clear();
    client.FailNext("ModifyObject", {kErrNoSuchAttribute});
    EXPECT_EQ(ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", oldValue, newValue, type),
              kErrNoSuchAttribute)
        << type;
    EXPECT_EQ(client.modifyRequests.size(), 1u) << type;
  }
}

TEST_F(RemovalTest, RequestContentsByChangeType) {
  const Change removeOld{kChangeRemoveValue, "Title", true, kSynCiString, oldValue};
  struct Case {
    std::uint32_t type;
    const void* old;
    Changes expected;
  };
  const Case cases[] = {
      {kChangeAddAttribute, nullptr, {{kChangeAddAttribute, "Title", false, 0, nullptr}}},
      {kChangeClearAttribute, nullptr, {{kChangeClearAttribute, "Title", false, 0, nullptr}}},
      {kChangeClearValue, nullptr, {{kChangeClearValue, "Title", false, 0, nullptr}}},
      {kChangeAddValue, nullptr, {{kChangeAddValue, "Title", true, kSynCiString, newValue}}},
      {kChangeOverwriteValue, nullptr, {{kChangeOverwriteValue, "Title", true, kSynCiString, newValue}}},
      // Replacing all values: a clear and an add in one request.
      {kChangeReplaceAll,
       nullptr,
       {{kChangeClearAttribute, "Title", false, 0, nullptr}, {kChangeAddValue, "Title", true, kSynCiString, newValue}}},
      // An old value is removed first, in the same request.
      {kChangeAddValue, oldValue, {removeOld, {kChangeAddValue, "Title", true, kSynCiString, newValue}}},
      {kChangeRemoveValue, oldValue, {removeOld}},
      {kChangeRemoveValue, nullptr, {}},
  };
  for (const Case& c : cases) {
    client.modifyRequests.clear();
    EXPECT_EQ(ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", c.old, newValue, c.type), 0);
    EXPECT_EQ(Sent(), std::vector<Changes>{c.expected}) << c.type;
  }
}

TEST_F(RemovalTest, ReplaceAllIgnoresAFailedClear) {
  client.FailNext("PutChange", {kErrBufferFull});
  EXPECT_EQ(
      ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", nullptr, newValue, kChangeReplaceAll), 0);
  EXPECT_EQ(Sent(), (std::vector<Changes>{{{kChangeAddValue, "Title", true, kSynCiString, newValue}}}));
}

TEST_F(RemovalTest, FailuresBeforeSendingAreReturnedAndReleaseTheBuffer) {
  client.FailNext("PutChange", {kErrBufferFull});
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute),
            kErrBufferFull);
  client.FailNext("InitBuffer", {kErrBadBuffer});
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute),
            kErrBadBuffer);
  client.FailNext("AllocBuffer", {kErrNotEnoughMemory});
  EXPECT_EQ(ModifyAttribute(session, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute),
            kErrNotEnoughMemory);
  client.FailNext("PutChangeAndValue", {kErrDuplicateValue});  // 614 while putting counts as done too
  EXPECT_EQ(ApplyAttributeChange(session, ctx, kSynCiString, "clerk.org", "Title", nullptr, newValue, kChangeAddValue),
            0);
  EXPECT_TRUE(client.modifyRequests.empty());
  EXPECT_EQ(client.liveBuffers(), 0);
}

}  // namespace
}  // namespace recast
