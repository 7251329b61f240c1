#pragma once
// The workflow behind the main window: the state the window keeps while it is open and
// every handler, named after its event or action. The widget class (MainForm) only lays out
// the controls; this class connects to them and does the work through the directory layer.
//
// Handlers that the user can start (all but FormCreate) hold back user input while they run
// and do nothing when called while another one runs.

#include <QObject>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/AppServices.h"
#include "app/InputBlocker.h"
#include "app/ResponsiveUserInterface.h"
#include "directory/DirGuards.h"
#include "directory/DirectorySession.h"

namespace recast::app {

class MainForm;
class ListBox;

class MainFormController : public QObject {
  Q_OBJECT

 public:
  // The Info text is shown only from a regular file of at most this size.
  static constexpr std::uintmax_t kMaxInfoTextBytes = 1024 * 1024;

  // Connects to form's controls and runs FormCreate. form must outlive the controller.
  MainFormController(MainForm& form, AppServices services);
  ~MainFormController() override;

  // ---- Start-up and close (window handlers) ----
  void FormCreate();
  void FormShow();
  void FormClose();
  // Closes the window as its close box does (settings written); work that runs is asked to
  // cancel at its next step, and the close follows when it is over.
  void RequestClose();
  void BitBtnWebClick();
  void SpeedButton1Click();

  // ---- Tree, container and object selection ----
  void ChangeTree();
  void GetContainerInfo();
  void ListBoxContainersDblClick();
  void ObjectSelected();

  // ---- Attribute delta analysis ----
  void TargetClassSelected();
  void CalculateAttributesDelta();
  void ListBoxDeltaClick();

  // ---- Conflict deletion and class change ----
  void BitBtnDeleteConflictsClick();
  void BitBtnRecastClick();

  // ---- List saving (the list is the one PopupMenu was opened on) ----
  void PopupSaveAsClick();

  // ---- State, for the window's own tests ----
  DirContext MainContext() const { return mainContext_; }
  bool HasMainContext() const { return hasMainContext_; }
  const std::string& SelectedObjectName() const { return selectedObjectName_; }
  const std::string& SelectedObjectClass() const { return selectedObjectClass_; }
  const std::string& TargetClassName() const { return targetClassName_; }
  const std::vector<std::string>& ConflictAttributeList() const { return conflictAttributeList_; }
  const std::string& AnalysisSummary() const { return analysisSummary_; }
  // The context every call for the selected object goes through: the tree and container
  // where it was picked.
  DirContext SelectionContext() const;
  bool Busy() const { return blocker_.Active(); }

 private:
  void ConnectControls();
  // One message box for each notice the directory services gathered.
  void ShowServiceNotices();
  void LoadInfoText();
  // ObjectSelected's work, run with input held back.
  void SelectObjectLine(int row);
  // Refills lbTargetClassAttributes with TargetClassName's definition from the selected
  // object's tree. On failure shows the status text, leaves no definition and returns false.
  bool ReadTargetClassDefinition();

  MainForm& form_;
  AppServices services_;
  ResponsiveUserInterface ui_;
  DirectorySession session_;
  InputBlocker blocker_;

  DirContext mainContext_ = kNoContext;
  bool hasMainContext_ = false;
  ScopedContext selectionContext_;
  std::string selectedObjectName_;
  std::string selectedObjectClass_;
  std::string targetClassName_;
  // The tree the last read of targetClassName_'s definition asked, and whether it delivered
  // the definition now in lbTargetClassAttributes.
  std::string targetDefinitionTree_;
  bool targetDefinitionRead_ = false;
  std::vector<std::string> conflictAttributeList_;
  std::string analysisSummary_;
  bool closed_ = false;
};

}  // namespace recast::app
