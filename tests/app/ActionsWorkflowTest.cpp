// The analysis, the two actions on the directory and list saving, driven through the window.
#include <fstream>
#include <sstream>

#include "MainWindowFixture.h"

namespace recast::app::testing {
namespace {

using Strings = std::vector<std::string>;

class ActionsWorkflowTest : public MainWindowFixture {
 protected:
  void Analyse(const std::string& object, const std::string& target) {
    Walk({"Sales"});
    ChooseTarget(target);
    SelectObject("Person: " + object);
  }
  std::vector<std::string> ProtocolFrom(std::size_t first) {
    Strings lines = Lines(*form_->ListBoxProtocol);
    return Strings(lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size())), lines.end());
  }
  static std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
};

TEST_F(ActionsWorkflowTest, UndeletableConflictBlocksBothActions) {
  // Alice (Person) to Contact: Surname is valued and mandatory now, Title valued and
  // optional, Full Name allowed now but unvalued; CN, Object Class and the telephone fit.
  Analyse("Alice", "Contact");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
  EXPECT_EQ(Lines(*form_->ListBoxInfo),
            (Strings{"Error: We will not be able to delete attribute \"Surname\" which is illegal for target class",
                     "   Current value: \"Smith\"", "   AttrType: (CI_STRING)",
                     "Warning: We will need to delete attribute \"Title\" which is illegal for target class",
                     "   Current value: \"Boss\"", "   AttrType: (CI_STRING)"}));
  EXPECT_EQ(Tags(*form_->ListBoxDelta), (std::vector<std::int32_t>{0, 3, -1}));
  EXPECT_EQ(SelectedLines(*form_->lbSourceClassAttributes), (Strings{"Surname"}));
  EXPECT_TRUE(SelectedLines(*form_->lbTargetClassAttributes).empty());
  EXPECT_EQ(controller_->ConflictAttributeList(), (Strings{"Surname", "Title"}));
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are conflicts on 1 mandatory attributes. You cannot recast the object.");

  // A conflict leads to its explanation; an unmarked line to none.
  ClickLine(*form_->ListBoxDelta, "* Title");
  EXPECT_EQ(form_->ListBoxInfo->SelectedIndex(), 3);
  ClickLine(*form_->ListBoxDelta, "Full Name");
  EXPECT_EQ(form_->ListBoxInfo->SelectedIndex(), -1);
  ClickLine(*form_->ListBoxDelta, "! Surname");
  EXPECT_EQ(form_->ListBoxInfo->SelectedIndex(), 0);
  EXPECT_TRUE(Lines(*form_->ListBoxProtocol).empty()) << "analysis writes no log";
}

TEST_F(ActionsWorkflowTest, UnreadableTargetClassIsShownAndLeavesTheLastResults) {
  Analyse("Bob", "Staff");
  const Strings delta = Lines(*form_->ListBoxDelta);
  form_->cbTargetClasses->Items().Add("Ghost", 0);
  form_->cbTargetClasses->Items().Flush();
  ChooseTarget("Ghost");
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0], (ScriptedUserInterface::Message{MessageBoxKind::Custom, "0xFFFFFDA4"}));
  EXPECT_EQ(Lines(*form_->ListBoxDelta), delta);
  EXPECT_TRUE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->TargetClassName(), "Ghost");
}

TEST_F(ActionsWorkflowTest, SeveralValuesShowInOneValueLine) {
  Analyse("Bob", "Badge Holder");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"* Telephone Number", "* Title", "Full Name"}));
  EXPECT_EQ(Lines(*form_->ListBoxInfo)[1], "   Current value: \"555 0102\r\n555 0103\"");
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are conflicts on 2 valued attributes. You can recast the object after deleting these attributes.");
}

