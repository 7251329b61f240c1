#pragma once
// The pieces of "Save As ..." that are pure text rules.

#include <optional>
#include <string>
#include <string_view>

#include "util/UserInterface.h"

namespace recast::app {

// "%s-%s" with the shown tree text and the list's control name without its first
// "Listbox" (any letter case): "CORP-Protocol" for ListBoxProtocol.
std::string DefaultSaveFileName(std::string_view treeText, std::string_view controlName);

// The chosen file's extension with all its leading dots removed, in the case typed; empty
// when the file-name part has no ".".
std::string ExportKeyword(std::string_view fileName);

// The file to save to, asked for as desktop save dialogs do: when the chosen file exists and
// the export would write it, the user is asked "<path> already exists. Replace it?"; declining
// opens the dialog again. A file the user may not write is not asked about: the export refuses
// it with its error box. Nothing when the dialog is cancelled.
std::optional<std::string> AskSaveTarget(UserInterface& ui, const SaveDialogRequest& request);

}  // namespace recast::app
