// The analysis's decision table over the demo directory's class-change cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <tuple>

#include "directory/Directory.h"
#include "engine/Analysis.h"
#include "tests/engine/DemoDirectory.h"

namespace recast::engine {
namespace {

using Strings = std::vector<std::string>;

class AnalysisTest : public ::testing::Test {
 protected:
  AnalysisTest() : session_(demo_.session()), ctx_(demo_.ctx()) {}

  // The lines that carry a mark, in order.
  static Strings Marked(const Analysis& a) {
    Strings lines;
    for (const DeltaLine& line : a.delta) {
      if (line.text.size() > 2 && line.text[1] == ' ' && line.text[0] != ' ') lines.push_back(line.text);
    }
    return lines;
  }

  testing::DemoDirectory demo_;
  DirectorySession& session_;
  const DirContext ctx_;
};

TEST_F(AnalysisTest, DemoCasesGiveTheirVerdictMarksAndActions) {
  struct Case {
    const char* container;
    const char* object;
    const char* objectClass;
    const char* target;
    Verdict verdict;
    Strings marked;
  };
  const Case cases[] = {
      {"OU=Recast Demo.O=ACME",
       "Dora Deletable",
       "User",
       "Organizational Person",
       Verdict::kDeleteFirst,
       {"* Language", "* Login Disabled"}},
      {"OU=Recast Demo.O=ACME",
       "Fixed Queue",
       "Print Queue",
       "Organizational Role",
       Verdict::kBlocked,
       {"! Host Server", "! Queue Directory"}},
      {"OU=Recast Demo.O=ACME", "Plain Person", "Organizational Person", "Person", Verdict::kUnvaluedOnly, {}},
      {"OU=Recast Demo.O=ACME",
       "Lobby Printer",
       "Printer",
       "Print Queue",
       Verdict::kMissingMandatory,
       {"* Page Description Language", "- Queue Directory"}},
      {"OU=Recast Demo.O=ACME", "Helpdesk Group", "Group", "Organizational Role", Verdict::kDeleteFirst, {"* Member"}},
      {"L=Harbor.O=ACME", "Harbor Master", "Organizational Role", "Group", Verdict::kUnvaluedOnly, {}},
  };
  ObjectAnalyser analyser(session_);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object);
    ASSERT_EQ(SetNameContext(session_, ctx_, c.container), 0);
    Analysis a;
    ASSERT_EQ(analyser.Analyse(ctx_, c.object, c.objectClass, c.target, &a), 0);
    EXPECT_EQ(a.verdict, c.verdict) << a.summary;
    Strings marked = Marked(a);
    std::sort(marked.begin(), marked.end());
    EXPECT_EQ(marked, c.marked);
    // The window's button rule: a missing mandatory attribute alone blocks neither button.
    EXPECT_EQ(a.canRecast, c.verdict == Verdict::kUnvaluedOnly || c.verdict == Verdict::kNoConflicts);
    EXPECT_EQ(a.canDelete, c.verdict == Verdict::kDeleteFirst || a.verdict == Verdict::kMissingMandatory);
    ASSERT_EQ(a.conflicts.size(), a.delta.size());
    for (std::size_t i = 0; i < a.delta.size(); ++i) {
      // Every marked line points at its explanation; the mark and the line agree.
      EXPECT_EQ(a.delta[i].text.substr(0, 2) == std::string(1, a.conflicts[i].mark) + " ", a.conflicts[i].mark != ' ');
      if (a.conflicts[i].mark != ' ') {
        EXPECT_GE(a.delta[i].reference, 0);
      }
    }
    EXPECT_EQ(a.DeletableAttributes().size(), static_cast<std::size_t>(a.deletable));

    // The analyser reads all values in one request; attribute by attribute gives the same.
    VectorTaggedList source;
    VectorTaggedList target;
    ASSERT_EQ(ReadClassOrSchemaAttributes(session_, ctx_, c.objectClass, source), 0);
    ASSERT_EQ(ReadClassAttributes(session_, ctx_, c.target, target), 0);
    const Analysis oneByOne =
        AnalyseObject(session_, {ctx_, c.object, c.objectClass, c.target, &source, &target, true, false, nullptr});
    EXPECT_EQ(oneByOne.info, a.info);
    ASSERT_EQ(oneByOne.delta.size(), a.delta.size());
    for (std::size_t i = 0; i < a.delta.size(); ++i) EXPECT_EQ(oneByOne.delta[i].text, a.delta[i].text);

    // Read ahead and analysed apart, as a plan does: the same decision, without texts.
    PreparedAnalysis prepared;
    ASSERT_EQ(analyser.Prepare(ctx_, c.object, c.objectClass, c.target, &prepared), 0);
    const Analysis apart = AnalysePrepared(std::move(prepared));
    EXPECT_EQ(apart.verdict, a.verdict);
    EXPECT_EQ(std::tie(apart.canRecast, apart.canDelete, apart.deletable, apart.undeletable, apart.missing),
              std::tie(a.canRecast, a.canDelete, a.deletable, a.undeletable, a.missing));
    EXPECT_EQ(apart.conflictAttributeList, a.conflictAttributeList);
    ASSERT_EQ(apart.conflicts.size(), a.conflicts.size());
    for (std::size_t i = 0; i < a.conflicts.size(); ++i) {
      EXPECT_EQ(std::tie(apart.conflicts[i].attribute, apart.conflicts[i].mark, apart.conflicts[i].value),
                std::tie(a.conflicts[i].attribute, a.conflicts[i].mark, a.conflicts[i].value));
    }
    EXPECT_TRUE(apart.info.empty());
    EXPECT_TRUE(apart.summary.empty());
  }
}

TEST_F(AnalysisTest, NotReadyUnknownClassAndCancelAfterTheFirstStep) {
  ASSERT_EQ(SetNameContext(session_, ctx_, "OU=Recast Demo.O=ACME"), 0);
  EXPECT_EQ(AnalyseObject(session_, AnalysisInput{}).summary, "Please select an Object and a target class");

  ObjectAnalyser analyser(session_);
  Analysis a;
  EXPECT_NE(analyser.Analyse(ctx_, "Dora Deletable", "User", "No Such Class", &a), 0);
  EXPECT_EQ(a.verdict, Verdict::kNotReady);

  int steps = 0;
  AnalysisHooks hooks;
  hooks.step = [&](const Analysis&) { ++steps; };
  hooks.cancelRequested = [&] { return steps > 0; };
  ASSERT_EQ(analyser.Analyse(ctx_, "Dora Deletable", "User", "Organizational Person", &a, hooks), 0);
  EXPECT_EQ(a.verdict, Verdict::kCancelled);
  EXPECT_EQ(a.delta.size(), 1u);
  EXPECT_FALSE(a.canRecast || a.canDelete);
}

}  // namespace
}  // namespace recast::engine
