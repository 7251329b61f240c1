// Start-up, close, tree and container navigation and object selection, driven through the
// window's controls.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <fstream>

#include "MainWindowFixture.h"
#include "app/TerminationSignals.h"
#include "platform/profile/Profile.h"

namespace recast::app::testing {
namespace {

using Strings = std::vector<std::string>;

class SelectionWorkflowTest : public MainWindowFixture {};

TEST_F(SelectionWorkflowTest, StartsOnTheInfoTabWithThePrimaryTreesDefaultContainerListed) {
  EXPECT_EQ(form_->PageControl1->currentWidget(), form_->TabSheet1);
  EXPECT_EQ(form_->Memo1->toPlainText().toStdString(), "About this program\nSecond line\n");
  EXPECT_EQ(form_->ComboBoxTrees->Items().Lines(), (Strings{"ALPHA", "BETA"}));
  EXPECT_EQ(form_->ComboBoxTrees->currentText(), "ALPHA");
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Org");
  EXPECT_FALSE(form_->EditMyName->text().isEmpty());
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"[ .. ]", "Dev", "Sales"}));
  EXPECT_EQ(Lines(*form_->ListBoxObjects),
            (Strings{"Organizational Unit: Dev", "Organizational Unit: Sales", "Person: Admin"}));
  EXPECT_EQ(Tags(*form_->ListBoxObjects), (std::vector<std::int32_t>{21, 21, 8}));
  EXPECT_EQ(form_->cbTargetClasses->Items().Lines(),
            (Strings{"Badge Holder", "Contact", "Member", "Organization", "Organizational Unit", "Person", "Pictured",
                     "Portrait", "Staff", "Titled", "Top"}));
  EXPECT_EQ(form_->cbTargetClasses->currentIndex(), -1);
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
  EXPECT_FALSE(form_->BitBtnDeleteConflicts->isEnabled());
  EXPECT_TRUE(controller_->SelectedObjectName().empty());
  EXPECT_TRUE(ui_.transcript().empty());
}

TEST_F(SelectionWorkflowTest, ContainerWalkPutsParentLineFirstExceptAtRoot) {
  form_->PageControl1->setCurrentWidget(form_->TabSheet2);
  Walk({"[ .. ]"});
  EXPECT_EQ(form_->EditCurrentContainer->text(), "[Root]");
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"Org"}));
  EXPECT_EQ(Lines(*form_->ListBoxObjects), (Strings{"Organization: Org"}));

  Walk({"Org", "Sales"});
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Sales.Org");
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"[ .. ]", "East"}));
  EXPECT_EQ(Lines(*form_->ListBoxObjects),
            (Strings{"Organizational Unit: East", "Person: Alice", "Person: Bob", "Person: Carol"}));
  Walk({"East"});
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"[ .. ]"}));
  EXPECT_EQ(Lines(*form_->ListBoxObjects), (Strings{"Portrait: Dave"}));
  Walk({"[ .. ]", "[ .. ]"});
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Org");
}

TEST_F(SelectionWorkflowTest, DoubleClickWithoutSelectionAndTypedContainer) {
  form_->ListBoxContainers->ClearLineSelection();
  controller_->ListBoxContainersDblClick();
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Org");

  // A typed container is the base the double-clicked line is joined to.
  form_->EditCurrentContainer->setText("Org");
  Walk({"Sales"});
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Sales.Org");
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"[ .. ]", "East"}));
}

TEST_F(SelectionWorkflowTest, SelectingAnObjectFillsTheClassSideAndBringsTheChangeTabForward) {
  Walk({"Sales"});
  SelectObject("Person: Alice");
  EXPECT_EQ(controller_->SelectedObjectName(), "Alice");
  EXPECT_EQ(controller_->SelectedObjectClass(), "Person");
  EXPECT_EQ(form_->PageControl1->currentWidget(), form_->TabSheet3);
  EXPECT_EQ(form_->cbSourceClasses->Items().Lines(), (Strings{"Person", "Top"}));
  EXPECT_EQ(form_->cbSourceClasses->currentIndex(), 0);
  EXPECT_EQ(Lines(*form_->lbSourceClassAttributes),
            (Strings{"CN", "Description", "Full Name", "Object Class", "Surname", "Telephone Number", "Title"}));
  EXPECT_EQ(form_->lbSourceClassAttributes->Items().Tag(form_->lbSourceClassAttributes->Items().IndexOf("Title")), 4);
  EXPECT_EQ(form_->lbSourceClassAttributes->Items().Tag(form_->lbSourceClassAttributes->Items().IndexOf("CN")), 3);

  // No target class chosen yet: the object's own class is shown, nothing is analysed.
  EXPECT_EQ(form_->cbTargetClasses->currentText(), "Person");
  EXPECT_TRUE(controller_->TargetClassName().empty());
  EXPECT_EQ(controller_->AnalysisSummary(), "Please select an Object and a target class");
  EXPECT_TRUE(Lines(*form_->ListBoxDelta).empty());
  EXPECT_FALSE(form_->BitBtnRecast->isEnabled());
}

