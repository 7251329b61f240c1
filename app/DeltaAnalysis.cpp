// The attribute delta analysis (the Change Object Class tab).
#include <cstdlib>
#include <optional>

#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "directory/AttributeDefinitions.h"
#include "directory/AttributeValues.h"
#include "directory/ClassDefinitions.h"
#include "directory/Contexts.h"
#include "directory/ErrorText.h"
#include "directory/NamingAttributes.h"
#include "util/Dialogs.h"
#include "util/Format.h"
#include "util/TextHelpers.h"

namespace recast::app {

namespace {

constexpr std::int32_t kNoReference = -1;
constexpr const char* kAnalysisCancelled =
    "The analysis was cancelled, so the conflicts shown may be incomplete and both actions stay "
    "disabled. Choose the target class again to analyse the object in full.";

bool IsMandatoryKind(std::int32_t kind) {
  return kind == kItemNamingAttributes || kind == kItemMandatoryAttributes;
}

bool InList(const TaggedList& list, const std::string& name) { return list.IndexOf(name) >= 0; }

bool IsStatus(DirStatus status, DirStatus code) { return std::llabs(status) == std::llabs(code); }

// A read that fails because the object has no such attribute or value answers "no value";
// any other failure (server down, object gone, value too large) leaves the value unknown.
bool IsUnreadable(DirStatus status) {
  return status != 0 && !IsStatus(status, kErrNoSuchAttribute) && !IsStatus(status, kErrNoSuchValue);
}

}  // namespace

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
  TaggedListModel& source = sourceList.Items();
  TaggedListModel& target = targetList.Items();
  TaggedListModel& delta = form_.ListBoxDelta->Items();
  TaggedListModel& info = form_.ListBoxInfo->Items();

  delta.Clear();
  info.Clear();
  conflictAttributeList_.clear();
  form_.BitBtnRecast->setEnabled(false);
  form_.BitBtnDeleteConflicts->setEnabled(false);

  if (targetClassName_.empty() || selectedObjectClass_.empty() || !targetDefinitionRead_) {
    analysisSummary_ = "Please select an Object and a target class";
    return;
  }

  CursorId savedCursor = kArrowCursor;
  BeginBusyCursor(ui_, savedCursor);
  std::int32_t undeletable = 0;
  std::int32_t deletable = 0;
  std::int32_t entries = 0;
  std::int32_t unreadable = 0;
  const DirContext ctx = SelectionContext();

  const auto reportUnreadable = [&](const std::string& name, DirStatus status) {
    const std::int32_t reference = info.Count();
    info.Add(Format("Error: Could not read attribute \"%s\": %s. Select the object again once it can be read.",
                    {name, DirErrorText(session_, status)}),
             0);
    ++unreadable;
    ++entries;
    delta.Add("? " + name, reference);
  };

  // The typed part of the object's own name ("UID=jdoe"), read once when first needed; empty
  // when it cannot be found.
  std::optional<std::string> namePart;
  std::vector<std::string> namingTypes;
  const auto namePartHolding = [&](const std::string& name) -> std::string {
    if (!namePart) {
      std::string part;
      namePart = ReadTypedLeafPart(session_, ctx, selectedObjectName_, &part) == 0 ? part : std::string();
      namingTypes = NamePartAttributes(*namePart);
    }
    return IsOneOfText(name, namingTypes, false) ? *namePart : std::string();
  };

