#include <gtest/gtest.h>

#include "directory/Listing.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using testing::ScriptedClient;
using Entry = ScriptedClient::Entry;

class ListingTest : public ::testing::Test {
 protected:
  ListingTest() : session(client, ui, "/nonexistent.so") {
    ctx = client.NewContext();
    client.contexts[ctx].flags = kFlagDerefAliases;
    client.contexts[ctx].nameContext = "org";
  }

  void List(std::string_view container, bool withClass = true, std::string_view filter = {}) {
    ListContainerContents(session, ctx, container, &containers, &objects, filter, withClass);
  }

  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
  DirContext ctx = kNoContext;
  VectorTaggedList containers;
  VectorTaggedList objects;
};

TEST_F(ListingTest, ListsEveryEntryAcrossSeveralRepliesRepeatingNameAndHandle) {
  std::vector<Entry> entries;
  for (int i = 0; i < 10; ++i) entries.push_back({"user" + std::to_string(i), 0, "User"});
  entries.push_back({"sub", kEntryContainer, "Organizational Unit"});
  client.containers[".sales.org"] = entries;
  client.entriesPerReply = 3;

  List(".sales.org");

  ASSERT_EQ(objects.Count(), 11);
  EXPECT_EQ(objects.Text(0), "User: user0");
  EXPECT_EQ(objects.Tag(0), 6);
  EXPECT_EQ(objects.Text(10), "Organizational Unit: sub");
  EXPECT_EQ(objects.Tag(10), 21);
  EXPECT_EQ(containers.Texts(), (std::vector<std::string>{"sub"}));
  EXPECT_EQ(containers.Tag(0), 0);

  ASSERT_EQ(client.listRequests.size(), 4u);
  for (const auto& request : client.listRequests) {
    EXPECT_EQ(request.name, ".sales.org");
    EXPECT_FALSE(request.containersOnly);
    EXPECT_EQ(request.context.nameContext, "sales.org");
    EXPECT_EQ(request.context.flags, kFlagDerefAliases | 0x14u);
    EXPECT_EQ(request.context.setting, 0u);
  }
  // Each request continues with the handle of the previous reply (the fake issues 100, 101,
  // ... and refuses a handle it did not issue or that was used already).
  std::vector<IterationHandle> handles;
  for (const auto& request : client.listRequests) handles.push_back(request.iteration);
  EXPECT_EQ(handles, (std::vector<IterationHandle>{kNoIteration, 100, 101, 102}));

  // The caller's context is untouched; the listing's duplicate is gone; so are the buffers.
  EXPECT_EQ(client.contexts[ctx].flags, kFlagDerefAliases);
  EXPECT_EQ(client.contexts[ctx].nameContext, "org");
  EXPECT_EQ(client.contexts.size(), 1u);
  EXPECT_EQ(client.liveBuffers(), 0);
  EXPECT_EQ(client.allocatedSizes, (std::vector<std::uint32_t>{kDefaultBufferSize}));
  EXPECT_EQ(ui.cursorChanges(), (std::vector<CursorId>{kBusyCursor, kArrowCursor}));
}