TEST_F(SelectionWorkflowTest, EveryKeyboardStepThroughObjectsAndTargetsRunsItsHandler) {
  Walk({"Sales"});
  ChooseTarget("Contact");
  form_->PageControl1->setCurrentWidget(form_->TabSheet2);
  ListBox& objects = *form_->ListBoxObjects;
  objects.setFocus();
  objects.SelectLine(objects.Items().IndexOf("Person: Alice"));
  EXPECT_EQ(controller_->SelectedObjectName(), "Alice");
  EXPECT_EQ(form_->PageControl1->currentWidget(), form_->TabSheet3);
  QTest::keyClick(&objects, Qt::Key_Down);
  EXPECT_EQ(controller_->SelectedObjectName(), "Bob");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
  QTest::keyClick(&objects, Qt::Key_Down);
  EXPECT_EQ(controller_->SelectedObjectName(), "Carol");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "Full Name", "Title"}));

  // The target combo box: each step by keyboard is a new choice and a new analysis.
  ComboBox& targets = *form_->cbTargetClasses;
  targets.setFocus();
  QTest::keyClick(&targets, Qt::Key_Up);
  EXPECT_EQ(controller_->TargetClassName(), "Badge Holder");
  EXPECT_EQ(Lines(*form_->lbTargetClassAttributes), (Strings{"CN", "Description", "Object Class", "Surname"}));
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"Full Name", "Telephone Number", "Title"}));
}

TEST_F(SelectionWorkflowTest, EveryListShowsWhatItHoldsAfterEachHandler) {
  const auto expectAllShown = [this](const char* step) {
    for (ListBox* list : form_->findChildren<ListBox*>()) {
      EXPECT_EQ(Shown(*list), Lines(*list)) << step << ": " << list->objectName().toStdString();
    }
  };
  Walk({"Sales"});
  SelectObject("Person: Alice");  // before any target class: no analysis follows the fill
  EXPECT_EQ(Shown(*form_->lbSourceClassAttributes),
            (Strings{"CN", "Description", "Full Name", "Object Class", "Surname", "Telephone Number", "Title"}));
  expectAllShown("object first");

  CloseWindow();
  OpenWindow();
  ChooseTarget("Contact");  // before any object
  EXPECT_FALSE(Shown(*form_->lbTargetClassAttributes).empty());
  expectAllShown("target first");

  form_->cbTargetClasses->Items().Add("Ghost", 0);
  form_->cbTargetClasses->Items().Flush();
  ChooseTarget("Ghost");
  expectAllShown("unreadable target");
}

TEST_F(SelectionWorkflowTest, ReadingAListKeepsItsViewsSelection) {
  Walk({"Sales"});
  ChooseTarget("Contact");
  SelectObject("Person: Alice");
  ListBox& source = *form_->lbSourceClassAttributes;
  ASSERT_EQ(SelectedLines(source), (Strings{"Surname"}));
  source.Items().Add("Zeta", 0);  // waiting to be shown
  EXPECT_EQ(source.Items().Count(), 8);
  EXPECT_EQ(source.Items().IndexOf("Zeta"), 7);
  EXPECT_EQ(source.Items().Text(7), "Zeta");
  EXPECT_EQ(SelectedLines(source), (Strings{"Surname"}));
}

TEST_F(SelectionWorkflowTest, DoubleClickOnTheEmptyAreaOrReturnOpensTheSelectedContainer) {
  form_->PageControl1->setCurrentWidget(form_->TabSheet2);
  ListBox& containers = *form_->ListBoxContainers;
  ClickLine(containers, "Sales");
  const QRect last = containers.visualRect(containers.model()->index(containers.model()->rowCount() - 1, 0));
  const QPoint below(last.center().x(), last.bottom() + 3 * last.height());
  ASSERT_FALSE(containers.indexAt(below).isValid());
  QTest::mouseDClick(containers.viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Sales.Org");

  ClickLine(containers, "East");
  containers.setFocus();
  QTest::keyClick(&containers, Qt::Key_Return);
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".East.Sales.Org");
  QTest::keyClick(&containers, Qt::Key_Down);  // onto "[ .. ]", the only line
  QTest::keyClick(&containers, Qt::Key_Enter);
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Sales.Org");
}