  // What the target class does not allow.
  for (int i = 0; i < source.Count() && !ui_.CancelRequested(); ++i) {
    const std::string name = source.Text(i);
    if (InList(target, name)) continue;
    std::string value;
    const DirStatus status = GetAttributeValueText(session_, ctx, selectedObjectName_, name, &value);
    if (IsUnreadable(status)) {
      reportUnreadable(name, status);
      ui_.ProcessPendingMessages();
      continue;
    }
    std::string mark;
    std::int32_t reference = kNoReference;
    if (status == 0 && !value.empty()) {
      conflictAttributeList_.push_back(name);
      reference = info.Count();
      // A value that names the entry cannot be removed while the entry keeps its name.
      const bool mandatory = IsMandatoryKind(source.Tag(i));
      const std::string naming = mandatory ? std::string() : namePartHolding(name);
      if (mandatory || !naming.empty()) {
        mark = "! ";
        ++undeletable;
        sourceList.SelectLine(i);
        info.Add(Format("Error: We will not be able to delete attribute \"%s\" which is illegal for target class",
                        {name}),
                 0);
        if (!naming.empty()) {
          info.Add(Format("   It is part of the object's name \"%s\": rename the object to recast it", {naming}), 0);
        }
      } else {
        mark = "* ";
        ++deletable;
        info.Add(Format("Warning: We will need to delete attribute \"%s\" which is illegal for target class",
                        {name}),
                 0);
      }
      info.Add(Format("   Current value: \"%s\"", {value}), 0);
      std::string type;
      if (DescribeAttribute(session_, ctx, name, &type) == 0) info.Add(Format("   AttrType: (%s)", {type}), 0);
    }
    ++entries;
    delta.Add(mark + name, reference);
    ui_.ProcessPendingMessages();
  }

  // What the target class requires.
  for (int i = 0; i < target.Count() && !ui_.CancelRequested(); ++i) {
    if (!IsMandatoryKind(target.Tag(i))) continue;
    const std::string name = target.Text(i);
    if (!InList(source, name)) {
      targetList.SelectLine(i);
      conflictAttributeList_.push_back(name);
      const std::int32_t reference = info.Count();
      info.Add(Format("Error: Mandatory target attribute \"%s\" not available for object", {name}), 0);
      std::string type;
      if (DescribeAttribute(session_, ctx, name, &type) == 0) info.Add(Format("   AttrType: (%s)", {type}), 0);
      ++entries;
      delta.Add("- " + name, reference);
    } else {
      std::string value;
      const DirStatus status = GetAttributeValueText(session_, ctx, selectedObjectName_, name, &value);
      if (status == 0 && value.empty()) {
        targetList.SelectLine(i);
        info.Add(Format("Warning: You need to assign a value to \"%s\" because it is mandatory for the target class",
                        {name}),
                 0);
      } else if (IsUnreadable(status)) {
        reportUnreadable(name, status);
      }
    }
    ui_.ProcessPendingMessages();
  }
  delta.Flush();
  if (ui_.CancelRequested()) {
    // What was found so far stays on screen; an incomplete analysis enables no action.
    analysisSummary_ = Format(kAnalysisCancelled, {});
    RestoreCursor(ui_, savedCursor);
    return;
  }

  // Without every value the verdict would be a guess: neither action is offered.
  const bool complete = unreadable == 0;
  const bool canRecast = complete && deletable == 0 && undeletable == 0;
  const bool canDelete = complete && deletable > 0 && undeletable == 0;
  form_.BitBtnRecast->setEnabled(canRecast);
  form_.BitBtnDeleteConflicts->setEnabled(canDelete);

  if (!complete) {
    analysisSummary_ = Format(
        "The analysis is incomplete: %d attributes could not be read, so it is not known whether the object can be "
        "recast. Remove the cause shown in the list and select the object again.",
        {unreadable});
  } else if (entries == 0) {
    analysisSummary_ = Format("No conflicts. \"%s:%s\" can be changed to \"%s\"",
                              {selectedObjectClass_, selectedObjectName_, targetClassName_});
  } else if (canDelete) {
    analysisSummary_ = Format(
        "There are conflicts on %d valued attributes. You can recast the object after deleting these attributes.",
        {deletable});
  } else if (canRecast) {
    analysisSummary_ = Format(
        "There are attribute conflicts, but since these are on %d unvalued attributes, you can recast the object.",
        {entries});
  } else {
    analysisSummary_ =
        Format("There are conflicts on %d mandatory attributes. You cannot recast the object.", {undeletable});
  }
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
