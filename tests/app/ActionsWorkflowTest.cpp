// The analysis, the two actions on the directory and list saving, driven through the window.
#include <fstream>
#include <sstream>

#include "MainWindowFixture.h"
#include "tests/directory/support/CountingClient.h"
#include "tests/util/StrictXml.h"
#include "util/TextHelpers.h"

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
  expected.insert(expected.end(),
                  {"", "  Deleting attribute: Title", "  Deleting attribute: Room", "  Error: 0xFFFFFDA5", ""});
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
  EXPECT_EQ(ProtocolFrom(before),
            (Strings{"", "", "Recasting object: Bob", "", "    Bob not recast (0xFFFFFD9F)", ""}));
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
  EXPECT_TRUE(IsWellFormedXml(ReadFile(TempPath("log.xml"))));

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

// Reads of one attribute fail with a chosen status, as when the server goes down or another
// client deletes the object between the selection and the analysis.
class FailingReadsClient : public recast::testing::CountingClient {
 public:
  using CountingClient::CountingClient;
  void FailReadsOf(const std::string& attrName, DirStatus status) {
    failAttribute_ = attrName;
    failStatus_ = status;
  }
  DirStatus PutAttrName(DirContext ctx, DirBuffer buffer, const char* name) override {
    requested_[buffer] = name;
    return CountingClient::PutAttrName(ctx, buffer, name);
  }
  DirStatus ReadObject(DirContext ctx, const char* object, std::uint32_t type, bool all, DirBuffer names,
                       IterationHandle* it, DirBuffer reply) override {
    if (failStatus_ != 0 && TextEquals(requested_[names], failAttribute_)) return failStatus_;
    return CountingClient::ReadObject(ctx, object, type, all, names, it, reply);
  }

 private:
  std::map<DirBuffer, std::string> requested_;
  std::string failAttribute_;
  DirStatus failStatus_ = 0;
};

class UnreadableValueTest : public ActionsWorkflowTest {
 protected:
  void SetUp() override {
    delayOpen_ = true;
    ActionsWorkflowTest::SetUp();
    reads_ = std::make_unique<FailingReadsClient>(*client_);
    services_.client = reads_.get();
    OpenWindow();
  }
  std::unique_ptr<FailingReadsClient> reads_;
};

TEST_F(UnreadableValueTest, AReadThatFailsForAnyOtherReasonThanNoValueLeavesTheAnalysisIncomplete) {
  const std::string incomplete =
      "The analysis is incomplete: 1 attributes could not be read, so it is not known whether the object can be "
      "recast. Remove the cause shown in the list and select the object again.";
  const std::string deleteFirst =
      "There are conflicts on 1 valued attributes. You can recast the object after deleting these attributes.";
  const struct {
    const char* attr;
    DirStatus status;
    Strings delta;
    std::string unreadLine;  // the ListBoxInfo line of the "? " entry, its last line
    Strings conflicts;
    std::string summary;
  } cases[] = {
      // Bob to Badge Holder: Telephone Number and Title must go, Surname is mandatory there.
      {"Title",
       kErrServerUnavailable,
       {"? Title", "* Telephone Number", "Full Name"},
       "Error: Could not read attribute \"Title\": 0xFFFFFD8F. Select the object again once it can be read.",
       {"Telephone Number"},
       incomplete},
      {"Title",
       kErrNoSuchEntry,
       {"? Title", "* Telephone Number", "Full Name"},
       "Error: Could not read attribute \"Title\": 0xFFFFFDA7. Select the object again once it can be read.",
       {"Telephone Number"},
       incomplete},
      {"Surname",
       kErrServerUnavailable,
       {"? Surname", "* Telephone Number", "* Title", "Full Name"},
       "Error: Could not read attribute \"Surname\": 0xFFFFFD8F. Select the object again once it can be read.",
       {"Telephone Number", "Title"},
       incomplete},
      // No such value or attribute, in either sign, is an answer: the attribute has no value.
      {"Title", kErrNoSuchValue, {"* Telephone Number", "Full Name", "Title"}, "", {"Telephone Number"}, deleteFirst},
      {"Title",
       -kErrNoSuchAttribute,
       {"* Telephone Number", "Full Name", "Title"},
       "",
       {"Telephone Number"},
       deleteFirst},
  };
  Walk({"Sales"});
  SelectObject("Person: Bob");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.attr) + " " + std::to_string(c.status));
    reads_->FailReadsOf(c.attr, c.status);
    ChooseTarget("Badge Holder");
    EXPECT_EQ(Lines(*form_->ListBoxDelta), c.delta);
    const Strings info = Lines(*form_->ListBoxInfo);
    const bool unread = !c.unreadLine.empty();
    if (unread) {
      EXPECT_EQ(info.back(), c.unreadLine);
      const int line = form_->ListBoxDelta->Items().IndexOf(std::string("? ") + c.attr);
      EXPECT_EQ(form_->ListBoxDelta->Items().Tag(line), static_cast<std::int32_t>(info.size() - 1));
    }
    EXPECT_EQ(controller_->ConflictAttributeList(), c.conflicts);
    EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
    EXPECT_EQ(form_->BitBtnDeleteConflicts->isEnabled(), !unread);
    EXPECT_EQ(controller_->AnalysisSummary(), c.summary);
  }
}