TEST_F(ActionsWorkflowTest, NoConflictsAndAssignValueWarning) {
  Analyse("Carol", "Member");
  EXPECT_TRUE(Lines(*form_->ListBoxDelta).empty());
  EXPECT_TRUE(Lines(*form_->ListBoxInfo).empty());
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(), "No conflicts. \"Person:Carol\" can be changed to \"Member\"");

  // Title is mandatory for Titled and allowed for Person; Carol has no Title at all, so the
  // value read fails and nothing is reported.
  ChooseTarget("Titled");
  EXPECT_TRUE(Lines(*form_->ListBoxDelta).empty());
  EXPECT_TRUE(Lines(*form_->ListBoxInfo).empty());
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled());

  // Dave's Photo is there but empty: the target requires a value.
  Walk({"East"});
  ChooseTarget("Pictured");
  SelectObject("Portrait: Dave");
  EXPECT_TRUE(Lines(*form_->ListBoxDelta).empty());
  EXPECT_EQ(Lines(*form_->ListBoxInfo),
            (Strings{"Warning: You need to assign a value to \"Photo\" because it is mandatory for the target class"}));
  EXPECT_EQ(SelectedLines(*form_->lbTargetClassAttributes), (Strings{"Photo"}));
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(), "No conflicts. \"Portrait:Dave\" can be changed to \"Pictured\"");
}

TEST_F(ActionsWorkflowTest, OnlyUnvaluedConflictsLeaveTheClassChangeOpen) {
  Analyse("Carol", "Badge Holder");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"Full Name", "Telephone Number", "Title"}));
  EXPECT_EQ(Tags(*form_->ListBoxDelta), (std::vector<std::int32_t>{-1, -1, -1}));
  EXPECT_TRUE(Lines(*form_->ListBoxInfo).empty());
  EXPECT_TRUE(controller_->ConflictAttributeList().empty());
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are attribute conflicts, but since these are on 3 unvalued attributes, you can recast the object.");
  Click(*form_->SpeedButton1);
  EXPECT_EQ(ui_.messages().back().text, controller_->AnalysisSummary());
}

TEST_F(ActionsWorkflowTest, EscapeCancelsAListingAnAnalysisAndADeletionAtTheirNextStep) {
  // Escape at the first step at which the given list holds at least one line.
  const auto escapeOnceFilled = [this](ListBox& list) {
    ui_.SetOnProcessPendingMessages([this, &list] {
      if (list.Items().Count() == 0) return;
      ui_.SetOnProcessPendingMessages(nullptr);
      QTest::keyClick(form_.get(), Qt::Key_Escape);
    });
  };
  escapeOnceFilled(*form_->ListBoxObjects);
  Walk({"Sales"});  // four entries; the one read when Escape came is still listed
  EXPECT_EQ(Lines(*form_->ListBoxObjects).size(), 2u);
  Walk({"[ .. ]", "Sales"});
  EXPECT_EQ(Lines(*form_->ListBoxObjects).size(), 4u) << "the next listing is whole";

  SelectObject("Person: Alice");
  escapeOnceFilled(*form_->ListBoxDelta);
  ChooseTarget("Contact");  // in full: "! Surname", "* Title", "Full Name"
  EXPECT_EQ(Lines(*form_->ListBoxDelta).size(), 1u);
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary().rfind("The analysis was cancelled,", 0), 0u);

  // Bob to Badge Holder: Telephone Number and Title must go.
  ChooseTarget("Badge Holder");
  SelectObject("Person: Bob");
  ASSERT_EQ(controller_->ConflictAttributeList(), (Strings{"Telephone Number", "Title"}));
  ui_.QueueOkAbort(true);
  escapeOnceFilled(*form_->ListBoxProtocol);
  Click(*form_->BitBtnDeleteConflicts);
  const Strings log = Lines(*form_->ListBoxProtocol);
  EXPECT_EQ(Strings(log.end() - 3, log.end()),
            (Strings{"  Deleting attribute: Telephone Number",
                     "  Cancelled: 1 of 2 attributes were not deleted. Press Delete Conflicts again to "
                     "delete them.",
                     ""}));
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Title"), "Clerk");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"* Title", "Full Name", "Telephone Number"})) << "analysed again";
  EXPECT_TRUE(form_->BitBtnDeleteConflicts->isEnabled());
}

