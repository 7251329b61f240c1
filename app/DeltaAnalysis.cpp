// The attribute delta analysis (the Change Object Class tab).
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "directory/ClassDefinitions.h"
#include "directory/Contexts.h"
#include "directory/ErrorText.h"
#include "engine/Analysis.h"
#include "util/Dialogs.h"

namespace recast::app {

void MainFormController::TargetClassSelected() {
  targetClassName_.clear();
  ComboBox& targets = *form_.cbTargetClasses;
  const int shown = targets.currentIndex();
  if (shown < 0) return;
  targetClassName_ = targets.Items().Text(shown);
  if (!ReadTargetClassDefinition()) return;
  CalculateAttributesDelta();
}

bool MainFormController::ReadTargetClassDefinition() {
  // The class list shows the current tree's schema, but the object may live in another tree
  // whose class of the same name differs: its own tree's definition is the one that counts.
  const DirContext ctx = SelectionContext();
  TaggedListModel& targetAttributes = form_.lbTargetClassAttributes->Items();
  targetAttributes.Clear();
  targetDefinitionTree_ = GetContextTreeName(session_, ctx);
  const DirStatus status = ReadClassAttributes(session_, ctx, targetClassName_, targetAttributes);
  targetDefinitionRead_ = status == 0;
  if (status != 0) ShowMessageBox(ui_, MessageBoxKind::Custom, DirErrorText(session_, status));
  return targetDefinitionRead_;
}

void MainFormController::CalculateAttributesDelta() {
  ListBox& sourceList = *form_.lbSourceClassAttributes;
  ListBox& targetList = *form_.lbTargetClassAttributes;
  TaggedListModel& delta = form_.ListBoxDelta->Items();
  TaggedListModel& info = form_.ListBoxInfo->Items();

  delta.Clear();
  info.Clear();
  conflictAttributeList_.clear();
  form_.BitBtnRecast->setEnabled(false);
  form_.BitBtnDeleteConflicts->setEnabled(false);

  engine::AnalysisInput input;
  input.ctx = SelectionContext();
  input.objectName = selectedObjectName_;
  input.objectClass = selectedObjectClass_;
  input.targetClass = targetClassName_;
  input.sourceAttributes = &sourceList.Items();
  input.targetAttributes = &targetList.Items();
  input.targetRead = targetDefinitionRead_;
  if (targetClassName_.empty() || selectedObjectClass_.empty() || !targetDefinitionRead_) {
    analysisSummary_ = engine::AnalyseObject(session_, input).summary;
    return;
  }

  CursorId savedCursor = kArrowCursor;
  BeginBusyCursor(ui_, savedCursor);
  // The lists grow as the analysis goes, so a long one shows its progress and can be
  // cancelled with what it found so far on screen.
  std::size_t shownDelta = 0, shownInfo = 0, shownSource = 0, shownTarget = 0;
  const auto show = [&](const engine::Analysis& so_far) {
    for (; shownInfo < so_far.info.size(); ++shownInfo) info.Add(so_far.info[shownInfo], 0);
    for (; shownDelta < so_far.delta.size(); ++shownDelta) {
      delta.Add(so_far.delta[shownDelta].text, so_far.delta[shownDelta].reference);
    }
    for (; shownSource < so_far.sourceHighlights.size(); ++shownSource) {
      sourceList.SelectLine(so_far.sourceHighlights[shownSource]);
    }
    for (; shownTarget < so_far.targetHighlights.size(); ++shownTarget) {
      targetList.SelectLine(so_far.targetHighlights[shownTarget]);
    }
  };
  engine::AnalysisHooks hooks;
  hooks.cancelRequested = [this] { return ui_.CancelRequested(); };
  hooks.step = [&](const engine::Analysis& so_far) {
    show(so_far);
    ui_.ProcessPendingMessages();
  };
  const engine::Analysis result = engine::AnalyseObject(session_, input, hooks);
  show(result);
  delta.Flush();
  conflictAttributeList_ = result.conflictAttributeList;
  analysisSummary_ = result.summary;
  form_.BitBtnRecast->setEnabled(result.canRecast);
  form_.BitBtnDeleteConflicts->setEnabled(result.canDelete);
  RestoreCursor(ui_, savedCursor);
}

void MainFormController::ListBoxDeltaClick() {
  const int row = form_.ListBoxDelta->SelectedIndex();
  if (row < 0) return;
  const std::int32_t reference = form_.ListBoxDelta->Items().Tag(row);
  if (reference >= 0 && reference < form_.ListBoxInfo->Items().Count()) {
    form_.ListBoxInfo->SelectLine(reference);
  } else {
    form_.ListBoxInfo->ClearLineSelection();
  }
}

}  // namespace recast::app
