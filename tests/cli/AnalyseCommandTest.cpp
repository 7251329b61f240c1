// analyse on the demo directory: each walked case prints the window's lines and verdict and
// exits with its code.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>

#include "tests/cli/CliTestSupport.h"

namespace recast::cli::testing {
namespace {

using Strings = std::vector<std::string>;

// The delta lines that carry a mark, sorted.
Strings MarkedLines(const std::string& out) {
  Strings marked;
  for (const std::string& line : Lines(out)) {
    if (line.size() > 2 && line[1] == ' ' && (line[0] == '*' || line[0] == '!' || line[0] == '-' || line[0] == '?')) {
      marked.push_back(line);
    }
  }
  std::sort(marked.begin(), marked.end());
  return marked;
}

class AnalyseCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { home_ = new Home(); }
  static void TearDownTestSuite() { delete home_; }
  static Home* home_;  // the demo directory (no configuration file)
};
Home* AnalyseCommandTest::home_ = nullptr;

TEST_F(AnalyseCommandTest, DemoCasesPrintTheWindowsLinesAndExitByVerdict) {
  struct Case {
    const char* tree;
    const char* object;
    const char* target;
    int exitCode;
    Strings marked;
    const char* summary;  // the last line
  };
  const Case cases[] = {
      {"ACME_CORP",
       "Dora Deletable.OU=Recast Demo",
       "Organizational Person",
       3,
       {"* Language", "* Login Disabled"},
       "There are conflicts on 2 valued attributes. You can recast the object after deleting these attributes."},
      {"ACME_CORP",
       ".CN=Fixed Queue.OU=Recast Demo.O=ACME",
       "Organizational Role",
       4,
       {"! Host Server", "! Queue Directory"},
       "There are conflicts on 2 mandatory attributes. You cannot recast the object."},
      {"ACME_CORP",
       "Plain Person.OU=Recast Demo",
       "Person",
       0,
       {},
       "There are attribute conflicts, but since these are on 13 unvalued attributes, you can recast the object."},
      {"ACME_CORP",
       "Lobby Printer.OU=Recast Demo",
       "Print Queue",
       4,
       {"* Page Description Language", "- Queue Directory"},
       "There are conflicts on 1 valued attributes. You can recast the object after deleting these attributes."},
      {"ACME_CORP",
       "Helpdesk Group.OU=Recast Demo",
       "Organizational Role",
       3,
       {"* Member"},
       "There are conflicts on 1 valued attributes. You can recast the object after deleting these attributes."},
      {"ACME_CORP",
       "Harbor Master.L=Harbor",
       "Group",
       0,
       {},
       "There are attribute conflicts, but since these are on 6 unvalued attributes, you can recast the object."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object);
    const Result r = RunProgram(*home_, {"analyse", "--tree", c.tree, "--object", c.object, "--to", c.target});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(MarkedLines(r.out), c.marked);
    ASSERT_FALSE(Lines(r.out).empty());
    EXPECT_EQ(Lines(r.out).back(), c.summary);
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(AnalyseCommandTest, JsonHoldsTheSameLinesVerdictAndCounters) {
  const Result text = RunProgram(
      *home_, {"analyse", "--tree", "ACME_CORP", "--object", "Lobby Printer.OU=Recast Demo", "--to", "Print Queue"});
  const Result r = RunProgram(*home_, {"analyse", "--tree", "ACME_CORP", "--object", "Lobby Printer.OU=Recast Demo",
                                       "--to", "Print Queue", "--json"});
  ASSERT_EQ(r.exitCode, 4) << r.err;
  const nlohmann::json j = nlohmann::json::parse(r.out, nullptr, false);
  ASSERT_TRUE(j.is_object()) << r.out;
  EXPECT_EQ(j["verdict"], "missing-mandatory");
  EXPECT_EQ(j["counters"]["deletable"], 1);
  EXPECT_EQ(j["summary"], Lines(text.out).back());
  Strings lines;
  for (const auto& line : j["delta"]) lines.push_back(line["text"]);
  const Strings printed = Lines(text.out);
  EXPECT_EQ(lines, Strings(printed.begin(), printed.begin() + static_cast<long>(lines.size())));
  for (const auto& line : j["delta"]) {
    if (line["mark"] == "-") {
      EXPECT_EQ(line["attribute"], "Queue Directory");
      EXPECT_GE(line["reference"], 0);
    }
  }
}

// The demo's guest may read but not write: apply says so per object and exits 1.
TEST_F(AnalyseCommandTest, ApplyWithAReadOnlyLoginFailsNamingTheMissingRight) {
  const std::string plan = (home_->path() / "lab.plan").string();
  ASSERT_EQ(RunProgram(*home_, {"plan", "--tree", "LAB_TREE", "--container", "OU=Devices", "--to",
                                "Organizational Person", "--from", "User", "--out", plan})
                .exitCode,
            0);
  const Result r = RunProgram(*home_, {"apply", plan, "--delete-conflicts"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Lines(r.out).front(),
            "failed: CN=Tester.OU=Devices: removing Login Disabled failed (0xFFFFFD60 (No access: the login lacks the "
            "rights for this operation)); the journal keeps its values, so undo can put back what was removed");
}

// Wrong input: the cause named on stderr, the exit code, nothing on stdout.
TEST_F(AnalyseCommandTest, BadInputNamesItsCause) {
  struct Case {
    Strings args;
    int exitCode;
    const char* message;  // part of stderr
  };
  const Case cases[] = {
      {{"analyse", "--tree", "NO_TREE", "--object", "x", "--to", "Person"}, 1, "Unknown tree \"NO_TREE\""},
      {{"analyse", "--tree", "ACME_CORP", "--object", "Nobody.OU=Recast Demo", "--to", "Person"},
       1,
       "No object \"Nobody.OU=Recast Demo\" in tree ACME_CORP"},
      {{"analyse", "--tree", "ACME_CORP", "--object", "Plain Person.OU=Recast Demo", "--to", "Persona"},
       1,
       "Unknown class \"Persona\""},
      {{"analyse", "--tree", "ACME_CORP", "--object", "x"}, 2, "analyse needs --to"},
      {{"analyse", "--tree", "ACME_CORP", "--object", "x", "--to", "Person", "--colour"},
       2,
       "unknown option \"--colour\""},
      {{"analyse", "--tree"}, 2, "option --tree needs a value"},
      {{"recast"}, 2, "unknown command \"recast\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.back());
    const Result r = RunProgram(*home_, c.args);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    if (c.exitCode == 2) {
      EXPECT_NE(r.err.find("Usage:"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace recast::cli::testing