TEST_F(ActionsWorkflowTest, DeletionLogsEachRemovalAndItsFailureThenAnalysesAgain) {
  // Bob to Staff: Title must go, Room is mandatory for Staff and missing.
  Analyse("Bob", "Staff");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"- Room", "* Title"}));
  EXPECT_EQ(controller_->ConflictAttributeList(), (Strings{"Title", "Room"}));
  EXPECT_EQ(SelectedLines(*form_->lbTargetClassAttributes), (Strings{"Room"}));
  EXPECT_TRUE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  const Strings info = Lines(*form_->ListBoxInfo);
  EXPECT_EQ(info, (Strings{"Warning: We will need to delete attribute \"Title\" which is illegal for target class",
                           "   Current value: \"Clerk\"", "   AttrType: (CI_STRING)",
                           "Error: Mandatory target attribute \"Room\" not available for object",
                           "   AttrType: (CI_STRING [SglVal\\Sized (1-16)])"}));

  // Abort: nothing logged, nothing deleted.
  ui_.QueueOkAbort(false);
  Click(*form_->BitBtnDeleteConflicts);
  EXPECT_EQ(ui_.questions(), (Strings{"Are you sure?"}));
  EXPECT_TRUE(Lines(*form_->ListBoxProtocol).empty());
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Title"), "Clerk");

  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  Strings expected{"", "", "Deleting excess attributes for object: Bob", ""};
  expected.insert(expected.end(), info.begin(), info.end());
  expected.insert(expected.end(), {"", "  Deleting attribute: Title", "  Deleting attribute: Room",
                                   "  Error: 0xFFFFFDA5", ""});
  EXPECT_EQ(Lines(*form_->ListBoxProtocol), expected);
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Title"), "");

  // The analysis ran again on what is left.
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"- Room", "Title"}));
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are attribute conflicts, but since these are on 2 unvalued attributes, you can recast the object.");

  // Room is still missing, so the directory refuses the class change.
  const std::size_t before = Lines(*form_->ListBoxProtocol).size();
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ProtocolFrom(before), (Strings{"", "", "Recasting object: Bob", "", "    Bob not recast (0xFFFFFD9F)", ""}));
  EXPECT_EQ(ui_.messages().back(),
            (ScriptedUserInterface::Message{MessageBoxKind::Custom, "Bob not recast (0xFFFFFD9F)"}));
  EXPECT_TRUE(form_->BitBtnRecast->isEnabled()) << "nothing is refreshed after a class change";
}

TEST_F(ActionsWorkflowTest, SuccessfulClassChangeIsLoggedAndShown) {
  Analyse("Carol", "Member");
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(Lines(*form_->ListBoxProtocol), (Strings{"", "", "Recasting object: Carol", "", "    Carol recast", ""}));
  EXPECT_EQ(ui_.messages().back(), (ScriptedUserInterface::Message{MessageBoxKind::Custom, "Carol recast"}));
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Carol.Sales.Org", "Object Class"), "Member\r\nTop");
}

// The actions address the object where it was picked, not a same-named object of the
// container or tree shown when the button is pressed.
TEST_F(ActionsWorkflowTest, DeletionAfterNavigatingAwayHitsTheSelectedObject) {
  Analyse("Bob", "Staff");
  Walk({"[ .. ]", "Dev"});
  ASSERT_EQ(Lines(*form_->ListBoxObjects), (Strings{"Person: Bob"}));
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Title"), "");
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Dev.Org", "Title"), "Developer");
  EXPECT_EQ(Lines(*form_->ListBoxProtocol)[2], "Deleting excess attributes for object: Bob");
  // The analysis after the deletion still shows the selected Bob.
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"- Room", "Title"}));
}

