// Saving one of the five lists that carry the pop-up menu.
#include "app/ListSaving.h"

#include <filesystem>

#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "util/AtomicFile.h"
#include "util/Format.h"
#include "util/TableExport.h"
#include "util/TextHelpers.h"

namespace recast::app {

std::string DefaultSaveFileName(std::string_view treeText, std::string_view controlName) {
  constexpr std::string_view kListbox = "Listbox";
  std::string shortName(controlName);
  const std::string upper = UpperAscii(controlName);
  const std::size_t at = upper.find(UpperAscii(kListbox));
  if (at != std::string::npos) shortName.erase(at, kListbox.size());
  return Format("%s-%s", {treeText, shortName});
}

std::string ExportKeyword(std::string_view fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos) return "";
  std::string_view extension = base.substr(dot);
  while (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return std::string(extension);
}

std::optional<std::string> AskSaveTarget(UserInterface& ui, const SaveDialogRequest& request) {
  for (;;) {
    std::optional<std::string> fileName = ui.AskSaveFileName(request);
    if (!fileName) return std::nullopt;
    const std::optional<ExportTarget> target = ExportTargetForKeyword(ExportKeyword(*fileName));
    std::error_code ec;
    const bool replaces =
        target && IsFileTarget(*target) && std::filesystem::exists(*fileName, ec) && MayWriteFile(*fileName);
    if (!replaces || ui.AskOkAbort(Format("%s already exists. Replace it?", {*fileName}))) return fileName;
  }
}

void MainFormController::PopupSaveAsClick() {
  ListBox* list = form_.PopupComponent();
  if (list == nullptr) return;
  const int tree = form_.ComboBoxTrees->currentIndex();
  const std::string treeText = tree >= 0 ? form_.ComboBoxTrees->Items().Text(tree) : "";

  SaveDialogRequest request;
  request.defaultFileName = DefaultSaveFileName(treeText, list->objectName().toStdString());
  request.defaultExtension = "txt";
  request.filter = "Text Files|*.txt|All Files|*.*";
  const std::optional<std::string> fileName = AskSaveTarget(ui_, request);
  if (!fileName) return;
  if (services_.exportLines) services_.exportLines(list->Items().Lines(), ExportKeyword(*fileName), *fileName);
}

}  // namespace recast::app