TEST_F(ListingTest, EmptyContainerEndsAfterOneRequest) {
  client.containers[".empty.org"] = {};
  List("empty.org");
  EXPECT_EQ(objects.Count(), 0);
  EXPECT_EQ(containers.Count(), 0);
  ASSERT_EQ(client.listRequests.size(), 1u);
  EXPECT_EQ(client.listRequests[0].name, ".empty.org");
  EXPECT_EQ(client.contexts.size(), 1u);
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(ListingTest, SpecialAndEmptyContainerNamesArePassedAsTheyAre) {
  client.containers["[Root]"] = {{"org", kEntryContainer, "Organization"}};
  client.containers[""] = {};
  List("[Root]");
  ASSERT_EQ(client.listRequests.size(), 1u);
  EXPECT_EQ(client.listRequests[0].name, "[Root]");
  EXPECT_EQ(client.listRequests[0].context.nameContext, "[Root]");
  EXPECT_EQ(containers.Texts(), (std::vector<std::string>{"org"}));

  List("");
  ASSERT_EQ(client.listRequests.size(), 2u);
  EXPECT_EQ(client.listRequests[1].name, "");
  EXPECT_EQ(client.listRequests[1].context.nameContext, "");
}

TEST_F(ListingTest, EmptyBatchesInTheMiddleAreSkipped) {
  client.containers[".org"] = {{"a", 0, "User"}, {"b", 0, "User"}};
  client.replySizes = {0, 1, 0, 0, 1};
  List(".org");
  EXPECT_EQ(objects.Texts(), (std::vector<std::string>{"User: a", "User: b"}));
  EXPECT_EQ(client.listRequests.size(), 5u);
}

TEST_F(ListingTest, WithoutClassAndWithAFilter) {
  client.containers[".org"] = {{"clerk1", 0, "User"}, {"printer", 0, "Printer"}, {"clerk2", 0, "User"}};
  List(".org", false);
  EXPECT_EQ(objects.Texts(), (std::vector<std::string>{"clerk1", "printer", "clerk2"}));
  EXPECT_EQ(objects.Tag(0), 0);

  objects.Clear();
  List(".org", true, "User");
  EXPECT_EQ(objects.Texts(), (std::vector<std::string>{"User: clerk1", "User: clerk2"}));
  objects.Clear();
  List(".org", true, "user");  // the filter compares case-sensitively
  EXPECT_EQ(objects.Count(), 0);
}

TEST_F(ListingTest, AbsentListsAreLeftOut) {
  client.containers[".org"] = {{"sub", kEntryContainer, "Organizational Unit"}};
  ListContainerContents(session, ctx, ".org", nullptr, &objects, {}, true);
  EXPECT_EQ(objects.Count(), 1);
  ListContainerContents(session, ctx, ".org", &containers, nullptr, {}, true);
  EXPECT_EQ(containers.Count(), 1);
}

TEST_F(ListingTest, FailurePartWayKeepsWhatWasAdded) {
  client.containers[".org"] = {{"a", 0, "User"}, {"b", 0, "User"}, {"c", 0, "User"}, {"d", 0, "User"}};
  client.entriesPerReply = 2;
  client.FailNext("GetObjectName", {0, 0, kErrDirectoryFailure});
  List(".org");
  EXPECT_EQ(objects.Texts(), (std::vector<std::string>{"User: a", "User: b"}));
  EXPECT_EQ(client.contexts.size(), 1u);
  EXPECT_EQ(client.liveBuffers(), 0);

  // A listing that cannot be opened adds nothing.
  objects.Clear();
  List(".missing");
  EXPECT_EQ(objects.Count(), 0);
  EXPECT_EQ(client.liveBuffers(), 0);
  EXPECT_EQ(ui.CurrentCursor(), kArrowCursor);
}

TEST_F(ListingTest, ListingStepsReportTheirEnd) {
  client.containers[".org"] = {{"a", 0, "User"}};
  TNDSObj listing;
  ASSERT_EQ(OpenListing(session, ctx, "org", true, listing), 0);
  EXPECT_EQ(listing.containerName, ".org");
  EXPECT_TRUE(client.listRequests.back().containersOnly);
  EXPECT_EQ(listing.entryName, "");  // containers only: "a" is not one
  EXPECT_EQ(NextEntry(session, listing), -1);
  EXPECT_FALSE(listing.context.held());
  EXPECT_FALSE(listing.replyBuffer.held());

  // A record dropped in the middle of a listing still gives back what it holds.
  {
    TNDSObj abandoned;
    client.containers[".org"].push_back({"b", 0, "User"});
    ASSERT_EQ(OpenListing(session, ctx, ".org", false, abandoned), 0);
    EXPECT_EQ(abandoned.entryName, "a");
  }
  EXPECT_EQ(client.contexts.size(), 1u);
  EXPECT_EQ(client.liveBuffers(), 0);
}

TEST_F(ListingTest, GetMyName) {
  EXPECT_EQ(GetMyName(session, ctx), "admin.org");
  client.FailNext("WhoAmI", {kErrNoAccess});
  EXPECT_EQ(GetMyName(session, ctx), "");
}

}  // namespace
}  // namespace recast