TEST_F(ActionsWorkflowTest, ClassChangeAfterChangingTheTreeHitsTheSelectedObject) {
  Analyse("Bob", "Member");
  ChooseCombo(*form_->ComboBoxTrees, "BETA");
  Walk({"Sales"});
  ASSERT_EQ(Lines(*form_->ListBoxObjects), (Strings{"Person: Bob"}));
  ChooseTarget("Member");  // the tree change emptied the choice
  Click(*form_->BitBtnRecast);
  EXPECT_EQ(ui_.messages().back().text, "Bob recast");
  EXPECT_EQ(directory_.ValueOf("ALPHA", ".Bob.Sales.Org", "Object Class"), "Member\r\nTop");
  EXPECT_EQ(directory_.ValueOf("BETA", ".Bob.Sales.Org", "Object Class"), "Person\r\nTop");
}

TEST_F(ActionsWorkflowTest, SavingTheFiveListsByExtension) {
  Analyse("Bob", "Staff");
  ui_.QueueOkAbort(true);
  Click(*form_->BitBtnDeleteConflicts);

  const struct {
    ListBox* list;
    const char* defaultName;
  } lists[] = {{form_->ListBoxProtocol, "ALPHA-Protocol"},
               {form_->ListBoxInfo, "ALPHA-Info"},
               {form_->ListBoxDelta, "ALPHA-Delta"},
               {form_->lbSourceClassAttributes, "ALPHA-lbSourceClassAttributes"},
               {form_->lbTargetClassAttributes, "ALPHA-lbTargetClassAttributes"}};
  for (const auto& l : lists) {
    ui_.QueueSaveFileName(std::nullopt);
    form_->OpenPopupMenu(l.list, QPoint(0, 0));
    form_->PopupSaveAs->trigger();
    form_->PopupMenu->hide();
    ASSERT_FALSE(ui_.saveRequests().empty());
    const SaveDialogRequest& request = ui_.saveRequests().back();
    EXPECT_EQ(request.defaultFileName, l.defaultName);
    EXPECT_EQ(request.defaultExtension, "txt");
    EXPECT_EQ(request.filter, "Text Files|*.txt|All Files|*.*");
  }

  const Strings protocol = Lines(*form_->ListBoxProtocol);
  for (const char* name : {"log.txt", "log.HTM", "log.xml"}) {
    ui_.QueueSaveFileName(TempPath(name).string());
    form_->OpenPopupMenu(form_->ListBoxProtocol, QPoint(0, 0));
    form_->PopupSaveAs->trigger();
    form_->PopupMenu->hide();
    const std::string text = ReadFile(TempPath(name));
    EXPECT_NE(text.find("  Deleting attribute: Room"), std::string::npos) << name;
  }
  EXPECT_NE(ReadFile(TempPath("log.txt")).find("Deleting excess attributes for object: Bob\r\n"), std::string::npos);
  EXPECT_NE(ReadFile(TempPath("log.HTM")).find("<"), std::string::npos);
  EXPECT_NE(ReadFile(TempPath("log.xml")).find("<?xml"), std::string::npos);

  ui_.QueueSaveFileName(TempPath("x.clipboard").string());
  form_->OpenPopupMenu(form_->ListBoxDelta, QPoint(0, 0));
  form_->PopupSaveAs->trigger();
  form_->PopupMenu->hide();
  EXPECT_NE(clipboard_.GetText().find("- Room"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(TempPath("x.clipboard")));

  // With no tree shown the name begins with the hyphen.
  form_->ComboBoxTrees->ShowEntry(-1);
  ui_.QueueSaveFileName(std::nullopt);
  form_->OpenPopupMenu(form_->ListBoxProtocol, QPoint(0, 0));
  form_->PopupSaveAs->trigger();
  form_->PopupMenu->hide();
  EXPECT_EQ(ui_.saveRequests().back().defaultFileName, "-Protocol");
  EXPECT_EQ(Lines(*form_->ListBoxProtocol), protocol) << "saving writes no log";
}

}  // namespace
}  // namespace recast::app::testing
