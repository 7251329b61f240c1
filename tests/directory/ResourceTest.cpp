// Every buffer and duplicated context the layer makes is given back on every path: each
// operation is run once to count its client calls, then once per call with that call failing.

#include <gtest/gtest.h>

#include <functional>

#include "directory/Directory.h"
#include "tests/directory/support/CountingClient.h"
#include "tests/directory/support/ScriptedClient.h"
#include "tests/support/ScriptedUserInterface.h"

namespace recast {
namespace {

using namespace recast::testing;

void FillDirectory(ScriptedClient& client) {
  client.connections = {{1, "MAIN_TREE"}};
  client.primary = 1;
  client.defaultNameContexts = {{"MAIN_TREE", "org"}};
  for (int i = 0; i < 7; ++i)
    client.containers[".org"].push_back({"e" + std::to_string(i), i % 2 ? kEntryContainer : 0, "User"});
  client.entriesPerReply = 3;
  ScriptedClient::ClassDef user{"User", kClassEffective, {}};
  user.items[kItemSuperClasses] = {"Top"};
  user.items[kItemMandatoryAttributes] = {"CN", "Object Class"};
  user.items[kItemOptionalAttributes] = {"Title", "cn"};
  client.classes = {user, {"Top", 0, {}}, {"Alias", 0, {}}};
  client.classesPerReply = 2;
  client.attributes = {{"CN", {kAttrSized, kSynCiString, 1, 64, {}}},
                       {"Title", {0, kSynCiString, 0, 0, {}}},
                       {"Object Class", {0, kSynClassName, 0, 0, {}}},
                       {"Login Script", {0, kSynStream, 0, 0, {}}}};
  client.attributesPerReply = 2;
  ScriptedClient::Object clerk;
  ScriptedClient::Attribute titles{"Title", kSynCiList, {}};
  for (int i = 0; i < 5; ++i) titles.values.push_back(CiListRecord({"a", "b"}));
  clerk.attributes.push_back(std::move(titles));
  clerk.attributes.push_back({"Login Script", kSynStream, {}});
  client.objects["clerk.org"] = clerk;
  ScriptedClient::Object alias;
  alias.aliasOf = "clerk.org";
  ScriptedClient::Attribute target{"Aliased Object Name", kSynDistName, {}};
  target.values.push_back(TextValue("clerk.org"));
  alias.attributes.push_back(std::move(target));
  client.objects["alias.org"] = alias;
  client.streams["clerk.org|Login Script"] = "script";
  client.valuesPerReply = 2;
}

struct Scenario {
  const char* name;
  std::function<void(DirectorySession&, DirContext)> run;
};

const Scenario kScenarios[] = {
    {"ListContainerContents",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList containers, objects;
       ListContainerContents(s, ctx, ".org", &containers, &objects, {}, true);
     }},
    {"ListClassNames",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList list;
       ListClassNames(s, ctx, list);
     }},
    {"ReadClassAttributes",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList list;
       ReadClassOrSchemaAttributes(s, ctx, "User", list);
     }},
    {"ListAttributeNames",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList list;
       ReadClassOrSchemaAttributes(s, ctx, "*", list);
     }},
    {"DescribeAttribute",
     [](DirectorySession& s, DirContext ctx) {
       std::string text;
       DescribeAttribute(s, ctx, "CN", &text);
     }},
    {"GetAttributeValueText",
     [](DirectorySession& s, DirContext ctx) {
       std::string text;
       GetAttributeValueText(s, ctx, "clerk.org", "Title", &text);
     }},
    {"ReadAttributeValues alias",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList list;
       ReadAttributeValues(s, ctx, "alias.org", "Aliased Object Name", list);
     }},
    {"ReadAttributeValues stream",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList list;
       ReadAttributeValues(s, ctx, "clerk.org", "Login Script", list);
     }},
    {"ModifyAttribute",
     [](DirectorySession& s, DirContext ctx) {
       const char value[] = "x";
       ModifyAttribute(s, ctx, "clerk.org", "Title", value, value, kChangeReplaceAll);
       ModifyAttribute(s, ctx, "clerk.org", "Title", nullptr, nullptr, kChangeRemoveAttribute);
     }},
    {"ApplyAttributeChange retry",
     [](DirectorySession& s, DirContext ctx) {
       const char value[] = "x";
       // The scripted client answers the first modify with "no such attribute".
       ApplyAttributeChange(s, ctx, kSynCiString, "clerk.org", "Title", nullptr, value, kChangeAddValue);
     }},
    {"Trees and contexts",
     [](DirectorySession& s, DirContext ctx) {
       VectorTaggedList trees;
       InitNetWare(s);
       EnumerateTrees(s, trees);
       SetTree(s, ctx, "MAIN_TREE", true);
       SetNameContext(s, ctx, ".org");
       GetMyName(s, ctx);
     }},
};

TEST(Resources, EveryFailurePathReleasesBuffersAndContexts) {
  for (const Scenario& scenario : kScenarios) {
    int total = 0;
    {
      ScriptedClient client;
      FillDirectory(client);
      client.FailNext("ModifyObject", {kErrNoSuchAttribute});
      CountingClient counting(client);
      ScriptedUserInterface ui;
      DirectorySession session(counting, ui, "/nonexistent.so");
      scenario.run(session, client.NewContext());
      total = counting.calls();
      EXPECT_TRUE(counting.liveBuffers().empty()) << scenario.name;
      EXPECT_TRUE(counting.liveContexts().empty()) << scenario.name;
      EXPECT_EQ(client.liveBuffers(), 0) << scenario.name;
      EXPECT_EQ(client.contexts.size(), 1u) << scenario.name;
    }
    ASSERT_GT(total, 0) << scenario.name;
    for (int n = 1; n <= total; ++n) {
      for (DirStatus status : {kErrDirectoryFailure, kErrNoSuchAttribute}) {
        ScriptedClient client;
        FillDirectory(client);
        client.FailNext("ModifyObject", {kErrNoSuchAttribute});
        CountingClient counting(client);
        counting.FailCall(n, status);
        ScriptedUserInterface ui;
        DirectorySession session(counting, ui, "/nonexistent.so");
        scenario.run(session, client.NewContext());
        EXPECT_TRUE(counting.failed()) << scenario.name << " call " << n;
        EXPECT_TRUE(counting.liveBuffers().empty()) << scenario.name << " call " << n;
        EXPECT_TRUE(counting.liveContexts().empty()) << scenario.name << " call " << n;
        EXPECT_EQ(counting.buffersAllocated, counting.buffersFreed) << scenario.name << " call " << n;
        EXPECT_EQ(counting.contextsMade, counting.contextsFreed) << scenario.name << " call " << n;
        EXPECT_EQ(ui.CurrentCursor(), kArrowCursor) << scenario.name << " call " << n;
      }
    }
  }
}

}  // namespace
}  // namespace recast
