// The two actions on the directory: deleting the conflicting attributes and changing the
// object's class. Both write what they did to the Protocol list.
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "directory/AttributeRemoval.h"
#include "directory/ErrorText.h"
#include "util/Dialogs.h"
#include "util/Format.h"

namespace recast::app {

void MainFormController::BitBtnDeleteConflictsClick() {
  if (!ConfirmAction(ui_)) return;
  TaggedListModel& protocol = form_.ListBoxProtocol->Items();
  protocol.Add("", 0);
  protocol.Add("", 0);
  protocol.Add(Format("Deleting excess attributes for object: %s", {selectedObjectName_}), 0);
  protocol.Add("", 0);
  for (const std::string& line : form_.ListBoxInfo->Items().Lines()) protocol.Add(line, 0);
  protocol.Add("", 0);

  // The list is rebuilt by the analysis below; walk a copy.
  const std::vector<std::string> names = conflictAttributeList_;
  for (std::size_t done = 0; done < names.size(); ++done) {
    const std::string& name = names[done];
    if (ui_.CancelRequested()) {
      protocol.Add(Format("  Cancelled: %u of %u attributes were not deleted. Press Delete Conflicts "
                          "again to delete them.",
                          {static_cast<std::uint32_t>(names.size() - done), static_cast<std::uint32_t>(names.size())}),
                   0);
      break;
    }
    protocol.Add(Format("  Deleting attribute: %s", {name}), 0);
    const DirStatus status = ModifyAttribute(session_, SelectionContext(), selectedObjectName_, name, nullptr,
                                             nullptr, kChangeRemoveAttribute);
    if (status != 0) protocol.Add(Format("  Error: %s", {DirErrorText(session_, status)}), 0);
    ui_.ProcessPendingMessages();
  }
  protocol.Add("", 0);
  // Even after a cancel the conflicts shown must be the directory's, not those deleted.
  blocker_.ClearCancelRequest();
  CalculateAttributesDelta();
}

void MainFormController::BitBtnRecastClick() {
  const int shown = form_.cbTargetClasses->currentIndex();
  if (selectedObjectName_.empty() || shown < 0) return;
  const std::string newClass = form_.cbTargetClasses->Items().Text(shown);

  TaggedListModel& protocol = form_.ListBoxProtocol->Items();
  protocol.Add("", 0);
  protocol.Add("", 0);
  protocol.Add(Format("Recasting object: %s", {selectedObjectName_}), 0);
  protocol.Add("", 0);
  const DirStatus status =
      services_.client->NWDSMutateObject(SelectionContext(), selectedObjectName_.c_str(), newClass.c_str(), 0);
  const std::string result =
      status == 0 ? Format("%s recast", {selectedObjectName_})
                  : Format("%s not recast (%s)", {selectedObjectName_, DirErrorText(session_, status)});
  protocol.Add("    " + result, 0);
  ShowMessageBox(ui_, MessageBoxKind::Custom, result);
  protocol.Add("", 0);
}

}  // namespace recast::app
