#include "app/MainFormController.h"

#include <QFile>

#include <filesystem>

#include "app/MainForm.h"
#include "directory/Connection.h"
#include "directory/Trees.h"
#include "util/Cp1252.h"
#include "util/Dialogs.h"

namespace recast::app {

namespace {

DirectorySession MakeSession(const AppServices& services, UserInterface& ui) {
  if (services.errorTextLibrary.empty()) return DirectorySession(*services.client, ui);
  return DirectorySession(*services.client, ui, services.errorTextLibrary);
}

}  // namespace

MainFormController::MainFormController(MainForm& form, AppServices services)
    : form_(form),
      services_(std::move(services)),
      ui_(*services_.ui, services_.messageIntervalMs),
      session_(MakeSession(services_, ui_)),
      blocker_(form) {
  ui_.SetCancelSource(blocker_);
  for (ListBox* list : {form_.ListBoxContainers, form_.ListBoxObjects, form_.lbSourceClassAttributes,
                        form_.lbTargetClassAttributes, form_.ListBoxDelta, form_.ListBoxInfo, form_.ListBoxProtocol}) {
    ui_.Watch(list->Items());
  }
  for (ComboBox* combo : {form_.ComboBoxTrees, form_.cbSourceClasses, form_.cbTargetClasses}) {
    ui_.Watch(combo->Items());
  }
  ConnectControls();
  InputHold hold(blocker_);
  FormCreate();
  ui_.ShowAll();
  ShowServiceNotices();
}

MainFormController::~MainFormController() {
  // A window destroyed without being closed still gives its context back.
  selectionContext_.Release();
  if (hasMainContext_) services_.client->FreeContext(mainContext_);
}

void MainFormController::ConnectControls() {
  // Every entry point the user can reach: ignored while another one runs, and holding input
  // back while it runs itself.
  const auto guarded = [this](void (MainFormController::*handler)()) {
    return [this, handler] {
      if (Busy() || closed_) return;
      InputHold hold(blocker_);
      services_.client->BeginUserAction();
      (this->*handler)();
      // What the lists hold is on screen when the handler is over, whichever path it took.
      ui_.ShowAll();
      ShowServiceNotices();
    };
  };
  connect(form_.ComboBoxTrees, &QComboBox::activated, this, guarded(&MainFormController::ChangeTree));
  connect(form_.ListBoxContainers, &ListBox::LineOpened, this, guarded(&MainFormController::ListBoxContainersDblClick));
  connect(form_.ListBoxObjects, &ListBox::LineClicked, this, guarded(&MainFormController::ObjectSelected));
  connect(form_.cbTargetClasses, &QComboBox::activated, this, guarded(&MainFormController::TargetClassSelected));
  connect(form_.ListBoxDelta, &ListBox::LineClicked, this, guarded(&MainFormController::ListBoxDeltaClick));
  connect(form_.BitBtnDeleteConflicts, &QPushButton::clicked, this,
          guarded(&MainFormController::BitBtnDeleteConflictsClick));
  connect(form_.BitBtnRecast, &QPushButton::clicked, this, guarded(&MainFormController::BitBtnRecastClick));
  connect(form_.SpeedButton1, &QToolButton::clicked, this, guarded(&MainFormController::SpeedButton1Click));
  connect(form_.BitBtnWeb, &QPushButton::clicked, this, guarded(&MainFormController::BitBtnWebClick));
  connect(form_.PopupSaveAs, &QAction::triggered, this, guarded(&MainFormController::PopupSaveAsClick));
  connect(&form_, &MainForm::FormShown, this, &MainFormController::FormShow);
  connect(&form_, &MainForm::FormClosing, this, &MainFormController::FormClose);
}

void MainFormController::ShowServiceNotices() {
  for (const std::string& notice : services_.client->TakeNotices()) {
    ShowMessageBox(ui_, MessageBoxKind::Information, notice);
  }
}

DirContext MainFormController::SelectionContext() const {
  return selectionContext_.held() ? selectionContext_.get() : mainContext_;
}

void MainFormController::LoadInfoText() {
  const std::string& path = services_.infoFileName;
  // Only a regular file of a sane size: a FIFO would block the start, a device or a huge
  // file would exhaust memory.
  std::error_code error;
  const bool regular = !path.empty() && std::filesystem::is_regular_file(path, error);
  const std::uintmax_t size = regular ? std::filesystem::file_size(path, error) : 0;
  QFile file(QString::fromStdString(path));
  if (regular && !error && size <= kMaxInfoTextBytes && file.open(QIODevice::ReadOnly)) {
    const QByteArray bytes = file.read(static_cast<qint64>(kMaxInfoTextBytes) + 1);
    if (file.error() == QFileDevice::NoError && static_cast<std::uintmax_t>(bytes.size()) <= kMaxInfoTextBytes) {
      form_.Memo1->setPlainText(QString::fromStdString(DisplayUtf8(std::string_view(bytes.constData(), bytes.size()))));
      return;
    }
  }
  form_.Memo1->setPlainText(QString::fromStdString("Could not find " + path));
}

void MainFormController::FormCreate() {
  LoadInfoText();
  conflictAttributeList_.clear();
  form_.PageControl1->setCurrentWidget(form_.TabSheet1);

  if (InitNetWare(session_) != 0) return;

  hasMainContext_ = services_.client->CreateContext(&mainContext_) == 0;

  // A failure while filling the trees or applying the primary one leaves what was filled.
  try {
    EnumerateTrees(session_, form_.ComboBoxTrees->Items());
    if (form_.ComboBoxTrees->Items().Count() > 0) {
      const std::string primary = GetPrimaryTreeName(session_);
      form_.ComboBoxTrees->ShowEntry(form_.ComboBoxTrees->Items().IndexOf(primary));
      ChangeTree();
    } else {
      form_.ComboBoxTrees->ShowEntry(-1);
    }
  } catch (...) {
  }

  selectedObjectClass_.clear();
  selectedObjectName_.clear();
}

void MainFormController::FormShow() {
  if (services_.restoreMainWindowPlacement) services_.restoreMainWindowPlacement(form_);
}

void MainFormController::FormClose() {
  if (closed_) return;
  closed_ = true;
  selectionContext_.Release();
  if (hasMainContext_) {
    services_.client->FreeContext(mainContext_);
    hasMainContext_ = false;
  }
  if (services_.saveMainWindowPlacement) services_.saveMainWindowPlacement(form_);
  if (services_.savePageSettings) services_.savePageSettings(*form_.TabSheet3);
}

void MainFormController::RequestClose() {
  blocker_.RequestCancel();
  form_.close();
}

void MainFormController::BitBtnWebClick() {
  if (services_.shellOpen) services_.shellOpen(form_.BitBtnWeb->text().toStdString());
}

void MainFormController::SpeedButton1Click() { ShowMessageBox(ui_, MessageBoxKind::Custom, analysisSummary_); }

}  // namespace recast::app
