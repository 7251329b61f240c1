#include <gtest/gtest.h>

#include "directory/Contexts.h"
#include "directory/Trees.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using testing::ScriptedClient;

class TreesTest : public ::testing::Test {
 protected:
  TreesTest() : session(client, ui, "/nonexistent.so") {}
  ScriptedClient client;
  ScriptedUserInterface ui;
  DirectorySession session;
};

TEST_F(TreesTest, EnumerateTreesAddsEachTreeOnceInScanOrder) {
  client.connections = {
      {1, "MAIN_TREE_______________________"},
      {2, "OTHER"},
      {3, "main_tree"},                         // same tree, other case
      {4, "________________________________"},  // cleans to nothing
      {5, "THIRD_"},
  };
  VectorTaggedList list;
  list.Add("Other", 99);  // already there in another case
  EnumerateTrees(session, list);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"Other", "MAIN_TREE", "THIRD"}));
  EXPECT_EQ(list.Tag(1), 1);
  EXPECT_EQ(list.Tag(2), 5);
  EXPECT_EQ(session.LastStatus, kConnNoMoreEntries);
  EXPECT_EQ(ui.processPendingCount(), 5);
}

TEST_F(TreesTest, EnumerateTreesStopsAtTheFirstFailingScan) {
  client.connections = {{1, "A"}, {2, "B"}};
  client.FailNext("ScanConnectionRefs", {0, 0x8801});
  VectorTaggedList list;
  EnumerateTrees(session, list);
  EXPECT_EQ(list.Texts(), (std::vector<std::string>{"A"}));
  EXPECT_EQ(session.LastStatus, 0x8801);
}

TEST_F(TreesTest, TreeNamesOfConnections) {
  client.connections = {{1, "MAIN_TREE____"}, {2, "OTHER"}};
  EXPECT_EQ(GetPrimaryTreeName(session), "");  // no primary
  client.primary = 1;
  EXPECT_EQ(GetPrimaryTreeName(session), "MAIN_TREE");
  ConnStatus status = 0;
  EXPECT_EQ(GetConnectionTreeName(session, 42, &status), "");
  EXPECT_EQ(status, kConnInvalidConnection);
  std::string text = "stale";
  EXPECT_EQ(GetConnectionInfoText(session, 1, 99, &text), kConnBadArgument);
  EXPECT_EQ(text, "");
}

TEST_F(TreesTest, ContextTextRemovesOnlyTheFirstCn) {
  const DirContext ctx = client.NewContext();
  const std::pair<std::string, std::string> cases[] = {
      {"CN=admin.org", "admin.org"},
      {"OU=x.CN=y.CN=z", "OU=x.y.CN=z"},
      {"cn=admin", "cn=admin"},
      {"[Root]", "[Root]"},
  };
  for (const auto& [stored, expected] : cases) {
    client.contexts[ctx].nameContext = stored;
    EXPECT_EQ(GetNameContext(session, ctx), expected);
  }
  client.FailNext("GetContextValue", {kErrBadContext});
  EXPECT_EQ(GetNameContext(session, ctx), "");
}

TEST_F(TreesTest, SetTreeSwitchesTreeAndResetsTheNameContext) {
  client.defaultNameContexts = {{"MAIN_TREE", ".sales.org"}, {"OTHER", ""}};
  const DirContext ctx = client.NewContext();
  client.contexts[ctx].tree = "MAIN_TREE";
  client.contexts[ctx].nameContext = "somewhere";

  // Same tree in another case: no tree value is set, the name context is still reset.
  client.calls.clear();
  EXPECT_EQ(SetTree(session, ctx, "main_tree", true), 0);
  EXPECT_EQ(client.contexts[ctx].tree, "MAIN_TREE");
  EXPECT_EQ(client.contexts[ctx].nameContext, "sales.org");
  EXPECT_TRUE(client.preferredTrees.empty());

  // Another tree whose default name context is empty: "[Root]".
  EXPECT_EQ(SetTree(session, ctx, "OTHER", true), 0);
  EXPECT_EQ(client.contexts[ctx].tree, "OTHER");
  EXPECT_EQ(client.contexts[ctx].nameContext, "[Root]");
  EXPECT_EQ(client.preferredTrees, (std::vector<std::string>{"OTHER"}));

  // A tree without a default name context at all: "[Root]" too.
  EXPECT_EQ(SetTree(session, ctx, "THIRD", false), 0);
  EXPECT_EQ(client.contexts[ctx].nameContext, "[Root]");
  EXPECT_EQ(client.preferredTrees.size(), 1u);
}

TEST_F(TreesTest, FailedTreeSwitchLeavesTheNameContext) {
  client.knownTrees = {"MAIN_TREE"};
  const DirContext ctx = client.NewContext();
  client.contexts[ctx].tree = "MAIN_TREE";
  client.contexts[ctx].nameContext = "sales.org";
  EXPECT_EQ(SetTree(session, ctx, "NOWHERE", true), kErrBadName);
  EXPECT_EQ(client.contexts[ctx].nameContext, "sales.org");
  EXPECT_TRUE(client.preferredTrees.empty());
}

TEST_F(TreesTest, SetNameContextStripsOneDotAndKeepsTheTree) {
  const DirContext ctx = client.NewContext();
  client.contexts[ctx].tree = "MAIN_TREE";
  EXPECT_EQ(SetNameContext(session, ctx, ".sales.org"), 0);
  EXPECT_EQ(client.contexts[ctx].nameContext, "sales.org");
  EXPECT_EQ(SetNameContext(session, ctx, "[Root]"), 0);
  EXPECT_EQ(client.contexts[ctx].nameContext, "[Root]");
  EXPECT_EQ(client.contexts[ctx].tree, "MAIN_TREE");
  client.FailNext("SetContextValue", {kErrBadName});
  EXPECT_EQ(SetNameContext(session, ctx, "x"), kErrBadName);
}

TEST_F(TreesTest, ChangeContextFlagsSetsAndClearsBits) {
  const DirContext ctx = client.NewContext();
  client.contexts[ctx].flags = kFlagDerefAliases;
  ChangeContextFlags(session, ctx, '+', 0x14);
  EXPECT_EQ(client.contexts[ctx].flags, 0x15u);
  ChangeContextFlags(session, ctx, '-', 0x05);
  EXPECT_EQ(client.contexts[ctx].flags, 0x10u);
  ChangeContextFlags(session, ctx, '*', 0xFF);
  EXPECT_EQ(client.contexts[ctx].flags, 0x10u);
}

}  // namespace
}  // namespace recast