TEST_F(SelectionWorkflowTest, TypingAClassNameIntoTheClosedTargetListSelectsIt) {
  Walk({"Sales"});
  SelectObject("Person: Alice");
  ChooseTarget("Contact");
  ComboBox& targets = *form_->cbTargetClasses;
  targets.setFocus();
  // "P" selects Person and starts its analysis; the rest is typed while it runs.
  ui_.SetOnProcessPendingMessages([&] {
    ui_.SetOnProcessPendingMessages(nullptr);
    QTest::keyClicks(&targets, "ic");
  });
  QTest::keyClick(&targets, Qt::Key_P, Qt::ShiftModifier);
  EXPECT_EQ(controller_->TargetClassName(), "Person");
  EXPECT_TRUE(QTest::qWaitFor([&] { return controller_->TargetClassName() == "Pictured"; }));
  EXPECT_EQ(targets.currentText(), "Pictured");
  QTest::keyClicks(&targets, "organizational u");  // the blank belongs to the name
  EXPECT_EQ(controller_->TargetClassName(), "Organizational Unit");
}

TEST_F(SelectionWorkflowTest, TreeChangeRelistsAndEmptiesTheTargetChoiceButKeepsTheTarget) {
  Walk({"Sales"});
  ChooseTarget("Member");
  SelectObject("Person: Carol");
  ChooseCombo(*form_->ComboBoxTrees, "BETA");
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Org");
  EXPECT_EQ(Lines(*form_->ListBoxObjects), (Strings{"Organizational Unit: Sales", "Person: Reader"}));
  EXPECT_EQ(form_->cbTargetClasses->currentIndex(), -1);
  EXPECT_EQ(controller_->TargetClassName(), "Member");
  EXPECT_EQ(controller_->SelectedObjectName(), "Carol");
  EXPECT_FALSE(Lines(*form_->lbTargetClassAttributes).empty());
  EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(SelectionWorkflowTest, FailedTreeChangeIsReportedAndTheHandlerGoesOn) {
  form_->ComboBoxTrees->Items().Add("GAMMA", 0);
  ChooseCombo(*form_->ComboBoxTrees, "GAMMA");
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0].kind, MessageBoxKind::Error);
  EXPECT_EQ(ui_.messages()[0].text.rfind("Error ", 0), 0u) << ui_.messages()[0].text;
  EXPECT_NE(ui_.messages()[0].text.find(": DSChangeCurrentTree"), std::string::npos);
  // The context stayed on its tree and container, which are listed again.
  EXPECT_EQ(form_->EditCurrentContainer->text(), ".Org");
  EXPECT_EQ(Lines(*form_->ListBoxContainers), (Strings{"[ .. ]", "Dev", "Sales"}));
  EXPECT_EQ(form_->cbTargetClasses->count(), 11);
}

TEST_F(SelectionWorkflowTest, SummaryButtonAndWebButton) {
  Click(*form_->SpeedButton1);
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0], (ScriptedUserInterface::Message{MessageBoxKind::Custom, ""}));
  Click(*form_->BitBtnWeb);
  EXPECT_EQ(shellOpened_, (Strings{"https://recast-object.example.org"}));
}

TEST_F(SelectionWorkflowTest, CloseWritesPlacementAndTheTwoComboTexts) {
  Walk({"Sales"});
  ChooseTarget("Member");
  SelectObject("Person: Carol");
  form_->setGeometry(40, 50, 900, 640);
  CloseWindow();
  const std::filesystem::path ini = SettingsFile();
  EXPECT_EQ(profile::GetPrivateProfileString("Settings", "cbTargetClasses", "?", ini), "Member");
  EXPECT_EQ(profile::GetPrivateProfileString("Settings", "cbSourceClasses", "?", ini), "Person");
  EXPECT_EQ(profile::GetPrivateProfileInt("Settings", "MainForm.Width", 0, ini), 900);
  EXPECT_EQ(profile::GetPrivateProfileInt("Settings", "MainForm.Height", 0, ini), 640);
  EXPECT_FALSE(controller_->HasMainContext());
}