// DELTA's schema defines Person and Contact differently from ALPHA's and has Visitor, which
// ALPHA lacks; ALPHA has Staff, which DELTA lacks.
class TwoSchemasTest : public ActionsWorkflowTest {
 protected:
  void SetUp() override {
    delayOpen_ = true;
    ActionsWorkflowTest::SetUp();
    std::ofstream(directory_.folder() / "connections.ini", std::ios::app) << DeltaConnection();
    client_ = directory_.NewClient();
    services_.client = client_.get();
    OpenWindow();
  }
};

TEST_F(TwoSchemasTest, TargetChosenFromAnotherTreesListIsReadFromTheObjectsTree) {
  Analyse("Alice", "Contact");
  const Strings alphaContact = Lines(*form_->lbTargetClassAttributes);
  ChooseCombo(*form_->ComboBoxTrees, "DELTA");
  ChooseTarget("Contact");
  EXPECT_EQ(Lines(*form_->lbTargetClassAttributes), alphaContact);
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
  EXPECT_EQ(Lines(*form_->ListBoxInfo)[1], "   Current value: \"Smith\"");

  // A class the object's tree does not know: the status text, the results stay.
  ChooseTarget("Visitor");
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0], (ScriptedUserInterface::Message{MessageBoxKind::Custom, "0xFFFFFDA4"}));
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
}

TEST_F(TwoSchemasTest, TargetKeptAcrossATreeChangeIsReadAgainForAnObjectOfTheNewTree) {
  // Staff exists in ALPHA only: Eve's tree cannot deliver it, so nothing is analysed.
  Walk({"Sales"});
  ChooseTarget("Staff");
  ChooseCombo(*form_->ComboBoxTrees, "DELTA");
  Walk({"Sales"});
  SelectObject("Person: Eve");
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0], (ScriptedUserInterface::Message{MessageBoxKind::Custom, "0xFFFFFDA4"}));
  EXPECT_TRUE(Lines(*form_->ListBoxDelta).empty());
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(), "Please select an Object and a target class");

  ChooseTarget("Contact");
  EXPECT_EQ(Lines(*form_->lbTargetClassAttributes), (Strings{"CN", "Object Class", "Surname", "Title"}));
  EXPECT_EQ(controller_->AnalysisSummary(), "No conflicts. \"Person:Eve\" can be changed to \"Contact\"");

  // Back in ALPHA, Alice is analysed against ALPHA's Contact.
  ChooseCombo(*form_->ComboBoxTrees, "ALPHA");
  Walk({"Sales"});
  SelectObject("Person: Alice");
  EXPECT_EQ(Lines(*form_->lbTargetClassAttributes), (Strings{"CN", "Description", "Object Class", "Telephone Number"}));
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
  EXPECT_EQ(ui_.messages().size(), 1u);
}

TEST_F(TwoSchemasTest, AValueThatNamesTheEntryCannotBeDeleted) {
  // Title is optional for DELTA's Person and not allowed for Visitor, but it names Chief.
  ChooseCombo(*form_->ComboBoxTrees, "DELTA");
  Walk({"Sales"});
  ChooseTarget("Visitor");
  SelectObject("Person: Chief");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Title"}));
  EXPECT_EQ(Lines(*form_->ListBoxInfo),
            (Strings{"Error: We will not be able to delete attribute \"Title\" which is illegal for target class",
                     "   It is part of the object's name \"Title=Chief\": rename the object to recast it",
                     "   Current value: \"Chief\"", "   AttrType: (CI_STRING)"}));
  EXPECT_EQ(SelectedLines(*form_->lbSourceClassAttributes), (Strings{"Title"}));
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_EQ(controller_->AnalysisSummary(),
            "There are conflicts on 1 mandatory attributes. You cannot recast the object.");

  // Eve's Title is only a value: it can go.
  SelectObject("Person: Eve");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"* Title"}));
  EXPECT_TRUE(form_->BitBtnDeleteConflicts->isEnabled());
}

TEST_F(ActionsWorkflowTest, SavingAsksBeforeReplacingAndReportsAFailedWrite) {
  const std::string path = TempPath("log.txt").string();
  const std::string gone = TempPath("gone/log.txt").string();
  auto saveProtocol = [&](const std::string& file) {
    ui_.QueueSaveFileName(file);
    form_->OpenPopupMenu(form_->ListBoxProtocol, QPoint(0, 0));
    form_->PopupSaveAs->trigger();
    form_->PopupMenu->hide();
  };
  std::ofstream(path) << "old";
  ui_.QueueOkAbort(true);
  saveProtocol(path);
  EXPECT_EQ(ui_.questions(), Strings{path + " already exists. Replace it?"});
  EXPECT_EQ(ReadFile(path), "\r\n");  // the empty log replaced the old text

  saveProtocol(gone);
  EXPECT_EQ(ui_.messages(), (std::vector<ScriptedUserInterface::Message>{
                                {MessageBoxKind::Error, "Could not write " + gone +
                                                            ": No such file or directory. Choose a folder that "
                                                            "exists and save again."}}));
}

}  // namespace
}  // namespace recast::app::testing
