// Tree, container and object selection (the Select Object tab).
#include <QSignalBlocker>

#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "directory/AttributeValues.h"
#include "directory/ClassDefinitions.h"
#include "directory/Contexts.h"
#include "directory/Listing.h"
#include "directory/Names.h"
#include "util/Dialogs.h"
#include "util/TextHelpers.h"

namespace recast::app {

namespace {
constexpr const char* kParentLine = "[ .. ]";
constexpr std::size_t kMaxObjectNameChars = 9999;
}  // namespace

void MainFormController::ChangeTree() {
  ComboBox& trees = *form_.ComboBoxTrees;
  const int shown = trees.currentIndex();
  if (shown < 0) return;
  const std::string tree = trees.Items().Text(shown);

  const DirStatus status = SetTree(session_, mainContext_, tree, false);
  session_.LastStatus = status;
  ShowStatusError(ui_, status, "DSChangeCurrentTree");
  ChangeContextFlags(session_, mainContext_, '+', kFlagTypelessNames);
  GetContainerInfo();

  ComboBox& targets = *form_.cbTargetClasses;
  {
    // The refill must not look like a user's choice of target class.
    const QSignalBlocker block(&targets);
    targets.Items().Clear();
    ListClassNames(session_, mainContext_, targets.Items());
  }
  targets.ShowEntry(-1);
}

void MainFormController::GetContainerInfo() {
  ShowBusyCursor(ui_);
  form_.EditCurrentContainer->setText(QString::fromStdString(AddLeadingDot(GetNameContext(session_, mainContext_))));
  form_.EditMyName->setText(QString::fromStdString(GetMyName(session_, mainContext_)));

  TaggedListModel& containers = form_.ListBoxContainers->Items();
  TaggedListModel& objects = form_.ListBoxObjects->Items();
  containers.Clear();
  objects.Clear();

  const std::string current = form_.EditCurrentContainer->text().toStdString();
  containers.SetSorted(true);
  ListContainerContents(session_, mainContext_, current, &containers, &objects, "", true);
  containers.SetSorted(false);
  objects.Flush();
  if (current != kRootName) containers.Insert(0, kParentLine, 0);
  ui_.SetCursor(kArrowCursor);
}

void MainFormController::ListBoxContainersDblClick() {
  const int row = form_.ListBoxContainers->SelectedIndex();
  if (row < 0) return;
  const std::string target = ComposeContainerName(form_.EditCurrentContainer->text().toStdString(),
                                                  form_.ListBoxContainers->Items().Text(row));
  SetNameContext(session_, mainContext_, target);
  GetContainerInfo();
}

void MainFormController::ObjectSelected() {
  const int row = form_.ListBoxObjects->SelectedIndex();
  if (row < 0) return;
  SelectObjectLine(row);
}

void MainFormController::SelectObjectLine(int row) {
  const std::string line = form_.ListBoxObjects->Items().Text(row);
  const std::int32_t prefix = form_.ListBoxObjects->Items().Tag(row);
  const std::size_t nameStart = static_cast<std::size_t>(std::max<std::int32_t>(prefix, 0));
  selectedObjectName_ = nameStart < line.size() ? line.substr(nameStart, kMaxObjectNameChars) : "";
  selectedObjectClass_ = prefix > 2 ? line.substr(0, std::min<std::size_t>(prefix - 2, line.size())) : "";

  // Every later call for this object goes through a copy of the context as it is now, so it
  // keeps addressing this object after the user moves to another container or tree.
  if (selectionContext_.Duplicate(*services_.client, mainContext_) != 0) selectionContext_.Release();

  ComboBox& targets = *form_.cbTargetClasses;
  if (targets.currentIndex() < 0) targets.ShowEntry(targets.Items().IndexOf(selectedObjectClass_));

  ComboBox& sources = *form_.cbSourceClasses;
  sources.Items().Clear();
  ReadAttributeValues(session_, SelectionContext(), selectedObjectName_, kObjectClassAttribute, sources.Items());
  sources.ShowEntry(sources.Items().Count() > 0 ? 0 : -1);

  form_.lbSourceClassAttributes->Items().Clear();
  ReadClassOrSchemaAttributes(session_, SelectionContext(), selectedObjectClass_,
                              form_.lbSourceClassAttributes->Items());

  // A target class read from another tree's schema is read again from this object's tree.
  if (!targetClassName_.empty() &&
      !TextEquals(targetDefinitionTree_, GetContextTreeName(session_, SelectionContext()))) {
    ReadTargetClassDefinition();
  }
  CalculateAttributesDelta();
  form_.PageControl1->setCurrentWidget(form_.TabSheet3);
}

}  // namespace recast::app