TEST_F(SelectionWorkflowTest, TermAndIntCloseTheWindowAsTheCloseBoxDoesAfterTheRunningWork) {
  TerminationSignals termination([this] { controller_->RequestClose(); });
  ASSERT_TRUE(termination.Active());
  const auto expectClosedWithSettings = [this](const char* when) {
    EXPECT_TRUE(QTest::qWaitFor([this] { return !form_->isVisible(); })) << when;
    EXPECT_FALSE(controller_->HasMainContext()) << when;
    EXPECT_NE(profile::GetPrivateProfileInt("Settings", "MainForm.Width", 0, SettingsFile()), 0) << when;
  };
  ::kill(::getpid(), SIGTERM);
  expectClosedWithSettings("idle");

  OpenWindow();
  Walk({"Sales"});
  SelectObject("Person: Alice");
  ui_.SetOnProcessPendingMessages([this] {
    ui_.SetOnProcessPendingMessages(nullptr);
    ::kill(::getpid(), SIGINT);
    QTest::qWait(20);  // the window's thread sees the signal while the analysis yields
    EXPECT_TRUE(form_->isVisible()) << "the close waits for the analysis";
  });
  ChooseTarget("Contact");
  EXPECT_EQ(controller_->AnalysisSummary().rfind("The analysis was cancelled,", 0), 0u);
  expectClosedWithSettings("during an analysis");
}

class RestoredPlacementTest : public MainWindowFixture {
 protected:
  void SetUp() override {
    delayOpen_ = true;
    MainWindowFixture::SetUp();
  }
};

TEST_F(RestoredPlacementTest, PlacementIsRestoredWhenShownAndInfoTabAlwaysFirst) {
  std::filesystem::create_directories(TempPath("config"));
  std::ofstream(SettingsFile()) << "[Settings]\nMainForm.Width=701\nMainForm.Height=507\n";
  OpenWindow();
  EXPECT_EQ(form_->width(), 701);
  EXPECT_EQ(form_->height(), 507);
  EXPECT_EQ(form_->PageControl1->currentWidget(), form_->TabSheet1);
}

TEST_F(RestoredPlacementTest, MissingInfoFileAndUnreadableClientConfiguration) {
  services_.infoFileName = TempPath("nowhere.txt").string();
  std::ofstream(TempPath("connections.ini")) << "this is not a connection file\n";
  client_ = directory_.NewClient();
  services_.client = client_.get();
  OpenWindow();
  EXPECT_EQ(form_->Memo1->toPlainText().toStdString(), "Could not find " + TempPath("nowhere.txt").string());
  ASSERT_EQ(ui_.messages().size(), 1u);
  EXPECT_EQ(ui_.messages()[0].kind, MessageBoxKind::Error);
  EXPECT_EQ(ui_.messages()[0].text.rfind("Could not initialize NetWare Client. InitNetWare returned error 0xFFFF", 0),
            0u)
      << ui_.messages()[0].text;
  EXPECT_EQ(form_->ComboBoxTrees->count(), 0);
  EXPECT_FALSE(controller_->HasMainContext());
  CloseWindow();
  EXPECT_TRUE(std::filesystem::exists(SettingsFile()));
}

TEST_F(RestoredPlacementTest, InfoTextOnlyFromARegularFileOfSaneSize) {
  const std::filesystem::path fifo = TempPath("fifo.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::filesystem::path zero = TempPath("zero.txt");
  std::filesystem::create_symlink("/dev/zero", zero);
  const std::filesystem::path huge = TempPath("huge.txt");
  std::ofstream(huge) << std::string(MainFormController::kMaxInfoTextBytes + 1, 'x');
  const std::filesystem::path folder = TempPath("folder.txt");
  std::filesystem::create_directory(folder);
  for (const std::filesystem::path& path : {fifo, zero, huge, folder}) {
    services_.infoFileName = path.string();
    OpenWindow();
    EXPECT_EQ(form_->Memo1->toPlainText().toStdString(), "Could not find " + path.string());
    CloseWindow();
  }
}

TEST_F(SelectionWorkflowTest, InputIsHeldBackWhileAnAnalysisRuns) {
  Walk({"Sales"});
  ChooseTarget("Contact");
  int midway = 0;
  ui_.SetOnProcessPendingMessages([&] {
    if (midway++ > 0) return;
    EXPECT_TRUE(controller_->Busy());
    // A click on another object and on the summary button in the middle change nothing.
    form_->PageControl1->setCurrentWidget(form_->TabSheet2);
    QListView& objects = *form_->ListBoxObjects;
    const int carol = form_->ListBoxObjects->Items().IndexOf("Person: Carol");
    QTest::mouseClick(objects.viewport(), Qt::LeftButton, {},
                      objects.visualRect(objects.model()->index(carol, 0)).center());
    emit form_->SpeedButton1->clicked();
  });
  SelectObject("Person: Alice");
  ui_.SetOnProcessPendingMessages(nullptr);
  EXPECT_GT(midway, 0);
  EXPECT_EQ(controller_->SelectedObjectName(), "Alice");
  EXPECT_EQ(Lines(*form_->ListBoxDelta), (Strings{"! Surname", "* Title", "Full Name"}));
  EXPECT_TRUE(ui_.messages().empty());
  EXPECT_FALSE(controller_->Busy());
}

}  // namespace
}  // namespace recast::app::testing
