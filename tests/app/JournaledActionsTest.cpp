// With a data folder the two actions keep what they change in the window's journal: the
// Protocol reads as without one, and undo puts both changes back.
#include "MainWindowFixture.h"
#include "directory/Directory.h"
#include "engine/Undo.h"

namespace recast::app::testing {
namespace {

using Strings = std::vector<std::string>;

class JournaledActionsTest : public MainWindowFixture {
 protected:
  JournaledActionsTest() { delayOpen_ = true; }
  void SetUp() override {
    MainWindowFixture::SetUp();
    services_.dataFolder = TempPath("data");
    OpenWindow();
  }
  void Analyse(const std::string& object, const std::string& target) {
    ChooseTarget(target);
    SelectObject("Person: " + object);
  }
};

TEST_F(JournaledActionsTest, BothActionsAreJournaledAndUndone) {
  Walk({"Sales"});
  Analyse("Bob", "Staff");
  const Strings info = Lines(*form_->ListBoxInfo);
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  Strings expected{"", "", "Deleting excess attributes for object: Bob", ""};
  expected.insert(expected.end(), info.begin(), info.end());
  expected.insert(expected.end(),
                  {"", "  Deleting attribute: Title", "  Deleting attribute: Room", "  Error: 0xFFFFFDA5", ""});
  EXPECT_EQ(Lines(*form_->ListBoxProtocol), expected);
  Analyse("Carol", "Member");
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(Lines(*form_->ListBoxProtocol).back(), "");
  EXPECT_EQ(Lines(*form_->ListBoxProtocol)[expected.size() + 4], "    Carol recast");

  const std::filesystem::path journals = engine::JournalFolder(TempPath("data"));
  std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(journals), {});
  ASSERT_EQ(files.size(), 1u);
  engine::JournalContent content;
  ASSERT_TRUE(engine::ReadJournal(files[0], &content).ok());
  ASSERT_EQ(content.entries.size(), 2u);
  EXPECT_EQ(content.entries[0].record.object, ".Bob.Sales.Org");
  EXPECT_EQ(content.entries[0].record.to, std::nullopt);
  EXPECT_EQ(content.entries[1].record.to, std::optional<std::string>("Member"));

  DirectorySession session(*client_, ui_, kNoErrorTextLibrary);
  engine::UndoReport report;
  ASSERT_EQ(engine::UndoJournal(session, controller_->MainContext(), files[0].string(), nullptr, &report), 0)
      << (report.items.empty() ? report.fileError.text : report.items[0].message);
  EXPECT_EQ(report.undone, 2);
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Title"), "Clerk");
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Carol.Sales.Org", "Object Class").substr(0, 6), "Person");
}

}  // namespace
}  // namespace recast::app::testing
