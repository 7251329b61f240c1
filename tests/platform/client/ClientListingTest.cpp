// Listing through batched replies, and the reply readers' order.
#include <set>
#include <string>
#include <vector>

#include "ClientFixture.h"
#include "platform/client/ClientStatus.h"

namespace recast::client::testing {
namespace {

struct Listed {
  std::vector<std::string> names;
  std::vector<std::string> classes;
  int calls = 0;
  DirStatus status = 0;
};

Listed ListAll(DirectoryClient& client, DirContext ctx, const char* container, std::uint32_t bufferSize,
               bool containersOnly = false) {
  Listed listed;
  DirBuffer reply = kNoBuffer;
  EXPECT_EQ(client.AllocBuffer(bufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  do {
    listed.status = containersOnly ? client.ListContainers(ctx, container, &handle, reply)
                                   : client.ListSubordinates(ctx, container, &handle, reply);
    if (listed.status != 0) break;
    ++listed.calls;
    std::uint32_t count = 0;
    EXPECT_EQ(client.GetObjectCount(ctx, reply, &count), 0);
    for (std::uint32_t i = 0; i < count; ++i) {
      char name[kMaxNameBytes];
      std::uint32_t attrs = 0;
      ObjectInfo info;
      EXPECT_EQ(client.GetObjectName(ctx, reply, name, &attrs, &info), 0);
      listed.names.push_back(name);
      listed.classes.push_back(info.baseClass);
    }
  } while (handle != kNoIteration);
  client.FreeBuffer(reply);
  return listed;
}

class ClientListingTest : public ClientTest {};

TEST_F(ClientListingTest, LargeContainerArrivesInManyRepliesWithoutRescan) {
  DirContext ctx = Start();
  MemoryService* acme = Acme();
  const service::EntryName big = {Part("OU", "Big"), Part("O", "ACME")};
  ASSERT_EQ(acme->AddEntry(big, "Organizational Unit"), 0);
  const int n = 3000;
  for (int i = 0; i < n; ++i) {
    ASSERT_EQ(
        acme->AddEntry({Part("CN", "user" + std::to_string(100000 + i)), Part("OU", "Big"), Part("O", "ACME")}, "User"),
        0);
  }
  const std::size_t callsBefore = acme->listCalls();
  Listed listed = ListAll(*client, ctx, ".Big.ACME", kDefaultBufferSize);
  ASSERT_EQ(listed.status, 0);
  ASSERT_EQ(listed.names.size(), static_cast<std::size_t>(n));
  EXPECT_GT(listed.calls, 10);
  EXPECT_EQ(listed.names.front(), "user100000");
  EXPECT_EQ(listed.names.back(), "user" + std::to_string(100000 + n - 1));
  EXPECT_EQ(std::set<std::string>(listed.names.begin(), listed.names.end()).size(), listed.names.size());
  // Each page is fetched once: no re-scan from the start, and never more than about a reply
  // waits in the iteration.
  ASSERT_GT(acme->largestPage(), 0u);
  EXPECT_LE(acme->largestPage(), 128u);
  EXPECT_LE(acme->listCalls() - callsBefore, n / acme->largestPage() + 2);

  // The maximum buffer takes far fewer replies.
  Listed large = ListAll(*client, ctx, ".Big.ACME", kMaxBufferSize);
  EXPECT_EQ(large.names, listed.names);
  EXPECT_LT(large.calls * 10, listed.calls);
}

TEST_F(ClientListingTest, EmptyContainerEndsAfterOneRequest) {
  DirContext ctx = Start();
  Listed listed = ListAll(*client, ctx, ".Lab.ACME", kDefaultBufferSize);
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.calls, 1);
  EXPECT_TRUE(listed.names.empty());
}

TEST_F(ClientListingTest, ThePrefetchFlagOfTheListingsContextReachesTheService) {
  DirContext ctx = Start();
  DirContext prefetching = kNoContext;
  ASSERT_EQ(client->DuplicateContext(ctx, &prefetching), 0);
  std::uint32_t flags = 0;
  ASSERT_EQ(client->GetContextValue(prefetching, kKeyFlags, &flags), 0);
  flags |= kFlagPrefetchValues;
  ASSERT_EQ(client->SetContextValue(prefetching, kKeyFlags, &flags), 0);
  for (const DirContext context : {prefetching, ctx, prefetching}) {
    ASSERT_EQ(ListAll(*client, context, ".ACME", kDefaultBufferSize).status, 0);
    EXPECT_EQ(Acme()->listingPrefetch(), context == prefetching);
  }
}

TEST_F(ClientListingTest, EntriesAreOwnNamePartsTypelessOrTyped) {
  DirContext ctx = Start();
  Listed typeless = ListAll(*client, ctx, ".Sales.ACME", kDefaultBufferSize);
  EXPECT_EQ(typeless.names, (std::vector<std::string>{"Clerk\\.Alias", "Clerk1"}));
  EXPECT_EQ(typeless.classes, (std::vector<std::string>{"Alias", "User"}));

  std::uint32_t flags = kFlagDerefAliases;
  ASSERT_EQ(client->SetContextValue(ctx, kKeyFlags, &flags), 0);
  Listed typed = ListAll(*client, ctx, ".OU=Sales.O=ACME", kDefaultBufferSize);
  EXPECT_EQ(typed.names, (std::vector<std::string>{"CN=Clerk\\.Alias", "CN=Clerk1"}));

  Listed containers = ListAll(*client, ctx, "[Root]", kDefaultBufferSize);
  EXPECT_EQ(containers.names, (std::vector<std::string>{"O=ACME"}));
  Listed onlyContainers = ListAll(*client, ctx, ".ACME", kDefaultBufferSize, true);
  EXPECT_EQ(onlyContainers.names, (std::vector<std::string>{"OU=Lab", "OU=Sales"}));
}

TEST_F(ClientListingTest, TheTypedLeafNameOfAnObjectIsItsOwnNamePartTypedWhateverTheName) {
  DirContext ctx = Start();
  struct Case {
    const char* object;
    DirStatus status;
    const char* typed;
  };
  for (const Case& c : {Case{".Clerk1.Sales.ACME", 0, "CN=Clerk1"}, Case{".CN=Clerk1.OU=Sales.O=ACME", 0, "CN=Clerk1"},
                        Case{".Clerk\\.Alias.Sales.ACME", 0, "CN=Clerk\\.Alias"},  // the alias itself
                        Case{".Sales.ACME", 0, "OU=Sales"}, Case{".Nobody.Sales.ACME", kErrNoSuchEntry, "kept"}}) {
    SCOPED_TRACE(c.object);
    std::string typed = "kept";
    EXPECT_EQ(client->ReadTypedLeafName(ctx, c.object, &typed), c.status);
    EXPECT_EQ(typed, c.typed);
  }
}

TEST_F(ClientListingTest, MissingContainerAndBadHandlesFail) {
  DirContext ctx = Start();
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  EXPECT_EQ(client->ListSubordinates(ctx, ".Nowhere.ACME", &handle, reply), kErrNoSuchEntry);
  EXPECT_EQ(handle, kNoIteration);
  handle = 12345;
  EXPECT_EQ(client->ListSubordinates(ctx, ".ACME", &handle, reply), kErrBadIteration);
  handle = kNoIteration;
  EXPECT_EQ(client->ListSubordinates(ctx, ".ACME", &handle, 999), kErrBadBuffer);
  EXPECT_EQ(client->ListSubordinates(777, ".ACME", &handle, reply), kErrBadContext);
  client->FreeBuffer(reply);
}

TEST_F(ClientListingTest, ReadersOutOfTurnAndPastTheEndFailCleanly) {
  DirContext ctx = Start();
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  char name[kMaxNameBytes] = "untouched";
  ObjectInfo info;
  std::uint32_t count = 0;
  // Nothing in the buffer yet.
  EXPECT_EQ(client->GetObjectCount(ctx, reply, &count), kErrOutOfTurn);

  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ListSubordinates(ctx, ".Sales.ACME", &handle, reply), 0);
  EXPECT_EQ(client->GetObjectName(ctx, reply, name, nullptr, &info), kErrOutOfTurn);  // count first
  EXPECT_STREQ(name, "untouched");
  EXPECT_EQ(client->GetClassDefCount(ctx, reply, &count), kErrBadVerb);  // a listing, not a schema reply
  ASSERT_EQ(client->GetObjectCount(ctx, reply, &count), 0);
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(client->GetObjectCount(ctx, reply, &count), kErrOutOfTurn);
  EXPECT_EQ(client->GetObjectName(ctx, reply, name, nullptr, &info), 0);
  EXPECT_EQ(client->GetObjectName(ctx, reply, name, nullptr, &info), 0);
  EXPECT_STREQ(name, "Clerk1");
  EXPECT_EQ(client->GetObjectName(ctx, reply, name, nullptr, &info), kErrBufferEmpty);
  EXPECT_STREQ(name, "Clerk1");

  // InitBuffer turns the buffer into a request: the old reply is gone.
  ASSERT_EQ(client->InitBuffer(ctx, kOpReadObject, reply), 0);
  EXPECT_EQ(client->GetObjectCount(ctx, reply, &count), kErrOutOfTurn);
  client->FreeBuffer(reply);
}

TEST_F(ClientListingTest, EachContinuingCallHandsOutANewHandleAndAbandonedBatchesAreBounded) {
  DirContext ctx = Start();
  MemoryService* acme = Acme();
  for (int i = 0; i < 500; ++i) acme->AddEntry({Part("CN", "u" + std::to_string(i)), Part("O", "ACME")}, "User");
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  std::set<IterationHandle> seen;
  do {
    ASSERT_EQ(client->ListSubordinates(ctx, ".ACME", &handle, reply), 0);
    EXPECT_TRUE(seen.insert(handle).second);
  } while (handle != kNoIteration);
  EXPECT_GT(seen.size(), 3u);

  std::vector<IterationHandle> abandoned;
  for (std::size_t i = 0; i < NativeDirectoryClient::kMaxIterations + 1; ++i) {
    handle = kNoIteration;
    ASSERT_EQ(client->ListSubordinates(ctx, ".ACME", &handle, reply), 0);
    abandoned.push_back(handle);
  }
  EXPECT_EQ(client->ListSubordinates(ctx, ".ACME", &abandoned.front(), reply), kErrBadIteration);
  EXPECT_EQ(client->ListSubordinates(ctx, ".ACME", &abandoned.back(), reply), 0);
  client->FreeBuffer(reply);
}

TEST_F(ClientListingTest, FreeingTheContextDropsItsListing) {
  DirContext ctx = Start();
  DirContext copy = kNoContext;
  ASSERT_EQ(client->DuplicateContext(ctx, &copy), 0);
  MemoryService* acme = Acme();
  for (int i = 0; i < 500; ++i) acme->AddEntry({Part("CN", "u" + std::to_string(i)), Part("O", "ACME")}, "User");
  DirBuffer reply = kNoBuffer;
  ASSERT_EQ(client->AllocBuffer(kDefaultBufferSize, &reply), 0);
  IterationHandle handle = kNoIteration;
  ASSERT_EQ(client->ListSubordinates(copy, ".ACME", &handle, reply), 0);
  ASSERT_NE(handle, kNoIteration);
  ASSERT_EQ(client->FreeContext(copy), 0);
  EXPECT_EQ(client->ListSubordinates(ctx, ".ACME", &handle, reply), kErrBadIteration);
  EXPECT_EQ(client->FreeContext(copy), kErrBadContext);
  client->FreeBuffer(reply);
}

}  // namespace
}  // namespace recast::client::testing
