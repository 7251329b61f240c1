// The two actions on the directory: deleting the conflicting attributes and changing the
// object's class. Both write what they did to the Protocol list and, with a data folder, keep
// what they remove and change in the window's journal of the day, so that undo can put it back.
#include <ctime>

#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "directory/AttributeRemoval.h"
#include "directory/Contexts.h"
#include "directory/ErrorText.h"
#include "directory/Names.h"
#include "engine/RecordedChange.h"
#include "util/Dialogs.h"
#include "util/Format.h"

namespace recast::app {
namespace {

// Opens today's window journal of ctx's tree; "" when it is open, else why not.
std::string OpenWindowJournal(DirectorySession& session, const std::filesystem::path& dataFolder, DirContext ctx,
                              const std::string& object, engine::JournalWriter& journal) {
  const engine::JournalForm form = engine::JournalFormFor(session, ctx, object);
  const std::string tree = GetContextTreeName(session, ctx);
  const engine::FileError e = journal.Open(engine::WindowJournalPath(dataFolder, tree, form, std::time(nullptr)), form,
                                           {tree, std::nullopt, ""});
  return e.ok() ? std::string() : Format("nothing was changed: %s", {e.text});
}

// The object's name from the top of the tree, so that undo finds it from any context.
std::string FullName(DirectorySession& session, DirContext ctx, const std::string& object) {
  const std::string container = GetNameContext(session, ctx);
  return AddLeadingDot(container.empty() || IsSpecialName(container) ? object : object + "." + container);
}

}  // namespace

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
  const DirContext ctx = SelectionContext();
  std::size_t done = 0;
  engine::RecastHooks hooks;
  hooks.windowRemovals = true;
  hooks.cancelRequested = [&] {
    if (!ui_.CancelRequested()) return false;
    protocol.Add(Format("  Cancelled: %u of %u attributes were not deleted. Press Delete Conflicts "
                        "again to delete them.",
                        {static_cast<std::uint32_t>(names.size() - done), static_cast<std::uint32_t>(names.size())}),
                 0);
    return true;
  };
  hooks.removing = [&](const std::string& name) { protocol.Add(Format("  Deleting attribute: %s", {name}), 0); };
  hooks.removed = [&](const std::string&, DirStatus status) {
    ++done;
    if (status != 0) protocol.Add(Format("  Error: %s", {DirErrorText(session_, status)}), 0);
    ui_.ProcessPendingMessages();
  };

  if (services_.dataFolder.empty()) {
    for (const std::string& name : names) {
      if (hooks.cancelRequested()) break;
      hooks.removing(name);
      hooks.removed(
          name, ModifyAttribute(session_, ctx, selectedObjectName_, name, nullptr, nullptr, kChangeRemoveAttribute));
    }
  } else {
    engine::JournalWriter journal;
    std::string error = OpenWindowJournal(session_, services_.dataFolder, ctx, selectedObjectName_, journal);
    if (error.empty()) {
      hooks.recordedName = FullName(session_, ctx, selectedObjectName_);
      engine::RecastOutcome outcome;
      const DirStatus status = engine::RecastWithJournal(session_, ctx, journal, selectedObjectName_,
                                                         selectedObjectClass_, nullptr, names, hooks, &outcome);
      // A failure before the first removal changed nothing and has not been shown yet.
      if (status != 0 && done == 0) error = outcome.message;
    }
    if (!error.empty()) protocol.Add(Format("  Error: %s", {error}), 0);
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
  const DirContext ctx = SelectionContext();
  std::string result;
  if (services_.dataFolder.empty()) {
    const DirStatus status = services_.client->NWDSMutateObject(ctx, selectedObjectName_.c_str(), newClass.c_str(), 0);
    result = status == 0 ? Format("%s recast", {selectedObjectName_})
                         : Format("%s not recast (%s)", {selectedObjectName_, DirErrorText(session_, status)});
  } else {
    engine::JournalWriter journal;
    std::string error = OpenWindowJournal(session_, services_.dataFolder, ctx, selectedObjectName_, journal);
    DirStatus status = engine::kErrJournalWrite;
    engine::RecastOutcome outcome;
    if (error.empty()) {
      engine::RecastHooks hooks;
      hooks.recordedName = FullName(session_, ctx, selectedObjectName_);
      status = engine::RecastWithJournal(session_, ctx, journal, selectedObjectName_, selectedObjectClass_, &newClass,
                                         {}, hooks, &outcome);
      if (status != 0 && outcome.record == 0) error = outcome.message;
    }
    if (status != 0 && error.empty()) error = DirErrorText(session_, status);
    result = status == 0 ? Format("%s recast", {selectedObjectName_})
                         : Format("%s not recast (%s)", {selectedObjectName_, error});
  }
  protocol.Add("    " + result, 0);
  ShowMessageBox(ui_, MessageBoxKind::Custom, result);
  protocol.Add("", 0);
}

}  // namespace recast::app
