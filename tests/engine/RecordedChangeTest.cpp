// Journaled changes, their resumption and their undo, on a fresh demo store per test.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "directory/Directory.h"
#include "engine/RecordedChange.h"
#include "engine/Undo.h"
#include "tests/engine/DemoDirectory.h"

namespace recast::engine {
namespace {

namespace fs = std::filesystem;

class RecordedChangeTest : public ::testing::Test {
 protected:
  RecordedChangeTest() : session_(demo_.session()), client_(&demo_.client()), ctx_(demo_.ctx()) {
    EXPECT_EQ(SetNameContext(session_, ctx_, "OU=Recast Demo.O=ACME"), 0);
    journalPath_ = PlanJournalPath(demo_.dataFolder(), "ACME_CORP", "p1", JournalForm::kJsonLines);
  }

  std::string Values(const std::string& object, const std::string& attr) {
    std::string text;
    GetAttributeValueText(session_, ctx_, object, attr, &text);
    return text;
  }
  std::string ClassOf(const std::string& object) {
    JournalRecord r;
    r.object = object;
    ObjectState state;
    EXPECT_EQ(ReadObjectState(session_, ctx_, r, &state), 0);
    return state.objectClass;
  }
  JournalContent Journal() {
    JournalContent content;
    EXPECT_TRUE(ReadJournal(journalPath_, &content).ok());
    return content;
  }

  testing::DemoDirectory demo_;
  DirectorySession& session_;
  DirectoryClient* client_;
  const DirContext ctx_;
  fs::path journalPath_;
};

TEST(ResumeDecision, FollowsTheObjectsStateNow) {
  const JournalRecord recast{1, "o", "Group", std::string("Organizational Role"), {{"Member", "x"}, {"Mail", "y"}}, ""};
  const JournalRecord deleteOnly{2, "o", "Group", std::nullopt, {{"Member", "x"}}, ""};
  struct Case {
    const JournalRecord& record;
    ObjectState state;
    ResumeAction action;
  };
  const Case cases[] = {
      {recast, {true, "organizational role", {}}, ResumeAction::kAlreadyDone},
      {recast, {true, "Group", {"Member", "Mail"}}, ResumeAction::kCarryOut},
      {recast, {true, "Group", {"Mail"}}, ResumeAction::kContinue},
      {recast, {true, "Group", {}}, ResumeAction::kContinue},
      {recast, {true, "Organizational Role", {"Mail"}}, ResumeAction::kContinue},
      {recast, {true, "User", {}}, ResumeAction::kLeftAlone},
      {recast, {false, "", {}}, ResumeAction::kLeftAlone},
      {deleteOnly, {true, "Group", {}}, ResumeAction::kAlreadyDone},
      {deleteOnly, {true, "Group", {"Member"}}, ResumeAction::kCarryOut},
      {deleteOnly, {true, "Organizational Role", {}}, ResumeAction::kLeftAlone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DecideResume(c.record, c.state), c.action)
        << c.state.objectClass << " " << c.state.valuedAttributes.size();
  }
}

TEST_F(RecordedChangeTest, RecastThenUndoPutsEverythingBackOnce) {
  const std::string before = Values("Helpdesk Group", "Member");
  ASSERT_FALSE(before.empty());
  JournalWriter journal;
  ASSERT_TRUE(journal.OpenNew(journalPath_, JournalForm::kJsonLines, {"ACME_CORP", std::string("p1"), ""}).ok());
  const std::string to = "Organizational Role";
  RecastOutcome outcome;
  ASSERT_EQ(
      RecastWithJournal(session_, ctx_, journal, "Helpdesk Group", "Group", &to, {"Member", "See Also"}, &outcome), 0)
      << outcome.message;
  journal.Close();
  EXPECT_EQ(outcome.record, 1);
  EXPECT_TRUE(outcome.classChanged);
  EXPECT_EQ(ClassOf("Helpdesk Group"), to);
  EXPECT_EQ(Values("Helpdesk Group", "Member"), "");
  ASSERT_EQ(Journal().entries.size(), 1u);
  EXPECT_EQ(Journal().entries[0].state, RecordState::kDone);
  EXPECT_EQ(Journal().entries[0].record.removed.size(), 1u);  // See Also holds no value

  UndoReport report;
  ASSERT_EQ(UndoJournal(session_, ctx_, journalPath_.string(), nullptr, &report), 0) << report.fileError.text;
  EXPECT_EQ(report.undone, 1);
  EXPECT_EQ(ClassOf("Helpdesk Group"), "Group");
  EXPECT_EQ(Values("Helpdesk Group", "Member"), before);

  ASSERT_EQ(UndoJournal(session_, ctx_, journalPath_.string(), nullptr, &report), 0);
  EXPECT_EQ(report.undone, 0);
  EXPECT_EQ(report.alreadyUndone, 1);
}

TEST_F(RecordedChangeTest, PendingRecordsAreFinishedWithoutASecondRecord) {
  JournalWriter journal;
  ASSERT_TRUE(journal.OpenNew(journalPath_, JournalForm::kJsonLines, {"ACME_CORP", std::nullopt, ""}).ok());
  // As a kill right after the record was written would leave it.
  std::string member;
  ASSERT_EQ(client_->ExportAttributeValues(ctx_, "Helpdesk Group", "Member", &member), 0);
  JournalRecord pending{0, "Helpdesk Group", "Group", std::string("Organizational Role"), {{"Member", member}}, ""};
  ASSERT_TRUE(journal.Append(pending).ok());
  ResumeAction action{};
  RecastOutcome outcome;
  ASSERT_EQ(ResumeRecorded(session_, ctx_, journal, pending, &action, &outcome), 0) << outcome.message;
  EXPECT_EQ(action, ResumeAction::kCarryOut);
  EXPECT_EQ(ResumeRecorded(session_, ctx_, journal, pending, &action, &outcome), 0);
  EXPECT_EQ(action, ResumeAction::kAlreadyDone);
  journal.Close();
  EXPECT_EQ(ClassOf("Helpdesk Group"), "Organizational Role");
  ASSERT_EQ(Journal().entries.size(), 1u);
  EXPECT_EQ(Journal().entries[0].state, RecordState::kDone);
}

TEST_F(RecordedChangeTest, UndoLeavesAnObjectChangedSinceAloneAndFiltersByObject) {
  JournalWriter journal;
  ASSERT_TRUE(journal.OpenNew(journalPath_, JournalForm::kJsonLines, {"ACME_CORP", std::nullopt, ""}).ok());
  // A record whose object has been given another class since.
  JournalRecord changedSince{0, "Helpdesk Group", "User", std::string("Person"), {{"Member", "x"}}, ""};
  ASSERT_TRUE(journal.Append(changedSince).ok());
  ASSERT_TRUE(journal.MarkDone(changedSince.number).ok());
  journal.Close();
  const std::string other = "Nobody";
  UndoReport report;
  EXPECT_EQ(UndoJournal(session_, ctx_, journalPath_.string(), &other, &report), 0);
  EXPECT_TRUE(report.items.empty());
  const std::string mine = "helpdesk group";
  EXPECT_EQ(UndoJournal(session_, ctx_, journalPath_.string(), &mine, &report), 0);
  ASSERT_EQ(report.items.size(), 1u);
  EXPECT_EQ(report.items[0].result, UndoResult::kLeftAlone) << report.items[0].message;
  EXPECT_EQ(report.leftAlone, 1);
  EXPECT_EQ(ClassOf("Helpdesk Group"), "Group");
  EXPECT_EQ(Journal().entries[0].state, RecordState::kDone);
}

}  // namespace
}  // namespace recast::engine
