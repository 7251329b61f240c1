#pragma once
// The pieces of "Save As ..." that are pure text rules.

#include <string>
#include <string_view>

namespace recast::app {

// "%s-%s" with the shown tree text and the list's control name without its first
// "Listbox" (any letter case): "CORP-Protocol" for ListBoxProtocol.
std::string DefaultSaveFileName(std::string_view treeText, std::string_view controlName);

// The chosen file's extension with all its leading dots removed, in the case typed; empty
// when the file-name part has no ".".
std::string ExportKeyword(std::string_view fileName);

}  // namespace recast::app
